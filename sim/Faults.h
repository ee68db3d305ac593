#pragma once
// Misbehaviour a simulated device can be told to show, to exercise the tool's
// retries, time-outs and reply checks. All of it can change while the site runs.
#include <cstdint>
#include <optional>
#include <set>

#include "UpgradePersonality.h"

namespace aulira::sim {

struct Faults {
    double dropRate = 0.0;        // share of requests lost before the device sees them (0..1)
    double replyDropRate = 0.0;   // share of replies lost after the device acted on the request
    int delayMs = 0;              // every reply leaves this much later
    int duplicateReplies = 0;     // extra copies of every reply
    bool corruptChecksum = false; // replies carry a wrong checksum
    bool wrongTargetIp = false;   // replies echo another device's address
    bool setBit15 = false;        // replies carry the command with bit 15 set (receivers must mask it)
    std::set<std::uint16_t> silentCommands; // requests the device takes in but never acts on or answers
    std::optional<std::uint16_t> headerVerdict; // verdict on an upgrade header instead of the real check
    UpgradePersonality upgrade;   // reply numbering, lost enter-boot replies, the boot loader's bit 31
    int bootUnreachableMs = 0;    // after entering its boot loader the device answers nothing this long
    int restartMs = 0;            // after taking a whole image the device restarts and answers nothing this long
    bool keepOldVersion = false;  // the restarted device still runs (and reports) its old firmware
    int paraReplyBytes = 0;       // a parameter read reply carries only this many bytes of the record; 0 = all
    int dropUpgradePacket = 0;    // data packet k (from 1) of an upgrade never gets in; 0 = none

    // Devices that keep the written contract but fill what it leaves open their own way.
    bool countApplies = false;    // each apply adds one to the u32 at bytes 0..3 of the record in use
    std::uint64_t lossSeed = 0;   // seeds this device's losses (with its MAC); 0 = the site seed

    bool operator==(const Faults&) const = default;
};

} // namespace aulira::sim
