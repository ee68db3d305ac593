// auctl upgrade firmware|screen: the batch upgrade dialogs from a terminal.
// The file is checked as the dialog checks it, the batch lists the devices
// the dialog would list, the named ones (or all) are ticked, and the batch's
// progress and failures are shown per device.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <iostream>
#include <map>
#include <mutex>
#include <set>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "CliSession.h"
#include "shell/Strings.h"
#include "shell/Translate.h"
#include "shell/TextCodec.h"
#include "upgrade/UpgradeBatch.h"
#include "upgrade/UpgradeFile.h"
#include "upgrade/UpgradeReport.h"
#include "upgrade/UpgradeVerify.h"
#include "util/AtomicFile.h"
#include "util/Csv.h"
#include "util/Ipv4.h"
#include "util/PathText.h"

namespace aulira::cli {

namespace {

// Keys in the order the events are documented in.
using json = nlohmann::ordered_json;

bool stdoutIsTerminal(const std::ostream& out)
{
    if (&out != &std::cout)
        return false;
#ifdef _WIN32
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

// One row per ticked device and batch: what the report keeps (core's
// result), and how the progress column shows it.
struct Row : UpgradeResult {
    std::string tag;
    int percent = 0;
};

// The report: one row per device and batch. CSV or JSON by the file's
// extension, written whole beside the target and renamed over it.
bool writeReport(const std::filesystem::path& path, const std::vector<Row>& rows, std::string* error)
{
    std::string ext = pathToUtf8(path.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext != ".json")
        return writeUpgradeReportCsv(path, std::vector<UpgradeResult>(rows.begin(), rows.end()), false, error);
    json arr = json::array();
    for (const auto& r : rows)
        arr.push_back({{"address", r.ip}, {"mac", r.mac}, {"name", r.name}, {"model", r.model},
                       {"version_before", r.versionBefore}, {"version_after", r.versionAfter},
                       {"result", r.resultText()}, {"start", upgradeIsoTime(r.start)}, {"end", upgradeIsoTime(r.end)},
                       {"duration_s", r.durationText()}});
    const std::string text = jsonText(arr, 2) + "\n";
    return writeFileAtomically(path, ConstBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                               error);
}

// Prints the batch's notifications: JSON lines, plain lines, or progress bars
// redrawn in place on a terminal. Calls come on the batch's thread while the
// command's thread waits for the batch, so only one thread prints at a time.
class Printer : public UpgradeListener {
public:
    enum class Mode { Json, Lines, Bars };

    Printer(std::vector<Row>& rows, Mode mode, std::ostream& out) : rows_(rows), mode_(mode), out_(out) {}

    void line(const std::string& text)
    {
        out_ << text << "\n";
        out_.flush();
    }

    void begin()
    {
        for (auto& r : rows_) {
            r.percent = 0;
            r.reset();
        }
        if (mode_ == Mode::Bars) {
            for (const auto& r : rows_)
                out_ << barLine(r) << "\n";
            out_.flush();
        }
    }

    void progress(const DeviceItemPtr& item, int percent) override
    {
        Row* r = find(item);
        if (r) {
            r->percent = percent;
            r->onProgress();
        }
        const std::string ip = r ? r->ip : ipOf(item);
        switch (mode_) {
        case Mode::Json:
            line(jsonText(json{{"event", "progress"}, {"device", ip}, {"percent", percent}}));
            break;
        case Mode::Lines:
            line((r ? r->tag : ip) + " " + std::to_string(percent) + "%");
            break;
        case Mode::Bars:
            redraw();
            break;
        }
    }

    void failure(const DeviceItemPtr& item, const std::string& text) override
    {
        Row* r = find(item);
        if (r)
            r->onFailure(text);
        failed_.insert(item);
        const std::string ip = r ? r->ip : ipOf(item);
        switch (mode_) {
        case Mode::Json:
            if (saysLeftInBootLoader(text))
                line(jsonText(json{{"event", "failure"}, {"device", ip}, {"text", text}, {"bootLoader", true}}));
            else
                line(jsonText(json{{"event", "failure"}, {"device", ip}, {"text", text}}));
            break;
        case Mode::Lines:
            line(formatText(translate("auctl", "%1 failed: %2"), {r ? r->tag : ip, text}));
            break;
        case Mode::Bars:
            redraw();
            break;
        }
    }

    void deviceStart(const DeviceItemPtr& item) override
    {
        if (Row* r = find(item))
            r->onStart();
    }

    void deviceEnd(const DeviceItemPtr& item, bool upgraded) override
    {
        if (Row* r = find(item))
            r->onEnd(upgraded);
        if (upgraded)
            failed_.erase(item);
        else
            failed_.insert(item);
    }

    void batchEnd() override
    {
        if (mode_ == Mode::Json)
            line(jsonText(json{{"event", "end"}}));
        else
            line(oneLine(stringText(IDS_UPGRADE_COMPLETED)));
    }

    // The devices that failed in the batches so far; cleared per batch.
    std::set<DeviceItemPtr>& failed() { return failed_; }

private:
    Row* find(const DeviceItemPtr& item)
    {
        auto it = std::find_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.item == item; });
        return it == rows_.end() ? nullptr : &*it;
    }

    static std::string ipOf(const DeviceItemPtr& item) { return item ? formatIp(item->ip) : std::string(); }

    std::string barLine(const Row& r) const
    {
        std::string s = r.tag;
        if (s.size() < 28)
            s.append(28 - s.size(), ' ');
        s += " ";
        if (!r.failure.empty())
            return s + r.failure;
        constexpr int kWidth = 30;
        const int filled = r.percent * kWidth / 100;
        s += "[" + std::string(static_cast<std::size_t>(filled), '#') +
             std::string(static_cast<std::size_t>(kWidth - filled), '-') + "] " + std::to_string(r.percent) + "%";
        return s;
    }

    // Back to the first bar, rewrite every bar, end below the last one.
    void redraw()
    {
        out_ << "\x1b[" << rows_.size() << "F";
        for (const auto& r : rows_)
            out_ << "\x1b[2K" << barLine(r) << "\n";
        out_.flush();
    }

    std::vector<Row>& rows_;
    const Mode mode_;
    std::ostream& out_;
    std::set<DeviceItemPtr> failed_;
};

std::string notListedText(UpgradeBatch::Kind kind, const std::string& device)
{
    if (kind == UpgradeBatch::Kind::Firmware)
        return formatText(translate("auctl", "%1 is not online, so the firmware batch does not list it"), {device});
    return formatText(translate("auctl", "%1 is not an online call station with a screen (KS-530, KS-530A, KS-530B or "
                                         "KS-530D), so the screen batch does not list it"),
                      {device});
}

} // namespace

int cmdUpgrade(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, translate("auctl", "upgrade needs firmware or screen"));
    const std::string sub = args.front();
    args.erase(args.begin());
    UpgradeBatch::Kind kind;
    if (sub == "firmware")
        kind = UpgradeBatch::Kind::Firmware;
    else if (sub == "screen")
        kind = UpgradeBatch::Kind::Screen;
    else
        return usage(err, formatText(translate("auctl", "unknown upgrade command %1"), {sub}));

    bool retryFailed = false, verify = kind == UpgradeBatch::Kind::Firmware;
    int parallel = 4, retries = 0, verifySeconds = 60, restartWaitSeconds = kDefaultRestartWaitMs / 1000;
    std::vector<std::filesystem::path> reports;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto number = [&](int lo, int hi, int& v) {
            if (i + 1 >= args.size())
                return false;
            const std::string& t = args[++i];
            const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
            return ec == std::errc() && p == t.data() + t.size() && v >= lo && v <= hi;
        };
        if (a == "--retry-failed")
            retryFailed = true;
        else if (a == "--no-verify")
            verify = false;
        else if (a == "--parallel") {
            if (!number(1, kMaxUpgradeParallel, parallel))
                return usage(err, "--parallel needs a number from 1 to " + std::to_string(kMaxUpgradeParallel));
        } else if (a == "--retries") {
            if (!number(0, 100, retries))
                return usage(err, translate("auctl", "--retries needs a number from 0 to 100"));
        } else if (a == "--verify-timeout") {
            if (!number(0, 3600, verifySeconds))
                return usage(err, translate("auctl", "--verify-timeout needs a number of seconds from 0 to 3600"));
        } else if (a == "--restart-wait") {
            if (!number(0, 600, restartWaitSeconds))
                return usage(err, translate("auctl", "--restart-wait needs a number of seconds from 0 to 600"));
        } else if (a == "--report") {
            if (i + 1 >= args.size())
                return usage(err, translate("auctl", "--report needs a FILE.csv or FILE.json"));
            reports.push_back(pathFromUtf8(args[++i]));
        } else if (a.rfind("--", 0) == 0)
            return usage(err, formatText(translate("auctl", "unknown upgrade option %1"), {a}));
        else
            positional.push_back(a);
    }
    if (positional.empty())
        return usage(err, formatText(translate("auctl", "upgrade %1 needs an upgrade FILE"), {sub}));
    const std::string file = positional.front();
    const std::vector<std::string> named(positional.begin() + 1, positional.end());

    // The file first, as the dialog checks it before Upgrade can be pressed.
    const UpgradeFileCheck check = CheckUpgradeFile(pathFromUtf8(file));
    if (!check.ok())
        return refuse(err, file + ": " + check.text());
    // The screen batch would end without a word for another model's file.
    if (kind == UpgradeBatch::Kind::Screen && check.header.modelText() != kScreenFileModel)
        return refuse(err, formatText(translate("auctl", "%1 is an upgrade file for the model %2; screen firmware "
                                                         "files are for the %3 screen"),
                                      {file, ansiToUtf8(check.header.modelText()), kScreenFileModel}));

    Session s(g, err);
    if (auto e = s.open(true); !e.empty())
        return refuse(err, e);
    if (auto e = s.searchAndPoll(); !e.empty())
        return refuse(err, e);
    DeviceList& list = s.manager().devices();
    const std::vector<DeviceItemPtr> listed =
        kind == UpgradeBatch::Kind::Firmware ? firmwareBatchDevices(list) : screenBatchDevices(list);

    std::vector<DeviceItemPtr> ticked;
    for (const auto& name : named) {
        DeviceItemPtr item = s.findDevice(name);
        if (!item)
            return refuse(err,
                          formatText(translate("auctl", "no device with the address or number %1 was found"), {name}));
        if (std::find(listed.begin(), listed.end(), item) == listed.end())
            return refuse(err, notListedText(kind, name));
        if (std::find(ticked.begin(), ticked.end(), item) == ticked.end())
            ticked.push_back(item);
    }
    if (named.empty())
        ticked = listed;
    if (listed.empty())
        return refuse(err, stringText(IDS_UPGRADE_SELECT_DEVICE));

    s.note(formatText(translate("auctl", "upgrade file %1: version %2, compiled %3, model %4"),
                      {file, ansiToUtf8(check.header.version()), ansiToUtf8(check.header.buildDate()),
                       ansiToUtf8(check.header.modelText())}));

    std::vector<Row> rows;
    {
        std::lock_guard lock(list.mutex());
        for (const auto& item : listed)
            if (std::find(ticked.begin(), ticked.end(), item) != ticked.end()) {
                Row r;
                static_cast<UpgradeResult&>(r) = UpgradeResult::of(item);
                r.tag = deviceTag(r.name, item->ip);
                rows.push_back(std::move(r));
            }
    }
    const auto mode = g.json ? Printer::Mode::Json
                      : stdoutIsTerminal(out) ? Printer::Mode::Bars
                                              : Printer::Mode::Lines;
    Printer printer(rows, mode, out);
    std::vector<Row> report; // every batch's rows, for the report
    const std::string fileModel = check.header.modelText();

    auto runBatch = [&](const std::vector<DeviceItemPtr>& tick) {
        tickUpgradeRows(list, listed, tick);
        printer.failed().clear();
        printer.begin();
        UpgradeBatch batch;
        UpgradeBatchInput input{pathFromUtf8(file), listed, &printer, &list};
        input.parallel = parallel;
        input.retries = retries;
        batch.start(kind, std::move(input));
        batch.wait();
        // A row the batch passed over without a word: another model than the
        // file's, or the batch ended at an earlier device. Nothing was sent to it.
        std::vector<UpgradeResult> settled(rows.begin(), rows.end());
        settleUpgradeResults(settled, kind == UpgradeBatch::Kind::Firmware, fileModel, list,
                             [&](const UpgradeResult& r) {
                                 const std::string tag = deviceTag(r.name, r.item->ip);
                                 if (r.outcome == UpgradeResult::Outcome::OtherModel) {
                                     std::string model;
                                     {
                                         std::lock_guard lock(list.mutex());
                                         model = upgradeModelText(r.item->devItem);
                                     }
                                     s.note(formatText(translate("auctl", "%1: not upgraded, its model %2 differs "
                                                                          "from the file's (%3)"),
                                                       {tag, ansiToUtf8(model), ansiToUtf8(fileModel)}));
                                 } else {
                                     printer.failed().insert(r.item);
                                     s.note(formatText(translate("auctl", "%1: not upgraded, the batch ended before it"),
                                                       {tag}));
                                 }
                             });
        for (std::size_t i = 0; i < rows.size(); ++i)
            static_cast<UpgradeResult&>(rows[i]) = settled[i];
    };
    runBatch(ticked);

    if (retryFailed && !printer.failed().empty()) {
        std::vector<DeviceItemPtr> again;
        for (const auto& item : ticked)
            if (printer.failed().count(item))
                again.push_back(item);
        s.note(formatText(again.size() == 1 ? translate("auctl", "trying the %1 failed device once more")
                                            : translate("auctl", "trying the %1 failed devices once more"),
                          {std::to_string(again.size())}));
        report.insert(report.end(), rows.begin(), rows.end());
        std::erase_if(rows, [&](const Row& r) { return !printer.failed().count(r.item); });
        runBatch(again);
    }

    report.insert(report.end(), rows.begin(), rows.end());
    // Each device's last row is where it stands.
    std::vector<Row*> finals;
    for (auto it = report.rbegin(); it != report.rend(); ++it)
        if (std::none_of(finals.begin(), finals.end(), [&](const Row* f) { return f->item == it->item; }))
            finals.insert(finals.begin(), &*it);

    // Where the file names a version, the upgraded devices are asked again
    // once they have had time to restart.
    const std::string version = check.header.version();
    verify = verify && !version.empty();
    if (verify) {
        std::vector<UpgradeResult*> upgraded;
        for (Row* f : finals)
            if (f->outcome == UpgradeResult::Outcome::Upgraded)
                upgraded.push_back(f);
        if (!upgraded.empty()) {
            s.note(formatText(upgraded.size() == 1
                                  ? translate("auctl", "waiting up to %1 s for %2 device to report version %3")
                                  : translate("auctl", "waiting up to %1 s for %2 devices to report version %3"),
                              {std::to_string(restartWaitSeconds + verifySeconds), std::to_string(upgraded.size()),
                               ansiToUtf8(version)}));
            verifyUpgradeResults(upgraded, version, verifySeconds * 1000, list, {}, restartWaitSeconds * 1000);
            // The saved entries keep the versions the devices now report.
            s.manager().saveDeviceList();
            for (Row* f : finals) {
                Row& r = *f;
                if (!r.verified)
                    continue;
                if (g.json)
                    printer.line(jsonText(json{{"event", "verify"}, {"device", r.ip}, {"result", r.resultText()},
                                               {"version", r.versionAfter}}));
                else
                    printer.line(r.tag + " " + r.resultText() +
                                 (r.versionAfter.empty() || r.verified == VerifyResult::OtherVersion
                                      ? std::string()
                                      : " (" + r.versionAfter + ")"));
            }
        }
    }
    int rc = EXIT_OK;
    for (const auto& path : reports) {
        std::string error;
        if (!writeReport(path, report, &error))
            rc = refuse(err, formatText(translate("auctl", "cannot write %1: %2"), {pathToUtf8(path), error}));
    }
    const bool allGood = std::all_of(finals.begin(), finals.end(), [&](const Row* r) { return r->succeeded(verify); });
    return allGood ? rc : EXIT_REFUSED;
}

} // namespace aulira::cli
