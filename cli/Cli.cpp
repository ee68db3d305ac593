#include "Cli.h"

#include <algorithm>
#include <iostream>

#include "CliSession.h"
#include "devices/DeviceRules.h"
#include "shell/Strings.h"
#include "util/Csv.h"
#include "shell/Translate.h"
#include "util/Ipv4.h"
#include "util/PathText.h"

namespace aulira::cli {

namespace {

// The whole help text is one entry for the translators: its columns line up in each language.
std::string mainUsageText()
{
    return std::string(translate("auctl",
    "Usage: auctl [global options] COMMAND [arguments]\n"
    "\n"
    "Global options:\n"
    "  --adapter ADDR    send from this local adapter address (repeatable);\n"
    "                    default: every IPv4 address of every up, non-loopback interface\n"
    "  --port N          device port (default 65176)\n"
    "  --data-dir DIR    where the device list and the other files live\n"
    "  --json            machine-readable output\n"
    "  --quiet           do not print the operation log on stderr\n"
    "  --verbose         also print every status poll attempt on stderr\n"
    "  --demo            work against a simulated site on loopback\n"
    "  --log-file FILE   also append every operation log line to FILE (with --quiet\n"
    "                    too); the daily log files in the data directory's logs/\n"
    "                    are written as always\n"
    "  --lang LANG       the language of the messages: en or zh_CN (default: the INI's\n"
    "                    Text/Language, else the locale)\n"
    "  --help            show this text\n"
    "\n"
    "Commands:\n"
    "  search [--keep]                 search every adapter, then poll the saved devices of\n"
    "                                  other subnets; --keep saves every found device\n"
    "  devices list [--no-poll] [--csv] [--csv-file FILE]\n"
    "                                  the saved device list; devices of other subnets are\n"
    "                                  polled first unless --no-poll; --csv prints it as CSV,\n"
    "                                  --csv-file writes it to FILE as the desktop app's\n"
    "                                  export does (UTF-8 with byte-order mark)\n"
    "  devices add --no N --name NAME --ip IP --mask MASK\n"
    "                                  save a device of another subnet\n"
    "  devices delete IP|MAC           remove a device from the saved list\n"
    "  params fields                   the parameter names, where they sit and what they take\n"
    "  params get DEVICE               every parameter of the device by name\n"
    "  params set DEVICE [--dry-run] NAME=VALUE... [--no-confirm]\n"
    "                                  change parameters, then write and apply them and read\n"
    "                                  them back to confirm (with --dry-run: only list the\n"
    "                                  changes)\n"
    "  params export DEVICE FILE.alc   save the device's parameters to a configuration file\n"
    "  params import DEVICE FILE.alc [--no-confirm]\n"
    "                                  load a configuration file (keeping the device's MAC),\n"
    "                                  then write and apply it and read it back to confirm\n"
    "  params diff DEVICE FILE.alc     what an import of the file would change\n"
    "  params backups DEVICE           the device's records kept before each write (restore one\n"
    "                                  with params import)\n"
    "  mac set DEVICE NEW-MAC [--no-confirm]\n"
    "                                  give the device a new MAC address, read back to confirm\n"
    "  time sync                       set every device's clock to this computer's time\n"
    "  group list                      the broadcast groups and their members\n"
    "  group add NO NAME               a new group (numbers 1 to 255)\n"
    "  group edit NO [--no NEW] [--name NAME]\n"
    "                                  renumber or rename a group\n"
    "  group delete NO                 remove a group and its members\n"
    "  group members NO DEVICE... [--skip-name-check]\n"
    "                                  the group's members are exactly these devices\n"
    "  group download [--parallel N] [--no-confirm] [--skip-name-check]\n"
    "                                  write every online device's group numbers, then read\n"
    "                                  them back to confirm (N devices at a time, default 1)\n"
    "  book list                       the call stations' address books\n"
    "  book create NAME [--group NO]... [--broadcast DEVICE]... [--intercom DEVICE]...\n"
    "                                  a new address book of groups and devices\n"
    "  book delete NAME                remove an address book\n"
    "  book download NAME DEVICE [--no-confirm]\n"
    "                                  send an address book to a call station, then check\n"
    "                                  that it still answers\n"
    "  book clear DEVICE               empty a call station's address book\n"
    "  upgrade firmware FILE [DEVICE...] [OPTIONS]\n"
    "                                  upgrade the firmware of the named devices (default:\n"
    "                                  every device the batch lists)\n"
    "  upgrade screen FILE [DEVICE...] [OPTIONS]\n"
    "                                  the same for call-station screens\n"
    "      --parallel N                devices at a time, 1 to 32 (default 4)\n"
    "      --retries K                 try a failed device up to K more times in the batch\n"
    "      --retry-failed              then run one more batch of the devices that failed\n"
    "      --verify-timeout S          firmware: wait up to S seconds for the devices to report\n"
    "                                  the file's version (default 60)\n"
    "      --no-verify                 firmware: do not ask the devices again\n"
    "      --report FILE.csv|FILE.json\n"
    "                                  one row per device and batch (repeatable)\n"
    "\n"
    "DEVICE is an IP address, a MAC address or a device number; it is looked up by a\n"
    "search (with the saved devices) and a poll of the saved devices of other subnets.\n"));
}

std::string usageText()
{
    return mainUsageText() +
           translate("auctl", "\nupgrade firmware --restart-wait S gives the upgraded devices S seconds to restart\n"
                              "before they are first asked for their version (default 5).\n");
}

// The site commands, an entry of their own for the translators.
const char* rolloutUsageText()
{
    return translate("auctl",
    "\n"
    "Site rollout:\n"
    "  commission PLAN.csv [--dry-run] [--parallel N] [--report FILE.csv|FILE.json]\n"
    "             [--no-confirm]\n"
    "                                  give every device of the plan its planned parameters:\n"
    "                                  the whole plan is checked first (errors by line and\n"
    "                                  column, nothing sent), then N devices at a time\n"
    "                                  (default 4) are backed up, written, applied and read\n"
    "                                  back; --dry-run only lists each device's changes.\n"
    "                                  Exit status: 0 every planned device was found and\n"
    "                                  holds its plan (with --dry-run: every one was found\n"
    "                                  and read); 1 a planned device was not found, not\n"
    "                                  read or not written as planned, or a report could\n"
    "                                  not be written; 2 errors in the plan, nothing sent\n"
    "  site export DIR                 DIR/site.csv, a plan of every found device with every\n"
    "                                  field, and DIR/<MAC>.alc per device; commissioning\n"
    "                                  site.csv restores the site\n"
    "A plan is a CSV file (UTF-8): the first column \"mac\" (or \"device\": an address, MAC\n"
    "or number), then one column per parameter named as params fields names it; an\n"
    "empty cell leaves that parameter as the device has it.\n");
}

// Columns a terminal gives a character: two for the wide (CJK) ones.
bool wideCodePoint(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::size_t displayWidth(const std::string& s)
{
    std::size_t n = 0;
    char32_t c = 0;
    int pending = 0;
    auto finish = [&] { n += wideCodePoint(c) ? 2 : 1; };
    for (unsigned char b : s) {
        if ((b & 0xC0) == 0x80 && pending > 0) {
            c = (c << 6) | (b & 0x3F);
            if (--pending == 0)
                finish();
            continue;
        }
        if (pending > 0) // a sequence cut short counts as one column
            ++n;
        pending = 0;
        if (b < 0x80) {
            ++n;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            pending = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            pending = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            pending = 3;
        } else {
            ++n;
        }
    }
    if (pending > 0)
        ++n;
    return n;
}

const char* const kCommands[] = {"search", "devices", "params", "mac",        "time",
                                 "group",  "book",    "upgrade", "commission", "site"};

bool knownCommand(const std::string& cmd)
{
    return std::find(std::begin(kCommands), std::end(kCommands), cmd) != std::end(kCommands);
}

// One command's part of the help: the usage line, the command's entries with
// their continuations and options, and the closing note on DEVICE when it
// takes one. Cut from the whole text, so each language shows its own.
std::string commandUsage(const std::string& cmd)
{
    const std::string all = usageText() + rolloutUsageText();
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = std::min(all.find('\n', at), all.size());
        lines.push_back(all.substr(at, end - at));
        at = end + 1;
    }
    std::string out = lines.empty() ? std::string() : lines.front() + "\n\n";
    bool taking = false, device = false;
    for (const auto& line : lines) {
        // Entries are indented by two; their continuations and options by more.
        if (line.rfind("  ", 0) != 0)
            taking = false;
        else if (line.size() > 2 && line[2] != ' ')
            taking = line.compare(2, cmd.size() + 1, cmd + " ") == 0 || line.substr(2) == cmd;
        if (taking) {
            out += line + "\n";
            device = device || line.find("DEVICE") != std::string::npos;
        }
    }
    if (device) {
        // The note closes the main text; entries added after it are no part of it.
        const std::string main = mainUsageText();
        const std::size_t note = main.rfind("\n\n");
        if (note != std::string::npos)
            out += main.substr(note + 1);
    }
    return out;
}

} // namespace

int usage(std::ostream& err, const std::string& message)
{
    if (!message.empty())
        err << "auctl: " << message << "\n\n";
    err << usageText() << rolloutUsageText();
    return EXIT_USAGE;
}

int cmdSearch(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    bool keep = false;
    for (const auto& a : args) {
        if (a == "--keep")
            keep = true;
        else
            return usage(err, formatText(translate("auctl", "unknown search option %1"), {a}));
    }
    Session s(g, err);
    if (auto e = s.open(true); !e.empty())
        return refuse(err, e);
    auto& m = s.manager();
    s.lockData(); // the found devices may be saved at the end
    switch (m.StartSearch()) {
    case DeviceManager::SearchStart::NoAdapter:
        return refuse(err, stringText(IDS_NO_LOCAL_ADAPTER));
    case DeviceManager::SearchStart::AlreadyRunning:
    case DeviceManager::SearchStart::Started:
        break;
    }
    m.waitSearchDone();
    if (auto problem = m.takeFileProblem(); !problem.empty())
        return refuse(err, problem);
    s.pollRemoteDevices();
    if (keep)
        m.devices().addAllFound();
    const bool saved = m.saveDeviceList();
    printDevices(m.devices(), g, out);
    return saved ? EXIT_OK : EXIT_REFUSED;
}

int cmdDevices(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, translate("auctl", "devices needs list, add or delete"));
    const std::string sub = args.front();
    args.erase(args.begin());
    Session s(g, err);
    if (sub == "list") {
        bool poll = true, csv = false;
        std::optional<std::string> csvFile;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const auto& a = args[i];
            if (a == "--no-poll")
                poll = false;
            else if (a == "--csv")
                csv = true;
            else if (a == "--csv-file" && i + 1 < args.size() && !args[i + 1].empty())
                csvFile = args[++i];
            else
                return usage(err, a == "--csv-file" ? translate("auctl", "--csv-file needs a file")
                                                    : formatText(translate("auctl", "unknown devices list option %1"), {a}));
        }
        if (auto e = s.open(false); !e.empty())
            return refuse(err, e);
        if (auto loaded = s.manager().loadSavedList(); loaded.failed())
            return refuse(err, loaded.message);
        if (poll)
            s.pollRemoteDevices();
        if (!csv && !csvFile) {
            printDevices(s.manager().devices(), g, out);
            return EXIT_OK;
        }
        // The desktop app's export with every column shown and no sort: the same titles, cells and quoting.
        CsvRow header;
        for (const auto& t : deviceColumnTitles())
            header.push_back(oneLine(t));
        std::vector<CsvRow> rows;
        {
            const auto& list = s.manager().devices();
            const auto items = list.snapshot();
            std::lock_guard lock(list.mutex());
            for (const auto& item : items) {
                const auto cells = deviceColumns(*item);
                rows.emplace_back(cells.begin(), cells.end());
            }
        }
        if (csv)
            out << csvTable(header, rows, false);
        if (csvFile) {
            std::string why;
            if (!writeCsvFile(pathFromUtf8(*csvFile), header, rows, &why))
                return refuse(err, "The device list could not be written to " + *csvFile + ": " + why);
        }
        return EXIT_OK;
    }
    if (sub == "add") {
        DeviceEntry entry;
        bool haveNo = false, haveName = false, haveIp = false, haveMask = false;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const auto& a = args[i];
            if (i + 1 >= args.size())
                return usage(err, formatText(translate("auctl", "option %1 needs a value"), {a}));
            const auto& v = args[++i];
            if (a == "--no") {
                entry.noText = v;
                haveNo = true;
            } else if (a == "--name") {
                entry.name = v;
                haveName = true;
            } else if (a == "--ip") {
                entry.ip = parseIp(v);
                if (!entry.ip)
                    return usage(err, formatText(translate("auctl", "not an IPv4 address: %1"), {v}));
                haveIp = true;
            } else if (a == "--mask") {
                entry.mask = parseIp(v);
                if (!entry.mask)
                    return usage(err, formatText(translate("auctl", "not a subnet mask: %1"), {v}));
                haveMask = true;
            } else {
                return usage(err, formatText(translate("auctl", "unknown devices add option %1"), {a}));
            }
        }
        if (!haveNo || !haveName || !haveIp || !haveMask)
            return usage(err, translate("auctl", "devices add needs --no, --name, --ip and --mask"));
        if (auto e = s.open(false); !e.empty())
            return refuse(err, e);
        auto& m = s.manager();
        s.lockData();
        if (auto loaded = m.loadSavedList(); loaded.failed())
            return refuse(err, loaded.message);
        if (int id = checkTypedDeviceEntry(EntryMode::Add, entry, m.devices().snapshot(), nullptr))
            return refuse(err, stringText(id));
        auto item = newManualDevice(entry);
        m.devices().insertManual(item);
        if (!m.saveDeviceList())
            return EXIT_REFUSED;
        printDevices(m.devices(), g, out);
        return EXIT_OK;
    }
    if (sub == "delete") {
        if (args.size() != 1)
            return usage(err, translate("auctl", "devices delete needs one IP or MAC address"));
        std::uint8_t mac[6];
        auto ip = parseIp(args[0]);
        const bool isMac = !ip && parseMac(args[0], mac);
        if (!ip && !isMac)
            return usage(err, formatText(translate("auctl", "not an IP or MAC address: %1"), {args[0]}));
        if (auto e = s.open(false); !e.empty())
            return refuse(err, e);
        auto& m = s.manager();
        s.lockData();
        if (auto loaded = m.loadSavedList(); loaded.failed())
            return refuse(err, loaded.message);
        auto item = ip ? m.devices().findByIp(*ip) : m.devices().findByMac(mac);
        if (!item)
            return refuse(err, formatText(translate("auctl", "no saved device has the address %1"), {args[0]}));
        m.devices().deleteItems({item});
        if (!m.saveDeviceList())
            return EXIT_REFUSED;
        printDevices(m.devices(), g, out);
        return EXIT_OK;
    }
    return usage(err, formatText(translate("auctl", "unknown devices command %1"), {sub}));
}

std::string formatTable(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& r : rows) {
        if (widths.size() < r.size())
            widths.resize(r.size(), 0);
        for (std::size_t c = 0; c < r.size(); ++c)
            widths[c] = std::max(widths[c], displayWidth(r[c]));
    }
    std::string out;
    for (const auto& r : rows) {
        std::string line;
        for (std::size_t c = 0; c < r.size(); ++c) {
            line += r[c];
            if (c + 1 < r.size())
                line.append(widths[c] - displayWidth(r[c]) + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

int runCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err)
{
    Globals g;
    // The language is settled before the first message, usage errors included:
    // --lang among the global options, else the locale; the INI's
    // Text/Language counts from the data directory's reading on.
    // No command takes --lang, so it may be looked for anywhere.
    for (std::size_t k = 0; k + 1 < argv.size(); ++k)
        if (argv[k] == "--lang")
            g.language = parseLanguage(argv[k + 1]);
    setLanguage(g.language.value_or(languageFromEnvironment()));
    std::size_t i = 0;
    for (; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argv.size())
                return std::nullopt;
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            out << usageText() << rolloutUsageText();
            return EXIT_OK;
        } else if (a == "--adapter") {
            auto v = value();
            if (!v || !parseIp(*v))
                return usage(err, translate("auctl", "--adapter needs an IPv4 address"));
            g.adapters.push_back(*v);
        } else if (a == "--port") {
            auto v = value();
            int port = v ? std::atoi(v->c_str()) : 0;
            if (!v || port <= 0 || port > 65535 || std::to_string(port) != *v)
                return usage(err, translate("auctl", "--port needs a port number from 1 to 65535"));
            g.port = static_cast<std::uint16_t>(port);
        } else if (a == "--data-dir") {
            auto v = value();
            if (!v || v->empty())
                return usage(err, translate("auctl", "--data-dir needs a directory"));
            g.dataDir = *v;
        } else if (a == "--log-file") {
            auto v = value();
            if (!v || v->empty())
                return usage(err, translate("auctl", "--log-file needs a file"));
            g.logFile = *v;
        } else if (a == "--lang") {
            auto v = value();
            if (!v || !parseLanguage(*v))
                return usage(err, translate("auctl", "--lang needs en or zh_CN"));
            g.language = parseLanguage(*v);
        } else if (a == "--json") {
            g.json = true;
        } else if (a == "--quiet") {
            g.quiet = true;
        } else if (a == "--verbose") {
            g.verbose = true;
        } else if (a == "--demo") {
            g.demo = true;
        } else if (a.rfind("--", 0) == 0) {
            return usage(err, formatText(translate("auctl", "unknown option %1"), {a}));
        } else {
            break;
        }
    }
    if (i >= argv.size())
        return usage(err, translate("auctl", "no command given"));
    const std::string cmd = argv[i];
    std::vector<std::string> rest(argv.begin() + static_cast<long>(i) + 1, argv.end());
    // "auctl help [COMMAND]" and "auctl COMMAND ... --help": that command's usage.
    const bool helpAsked = std::find_if(rest.begin(), rest.end(), [](const std::string& a) {
                               return a == "--help" || a == "-h";
                           }) != rest.end();
    if (cmd == "help" && rest.empty()) {
        out << usageText();
        return EXIT_OK;
    }
    if (cmd == "help" || (helpAsked && knownCommand(cmd))) {
        const std::string& topic = cmd == "help" ? rest.front() : cmd;
        if (!knownCommand(topic))
            return usage(err, formatText(translate("auctl", "unknown command %1"), {topic}));
        out << commandUsage(topic);
        return EXIT_OK;
    }
    if (cmd == "search")
        return cmdSearch(g, rest, out, err);
    if (cmd == "devices")
        return cmdDevices(g, rest, out, err);
    if (cmd == "params")
        return cmdParams(g, rest, out, err);
    if (cmd == "mac")
        return cmdMac(g, rest, out, err);
    if (cmd == "time")
        return cmdTime(g, rest, out, err);
    if (cmd == "group")
        return cmdGroup(g, rest, out, err);
    if (cmd == "book")
        return cmdBook(g, rest, out, err);
    if (cmd == "upgrade")
        return cmdUpgrade(g, rest, out, err);
    if (cmd == "commission")
        return cmdCommission(g, rest, out, err);
    if (cmd == "site")
        return cmdSite(g, rest, out, err);
    return usage(err, formatText(translate("auctl", "unknown command %1"), {cmd}));
}

} // namespace aulira::cli
