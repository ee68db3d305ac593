#pragma once
// What the desktop app runs on, set up from its command line the way auctl
// does: the data directory and its INI file, the code page, the adapters and
// the device port, and with --demo a simulated site on loopback. It owns the
// device manager and the protocol worker for the whole run.
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FrontEnd.h"
#include "devices/DeviceManager.h"
#include "protocol/ProtocolWorker.h"
#include "shell/FileLog.h"

namespace aulira::app {

// auctl's --adapter, --port, --data-dir, --demo and --lang.
struct StartupOptions : FrontEndOptions {
    QString error; // set when the command line could not be used

    static StartupOptions parse(const QStringList& arguments);
};

class AppContext {
public:
    AppContext();
    ~AppContext();

    // Returns an error text, empty on success. Adapters that cannot be read
    // are not an error here: the view reports them when it searches.
    std::string open(const StartupOptions& options);

    DeviceManager& manager() { return *manager_; }
    ProtocolWorker& worker() { return *worker_; }
    // The data directory (device list, groups, address books, parameter backups).
    const std::filesystem::path& dataDir() const { return frontEnd_.appDir; }
    bool demo() const { return frontEnd_.site != nullptr; }
    // The language the INI file names (read for compatibility) and the one
    // message boxes use.
    unsigned languageRead() const { return frontEnd_.languageRead; }
    std::uint16_t languageId() const { return frontEnd_.languageId; }
    // The language the texts are shown in: --lang, the INI's Text/Language, the desktop's.
    Language language() const { return frontEnd_.language; }

private:
    // Before everything that logs while it stops.
    std::unique_ptr<FileLog> fileLog_;
    FrontEnd frontEnd_;
    std::unique_ptr<DeviceManager> manager_;
    std::unique_ptr<ProtocolWorker> worker_;
};

} // namespace aulira::app
