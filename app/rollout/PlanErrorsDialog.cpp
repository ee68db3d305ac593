#include "rollout/PlanErrorsDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace aulira::app {

PlanErrorsDialog::PlanErrorsDialog(const QString& file, const std::vector<PlanProblemRow>& problems, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("planErrorsDialog"));
    setWindowTitle(tr("The plan cannot be used"));

    auto* heading = new QLabel(tr("Problems in %1: %2. Nothing was sent to any device; correct the file and choose it again.")
                                   .arg(QFileInfo(file).fileName())
                                   .arg(static_cast<int>(problems.size())),
                               this);
    heading->setWordWrap(true);
    problems_ = new QTreeWidget(this);
    problems_->setObjectName(QStringLiteral("planProblems"));
    problems_->setRootIsDecorated(false);
    problems_->setHeaderLabels({tr("Line"), tr("Column"), tr("Problem")});
    problems_->setAccessibleName(tr("Problems"));
    heading->setBuddy(problems_);
    for (const auto& p : problems) {
        QString column;
        if (p.column > 0)
            column = p.columnName.isEmpty() ? QString::number(p.column)
                                            : QStringLiteral("%1 (%2)").arg(p.column).arg(p.columnName);
        auto* row = new QTreeWidgetItem(problems_, {p.line > 0 ? QString::number(p.line) : QString(), column, p.text});
        row->setToolTip(2, p.text);
    }
    problems_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    problems_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    if (problems_->topLevelItemCount())
        problems_->setCurrentItem(problems_->topLevelItem(0));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(problems_, 1);
    layout->addWidget(buttons);
    resize(720, 360);
}

} // namespace aulira::app
