// The upgrade dialogs after a batch: the box that says how many were
// upgraded, each device's answer to the version check as it comes, the rows
// Retry failed takes, and the report file.
#include "upgrade/UpgradeDialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

#include "common/LastFolder.h"
#include "common/MessageBox.h"

namespace aulira::app {

bool UpgradeDialog::needsRetry(const UpgradeResult& res)
{
    using O = UpgradeResult::Outcome;
    // Failed, passed over by a batch that ended early, or found by the version
    // check still on its old image or in its boot loader.
    return res.outcome == O::Failed || res.outcome == O::NotReached ||
           (res.outcome == O::Upgraded &&
            (res.verified == VerifyResult::StillOld || res.verified == VerifyResult::InBootLoader));
}

void UpgradeDialog::showOutcome(int upgraded, int total)
{
    const bool all = upgraded == total && total > 0;
    const QString text = all ? tr("%1 of %2 upgraded").arg(upgraded).arg(total)
                             : tr("%1 of %2 upgraded: see the rows").arg(upgraded).arg(total);
    QMessageBox box(all ? QMessageBox::Information : QMessageBox::Warning,
                    QCoreApplication::translate("aulira::app::MessageBox", "Aulira"), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("upgradeResultBox"));
    box.exec();
}

void UpgradeDialog::onVersionAnswer(const UpgradeResult& v)
{
    const int row = rowOf(v.item);
    if (row < 0 || !verifying_)
        return;
    auto& res = results_[static_cast<std::size_t>(row)];
    res.verified = v.verified;
    res.versionAfter = v.versionAfter;
    showVersionCell(row);
}

void UpgradeDialog::saveReport()
{
    if (upgrading_)
        return;
    std::vector<UpgradeResult> rows;
    for (std::size_t i = 0; i < results_.size(); ++i)
        if (taken_[i])
            rows.push_back(results_[i]);
    if (rows.empty())
        return;
    const QString folder = lastFolder(kReportFolderKey);
    const QString name = QStringLiteral("upgrade-report.csv");
    const QString path = QFileDialog::getSaveFileName(this, tr("Save report"),
                                                      folder.isEmpty() ? name : folder + QLatin1Char('/') + name,
                                                      tr("CSV files (*.csv);;All Files (*.*)"));
    if (path.isEmpty())
        return;
    rememberFolder(kReportFolderKey, path);
    std::string error;
    if (!writeUpgradeReportCsv(std::filesystem::path(path.toStdWString()), rows, true, &error)) {
        showWarning(this, tr("The report could not be saved to %1: %2").arg(path, QString::fromStdString(error)));
        return;
    }
    status_->setText(tr("Report saved to %1.").arg(path));
}

} // namespace aulira::app
