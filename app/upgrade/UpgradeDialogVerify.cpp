// The upgrade dialogs' version check after a firmware batch: the devices are
// asked on a thread of their own once they have had time to restart.
#include <QColor>
#include <QLabel>

#include "controls/CheckGrid.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "upgrade/UpgradeDialog.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

QString fromAnsi(const std::string& bytes) { return QString::fromStdString(ansiToUtf8(bytes)); }

const QColor kWaitingBackground = QColor::fromRgb(247, 202, 202);

// "verified (V2.4.0)", "still old version (V1.0.3)", "reports version 2.4.0b".
std::string versionCellText(const UpgradeResult& res)
{
    std::string text = verifyResultText(*res.verified, res.versionAfter);
    if (!res.versionAfter.empty() && *res.verified != VerifyResult::OtherVersion)
        text += " (" + res.versionAfter + ")";
    return text;
}

} // namespace

void UpgradeDialog::startVerify()
{
    // Only a device firmware file names the version the devices report.
    if (kind_ != UpgradeBatch::Kind::Firmware || fileVersion_.empty())
        return;
    std::vector<UpgradeResult> asked;
    for (int r : batchRows_) {
        const UpgradeResult& res = results_[static_cast<std::size_t>(r)];
        if (res.outcome == UpgradeResult::Outcome::Upgraded) {
            asked.push_back(res);
            grid_->setCellText(r, ColVersion, tr("checking…"));
        }
    }
    if (asked.empty())
        return;
    verifying_ = true;
    status_->setText(batchSummary_ + QLatin1Char(' ') + tr("Asking the upgraded devices for their version…"));
    if (verify_.joinable())
        verify_.join();
    const std::string version = fileVersion_;
    const int timeout = verifyTimeoutMs();
    const int restartWait = restartWaitMs();
    DeviceList* list = &list_;
    verify_ = std::jthread([this, asked = std::move(asked), version, timeout, restartWait,
                            list](std::stop_token stop) mutable {
        std::vector<UpgradeResult*> ptrs;
        for (auto& a : asked)
            ptrs.push_back(&a);
        // Each answer reaches its row at once; the dialog outlives this
        // thread (its destructor stops and joins it) and drops what is queued.
        verifyUpgradeResults(ptrs, version, timeout, *list, stop, restartWait, [this](const UpgradeResult& answer) {
            QMetaObject::invokeMethod(this, [this, answer] { onVersionAnswer(answer); }, Qt::QueuedConnection);
        });
        if (stop.stop_requested())
            return; // the dialog is going away
        QMetaObject::invokeMethod(this, [this, asked = std::move(asked)]() mutable { onVerified(std::move(asked)); },
                                  Qt::QueuedConnection);
    });
}

void UpgradeDialog::onVerified(std::vector<UpgradeResult> results)
{
    for (const auto& v : results) {
        const int row = rowOf(v.item);
        if (row < 0)
            continue;
        auto& res = results_[static_cast<std::size_t>(row)];
        res.verified = v.verified;
        res.versionAfter = v.versionAfter;
        showVersionCell(row);
        if (res.verified)
            OutputLog("%s: %s", deviceTag(res.name, v.item->ip).c_str(), versionCellText(res).c_str());
    }
    verifying_ = false;
    int verified = 0;
    for (const auto& v : results)
        verified += v.verified == VerifyResult::Verified;
    status_->setText(batchSummary_ + QLatin1Char(' ') +
                     tr("%1 of %2 upgraded devices report version %3.")
                         .arg(verified)
                         .arg(static_cast<int>(results.size()))
                         .arg(fromAnsi(fileVersion_)));
    updateButtons();
    emit verifyFinished();
}

void UpgradeDialog::showVersionCell(int row)
{
    const UpgradeResult& res = results_[static_cast<std::size_t>(row)];
    if (!res.verified)
        return;
    const QString text = QString::fromStdString(versionCellText(res));
    grid_->setCellText(row, ColVersion, text);
    grid_->setCellToolTip(row, ColVersion, text);
    grid_->setCellBackground(row, ColVersion,
                             *res.verified == VerifyResult::Verified ? QColor::fromRgb(205, 240, 205)
                                                                     : kWaitingBackground);
}

} // namespace aulira::app
