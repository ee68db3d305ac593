#pragma once
// After a firmware batch: asking the upgraded devices again, once they have
// had time to restart, whether they now run the file's version.
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace aulira {

enum class VerifyResult { Verified, StillOld, NotSeen };

// "verified", "still old version", "not seen again".
const char* verifyResultText(VerifyResult r);

struct VerifyTarget {
    std::string localIp; // the adapter that last reached the device
    std::uint32_t ip = 0;
};

struct VerifyOutcome {
    VerifyResult result = VerifyResult::NotSeen;
    std::string version; // the last version the device reported, empty when it never answered
};

// Asks each target for its identity (as a search does, by unicast) in rounds
// until it reports `version` or timeoutMs have passed since the call. A device
// that answered with another version by then is "still old version", one that
// never answered "not seen again". One outcome per target, in order. A stop
// request ends the rounds early (a window that closes does not wait out the
// time-out); what was heard by then counts. `onAnswer`, when given, hears
// each target's outcome as soon as an answer changes it (target index and
// outcome), from the asking threads, several at once.
using VerifyAnswer = std::function<void(std::size_t, const VerifyOutcome&)>;
std::vector<VerifyOutcome> verifyFirmwareVersions(const std::vector<VerifyTarget>& targets,
                                                  const std::string& version, int timeoutMs,
                                                  std::stop_token stop = {}, const VerifyAnswer& onAnswer = {});

} // namespace aulira
