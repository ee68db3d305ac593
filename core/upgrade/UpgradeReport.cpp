#include "upgrade/UpgradeReport.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <mutex>

#include "devices/DeviceList.h"
#include "shell/TextCodec.h"
#include "upgrade/UpgradeBatch.h"
#include "util/AtomicFile.h"
#include "util/Csv.h"
#include "util/Ipv4.h"

namespace aulira {

UpgradeResult UpgradeResult::of(const DeviceItemPtr& item)
{
    UpgradeResult r;
    r.item = item;
    r.ip = formatIp(item->ip);
    r.mac = formatMac(item->devItem.mac());
    r.name = ansiToUtf8(item->devItem.devName());
    r.model = ansiToUtf8(upgradeModelText(item->devItem));
    r.versionBefore = ansiToUtf8(item->devItem.firmwareVersion());
    return r;
}

void UpgradeResult::reset()
{
    outcome = Outcome::NotReached;
    failure.clear();
    touched = false;
    verified.reset();
    versionAfter.clear();
    start.reset();
    end.reset();
}

void UpgradeResult::onProgress()
{
    failure.clear(); // another attempt is under way
    touched = true;
}

void UpgradeResult::onFailure(const std::string& text)
{
    failure = text;
    touched = true;
}

void UpgradeResult::onStart(TimePoint when) { start = when; }

void UpgradeResult::onEnd(bool upgraded, TimePoint when)
{
    end = when;
    outcome = upgraded ? Outcome::Upgraded : Outcome::Failed;
    if (upgraded)
        failure.clear(); // an earlier attempt's text no longer holds
}

bool UpgradeResult::succeeded(bool verifying) const
{
    if (outcome == Outcome::OtherModel)
        return true;
    return outcome == Outcome::Upgraded && (!verifying || verified == VerifyResult::Verified);
}

std::string UpgradeResult::resultText() const
{
    switch (outcome) {
    case Outcome::Upgraded:
        return verified ? verifyResultText(*verified, versionAfter) : "upgraded";
    case Outcome::Failed:
        return failure;
    case Outcome::OtherModel:
        return "not upgraded: another model than the file's";
    case Outcome::NotReached:
        break;
    }
    return "not upgraded: the batch ended before it";
}

std::string UpgradeResult::durationText() const
{
    if (!start || !end)
        return {};
    const double s = std::chrono::duration<double>(*end - *start).count();
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::max(s, 0.0));
    return text;
}

void settleUpgradeResults(std::vector<UpgradeResult>& results, bool firmware, const std::string& fileModel,
                          DeviceList& list, const std::function<void(const UpgradeResult&)>& note)
{
    for (auto& r : results) {
        if (r.outcome != UpgradeResult::Outcome::NotReached)
            continue;
        if (r.touched) {
            // Failed before it was taken up (no socket): a text but no end.
            if (!r.failure.empty())
                r.outcome = UpgradeResult::Outcome::Failed;
            continue;
        }
        std::string model;
        {
            std::lock_guard lock(list.mutex());
            model = upgradeModelText(r.item->devItem);
        }
        if (firmware && model != fileModel)
            r.outcome = UpgradeResult::Outcome::OtherModel;
        if (note)
            note(r);
    }
}

std::size_t verifyUpgradeResults(const std::vector<UpgradeResult*>& results, const std::string& version,
                                 int timeoutMs, DeviceList& list, std::stop_token stop, int restartWaitMs,
                                 const std::function<void(const UpgradeResult&)>& onAnswer)
{
    std::vector<VerifyTarget> targets;
    std::vector<UpgradeResult*> asked;
    for (UpgradeResult* r : results)
        if (r->outcome == UpgradeResult::Outcome::Upgraded) {
            std::lock_guard lock(list.mutex());
            targets.push_back({r->item->localIp, r->item->ip, utf8ToAnsi(r->versionBefore).value_or(std::string())});
            asked.push_back(r);
        }
    if (targets.empty())
        return 0;
    auto take = [&](std::size_t i, const VerifyOutcome& o) {
        asked[i]->verified = o.result;
        asked[i]->versionAfter = ansiToUtf8(o.version);
    };
    const auto outcomes = verifyFirmwareVersions(
        targets, version, timeoutMs, std::move(stop), restartWaitMs, [&](std::size_t i, const VerifyOutcome& o) {
            take(i, o);
            // The list, the properties and an export show what the device runs now.
            const DeviceItemPtr& item = asked[i]->item;
            bool changed = false;
            {
                std::lock_guard lock(list.mutex());
                if (item->devItem.firmwareVersion() != o.version) {
                    item->devItem.setFirmwareVersion(o.version);
                    changed = true;
                }
            }
            if (changed)
                list.identityChanged(item);
            if (onAnswer)
                onAnswer(*asked[i]);
        });
    for (std::size_t i = 0; i < asked.size(); ++i) {
        take(i, outcomes[i]);
        if (outcomes[i].result == VerifyResult::InBootLoader) {
            // A later batch over it goes straight to the header.
            std::lock_guard lock(list.mutex());
            asked[i]->item->leftInBootLoader = true;
        }
    }
    return asked.size();
}

std::string upgradeIsoTime(const std::optional<UpgradeResult::TimePoint>& t)
{
    if (!t)
        return {};
    const std::time_t tt = std::chrono::system_clock::to_time_t(*t);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &tt);
#else
    gmtime_r(&tt, &tm);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::string upgradeReportCsv(const std::vector<UpgradeResult>& results, bool bom)
{
    std::string text = bom ? "\xEF\xBB\xBF" : "";
    text += "address,mac,name,model,version_before,version_after,result,start,end,duration_s\n";
    for (const auto& r : results) {
        const std::string fields[] = {r.ip,           r.mac,
                                      r.name,         r.model,
                                      r.versionBefore, r.versionAfter,
                                      r.resultText(), upgradeIsoTime(r.start),
                                      upgradeIsoTime(r.end), r.durationText()};
        // Names and models come from the devices: kept as text, never a formula.
        for (std::size_t i = 0; i < std::size(fields); ++i)
            text += (i ? "," : "") + (i == 2 || i == 3 ? csvTextField(fields[i]) : csvField(fields[i]));
        text += "\n";
    }
    return text;
}

bool writeUpgradeReportCsv(const std::filesystem::path& path, const std::vector<UpgradeResult>& results, bool bom,
                           std::string* error)
{
    const std::string text = upgradeReportCsv(results, bom);
    return writeFileAtomically(path, ConstBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                               error);
}

} // namespace aulira
