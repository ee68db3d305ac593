#pragma once
// The modeless parameter sheet: a tree of pages, the running-information list,
// and the buttons that write the record to the device or move it to and from
// a configuration file. It edits a working copy of the attached entry's
// record and hands every stored page back to the entry, so a write posted to
// the worker always sends what the pages stored.
#include <QDialog>
#include <QStringList>

#include <array>
#include <filesystem>
#include <functional>

#include "devices/DeviceItem.h"
#include "params/SysParaSettings.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace aulira {
class DeviceList;
class ProtocolWorker;
} // namespace aulira

namespace aulira::app {

class BasicParaPage;
class KeyParaPage;
class ParaPage;

class SettingsSheet : public QDialog {
    Q_OBJECT
public:
    // The pages in tree order, numbered as SysParaPage numbers the record's sections.
    enum Page {
        RunningInfo = 0,
        BasicSettings,
        PlaySettings,
        SessionSettings,
        RecordingSettings,
        ControlAndStatus,
        Control1,
        Control2,
        Control3,
        Control4,
        ControlSerial,
        DataSerial,
        Gpio,
        PageCount
    };
    enum class FileAction { Open, Save, Restore };
    // Asks the user for a configuration file; an empty path cancels.
    using FileChooser = std::function<QString(QWidget* parent, FileAction action)>;
    using WarnHandler = std::function<void(QWidget* owner, const QString& text)>;
    using InfoHandler = std::function<void(QWidget* owner, const QString& text)>;

    explicit SettingsSheet(ProtocolWorker* worker, QWidget* parent = nullptr);
    ~SettingsSheet() override;

    void setWorker(ProtocolWorker* worker) { worker_ = worker; }
    // The list whose entries the worker reads: readFinished() attaches them from it.
    void setDeviceList(DeviceList* list) { devices_ = list; }
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // The data directory: once set, Save keeps the record as read in its
    // backups folder before writing (and writes nothing when it cannot).
    // "Restore..." is offered from then on.
    void setBackupDirectory(std::filesystem::path dir);
    // Used by the sheet and by its pages.
    void setWarnHandler(WarnHandler warn);
    void setInfoHandler(InfoHandler info) { inform_ = std::move(info); }

    // Shows `item` (its record already read) in every page. The entry stays
    // owned by `list`, whose lock guards its record.
    void attachDevice(DeviceItemPtr item, DeviceList& list);
    DeviceItemPtr device() const { return item_; }

    // The page on screen, or -1 while nothing has been chosen since showing.
    int currentPage() const { return current_; }
    // The working copy of the record, with every stored page in it.
    const SysParaBuffer& record() const { return record_; }
    bool saveToList() const { return saveToList_; }
    // A write has been posted and its result has not arrived yet.
    bool writePending() const { return writing_ != nullptr; }
    QPushButton* saveButton() const { return saveButton_; }

    // "NO 21 Lobby(192.168.1.21)": how messages name a device.
    static QString describe(const DeviceList& list, const DeviceItemPtr& item);

    BasicParaPage* basicPage() const { return basic_; }
    // The parameter page at a tree position (BasicSettings to Gpio).
    ParaPage* page(int index) const;
    QTreeWidget* pageTree() const { return tree_; }
    QTreeWidget* runningInfo() const { return info_; }

public slots:
    // Stores the page on screen and shows `page`; a refusal is shown but the
    // navigation still happens.
    void showPage(int page);
    // Writes the record to the device; a refused page keeps the sheet open.
    // Unless the user turned it off, the changes are reviewed first: nothing
    // changed writes nothing, and Cancel in the review writes nothing.
    // The sheet then waits for writeFinished(): it closes on success and stays
    // open with everything typed on failure.
    void save();
    void loadSettings();
    void saveSettings();
    // Loads a backup of this device chosen by the user, then saves as Save
    // does (review included).
    void restoreBackup();
    // Cancel, Escape and the window's close button: with edits that Save
    // would write, the user first chooses to discard them or keep editing.
    void reject() override;

    // The worker's reports, on the UI thread. A read shows the sheet for the
    // device; a failed one is said in the log and the status bar.
    void readStarted(const aulira::DeviceItemPtr& item);
    void readFinished(const aulira::DeviceItemPtr& item, int result);
    void writeFinished(const aulira::DeviceItemPtr& item, int result);

signals:
    // "Save device to list" was checked when the record was written: the
    // device the sheet edits joins the saved list.
    void addToListRequested(const aulira::DeviceItemPtr& item);
    // A short note for the status bar.
    void statusMessage(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void rebuild();
    void fillRunningInfo();
    void reloadPages();
    // Stores the page on screen into the record; false after a refusal.
    bool storePage(int page);
    void publishRecord();
    void onTreeClicked(QTreeWidgetItem* item);
    void setWaiting(bool waiting);
    // Save's checks before a write (SheetChecks.cpp). True when an address
    // would strand the device; the field is shown and its message given.
    bool refuseUnreachable();
    // The review of the changes, when wanted or when the new number or
    // address is another device's; false when the user cancelled it.
    bool reviewAccepted();
    QStringList clashWarnings() const;
    // What the pages hold differs from the record as read (a value the rules
    // refuse counts as a difference).
    bool hasUnsavedEdits() const;
    void setReadsPending(int count);

    ProtocolWorker* worker_;
    DeviceList* list_ = nullptr;
    DeviceItemPtr item_;
    SysParaBuffer record_{};
    SysParaBuffer readRecord_{}; // as read from the device: what Save's review compares against
    bool ext_ = true;
    bool loadedFromFile_ = false; // Load Settings filled the record since the device was attached
    bool intercomStatus_ = false; // the device's model has key 3's "Intercom Status" mode
    SysParaSettings settings_;
    int current_ = -1;
    bool saveToList_ = false;
    FileChooser chooseFile_;
    std::filesystem::path backupDir_;
    WarnHandler warn_;
    InfoHandler inform_;
    DeviceList* devices_ = nullptr;
    DeviceItemPtr writing_; // the entry whose write result is awaited
    int readsPending_ = 0;

    QLabel* heading_;
    QTreeWidget* tree_;
    QTreeWidget* info_;
    BasicParaPage* basic_;
    std::array<ParaPage*, PageCount> pages_{}; // [0] is the running-information list
    KeyParaPage* key3_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
    QPushButton* loadButton_;
    QPushButton* exportButton_;
    QPushButton* restoreButton_;
    QCheckBox* saveToListCheck_;
};

} // namespace aulira::app
