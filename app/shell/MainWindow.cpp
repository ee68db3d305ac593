#include "shell/MainWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QDockWidget>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>

#include "devices/DeviceView.h"
#include "params/EditMacDialog.h"
#include "params/SettingsSheet.h"
#include "protocol/TimeSync.h"
#include "shell/AboutDialog.h"
#include "shell/AppFlags.h"
#include "shell/AppContext.h"
#include "shell/LogPane.h"
#include "shell/PropertiesPane.h"
#include "shell/Resources.h"
#include "shell/RibbonBar.h"
#include "shell/Strings.h"

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
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));

    view_ = new DeviceView(context_.manager(), this);
    view_->setWorker(&context_.worker());
    view_->setMacMenuEnabled([] { return g_bMacEditMenu; });
    context_.worker().setListener(view_->workerListener());
    setCentralWidget(view_);
    sheet_ = new SettingsSheet(&context_.worker(), this);

    log_ = new LogPane(this);
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

    auto* ready = new QLabel(text(IDS_READY), this);
    ready->setObjectName(QStringLiteral("readyLabel"));
    statusBar()->addWidget(ready, 1);
    for (const char* key : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(QString::fromLatin1(key), this);
        indicator->setEnabled(false);
        statusBar()->addPermanentWidget(indicator);
    }

    connect(view_, &DeviceView::deviceClicked, this,
            [this](const DeviceInfo_Type& info) { properties_->showDevice(&info); });
    connect(view_, &DeviceView::deviceClickCleared, this, [this] { properties_->showDevice(nullptr); });
    // The sheet follows its device's reads and writes, and a new search hides it.
    sheet_->setDeviceList(&context_.manager().devices());
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
    connect(view_, &DeviceView::macChangeRequested, this, [this](const DeviceItemPtr& item) {
        EditMacDialog dialog(context_.manager().devices(), item, this);
        if (dialog.exec() == QDialog::Accepted)
            context_.worker().postWriteMac(item);
    });
    connect(sheet_, &SettingsSheet::addToListRequested, this,
            [this](const DeviceItemPtr& item) { context_.manager().devices().addSelected({item}); });
    resize(1200, 760);
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

QAction* MainWindow::makeAction(const QString& name, const QString& label, const QString& icon, const QString& tip)
{
    auto* a = new QAction(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon)), label, this);
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
    auto* about = makeAction(QStringLiteral("aboutAction"), tr("A&bout"), QStringLiteral("about"),
                             tr("Display program information, version number, and copyright information"));
    about->setShortcut(QKeySequence::HelpContents);
    auto* contact = makeAction(QStringLiteral("contactAction"), tr("&Contact Support"), QStringLiteral("contact"),
                               tr("Contact us via email %1").arg(supportAddress()));
    auto* exit = makeAction(QStringLiteral("exitAction"), tr("E&xit"), QStringLiteral("app"),
                            tr("Exit from application program"));
    exit->setShortcut(QKeySequence::Quit);

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

    ribbon_ = new RibbonBar(this);
    setMenuWidget(ribbon_);
    QMenu* menu = ribbon_->applicationMenu();
    QMenu* home = menu->addMenu(tr("&Home"));
    home->addAction(search);
    home->addSeparator();
    home->addAction(add);
    home->addAction(del);
    home->addAction(time);
    QMenu* help = menu->addMenu(tr("&Help"));
    help->addAction(about);
    help->addAction(contact);
    menu->addSeparator();
    menu->addAction(exit);

    const int homeTab = ribbon_->addCategory(tr("&Home"));
    ribbon_->addPanel(homeTab, tr("Device"), {search, nullptr, add, del, time});
    ribbon_->addPanel(homeTab, tr("View"), {props, output, status});
    const int helpTab = ribbon_->addCategory(tr("Help"));
    ribbon_->addPanel(helpTab, tr("Help"), {about, contact});
    ribbon_->setCornerAction(about);
    // The Help tab's key tip is X, which its title does not hold.
    auto* helpKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_X), this);
    connect(helpKey, &QShortcut::activated, this, [this, helpTab] { ribbon_->tabs()->setCurrentIndex(helpTab); });
    addActions({search, add, del, about, exit});
}

void MainWindow::about()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::contactSupport()
{
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + supportAddress())))
        QMessageBox::warning(this, tr("Aulira"), QString::fromStdString(stringText(IDS_MAIL_CLIENT_FAILED)));
}

void MainWindow::synchronizeTime()
{
    // One short thread per adapter, as the command always did; each writes its
    // completion to the log. They are joined when the window goes.
    const auto adapters = context_.manager().localIps();
    timeSync_.emplace_back([adapters] { SyncTimeAllAdapters(adapters); });
}

} // namespace aulira::app
