#pragma once
// Taking a parameter-read reply as a record, writing a record so that a lost
// request does not end the job, and confirming a write by reading the record
// back. The apply request is never answered, so a write whose apply was lost
// looks like a success until the device is asked what it now holds. Every
// front end and every batch (parameter writes, imports, restores, MAC changes,
// group downloads) goes through these.
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceItem.h"
#include "protocol/Packet.h"
#include "util/Bytes.h"

namespace aulira {

using MacBytes = std::array<std::uint8_t, 6>;

// A read reply as a record of the layout its firmware version text claims.
struct SysParaReply {
    SysParaBuffer record{};  // the payload, zero-filled behind it
    std::int32_t paraExt = 1;
};

// Nothing when the payload is shorter than the layout it claims (392 or 436
// bytes): such a record would be shown and written back with zeros where the
// device's address and names belong.
std::optional<SysParaReply> takeSysParaReply(ConstBytes payload);

// The bytes of a written record that a read-back compares: those of the
// fields the program interprets (never the firmware's version text, never the
// bytes no field covers, which a device may use as it likes) that the write
// changed against the record as read before the edit. Without a record read
// before, every interpreted byte.
using ReadBackMask = std::bitset<kSysParaBufferSize>;
ReadBackMask changedFieldBytes(const SysParaBuffer* before, ConstBytes written, bool ext);
// A field compared whether or not it changed (the group download's group bytes).
void compareAlso(ReadBackMask& mask, std::size_t offset, std::size_t width);
// Whether readBack holds written's value in every masked byte.
bool holdsWritten(const ReadBackMask& mask, ConstBytes written, ConstBytes readBack);

// After a record was written and applied: the entry shows what the device
// now holds (number, address, name, mask, gateway, DNS and server addresses)
// and later exchanges go to its new address. The caller holds the list's lock.
void takeWrittenIdentity(DeviceItem_Type& item, ConstBytes written, bool ext);

// Where a device is asked for its record: the adapter, its address, whether
// unicast reaches it, and the MAC it answers to there.
struct ParaPlace {
    std::string localIp;
    std::uint32_t ip = 0;
    bool unicast = false;
    MacBytes mac{};
};

// Reads the record, trying an unanswered read up to `retries` more times.
// Unicast places fall back to a broadcast naming the address. RES_OK with the
// reply in `reply`, else the last exchange's result.
int ReadParaRetrying(const ParaPlace& at, Packet& reply, int retries);

// Sends the write (tried again up to `retries` more times while unanswered,
// since writing the same record twice does no harm), then the apply with
// applyMac. RES_OK once both went out, else the write's or the apply's result.
int WriteAndApply(const ParaPlace& at, ConstBytes writePayload, const MacBytes& applyMac, int retries);

// One write to confirm: where the device answers once it took the record,
// where it answered before (when that is elsewhere or by another MAC), what
// was sent and which bytes decide.
struct ParaWrite {
    ParaPlace after;
    std::optional<ParaPlace> before;
    std::vector<std::uint8_t> writePayload; // as WriteAndApply sent it
    MacBytes applyMac{};
    SysParaBuffer written{};
    bool ext = true;
    ReadBackMask mask;
    int retries = 2; // write and apply sent again at most this often when the read-back shows they did not take
};

struct ConfirmOutcome {
    // RES_OK: read back as written. RES_NOT_TAKEN: the device answered, after
    // every repeat, without what was written. RES_NOT_CONFIRMED: no answer in
    // the window, so what the device holds is not known.
    int result = RES_NOT_CONFIRMED;
    bool answeredBefore = false; // the last answer came from the place before the write
    int rewrites = 0;
};

// Reads the record back, retrying for Timing::confirmWindowMs while the device
// restarts its network; when it answers without the written bytes, sends
// write and apply again (to where it answered) and starts the window afresh,
// at most w.retries times. Thread-safe: the routine uses its own buffers.
ConfirmOutcome ConfirmParaWrite(const ParaWrite& w);

// For transfers the device never acknowledges (address books): whether the
// device with target's MAC still answers a unicast status query at target's
// address, retried over Timing::confirmWindowMs. RES_OK, or RES_NOT_CONFIRMED.
int ConfirmReachable(const ParaPlace& target);
using ConfirmTarget = ParaPlace;

} // namespace aulira
