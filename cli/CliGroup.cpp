// auctl group: the broadcast groups in the data directory's group file, their
// members, and the download of every online device's group numbers through
// the protocol worker.
#include <algorithm>
#include <charconv>
#include <iostream>
#include <mutex>

#include "CliSession.h"
#include "util/PathText.h"
#include "grouping/GroupDownload.h"
#include "grouping/GroupFile.h"
#include "grouping/GroupRules.h"
#include "devices/DeviceRules.h"
#include "protocol/ProtocolWorker.h"
#include "protocol/Timing.h"
#include "shell/Strings.h"
#include "shell/Translate.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::cli {

namespace {

using nlohmann::json;

std::optional<std::int32_t> parseNumber(const std::string& text)
{
    std::int32_t v = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size())
        return std::nullopt;
    return v;
}

json groupJson(const GroupItem_Type& g)
{
    json members = json::array();
    for (const auto& m : g.members)
        members.push_back({{"no", m.devNo}, {"name", ansiToUtf8(m.nameBytes())}, {"ip", formatIp(m.devIp)}});
    return {{"no", g.number()}, {"name", ansiToUtf8(g.header.nameBytes())}, {"members", members}};
}

void printGroups(const GroupList& groups, const Globals& g, std::ostream& out)
{
    if (g.json) {
        json arr = json::array();
        for (const auto& group : groups)
            arr.push_back(groupJson(group));
        out << jsonText(arr, 2) << "\n";
        return;
    }
    if (groups.empty()) {
        out << translate("auctl", "no groups") << "\n";
        return;
    }
    std::vector<std::vector<std::string>> rows{{"NO", "NAME", "MEMBER NO", "MEMBER NAME", "MEMBER IP"}};
    for (const auto& group : groups) {
        std::vector<std::string> first{std::to_string(group.number()), ansiToUtf8(group.header.nameBytes())};
        if (group.members.empty()) {
            first.push_back("-");
            rows.push_back(first);
            continue;
        }
        for (std::size_t i = 0; i < group.members.size(); ++i) {
            const auto& m = group.members[i];
            std::vector<std::string> row = i == 0 ? first : std::vector<std::string>{"", ""};
            row.insert(row.end(), {std::to_string(m.devNo), ansiToUtf8(m.nameBytes()), formatIp(m.devIp)});
            rows.push_back(row);
        }
    }
    out << formatTable(rows);
}

// The group file of the session's data directory, loaded and saved.
struct GroupStore {
    std::filesystem::path file;
    GroupList groups;
    GroupList loaded; // as the file held them: a save takes in what others saved since

    explicit GroupStore(Session& s) : file(groupFilePath(s.manager().dataDirectory()))
    {
        s.lockData();
        bool complete = true;
        groups = LoadGroupInfoFile(file, &complete);
        loaded = groups;
        if (!complete)
            s.note(formatText(
                translate("auctl", "auctl: the group file %1 ends early; the groups read completely were kept"),
                {pathToUtf8(file)}));
    }

    int save(Session& s, std::ostream& err)
    {
        s.lockData();
        std::string error;
        if (!SaveGroupInfoFileMerged(file, loaded, groups, &error))
            return refuse(err, oneLine(stringText(IDS_GROUP_FILE_NOT_SAVED)) + " " + error);
        return EXIT_OK;
    }
};

int refuseCheck(std::ostream& err, const GroupCheck& c) { return refuse(err, stringText(c.refusal)); }

int refuseNoGroup(std::ostream& err, const std::string& no)
{
    return refuse(err, formatText(translate("auctl", "there is no group %1"), {no}));
}

int groupAdd(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2)
        return usage(err, translate("auctl", "group add needs a NO and a NAME"));
    GroupStore store(s);
    const GroupCheck c = checkTypedGroupEntry(GroupEditMode::Add, {args[0], args[1]}, store.groups, nullptr);
    if (c.refusal)
        return refuseCheck(err, c);
    store.groups.push_back(newGroup(c));
    if (int rc = store.save(s, err); rc != EXIT_OK)
        return rc;
    if (s.globals().json)
        out << jsonText(groupJson(store.groups.back()), 2) << "\n";
    else
        out << formatText(translate("auctl", "added group %1 %2"), {std::to_string(c.number), args[1]}) << "\n";
    return EXIT_OK;
}

int groupEdit(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, translate("auctl", "group edit needs a NO"));
    const auto no = parseNumber(args[0]);
    if (!no)
        return usage(err, formatText(translate("auctl", "not a group number: %1"), {args[0]}));
    std::optional<std::string> newNo, newName;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (i + 1 >= args.size())
            return usage(err, formatText(translate("auctl", "option %1 needs a value"), {args[i]}));
        if (args[i] == "--no")
            newNo = args[++i];
        else if (args[i] == "--name")
            newName = args[++i];
        else
            return usage(err, formatText(translate("auctl", "unknown group edit option %1"), {args[i]}));
    }
    if (!newNo && !newName)
        return usage(err, translate("auctl", "group edit needs --no or --name"));
    GroupStore store(s);
    GroupItem_Type* group = findGroup(store.groups, *no);
    if (!group)
        return refuseNoGroup(err, args[0]);
    // What the edit box shows for whatever is not changed.
    const GroupEntry entry{newNo.value_or(std::to_string(group->number())),
                           newName.value_or(ansiToUtf8(group->header.nameBytes()))};
    const GroupCheck c = checkTypedGroupEntry(GroupEditMode::Edit, entry, store.groups, group);
    if (c.refusal)
        return refuseCheck(err, c);
    storeGroupEntry(c, *group);
    const GroupItem_Type edited = *group; // the save may take in other programs' groups
    if (int rc = store.save(s, err); rc != EXIT_OK)
        return rc;
    if (s.globals().json)
        out << jsonText(groupJson(edited), 2) << "\n";
    else
        out << formatText(translate("auctl", "group %1 is now group %2 %3"),
                          {args[0], std::to_string(c.number), entry.name})
            << "\n";
    return EXIT_OK;
}

int groupDelete(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, translate("auctl", "group delete needs one NO"));
    const auto no = parseNumber(args[0]);
    if (!no)
        return usage(err, formatText(translate("auctl", "not a group number: %1"), {args[0]}));
    GroupStore store(s);
    const GroupItem_Type* group = findGroup(store.groups, *no);
    if (!group)
        return refuseNoGroup(err, args[0]);
    store.groups.erase(store.groups.begin() + (group - store.groups.data()));
    if (int rc = store.save(s, err); rc != EXIT_OK)
        return rc;
    printGroups(store.groups, s.globals(), out);
    return EXIT_OK;
}

// The checks the Grouping command makes before the group settings open: the
// first device without a name (a question there; here a refusal unless
// --skip-name-check answers it) and the duplicate check. Searches first.
int groupingChecks(Session& s, bool skipNameCheck, std::ostream& err)
{
    if (auto e = s.searchAndPoll(); !e.empty())
        return refuse(err, e);
    const DeviceList& list = s.manager().devices();
    const auto items = list.snapshot();
    std::lock_guard lock(list.mutex());
    if (!skipNameCheck) {
        for (const auto& item : items) {
            const DeviceInfo_Type& d = item->devItem;
            if (!d.devName().empty())
                continue;
            const std::string text = ":" + std::to_string(d.devNo()) + ",IP:" + formatIp(d.ip());
            return refuse(err, oneLine(stringText(IDS_COL_NO) + text + stringText(IDS_NO_NAME_SKIP)) +
                                   translate("auctl", " (--skip-name-check answers yes)"));
        }
    }
    int messageId = 0;
    if (CheckDuplicates(items, &messageId))
        return refuse(err, stringText(messageId));
    return EXIT_OK;
}

int groupMembers(Session& s, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    const bool skipNameCheck = std::erase(args, std::string("--skip-name-check")) > 0;
    if (args.empty())
        return usage(err, translate("auctl", "group members needs a NO and the DEVICEs"));
    const auto no = parseNumber(args[0]);
    if (!no)
        return usage(err, formatText(translate("auctl", "not a group number: %1"), {args[0]}));
    GroupStore store(s);
    if (!findGroup(store.groups, *no))
        return refuseNoGroup(err, args[0]);

    if (int rc = groupingChecks(s, skipNameCheck, err); rc != EXIT_OK)
        return rc;
    // Exactly what ticking these rows (and unticking every other) does.
    std::vector<DeviceInfo_Type> ticked;
    if (args.size() > 1) {
        std::vector<DeviceItemPtr> items;
        for (std::size_t i = 1; i < args.size(); ++i) {
            auto item = s.findDevice(args[i]);
            if (!item)
                return refuse(err, formatText(translate("auctl", "no device with the address or number %1 was found"),
                                              {args[i]}));
            if (std::find(items.begin(), items.end(), item) == items.end()) // a row ticks once
                items.push_back(item);
        }
        std::lock_guard lock(s.manager().devices().mutex());
        for (const auto& item : items)
            ticked.push_back(item->devItem);
    }
    GroupItem_Type* group = findGroup(store.groups, *no);
    setMembersFromTicked(*group, ticked);
    const GroupItem_Type edited = *group; // the save may take in other programs' groups
    if (int rc = store.save(s, err); rc != EXIT_OK)
        return rc;
    if (s.globals().json)
        out << jsonText(groupJson(edited), 2) << "\n";
    else
        printGroups({edited}, s.globals(), out);
    return EXIT_OK;
}

// Prints the download's progress as it comes (on the worker thread).
class ProgressPrinter : public WorkerListener {
public:
    ProgressPrinter(const Globals& g, std::ostream& out) : g_(g), out_(out) {}
    void onGroupProgress(int percent) override
    {
        std::lock_guard lock(m_);
        if (g_.json)
            out_ << jsonText(json{{"event", "progress"}, {"percent", percent}}) << "\n";
        else
            out_ << percent << "%\n";
        out_.flush();
    }

private:
    const Globals& g_;
    std::ostream& out_;
    std::mutex m_;
};

// What a download would write, and which devices lose numbers they hold now.
void printGroupPlan(const GroupDownloadPlan& plan, const Globals& g, std::ostream& out)
{
    const auto losing = plan.losing();
    if (g.json) {
        for (const auto& d : plan.written)
            out << json{{"event", "would-write"}, {"device", formatIp(d.ip)}, {"name", d.name}, {"now", d.now},
                        {"after", d.after}, {"lost", d.lost}}
                       .dump(-1, ' ', false, json::error_handler_t::replace)
                << "\n";
        out << json{{"event", "end"}, {"dryRun", true}, {"written", plan.written.size()}, {"losing", losing.size()}}
                   .dump()
            << "\n";
        return;
    }
    const std::string count = std::to_string(plan.written.size());
    out << formatText(plan.written.size() == 1 ? translate("auctl", "%1 online device would be written:")
                                               : translate("auctl", "%1 online devices would be written:"),
                      {count})
        << "\n";
    for (const auto& d : plan.written)
        out << "  " << d.tag << ": " << groupNumbersText(d.after) << "\n";
    if (losing.empty())
        out << translate("auctl", "No device loses group numbers it has now.") << "\n";
    else {
        out << formatText(translate("auctl", "Devices that lose group numbers they have now: %1"),
                          {std::to_string(losing.size())})
            << "\n";
        for (const auto* d : losing)
            out << "  " << formatText(translate("auctl", "%1 loses %2 (has %3)"),
                                      {d->tag, groupNumbersText(d->lost), groupNumbersText(d->now)})
                << "\n";
    }
    out << translate("auctl", "Nothing was sent (--dry-run).") << "\n";
}

int groupDownload(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    GroupDownloadOptions options;
    options.confirm = true;
    bool skipNameCheck = false, dryRun = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--no-confirm")
            options.confirm = false;
        else if (args[i] == "--dry-run")
            dryRun = true;
        else if (args[i] == "--skip-name-check")
            skipNameCheck = true;
        else if (args[i] == "--retries") {
            const auto n = i + 1 < args.size() ? parseNumber(args[++i]) : std::nullopt;
            if (!n || *n < 0 || *n > kMaxRetries)
                return usage(err, translate("auctl", "--retries needs a number from 0 to 20"));
            options.retries = *n;
        } else if (args[i] == "--parallel") {
            const auto n = i + 1 < args.size() ? parseNumber(args[++i]) : std::nullopt;
            if (!n || *n < 1 || *n > 32)
                return usage(err, translate("auctl", "--parallel needs a number from 1 to 32"));
            options.parallel = *n;
        } else
            return usage(err, formatText(translate("auctl", "unknown group download option %1"), {args[i]}));
    }
    GroupStore store(s);
    if (store.groups.empty())
        return refuse(err, stringText(IDS_NO_GROUPING));
    if (int rc = groupingChecks(s, skipNameCheck, err); rc != EXIT_OK)
        return rc;
    if (dryRun) {
        printGroupPlan(planGroupDownload(s.manager().devices(), store.groups), s.globals(), out);
        return EXIT_OK;
    }

    ProgressPrinter printer(s.globals(), out);
    GroupDownloadSummary summary;
    {
        DeviceList& list = s.manager().devices();
        ProtocolWorker worker(list, &printer);
        // Handed back through the worker's queue: waitIdle() orders it before our read.
        postDownloadGrouping(
            worker, list, std::move(store.groups), [&summary](const GroupDownloadSummary& done) { summary = done; },
            options);
        worker.waitIdle();
    }
    // Devices that took a record may sit at a new address or number now.
    s.manager().saveDeviceList();
    if (s.globals().json) {
        for (const auto& f : summary.failures)
            out << jsonText(json{{"event", "failure"}, {"device", f.device}, {"text", f.text}}) << "\n";
        json end{{"event", "end"}, {"online", summary.online}, {"completed", summary.completed}};
        if (options.confirm)
            end["unconfirmed"] = summary.unconfirmed;
        out << jsonText(end) << "\n";
    } else {
        out << formatText(summary.online == 1 ? translate("auctl", "group numbers set on %1 of %2 online device")
                                              : translate("auctl", "group numbers set on %1 of %2 online devices"),
                          {std::to_string(summary.completed), std::to_string(summary.online)});
        if (summary.unconfirmed)
            out << "; " << summary.unconfirmed << " " << kNotConfirmedText;
        out << "\n";
    }
    if (summary.completed != summary.online)
        return refuse(
            err, formatText(summary.online - summary.completed == 1
                                ? translate("auctl", "grouping setting failed on %1 device (see the lines above)")
                                : translate("auctl", "grouping setting failed on %1 devices (see the lines above)"),
                            {std::to_string(summary.online - summary.completed)}));
    return EXIT_OK;
}

} // namespace

int cmdGroup(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, translate("auctl", "group needs list, add, edit, delete, members or download"));
    const std::string sub = args.front();
    args.erase(args.begin());
    const bool network = sub == "members" || sub == "download";
    if (sub != "list" && sub != "add" && sub != "edit" && sub != "delete" && !network)
        return usage(err, formatText(translate("auctl", "unknown group command %1"), {sub}));
    Session s(g, err);
    if (auto e = s.open(network); !e.empty())
        return refuse(err, e);
    if (sub == "list") {
        if (!args.empty())
            return usage(err, translate("auctl", "group list takes no arguments"));
        printGroups(GroupStore(s).groups, g, out);
        return EXIT_OK;
    }
    if (sub == "add")
        return groupAdd(s, args, out, err);
    if (sub == "edit")
        return groupEdit(s, args, out, err);
    if (sub == "delete")
        return groupDelete(s, args, out, err);
    if (sub == "members")
        return groupMembers(s, args, out, err);
    return groupDownload(s, args, out, err);
}

} // namespace aulira::cli
