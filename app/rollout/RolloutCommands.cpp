#include "rollout/RolloutCommands.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <thread>

#include "common/AppContext.h"
#include "common/MessageBox.h"
#include "common/UserSettings.h"
#include "devices/DeviceList.h"
#include "rollout/CommissionDialog.h"
#include "rollout/EditFieldsDialog.h"
#include "rollout/PlanErrorsDialog.h"
#include "rollout/PlanReview.h"
#include "rollout/RolloutReviewDialog.h"
#include "rollout/SiteExport.h"
#include "rollout/SitePlan.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

constexpr int kReadAtATime = 8;
// The busy box shows only when the work lasts; a few devices never see it.
constexpr int kBusyBoxDelayMs = 400;

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString tr(const char* text, const char* comment = nullptr, int n = -1)
{
    return QCoreApplication::translate("aulira::app::RolloutCommands", text, comment, n);
}

void inform(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Information, tr("Aulira"), text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("informationBox"));
    box.exec();
}

// Runs `work` on a thread of its own while the window's events go on; a box
// with Cancel shows once it takes a while. Returns false when cancelled.
bool runBusy(QWidget* parent, const QString& label, std::atomic<bool>& cancel, const std::function<void()>& work)
{
    QProgressDialog box(label, tr("Cancel"), 0, 0, parent);
    box.setObjectName(QStringLiteral("rolloutBusy"));
    box.setProperty("busyIndicator", true);
    box.setWindowModality(Qt::WindowModal);
    box.setAutoClose(false);
    box.setAutoReset(false);
    box.setMinimumDuration(0);
    box.hide();
    QEventLoop loop;
    QObject::connect(&box, &QProgressDialog::canceled, &box, [&cancel, &box] {
        cancel = true;
        box.setLabelText(tr("Stopping…"));
    });
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, &box, [&box] { box.show(); });
    later.start(kBusyBoxDelayMs);
    std::thread t([&] {
        work();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    t.join();
    return !cancel;
}

QString deviceTitle(const DeviceList& list, const PlannedDevice& d)
{
    if (!d.item)
        return qs(d.device);
    std::lock_guard lock(list.mutex());
    return QStringLiteral("%1 (%2)  %3")
        .arg(QString::fromStdString(ansiToUtf8(d.item->devItem.devName())),
             QString::fromStdString(formatIp(d.item->ip)), QString::fromStdString(formatMac(d.item->devItem.mac())));
}

QString pageTitle(SysParaPage page)
{
    return QCoreApplication::translate("aulira::ParaPages", std::string(sysParaPageTitle(page)).c_str());
}

ReviewDevice reviewRowOf(const DeviceList& list, const PlannedDevice& d)
{
    ReviewDevice r;
    r.title = deviceTitle(list, d);
    if (!d.found()) {
        r.problem = tr("not found: no device of the list has this MAC address, address or number");
        return r;
    }
    if (!d.readable()) {
        r.problem = tr("its parameters could not be read: %1").arg(qs(exchangeResultText(d.readResult)));
        return r;
    }
    for (const PlannedChange& c : d.changes) {
        const SysParaField& f = kSysParaFields[c.field];
        const bool hidden = f.name == "password"; // passwords are not put on the screen
        r.changes.push_back({qs(f.label), pageTitle(f.page), hidden ? QStringLiteral("********") : qs(c.now),
                             hidden ? QStringLiteral("********") : qs(c.planned)});
    }
    for (const PlanError& e : d.refused)
        r.refused << (e.field.empty() ? qs(e.text) : qs(e.field));
    r.otherBytes = static_cast<int>(d.otherBytes);
    return r;
}

bool isRefusal(const PlanReview& review, const PlanError& e)
{
    for (const PlannedDevice& d : review.devices)
        for (const PlanError& r : d.refused)
            if (r == e)
                return true;
    return false;
}

} // namespace

RolloutCommands::RolloutCommands(AppContext& context, Selection selection, QWidget* window)
    : QObject(window), context_(context), selection_(std::move(selection)), window_(window),
      reviewWanted_([] { return true; }), setReviewWanted_([](bool) {})
{
}

void RolloutCommands::setReviewRule(std::function<bool()> wanted, std::function<void(bool)> setWanted)
{
    reviewWanted_ = std::move(wanted);
    setReviewWanted_ = std::move(setWanted);
}

bool RolloutCommands::refuseWhileSearching(const QString& what)
{
    if (!context_.manager().searching())
        return false;
    emit statusMessage(tr("The search is still running; %1 once it has finished.").arg(what));
    return true;
}

void RolloutCommands::showErrors(const QString& file, const std::vector<PlanError>& errors)
{
    std::vector<PlanProblemRow> rows;
    for (const PlanError& e : errors) {
        rows.push_back({e.line, e.column, qs(e.field), qs(e.text)});
        OutputLog("%s: %s", file.toStdString().c_str(), e.message().c_str());
    }
    emit statusMessage(tr("Problems in %1: %2; nothing was sent.").arg(QFileInfo(file).fileName()).arg(static_cast<int>(errors.size())));
    PlanErrorsDialog dialog(file, rows, window_);
    dialog.exec();
}

void RolloutCommands::commissionFromPlan()
{
    if (refuseWhileSearching(tr("commission the site")))
        return;
    QSettings& settings = UserSettings::get();
    const QString path =
        QFileDialog::getOpenFileName(window_, tr("Commission from plan"), settings.value(kPlanFolderKey).toString(),
                                     tr("Site plans (*.csv);;All Files (*.*)"));
    if (path.isEmpty())
        return;
    settings.setValue(kPlanFolderKey, QFileInfo(path).absolutePath());
    commissionFile(path);
}

void RolloutCommands::commissionFile(const QString& path)
{
    if (refuseWhileSearching(tr("commission the site")))
        return;
    const PlanRead read = readPlanFile(std::filesystem::path(path.toStdWString()));
    if (!read.ok()) {
        showErrors(path, read.errors);
        return;
    }
    PlanReview checked;
    if (!review(read.plan, checked)) {
        emit statusMessage(tr("Commissioning cancelled: nothing was sent."));
        return;
    }
    reviewAndRun(tr("%1 plans these changes. Untick the devices to leave alone; nothing is written before "
                    "Start in the next window.")
                     .arg(QFileInfo(path).fileName()),
                 path, checked, true);
}

bool RolloutCommands::review(const SitePlan& plan, PlanReview& out)
{
    std::atomic<bool> cancel{false};
    DeviceList& list = context_.manager().devices();
    return runBusy(window_, tr("Reading the parameters of the planned devices (%1)…").arg(static_cast<int>(plan.rows.size())),
                   cancel, [&] { out = reviewPlan(plan, list, kReadAtATime, &cancel); });
}

void RolloutCommands::reviewAndRun(const QString& heading, const QString& file, PlanReview& checked, bool forceReview)
{
    DeviceList& list = context_.manager().devices();
    // Errors about the plan as a whole stop everything; a refused cell
    // stops only its device, which the review names.
    std::vector<PlanError> blocking;
    for (const PlanError& e : checked.errors)
        if (!isRefusal(checked, e))
            blocking.push_back(e);
    if (!blocking.empty()) {
        showErrors(file, blocking);
        return;
    }
    std::vector<ReviewDevice> rows;
    bool anyChange = false;
    for (const PlannedDevice& d : checked.devices) {
        rows.push_back(reviewRowOf(list, d));
        anyChange = anyChange || (d.readable() && d.refused.empty() && d.changing());
    }
    std::vector<bool> ticked;
    if (forceReview || reviewWanted_()) {
        RolloutReviewDialog dialog(heading, rows, !forceReview, window_);
        if (dialog.exec() != QDialog::Accepted) {
            emit statusMessage(tr("Nothing was written."));
            return;
        }
        if (dialog.doNotAskAgain() && dialog.doNotAskAgain()->isChecked())
            setReviewWanted_(false);
        ticked = dialog.ticked();
    } else {
        if (!anyChange) {
            const QString line = tr("No device would change: nothing was written.");
            emit statusMessage(line);
            inform(window_, line);
            return;
        }
        for (const PlannedDevice& d : checked.devices)
            ticked.push_back(d.readable() && d.refused.empty() && d.changing());
    }
    CommissionDialog run(list, checked.devices, ticked, context_.dataDir(), window_);
    run.exec();
}

void RolloutCommands::editSelected()
{
    if (refuseWhileSearching(tr("edit the devices")))
        return;
    const auto items = selection_ ? selection_() : std::vector<DeviceItemPtr>{};
    if (items.empty()) {
        emit statusMessage(tr("Select the devices to edit in the list first."));
        return;
    }
    EditFieldsDialog fields(static_cast<int>(items.size()), window_);
    if (fields.exec() != QDialog::Accepted)
        return;
    // The same plan a file would give: one row per device by its MAC address.
    SitePlan plan;
    plan.key = PlanKey::Mac;
    plan.columns.emplace_back(kPlanMacColumn);
    const auto assignments = fields.assignments();
    for (const auto& a : assignments)
        plan.columns.push_back(a.first);
    int line = 1;
    for (const DeviceItemPtr& item : items) {
        PlanRow row;
        row.line = ++line;
        {
            std::lock_guard lock(context_.manager().devices().mutex());
            row.device = formatMac(item->devItem.mac());
        }
        int column = 1;
        for (const auto& [name, value] : assignments)
            row.values.push_back({static_cast<std::size_t>(sysParaFieldIndex(name)), ++column, value});
        plan.rows.push_back(std::move(row));
    }
    if (auto errors = checkPlanValues(plan); !errors.empty()) {
        showErrors(tr("the values"), errors);
        return;
    }
    PlanReview checked;
    if (!review(plan, checked)) {
        emit statusMessage(tr("Nothing was written."));
        return;
    }
    reviewAndRun(tr("Writing the chosen fields makes these changes. Untick the devices to leave alone."),
                 tr("the values"), checked, false);
}

void RolloutCommands::exportSite()
{
    if (refuseWhileSearching(tr("export the site")))
        return;
    const QString dir = QFileDialog::getExistingDirectory(window_, tr("Export site to folder"));
    if (!dir.isEmpty())
        exportTo(dir);
}

void RolloutCommands::exportTo(const QString& dir)
{
    if (refuseWhileSearching(tr("export the site")))
        return;
    DeviceList& list = context_.manager().devices();
    std::vector<DeviceItemPtr> items;
    for (const DeviceItemPtr& item : list.snapshot()) {
        std::lock_guard lock(list.mutex());
        if (isOnlineState(static_cast<std::uint8_t>(item->state)))
            items.push_back(item);
    }
    if (items.empty()) {
        showWarning(window_, tr("No device is online: search for the devices first, then export the site."));
        return;
    }
    std::atomic<bool> cancel{false};
    std::vector<DeviceRecord> records;
    if (!runBusy(window_, tr("Reading the parameters of the online devices (%1)…").arg(static_cast<int>(items.size())),
                 cancel, [&] { records = readDeviceRecords(list, items, kReadAtATime, &cancel); })) {
        emit statusMessage(tr("The export was cancelled: nothing was written."));
        return;
    }
    QStringList unread;
    for (const DeviceRecord& r : records) {
        if (r.read())
            continue;
        std::lock_guard lock(list.mutex());
        unread << QStringLiteral("%1 (%2): %3")
                      .arg(QString::fromStdString(ansiToUtf8(r.item->devItem.devName())),
                           QString::fromStdString(formatIp(r.item->ip)), qs(exchangeResultText(r.result)));
    }
    std::string error;
    const QString shown = QDir::toNativeSeparators(dir);
    if (!aulira::exportSite(std::filesystem::path(dir.toStdWString()), list, records, &error)) {
        const QString line = tr("The site could not be exported to %1: %2").arg(shown, QString::fromStdString(error));
        OutputLog("%s", line.toStdString().c_str());
        emit statusMessage(line);
        showWarning(window_, line);
        return;
    }
    const int written = static_cast<int>(records.size()) - static_cast<int>(unread.size());
    QString line = tr("Exported %1 devices to %2: %3 and one configuration file per device.")
                       .arg(QString::number(written), shown, QString::fromLatin1(kSitePlanFile));
    OutputLog("%s", line.toStdString().c_str());
    emit statusMessage(line);
    if (!unread.isEmpty()) {
        line += QStringLiteral("\n\n") + tr("Devices that could not be read and are not in the export (%1):")
                                      .arg(static_cast<int>(unread.size())) +
                QLatin1Char('\n') + unread.join(QLatin1Char('\n'));
        for (const QString& u : unread)
            OutputLog("Not exported: %s", u.toStdString().c_str());
        showWarning(window_, line);
        return;
    }
    inform(window_, line);
}

} // namespace aulira::app
