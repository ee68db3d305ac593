#pragma once
// Address books of the call stations: the book record, the rules a new book
// must pass, the bringing up to date of names a book took from groups and
// devices, the "BOOK" image a call station takes, and its download and
// clearing over the device protocol.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devices/DeviceInfo.h"
#include "devices/DeviceItem.h"
#include "grouping/GroupTypes.h"

namespace aulira {

class DeviceList;
class ProtocolWorker;

// One address book. Entries name groups by number (kind 2) and devices by
// address (kind 1); their names are the ones taken when they were chosen.
struct AddrBook_Type {
    std::string name{}; // UTF-8; unique in the book list (case-sensitive), never empty
    std::vector<DevItem_Type> groups{};
    std::vector<DevItem_Type> broadcast{}; // devices the call station can broadcast to
    std::vector<DevItem_Type> intercom{};  // devices the call station can call
    bool operator==(const AddrBook_Type&) const = default;
};

// In creation order.
using AddrBookList = std::vector<AddrBook_Type>;

AddrBook_Type* findBook(AddrBookList& books, std::string_view name);

// --- rules of a new book -------------------------------------------------
// A book name is shown in one line of a drop-down list; longer ones are
// refused rather than stored (the file could hold four billion units).
inline constexpr std::size_t kBookNameMaxUnits = 255;
// The length of UTF-8 text in UTF-16 code units, as the file stores it.
std::size_t utf16Length(std::string_view utf8);
// 0 when the name may be used, else the string id of the refusal (empty
// name, longer than kBookNameMaxUnits, or a book of exactly that name already there).
int checkBookName(const AddrBookList& books, std::string_view name);
// 0 when the book has at least one entry, else the refusal's string id.
int checkBookSelection(const AddrBook_Type& book);

// The entry of a group: a copy of its header.
DevItem_Type groupEntry(const GroupItem_Type& group);
// The entry of a device: its address and at most 15 bytes of its name.
DevItem_Type deviceEntry(const DeviceInfo_Type& info);

// Brings the names of the book's entries up to date: for every group and
// every device (in list order), the first entry with its number or address
// takes its current name. Entries that match nothing stay as they are.
// Returns true when a name changed.
bool refreshBookNames(AddrBook_Type& book, const GroupList& groups, const std::vector<DeviceInfo_Type>& devices);

// Identity records of every device-list entry, copied under the list's lock.
std::vector<DeviceInfo_Type> deviceRecords(const DeviceList& list);

// --- the image -----------------------------------------------------------
inline constexpr std::size_t kBookImageMax = 32768;
inline constexpr std::size_t kBookPacketBytes = 512;
inline constexpr std::size_t kEmptyBookImageSize = 18;
inline constexpr std::size_t kBookImageHeaderSize = 14;
inline constexpr std::size_t kBookGroupEntrySize = 20;  // number, 16-byte name
inline constexpr std::size_t kBookDeviceEntrySize = 24; // number, address, 16-byte name
inline constexpr std::size_t kBookDeviceListSlack = 96; // room a non-empty device list reserves
inline constexpr std::uint32_t kUnknownDeviceNo = 0xFFFFFFFFu;

// A routine's refusal of an image over kBookImageMax (nothing is sent).
inline constexpr int RES_BOOK_TOO_LARGE = -16;
// Every packet went out, but the station did not answer a status query
// afterwards (it may be switched off or gone).
inline constexpr int RES_BOOK_STATION_SILENT = -17;

// What a transfer's result means, in one line for the operator.
std::string bookResultText(int result);

// The image size S of a book, from its full entry counts.
std::size_t bookImageSize(const AddrBook_Type& book);
// Packets of 512 image bytes an image of this size takes.
std::size_t bookPacketCount(std::size_t imageSize);

// The image for one target call station: device entries with the target's
// own address are left out; device numbers come from the first record with
// the entry's address, else 0xFFFFFFFF.
std::vector<std::uint8_t> BuildBookImage(const AddrBook_Type& book, std::uint32_t targetIp,
                                         const std::vector<DeviceInfo_Type>& devices);
// The image of a book without entries, which clears a call station's book.
std::vector<std::uint8_t> emptyBookImage();

// Whether a device takes address books: a call station, by the model name
// it reports ("Call Station", as the wizard lists it) or, for devices that
// report none, by its model text (the KS- family).
bool isCallStation(const DeviceInfo_Type& info);

// 0 when the book may be downloaded into the device, else the refusal's string
// id: no book, no device, or an image over 32768 bytes.
int checkBookDownload(const AddrBook_Type* book, bool haveDevice);

// --- transfers -----------------------------------------------------------
// What a transfer needs of its target, copied so the worker never reads the
// list while another thread changes it.
struct BookTarget {
    std::string localIp;   // adapter to send from
    std::uint32_t ip = 0;  // where to send
    DeviceInfo_Type info;  // MAC, name and own address
};
BookTarget bookTarget(const DeviceList& list, const DeviceItemPtr& item);

// Sends the image in numbered packets of MAC + 512 bytes without awaiting
// replies; stops at the first packet that cannot be sent. Returns RES_OK or
// that packet's result (RES_BOOK_TOO_LARGE when the image is over the limit).
int DownloadAddrBook(const BookTarget& target, const AddrBook_Type& book, const std::vector<DeviceInfo_Type>& devices);
// Sends the empty image in one packet.
int ClearAddrBook(const BookTarget& target);

// Queue the transfers on the worker with copies of everything they read;
// the results arrive at the worker's listener (onBookDownloaded/onBookCleared).
// A station acknowledges no address-book packet. With checkStation, once every
// packet went out the worker asks the station for its identity; when it does
// not answer, that is logged and the result is RES_BOOK_STATION_SILENT. An
// answer shows the station is there, not that it took the book.
void postDownloadAddrBook(ProtocolWorker& worker, const DeviceList& list, const DeviceItemPtr& target,
                          const AddrBook_Type& book, bool checkStation = false);
void postClearAddrBook(ProtocolWorker& worker, const DeviceList& list, const DeviceItemPtr& target,
                       bool checkStation = false);

} // namespace aulira
