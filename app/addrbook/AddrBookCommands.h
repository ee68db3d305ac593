#pragma once
// The call stations' address books in the desktop app: the book list, read
// from the address book file when the window is set up, and the two commands
// on it (the new address book wizard and the download dialog) with their
// preconditions. The worker's transfer results are handed to the open
// download dialog and dropped when none is open.
#include <QObject>
#include <QPointer>

#include <filesystem>

#include "addrbook/AddrBook.h"
#include "addrbook/AddrBookDownloadDlg.h"

class QWidget;

namespace aulira {
class DeviceManager;
class ProtocolWorker;
} // namespace aulira

namespace aulira::app {

class AddrBookCommands : public QObject {
    Q_OBJECT
public:
    AddrBookCommands(DeviceManager& manager, ProtocolWorker& worker, std::filesystem::path dataDir,
                     QWidget* window);

    const AddrBookList& books() const { return books_; }
    AddrBookDownloadDlg* downloadDialog() const { return dialog_; }

public slots:
    void openWizard();
    void openDownload();
    void bookDownloaded(int result);
    void bookCleared(int result);

private:
    bool mayOpen();
    void tellLoadFailure();
    GroupList loadGroups();
    void save();

    DeviceManager& manager_;
    ProtocolWorker& worker_;
    std::filesystem::path dataDir_;
    QWidget* window_;
    AddrBookList books_;
    AddrBookList savedBooks_; // the file as this program last loaded or saved it
    QString loadFailure_; // told once, at the first book command
    QPointer<AddrBookDownloadDlg> dialog_;
};

} // namespace aulira::app
