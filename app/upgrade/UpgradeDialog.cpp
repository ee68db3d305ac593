#include "upgrade/UpgradeDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "common/LastFolder.h"
#include "common/MessageBox.h"
#include "common/UserSettings.h"
#include "controls/BuddyNames.h"
#include "controls/CheckGrid.h"
#include "devices/DeviceList.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "upgrade/UpgradeFile.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

std::atomic<int> verifyTimeoutMsValue{60000};

QString fromAnsi(const std::string& bytes) { return QString::fromStdString(ansiToUtf8(bytes)); }

QString stringOf(int id) { return QCoreApplication::translate("aulira::app::Strings", stringText(id)); }

} // namespace

// Hands the batch's calls to the dialog's thread as queued calls, so neither
// side waits for the other: the batch keeps its pace and the window keeps
// painting. Times are taken here, on the batch's thread, where they happen.
class UpgradeDialog::Listener : public UpgradeListener {
public:
    explicit Listener(UpgradeDialog* dialog) : dialog_(dialog) {}

    void progress(const DeviceItemPtr& item, int percent) override
    {
        post([item, percent](UpgradeDialog* d) { d->onProgress(item, percent); });
    }
    void failure(const DeviceItemPtr& item, const std::string& text) override
    {
        const QString t = QString::fromStdString(text);
        post([item, t](UpgradeDialog* d) { d->onFailure(item, t); });
    }
    void batchEnd() override
    {
        post([](UpgradeDialog* d) { d->onBatchEnd(); });
    }
    void deviceStart(const DeviceItemPtr& item) override
    {
        const auto now = std::chrono::system_clock::now();
        post([item, now](UpgradeDialog* d) { d->onDeviceStart(item, now); });
    }
    void deviceEnd(const DeviceItemPtr& item, bool upgraded) override
    {
        const auto now = std::chrono::system_clock::now();
        post([item, upgraded, now](UpgradeDialog* d) { d->onDeviceEnd(item, upgraded, now); });
    }

private:
    template <typename F>
    void post(F f)
    {
        UpgradeDialog* d = dialog_;
        QMetaObject::invokeMethod(d, [d, f] { f(d); }, Qt::QueuedConnection);
    }
    UpgradeDialog* dialog_;
};

int UpgradeDialog::verifyTimeoutMs() { return verifyTimeoutMsValue; }
void UpgradeDialog::setVerifyTimeoutMs(int ms) { verifyTimeoutMsValue = ms; }
int UpgradeDialog::restartWaitMs() const { return restartWait_->value() * 1000; }

UpgradeDialog::UpgradeDialog(UpgradeBatch::Kind kind, DeviceList& list, QWidget* parent)
    : QDialog(parent), kind_(kind), list_(list), listener_(std::make_unique<Listener>(this))
{
    const bool firmware = kind == UpgradeBatch::Kind::Firmware;
    setObjectName(firmware ? QStringLiteral("firmwareUpgradeDialog") : QStringLiteral("screenUpgradeDialog"));
    setWindowTitle(firmware ? tr("Firmware Batch Upgrade") : tr("Batch Upgrade of Microphone Screen Firmware"));

    fileEdit_ = new QLineEdit(this);
    fileEdit_->setObjectName(QStringLiteral("firmwareFile"));
    browseButton_ = new QPushButton(tr("&Browse…"), this);
    browseButton_->setObjectName(QStringLiteral("browseButton"));
    upgradeButton_ = new QPushButton(tr("&Upgrade"), this);
    upgradeButton_->setObjectName(QStringLiteral("upgradeButton"));
    upgradeButton_->setEnabled(false);
    versionEdit_ = new QLineEdit(this);
    versionEdit_->setObjectName(QStringLiteral("fileVersion"));
    versionEdit_->setReadOnly(true);
    dateEdit_ = new QLineEdit(this);
    dateEdit_->setObjectName(QStringLiteral("fileDate"));
    dateEdit_->setReadOnly(true);
    atATime_ = new QSpinBox(this);
    atATime_->setObjectName(QStringLiteral("devicesAtATime"));
    atATime_->setRange(1, kMaxUpgradeParallel);
    atATime_->setToolTip(tr("How many devices are upgraded at the same time"));
    atATime_->setValue(
        std::clamp(UserSettings::get().value(QLatin1String(kAtATimeKey), 1).toInt(), 1, kMaxUpgradeParallel));
    connect(atATime_, &QSpinBox::valueChanged, this,
            [](int n) { UserSettings::get().setValue(QLatin1String(kAtATimeKey), n); });
    restartWait_ = new QSpinBox(this);
    restartWait_->setObjectName(QStringLiteral("restartWait"));
    restartWait_->setRange(0, 600);
    restartWait_->setSuffix(tr(" s"));
    restartWait_->setToolTip(tr("How long the upgraded devices restart before their version is asked"));
    restartWait_->setValue(
        std::clamp(UserSettings::get().value(QLatin1String(kRestartWaitKey), kDefaultRestartWaitMs / 1000).toInt(), 0,
                   600));
    connect(restartWait_, &QSpinBox::valueChanged, this,
            [](int s) { UserSettings::get().setValue(QLatin1String(kRestartWaitKey), s); });

    grid_ = new CheckGrid(this);
    grid_->setObjectName(QStringLiteral("upgradeGrid"));
    grid_->setAccessibleName(tr("Devices"));
    grid_->setColumns({QStringLiteral(" "), stringOf(IDS_COL_NO), stringOf(IDS_COL_NAME), stringOf(IDS_COL_IP),
                       QStringLiteral("MAC"), stringOf(IDS_UPGRADE_PROGRESS), tr("Version now")});
    grid_->setCheckColumn(ColTick);
    grid_->horizontalHeader()->setStretchLastSection(false);
    // Screens report no version to check.
    grid_->setColumnHidden(ColVersion, !firmware);

    retryButton_ = new QPushButton(tr("&Retry failed"), this);
    retryButton_->setObjectName(QStringLiteral("retryButton"));
    retryButton_->setToolTip(tr("Run one more batch over the devices that failed"));
    reportButton_ = new QPushButton(tr("&Save report…"), this);
    reportButton_->setObjectName(QStringLiteral("reportButton"));
    reportButton_->setToolTip(tr("Save every device's result as a CSV file"));
    closeButton_ = new QPushButton(tr("&Close"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("upgradeStatus"));
    status_->setWordWrap(true);

    // Enter starts nothing and closes nothing: no button is a default one.
    for (QPushButton* b : {browseButton_, upgradeButton_, retryButton_, reportButton_, closeButton_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* form = new QGridLayout;
    form->addWidget(buddyLabel(tr("&Firmware:"), fileEdit_, this), 0, 0);
    form->addWidget(fileEdit_, 0, 1, 1, 3);
    form->addWidget(browseButton_, 0, 4);
    form->addWidget(upgradeButton_, 0, 5);
    form->addWidget(buddyLabel(tr("&Version:"), versionEdit_, this), 1, 0);
    form->addWidget(versionEdit_, 1, 1);
    form->addWidget(buddyLabel(tr("Compile &Date:"), dateEdit_, this), 1, 2);
    form->addWidget(dateEdit_, 1, 3);
    form->addWidget(buddyLabel(tr("Devices at a &time:"), atATime_, this), 1, 4);
    form->addWidget(atATime_, 1, 5);
    // Screens report no version to check.
    if (firmware) {
        form->addWidget(buddyLabel(tr("&Wait for restart:"), restartWait_, this), 2, 4);
        form->addWidget(restartWait_, 2, 5);
    } else
        restartWait_->hide();
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(retryButton_);
    buttons->addWidget(reportButton_);
    buttons->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);

    connect(fileEdit_, &QLineEdit::textChanged, this, [this] { checkFile(true); });
    connect(fileEdit_, &QLineEdit::editingFinished, this, [this] { checkFile(false); });
    connect(browseButton_, &QPushButton::clicked, this, &UpgradeDialog::browse);
    connect(upgradeButton_, &QPushButton::clicked, this, &UpgradeDialog::upgrade);
    connect(retryButton_, &QPushButton::clicked, this, &UpgradeDialog::retryFailed);
    connect(reportButton_, &QPushButton::clicked, this, &UpgradeDialog::saveReport);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);

    fillRows();
    updateButtons();
    resize(900, 520);
}

UpgradeDialog::~UpgradeDialog()
{
    // The batch reports to this dialog until its end; a version check is
    // told to stop and let finish. Their queued calls die with the dialog.
    batch_.wait();
    if (verify_.joinable()) {
        verify_.request_stop();
        verify_.join();
    }
}

FirmwareUpgradeDialog::FirmwareUpgradeDialog(DeviceList& list, QWidget* parent)
    : UpgradeDialog(UpgradeBatch::Kind::Firmware, list, parent)
{
}

ScreenUpgradeDialog::ScreenUpgradeDialog(DeviceList& list, QWidget* parent)
    : UpgradeDialog(UpgradeBatch::Kind::Screen, list, parent)
{
}

void UpgradeDialog::fillRows()
{
    grid_->removeAllRows();
    devices_ = kind_ == UpgradeBatch::Kind::Firmware ? firmwareBatchDevices(list_) : screenBatchDevices(list_);
    results_.clear();
    taken_.assign(devices_.size(), false);
    std::lock_guard lock(list_.mutex());
    for (const auto& item : devices_) {
        const int row = grid_->addRow(grid_->rowCount(), QString());
        grid_->setCellText(row, ColNo, QString::number(item->devItem.devNo()));
        grid_->setCellText(row, ColName, fromAnsi(item->devItem.devName()));
        grid_->setCellText(row, ColIp, QString::fromStdString(formatIp(item->ip)));
        grid_->setCellText(row, ColMac, QString::fromStdString(formatMac(item->devItem.mac())));
        grid_->setRowData(row, item.get());
        grid_->setCellCheck(row, ColTick, 1);
        grid_->showCellProgress(row, ColProgress);
        grid_->resetProgressCell(row, ColProgress);
        results_.push_back(UpgradeResult::of(item));
    }
}

void UpgradeDialog::layoutColumns()
{
    QScrollBar* bar = grid_->verticalScrollBar();
    const int w = grid_->width() - 2 - (bar ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0);
    // Tick, number, name, address, MAC in 64ths of the width; the version
    // check a little less than the progress, which takes the rest.
    const int widths[] = {w * 4 / 64, w * 5 / 64, w * 12 / 64, w * 10 / 64, w * 12 / 64};
    int used = 0;
    for (int c = 0; c < 5; ++c) {
        grid_->setColumnWidth(c, widths[c]);
        used += widths[c];
    }
    const int version = grid_->isColumnHidden(ColVersion) ? 0 : w * 9 / 64;
    grid_->setColumnWidth(ColProgress, std::max(w - used - version - 2, 40));
    grid_->setColumnWidth(ColVersion, version);
}

void UpgradeDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutColumns();
}

void UpgradeDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    layoutColumns();
}

void UpgradeDialog::checkFile(bool silent)
{
    const QString text = fileEdit_->text();
    if (silent) {
        fileOk_ = false;
        versionEdit_->clear();
        dateEdit_->clear();
    }
    const UpgradeFileCheck check = CheckUpgradeFile(std::filesystem::path(text.toStdWString()));
    if (!check.ok()) {
        fileOk_ = false;
        // One box per path: typing tries every prefix, and leaving the
        // field or choosing the file says what is wrong with it.
        if (!silent && !text.isEmpty() && text != lastRefused_) {
            lastRefused_ = text;
            showWarningText(this, check.error);
        }
        updateButtons();
        return;
    }
    lastRefused_.clear();
    fileOk_ = true;
    fileModel_ = check.header.modelText();
    fileVersion_ = check.header.version();
    versionEdit_->setText(fromAnsi(check.header.version()));
    dateEdit_->setText(fromAnsi(check.header.buildDate()));
    updateButtons();
}

void UpgradeDialog::browse()
{
    // The typed file, else the folder of the last file chosen here.
    const char* key = kind_ == UpgradeBatch::Kind::Firmware ? kUpgradeFolderKey : kScreenFolderKey;
    const QString start = fileEdit_->text().isEmpty() ? lastFolder(key) : fileEdit_->text();
    const QString path = QFileDialog::getOpenFileName(this, tr("Upgrade file"), start,
                                                      tr("Upgrade files(*.bin);;All Files (*.*)"));
    if (path.isEmpty())
        return;
    rememberFolder(key, path);
    fileEdit_->setText(path);
    checkFile(false);
}

void UpgradeDialog::updateButtons()
{
    const bool busy = upgrading_ || verifying_;
    upgradeButton_->setEnabled(fileOk_ && !busy);
    bool anyFailed = false, anyTaken = false;
    for (std::size_t i = 0; i < results_.size(); ++i) {
        if (!taken_[i])
            continue;
        anyTaken = true;
        anyFailed = anyFailed || needsRetry(results_[i]);
    }
    retryButton_->setEnabled(fileOk_ && !busy && anyFailed);
    reportButton_->setEnabled(!upgrading_ && anyTaken);
    browseButton_->setEnabled(!upgrading_);
    fileEdit_->setReadOnly(upgrading_);
    atATime_->setEnabled(!upgrading_);
    restartWait_->setEnabled(!busy);
}

void UpgradeDialog::upgrade()
{
    if (upgrading_ || !fileOk_)
        return;
    if (grid_->rowCount() == 0) {
        showWarningText(this, IDS_UPGRADE_SELECT_DEVICE);
        return;
    }
    std::vector<int> ticked;
    for (int r = 0; r < grid_->rowCount(); ++r)
        if (grid_->cellCheck(r, ColTick) == 1)
            ticked.push_back(r);
    startBatch(ticked, true);
}

void UpgradeDialog::retryFailed()
{
    if (upgrading_ || verifying_ || !fileOk_)
        return;
    std::vector<int> failed;
    for (std::size_t i = 0; i < results_.size(); ++i)
        if (taken_[i] && needsRetry(results_[i]))
            failed.push_back(static_cast<int>(i));
    if (failed.empty())
        return;
    // The ticks show what the batch works on: the failed rows only.
    for (int r = 0; r < grid_->rowCount(); ++r)
        grid_->setCellCheck(r, ColTick, std::find(failed.begin(), failed.end(), r) != failed.end() ? 1 : 0);
    startBatch(failed, false);
}

void UpgradeDialog::startBatch(const std::vector<int>& rows, bool resetEveryRow)
{
    std::vector<DeviceItemPtr> ticked;
    for (int r : rows)
        ticked.push_back(devices_[static_cast<std::size_t>(r)]);
    tickUpgradeRows(list_, devices_, ticked);
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const bool inBatch = std::find(rows.begin(), rows.end(), r) != rows.end();
        if (resetEveryRow || inBatch) {
            grid_->showCellProgress(r, ColProgress);
            grid_->setCellText(r, ColVersion, QString());
        }
        if (inBatch) {
            auto& res = results_[static_cast<std::size_t>(r)];
            res.reset();
            taken_[static_cast<std::size_t>(r)] = true;
        }
    }
    batchRows_ = rows;
    upgrading_ = true;
    file_ = std::filesystem::path(fileEdit_->text().toStdWString());
    status_->setText(tr("Upgrading…"));
    OutputLog("%s of %d device%s with %s", kind_ == UpgradeBatch::Kind::Firmware ? "Firmware upgrade" : "Screen upgrade",
              static_cast<int>(rows.size()), rows.size() == 1 ? "" : "s", fileEdit_->text().toStdString().c_str());
    updateButtons();

    UpgradeBatchInput input;
    input.file = file_;
    input.devices = devices_;
    input.listener = listener_.get();
    input.list = &list_;
    input.parallel = atATime_->value();
    UserSettings::get().setValue(QLatin1String(kAtATimeKey), atATime_->value());
    batch_.wait(); // the previous batch's thread has ended with its last call
    if (!batch_.start(kind_, std::move(input))) {
        // Cannot happen while upgrading_ guards it; never leave the dialog locked.
        upgrading_ = false;
        status_->setText(tr("The batch could not be started."));
        updateButtons();
    }
}

int UpgradeDialog::rowOf(const DeviceItemPtr& item) const
{
    for (int r = 0; r < grid_->rowCount(); ++r)
        if (grid_->rowData(r) == item.get())
            return r;
    return -1;
}

void UpgradeDialog::onProgress(const DeviceItemPtr& item, int percent)
{
    const int row = rowOf(item);
    if (row < 0)
        return;
    results_[static_cast<std::size_t>(row)].onProgress();
    // A retry inside the batch brings the bar back over an earlier failure text.
    if (!grid_->gridModel()->isProgressShown(row, ColProgress))
        grid_->showCellProgress(row, ColProgress);
    grid_->setCellProgress(row, ColProgress, percent);
}

void UpgradeDialog::onFailure(const DeviceItemPtr& item, const QString& text)
{
    const int row = rowOf(item);
    if (row < 0)
        return;
    UpgradeResult& res = results_[static_cast<std::size_t>(row)];
    res.onFailure(text.toStdString());
    OutputLog("%s: upgrade failed: %s", deviceTag(res.name, item->ip).c_str(), res.failure.c_str());
    grid_->hideCellProgress(row, ColProgress);
    grid_->setCellText(row, ColProgress, text);
    grid_->setCellToolTip(row, ColProgress, text);
}

void UpgradeDialog::onDeviceStart(const DeviceItemPtr& item, UpgradeResult::TimePoint when)
{
    if (const int row = rowOf(item); row >= 0)
        results_[static_cast<std::size_t>(row)].onStart(when);
}

void UpgradeDialog::onDeviceEnd(const DeviceItemPtr& item, bool upgraded, UpgradeResult::TimePoint when)
{
    if (const int row = rowOf(item); row >= 0)
        results_[static_cast<std::size_t>(row)].onEnd(upgraded, when);
}

void UpgradeDialog::onBatchEnd()
{
    batch_.wait();
    // What the batch passed over without a word: another model, or the batch
    // ended before the device. Such rows say so instead of a bar at 0 %.
    std::vector<UpgradeResult> settled;
    for (int r : batchRows_)
        settled.push_back(results_[static_cast<std::size_t>(r)]);
    settleUpgradeResults(settled, kind_ == UpgradeBatch::Kind::Firmware, fileModel_, list_);
    for (std::size_t i = 0; i < batchRows_.size(); ++i) {
        const int row = batchRows_[i];
        UpgradeResult& res = results_[static_cast<std::size_t>(row)];
        const bool passedOver = !res.touched;
        res = settled[i];
        if (passedOver) {
            grid_->hideCellProgress(row, ColProgress);
            grid_->setCellText(row, ColProgress, QString::fromStdString(res.resultText()));
        }
    }
    upgrading_ = false;
    int failed = 0, upgraded = 0;
    for (int r : batchRows_) {
        const auto o = results_[static_cast<std::size_t>(r)].outcome;
        upgraded += o == UpgradeResult::Outcome::Upgraded;
        failed += o == UpgradeResult::Outcome::Failed || o == UpgradeResult::Outcome::NotReached;
    }
    batchSummary_ = tr("Last batch: %1 upgraded, %2 failed.").arg(upgraded).arg(failed);
    OutputLog("Upgrade completed: %d upgraded, %d failed", upgraded, failed);
    status_->setText(batchSummary_);
    startVerify();
    updateButtons();
    showOutcome(upgraded, static_cast<int>(batchRows_.size()));
    emit batchFinished();
}

bool UpgradeDialog::refuseClose()
{
    if (!upgrading_)
        return false;
    showWarningText(this, IDS_UPGRADE_BUSY_CLOSE);
    return true;
}

void UpgradeDialog::closeEvent(QCloseEvent* event)
{
    if (refuseClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void UpgradeDialog::reject()
{
    // Escape and the close button land here too.
    if (refuseClose())
        return;
    QDialog::reject();
}

void UpgradeDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace aulira::app
