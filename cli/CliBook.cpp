// auctl book: the call stations' address books: list, create (with the new
// book wizard's rules), delete, download into a call station and clear one.
#include <algorithm>
#include <charconv>
#include <iostream>

#include "CliSession.h"
#include "util/PathText.h"
#include "grouping/GroupFile.h"
#include "addrbook/AddrBook.h"
#include "addrbook/AddrBookFile.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceRules.h"
#include "protocol/ParaReadBack.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Strings.h"
#include "shell/Translate.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::cli {

namespace {

using nlohmann::json;
using ojson = nlohmann::ordered_json; // books print their fields in the documented order

GroupList readGroupFile(const std::filesystem::path& dataDir) { return LoadGroupInfoFile(groupFilePath(dataDir)); }

std::string resultText(int result) { return bookResultText(result); }

class BookResults : public WorkerListener {
public:
    void onBookDownloaded(int result) override { downloaded = result; }
    void onBookCleared(int result) override { cleared = result; }
    int downloaded = 1, cleared = 1; // 1: no answer yet
};

std::string entryName(const DevItem_Type& e) { return ansiToUtf8(e.nameBytes()); }

ojson bookJson(const AddrBook_Type& b)
{
    ojson groups = ojson::array(), broadcast = ojson::array(), intercom = ojson::array();
    for (const auto& e : b.groups)
        groups.push_back({{"no", e.id}, {"name", entryName(e)}});
    for (const auto& e : b.broadcast)
        broadcast.push_back({{"ip", formatIp(e.id)}, {"name", entryName(e)}});
    for (const auto& e : b.intercom)
        intercom.push_back({{"ip", formatIp(e.id)}, {"name", entryName(e)}});
    return {{"name", b.name}, {"groups", groups}, {"broadcast", broadcast}, {"intercom", intercom}};
}

void printBook(const AddrBook_Type& b, std::ostream& out)
{
    out << b.name << "\n";
    std::vector<std::vector<std::string>> rows;
    for (const auto& e : b.groups)
        rows.push_back({"  group", std::to_string(e.id), entryName(e)});
    for (const auto& e : b.broadcast)
        rows.push_back({"  broadcast", formatIp(e.id), entryName(e)});
    for (const auto& e : b.intercom)
        rows.push_back({"  intercom", formatIp(e.id), entryName(e)});
    out << formatTable(rows);
}

// The data directory's files and the session around them.
struct BookFiles {
    Session& session;
    AddrBookList books;
    AddrBookList loaded; // as the file held them: a save takes in what others saved since

    std::filesystem::path path() const { return addrBookPath(session.manager().dataDirectory()); }
    // Under the data folder's lock until the search or the save: a book list
    // loaded here is saved back whole.
    int load(std::ostream& err)
    {
        session.lockData();
        if (const auto report = loadAddrBookFile(path(), books); report.failed())
            return refuse(err, report.message);
        loaded = books;
        return EXIT_OK;
    }
    int save(std::ostream& err)
    {
        session.lockData();
        std::string error;
        if (!SaveAddrBookFileMerged(path(), loaded, books, &error))
            return refuse(err, formatText(translate("auctl", "cannot write %1: %2"), {pathToUtf8(path()), error}));
        return EXIT_OK;
    }
};

// Search (saved list merged) and poll, then the main view's duplicate check.
int findDevices(Session& s, std::ostream& err)
{
    if (auto e = s.searchAndPoll(); !e.empty())
        return refuse(err, e);
    const DeviceList& list = s.manager().devices();
    const auto items = list.snapshot();
    int messageId = 0;
    std::lock_guard lock(list.mutex());
    if (CheckDuplicates(items, &messageId))
        return refuse(err, stringText(messageId));
    return EXIT_OK;
}

// A DEVICE argument of a transfer: only online devices can take one.
DeviceItemPtr onlineDevice(Session& s, const std::string& text)
{
    DeviceItemPtr item = s.findDevice(text);
    if (!item)
        return nullptr;
    std::lock_guard lock(s.manager().devices().mutex());
    return isOnlineState(item->state) ? item : nullptr;
}

std::string tagOf(const DeviceList& list, const DeviceItemPtr& item)
{
    std::lock_guard lock(list.mutex());
    return deviceTag(ansiToUtf8(item->devItem.devName()), item->ip);
}

int bookList(Session& s, std::ostream& out, std::ostream& err)
{
    BookFiles f{s, {}, {}};
    if (int rc = f.load(err); rc != EXIT_OK)
        return rc;
    if (s.globals().json) {
        ojson arr = ojson::array();
        for (const auto& b : f.books)
            arr.push_back(bookJson(b));
        out << jsonText(arr, 2) << "\n";
        return EXIT_OK;
    }
    if (f.books.empty())
        out << oneLine(stringText(IDS_NO_ADDRESS_BOOK)) << "\n";
    for (const auto& b : f.books)
        printBook(b, out);
    return EXIT_OK;
}

struct CreateArgs {
    std::string name;
    std::vector<std::string> groups, broadcast, intercom;
};

int parseCreate(const std::vector<std::string>& args, CreateArgs& c, std::ostream& err)
{
    if (args.empty())
        return usage(err, translate("auctl", "book create needs a NAME"));
    c.name = args[0];
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& opt = args[i];
        std::vector<std::string>* into = opt == "--group"       ? &c.groups
                                         : opt == "--broadcast" ? &c.broadcast
                                         : opt == "--intercom"  ? &c.intercom
                                                                : nullptr;
        if (!into)
            return usage(err, formatText(translate("auctl", "book create does not take %1"), {opt}));
        if (i + 1 >= args.size())
            return usage(err, opt + " needs a value");
        into->push_back(args[++i]);
    }
    return EXIT_OK;
}

// Adds an entry unless one with its id is there already (a row is ticked once).
void addOnce(std::vector<DevItem_Type>& entries, const DevItem_Type& e)
{
    for (const auto& have : entries)
        if (have.id == e.id)
            return;
    entries.push_back(e);
}

int addDevices(Session& s, const std::vector<std::string>& texts, std::vector<DevItem_Type>& entries,
               std::ostream& err)
{
    for (const auto& text : texts) {
        DeviceItemPtr item = s.findDevice(text);
        if (!item)
            return refuse(err,
                          formatText(translate("auctl", "no device with the address or number %1 was found"), {text}));
        std::lock_guard lock(s.manager().devices().mutex());
        addOnce(entries, deviceEntry(item->devItem));
    }
    return EXIT_OK;
}

int bookCreate(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    CreateArgs c;
    if (int rc = parseCreate(args, c, err); rc != EXIT_OK)
        return rc;
    BookFiles f{s, {}, {}};
    if (int rc = f.load(err); rc != EXIT_OK)
        return rc;
    if (int id = checkBookName(f.books, c.name))
        return refuse(err, stringText(id));

    AddrBook_Type book;
    book.name = c.name;
    if (!c.groups.empty()) {
        const GroupList groups = readGroupFile(s.manager().dataDirectory());
        for (const auto& text : c.groups) {
            int no = 0;
            const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), no);
            const GroupItem_Type* group = nullptr;
            if (ec == std::errc() && p == text.data() + text.size())
                for (const auto& g : groups)
                    if (g.number() == no) {
                        group = &g;
                        break;
                    }
            if (!group)
                return refuse(err, formatText(translate("auctl", "there is no group with the number %1"), {text}));
            addOnce(book.groups, groupEntry(*group));
        }
    }
    if (!c.broadcast.empty() || !c.intercom.empty()) {
        if (int rc = findDevices(s, err); rc != EXIT_OK)
            return rc;
        if (int rc = addDevices(s, c.broadcast, book.broadcast, err); rc != EXIT_OK)
            return rc;
        if (int rc = addDevices(s, c.intercom, book.intercom, err); rc != EXIT_OK)
            return rc;
    }
    if (int id = checkBookSelection(book))
        return refuse(err, stringText(id));

    f.books.push_back(book);
    if (int rc = f.save(err); rc != EXIT_OK)
        return rc;
    OutputLog("%s \"%s\" %s.", oneLine(stringText(IDS_BOOK_ADD)).c_str(), book.name.c_str(), stringText(IDS_COMPLETE));
    if (s.globals().json)
        out << jsonText(bookJson(book), 2) << "\n";
    else
        printBook(book, out);
    return EXIT_OK;
}

int bookDelete(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, translate("auctl", "book delete needs a NAME"));
    BookFiles f{s, {}, {}};
    if (int rc = f.load(err); rc != EXIT_OK)
        return rc;
    auto it = std::find_if(f.books.begin(), f.books.end(), [&](const AddrBook_Type& b) { return b.name == args[0]; });
    if (it == f.books.end())
        return refuse(err, formatText(translate("auctl", "there is no address book named \"%1\""), {args[0]}));
    f.books.erase(it);
    if (int rc = f.save(err); rc != EXIT_OK)
        return rc;
    OutputLog("%s \"%s\" %s.", stringText(IDS_BOOK_DELETE), args[0].c_str(), stringText(IDS_COMPLETE));
    if (s.globals().json)
        out << jsonText(json{{"deleted", args[0]}}, 2) << "\n";
    else
        out << formatText(translate("auctl", "deleted the address book \"%1\""), {args[0]}) << "\n";
    return EXIT_OK;
}

int bookDownload(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2)
        return usage(err, translate("auctl", "book download needs a NAME and a DEVICE"));
    BookFiles f{s, {}, {}};
    if (int rc = f.load(err); rc != EXIT_OK)
        return rc;
    if (f.books.empty())
        return refuse(err, stringText(IDS_NO_ADDRESS_BOOK));
    AddrBook_Type* book = findBook(f.books, args[0]);
    if (!book)
        return refuse(err, oneLine(stringText(IDS_BOOK_NONE_SELECTED)) +
                               formatText(translate("auctl", " (there is no address book named \"%1\")"), {args[0]}));
    if (int rc = findDevices(s, err); rc != EXIT_OK)
        return rc;
    DeviceItemPtr target = onlineDevice(s, args[1]);
    if (int id = checkBookDownload(book, target != nullptr)) {
        std::string text = oneLine(stringText(id));
        if (!target)
            text += formatText(translate("auctl", " (no online device with the address or number %1)"), {args[1]});
        return refuse(err, text);
    }

    // Showing a book brings its names up to date; the file keeps them.
    DeviceList& list = s.manager().devices();
    if (refreshBookNames(*book, readGroupFile(s.manager().dataDirectory()), deviceRecords(list))) {
        if (int rc = f.save(err); rc != EXIT_OK)
            return rc;
        book = findBook(f.books, args[0]); // the save may take in other programs' books
        if (!book)
            return refuse(err, formatText(translate("auctl", "the address book \"%1\" was deleted meanwhile"), {args[0]}));
    }

    BookResults results;
    ProtocolWorker worker(list, &results);
    // A station acknowledges no address-book packet. What can be checked is
    // that it is still there after the transfer; that the book arrived cannot.
    postDownloadAddrBook(worker, list, target, *book, !s.globals().noConfirm);
    worker.waitIdle();
    const std::string tag = tagOf(list, target);
    if (results.downloaded == RES_BOOK_STATION_SILENT)
        return refuse(err, formatText(translate("auctl", "the address book \"%1\" was sent to %2, but the station "
                                                         "did not answer afterwards"),
                                      {book->name, tag}));
    if (results.downloaded != RES_OK)
        return refuse(err, formatText(translate("auctl", "the address book \"%1\" was not downloaded into %2: %3"),
                                      {book->name, tag, resultText(results.downloaded)}));
    s.note(formatText(
        translate("auctl", "%1: call stations do not acknowledge address books, so its arrival is not confirmed"),
        {tag}));
    if (s.globals().json)
        out << jsonText(json{{"book", book->name},
                           {"device", formatIp(target->ip)},
                           {"size", bookImageSize(*book)},
                           {"acknowledged", false}}, 2)
            << "\n";
    else
        out << oneLine(stringText(IDS_BOOK_DOWNLOADED)) << "\n";
    return EXIT_OK;
}

int bookClear(Session& s, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, translate("auctl", "book clear needs a DEVICE"));
    if (int rc = findDevices(s, err); rc != EXIT_OK)
        return rc;
    DeviceItemPtr target = onlineDevice(s, args[0]);
    if (!target)
        return refuse(err, oneLine(stringText(IDS_BOOK_NO_DEVICE_SELECTED)) +
                               formatText(translate("auctl", " (no online device with the address or number %1)"),
                                          {args[0]}));
    DeviceList& list = s.manager().devices();
    BookResults results;
    ProtocolWorker worker(list, &results);
    postClearAddrBook(worker, list, target);
    worker.waitIdle();
    if (results.cleared != RES_OK)
        return refuse(err, formatText(translate("auctl", "the address book of %1 was not cleared: %2"),
                                      {tagOf(list, target), resultText(results.cleared)}));
    if (s.globals().json)
        out << jsonText(json{{"cleared", formatIp(target->ip)}}, 2) << "\n";
    else
        out << oneLine(stringText(IDS_BOOK_CLEARED)) << "\n";
    return EXIT_OK;
}

} // namespace

int cmdBook(const Globals& global, std::vector<std::string> args, std::ostream& out, std::ostream& err)
{
    Globals g = global;
    if (!args.empty() && args.front() == "download")
        g.noConfirm = takeFlag(args, "--no-confirm");
    if (args.empty())
        return usage(err, translate("auctl", "book needs list, create, delete, download or clear"));
    const std::string sub = args.front();
    args.erase(args.begin());
    if (sub != "list" && sub != "create" && sub != "delete" && sub != "download" && sub != "clear")
        return usage(err, formatText(translate("auctl", "unknown book command %1"), {sub}));
    if (sub == "list" && !args.empty())
        return usage(err, translate("auctl", "book list takes no arguments"));
    Session s(g, err);
    // Only the transfers and device choices need the network.
    const bool network = sub == "download" || sub == "clear" ||
                         (sub == "create" && std::find_if(args.begin(), args.end(), [](const std::string& a) {
                                                 return a == "--broadcast" || a == "--intercom";
                                             }) != args.end());
    if (auto e = s.open(network); !e.empty())
        return refuse(err, e);
    if (sub == "list")
        return bookList(s, out, err);
    if (sub == "create")
        return bookCreate(s, args, out, err);
    if (sub == "delete")
        return bookDelete(s, args, out, err);
    if (sub == "download")
        return bookDownload(s, args, out, err);
    return bookClear(s, args, out, err);
}

} // namespace aulira::cli
