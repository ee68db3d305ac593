#include "SimDevice.h"

#include <algorithm>
#include <cstring>

namespace aulira::sim {

namespace {

void writeText(std::vector<std::uint8_t>& rec, std::size_t off, std::size_t width, std::string_view text)
{
    writeFixedText(Bytes(rec), off, width, text);
}

// Moves the fields both layouts know from one record to a record of the other
// layout; used when an upgrade crosses the version that switches layouts.
std::vector<std::uint8_t> convertRecord(const std::vector<std::uint8_t>& from, const SysParaLayout& a,
                                        const SysParaLayout& b)
{
    std::vector<std::uint8_t> to(b.size, 0);
    std::copy_n(from.begin(), 64, to.begin());
    auto move = [&](std::size_t SysParaLayout::*field, std::size_t width) {
        std::copy_n(from.begin() + static_cast<std::ptrdiff_t>(a.*field), width,
                    to.begin() + static_cast<std::ptrdiff_t>(b.*field));
    };
    move(&SysParaLayout::devNo, 4);
    move(&SysParaLayout::devName, kSysParaTextWidth);
    move(&SysParaLayout::userName, kSysParaTextWidth);
    move(&SysParaLayout::password, kSysParaTextWidth);
    move(&SysParaLayout::dhcp, 1);
    move(&SysParaLayout::ip, 4);
    move(&SysParaLayout::mask, 4);
    move(&SysParaLayout::gateway, 4);
    move(&SysParaLayout::autoDns, 1);
    move(&SysParaLayout::dns1, 4);
    move(&SysParaLayout::dns2, 4);
    move(&SysParaLayout::serverPort, 2);
    move(&SysParaLayout::serverIp, 4);
    move(&SysParaLayout::altServerIp, 4);
    move(&SysParaLayout::groupNos, 8);
    return to;
}

} // namespace

std::vector<std::uint8_t> makeSysPara(const DeviceConfig& c, int layoutSize)
{
    const SysParaLayout& L = sysParaLayout(layoutSize == 436);
    std::vector<std::uint8_t> rec(L.size, 0);
    Bytes b(rec);
    writeFixedText(b, L.version, kSysParaVersionWidth, c.firmware);
    std::copy(c.mac.begin(), c.mac.end(), rec.begin() + static_cast<std::ptrdiff_t>(L.mac));
    writeI32(b, L.devNo, c.devNo);
    writeText(rec, L.devName, kSysParaTextWidth, c.name);
    writeText(rec, L.userName, kSysParaTextWidth, "admin");
    writeText(rec, L.password, kSysParaTextWidth, "123456");
    writeIp(b, L.ip, c.ip);
    writeIp(b, L.mask, c.mask);
    writeIp(b, L.gateway, c.gateway);
    writeIp(b, L.dns1, c.dns1);
    writeIp(b, L.dns2, c.dns2);
    writeU16(b, L.serverPort, 2046);
    writeIp(b, L.serverIp, c.serverIp);
    writeIp(b, L.altServerIp, c.altServerIp);
    std::copy(c.groups.begin(), c.groups.end(), rec.begin() + static_cast<std::ptrdiff_t>(L.groupNos));
    // What a device fresh from the factory holds for the rest: the settings
    // pages' usual values, so a simulated record looks like a real one.
    const bool ext = layoutSize == 436;
    for (const auto& f : kSysParaFields) {
        if (!f.in(ext) || f.initial == 0 || f.page == SysParaPage::Basic)
            continue;
        const auto off = static_cast<std::size_t>(f.offset(ext));
        if (f.width == 1)
            rec[off] = static_cast<std::uint8_t>(f.initial);
        else if (f.width == 2)
            writeU16(b, off, static_cast<std::uint16_t>(f.initial));
        else if (f.kind != FieldKind::Target) // key targets stay unset
            writeU32(b, off, static_cast<std::uint32_t>(f.initial));
    }
    if (ext)
        rec[sysParaOffset("heartbeat", true)] = 3;
    writeU32(b, sysParaOffset("controlSerial.baudRate", ext), 4); // 9600 bit/s, 8 data bits
    rec[sysParaOffset("controlSerial.dataBits", ext)] = 1;
    writeU32(b, sysParaOffset("dataSerial.baudRate", ext), 4);
    rec[sysParaOffset("dataSerial.dataBits", ext)] = 1;
    return rec;
}

SimDevice::SimDevice(const DeviceConfig& c, std::uint64_t seed, bool keepTraffic)
    : remote_(c.remote), screen_(hasScreen(c)), keepTraffic_(keepTraffic), iface_(c.iface), ip_(c.ip),
      faults_(c.faults), rng_(seed), screenBootMode_(c.screenBootMode)
{
    info_.setTypeCode(c.typeCode);
    info_.setDevNo(c.devNo);
    info_.setFirmwareVersion(c.firmware);
    info_.setDevName(c.name);
    info_.setModelText(c.modelText);
    info_.setModelName(c.modelName);
    info_.setMac(c.mac.data());
    info_.setIp(c.ip);
    info_.setMask(c.mask);
    info_.setGateway(c.gateway);
    info_.setServerIp(c.serverIp);
    info_.setAltServerIp(c.altServerIp);
    info_.setDns1(c.dns1);
    info_.setDns2(c.dns2);
    info_.setWorkState(c.workState);
    for (int i = 0; i < 8; ++i)
        info_.setGroupNo(i, c.groups[static_cast<std::size_t>(i)]);
    sysPara_ = makeSysPara(c, effectiveLayout(c));
    screenBuffer_.assign(kScreenBufferSize, 0);
    // A type code with bit 31 set is how a device waiting in its boot loader
    // (after an interrupted upgrade) reports itself: it takes a header without
    // being asked to enter the boot loader, and leaves it once an image is in.
    if (c.typeCode < 0) {
        inBoot_ = true;
        info_.setTypeCode(static_cast<std::int32_t>(static_cast<std::uint32_t>(c.typeCode) & 0x7FFFFFFFu));
    }
}

void SimDevice::attach(int ifindex, std::string ifaceName)
{
    std::lock_guard lock(m_);
    ifindex_ = ifindex;
    attachedIface_ = std::move(ifaceName);
}

bool SimDevice::chance(double rate) { return rate > 0 && std::uniform_real_distribution<double>(0, 1)(rng_) < rate; }

bool SimDevice::macIs(ConstBytes payload, std::size_t off) const
{
    return payload.size() >= off + 6 && std::equal(payload.begin() + static_cast<std::ptrdiff_t>(off),
                                                   payload.begin() + static_cast<std::ptrdiff_t>(off + 6), info_.mac());
}

DeviceInfo_Type SimDevice::currentInfo() const
{
    DeviceInfo_Type i = info_;
    if (inBoot_ && faults_.upgrade.bootBit31) // the boot loader reports itself with bit 31 of the type code
        i.setTypeCode(static_cast<std::int32_t>(static_cast<std::uint32_t>(i.typeCode()) | 0x80000000u));
    return i;
}

SimDevice::Outcome SimDevice::handle(const Packet& req, const Arrival& arrival, Clock::time_point now)
{
    Outcome out;
    std::lock_guard lock(m_);
    if (now < unreachableUntil_ || chance(faults_.dropRate))
        return out;
    out.accepted = true;
    out.sourceIp = info_.ip();

    TrafficEntry e;
    const PacketHeader h = req.header();
    e.seq = arrival.seq;
    e.deviceIp = info_.ip();
    e.fromIp = arrival.fromIp;
    e.fromPort = arrival.fromPort;
    e.command = h.command;
    e.packetCount = h.packetCount;
    e.packetNo = h.packetNo;
    e.length = h.length;
    e.pollMark = h.pollMark;
    e.targetIp = h.targetIp;
    e.broadcast = arrival.broadcast;
    const ConstBytes payload = req.payload();
    e.payload.assign(payload.begin(), payload.end());
    if (keepTraffic_)
        traffic_.push_back(e);
    out.traffic = std::move(e);

    const std::uint16_t cmd = h.command & kCommandMask;
    if (faults_.silentCommands.count(cmd))
        return out;

    std::uint16_t pollMark = 0;
    auto replyPayload = dispatch(req, cmd, now, pollMark, out.addressChanged);
    if (out.addressChanged)
        ip_ = info_.ip();
    if (!replyPayload || chance(faults_.replyDropRate))
        return out;

    Packet reply = Packet::request(static_cast<std::uint16_t>(h.command | (faults_.setBit15 ? 0x8000 : 0)),
                                   static_cast<std::uint16_t>(replyPayload->size()), pollMark, h.packetCount,
                                   faults_.upgrade.replyPacketNo(h.packetNo, h.packetCount));
    std::copy(replyPayload->begin(), replyPayload->end(), reply.payloadArea().begin());
    // Another device's address: one off in the last octet.
    const std::uint32_t echo = faults_.wrongTargetIp ? h.targetIp ^ 0x01000000u : h.targetIp;
    const std::size_t size = reply.seal(echo);
    if (faults_.corruptChecksum)
        reply.bytes()[size - 1] ^= 0x5A;
    std::vector<std::uint8_t> bytes(reply.bytes().begin(), reply.bytes().begin() + static_cast<std::ptrdiff_t>(size));
    for (int i = 0; i <= faults_.duplicateReplies; ++i)
        out.replies.push_back({bytes, faults_.delayMs});
    return out;
}

// The device's behaviour per command. Returns the reply payload, or nothing
// when the device does not answer.
std::optional<std::vector<std::uint8_t>> SimDevice::dispatch(const Packet& req, std::uint16_t cmd,
                                                             Clock::time_point now, std::uint16_t& pollMark,
                                                             bool& addressChanged)
{
    using Payload = std::vector<std::uint8_t>;
    const ConstBytes p = req.payload();
    // The boot loader speaks only the upgrade dialect.
    if (inBoot_ && cmd != CMD_SEARCH && cmd != CMD_ENTER_BOOT && cmd != CMD_UPGRADE_PACKET)
        return std::nullopt;

    switch (cmd) {
    case CMD_SEARCH: {
        const DeviceInfo_Type i = currentInfo();
        return Payload(i.raw.begin(), i.raw.end());
    }
    case CMD_READ_SYS_PARA:
        if (!macIs(p, 0))
            return std::nullopt;
        if (faults_.paraReplyBytes > 0 && static_cast<std::size_t>(faults_.paraReplyBytes) < sysPara_.size())
            return Payload(sysPara_.begin(), sysPara_.begin() + faults_.paraReplyBytes);
        return sysPara_;
    case CMD_WRITE_SYS_PARA: {
        const std::size_t n = layout().size;
        if (p.size() == n)
            pending_ = Payload(p.begin(), p.end());
        else if (p.size() == n + kSysParaMacChangeExtra && macIs(p, n))
            pending_ = Payload(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(n));
        else
            return std::nullopt; // a record of the other layout: the firmware cannot take it
        return Payload{};
    }
    case CMD_APPLY_SYS_PARA:
        if (pending_ && macIs(p, 0)) {
            applyRecord(std::move(*pending_), addressChanged);
            pending_.reset();
        }
        return std::nullopt;
    case CMD_ADDR_BOOK:
        takeBookPacket(req);
        return std::nullopt;
    case CMD_SYNC_TIME:
        if (p.size() >= 8) {
            clock_ = DeviceClock{readU16(p, 0), p[2], p[3], p[4], p[5], p[6], p[7]};
            ++timeSyncs_;
        }
        return std::nullopt;
    case CMD_ENTER_BOOT:
        inBoot_ = true;
        unreachableUntil_ = now + std::chrono::milliseconds(faults_.bootUnreachableMs);
        if (enterBootRepliesLost_ < faults_.upgrade.loseEnterBootReplies) {
            ++enterBootRepliesLost_; // switched, but the reply never gets out
            return std::nullopt;
        }
        return Payload{};
    case CMD_UPGRADE_PACKET:
        if (!takeUpgradePacket(req, pollMark, now))
            return std::nullopt;
        return Payload{};
    default:
        break;
    }

    if (!screen_)
        return std::nullopt;
    switch (cmd) {
    case CMD_SCREEN_STATUS:
        // bit 0 set: the screen runs its application and cannot be written
        return Payload{static_cast<std::uint8_t>(screenBootMode_ ? 0 : 1), 0};
    case CMD_SCREEN_START:
    case CMD_SCREEN_END:
        if (!screenBootMode_)
            return std::nullopt;
        if (cmd == CMD_SCREEN_END)
            ++screenEnds_;
        return Payload{};
    case CMD_SCREEN_WRITE_BUFFER: {
        if (!screenBootMode_ || p.size() < 4)
            return std::nullopt;
        const std::size_t off = readU16(p, 0), n = readU16(p, 2);
        if (p.size() < 4 + n || off + n > kScreenBufferSize)
            return std::nullopt;
        std::copy_n(p.begin() + 4, n, screenBuffer_.begin() + static_cast<std::ptrdiff_t>(off));
        return Payload{};
    }
    case CMD_SCREEN_WRITE_FLASH: {
        if (!screenBootMode_ || p.size() < 6)
            return std::nullopt;
        const std::uint32_t addr = readU32(p, 0);
        const std::size_t n = readU16(p, 4);
        if (addr < kScreenFlashBase || n > kScreenBufferSize || addr - kScreenFlashBase + n > kScreenFlashMax)
            return std::nullopt;
        const std::size_t off = addr - kScreenFlashBase;
        if (screenFlash_.size() < off + n)
            screenFlash_.resize(off + n, 0xFF); // erased flash reads 0xFF
        std::copy_n(screenBuffer_.begin(), n, screenFlash_.begin() + static_cast<std::ptrdiff_t>(off));
        return Payload{};
    }
    case CMD_SCREEN_ENTER_APP:
        screenBootMode_ = false;
        return Payload{};
    default:
        return std::nullopt;
    }
}

void SimDevice::applyRecord(std::vector<std::uint8_t> rec, bool& addressChanged)
{
    const SysParaLayout& L = layout();
    const ConstBytes r(rec);
    const std::uint32_t oldIp = info_.ip();
    // The version belongs to the firmware, not to whoever wrote the record.
    writeFixedText(Bytes(rec), L.version, kSysParaVersionWidth, info_.firmwareVersion());
    // Bytes 0..3 carry nothing the program reads; such a device keeps its own count there.
    if (faults_.countApplies)
        writeU32(Bytes(rec), 0, readU32(sysPara_, 0) + 1);
    info_.setDevNo(readI32(r, L.devNo));
    info_.setDevName(readFixedText(r, L.devName, kSysParaTextWidth));
    info_.setMac(rec.data() + L.mac);
    info_.setIp(readIp(r, L.ip));
    info_.setMask(readIp(r, L.mask));
    info_.setGateway(readIp(r, L.gateway));
    info_.setDns1(readIp(r, L.dns1));
    info_.setDns2(readIp(r, L.dns2));
    info_.setServerIp(readIp(r, L.serverIp));
    info_.setAltServerIp(readIp(r, L.altServerIp));
    for (int i = 0; i < 8; ++i)
        info_.setGroupNo(i, rec[L.groupNos + static_cast<std::size_t>(i)]);
    sysPara_ = std::move(rec);
    addressChanged = info_.ip() != oldIp;
}

void SimDevice::setFirmware(const std::string& version)
{
    info_.setFirmwareVersion(version);
    const SysParaLayout& from = layout();
    const SysParaLayout& to = sysParaLayout(layoutForFirmware(version) == 436);
    if (&from != &to) {
        sysPara_ = convertRecord(sysPara_, from, to);
        pending_.reset();
    }
    writeFixedText(Bytes(sysPara_), to.version, kSysParaVersionWidth, version);
}

// Packets of one transfer come numbered 1..P; packet 1 (or another count)
// starts over, so a repeated download replaces a half-received one.
void SimDevice::takeBookPacket(const Packet& req)
{
    const ConstBytes p = req.payload();
    const std::size_t count = req.packetCount(), no = req.packetNo();
    if (!macIs(p, 0) || count == 0 || count > kBookMaxPackets || no < 1 || no > count)
        return;
    if (no == 1 || count != bookPackets_) {
        bookPackets_ = count;
        bookBuf_.assign(count * kBookPacketSize, 0);
        bookGot_.assign(count, false);
    }
    const std::size_t n = std::min(p.size() - 6, kBookPacketSize);
    std::copy_n(p.begin() + 6, n, bookBuf_.begin() + static_cast<std::ptrdiff_t>((no - 1) * kBookPacketSize));
    bookGot_[no - 1] = true;
    if (!std::all_of(bookGot_.begin(), bookGot_.end(), [](bool b) { return b; }))
        return;
    const std::size_t size = readU16(bookBuf_, 4);
    if (std::memcmp(bookBuf_.data(), "BOOK", 4) == 0 && size >= 18 && size <= bookBuf_.size()) {
        book_.assign(bookBuf_.begin(), bookBuf_.begin() + static_cast<std::ptrdiff_t>(size));
        ++bookUpdates_;
    } else {
        ++bookRejected_;
    }
    bookPackets_ = 0;
}

// Header (packet 0) then data packets 1..N. Returns whether to acknowledge.
bool SimDevice::takeUpgradePacket(const Packet& req, std::uint16_t& pollMark, Clock::time_point now)
{
    const ConstBytes p = req.payload();
    const std::size_t count = req.packetCount(), no = req.packetNo();
    if (no == 0) {
        if (p.size() < kUpgradeHeaderSize)
            return false;
        if (faults_.headerVerdict)
            pollMark = *faults_.headerVerdict;
        else if (!inBoot_)
            pollMark = 2; // the application cannot overwrite itself
        else
            pollMark = readFixedText(p, 80, 48) == info_.modelText() ? 0 : 1;
        upgradePackets_ = 0;
        if (pollMark == 0 && count > 0) {
            upgradePackets_ = count;
            upgradeDone_ = false;
            upgradeLastLen_ = 0;
            upgradeHeader_.assign(p.begin(), p.begin() + kUpgradeHeaderSize);
            upgradeBuf_.assign(count * kUpgradePacketSize, 0);
            upgradeGot_.assign(count, false);
        }
        return true;
    }
    if (upgradePackets_ == 0 || count != upgradePackets_ || no > count || p.size() > kUpgradePacketSize)
        return false;
    if (faults_.dropUpgradePacket > 0 && no == static_cast<std::size_t>(faults_.dropUpgradePacket))
        return false; // taken in, never stored nor acknowledged
    // A packet repeated after a lost acknowledgement is stored again and
    // acknowledged again, also after the image was installed.
    std::copy(p.begin(), p.end(), upgradeBuf_.begin() + static_cast<std::ptrdiff_t>((no - 1) * kUpgradePacketSize));
    if (no == count)
        upgradeLastLen_ = p.size();
    upgradeGot_[no - 1] = true;
    if (!upgradeDone_ && std::all_of(upgradeGot_.begin(), upgradeGot_.end(), [](bool b) { return b; })) {
        // The last packet's length may include the pad byte of an odd image.
        firmwareImage_.assign(upgradeBuf_.begin(),
                              upgradeBuf_.begin() +
                                  static_cast<std::ptrdiff_t>((count - 1) * kUpgradePacketSize + upgradeLastLen_));
        const std::string version = readFixedText(upgradeHeader_, 32, 16);
        if (!version.empty() && version.size() < 16 && !faults_.keepOldVersion)
            setFirmware(version);
        // The acknowledgement of the last packet still goes out; then the
        // device restarts into the new image.
        if (faults_.restartMs > 0)
            unreachableUntil_ = now + std::chrono::milliseconds(faults_.restartMs);
        inBoot_ = false;
        upgradeDone_ = true;
        ++upgradesInstalled_;
    }
    return true;
}

DeviceSnapshot SimDevice::snapshot() const
{
    std::lock_guard lock(m_);
    DeviceSnapshot s;
    s.info = currentInfo();
    s.sysPara = sysPara_;
    s.pendingPara = pending_;
    s.layout = static_cast<int>(sysPara_.size());
    s.addrBook = book_;
    s.addrBookUpdates = bookUpdates_;
    s.addrBookRejected = bookRejected_;
    s.inBoot = inBoot_;
    s.upgradeHeader = upgradeHeader_;
    s.firmwareImage = firmwareImage_;
    s.upgradesInstalled = upgradesInstalled_;
    s.screen = screen_;
    s.screenBootMode = screenBootMode_;
    s.screenFlash = screenFlash_;
    s.screenUpgradesEnded = screenEnds_;
    s.clock = clock_;
    s.timeSyncs = timeSyncs_;
    s.faults = faults_;
    s.remote = remote_;
    s.iface = attachedIface_;
    return s;
}

void SimDevice::setFaults(const Faults& f)
{
    std::lock_guard lock(m_);
    faults_ = f;
}

void SimDevice::setScreenBootMode(bool on)
{
    std::lock_guard lock(m_);
    screenBootMode_ = on;
}

std::vector<TrafficEntry> SimDevice::traffic() const
{
    std::lock_guard lock(m_);
    return traffic_;
}

void SimDevice::clearTraffic()
{
    std::lock_guard lock(m_);
    traffic_.clear();
}

} // namespace aulira::sim
