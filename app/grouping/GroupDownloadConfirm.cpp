#include "grouping/GroupDownloadConfirm.h"

#include <QMessageBox>
#include <QStringList>

namespace aulira::app {

namespace {

// Lines shown in the box itself; the rest are behind Show Details.
constexpr int kShownLines = 12;

} // namespace

bool GroupDownloadQuestion::ask(QWidget* parent, const GroupDownloadPlan& plan)
{
    const auto numbers = [](const std::vector<int>& n) {
        return n.empty() ? tr("none") : QString::fromStdString(groupNumbersText(n));
    };
    const auto losing = plan.losing();
    const int written = static_cast<int>(plan.written.size());
    QString text = (written == 1 ? tr("The group numbers of %1 online device will be written.")
                                 : tr("The group numbers of %1 online devices will be written."))
                       .arg(written) +
                   QLatin1Char(' ') +
                   tr("Each gets the numbers of the groups it is in; numbers set elsewhere are cleared.");
    QStringList lines;
    for (const GroupPlanDevice* d : losing)
        lines << tr("%1 loses %2 (has %3)").arg(QString::fromStdString(d->tag), numbers(d->lost), numbers(d->now));
    if (losing.empty()) {
        text += QStringLiteral("\n\n") + tr("No device loses group numbers it has now.");
    } else {
        text += QStringLiteral("\n\n") +
                (losing.size() == 1 ? tr("%1 device loses group numbers it has now:")
                                    : tr("%1 devices lose group numbers they have now:"))
                    .arg(static_cast<int>(losing.size()));
        text += QLatin1Char('\n') + lines.mid(0, kShownLines).join(QLatin1Char('\n'));
        if (lines.size() > kShownLines)
            text += QLatin1Char('\n') + tr("… and %1 more (Show Details).").arg(lines.size() - kShownLines);
    }
    text += QStringLiteral("\n\n") + tr("Download the group numbers now?");
    QMessageBox box(QMessageBox::Question, tr("Aulira"), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("groupDownloadQuestion"));
    if (lines.size() > kShownLines)
        box.setDetailedText(lines.join(QLatin1Char('\n')));
    // Enter keeps the numbers unless nobody loses any.
    box.setDefaultButton(losing.empty() ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace aulira::app
