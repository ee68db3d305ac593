#include "rollout/CommissionDialog.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "common/MessageBox.h"
#include "common/UserSettings.h"
#include "controls/BuddyNames.h"
#include "controls/CheckGrid.h"
#include "devices/DeviceList.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

QString fromAnsi(const std::string& bytes) { return QString::fromStdString(ansiToUtf8(bytes)); }

const QColor kFailed = QColor::fromRgb(247, 202, 202);
const QColor kDone = QColor::fromRgb(205, 240, 205);

} // namespace

CommissionDialog::CommissionDialog(DeviceList& list, std::vector<PlannedDevice> devices, const std::vector<bool>& ticked,
                                   std::filesystem::path backupDir, QWidget* parent)
    : QDialog(parent), list_(list), devices_(std::move(devices)), backupDir_(std::move(backupDir))
{
    setObjectName(QStringLiteral("commissionDialog"));
    setWindowTitle(tr("Write the devices"));

    atATime_ = new QSpinBox(this);
    atATime_->setObjectName(QStringLiteral("devicesAtATime"));
    atATime_->setRange(1, kMaxAtATime);
    atATime_->setToolTip(tr("How many devices are written at the same time"));
    atATime_->setValue(std::clamp(UserSettings::get().value(QLatin1String(kAtATimeKey), 4).toInt(), 1, kMaxAtATime));
    connect(atATime_, &QSpinBox::valueChanged, this,
            [](int n) { UserSettings::get().setValue(QLatin1String(kAtATimeKey), n); });
    startButton_ = new QPushButton(tr("&Start"), this);
    startButton_->setObjectName(QStringLiteral("startButton"));
    startButton_->setToolTip(tr("Back up, write, apply and read back every ticked device"));
    stopButton_ = new QPushButton(tr("S&top"), this);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    stopButton_->setToolTip(tr("Let the devices being written finish and start no other"));
    auto* hint = new QLabel(tr("Each device's record as read is kept as a backup before it is written, and every "
                               "write is read back."),
                            this);
    hint->setWordWrap(true);

    grid_ = new CheckGrid(this);
    grid_->setObjectName(QStringLiteral("commissionGrid"));
    grid_->setAccessibleName(tr("Devices"));
    grid_->setColumns({QStringLiteral(" "), tr("NO"), tr("Name"), tr("IP Address"), QStringLiteral("MAC"),
                       tr("Changes"), tr("Progress and result")});
    grid_->setCheckColumn(ColTick);
    grid_->horizontalHeader()->setStretchLastSection(false);

    retryButton_ = new QPushButton(tr("&Retry failed"), this);
    retryButton_->setObjectName(QStringLiteral("retryButton"));
    retryButton_->setToolTip(tr("Run the devices that failed once more"));
    reportButton_ = new QPushButton(tr("Save re&port…"), this);
    reportButton_->setObjectName(QStringLiteral("reportButton"));
    reportButton_->setToolTip(tr("Save every device's result as a CSV or JSON file"));
    closeButton_ = new QPushButton(tr("&Close"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("commissionStatus"));
    status_->setWordWrap(true);
    // Enter starts nothing and closes nothing: no button is a default one.
    for (QPushButton* b : {startButton_, stopButton_, retryButton_, reportButton_, closeButton_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(hint, 1);
    top->addWidget(buddyLabel(tr("Devices at a &time:"), atATime_, this));
    top->addWidget(atATime_);
    top->addWidget(startButton_);
    top->addWidget(stopButton_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(retryButton_);
    buttons->addWidget(reportButton_);
    buttons->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);

    connect(startButton_, &QPushButton::clicked, this, &CommissionDialog::start);
    connect(stopButton_, &QPushButton::clicked, this, &CommissionDialog::stop);
    connect(retryButton_, &QPushButton::clicked, this, &CommissionDialog::retryFailed);
    connect(reportButton_, &QPushButton::clicked, this, &CommissionDialog::saveReport);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);

    fillRows(ticked);
    int toWrite = 0;
    for (int r = 0; r < grid_->rowCount(); ++r)
        toWrite += grid_->cellCheck(r, ColTick) == 1;
    status_->setText((toWrite == 1 ? tr("1 ticked device to write. Press Start.") : tr("%1 ticked devices to write. Press Start.").arg(toWrite)));
    updateButtons();
    startButton_->setFocus();
    resize(980, 560);
}

CommissionDialog::~CommissionDialog()
{
    // The engine reports to this dialog until it returns; its queued calls die with the dialog.
    cancel_ = true;
    if (thread_.joinable())
        thread_.join();
}

void CommissionDialog::fillRows(const std::vector<bool>& ticked)
{
    grid_->removeAllRows();
    results_.clear();
    taken_.assign(devices_.size(), false);
    writable_.assign(devices_.size(), false);
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        const PlannedDevice& d = devices_[i];
        const int row = grid_->addRow(grid_->rowCount(), QString());
        {
            std::lock_guard lock(list_.mutex());
            if (d.item) {
                grid_->setCellText(row, ColNo, QString::number(d.item->devItem.devNo()));
                grid_->setCellText(row, ColName, fromAnsi(d.item->devItem.devName()));
                grid_->setCellText(row, ColIp, QString::fromStdString(formatIp(d.item->ip)));
                grid_->setCellText(row, ColMac, QString::fromStdString(formatMac(d.item->devItem.mac())));
            } else {
                grid_->setCellText(row, ColName, QString::fromStdString(d.device));
            }
        }
        QStringList names;
        for (const PlannedChange& c : d.changes)
            names << QString::fromUtf8(kSysParaFields[c.field].name.data(),
                                       static_cast<qsizetype>(kSysParaFields[c.field].name.size()));
        grid_->setCellText(row, ColChanges, names.join(QStringLiteral(", ")));
        grid_->setCellToolTip(row, ColChanges, names.join(QLatin1Char('\n')));
        results_.push_back(commissionRowOf(list_, d, i));
        const bool writable = d.readable() && d.refused.empty();
        writable_[i] = writable;
        grid_->setCellCheck(row, ColTick, writable && i < ticked.size() && ticked[i] ? 1 : 0);
        if (writable) {
            grid_->showCellProgress(row, ColProgress);
            grid_->resetProgressCell(row, ColProgress);
            continue;
        }
        // Said at once, and in the report: this device is not written.
        taken_[i] = true;
        const QString text = showResult(row, results_.back());
        OutputLog("%s: %s", d.device.c_str(), text.toStdString().c_str());
        grid_->setRowEnabled(row, false);
    }
}

void CommissionDialog::layoutColumns()
{
    const int w = grid_->width() - 2 - (grid_->verticalScrollBar() ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0);
    const int widths[] = {w * 4 / 64, w * 5 / 64, w * 10 / 64, w * 10 / 64, w * 11 / 64, w * 10 / 64};
    int used = 0;
    for (int c = 0; c < ColProgress; ++c) {
        grid_->setColumnWidth(c, widths[c]);
        used += widths[c];
    }
    grid_->setColumnWidth(ColProgress, std::max(w - used - 2, 60));
}

void CommissionDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutColumns();
}

void CommissionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    layoutColumns();
}

bool CommissionDialog::retryable(int row) const
{
    if (!taken_[static_cast<std::size_t>(row)] || !writable_[static_cast<std::size_t>(row)])
        return false;
    using O = CommissionResult::Outcome;
    const auto o = results_[static_cast<std::size_t>(row)].outcome;
    return o == O::WriteFailed || o == O::NotConfirmed || o == O::NoBackup || o == O::Cancelled ||
           o == O::ReadFailed || o == O::AddressHeld;
}

void CommissionDialog::updateButtons()
{
    bool anyRetry = false, anyTaken = false;
    for (int r = 0; r < grid_->rowCount(); ++r) {
        anyRetry = anyRetry || retryable(r);
        anyTaken = anyTaken || taken_[static_cast<std::size_t>(r)];
    }
    startButton_->setEnabled(!running_);
    stopButton_->setEnabled(running_ && !cancel_);
    retryButton_->setEnabled(!running_ && anyRetry);
    reportButton_->setEnabled(!running_ && anyTaken);
    atATime_->setEnabled(!running_);
}

void CommissionDialog::start()
{
    if (running_)
        return;
    std::vector<int> rows;
    for (int r = 0; r < grid_->rowCount(); ++r)
        if (grid_->cellCheck(r, ColTick) == 1)
            rows.push_back(r);
    if (rows.empty()) {
        showWarning(this, tr("Tick the devices to write first."));
        return;
    }
    run(rows);
}

void CommissionDialog::retryFailed()
{
    if (running_)
        return;
    std::vector<int> rows;
    for (int r = 0; r < grid_->rowCount(); ++r)
        if (retryable(r))
            rows.push_back(r);
    if (rows.empty())
        return;
    // The ticks show what the run works on: the failed rows only.
    for (int r = 0; r < grid_->rowCount(); ++r)
        grid_->setCellCheck(r, ColTick, std::find(rows.begin(), rows.end(), r) != rows.end() ? 1 : 0);
    run(rows);
}

void CommissionDialog::stop()
{
    if (!running_)
        return;
    cancel_ = true;
    status_->setText(tr("Stopping: the devices being written finish, no other starts…"));
    updateButtons();
}

void CommissionDialog::run(const std::vector<int>& rows)
{
    const bool again =
        std::any_of(rows.begin(), rows.end(), [&](int r) { return taken_[static_cast<std::size_t>(r)]; });
    for (int r : rows) {
        grid_->showCellProgress(r, ColProgress);
        grid_->resetProgressCell(r, ColProgress);
        taken_[static_cast<std::size_t>(r)] = true;
    }
    runRows_ = rows;
    running_ = true;
    cancel_ = false;
    status_->setText(tr("Writing %1 of %2 devices…").arg(static_cast<int>(rows.size())).arg(grid_->rowCount()));
    OutputLog("%s the parameters of %d device%s, %d at a time", again ? "Reading again and writing" : "Writing",
              static_cast<int>(rows.size()), rows.size() == 1 ? "" : "s", atATime_->value());
    updateButtons();

    std::vector<PlannedDevice> input;
    for (int r : rows)
        input.push_back(devices_[static_cast<std::size_t>(r)]);
    if (thread_.joinable())
        thread_.join();
    thread_ = std::jthread([this, input = std::move(input), rows, again, parallel = atATime_->value()] {
        CommissionOptions options;
        options.parallel = parallel;
        options.backupDir = backupDir_;
        options.cancel = &cancel_;
        options.onStep = [this, &rows](std::size_t index, CommissionStep step) {
            const int row = rows[index];
            QMetaObject::invokeMethod(this, [this, row, step] { onStep(row, step); }, Qt::QueuedConnection);
        };
        options.onResult = [this, &rows](const CommissionResult& result) {
            const int row = rows[result.index];
            QMetaObject::invokeMethod(this, [this, row, result] { onResult(row, result); }, Qt::QueuedConnection);
        };
        // A device tried again may have changed since the review (another
        // write, or the part of this run that went through): what it holds
        // now is read, and only the reviewed changes are made on it.
        commissionSite(list_, again ? replanDevices(list_, input, parallel, &cancel_) : input, options);
        QMetaObject::invokeMethod(this, [this] { onRunEnd(); }, Qt::QueuedConnection);
    });
}

void CommissionDialog::onStep(int row, CommissionStep step)
{
    if (!grid_->gridModel()->isProgressShown(row, ColProgress))
        grid_->showCellProgress(row, ColProgress);
    grid_->setCellProgress(row, ColProgress, commissionPercent(step));
}

void CommissionDialog::onResult(int row, const CommissionResult& result)
{
    CommissionResult& res = results_[static_cast<std::size_t>(row)];
    const std::size_t index = res.index;
    res = result;
    res.index = index; // the row's place among all devices, not in this run
    showResult(row, result); // the engine logs each device's outcome
    const PlannedDevice& d = devices_[static_cast<std::size_t>(row)];
    if (result.succeeded() && d.item) {
        // The row shows what the device now is, as the list does.
        std::lock_guard lock(list_.mutex());
        grid_->setCellText(row, ColNo, QString::number(d.item->devItem.devNo()));
        grid_->setCellText(row, ColName, fromAnsi(d.item->devItem.devName()));
    }
}

QString CommissionDialog::showResult(int row, const CommissionResult& result)
{
    QString text = QString::fromStdString(result.resultText());
    if (!result.detail.empty())
        text += QStringLiteral(": ") + QString::fromStdString(result.detail);
    grid_->hideCellProgress(row, ColProgress);
    grid_->setCellText(row, ColProgress, text);
    grid_->setCellToolTip(row, ColProgress, text);
    grid_->setCellBackground(row, ColProgress, result.succeeded() ? kDone : kFailed);
    if (!result.ipAfter.empty() && result.ipAfter != result.ipBefore)
        grid_->setCellText(row, ColIp, QString::fromStdString(result.ipBefore + " → " + result.ipAfter));
    return text;
}

void CommissionDialog::onRunEnd()
{
    if (thread_.joinable())
        thread_.join();
    running_ = false;
    int ok = 0, failed = 0;
    for (int r : runRows_) {
        if (results_[static_cast<std::size_t>(r)].succeeded()) {
            ++ok;
            grid_->setCellCheck(r, ColTick, 0); // done: a second Start leaves it alone
        } else {
            ++failed;
        }
    }
    const QString line = tr("Last run: %1 written, %2 failed.").arg(ok).arg(failed);
    OutputLog("%s", line.toStdString().c_str());
    status_->setText(line);
    updateButtons();
    emit runFinished();
}

void CommissionDialog::saveReport()
{
    if (running_)
        return;
    std::vector<CommissionResult> rows;
    for (std::size_t i = 0; i < results_.size(); ++i)
        if (taken_[i])
            rows.push_back(results_[i]);
    if (rows.empty())
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("Save report"), QStringLiteral("commission-report.csv"),
                                                      tr("CSV files (*.csv);;JSON files (*.json);;All Files (*.*)"));
    if (path.isEmpty())
        return;
    std::string error;
    if (!writeCommissionReport(std::filesystem::path(path.toStdWString()), rows, &error)) {
        showWarning(this, tr("The report could not be saved to %1: %2").arg(path, QString::fromStdString(error)));
        return;
    }
    status_->setText(tr("Report saved to %1.").arg(path));
}

bool CommissionDialog::refuseClose()
{
    if (!running_)
        return false;
    showWarning(this, tr("Devices are being written: the window closes once they are done (Stop starts no "
                         "further device)."));
    return true;
}

void CommissionDialog::closeEvent(QCloseEvent* event)
{
    if (refuseClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CommissionDialog::reject()
{
    if (refuseClose())
        return;
    QDialog::reject();
}

void CommissionDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace aulira::app
