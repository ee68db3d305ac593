#pragma once
// What every auctl command shares: the global options, the session (data
// directory, INI, adapters, device port, the simulated site of --demo, the
// operation log on stderr) and the output helpers.
#include <atomic>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Cli.h"
#include "FrontEnd.h"
#include "devices/DeviceManager.h"
#include "shell/FileLog.h"
#include "shell/Log.h"
#include "shell/Translate.h"
#include "util/DataLock.h"

namespace aulira::cli {

struct Globals {
    std::vector<std::string> adapters;
    std::optional<std::uint16_t> port;
    std::optional<std::string> dataDir;
    bool json = false;
    bool quiet = false;
    bool verbose = false;
    bool demo = false;
    std::optional<Language> language; // --lang
    bool noConfirm = false; // the command's --no-confirm: a write is not read back
    std::optional<std::string> logFile; // --log-file: the log also goes to this file
};

int usage(std::ostream& err, const std::string& message);
// Removes every occurrence of a flag from a command's arguments; true when there was one.
bool takeFlag(std::vector<std::string>& args, const std::string& flag);
// Prints one refusal as a one-line message and returns the refusal exit code.
int refuse(std::ostream& err, const std::string& text);

// Its texts are the English ones in every language: scripts read them.
nlohmann::json deviceJson(const DeviceItem_Type& item);
// JSON text for stdout. Text that is not valid UTF-8 (an argument typed in
// another encoding) comes out with U+FFFD instead of ending the program.
std::string jsonText(const nlohmann::json& j, int indent = -1);
void printDevices(const DeviceList& list, const Globals& g, std::ostream& out);

// What changed between two records of one layout: as params set prints it,
// and as its JSON document ({"changes": [{field, from, to}], "otherBytes": n}).
void printChanges(const SysParaBuffer& before, const SysParaBuffer& after, bool ext, const Globals& g,
                  std::ostream& out, std::optional<bool> confirmed = std::nullopt);
nlohmann::json changesJson(const SysParaBuffer& before, const SysParaBuffer& after, bool ext);

class Session {
public:
    Session(const Globals& g, std::ostream& err);
    ~Session();

    // Returns an error text, empty on success. A damaged device list, group
    // or address book file is an error: it is moved aside (what was read
    // completely from it is written anew) and the command stops.
    std::string open(bool needAdapters);
    DeviceManager& manager() { return *manager_; }
    const Globals& globals() const { return globals_; }
    // The data directory: device list, groups, address books, backups.
    const std::filesystem::path& dataDir() const { return frontEnd_.appDir; }

    // Holds the data folder's lock from now until the session ends, so what
    // the command loads, changes and saves is not changed by another program
    // in between. Waits for another holder (saying so). Taking it twice is
    // harmless.
    void lockData();

    // A line on stderr beside the operation log (silent with --quiet).
    void note(const std::string& line);

    // One status poll pass over the saved devices of other subnets; with
    // --verbose every attempt is printed.
    void pollRemoteDevices();

    // Search (saved list merged), then poll: what a DEVICE argument is
    // looked up in. Takes the data folder's lock first, since the command
    // may save the device list at its end. Returns an error text, empty on
    // success (a device list file found damaged is an error).
    std::string searchAndPoll();

    // A DEVICE argument: an IP address, a MAC address or a device number.
    DeviceItemPtr findDevice(const std::string& text) const;

private:
    void noteWaiting();
    std::unique_ptr<FileLog> openFileLog(FileLog::Options options);

    const Globals& globals_;
    std::ostream& err_;
    std::mutex errMutex_;
    std::atomic<bool> muteLog_{false};
    std::unique_ptr<LogSubscription> logSink_;
    // After the stderr sink, before everything that logs while it stops.
    std::unique_ptr<FileLog> namedLog_;
    std::unique_ptr<FileLog> dailyLog_;
    FrontEnd frontEnd_;
    std::unique_ptr<DeviceManager> manager_;
    std::unique_ptr<DataLock> dataLock_;
};

// Command groups.
int cmdSearch(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdDevices(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdParams(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdMac(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdTime(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdGroup(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdBook(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdUpgrade(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdCommission(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);
int cmdSite(const Globals& g, std::vector<std::string> args, std::ostream& out, std::ostream& err);

} // namespace aulira::cli
