#include "rollout/RolloutReviewDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace aulira::app {

namespace {

const QColor kRefused = QColor::fromRgb(176, 0, 32);

} // namespace

RolloutReviewDialog::RolloutReviewDialog(const QString& heading, const std::vector<ReviewDevice>& devices,
                                         bool offerDoNotAsk, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("rolloutReviewDialog"));
    setWindowTitle(tr("Review the changes"));

    auto* head = new QLabel(heading, this);
    head->setWordWrap(true);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("reviewTree"));
    tree_->setHeaderLabels({tr("Device"), tr("Field"), tr("Now"), tr("Planned")});
    tree_->setAccessibleName(tr("Changes by device"));
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    head->setBuddy(tree_);

    for (const ReviewDevice& d : devices) {
        auto* row = new QTreeWidgetItem(tree_, {d.title});
        int count = static_cast<int>(d.changes.size());
        if (!d.problem.isEmpty()) {
            row->setText(ColField, d.problem);
            row->setForeground(ColField, kRefused);
            row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
            count = -1;
        } else {
            for (const ReviewChange& c : d.changes) {
                auto* child = new QTreeWidgetItem(row, {QString(), c.field, c.now, c.planned});
                child->setToolTip(ColField, c.page);
            }
            for (const QString& f : d.refused) {
                auto* child = new QTreeWidgetItem(row, {QString(), f, QString(), tr("refused: this device's layout "
                                                                                    "does not have the field")});
                child->setForeground(ColPlanned, kRefused);
            }
            if (d.otherBytes)
                new QTreeWidgetItem(row, {QString(), tr("other bytes of the record: %1").arg(d.otherBytes)});
            const bool anything = !d.changes.empty() || d.otherBytes;
            if (!anything) {
                row->setText(ColField, tr("no change"));
                count = 0;
            }
            row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
            row->setCheckState(ColDevice, anything ? Qt::Checked : Qt::Unchecked);
            row->setText(ColNow, !anything ? QString()
                      : d.changes.size() == 1 ? tr("1 change")
                                              : tr("%1 changes").arg(static_cast<int>(d.changes.size())));
        }
        QFont bold = row->font(ColDevice);
        bold.setBold(true);
        row->setFont(ColDevice, bold);
        row->setExpanded(true);
        rows_.push_back(row);
        changeCounts_.push_back(count);
    }
    tree_->header()->setSectionResizeMode(QHeaderView::Interactive);
    tree_->setColumnWidth(ColDevice, 360);
    tree_->setColumnWidth(ColField, 190);
    tree_->setColumnWidth(ColNow, 140);
    if (!rows_.empty())
        tree_->setCurrentItem(rows_.front());

    auto* tickAll = new QPushButton(tr("&Tick all"), this);
    tickAll->setObjectName(QStringLiteral("tickAllButton"));
    auto* untickAll = new QPushButton(tr("&Untick all"), this);
    untickAll->setObjectName(QStringLiteral("untickAllButton"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("reviewSummary"));

    auto* buttons = new QDialogButtonBox(this);
    go_ = buttons->addButton(tr("&Write…"), QDialogButtonBox::AcceptRole);
    go_->setObjectName(QStringLiteral("writeButton"));
    auto* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* b : {tickAll, untickAll, go_, cancel})
        b->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto setAll = [this](Qt::CheckState state) {
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (changeCounts_[i] > 0 || (changeCounts_[i] == 0 && state == Qt::Unchecked))
                rows_[i]->setCheckState(ColDevice, state);
    };
    connect(tickAll, &QPushButton::clicked, this, [setAll] { setAll(Qt::Checked); });
    connect(untickAll, &QPushButton::clicked, this, [setAll] { setAll(Qt::Unchecked); });
    connect(tree_, &QTreeWidget::itemChanged, this, &RolloutReviewDialog::updateSummary);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(tickAll);
    bottom->addWidget(untickAll);
    bottom->addWidget(summary_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(head);
    layout->addWidget(tree_, 1);
    layout->addLayout(bottom);
    if (offerDoNotAsk) {
        doNotAsk_ = new QCheckBox(tr("Do not ask again"), this);
        doNotAsk_->setObjectName(QStringLiteral("doNotAskAgain"));
        layout->addWidget(doNotAsk_);
    }
    layout->addWidget(buttons);
    updateSummary();
    resize(920, 540);
}

QTreeWidgetItem* RolloutReviewDialog::deviceRow(int device) const
{
    return device >= 0 && device < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(device)] : nullptr;
}

std::vector<bool> RolloutReviewDialog::ticked() const
{
    std::vector<bool> out;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        out.push_back(changeCounts_[i] >= 0 && rows_[i]->checkState(ColDevice) == Qt::Checked);
    return out;
}

void RolloutReviewDialog::updateSummary()
{
    int devices = 0, changes = 0;
    const auto t = ticked();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!t[i])
            continue;
        ++devices;
        changes += std::max(changeCounts_[i], 0);
    }
    summary_->setText(tr("%1 of %2 devices ticked, %3 changes to write.")
                          .arg(devices)
                          .arg(static_cast<int>(rows_.size()))
                          .arg(changes));
    go_->setEnabled(devices > 0);
}

} // namespace aulira::app
