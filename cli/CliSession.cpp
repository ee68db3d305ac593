#include "CliSession.h"
#include "util/PathText.h"

#include <charconv>
#include <iostream>

#include "protocol/StatusPoll.h"
#include "protocol/Timing.h"
#include "shell/DataFolder.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::cli {

int refuse(std::ostream& err, const std::string& text)
{
    err << "auctl: " << oneLine(text) << "\n";
    return EXIT_REFUSED;
}

nlohmann::json deviceJson(const DeviceItem_Type& item)
{
    const EnglishScope english;
    const auto cols = deviceColumns(item);
    // JSON escapes control characters itself; the texts go out as the device has them.
    const auto& r = item.devItem;
    return nlohmann::json{{"status", cols[0]},
                          {"no", r.devNo()},
                          {"ip", cols[2]},
                          {"mac", cols[3]},
                          {"name", ansiToUtf8(r.devName())},
                          {"type", ansiToUtf8(r.deviceType())},
                          {"firmware", ansiToUtf8(r.firmwareVersion())},
                          {"serverIp", cols[7]},
                          {"deviceStatus", cols[8]},
                          {"location", cols[9]},
                          {"state", item.state},
                          {"localIp", item.localIp}};
}

bool takeFlag(std::vector<std::string>& args, const std::string& flag) { return std::erase(args, flag) > 0; }

bool takeRetries(std::vector<std::string>& args, Globals& g, std::ostream& err, int& usageRc)
{
    for (auto it = args.begin(); it != args.end();) {
        if (*it != "--retries") {
            ++it;
            continue;
        }
        int n = -1;
        if (it + 1 != args.end()) {
            const std::string& v = *(it + 1);
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
            if (ec != std::errc() || end != v.data() + v.size())
                n = -1;
        }
        if (n < 0 || n > kMaxRetries) {
            usageRc = usage(err, translate("auctl", "--retries needs a number from 0 to 20"));
            return false;
        }
        g.retries = n;
        it = args.erase(it, it + 2);
    }
    return true;
}

std::string jsonText(const nlohmann::json& j, int indent)
{
    return j.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

void printDevices(const DeviceList& list, const Globals& g, std::ostream& out)
{
    const auto items = list.snapshot();
    std::lock_guard lock(list.mutex());
    if (g.json) {
        nlohmann::json arr = nlohmann::json::array();
        for (const auto& item : items)
            arr.push_back(deviceJson(*item));
        out << jsonText(arr, 2) << "\n";
        return;
    }
    std::vector<std::vector<std::string>> rows;
    const auto titles = deviceColumnTitles();
    rows.emplace_back(titles.begin(), titles.end());
    for (const auto& item : items) {
        const auto cols = deviceColumns(*item);
        rows.emplace_back(cols.begin(), cols.end());
    }
    out << formatTable(rows);
}

Session::Session(const Globals& g, std::ostream& err) : globals_(g), err_(err)
{
    if (!g.quiet)
        logSink_ = std::make_unique<LogSubscription>([this](const std::string& line) {
            if (muteLog_)
                return;
            std::lock_guard lock(errMutex_);
            err_ << oneLine(line) << "\n";
            err_.flush();
        });
    if (g.logFile) {
        FileLog::Options o;
        o.file = *g.logFile;
        namedLog_ = openFileLog(std::move(o));
    }
}

Session::~Session() = default;

std::unique_ptr<FileLog> Session::openFileLog(FileLog::Options options)
{
    options.program = "auctl";
    // A log file that stops is said even with --quiet: losing it is never silent.
    if (globals_.quiet)
        options.report = [this](const std::string& line) {
            std::lock_guard lock(errMutex_);
            err_ << "auctl: " << line << "\n";
            err_.flush();
        };
    auto log = std::make_unique<FileLog>(std::move(options));
    log->attachToLog();
    return log;
}

void Session::note(const std::string& line)
{
    if (globals_.quiet)
        return;
    std::lock_guard lock(errMutex_);
    err_ << line << "\n";
    err_.flush();
}

std::string Session::open(bool needAdapters)
{
    if (auto e = prepareFrontEnd(
            {globals_.adapters, globals_.port, globals_.dataDir, globals_.demo, globals_.language, std::nullopt,
             globals_.retries},
            frontEnd_);
        !e.empty())
        return e;
    FileLog::Options daily;
    daily.folder = logFolder(frontEnd_.appDir);
    dailyLog_ = openFileLog(std::move(daily));
    const auto& adapters = frontEnd_.adapters;
    const auto& appDir = frontEnd_.appDir;
    manager_ = std::make_unique<DeviceManager>(appDir);
    // auctl waits for another program's hold on the folder rather than give up.
    manager_->setDataLockWait(std::nullopt);
    if (const auto problems = checkDataFiles(appDir); !problems.empty()) {
        std::string text;
        for (const auto& p : problems)
            text += (text.empty() ? "" : " ") + p.message;
        return text;
    }
    if (needAdapters) {
        if (!manager_->initAdapters(adapters))
            return oneLine(stringText(IDS_NO_ADAPTER_INFO));
    } else {
        // Only the subnet test needs the adapters here; keep their log lines quiet.
        muteLog_ = true;
        manager_->initAdapters(adapters);
        muteLog_ = false;
    }
    return {};
}

namespace {

class PollPrinter : public PollListener {
public:
    explicit PollPrinter(Session& s) : session_(s) {}
    void onPollResult(const DeviceItemPtr& item, const std::string& adapter, int result) override
    {
        std::uint32_t ip;
        {
            std::lock_guard lock(session_.manager().devices().mutex());
            ip = item->ip;
        }
        session_.note(formatText(translate("auctl", "poll %1 through %2: %3"),
                                 {formatIp(ip), adapter,
                                  result == RES_OK ? translate("auctl", "answered") : resultName(result)}));
    }

private:
    Session& session_;
};

} // namespace

void Session::pollRemoteDevices()
{
    PollPrinter printer(*this);
    DeviceManager& m = *manager_;
    StatusPoller poller(
        m.devices(), [&m] { return m.localIps(); },
        [&m](std::uint32_t ip, std::uint32_t mask) { return m.isLocalSubnet(ip, mask); },
        globals_.verbose ? &printer : nullptr);
    poller.pollPass();
}

void Session::noteWaiting()
{
    note(formatText(translate("auctl", "auctl: waiting for another program to finish with %1"),
                    {pathToUtf8(manager_->dataDirectory())}));
}

void Session::lockData()
{
    if (dataLock_)
        return;
    dataLock_ = std::make_unique<DataLock>(manager_->dataDirectory(), std::nullopt, [this] { noteWaiting(); });
    if (!dataLock_->held())
        note(formatText(translate("auctl", "auctl: %1; going on without the lock"), {dataLock_->error()}));
}

std::string Session::searchAndPoll()
{
    lockData();
    switch (manager_->StartSearch()) {
    case DeviceManager::SearchStart::NoAdapter:
        return stringText(IDS_NO_LOCAL_ADAPTER);
    case DeviceManager::SearchStart::AlreadyRunning:
    case DeviceManager::SearchStart::Started:
        break;
    }
    manager_->waitSearchDone();
    // The files are in memory now; whatever comes next (a download, an
    // upgrade) may take minutes and must not keep the app's saves waiting.
    unlockData();
    if (auto problem = manager_->takeFileProblem(); !problem.empty())
        return problem;
    pollRemoteDevices();
    return {};
}

DeviceItemPtr Session::findDevice(const std::string& text) const
{
    const DeviceList& list = manager_->devices();
    if (auto ip = parseIp(text))
        return list.findByIp(*ip);
    std::uint8_t mac[6];
    if (parseMac(text, mac))
        return list.findByMac(mac);
    std::int32_t no = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), no);
    if (ec == std::errc() && p == text.data() + text.size())
        return list.findByNo(no);
    return nullptr;
}

} // namespace aulira::cli
