// auctl commission and auctl site export: a whole site from one plan, and a
// site as a plan. The plan is checked whole before any device is written;
// the devices are then written a few at a time by the rules of params set.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <mutex>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "CliSession.h"
#include "rollout/Commission.h"
#include "rollout/SiteExport.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"
#include "util/PathText.h"

namespace aulira::cli {

namespace {

using json = nlohmann::ordered_json;

std::string line(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

bool isTerminal(const std::ostream& out)
{
    if (&out != &std::cout)
        return false;
#ifdef _WIN32
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

// Every error of the plan with its line and column, then the usage exit: nothing was sent.
int planErrors(const std::string& file, const std::vector<PlanError>& errors, const Globals& g, std::ostream& out,
               std::ostream& err)
{
    for (const auto& e : errors) {
        err << "auctl: " << file << ": " << oneLine(e.message()) << "\n";
        if (g.json)
            out << line({{"event", "error"}, {"line", e.line}, {"column", e.column}, {"field", e.field},
                         {"text", e.text}})
                << "\n";
    }
    err << "auctl: "
        << formatText(errors.size() == 1 ? translate("auctl", "%1 error in the plan; nothing was sent")
                                         : translate("auctl", "%1 errors in the plan; nothing was sent"),
                      {std::to_string(errors.size())})
        << "\n";
    return EXIT_USAGE;
}

std::string tagOf(const DeviceList& list, const PlannedDevice& d)
{
    if (!d.item)
        return d.device;
    std::lock_guard lock(list.mutex());
    return deviceTag(ansiToUtf8(d.item->devItem.devName()), d.item->ip);
}

// Prints the run as it goes: a progress bar per device redrawn in place on a
// terminal, else a line per step, or JSON events. Calls come from the
// engine's threads, several at once.
class RunPrinter {
public:
    enum class Mode { Json, Lines, Bars };
    RunPrinter(std::vector<std::string> tags, Mode mode, std::ostream& out)
        : tags_(std::move(tags)), percent_(tags_.size(), 0), ends_(tags_.size()), mode_(mode), out_(out)
    {
        if (mode_ == Mode::Bars) {
            for (std::size_t i = 0; i < tags_.size(); ++i)
                out_ << bar(i) << "\n";
            out_.flush();
        }
    }

    void step(std::size_t i, CommissionStep s, const std::string& ip)
    {
        std::lock_guard lock(m_);
        percent_[i] = commissionPercent(s);
        if (s == CommissionStep::Done)
            return; // the result says it
        if (mode_ == Mode::Json)
            out_ << line({{"event", "progress"}, {"device", ip}, {"line", lines_ ? (*lines_)[i] : 0},
                          {"percent", percent_[i]}})
                 << "\n";
        else if (mode_ == Mode::Lines)
            out_ << tags_[i] << " " << percent_[i] << "%\n";
        else
            redraw();
        out_.flush();
    }

    void result(const CommissionResult& r)
    {
        std::lock_guard lock(m_);
        ends_[r.index] = r.resultText() + (r.detail.empty() ? "" : ": " + r.detail);
        if (mode_ == Mode::Json)
            out_ << line({{"event", "result"}, {"line", r.line}, {"device", r.device}, {"mac", r.mac},
                          {"name", r.name}, {"ip_before", r.ipBefore}, {"ip_after", r.ipAfter}, {"fields", r.fields},
                          {"result", r.resultText()}, {"detail", r.detail}})
                 << "\n";
        else if (mode_ == Mode::Lines)
            out_ << tags_[r.index] << " " << oneLine(ends_[r.index]) << "\n";
        else
            redraw();
        out_.flush();
    }

    void setLines(const std::vector<int>* lines) { lines_ = lines; }

private:
    std::string bar(std::size_t i) const
    {
        std::string s = tags_[i];
        if (s.size() < 28)
            s.append(28 - s.size(), ' ');
        constexpr int kWidth = 30;
        const int filled = percent_[i] * kWidth / 100;
        s += " [" + std::string(static_cast<std::size_t>(filled), '#') +
             std::string(static_cast<std::size_t>(kWidth - filled), '-') + "] " + std::to_string(percent_[i]) + "%";
        return ends_[i].empty() ? s : s + " " + oneLine(ends_[i]);
    }
    void redraw()
    {
        out_ << "\x1b[" << tags_.size() << "F";
        for (std::size_t i = 0; i < tags_.size(); ++i)
            out_ << "\x1b[2K" << bar(i) << "\n";
    }

    std::mutex m_;
    std::vector<std::string> tags_;
    std::vector<int> percent_;
    std::vector<std::string> ends_;
    const std::vector<int>* lines_ = nullptr;
    const Mode mode_;
    std::ostream& out_;
};

// --dry-run: per device what a run would change, as params set --dry-run lists it.
int dryRun(const PlanReview& review, const DeviceList& list, const Globals& g, std::ostream& out)
{
    std::size_t missing = 0;
    for (const auto& d : review.devices) {
        const std::string tag = tagOf(list, d);
        if (g.json) {
            json ev{{"event", "plan"}, {"line", d.line}, {"device", d.device}};
            if (d.readable()) {
                const auto changes = changesJson(d.before, d.after, d.ext);
                ev["ip"] = formatIp(d.item->ip);
                ev["changes"] = changes["changes"];
                ev["otherBytes"] = changes["otherBytes"];
            } else {
                ev["result"] = d.found() ? "not read" : "not found";
            }
            out << line(ev) << "\n";
        } else {
            out << formatText(translate("auctl", "line %1: %2"), {std::to_string(d.line), tag}) << "\n";
            if (d.readable())
                printChanges(d.before, d.after, d.ext, g, out);
            else
                out << (d.found() ? formatText(translate("auctl", "not read: %1"), {exchangeResultText(d.readResult)})
                                  : translate("auctl", "not found"))
                    << "\n";
        }
        missing += d.readable() ? 0 : 1;
    }
    if (g.json)
        out << line({{"event", "end"}, {"planned", review.devices.size()}, {"missing", missing}}) << "\n";
    return missing ? EXIT_REFUSED : EXIT_OK;
}

std::optional<int> parseCount(const std::string& text, int lo, int hi)
{
    int v = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size() || v < lo || v > hi)
        return std::nullopt;
    return v;
}

} // namespace

int cmdCommission(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    bool dry = false, confirm = true;
    int parallel = 4;
    std::vector<std::filesystem::path> reports;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--dry-run")
            dry = true;
        else if (a == "--no-confirm")
            confirm = false;
        else if (a == "--parallel") {
            const auto n = i + 1 < args.size() ? parseCount(args[++i], 1, 32) : std::nullopt;
            if (!n)
                return usage(err, translate("auctl", "--parallel needs a number from 1 to 32"));
            parallel = *n;
        } else if (a == "--report") {
            if (i + 1 >= args.size())
                return usage(err, translate("auctl", "--report needs a FILE.csv or FILE.json"));
            reports.push_back(pathFromUtf8(args[++i]));
        } else if (a.rfind("--", 0) == 0)
            return usage(err, formatText(translate("auctl", "unknown commission option %1"), {a}));
        else
            positional.push_back(a);
    }
    if (positional.size() != 1)
        return usage(err, translate("auctl", "commission needs one PLAN.csv"));
    const std::string file = positional.front();

    // A file that is no plan costs nothing, not even a search; a plan with
    // wrong cells is still reviewed, so all its errors are told at once.
    const PlanRead read = readPlanFile(pathFromUtf8(file));
    if (!read.complete)
        return planErrors(file, read.errors, g, out, err);

    Session s(g, err);
    if (auto e = s.open(true); !e.empty())
        return refuse(err, e);
    if (auto e = s.searchAndPoll(); !e.empty())
        return refuse(err, e);
    DeviceList& list = s.manager().devices();
    const PlanReview review = reviewPlan(read.plan, list, std::max(parallel, 8));
    if (!review.ok())
        return planErrors(file, review.errors, g, out, err);
    if (dry)
        return dryRun(review, list, g, out);

    std::vector<std::string> tags;
    std::vector<int> lines;
    for (const auto& d : review.devices) {
        tags.push_back(tagOf(list, d));
        lines.push_back(d.line);
    }
    RunPrinter printer(tags, g.json ? RunPrinter::Mode::Json : isTerminal(out) ? RunPrinter::Mode::Bars
                                                                                : RunPrinter::Mode::Lines,
                       out);
    printer.setLines(&lines);
    CommissionOptions options;
    options.parallel = parallel;
    options.confirm = confirm;
    options.backupDir = s.dataDir();
    options.onStep = [&](std::size_t i, CommissionStep step) {
        const auto& d = review.devices[i];
        std::string ip;
        if (d.item) {
            std::lock_guard lock(list.mutex());
            ip = formatIp(d.item->ip);
        }
        printer.step(i, step, ip);
    };
    options.onResult = [&](const CommissionResult& r) { printer.result(r); };
    const auto rows = commissionSite(list, review.devices, options);
    // Written devices are saved devices now, at their new addresses.
    const bool saved = s.manager().saveDeviceList();

    int rc = saved ? EXIT_OK : EXIT_REFUSED;
    for (const auto& path : reports) {
        std::string error;
        if (!writeCommissionReport(path, rows, &error))
            rc = refuse(err, formatText(translate("auctl", "cannot write %1: %2"), {pathToUtf8(path), error}));
    }
    const auto good = static_cast<std::size_t>(
        std::count_if(rows.begin(), rows.end(), [](const CommissionResult& r) { return r.succeeded(); }));
    if (g.json)
        out << line({{"event", "end"}, {"planned", rows.size()}, {"succeeded", good},
                     {"not_found", review.notFound()}})
            << "\n";
    else
        out << formatText(confirm ? translate("auctl", "%1 of %2 planned devices commissioned and confirmed")
                                  : translate("auctl", "%1 of %2 planned devices commissioned"),
                          {std::to_string(good), std::to_string(rows.size())})
            << "\n";
    if (good != rows.size())
        return refuse(err, formatText(rows.size() - good == 1
                                          ? translate("auctl", "%1 planned device was not commissioned (see above)")
                                          : translate("auctl", "%1 planned devices were not commissioned (see above)"),
                                      {std::to_string(rows.size() - good)}));
    return rc;
}

int cmdSite(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2 || args[0] != "export")
        return usage(err, translate("auctl", "site export needs a DIR"));
    const std::filesystem::path dir = pathFromUtf8(args[1]);
    Session s(g, err);
    if (auto e = s.open(true); !e.empty())
        return refuse(err, e);
    if (auto e = s.searchAndPoll(); !e.empty())
        return refuse(err, e);
    DeviceList& list = s.manager().devices();
    std::vector<DeviceItemPtr> online;
    {
        const auto items = list.snapshot();
        std::lock_guard lock(list.mutex());
        for (const auto& item : items)
            if (isOnlineState(item->state))
                online.push_back(item);
    }
    if (online.empty())
        return refuse(err, translate("auctl", "no device was found, so there is no site to export"));
    const auto records = readDeviceRecords(list, online, 8);
    std::string error;
    if (!exportSite(dir, list, records, &error))
        return refuse(err, error);
    json failed = json::array();
    for (const auto& r : records)
        if (!r.read()) {
            std::string tag;
            {
                std::lock_guard lock(list.mutex());
                tag = deviceTag(ansiToUtf8(r.item->devItem.devName()), r.item->ip);
                failed.push_back({{"device", formatIp(r.item->ip)}, {"text", exchangeResultText(r.result)}});
            }
            err << "auctl: "
                << formatText(translate("auctl", "%1 is not in the export: %2"), {tag, exchangeResultText(r.result)})
                << "\n";
        }
    const std::size_t exported = records.size() - failed.size();
    if (g.json)
        out << line({{"dir", args[1]}, {"plan", pathToUtf8(dir / kSitePlanFile)}, {"devices", exported},
                     {"failed", failed}})
            << "\n";
    else
        out << formatText(translate("auctl", "exported %1 devices to %2 (site.csv and one .alc file per device)"),
                          {std::to_string(exported), args[1]})
            << "\n";
    return failed.empty() ? EXIT_OK : EXIT_REFUSED;
}

} // namespace aulira::cli
