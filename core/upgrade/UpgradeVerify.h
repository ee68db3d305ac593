#pragma once
// After a firmware batch: asking the upgraded devices again, once they have
// had time to restart, whether they now run the file's version.
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace aulira {

enum class VerifyResult { Verified, StillOld, OtherVersion, InBootLoader, NotSeen };

// How long a device takes to restart into a new image before it is first
// asked (a setting of the front ends).
inline constexpr int kDefaultRestartWaitMs = 5000;

// "verified", "still old version", "reports version X" (with the version),
// "still in the boot loader: run the upgrade again", "not seen again".
std::string verifyResultText(VerifyResult r, const std::string& version = {});

// Version texts as devices and files write them: case, surrounding spaces and
// a leading "V" do not count.
bool sameVersion(const std::string& a, const std::string& b);

struct VerifyTarget {
    std::string localIp; // the adapter that last reached the device
    std::uint32_t ip = 0;
    std::string versionBefore; // what it reported before the batch
};

struct VerifyOutcome {
    VerifyResult result = VerifyResult::NotSeen;
    std::string version; // the last version the device reported, empty when it never answered
};

// Waits restartWaitMs, then asks each target for its identity (as a search
// does, by unicast) in rounds until it reports `version` or timeoutMs have
// passed since the first round. Then a device that reports its version from
// before is "still old version", one whose type code has bit 31 set is still
// in its boot loader, one that reports a third version "reports version X",
// and one that never answered "not seen again". One outcome per target, in
// order. A stop request ends the wait and the rounds early (a window that
// closes does not wait out the time-out); what was heard by then counts.
// `onAnswer`, when given, hears each target's outcome as soon as an answer
// changes it (target index and outcome), from the asking threads, several at
// once.
using VerifyAnswer = std::function<void(std::size_t, const VerifyOutcome&)>;
std::vector<VerifyOutcome> verifyFirmwareVersions(const std::vector<VerifyTarget>& targets,
                                                  const std::string& version, int timeoutMs,
                                                  std::stop_token stop = {}, int restartWaitMs = 0,
                                                  const VerifyAnswer& onAnswer = {});

} // namespace aulira
