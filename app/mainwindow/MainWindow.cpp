#include "mainwindow/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "addrbook/AddrBookCommands.h"
#include "common/AppContext.h"
#include "common/MessageBox.h"
#include "common/Resources.h"
#include "common/UserSettings.h"
#include "devices/DeviceListExport.h"
#include "devices/DeviceTableModel.h"
#include "devices/DeviceView.h"
#include "grouping/GroupCommand.h"
#include "mainwindow/AboutDialog.h"
#include "mainwindow/AppFlags.h"
#include "mainwindow/LogPane.h"
#include "mainwindow/PropertiesPane.h"
#include "mainwindow/RibbonBar.h"
#include "params/MacChange.h"
#include "params/ReviewDialog.h"
#include "params/SettingsSheet.h"
#include "protocol/TimeSync.h"
#include "rollout/RolloutCommands.h"
#include "shell/Strings.h"
#include "upgrade/UpgradeDialog.h"

namespace aulira::app {

namespace {

QString text(int id) { return QString::fromStdString(oneLine(stringText(id))); }

} // namespace

QString MainWindow::supportAddress() { return QStringLiteral("support@aulira.example"); }

MainWindow::MainWindow(AppContext& context, QWidget* parent) : QMainWindow(parent), context_(context)
{
    initResources();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(text(IDS_APP_TITLE));
    setWindowIcon(appIcon(QStringLiteral("app")));

    view_ = new DeviceView(context_.manager(), this);
    view_->setWorker(&context_.worker());
    view_->setMacMenuEnabled([] { return macEditMenuEnabled; });
    context_.worker().setListener(view_->workerListener());

    // The filter box over the list: Ctrl+F goes to it, Escape clears it.
    auto* central = new QWidget(this);
    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(4, 4, 4, 0);
    auto* filterLabel = new QLabel(tr("F&ilter:"), central); // Alt+F opens the File menu
    filter_ = new QLineEdit(central);
    filter_->setObjectName(QStringLiteral("deviceFilter"));
    filter_->setClearButtonEnabled(true);
    filter_->setPlaceholderText(tr("Any column contains… (Ctrl+F)"));
    filter_->setAccessibleName(tr("Filter"));
    filterLabel->setBuddy(filter_);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(filter_, 1);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(2);
    centralLayout->addLayout(filterRow);
    centralLayout->addWidget(view_, 1);
    setCentralWidget(central);
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        view_->setFilterText(text);
        updateCounts();
    });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        filter_->setFocus(Qt::ShortcutFocusReason);
        filter_->selectAll();
    });
    auto* clearFilter = new QShortcut(QKeySequence(Qt::Key_Escape), filter_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(clearFilter, &QShortcut::activated, this, [this] {
        filter_->clear();
        view_->setFocus(Qt::OtherFocusReason);
    });

    sheet_ = new SettingsSheet(&context_.worker(), this);

    log_ = new LogPane(this);
    log_->setLogFolder(QString::fromStdWString(logFolder(context_.dataDir()).wstring()));
    logDock_ = new QDockWidget(text(IDS_OPERATION_RECORDS), this);
    logDock_->setObjectName(QStringLiteral("logDock"));
    logDock_->setWidget(log_);
    addDockWidget(Qt::BottomDockWidgetArea, logDock_);

    properties_ = new PropertiesPane(this);
    propertiesDock_ = new QDockWidget(text(IDS_DEVICE_PROPERTIES), this);
    propertiesDock_->setObjectName(QStringLiteral("propertiesDock"));
    propertiesDock_->setWidget(properties_);
    addDockWidget(Qt::RightDockWidgetArea, propertiesDock_);

    buildCommands();

    // What is going on (the search, its last result) and the device counts.
    // The lock-key indicators are left out: Qt cannot read those keys'
    // state on every platform, and a pane that never changes misleads.
    activity_ = new QLabel(text(IDS_READY), this);
    activity_->setObjectName(QStringLiteral("readyLabel"));
    statusBar()->addWidget(activity_, 1);
    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("deviceCountLabel"));
    statusBar()->addPermanentWidget(counts_);
    countTimer_ = new QTimer(this);
    countTimer_->setSingleShot(true);
    countTimer_->setInterval(100); // a large search reports thousands of rows
    connect(countTimer_, &QTimer::timeout, this, &MainWindow::updateCounts);
    auto* model = view_->deviceModel();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, countTimer_, qOverload<>(&QTimer::start));
    connect(model, &QAbstractItemModel::dataChanged, countTimer_, qOverload<>(&QTimer::start));
    connect(model, &QAbstractItemModel::modelReset, countTimer_, qOverload<>(&QTimer::start));
    updateCounts();
    connect(view_, &DeviceView::searchStarted, this, [this] { setActivity(tr("Searching for devices…")); });
    connect(view_, &DeviceView::searchFinished, this, [this](int found) {
        updateCounts();
        const QString time = QTime::currentTime().toString(Qt::ISODate);
        setActivity(found == 1 ? tr("Search finished at %1: 1 device online.").arg(time)
                               : tr("Search finished at %1: %2 devices online.").arg(time).arg(found));
    });
    connect(view_, &DeviceView::statusMessage, this, &MainWindow::setActivity);
    connect(view_, &DeviceView::saveFailed, this,
            [this](const QString& why) { setActivity(tr("The device list could not be saved: %1").arg(why)); });

    connect(view_, &DeviceView::deviceShown, this,
            [this](const DeviceInfo_Type& info) { properties_->showDevice(&info); });
    connect(view_, &DeviceView::deviceShownCleared, this, [this] { properties_->showDevice(nullptr); });
    // The sheet follows its device's reads and writes, and a new search hides it.
    sheet_->setDeviceList(&context_.manager().devices());
    // Every write from the sheet first keeps the record as read in the data folder.
    sheet_->setBackupDirectory(context_.dataDir());
    connect(view_, &DeviceView::readParaRequested, sheet_, &SettingsSheet::readStarted);
    connect(view_, &DeviceView::readParaDone, sheet_, &SettingsSheet::readFinished);
    connect(view_, &DeviceView::writeParaDone, sheet_, &SettingsSheet::writeFinished);
    connect(view_, &DeviceView::searchStarted, sheet_, &SettingsSheet::hide);
    connect(sheet_, &SettingsSheet::statusMessage, this, [this](const QString& text) {
        if (text.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(text, 15000);
    });
    auto* macChange = new MacChange(context_.manager().devices(), context_.worker(), this);
    connect(view_, &DeviceView::macChangeRequested, macChange, &MacChange::request);
    connect(view_, &DeviceView::writeParaDone, macChange, &MacChange::writeDone);
    connect(view_, &DeviceView::writeMacFailed, macChange, &MacChange::writeFailed);
    connect(macChange, &MacChange::statusMessage, this, [this](const QString& text) {
        statusBar()->showMessage(text, 15000);
    });
    connect(sheet_, &SettingsSheet::addToListRequested, this,
            [this](const DeviceItemPtr& item) { view_->addToSavedList({item}); });
    resize(1200, 760);
    restoreLayout();
}

void MainWindow::start()
{
    view_->start();
}

MainWindow::~MainWindow()
{
    // Nothing may report to the view once it is gone: the worker stops
    // reporting, and a running search is let finish first.
    context_.worker().setListener(nullptr);
    context_.manager().waitSearchDone();
    for (auto& t : timeSync_)
        t.join();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!view_->saveBeforeClose()) {
        event->ignore();
        return;
    }
    saveLayout();
    QMainWindow::closeEvent(event);
}

void MainWindow::restoreLayout()
{
    const QSettings& settings = UserSettings::get();
    restoreGeometry(settings.value(QLatin1String(kGeometryKey)).toByteArray());
    restoreState(settings.value(QLatin1String(kStateKey)).toByteArray());
    view_->horizontalHeader()->restoreState(settings.value(QLatin1String(kHeaderKey)).toByteArray());
    // The header's arrow comes back with its state; the rows follow the model.
    view_->horizontalHeader()->setSortIndicatorShown(false);
    const int column = settings.value(QLatin1String(kSortColumnKey), -1).toInt();
    view_->restoreSort(column, settings.value(QLatin1String(kSortAscendingKey), true).toBool());
}

void MainWindow::saveLayout() const
{
    QSettings& settings = UserSettings::get();
    settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings.setValue(QLatin1String(kStateKey), saveState());
    settings.setValue(QLatin1String(kHeaderKey), view_->horizontalHeader()->saveState());
    settings.setValue(QLatin1String(kSortColumnKey), view_->deviceModel()->sortColumn());
    settings.setValue(QLatin1String(kSortAscendingKey), view_->deviceModel()->sortAscending());
    UserSettings::save();
}

void MainWindow::updateCounts()
{
    const auto* model = view_->deviceModel();
    int online = 0;
    const int total = model->rowCount();
    for (int r = 0; r < total; ++r)
        if (isOnlineState(static_cast<std::uint8_t>(model->index(r, 0).data(DeviceTableModel::StateRole).toInt())))
            ++online;
    QString line = tr("Devices: %1   Online: %2   Offline: %3").arg(total).arg(online).arg(total - online);
    if (!view_->filterText().isEmpty()) {
        int shown = 0;
        for (int r = 0; r < total; ++r)
            shown += view_->isRowHidden(r) ? 0 : 1;
        line = tr("Shown: %1 of %2   ").arg(shown).arg(total) + line;
    }
    counts_->setText(line);
}

void MainWindow::setActivity(const QString& line) { activity_->setText(line); }

QAction* MainWindow::makeAction(const QString& name, const QString& label, const QString& icon, const QString& tip)
{
    auto* a = new QAction(appIcon(icon), label, this);
    a->setObjectName(name);
    a->setToolTip(tip);
    a->setStatusTip(tip);
    return a;
}

QAction* MainWindow::action(const QString& name) const { return findChild<QAction*>(name); }

void MainWindow::buildCommands()
{
    auto* search = makeAction(QStringLiteral("searchAction"), tr("&Search"), QStringLiteral("search"),
                              tr("Search for audio devices within the local area network"));
    search->setShortcut(QKeySequence::Refresh);
    auto* add = makeAction(QStringLiteral("addAction"), tr("&Add"), QStringLiteral("add"),
                           tr("Add devices from other subnets for status monitoring only(online/offline)"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    auto* del = makeAction(QStringLiteral("deleteAction"), tr("&Delete"), QStringLiteral("delete"),
                           tr("Remove the selected device from the device list"));
    del->setShortcut(QKeySequence::Delete);
    // The Delete key removes devices only while the list has the focus; in
    // the filter box or the log it edits text as everywhere else.
    del->setShortcutContext(Qt::WidgetShortcut);
    view_->addAction(del);
    del->setEnabled(false);
    auto updateDelete = [this, del] { del->setEnabled(view_->selectionModel()->hasSelection()); };
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, updateDelete);
    connect(view_->deviceModel(), &QAbstractItemModel::modelReset, this, updateDelete);
    connect(view_->deviceModel(), &QAbstractItemModel::rowsRemoved, this, updateDelete);
    auto* undo = makeAction(QStringLiteral("undoDeleteAction"), tr("&Undo Delete"), QStringLiteral("delete"),
                            tr("Bring back the devices the last Delete removed from the saved list"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setEnabled(false);
    connect(view_, &DeviceView::undoAvailable, undo, &QAction::setEnabled);
    connect(undo, &QAction::triggered, view_, &DeviceView::undoDelete);
    auto* group = makeAction(QStringLiteral("groupAction"), tr("&Group"), QStringLiteral("group"),
                             tr("Group all devices within the local area network"));
    auto* grouping = new GroupCommand(context_, this);
    connect(group, &QAction::triggered, grouping, &GroupCommand::run);
    connect(view_, &DeviceView::groupProgress, grouping, &GroupCommand::groupProgress);
    connect(view_, &DeviceView::groupDownloaded, grouping, &GroupCommand::groupDownloaded);
    connect(grouping, &GroupCommand::statusMessage, this, &MainWindow::setActivity);
    auto* time = makeAction(QStringLiteral("timeSyncAction"), tr("&Time Sync"), QStringLiteral("time-sync"),
                            tr("Set the clocks of all devices to this computer's time"));
    auto* props = makeAction(QStringLiteral("propertiesWindowAction"), tr("&Properties Window"),
                             QStringLiteral("properties"), tr("Show or hide the device properties"));
    auto* output = makeAction(QStringLiteral("outputWindowAction"), tr("&Output Window"), QStringLiteral("output"),
                              tr("Show or hide the operation records"));
    auto* status = makeAction(QStringLiteral("statusBarAction"), tr("Status &Bar"), QStringLiteral("status-bar"),
                              tr("Show or hide status bar"));
    for (QAction* a : {props, output, status}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    auto* about = makeAction(QStringLiteral("aboutAction"), tr("&About"), QStringLiteral("about"),
                             tr("Display program information, version number, and copyright information"));
    about->setShortcut(QKeySequence::HelpContents);
    auto* contact = makeAction(QStringLiteral("contactAction"), tr("Contact &Support"), QStringLiteral("contact"),
                               tr("Contact us via email %1").arg(supportAddress()));
    auto* bookWizard = makeAction(QStringLiteral("bookWizardAction"), tr("&Add"), QStringLiteral("book-add"),
                                  tr("Create address book for your call station"));
    auto* bookDownload =
        makeAction(QStringLiteral("bookDownloadAction"), tr("&Download"), QStringLiteral("book-download"),
                   tr("Download the address book to the network microphone"));
    auto* books = new AddrBookCommands(context_.manager(), context_.worker(), context_.dataDir(), this);
    connect(bookWizard, &QAction::triggered, books, &AddrBookCommands::openWizard);
    connect(bookDownload, &QAction::triggered, books, &AddrBookCommands::openDownload);
    connect(view_, &DeviceView::bookDownloaded, books, &AddrBookCommands::bookDownloaded);
    connect(view_, &DeviceView::bookCleared, books, &AddrBookCommands::bookCleared);
    auto* exit = makeAction(QStringLiteral("exitAction"), tr("E&xit"), QStringLiteral("app"),
                            tr("Exit from application program"));
    exit->setShortcut(QKeySequence::Quit);
    auto* upgrade = makeAction(QStringLiteral("upgradeAction"), tr("Upgrade"), QStringLiteral("upgrade"),
                               tr("Batch upgrade of product firmware"));
    auto* screenUpgrade = makeAction(QStringLiteral("screenUpgradeAction"), tr("Screen upgrade"),
                                     QStringLiteral("upgrade"), tr("Batch upgrade of microphone screen firmware"));

    connect(search, &QAction::triggered, view_, &DeviceView::startSearch);
    connect(add, &QAction::triggered, view_, &DeviceView::addDevices);
    connect(del, &QAction::triggered, view_, &DeviceView::deleteDevices);
    connect(time, &QAction::triggered, this, &MainWindow::synchronizeTime);
    connect(props, &QAction::toggled, propertiesDock_, &QDockWidget::setVisible);
    connect(propertiesDock_, &QDockWidget::visibilityChanged, props, [this, props](bool) {
        props->setChecked(!propertiesDock_->isHidden());
    });
    connect(output, &QAction::toggled, logDock_, &QDockWidget::setVisible);
    connect(logDock_, &QDockWidget::visibilityChanged, output, [this, output](bool) {
        output->setChecked(!logDock_->isHidden());
    });
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    connect(about, &QAction::triggered, this, &MainWindow::about);
    connect(contact, &QAction::triggered, this, &MainWindow::contactSupport);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(upgrade, &QAction::triggered, this, [this] { openUpgradeDialog(false); });

    // The site as the unit of work: a plan in, the site out as a plan, and
    // one set of fields for several selected devices.
    auto* commission = makeAction(QStringLiteral("commissionAction"), tr("Co&mmission"), QStringLiteral("upgrade"),
                                  tr("Write the parameters of a whole site from a plan file (CSV)"));
    auto* exportSite = makeAction(QStringLiteral("exportSiteAction"), tr("Export s&ite"), QStringLiteral("output"),
                                  tr("Save every online device's parameters as a site plan and configuration files"));
    auto* editSelected = makeAction(QStringLiteral("editSelectedAction"), tr("&Edit selected"),
                                    QStringLiteral("properties"),
                                    tr("Give the selected devices the same values for the fields you choose"));
    editSelected->setEnabled(false);
    auto updateEditSelected = [this, editSelected] {
        editSelected->setEnabled(view_->selectionModel()->selectedRows().size() > 1);
    };
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, updateEditSelected);
    connect(view_->deviceModel(), &QAbstractItemModel::modelReset, this, updateEditSelected);
    connect(view_->deviceModel(), &QAbstractItemModel::rowsRemoved, this, updateEditSelected);
    auto* rollout = new RolloutCommands(context_, [this] { return view_->selectedItems(); }, this);
    rollout->setReviewRule(&ReviewDialog::reviewWanted, &ReviewDialog::setReviewWanted);
    connect(commission, &QAction::triggered, rollout, &RolloutCommands::commissionFromPlan);
    connect(exportSite, &QAction::triggered, rollout, &RolloutCommands::exportSite);
    connect(editSelected, &QAction::triggered, rollout, &RolloutCommands::editSelected);
    connect(rollout, &RolloutCommands::statusMessage, this, &MainWindow::setActivity);
    auto* editSelectedMenu = new QAction(tr("&Edit selected devices…"), this);
    editSelectedMenu->setObjectName(QStringLiteral("editSelectedContextAction"));
    editSelectedMenu->setEnabled(false);
    connect(editSelected, &QAction::enabledChanged, editSelectedMenu, &QAction::setEnabled);
    connect(editSelectedMenu, &QAction::triggered, editSelected, &QAction::trigger);
    view_->addContextAction(editSelectedMenu);
    connect(screenUpgrade, &QAction::triggered, this, [this] { openUpgradeDialog(true); });

    ribbon_ = new RibbonBar(this);
    setMenuWidget(ribbon_);
    QMenu* menu = ribbon_->applicationMenu();
    // The menu's entries carry their own longer texts and trigger the ribbon's
    // commands, following their enabled state.
    auto entry = [this](QMenu* list, const QString& text, QAction* command) {
        QAction* a = list->addAction(text, command, &QAction::trigger);
        a->setObjectName(command->objectName().replace(QStringLiteral("Action"), QStringLiteral("MenuAction")));
        a->setStatusTip(command->statusTip());
        a->setEnabled(command->isEnabled());
        connect(command, &QAction::enabledChanged, a, &QAction::setEnabled);
        return a;
    };
    QMenu* home = menu->addMenu(tr("Home(&H)"));
    home->setObjectName(QStringLiteral("homeMenu"));
    entry(home, tr("Search for LAN devices(&S)"), search);
    home->addSeparator();
    entry(home, tr("Add Device(&A)"), add);
    entry(home, tr("Delete Device(&D)"), del);
    entry(home, tr("Devices Grouping(&G)"), group);
    home->addSeparator();
    home->addAction(undo);
    home->addAction(time);
    QMenu* callStation = menu->addMenu(tr("Call Station(&S)"));
    callStation->setObjectName(QStringLiteral("callStationMenu"));
    entry(callStation, tr("Add Address Book(&A)"), bookWizard);
    entry(callStation, tr("Download Address Book(&D)"), bookDownload);
    callStation->addSeparator();
    entry(callStation, tr("Upgrade Device Firmware(&U)"), upgrade);
    entry(callStation, tr("Upgrade Screen Firmware(&S)"), screenUpgrade);
    QMenu* help = menu->addMenu(tr("Help(&L)"));
    help->setObjectName(QStringLiteral("helpMenu"));
    entry(help, tr("About(&A)"), about);
    entry(help, tr("Contact Support(&C)"), contact);
    menu->addSeparator();
    entry(menu, tr("&Commission from plan…"), commission);
    entry(menu, tr("Export s&ite…"), exportSite);
    entry(menu, tr("Edit selected de&vices…"), editSelected);
    menu->addSeparator();
    auto* exportList = menu->addAction(tr("&Export device list…"), this, [this] { exportDeviceList(view_); });
    exportList->setObjectName(QStringLiteral("exportListAction"));
    exportList->setStatusTip(tr("Write the device list as shown to a CSV file"));
    entry(menu, tr("Exit(&X)"), exit);

    const int homeTab = ribbon_->addCategory(tr("&Home"));
    ribbon_->addPanel(homeTab, tr("Device"), {search, nullptr, add, del, group, time});
    ribbon_->addPanel(homeTab, tr("Site"), {commission, exportSite, editSelected});
    ribbon_->addPanel(homeTab, tr("View"), {props, output, status});
    const int callStationTab = ribbon_->addCategory(tr("&Call Station"));
    ribbon_->addPanel(callStationTab, tr("Address Book"), {bookWizard, bookDownload});
    ribbon_->addPanel(callStationTab, tr("Firmware Upgrade"), {upgrade});
    // "Upgrade" holds no S, its key tip.
    ribbon_->setKeyTip(callStationTab, QKeySequence(Qt::ALT | Qt::Key_S), upgrade);
    // Key tips are unique on each tab, the tabs' own and File's included;
    // in the File menu X stays Exit's.
    const int helpTab = ribbon_->addCategory(tr("He&lp"));
    ribbon_->addPanel(helpTab, tr("Help"), {about, contact});
    ribbon_->setCornerAction(about);
    addActions({search, add, undo, about, exit});
}

void MainWindow::about()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::openUpgradeDialog(bool screen)
{
    // A search changes which devices are online; the dialog lists them once.
    if (context_.manager().searching()) {
        setActivity(tr("The search is still running; start the upgrade once it has finished."));
        return;
    }
    DeviceList& list = context_.manager().devices();
    if (screen) {
        ScreenUpgradeDialog dialog(list, this);
        dialog.exec();
    } else {
        FirmwareUpgradeDialog dialog(list, this);
        dialog.exec();
    }
}

void MainWindow::contactSupport()
{
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + supportAddress())))
        showWarningText(this, IDS_MAIL_CLIENT_FAILED);
}

void MainWindow::synchronizeTime()
{
    // One short thread per adapter, as the command always did; each writes its
    // completion to the log. They are joined when the window goes.
    const auto adapters = context_.manager().localIps();
    timeSync_.emplace_back([adapters] { SyncTimeAllAdapters(adapters); });
}

} // namespace aulira::app
