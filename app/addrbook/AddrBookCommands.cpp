#include "addrbook/AddrBookCommands.h"

#include <QWidget>

#include <mutex>

#include "addrbook/AddrBookDownloadDlg.h"
#include "addrbook/AddrBookFile.h"
#include "addrbook/NewBookWizard.h"
#include "common/MessageBox.h"
#include "devices/DeviceManager.h"
#include "devices/DeviceRules.h"
#include "grouping/GroupFile.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "util/PathText.h"

namespace aulira::app {

AddrBookCommands::AddrBookCommands(DeviceManager& manager, ProtocolWorker& worker, std::filesystem::path dataDir,
                                   QWidget* window)
    : QObject(window), manager_(manager), worker_(worker), dataDir_(std::move(dataDir)), window_(window)
{
    if (const auto report = loadAddrBookFile(addrBookPath(dataDir_), books_); report.failed()) {
        OutputLog("%s", report.message.c_str());
        loadFailure_ = QString::fromStdString(report.message);
    }
    savedBooks_ = books_;
}

// The duplicate check of the device list.
bool AddrBookCommands::mayOpen()
{
    const DeviceList& list = manager_.devices();
    const auto items = list.snapshot();
    int messageId = 0;
    bool duplicate = false;
    {
        std::lock_guard lock(list.mutex());
        duplicate = CheckDuplicates(items, &messageId) != 0;
    }
    if (duplicate)
        showWarningText(window_, messageId);
    return !duplicate;
}

GroupList AddrBookCommands::loadGroups()
{
    FileLoadReport report;
    GroupList groups = loadGroupFile(groupFilePath(dataDir_), report);
    if (report.failed()) {
        OutputLog("%s", report.message.c_str());
        showWarning(window_, QString::fromStdString(report.message));
    }
    return groups;
}

void AddrBookCommands::save()
{
    std::string error;
    // auctl may have saved books meanwhile: they are taken in, not overwritten.
    if (SaveAddrBookFileMerged(addrBookPath(dataDir_), savedBooks_, books_, &error))
        return;
    // The books stay in memory; the next save tries again.
    const std::string line =
        "The address books could not be saved to " + pathToUtf8(addrBookPath(dataDir_)) + ": " + error;
    OutputLog("%s", line.c_str());
    showWarning(window_, QString::fromStdString(line));
}

// A damaged book file is told once, at the first book command (the log has it from the start).
void AddrBookCommands::tellLoadFailure()
{
    if (loadFailure_.isEmpty())
        return;
    showWarning(window_, loadFailure_);
    loadFailure_.clear();
}

void AddrBookCommands::openWizard()
{
    if (manager_.searching())
        return;
    tellLoadFailure();
    if (!mayOpen())
        return;
    NewBookWizardSheet wizard(books_, loadGroups(), bookDevices(manager_.devices()), window_);
    if (wizard.exec() != QDialog::Accepted)
        return;
    books_.push_back(wizard.book());
    OutputLog("%s \"%s\" %s.", oneLine(stringText(IDS_BOOK_ADD)).c_str(), wizard.book().name.c_str(),
              stringText(IDS_COMPLETE));
    save();
}

void AddrBookCommands::openDownload()
{
    if (manager_.searching())
        return;
    tellLoadFailure();
    if (books_.empty()) {
        showWarningText(window_, IDS_NO_ADDRESS_BOOK);
        return;
    }
    if (!mayOpen())
        return;
    AddrBookDownloadDlg dialog(books_, loadGroups(), manager_.devices(), worker_, window_);
    dialog_ = &dialog;
    dialog.exec();
    dialog_ = nullptr;
    if (dialog.changed())
        save();
}

void AddrBookCommands::bookDownloaded(int result)
{
    if (dialog_)
        dialog_->transferDone(true, result);
}

void AddrBookCommands::bookCleared(int result)
{
    if (dialog_)
        dialog_->transferDone(false, result);
}

} // namespace aulira::app
