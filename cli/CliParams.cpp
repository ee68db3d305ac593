// auctl params, mac and time: the single-device operations, run through the
// same protocol worker and settings rules as the desktop app.
#include <algorithm>
#include <iostream>

#include "CliSession.h"
#include "params/ConfigFile.h"
#include "params/MacText.h"
#include "params/ParaBackups.h"
#include "params/SysParaSettings.h"
#include "protocol/ProtocolWorker.h"
#include "protocol/TimeSync.h"
#include "shell/Strings.h"
#include "shell/Translate.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"
#include "util/PathText.h"

namespace aulira::cli {

namespace {

using nlohmann::json;

// Collects the worker's answers; the commands wait for the queue to drain.
class WorkerResults : public WorkerListener {
public:
    void onReadParaDone(const DeviceItemPtr&, int result) override { read = result; }
    void onWriteParaDone(const DeviceItemPtr&, int result) override { write = result; }
    void onWriteMacFailed(const DeviceItemPtr&, int result) override { write = result; }
    void onMacChangeDone(const DeviceItemPtr&, const MacChangeResult& r) override { mac = r; }
    int read = 1, write = 1; // 1: no answer yet
    std::optional<MacChangeResult> mac;
};

std::string tagOf(const DeviceList& list, const DeviceItemPtr& item)
{
    std::lock_guard lock(list.mutex());
    return deviceTag(ansiToUtf8(item->devItem.devName()), item->ip);
}

json fieldJson(const SysParaSettings& s, std::size_t i)
{
    const SysParaField& f = kSysParaFields[i];
    const FieldValue& v = s.value(i);
    switch (f.kind) {
    case FieldKind::U8:
    case FieldKind::U16:
    case FieldKind::I16:
    case FieldKind::I32:
        return v.number;
    case FieldKind::Flag:
    case FieldKind::FlagExact1:
        return v.number != 0;
    case FieldKind::Groups:
        return v.groups;
    case FieldKind::Index:
    case FieldKind::GpioLine:
    case FieldKind::Choice:
        if (v.number < 0 || v.number >= static_cast<std::int64_t>(f.texts.size()))
            return v.number; // a value the list has no text for
        return s.display(i);
    case FieldKind::Target: {
        const std::string shown = s.display(i);
        if (shown.find('.') != std::string::npos)
            return shown;
        return static_cast<std::int32_t>(v.number);
    }
    default:
        return s.display(i);
    }
}

json settingsJson(const SysParaSettings& s)
{
    json out = json::object();
    for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
        const SysParaField& f = kSysParaFields[i];
        if (!f.in(s.ext()))
            continue;
        // "key1.mode" becomes {"key1": {"mode": ...}}
        std::string path = "/";
        for (char c : f.name)
            path += c == '.' ? '/' : c;
        out[json::json_pointer(path)] = fieldJson(s, i);
    }
    out["layout"] = s.ext() ? 436 : 392;
    return out;
}

void printSettings(const SysParaSettings& s, std::ostream& out)
{
    std::vector<std::vector<std::string>> rows;
    std::optional<SysParaPage> page;
    for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
        const SysParaField& f = kSysParaFields[i];
        if (!f.in(s.ext()))
            continue;
        if (page != f.page) {
            if (page)
                rows.push_back({});
            page = f.page;
            rows.push_back({"[" + std::string(sysParaPageTitle(f.page)) + "]"});
        }
        std::string shown = s.display(i);
        if (f.name == "password" && !shown.empty())
            shown = "********"; // --json shows it
        rows.push_back({std::string(f.name), escapeControls(shown)});
    }
    rows.push_back({});
    rows.push_back({"layout", s.ext() ? "436" : "392"});
    out << formatTable(rows);
}

// The device a command works on, with its parameters read. Exits on the
// first thing that goes wrong, with the message already printed.
struct Target {
    Session& session;
    DeviceItemPtr item;
    std::string tag;
    ProtocolWorker worker;
    WorkerResults results;

    explicit Target(Session& s) : session(s), worker(s.manager().devices())
    {
        worker.setListener(&results);
        worker.setConfirmWrites(!s.globals().noConfirm);
    }

    DeviceList& list() { return session.manager().devices(); }

    int find(const std::string& device, std::ostream& err)
    {
        if (auto e = session.searchAndPoll(); !e.empty())
            return refuse(err, e);
        item = session.findDevice(device);
        if (!item)
            return refuse(
                err, formatText(translate("auctl", "no device with the address or number %1 was found"), {device}));
        tag = tagOf(list(), item);
        return EXIT_OK;
    }

    int read(std::ostream& err)
    {
        worker.postReadPara(item);
        worker.waitIdle();
        if (results.read != RES_OK)
            return refuse(err, formatText(translate("auctl", "cannot read the parameters of %1: %2"),
                                          {tag, exchangeResultText(results.read)}));
        return EXIT_OK;
    }

    // Whether the write was read back as written; nothing when not asked.
    std::optional<bool> confirmed() const
    {
        if (session.globals().noConfirm)
            return std::nullopt;
        return results.write == RES_OK;
    }

    int findAndRead(const std::string& device, std::ostream& err)
    {
        const int rc = find(device, err);
        return rc != EXIT_OK ? rc : read(err);
    }

    // A copy of the record just read, and its layout.
    SysParaBuffer record(bool& ext)
    {
        std::lock_guard lock(list().mutex());
        ext = item->paraExt != 0;
        return *item->sysPara;
    }

    // Stores the record through the pages' rules, then writes and applies it.
    int write(SysParaBuffer rec, SysParaSettings& settings, std::ostream& err)
    {
        if (auto refusal = settings.save(rec))
            return refuse(err, refusalText(*refusal));
        // The record as read is kept before anything overwrites it; no backup, no write.
        bool ext = true;
        std::string error;
        if (backupRecord(session.dataDir(), record(ext), &error).empty())
            return refuse(err,
                          formatText(translate("auctl", "the parameters of %1 were not written: %2"), {tag, error}));
        {
            std::lock_guard lock(list().mutex());
            *item->sysPara = rec;
        }
        worker.postWritePara(item);
        worker.waitIdle();
        if (results.write == RES_NOT_CONFIRMED) {
            // The device may have moved: keep where it was sent, and say what is not known.
            session.manager().saveDeviceList();
            return refuse(err, formatText(translate("auctl", "the parameters of %1 were %2"),
                                          {tag, exchangeResultText(results.write)}));
        }
        if (results.write == RES_NOT_TAKEN) // the device answered with its old record, so nothing changed
            return refuse(err, formatText(translate("auctl", "the parameters of %1 were not written: %2"),
                                          {tag, exchangeResultText(results.write)}));
        if (results.write != RES_OK)
            return refuse(err, formatText(translate("auctl", "cannot write the parameters of %1: %2"),
                                          {tag, exchangeResultText(results.write)}));
        session.manager().saveDeviceList();
        return EXIT_OK;
    }
};

} // namespace

nlohmann::json changesJson(const SysParaBuffer& before, const SysParaBuffer& after, bool ext)
{
    const RecordDiff d = diffRecords(before, after, ext);
    const auto a = SysParaSettings::load(before, ext), b = SysParaSettings::load(after, ext);
    json changes = json::array();
    for (auto i : d.fields)
        changes.push_back({{"field", kSysParaFields[i].name}, {"from", fieldJson(a, i)}, {"to", fieldJson(b, i)}});
    return json{{"changes", changes}, {"otherBytes", d.otherBytes}};
}

void printChanges(const SysParaBuffer& before, const SysParaBuffer& after, bool ext, const Globals& g,
                  std::ostream& out, std::optional<bool> confirmed)
{
    if (g.json) {
        json doc = changesJson(before, after, ext);
        if (confirmed)
            doc["confirmed"] = *confirmed;
        out << jsonText(doc, 2) << "\n";
        return;
    }
    const RecordDiff d = diffRecords(before, after, ext);
    const auto a = SysParaSettings::load(before, ext), b = SysParaSettings::load(after, ext);
    std::vector<std::vector<std::string>> rows;
    // As in the settings: a password is not put on the screen (--json shows it).
    const auto shown = [](const SysParaSettings& s, std::size_t i) {
        const std::string text = s.display(i);
        return kSysParaFields[i].name == "password" && !text.empty() ? std::string("********") : escapeControls(text);
    };
    for (auto i : d.fields)
        rows.push_back({std::string(kSysParaFields[i].name), shown(a, i), "->", shown(b, i)});
    out << formatTable(rows);
    if (d.otherBytes)
        out << formatText(d.otherBytes == 1 ? translate("auctl", "1 other byte of the record differs")
                                             : translate("auctl", "%1 other bytes of the record differ"),
                          {std::to_string(d.otherBytes)})
            << "\n";
    if (d.fields.empty() && !d.otherBytes)
        out << translate("auctl", "no change") << "\n";
}

namespace {

int paramsGet(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, translate("auctl", "params get needs one DEVICE"));
    Target t(s);
    if (int rc = t.findAndRead(args[0], err); rc != EXIT_OK)
        return rc;
    bool ext = true;
    const SysParaBuffer rec = t.record(ext);
    const auto settings = SysParaSettings::load(rec, ext);
    if (s.globals().json)
        out << jsonText(settingsJson(settings), 2) << "\n";
    else
        printSettings(settings, out);
    return EXIT_OK;
}

int paramsSet(Session& s, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    // --dry-run: the changes are listed as a write would make them, and nothing is written.
    const auto dry = std::find(args.begin(), args.end(), "--dry-run");
    const bool dryRun = dry != args.end();
    if (dryRun)
        args.erase(dry);
    if (args.size() < 2)
        return usage(err, translate("auctl", "params set needs a DEVICE and at least one NAME=VALUE"));
    std::vector<std::pair<std::string, std::string>> assignments;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const auto eq = args[i].find('=');
        if (eq == std::string::npos || eq == 0)
            return usage(err, formatText(translate("auctl", "not a NAME=VALUE assignment: %1"), {args[i]}));
        const std::string name = args[i].substr(0, eq);
        if (sysParaFieldIndex(name) < 0)
            return usage(err,
                         formatText(translate("auctl", "there is no parameter named %1 (see params get)"), {name}));
        assignments.emplace_back(name, args[i].substr(eq + 1));
    }
    Target t(s);
    if (int rc = t.findAndRead(args[0], err); rc != EXIT_OK)
        return rc;
    bool ext = true;
    const SysParaBuffer before = t.record(ext);
    auto settings = SysParaSettings::load(before, ext);
    {
        std::lock_guard lock(t.list().mutex());
        settings.setIntercomStatusOffered(offersIntercomStatus(t.item->devItem.modelText()));
    }
    for (const auto& [name, value] : assignments)
        if (auto e = settings.set(name, value); !e.empty())
            return refuse(err, e);
    if (dryRun) {
        SysParaBuffer after = before;
        if (auto refusal = settings.save(after))
            return refuse(err, refusalText(*refusal));
        printChanges(before, after, ext, s.globals(), out);
        return EXIT_OK;
    }
    const int rc = t.write(before, settings, err);
    if (rc != EXIT_OK && t.results.write != RES_NOT_CONFIRMED && t.results.write != RES_NOT_TAKEN)
        return rc;
    bool extAfter = ext;
    printChanges(before, t.record(extAfter), ext, s.globals(), out, t.confirmed());
    return rc;
}

int paramsExport(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2)
        return usage(err, translate("auctl", "params export needs a DEVICE and a FILE"));
    Target t(s);
    if (int rc = t.findAndRead(args[0], err); rc != EXIT_OK)
        return rc;
    bool ext = true;
    std::string error;
    if (!exportConfigFile(pathFromUtf8(args[1]), t.record(ext), &error))
        return refuse(err, error);
    if (s.globals().json)
        out << jsonText({{"device", formatIp(t.item->ip)}, {"file", args[1]}, {"layout", ext ? 436 : 392}}, 2) << "\n";
    else
        out << formatText(translate("auctl", "exported the parameters of %1 to %2"), {t.tag, args[1]}) << "\n";
    return EXIT_OK;
}

// The record an import of the file would write: the file over the record
// (keeping the device's MAC), then the pages' rules, as the sheet's Save does.
int importedRecord(const std::string& file, SysParaBuffer& rec, bool ext, std::ostream& err)
{
    std::string error;
    if (importConfigFileForDevice(pathFromUtf8(file), rec, ext, &error) != ConfigLoad::Loaded)
        return refuse(err, error);
    auto settings = SysParaSettings::load(rec, ext);
    if (auto refusal = settings.save(rec))
        return refuse(err, refusalText(*refusal) + " (" + std::string(refusal->field) + " in " + file +
                               "); nothing was imported");
    return EXIT_OK;
}

int paramsImport(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool dryRun)
{
    if (args.size() != 2)
        return usage(err, std::string("params ") + (dryRun ? "diff" : "import") + " needs a DEVICE and a FILE");
    Target t(s);
    if (int rc = t.findAndRead(args[0], err); rc != EXIT_OK)
        return rc;
    bool ext = true;
    const SysParaBuffer before = t.record(ext);
    SysParaBuffer after = before;
    if (int rc = importedRecord(args[1], after, ext, err); rc != EXIT_OK)
        return rc;
    int rc = EXIT_OK;
    if (!dryRun) {
        auto settings = SysParaSettings::load(after, ext);
        rc = t.write(after, settings, err);
        if (rc != EXIT_OK && t.results.write != RES_NOT_CONFIRMED && t.results.write != RES_NOT_TAKEN)
            return rc;
    }
    printChanges(before, after, ext, s.globals(), out, dryRun ? std::nullopt : t.confirmed());
    return rc;
}

// The device's automatic backups, oldest first.
int paramsBackups(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, translate("auctl", "params backups needs one DEVICE"));
    Target t(s);
    if (int rc = t.findAndRead(args[0], err); rc != EXIT_OK)
        return rc;
    bool ext = true;
    const auto files = listBackups(s.dataDir(), t.record(ext));
    if (s.globals().json) {
        json arr = json::array();
        for (const auto& f : files)
            arr.push_back(pathToUtf8(f));
        out << jsonText(json{{"device", formatIp(t.item->ip)}, {"backups", arr}}, 2) << "\n";
        return EXIT_OK;
    }
    if (files.empty())
        out << formatText(translate("auctl", "no backups of %1 in %2"),
                          {t.tag, pathToUtf8(backupFolder(s.dataDir(), t.record(ext)))})
            << "\n";
    for (const auto& f : files)
        out << pathToUtf8(f) << "\n";
    return EXIT_OK;
}

std::string_view kindText(FieldKind k)
{
    switch (k) {
    case FieldKind::Version:
        return "text, read only";
    case FieldKind::Mac:
        return "MAC, see mac set";
    case FieldKind::Text:
        return "text, 15 bytes";
    case FieldKind::Ip:
        return "address";
    case FieldKind::Flag:
    case FieldKind::FlagExact1:
    case FieldKind::Choice:
    case FieldKind::Index:
    case FieldKind::GpioLine:
        return "list";
    case FieldKind::Groups:
        return "8 numbers";
    case FieldKind::Target:
        return "address or number";
    default:
        return "number";
    }
}

// Every field name with its place in both layouts and what it accepts.
int paramsFields(const Globals& g, std::ostream& out)
{
    json arr = json::array();
    std::vector<std::vector<std::string>> rows{{"NAME", "PAGE", "436", "392", "VALUES"}};
    for (const auto& f : kSysParaFields) {
        std::string values;
        if (!f.texts.empty()) {
            for (std::size_t i = 0; i < f.texts.size(); ++i)
                values += (i ? " | " : "") + std::string(f.texts[i]);
        } else if (f.kind == FieldKind::Groups) {
            values = "0-255 each, comma separated";
        } else if (f.max > 0) {
            values = std::to_string(f.min) + "-" + std::to_string(f.max);
            if (f.kind == FieldKind::Target)
                values = "address, or " + values;
        } else {
            values = std::string(kindText(f.kind));
        }
        const std::string off392 = f.off392 == kAbsent ? "-" : std::to_string(f.off392);
        rows.push_back({std::string(f.name), std::string(sysParaPageTitle(f.page)), std::to_string(f.off436), off392,
                        values});
        json j{{"name", f.name},   {"label", f.label}, {"page", sysParaPageTitle(f.page)}, {"offset436", f.off436},
               {"width", f.width}, {"kind", kindText(f.kind)}};
        j["offset392"] = f.off392 == kAbsent ? json(nullptr) : json(f.off392);
        if (!f.texts.empty())
            j["values"] = std::vector<std::string>(f.texts.begin(), f.texts.end());
        else if (f.max > 0)
            j["range"] = {f.min, f.max};
        arr.push_back(j);
    }
    if (g.json)
        out << jsonText(arr, 2) << "\n";
    else
        out << formatTable(rows);
    return EXIT_OK;
}

} // namespace

int cmdParams(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, translate("auctl", "params needs fields, get, set, export, import, diff or backups"));
    const std::string sub = args.front();
    args.erase(args.begin());
    if (sub == "fields")
        return args.empty() ? paramsFields(g, out) : usage(err, translate("auctl", "params fields takes no arguments"));
    if (sub != "get" && sub != "set" && sub != "export" && sub != "import" && sub != "diff" && sub != "backups")
        return usage(err, formatText(translate("auctl", "unknown params command %1"), {sub}));
    Globals local = g;
    if (sub == "set" || sub == "import") {
        local.noConfirm = takeFlag(args, "--no-confirm");
        if (int rc = EXIT_OK; !takeRetries(args, local, err, rc))
            return rc;
    }
    Session s(local, err);
    if (auto e = s.open(true); !e.empty())
        return refuse(err, e);
    if (sub == "get")
        return paramsGet(s, args, out, err);
    if (sub == "set")
        return paramsSet(s, args, out, err);
    if (sub == "export")
        return paramsExport(s, args, out, err);
    if (sub == "backups")
        return paramsBackups(s, args, out, err);
    return paramsImport(s, args, out, err, sub == "diff");
}

int cmdMac(const Globals& global, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    Globals g = global;
    g.noConfirm = takeFlag(args, "--no-confirm");
    if (int rc = EXIT_OK; !takeRetries(args, g, err, rc))
        return rc;
    if (args.size() != 3 || args[0] != "set")
        return usage(err, translate("auctl", "mac set needs a DEVICE and the NEW-MAC"));
    const MacTextResult mac = parseMacText(args[2]);
    if (!mac.mac)
        return refuse(err, stringText(IDS_MAC_INCORRECT));
    if (int id = checkAssignableMac(*mac.mac))
        return refuse(err, stringText(id));
    Session s(g, err);
    if (auto e = s.open(true); !e.empty())
        return refuse(err, e);
    Target t(s);
    if (int rc = t.find(args[1], err); rc != EXIT_OK)
        return rc;
    {
        std::lock_guard lock(t.list().mutex());
        std::copy_n(t.item->devItem.mac(), 6, t.item->oldMac.begin());
        t.item->devItem.setMac(mac.mac->data());
    }
    t.worker.setBackupDirectory(s.dataDir());
    t.worker.postWriteMac(t.item);
    t.worker.waitIdle();
    const MacChangeResult r = t.results.mac.value_or(MacChangeResult{});
    s.manager().saveDeviceList(); // the entry follows the MAC the device answers to
    if (g.json) {
        std::lock_guard lock(t.list().mutex());
        json doc = deviceJson(*t.item);
        doc["result"] = macChangeOutcomeName(r.outcome);
        if (r.outcome != MacChangeOutcome::Done)
            doc["text"] = macChangeResultText(r);
        if (auto c = t.confirmed())
            doc["confirmed"] = r.outcome == MacChangeOutcome::Done;
        out << jsonText(doc, 2) << "\n";
    } else if (r.outcome == MacChangeOutcome::Done) {
        out << formatText(translate("auctl", "%1 now has the MAC address %2"), {t.tag, formatMac(mac.mac->data())})
            << "\n";
    }
    if (r.outcome == MacChangeOutcome::Failed)
        return refuse(err, formatText(translate("auctl", "the MAC address of %1 was not changed: %2"),
                                      {t.tag, exchangeResultText(r.result)}));
    if (r.outcome == MacChangeOutcome::NotConfirmed)
        return refuse(err, t.tag + ": " + macChangeResultText(r));
    return EXIT_OK;
}

int cmdTime(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1 || args[0] != "sync")
        return usage(err, translate("auctl", "time needs sync"));
    Session s(g, err);
    if (auto e = s.open(true); !e.empty())
        return refuse(err, e);
    const auto adapters = s.manager().localIps();
    if (adapters.empty())
        return refuse(err, stringText(IDS_NO_LOCAL_ADAPTER));
    const int done = SyncTimeAllAdapters(adapters);
    if (g.json)
        out << jsonText({{"adapters", adapters.size()}, {"completed", done}}, 2) << "\n";
    else
        out << formatText(adapters.size() == 1 ? translate("auctl", "clock set through %1 of %2 adapter")
                                                : translate("auctl", "clock set through %1 of %2 adapters"),
                          {std::to_string(done), std::to_string(adapters.size())})
            << "\n";
    return done == static_cast<int>(adapters.size()) ? EXIT_OK : EXIT_REFUSED;
}

} // namespace aulira::cli
