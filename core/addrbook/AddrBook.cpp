#include "addrbook/AddrBook.h"

#include <algorithm>
#include <cstring>

#include "devices/DeviceList.h"
#include "protocol/Exchange.h"
#include "protocol/ParaReadBack.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira {

namespace {

static_assert(kBookImageHeaderSize + 2 + 2 == kEmptyBookImageSize);
static_assert(kBookImageMax == 64 * kBookPacketBytes);
static_assert(4 + kNameFieldWidth == kBookGroupEntrySize);
static_assert(8 + kNameFieldWidth == kBookDeviceEntrySize);

// Image header fields.
namespace img {
inline constexpr std::size_t size = 4;
inline constexpr std::size_t groupOffset = 6;
inline constexpr std::size_t broadcastOffset = 8;
inline constexpr std::size_t intercomOffset = 10;
inline constexpr std::size_t groups = 12; // the group section's count, where groupOffset points
} // namespace img

std::string cutName(std::string_view ansi) { return std::string(ansi.substr(0, kNameFieldWidth - 1)); }

// Names a book holds are at most 15 bytes, so a device name is compared in
// the form an entry would store; otherwise a long name would count as stale
// every time the book is shown.
bool refreshFirst(std::vector<DevItem_Type>& entries, std::uint32_t id, std::string_view current)
{
    auto it = std::find_if(entries.begin(), entries.end(), [id](const DevItem_Type& e) { return e.id == id; });
    if (it == entries.end())
        return false;
    const std::string want = cutName(current);
    if (it->nameBytes() == want)
        return false;
    it->setNameBytes(want);
    return true;
}

std::uint32_t deviceNoOf(const std::vector<DeviceInfo_Type>& devices, std::uint32_t ip)
{
    for (const auto& d : devices)
        if (d.ip() == ip)
            return static_cast<std::uint32_t>(d.devNo());
    return kUnknownDeviceNo;
}

// Writes a device section at off (count, then the entries); returns the offset behind it.
std::size_t writeDeviceSection(Bytes out, std::size_t off, const std::vector<DevItem_Type>& entries,
                               std::uint32_t targetIp, const std::vector<DeviceInfo_Type>& devices)
{
    std::size_t p = off + 2;
    std::uint16_t n = 0;
    for (const auto& e : entries) {
        if (e.id == targetIp)
            continue;
        writeU32(out, p, deviceNoOf(devices, e.id));
        writeIp(out, p + 4, e.id);
        // Terminated even when a damaged file left the field without a NUL.
        writeFixedText(out, p + 8, kNameFieldWidth, e.nameBytes());
        p += kBookDeviceEntrySize;
        ++n;
    }
    writeU16(out, off, n);
    return p;
}

std::string tagOf(const DeviceInfo_Type& info) { return deviceTag(ansiToUtf8(info.devName()), info.ip()); }

int sendBookPacket(const BookTarget& target, std::uint16_t count, std::uint16_t no, ConstBytes chunk,
                   std::size_t payloadLength)
{
    Packet request = Packet::request(CMD_ADDR_BOOK, static_cast<std::uint16_t>(payloadLength), 0, count, no);
    Bytes payload = request.payloadArea();
    std::copy_n(target.info.mac(), 6, payload.begin());
    std::copy(chunk.begin(), chunk.end(), payload.begin() + 6);
    Packet reply;
    return ExchangeUnicast(target.localIp, target.ip, request, reply, 0);
}

// After a transfer that went out whole: does the station still answer?
int checkStationAfter(const BookTarget& target, int result)
{
    if (result != RES_OK)
        return result;
    ConfirmTarget where{target.localIp, target.ip, true, {}};
    std::copy_n(target.info.mac(), 6, where.mac.begin());
    if (ConfirmReachable(where) == RES_OK)
        return RES_OK;
    OutputLog("%s did not answer after the address book was sent.", tagOf(target.info).c_str());
    return RES_BOOK_STATION_SILENT;
}

} // namespace

std::string bookResultText(int result)
{
    switch (result) {
    case RES_OK:
        return "sent";
    case RES_SOCKET_FAIL:
        return "no socket could be opened";
    case RES_SEND_FAIL:
        return "a packet could not be sent";
    case RES_BOOK_TOO_LARGE:
        return oneLine(stringText(IDS_BOOK_TOO_LARGE));
    case RES_BOOK_STATION_SILENT:
        return "the station did not answer afterwards";
    default:
        return "result " + std::to_string(result);
    }
}

AddrBook_Type* findBook(AddrBookList& books, std::string_view name)
{
    auto it = std::find_if(books.begin(), books.end(), [name](const AddrBook_Type& b) { return b.name == name; });
    return it == books.end() ? nullptr : &*it;
}

std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80)
            continue; // continuation bytes belong to the character before
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

int checkBookName(const AddrBookList& books, std::string_view name)
{
    if (name.empty())
        return IDS_BOOK_NAME_EMPTY;
    if (utf16Length(name) > kBookNameMaxUnits)
        return IDS_BOOK_NAME_TOO_LONG;
    for (const auto& b : books)
        if (b.name == name)
            return IDS_BOOK_NAME_EXISTS;
    return 0;
}

int checkBookSelection(const AddrBook_Type& book)
{
    if (book.groups.empty() && book.broadcast.empty() && book.intercom.empty())
        return IDS_BOOK_NOTHING_SELECTED;
    return 0;
}

DevItem_Type groupEntry(const GroupItem_Type& group) { return group.header; }

DevItem_Type deviceEntry(const DeviceInfo_Type& info)
{
    DevItem_Type e;
    e.kind = kDevItemDevice;
    e.id = info.ip();
    e.setNameBytes(info.devName());
    return e;
}

bool refreshBookNames(AddrBook_Type& book, const GroupList& groups, const std::vector<DeviceInfo_Type>& devices)
{
    bool changed = false;
    for (const auto& g : groups)
        changed |= refreshFirst(book.groups, g.header.id, g.header.nameBytes());
    for (const auto& d : devices) {
        const std::string name = d.devName();
        changed |= refreshFirst(book.broadcast, d.ip(), name);
        changed |= refreshFirst(book.intercom, d.ip(), name);
    }
    return changed;
}

std::vector<DeviceInfo_Type> deviceRecords(const DeviceList& list)
{
    const auto items = list.snapshot();
    std::vector<DeviceInfo_Type> out;
    out.reserve(items.size());
    std::lock_guard lock(list.mutex());
    for (const auto& item : items)
        out.push_back(item->devItem);
    return out;
}

std::size_t bookImageSize(const AddrBook_Type& book)
{
    auto deviceList = [](std::size_t n) { return n ? kBookDeviceEntrySize * n + kBookDeviceListSlack : 0; };
    return kBookGroupEntrySize * book.groups.size() + kEmptyBookImageSize + deviceList(book.broadcast.size()) +
           deviceList(book.intercom.size());
}

std::size_t bookPacketCount(std::size_t imageSize) { return (imageSize + kBookPacketBytes - 1) / kBookPacketBytes; }

std::vector<std::uint8_t> BuildBookImage(const AddrBook_Type& book, std::uint32_t targetIp,
                                         const std::vector<DeviceInfo_Type>& devices)
{
    const std::size_t size = bookImageSize(book);
    if (size > kBookImageMax)
        return {};
    std::vector<std::uint8_t> out(size, 0);
    Bytes b(out);
    std::memcpy(out.data(), "BOOK", 4);
    writeU16(b, img::size, static_cast<std::uint16_t>(size));
    writeU16(b, img::groupOffset, static_cast<std::uint16_t>(img::groups));
    writeU16(b, img::groups, static_cast<std::uint16_t>(book.groups.size()));
    std::size_t p = kBookImageHeaderSize;
    for (const auto& g : book.groups) {
        writeU32(b, p, g.id);
        writeFixedText(b, p + 4, kNameFieldWidth, g.nameBytes());
        p += kBookGroupEntrySize;
    }
    writeU16(b, img::broadcastOffset, static_cast<std::uint16_t>(p));
    p = writeDeviceSection(b, p, book.broadcast, targetIp, devices);
    writeU16(b, img::intercomOffset, static_cast<std::uint16_t>(p));
    writeDeviceSection(b, p, book.intercom, targetIp, devices);
    return out;
}

std::vector<std::uint8_t> emptyBookImage() { return BuildBookImage(AddrBook_Type{}, 0, {}); }

bool isCallStation(const DeviceInfo_Type& info)
{
    const std::string name = info.modelName();
    if (!name.empty())
        return name == "Call Station";
    return info.modelText().starts_with("KS-");
}

int checkBookDownload(const AddrBook_Type* book, bool haveDevice)
{
    if (!book)
        return IDS_BOOK_NONE_SELECTED;
    if (!haveDevice)
        return IDS_BOOK_NO_DEVICE_SELECTED;
    if (bookImageSize(*book) > kBookImageMax)
        return IDS_BOOK_TOO_LARGE;
    return 0;
}

BookTarget bookTarget(const DeviceList& list, const DeviceItemPtr& item)
{
    std::lock_guard lock(list.mutex());
    return {item->localIp, item->ip, item->devItem};
}

int DownloadAddrBook(const BookTarget& target, const AddrBook_Type& book, const std::vector<DeviceInfo_Type>& devices)
{
    const std::vector<std::uint8_t> image = BuildBookImage(book, target.info.ip(), devices);
    if (image.empty()) {
        OutputLog("Address book size:%d", static_cast<int>(bookImageSize(book)));
        OutputLog("%s download address book failed\xEF\xBC\x81", tagOf(target.info).c_str());
        return RES_BOOK_TOO_LARGE;
    }
    OutputLog("Address book size:%d", static_cast<int>(image.size()));
    const std::size_t count = bookPacketCount(image.size());
    int result = RES_OK;
    for (std::size_t k = 1; k <= count && result == RES_OK; ++k) {
        std::array<std::uint8_t, kBookPacketBytes> chunk{}; // the last packet is zero past the image
        const std::size_t from = (k - 1) * kBookPacketBytes;
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(from), std::min(kBookPacketBytes, image.size() - from),
                    chunk.begin());
        result = sendBookPacket(target, static_cast<std::uint16_t>(count), static_cast<std::uint16_t>(k), chunk,
                                6 + kBookPacketBytes);
    }
    if (result == RES_OK)
        OutputLog("%s download address book successfully.", tagOf(target.info).c_str());
    else
        OutputLog("%s download address book failed\xEF\xBC\x81", tagOf(target.info).c_str());
    return result;
}

int ClearAddrBook(const BookTarget& target)
{
    const std::vector<std::uint8_t> image = emptyBookImage();
    OutputLog("Address book size:%d", static_cast<int>(image.size()));
    const int result = sendBookPacket(target, 1, 1, image, 6 + image.size());
    if (result == RES_OK)
        OutputLog("%s cleared address book successfully.", tagOf(target.info).c_str());
    else
        OutputLog("%s failed to clear the address book\xEF\xBC\x81", tagOf(target.info).c_str());
    return result;
}

void postDownloadAddrBook(ProtocolWorker& worker, const DeviceList& list, const DeviceItemPtr& target,
                          const AddrBook_Type& book, bool checkStation)
{
    worker.postDownloadBook(target, [t = bookTarget(list, target), book, devices = deviceRecords(list), checkStation] {
        const int result = DownloadAddrBook(t, book, devices);
        return checkStation ? checkStationAfter(t, result) : result;
    });
}

void postClearAddrBook(ProtocolWorker& worker, const DeviceList& list, const DeviceItemPtr& target, bool checkStation)
{
    worker.postClearBook(target, [t = bookTarget(list, target), checkStation] {
        const int result = ClearAddrBook(t);
        return checkStation ? checkStationAfter(t, result) : result;
    });
}

} // namespace aulira
