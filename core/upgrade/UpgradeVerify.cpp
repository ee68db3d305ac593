#include "upgrade/UpgradeVerify.h"

#include <algorithm>
#include <cctype>
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

std::string verifyResultText(VerifyResult r, const std::string& version)
{
    switch (r) {
    case VerifyResult::Verified:
        return "verified";
    case VerifyResult::StillOld:
        return "still old version";
    case VerifyResult::OtherVersion:
        return "reports version " + version;
    case VerifyResult::InBootLoader:
        return "still in the boot loader: run the upgrade again";
    case VerifyResult::NotSeen:
        break;
    }
    return "not seen again";
}

namespace {

std::string versionKey(const std::string& text)
{
    std::string s = text.substr(0, text.find('\0'));
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!s.empty() && isSpace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    std::size_t b = 0;
    while (b < s.size() && isSpace(static_cast<unsigned char>(s[b])))
        ++b;
    s.erase(0, b);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!s.empty() && s.front() == 'v')
        s.erase(0, 1);
    return s;
}

void pause(std::stop_token stop, std::chrono::milliseconds ms)
{
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    cv.wait_for(lock, stop, ms, [] { return false; });
}

} // namespace

bool sameVersion(const std::string& a, const std::string& b) { return versionKey(a) == versionKey(b); }

std::vector<VerifyOutcome> verifyFirmwareVersions(const std::vector<VerifyTarget>& targets,
                                                  const std::string& version, int timeoutMs,
                                                  std::stop_token stop, int restartWaitMs,
                                                  const VerifyAnswer& onAnswer)
{
    using Clock = std::chrono::steady_clock;
    // A device asked while it still runs its old image would answer with it.
    if (restartWaitMs > 0 && !targets.empty())
        pause(stop, std::chrono::milliseconds(restartWaitMs));
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
            VerifyOutcome now{VerifyResult::StillOld, info.firmwareVersion()};
            if (info.typeCode() < 0)
                now.result = VerifyResult::InBootLoader;
            else if (sameVersion(now.version, version))
                now.result = VerifyResult::Verified;
            else if (!sameVersion(now.version, targets[i].versionBefore))
                now.result = VerifyResult::OtherVersion;
            const bool changed = now.result != out[i].result || now.version != out[i].version;
            out[i] = now;
            if (changed && onAnswer)
                onAnswer(i, out[i]);
        });
        if (Clock::now() + kVerifyRoundPause > deadline)
            break;
        pause(stop, kVerifyRoundPause);
    }
    return out;
}

} // namespace aulira
