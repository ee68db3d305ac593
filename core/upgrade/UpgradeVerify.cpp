#include "upgrade/UpgradeVerify.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "devices/DeviceInfo.h"
#include "protocol/Exchange.h"
#include "protocol/StatusPoll.h"
#include "util/AtATime.h"

namespace aulira {

namespace {
// Devices asked at once, and the pause between rounds: a restarting device
// needs seconds, not milliseconds.
constexpr int kVerifyAtATime = 32;
constexpr auto kVerifyRoundPause = std::chrono::milliseconds(500);
} // namespace

const char* verifyResultText(VerifyResult r)
{
    switch (r) {
    case VerifyResult::Verified:
        return "verified";
    case VerifyResult::StillOld:
        return "still old version";
    case VerifyResult::NotSeen:
        break;
    }
    return "not seen again";
}

std::vector<VerifyOutcome> verifyFirmwareVersions(const std::vector<VerifyTarget>& targets,
                                                  const std::string& version, int timeoutMs,
                                                  std::stop_token stop, const VerifyAnswer& onAnswer)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::vector<VerifyOutcome> out(targets.size());
    for (;;) {
        std::vector<std::size_t> open;
        for (std::size_t i = 0; i < targets.size(); ++i)
            if (out[i].result != VerifyResult::Verified)
                open.push_back(i);
        if (open.empty() || stop.stop_requested())
            break;
        runAtATime(open.size(), kVerifyAtATime, [&](std::size_t k) {
            const std::size_t i = open[k];
            Packet request = Packet::request(CMD_SEARCH, 0, kPollMark);
            Packet reply;
            if (ExchangeUnicast(targets[i].localIp, targets[i].ip, request, reply, 1) != RES_OK)
                return;
            DeviceInfo_Type info;
            const ConstBytes p = reply.payload();
            std::copy_n(p.begin(), std::min(p.size(), info.raw.size()), info.raw.begin());
            VerifyOutcome now{info.firmwareVersion() == version ? VerifyResult::Verified : VerifyResult::StillOld,
                              info.firmwareVersion()};
            const bool changed = now.result != out[i].result || now.version != out[i].version;
            out[i] = now;
            if (changed && onAnswer)
                onAnswer(i, out[i]);
        });
        if (Clock::now() + kVerifyRoundPause > deadline)
            break;
        std::mutex m;
        std::condition_variable_any cv;
        std::unique_lock lock(m);
        cv.wait_for(lock, stop, kVerifyRoundPause, [] { return false; });
    }
    return out;
}

} // namespace aulira
