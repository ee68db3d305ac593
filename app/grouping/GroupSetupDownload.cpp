// The group setup's download: the question before it, each device's steps
// in its row as the worker reports them, and the end.
#include "grouping/GroupSetupDialog.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <mutex>
#include <optional>
#include <type_traits>

#include "common/FilePath.h"
#include "common/MessageBox.h"
#include "controls/CheckGrid.h"
#include "grouping/GroupDownloadConfirm.h"
#include "grouping/GroupFile.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

QString stored(int id) { return QString::fromStdString(stringText(id)); }

const QColor kFailedBackground(0xF7, 0xCA, 0xCA);

} // namespace

// What the worker hands over. Steps pile up here and go to the dialog with
// one queued call per batch, so a large site does not post an event per step;
// the end comes after the last step. The dialog detaches as it goes.
struct GroupSetupDialog::Inbox {
    std::mutex m;
    GroupSetupDialog* dialog = nullptr;
    std::vector<GroupStepReport> steps;
    std::optional<GroupDownloadSummary> summary;
    bool posted = false;

    template <typename T>
    void put(T&& value)
    {
        std::lock_guard lock(m);
        if (!dialog)
            return;
        if constexpr (std::is_same_v<std::decay_t<T>, GroupDownloadSummary>)
            summary = std::forward<T>(value);
        else
            steps.push_back(std::forward<T>(value));
        if (posted)
            return;
        posted = true;
        QMetaObject::invokeMethod(dialog, [this] { dialog->takeInbox(); }, Qt::QueuedConnection);
    }
};

std::shared_ptr<GroupSetupDialog::Inbox> GroupSetupDialog::makeInbox(GroupSetupDialog* dialog)
{
    auto inbox = std::make_shared<Inbox>();
    inbox->dialog = dialog;
    return inbox;
}

GroupSetupDialog::~GroupSetupDialog()
{
    std::lock_guard lock(inbox_->m);
    inbox_->dialog = nullptr;
}

void GroupSetupDialog::takeInbox()
{
    std::vector<GroupStepReport> steps;
    std::optional<GroupDownloadSummary> summary;
    {
        std::lock_guard lock(inbox_->m);
        steps.swap(inbox_->steps);
        summary.swap(inbox_->summary);
        inbox_->posted = false;
    }
    for (const auto& step : steps)
        stepDone(step);
    if (summary)
        downloadFinished(*summary);
}

int GroupSetupDialog::rowOfItem(const DeviceItemPtr& item) const
{
    for (std::size_t r = 0; r < rows_.size(); ++r)
        if (rows_[r].item == item)
            return static_cast<int>(r);
    return -1;
}

void GroupSetupDialog::showRowResult(int row, const QString& text, bool failed)
{
    grid_->hideCellProgress(row, ColResult);
    grid_->setCellText(row, ColResult, text);
    grid_->setCellToolTip(row, ColResult, text);
    grid_->setCellBackground(row, ColResult, failed ? kFailedBackground : QColor());
}

void GroupSetupDialog::startDownload()
{
    if (groups_.empty()) {
        showWarningText(this, IDS_NO_GROUPING);
        return;
    }
    if (!GroupDownloadQuestion::ask(this, planGroupDownload(list_, groups_)))
        return;
    progress_->setValue(0);
    progressText_->setText(QStringLiteral("0%"));
    result_->clear();
    setEditing(false);
    downloading_ = true;
    // Every online device's row waits for its steps; the others are not written.
    {
        std::lock_guard lock(list_.mutex());
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            const int row = static_cast<int>(r);
            grid_->setCellBackground(row, ColResult, QColor());
            if (isOnlineState(rows_[r].item->state)) {
                grid_->setCellText(row, ColResult, QString());
                grid_->showCellProgress(row, ColResult);
            } else {
                grid_->hideCellProgress(row, ColResult);
                grid_->setCellText(row, ColResult, tr("offline, not written"));
            }
        }
    }
    GroupDownloadOptions options;
    options.confirm = true; // as auctl: an unanswered apply is checked by a read-back
    options.onStep = [inbox = inbox_](const GroupStepReport& report) { inbox->put(report); };
    postDownloadGrouping(
        worker_, list_, groups_, [inbox = inbox_](const GroupDownloadSummary& summary) { inbox->put(summary); },
        options);
}

void GroupSetupDialog::stepDone(const GroupStepReport& report)
{
    const int row = rowOfItem(report.item);
    if (row < 0)
        return;
    const QString text = QString::fromStdString(report.text);
    switch (report.step) {
    case GroupStep::Read:
        if (report.ok)
            grid_->setCellProgress(row, ColResult, 50);
        else
            showRowResult(row, text, true);
        break;
    case GroupStep::Written:
        if (!report.ok) {
            // A read failure already holds the row; the setting failure follows it.
            const QString before = grid_->cellText(row, ColResult);
            showRowResult(row, before.isEmpty() ? text : before + QStringLiteral("; ") + text, true);
        } else {
            grid_->setCellProgress(row, ColResult, 100);
        }
        break;
    case GroupStep::Confirmed:
        showRowResult(row, report.ok ? tr("set grouping completed.") : text, !report.ok);
        break;
    }
}

void GroupSetupDialog::downloadFinished(const GroupDownloadSummary& summary)
{
    // A write may have moved a device to its record's number and address.
    {
        std::lock_guard lock(list_.mutex());
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            rows_[r].info = rows_[r].item->devItem;
            grid_->setCellText(static_cast<int>(r), ColNo, QString::number(rows_[r].info.devNo()));
            grid_->setCellText(static_cast<int>(r), ColIp, QString::fromStdString(formatIp(rows_[r].info.ip())));
        }
    }
    QString text = tr("Group numbers set on %1 of %2 online devices.").arg(summary.completed).arg(summary.online);
    if (!summary.failures.empty())
        text += tr(" Failed: %1 (see the rows and the operation records).").arg(summary.failures.size());
    result_->setText(text);
    emit statusMessage(text);
}

void GroupSetupDialog::groupProgress(int percent)
{
    progress_->setValue(percent);
    progressText_->setText(QStringLiteral("%1%").arg(percent));
}

void GroupSetupDialog::groupDownloaded() { restore_->start(); }

bool GroupSetupDialog::mayClose()
{
    if (downloading_) {
        showWarningText(this, IDS_GROUP_DOWNLOADING);
        return false;
    }
    while (changed_) {
        std::string error;
        // auctl may have saved groups meanwhile: they are taken in, not overwritten.
        if (SaveGroupInfoFileMerged(groupFile_, loadedGroups_, groups_, &error)) {
            changed_ = false;
            break;
        }
        OutputLog("%s %s", oneLine(stringText(IDS_GROUP_FILE_NOT_SAVED)).c_str(), error.c_str());
        QMessageBox box(QMessageBox::Warning, tr("Aulira"),
                        stored(IDS_GROUP_FILE_NOT_SAVED) + fromPath(groupFile_) +
                            QStringLiteral(":\n") + QString::fromStdString(error),
                        QMessageBox::NoButton, this);
        box.setObjectName(QStringLiteral("groupSaveBox"));
        QPushButton* retry = box.addButton(tr("&Retry"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(tr("Close &Without Saving"), QMessageBox::DestructiveRole);
        box.addButton(tr("&Cancel"), QMessageBox::RejectRole);
        box.setDefaultButton(retry);
        box.exec();
        if (box.clickedButton() == discard)
            break;
        if (box.clickedButton() != retry)
            return false;
    }
    return true;
}

void GroupSetupDialog::reject()
{
    if (mayClose())
        QDialog::reject();
}

} // namespace aulira::app
