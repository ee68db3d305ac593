// auctl upgrade firmware|screen: the batch upgrade dialogs from a terminal.
// The file is checked as the dialog checks it, the batch lists the devices
// the dialog would list, the named ones (or all) are ticked, and the batch's
// progress and failures are shown per device.
#include <algorithm>
#include <cstdio>
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
#include "shell/TextCodec.h"
#include "upgrade/UpgradeBatch.h"
#include "upgrade/UpgradeFile.h"
#include "util/Ipv4.h"

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

// One row per ticked device, as the dialog's progress column shows it.
struct Row {
    DeviceItemPtr item;
    std::string ip;
    std::string tag;
    int percent = 0;
    std::string failure;
    bool touched = false; // got any notification in this batch
};

// Prints the batch's notifications: JSON lines, plain lines, or progress bars
// redrawn in place on a terminal. Calls come on the batch's thread while the
// command's thread waits for the batch, so only one thread prints at a time.
class Printer : public UpgradeListener {
public:
    enum class Mode { Json, Lines, Bars };

    Printer(std::vector<Row>& rows, Mode mode, std::ostream& out) : rows_(rows), mode_(mode), out_(out) {}

    void begin()
    {
        for (auto& r : rows_) {
            r.percent = 0;
            r.failure.clear();
            r.touched = false;
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
            r->touched = true;
        }
        const std::string ip = r ? r->ip : ipOf(item);
        switch (mode_) {
        case Mode::Json:
            line(json{{"event", "progress"}, {"device", ip}, {"percent", percent}}.dump());
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
        if (r) {
            r->failure = text;
            r->touched = true;
        }
        failed_.insert(item);
        const std::string ip = r ? r->ip : ipOf(item);
        switch (mode_) {
        case Mode::Json:
            line(json{{"event", "failure"}, {"device", ip}, {"text", text}}.dump());
            break;
        case Mode::Lines:
            line((r ? r->tag : ip) + " failed: " + text);
            break;
        case Mode::Bars:
            redraw();
            break;
        }
    }

    void batchEnd() override
    {
        if (mode_ == Mode::Json)
            line(json{{"event", "end"}}.dump());
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

    void line(const std::string& text)
    {
        out_ << text << "\n";
        out_.flush();
    }

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
        return device + " is not online, so the firmware batch does not list it";
    return device + " is not an online call station with a screen (KS-530, KS-530A, KS-530B or KS-530D), so the "
                    "screen batch does not list it";
}

} // namespace

int cmdUpgrade(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "upgrade needs firmware or screen");
    const std::string sub = args.front();
    args.erase(args.begin());
    UpgradeBatch::Kind kind;
    if (sub == "firmware")
        kind = UpgradeBatch::Kind::Firmware;
    else if (sub == "screen")
        kind = UpgradeBatch::Kind::Screen;
    else
        return usage(err, "unknown upgrade command " + sub);

    bool retryFailed = false;
    std::vector<std::string> positional;
    for (const auto& a : args) {
        if (a == "--retry-failed")
            retryFailed = true;
        else if (a.rfind("--", 0) == 0)
            return usage(err, "unknown upgrade option " + a);
        else
            positional.push_back(a);
    }
    if (positional.empty())
        return usage(err, "upgrade " + sub + " needs an upgrade FILE");
    const std::string file = positional.front();
    const std::vector<std::string> named(positional.begin() + 1, positional.end());

    // The file first, as the dialog checks it before Upgrade can be pressed.
    const UpgradeFileCheck check = CheckUpgradeFile(file);
    if (!check.ok())
        return refuse(err, file + ": " + check.text());
    // The screen batch would end without a word for another model's file.
    if (kind == UpgradeBatch::Kind::Screen && check.header.modelText() != kScreenFileModel)
        return refuse(err, file + " is an upgrade file for the model " + ansiToUtf8(check.header.modelText()) +
                               "; screen firmware files are for the " + kScreenFileModel + " screen");

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
            return refuse(err, "no device with the address or number " + name + " was found");
        if (std::find(listed.begin(), listed.end(), item) == listed.end())
            return refuse(err, notListedText(kind, name));
        if (std::find(ticked.begin(), ticked.end(), item) == ticked.end())
            ticked.push_back(item);
    }
    if (named.empty())
        ticked = listed;
    if (listed.empty())
        return refuse(err, stringText(IDS_UPGRADE_SELECT_DEVICE));

    s.note("upgrade file " + file + ": version " + ansiToUtf8(check.header.version()) + ", compiled " +
           ansiToUtf8(check.header.buildDate()) + ", model " + ansiToUtf8(check.header.modelText()));

    std::vector<Row> rows;
    {
        std::lock_guard lock(list.mutex());
        for (const auto& item : listed)
            if (std::find(ticked.begin(), ticked.end(), item) != ticked.end())
                rows.push_back(Row{item, formatIp(item->ip), deviceTag(ansiToUtf8(item->devItem.devName()), item->ip), 0, {}, false});
    }
    const auto mode = g.json ? Printer::Mode::Json
                      : stdoutIsTerminal(out) ? Printer::Mode::Bars
                                              : Printer::Mode::Lines;
    Printer printer(rows, mode, out);

    auto runBatch = [&](const std::vector<DeviceItemPtr>& tick) {
        tickUpgradeRows(list, listed, tick);
        printer.failed().clear();
        printer.begin();
        UpgradeBatch batch;
        batch.start(kind, UpgradeBatchInput{file, listed, &printer, &list});
        batch.wait();
    };
    runBatch(ticked);

    if (retryFailed && !printer.failed().empty()) {
        std::vector<DeviceItemPtr> again;
        for (const auto& item : ticked)
            if (printer.failed().count(item))
                again.push_back(item);
        s.note("trying the " + std::to_string(again.size()) + " failed device" + (again.size() == 1 ? "" : "s") +
               " once more");
        std::erase_if(rows, [&](const Row& r) { return !printer.failed().count(r.item); });
        runBatch(again);
    }

    // A row the batch passed over without a word: another model than the
    // file's, or the batch ended at an earlier device. Nothing was sent to it.
    if (!g.json) {
        const std::string fileModel = check.header.modelText();
        for (const auto& r : rows) {
            if (r.touched)
                continue;
            std::string model;
            {
                std::lock_guard lock(list.mutex());
                model = upgradeModelText(r.item->devItem);
            }
            if (kind == UpgradeBatch::Kind::Firmware && model != fileModel)
                s.note(r.tag + ": not upgraded, its model " + ansiToUtf8(model) + " differs from the file's (" +
                       ansiToUtf8(fileModel) + ")");
            else
                s.note(r.tag + ": not upgraded, the batch ended before it");
        }
    }
    return printer.failed().empty() ? EXIT_OK : EXIT_REFUSED;
}

} // namespace aulira::cli
