#include "params/SettingsSheet.h"

#include "common/DeviceLog.h"
#include "common/FilePath.h"
#include "common/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

#include "common/LastFolder.h"
#include "devices/DeviceList.h"
#include "params/ConfigFile.h"
#include "params/ParaBackups.h"
#include "params/ReviewDialog.h"
#include "params/pages/BasicParaPage.h"
#include "params/pages/ControlSerialPage.h"
#include "params/pages/ControlStatusPage.h"
#include "params/pages/DataSerialPage.h"
#include "params/pages/GpioParaPage.h"
#include "params/pages/KeyParaPage.h"
#include "params/pages/PlayParaPage.h"
#include "params/pages/RecordingParaPage.h"
#include "params/pages/SessionParaPage.h"
#include "protocol/Packet.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "shell/Translate.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

QString defaultChooser(QWidget* parent, SettingsSheet::FileAction action, const QString& folder)
{
    const bool saving = action == SettingsSheet::FileAction::Save;
    QFileDialog dialog(parent, QString(), folder);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QObject::tr("Aulira config files (*.alc)"));
    dialog.setDefaultSuffix(QStringLiteral("alc"));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString file = dialog.selectedFiles().constFirst();
    if (action != SettingsSheet::FileAction::Restore)
        rememberFolder(kSettingsFolderKey, file);
    return file;
}

std::size_t fieldIndex(const char* name) { return static_cast<std::size_t>(sysParaFieldIndex(name)); }

QString sheetTitle() { return QObject::tr("Audio terminal parameter settings"); }

} // namespace

SettingsSheet::SettingsSheet(ProtocolWorker* worker, QWidget* parent)
    : QDialog(parent), worker_(worker), settings_(SysParaSettings::load(record_, true)),
      chooseFile_([this](QWidget* owner, FileAction action) {
          // A restore starts in this device's backups; Save and Load where
          // the last settings file was.
          const QString folder = action == FileAction::Restore
                                     ? fromPath(backupFolder(backupDir_, readRecord_))
                                     : lastFolder(kSettingsFolderKey);
          return defaultChooser(owner, action, folder);
      }),
      warn_(showWarning),
      inform_([](QWidget* owner, const QString& text) {
          QMessageBox::information(owner, owner->windowTitle(), boxText(text));
      })
{
    setObjectName(QStringLiteral("settingsSheet"));
    setWindowTitle(sheetTitle());
    setModal(false);

    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("heading"));
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("pageTree"));
    tree_->setHeaderHidden(true);
    tree_->setFixedWidth(170);
    tree_->setAccessibleName(tr("Settings pages"));

    info_ = new QTreeWidget(this);
    info_->setObjectName(QStringLiteral("runningInfo"));
    info_->setRootIsDecorated(false);
    info_->setColumnCount(2);
    info_->setHeaderLabels({tr("Parameter name"), tr("Parameter value")});
    info_->setColumnWidth(0, 200);
    info_->setColumnWidth(1, 250);
    info_->setAllColumnsShowFocus(true);
    info_->setSelectionBehavior(QAbstractItemView::SelectRows);
    info_->setAccessibleName(tr("Running Information"));
    basic_ = new BasicParaPage(this);
    key3_ = new KeyParaPage(3, this);
    pages_ = {nullptr,
              basic_,
              new PlayParaPage(this),
              new SessionParaPage(this),
              new RecordingParaPage(this),
              new ControlStatusPage(this),
              new KeyParaPage(1, this),
              new KeyParaPage(2, this),
              key3_,
              new KeyParaPage(4, this),
              new ControlSerialPage(this),
              new DataSerialPage(this),
              new GpioParaPage(this)};
    for (int i = BasicSettings; i < PageCount; ++i)
        page(i)->hide();

    saveToListCheck_ = new QCheckBox(tr("Save device to list"), this);
    saveToListCheck_->setObjectName(QStringLiteral("saveToListCheck"));
    loadButton_ = new QPushButton(tr("Load Settings"), this);
    loadButton_->setObjectName(QStringLiteral("loadSettingsButton"));
    exportButton_ = new QPushButton(tr("Save Settings"), this);
    exportButton_->setObjectName(QStringLiteral("saveSettingsButton"));
    restoreButton_ = new QPushButton(tr("Restore..."), this);
    restoreButton_->setObjectName(QStringLiteral("restoreButton"));
    restoreButton_->hide(); // until the sheet knows where backups are kept
    saveButton_ = new QPushButton(tr("Save"), this);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    saveButton_->setDefault(true);
    cancelButton_ = new QPushButton(tr("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));

    auto* pages = new QVBoxLayout;
    pages->addWidget(heading_);
    pages->addWidget(info_, 1);
    for (int i = BasicSettings; i < PageCount; ++i)
        pages->addWidget(page(i), 1);
    auto* body = new QHBoxLayout;
    body->addWidget(tree_);
    body->addLayout(pages, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveToListCheck_);
    buttons->addStretch();
    buttons->addWidget(loadButton_);
    buttons->addWidget(exportButton_);
    buttons->addWidget(restoreButton_);
    buttons->addWidget(saveButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(780, 500);

    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { onTreeClicked(item); });
    // The arrow keys in the tree turn the pages as clicks do.
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) { onTreeClicked(item); });
    connect(saveButton_, &QPushButton::clicked, this, &SettingsSheet::save);
    connect(cancelButton_, &QPushButton::clicked, this, &SettingsSheet::reject);
    connect(loadButton_, &QPushButton::clicked, this, &SettingsSheet::loadSettings);
    connect(exportButton_, &QPushButton::clicked, this, &SettingsSheet::saveSettings);
    connect(restoreButton_, &QPushButton::clicked, this, &SettingsSheet::restoreBackup);
}

SettingsSheet::~SettingsSheet()
{
    setReadsPending(0);
}

QString SettingsSheet::describe(const DeviceList& list, const DeviceItemPtr& item)
{
    std::int32_t no = 0;
    std::string name;
    std::uint32_t ip = 0;
    {
        std::lock_guard lock(list.mutex());
        no = item->devItem.devNo();
        name = ansiToUtf8(item->devItem.devName());
        ip = item->ip;
    }
    return QStringLiteral("%1 %2 %3")
        .arg(QString::fromStdString(oneLine(stringText(IDS_COL_NO))))
        .arg(no)
        .arg(QString::fromStdString(deviceTag(name, ip)));
}

ParaPage* SettingsSheet::page(int index) const
{
    return index > RunningInfo && index < PageCount ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

void SettingsSheet::setWarnHandler(WarnHandler warn)
{
    warn_ = warn;
    for (int i = BasicSettings; i < PageCount; ++i)
        page(i)->setWarnHandler(warn);
}

void SettingsSheet::attachDevice(DeviceItemPtr item, DeviceList& list)
{
    item_ = std::move(item);
    list_ = &list;
    {
        std::lock_guard lock(list.mutex());
        ext_ = item_->paraExt != 0;
        if (item_->sysPara)
            record_ = *item_->sysPara;
        else
            record_.fill(0);
        readRecord_ = record_;
        loadedFromFile_ = false;
        intercomStatus_ = offersIntercomStatus(item_->devItem.modelText());
    }
    key3_->setIntercomStatusOffered(intercomStatus_);
    for (int i = BasicSettings; i < PageCount; ++i)
        page(i)->unload();
    reloadPages();
    setWindowTitle(sheetTitle() + QStringLiteral(" - ") + describe(list, item_));
    // A write still under way belongs to the device shown before.
    setWaiting(writing_ && writing_ == item_);
    // A sheet already on screen starts over for the new device.
    if (isVisible())
        rebuild();
}

void SettingsSheet::reloadPages()
{
    settings_ = SysParaSettings::load(record_, ext_);
    settings_.setIntercomStatusOffered(intercomStatus_);
    for (int i = BasicSettings; i < PageCount; ++i)
        page(i)->load(settings_);
}

void SettingsSheet::publishRecord()
{
    if (!item_ || !list_)
        return;
    std::lock_guard lock(list_->mutex());
    if (!item_->sysPara)
        item_->sysPara = std::make_unique<SysParaBuffer>();
    *item_->sysPara = record_;
}

void SettingsSheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        rebuild();
}

void SettingsSheet::rebuild()
{
    current_ = -1;
    if (item_) {
        heading_->setText(tr("Settings"));
        tree_->clear();
        QTreeWidgetItem* controls = nullptr;
        for (int i = RunningInfo; i < PageCount; ++i) {
            const bool key = i >= Control1 && i <= Control4;
            const auto text = sysParaPageTitle(static_cast<SysParaPage>(i));
            const QString title = QString::fromUtf8(translate("aulira::ParaPages", std::string(text).c_str()));
            auto* it = key ? new QTreeWidgetItem(controls, {title}) : new QTreeWidgetItem(tree_, {title});
            it->setData(0, Qt::UserRole, i);
            if (i == ControlAndStatus)
                controls = it;
        }
        controls->setExpanded(true);
    }
    fillRunningInfo();
    saveToListCheck_->setChecked(saveToList_);
    for (int i = BasicSettings; i < PageCount; ++i)
        page(i)->hide();
    info_->show();
}

void SettingsSheet::fillRunningInfo()
{
    info_->clear();
    if (!item_)
        return;
    std::string model;
    if (list_) {
        std::lock_guard lock(list_->mutex());
        model = ansiToUtf8(item_->devItem.deviceType());
    }
    const auto s = SysParaSettings::load(record_, ext_);
    auto shown = [&](const char* name) { return QString::fromStdString(s.display(fieldIndex(name))); };
    auto flag = [&](const char* name) { return s.value(name).number ? tr("Enable") : tr("Disable"); };
    const std::pair<QString, QString> rows[] = {
        {tr("Device Type"), QString::fromStdString(model)},
        {tr("Firmware Version"), shown("firmware")},
        {tr("MAC"), shown("mac")},
        {tr("Obtain IP Address Automatically"), flag("dhcp")},
        {tr("IP Address"), shown("ip")},
        {tr("Subnet Mask"), shown("mask")},
        {tr("Gateway"), shown("gateway")},
        {tr("Obtain DNS Automatically"), flag("autoDns")},
        {tr("Preferred DNS"), shown("dns1")},
        {tr("Alternative DNS"), shown("dns2")},
        {tr("Preferred Server"), shown("serverIp")},
        {tr("Alternative Server"), shown("altServerIp")},
        {tr("Server Port"), shown("serverPort")},
    };
    for (const auto& [label, value] : rows)
        new QTreeWidgetItem(info_, {label, value});
}

bool SettingsSheet::storePage(int page)
{
    bool stored = true;
    if (ParaPage* p = this->page(page))
        stored = p->saveTo(settings_, record_);
    // Fields stored before a refused one belong to the record as well.
    publishRecord();
    return stored;
}

void SettingsSheet::onTreeClicked(QTreeWidgetItem* item)
{
    if (item && item->data(0, Qt::UserRole).toInt() != current_)
        showPage(item->data(0, Qt::UserRole).toInt());
}

void SettingsSheet::showPage(int page)
{
    if (page < RunningInfo || page >= PageCount)
        return;
    if (current_ >= 0)
        storePage(current_); // a refusal has been shown; the user still goes where they clicked
    // A page always shows what the record holds now.
    if (page != RunningInfo)
        reloadPages();
    info_->setVisible(page == RunningInfo);
    for (int i = BasicSettings; i < PageCount; ++i)
        this->page(i)->setVisible(i == page);
    current_ = page;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toInt() == page) {
            if (tree_->currentItem() != *it)
                tree_->setCurrentItem(*it);
            break;
        }
    }
}

void SettingsSheet::save()
{
    if (writing_)
        return; // one write at a time; its result decides
    if (!item_) {
        hide();
        return;
    }
    // The basic page first, then the others in tree order; the first refusal
    // keeps the sheet open with its message.
    for (int i = BasicSettings; i < PageCount; ++i) {
        if (!page(i)->saveTo(settings_, record_)) {
            publishRecord();
            return;
        }
    }
    publishRecord();
    if (refuseUnreachable())
        return;
    saveToList_ = saveToListCheck_->isChecked();
    const RecordDiff changes = diffRecords(readRecord_, record_, ext_);
    if (changes.fields.empty() && changes.otherBytes == 0 && ReviewDialog::reviewWanted()) {
        QString line = tr("No parameter of %1 has changed: nothing was written.").arg(describe(*list_, item_));
        // The tick still counts: the device joins the list without a write.
        if (saveToList_) {
            emit addToListRequested(item_);
            line += QLatin1Char(' ') + tr("The device was saved to the list.");
        }
        emit statusMessage(line);
        inform_(this, line);
        return;
    }
    if (!reviewAccepted())
        return;
    if (!backupDir_.empty()) {
        // The record as read is kept before anything overwrites it; no backup, no write.
        std::string error;
        if (backupRecord(backupDir_, readRecord_, &error).empty()) {
            const QString line = tr("The parameters of %1 were not saved: %2")
                                     .arg(describe(*list_, item_), QString::fromStdString(error));
            OutputLog("%s", line.toStdString().c_str());
            emit statusMessage(line);
            warn_(this, line);
            return;
        }
    }
    if (saveToList_)
        emit addToListRequested(item_);
    if (!worker_) {
        hide();
        return;
    }
    writing_ = item_;
    setWaiting(true);
    worker_->postWritePara(item_);
}

void SettingsSheet::setWaiting(bool waiting)
{
    saveButton_->setText(waiting ? tr("Saving...") : tr("Save"));
    saveButton_->setEnabled(!waiting);
    // Nothing typed now could reach the device before the result is in.
    for (QWidget* w : {static_cast<QWidget*>(tree_), static_cast<QWidget*>(loadButton_),
                       static_cast<QWidget*>(restoreButton_), static_cast<QWidget*>(saveToListCheck_)})
        w->setEnabled(!waiting);
    for (int i = BasicSettings; i < PageCount; ++i)
        page(i)->setEnabled(!waiting);
    if (waiting)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void SettingsSheet::writeFinished(const DeviceItemPtr& item, int result)
{
    if (!writing_ || item != writing_)
        return; // not the sheet's write (a MAC change reports the same way)
    writing_.reset();
    if (item == item_)
        setWaiting(false);
    const DeviceList* list = list_ ? list_ : devices_;
    const QString who = list ? describe(*list, item) : QString();
    if (result == RES_OK) {
        const QString line = tr("Parameters saved to %1.").arg(who);
        OutputLog("%s", line.toStdString().c_str());
        emit statusMessage(line);
        if (item == item_)
            hide();
        return;
    }
    const QString reason = QString::fromStdString(exchangeResultText(result));
    const QString line = tr("The parameters of %1 were not saved: %2.").arg(who, reason);
    OutputLog("%s", line.toStdString().c_str());
    emit statusMessage(line);
    // The worker waits until this returns: the box is shown from the event loop.
    const QString text =
        tr("The parameters were not saved to %1: %2.\n\nEverything typed is still on the sheet; press Save to try "
           "again.")
            .arg(who, reason);
    QMetaObject::invokeMethod(this, [this, text] { warn_(this, text); }, Qt::QueuedConnection);
}

void SettingsSheet::setReadsPending(int count)
{
    if (count > 0 && readsPending_ == 0)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else if (count == 0 && readsPending_ > 0)
        QApplication::restoreOverrideCursor();
    readsPending_ = count;
}

void SettingsSheet::readStarted(const DeviceItemPtr& item)
{
    setReadsPending(readsPending_ + 1);
    if (devices_)
        emit statusMessage(tr("Reading the parameters of %1...").arg(describe(*devices_, item)));
}

void SettingsSheet::readFinished(const DeviceItemPtr& item, int result)
{
    setReadsPending(std::max(0, readsPending_ - 1));
    DeviceList* list = devices_ ? devices_ : list_;
    if (!list)
        return;
    if (result != RES_OK) {
        const QString line = tr("Cannot read the parameters of %1: %2.")
                                 .arg(describe(*list, item), QString::fromStdString(exchangeResultText(result)));
        OutputLog("%s", line.toStdString().c_str());
        emit statusMessage(line);
        return;
    }
    emit statusMessage(QString());
    attachDevice(item, *list);
    show();
    raise();
    activateWindow();
}

void SettingsSheet::saveSettings()
{
    const QString path = chooseFile_(this, FileAction::Save);
    if (path.isEmpty())
        return;
    // The record as stored so far: the page on screen reaches it when left or saved.
    std::string error;
    const QString who = item_ && list_ ? deviceLogName(*list_, item_) : tr("the device");
    if (!exportConfigFile(toPath(path), record_, &error)) {
        logLine(tr("The settings of %1 could not be saved to %2: %3")
                    .arg(who, QDir::toNativeSeparators(path), QString::fromStdString(error)));
        warn_(this, QString::fromStdString(error));
        return;
    }
    logLine(tr("Settings of %1 saved to %2.").arg(who, QDir::toNativeSeparators(path)));
}

void SettingsSheet::loadSettings()
{
    const QString path = chooseFile_(this, FileAction::Open);
    if (path.isEmpty())
        return;
    std::string error;
    // A file of another length or of the other record layout is refused: its
    // fields would not land where this device keeps them.
    if (importConfigFileForDevice(toPath(path), record_, ext_, &error) != ConfigLoad::Loaded) {
        warn_(this, QString::fromStdString(error));
        return;
    }
    loadedFromFile_ = true;
    publishRecord();
    fillRunningInfo();
    reloadPages();
}

void SettingsSheet::setBackupDirectory(std::filesystem::path dir)
{
    backupDir_ = std::move(dir);
    restoreButton_->setVisible(!backupDir_.empty());
}

void SettingsSheet::restoreBackup()
{
    if (!item_ || backupDir_.empty() || writing_)
        return;
    const QString path = chooseFile_(this, FileAction::Restore);
    if (path.isEmpty())
        return;
    std::string error;
    // As Load Settings: the device keeps its own MAC address.
    if (importConfigFileForDevice(toPath(path), record_, ext_, &error) != ConfigLoad::Loaded) {
        warn_(this, QString::fromStdString(error));
        return;
    }
    publishRecord();
    fillRunningInfo();
    reloadPages();
    save();
}

void SettingsSheet::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && item_ && list_) {
        std::int32_t no = 0;
        std::uint32_t ip = 0;
        std::string type;
        {
            std::lock_guard lock(list_->mutex());
            no = item_->devItem.devNo();
            ip = item_->ip;
            type = ansiToUtf8(item_->devItem.typeText());
        }
        // A support aid: identifies the unit behind the sheet in the log.
        OutputLog("%d#,%s,%s", no, formatIp(ip).c_str(), type.c_str());
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

} // namespace aulira::app
