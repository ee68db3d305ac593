#include "grouping/GroupSetupDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

#include "common/FilePath.h"
#include "common/MessageBox.h"
#include "controls/BuddyNames.h"
#include "controls/CheckGrid.h"
#include "grouping/AddGroupDialog.h"
#include "grouping/GroupFile.h"
#include "grouping/GroupRules.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

QString line(int id) { return QString::fromStdString(oneLine(stringText(id))); }
QString fromAnsi(const std::string& ansi) { return QString::fromStdString(ansiToUtf8(ansi)); }

// A button that Enter does not press unless it has the focus: Enter in the
// dialog must not start a download or close anything.
QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// Address order: the four bytes as stored, first octet least significant.
std::uint32_t storedIp(const DeviceInfo_Type& info) { return info.ip(); }

} // namespace

GroupSetupDialog::GroupSetupDialog(GroupList& groups, std::filesystem::path groupFile, DeviceList& list,
                                   ProtocolWorker& worker, QWidget* parent)
    : QDialog(parent), groups_(groups), loadedGroups_(groups), groupFile_(std::move(groupFile)), list_(list),
      worker_(worker),
      inbox_(makeInbox(this))
{
    setObjectName(QStringLiteral("groupSetupDialog"));
    setWindowTitle(tr("Group Settings"));
    setModal(true);

    groupList_ = new QTreeWidget(this);
    groupList_->setObjectName(QStringLiteral("groupList"));
    groupList_->setAccessibleName(tr("Groups"));
    groupList_->setRootIsDecorated(false);
    groupList_->setUniformRowHeights(true);
    groupList_->setSelectionMode(QAbstractItemView::SingleSelection);
    groupList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    groupList_->setHeaderLabels({tr("SN"), tr("Group NO"), tr("Group Name")});
    groupList_->header()->setSectionsClickable(true);
    groupList_->header()->setStretchLastSection(true);
    groupList_->setColumnWidth(ColSn, 40);
    // 60 pixels unless the font needs more for the title.
    const int noWidth = std::max(60, groupList_->fontMetrics().horizontalAdvance(tr("Group NO")) + 16);
    groupList_->setColumnWidth(ColGroupNo, noWidth);
    groupList_->setColumnWidth(ColGroupName, 110);
    groupList_->setMinimumWidth(40 + noWidth + 110 + 8);
    groupList_->viewport()->installEventFilter(this);
    groupList_->installEventFilter(this);
    connect(groupList_->header(), &QHeaderView::sectionClicked, this, &GroupSetupDialog::sortGroups);
    connect(groupList_, &QTreeWidget::itemDoubleClicked, this, [this] { editGroup(); });

    newButton_ = button(tr("&New Group"), "newGroupButton", this);
    deleteButton_ = button(tr("&Delete Group"), "deleteGroupButton", this);
    deleteButton_->setEnabled(false);
    connect(newButton_, &QPushButton::clicked, this, &GroupSetupDialog::newGroup);
    connect(deleteButton_, &QPushButton::clicked, this, &GroupSetupDialog::deleteGroup);

    nameBox_ = new QLineEdit(this);
    nameBox_->setObjectName(QStringLiteral("groupNameBox"));
    nameBox_->setReadOnly(true);

    grid_ = new CheckGrid(this);
    grid_->setObjectName(QStringLiteral("deviceGrid"));
    grid_->setAccessibleName(tr("Devices"));
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setColumns({QStringLiteral(" "), tr("NO"), tr("Name"), tr("IP Address"), tr("Download")});
    grid_->setCheckColumn(ColCheck);
    grid_->setMinimumSize(640, 300);
    connect(grid_, &CheckGrid::checkBoxClicked, this, [this] { checkBoxClicked(); });
    connect(grid_, &CheckGrid::columnClicked, this, &GroupSetupDialog::sortDevices);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("groupProgressBar"));
    progress_->setAccessibleName(tr("Download progress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progressText_ = new QLabel(QStringLiteral("0%"), this);
    progressText_->setObjectName(QStringLiteral("progressText"));
    progressText_->setMinimumWidth(progressText_->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("resultText"));
    result_->setWordWrap(true);
    downloadButton_ = button(tr("Download &Group"), "downloadButton", this);
    connect(downloadButton_, &QPushButton::clicked, this, &GroupSetupDialog::startDownload);

    restore_ = new QTimer(this);
    restore_->setSingleShot(true);
    restore_->setInterval(kRestoreDelayMs);
    connect(restore_, &QTimer::timeout, this, [this] {
        setEditing(true);
        downloading_ = false;
    });

    auto* left = new QVBoxLayout;
    left->addWidget(groupList_, 1);
    auto* groupButtons = new QHBoxLayout;
    groupButtons->addWidget(newButton_);
    groupButtons->addWidget(deleteButton_);
    left->addLayout(groupButtons);
    auto* right = new QVBoxLayout;
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(buddyLabel(tr("Group Name:"), nameBox_, this));
    nameRow->addWidget(nameBox_, 1);
    right->addLayout(nameRow);
    right->addWidget(grid_, 1);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(progressText_);
    progressRow->addWidget(downloadButton_);
    right->addLayout(progressRow);
    right->addWidget(result_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    fillDevices();
    fillGroups();
    if (!groups_.empty()) {
        current_ = 0;
        showChecks();
        selectGroupRow(0);
    }
}

void GroupSetupDialog::fillDevices()
{
    rows_.clear();
    const auto items = list_.snapshot();
    {
        std::lock_guard lock(list_.mutex());
        for (const auto& item : items)
            rows_.push_back({item, item->devItem});
    }
    grid_->removeAllRows();
    for (const auto& row : rows_) {
        const int r = grid_->addRow(grid_->rowCount(), QString());
        grid_->setCellCheck(r, ColCheck, CheckGridModel::Unchecked);
        grid_->setCellText(r, ColNo, QString::number(row.info.devNo()));
        grid_->setCellText(r, ColName, fromAnsi(row.info.devName()));
        grid_->setCellText(r, ColIp, QString::fromStdString(formatIp(row.info.ip())));
    }
    // Tick, number, name and address take the shares they always had of
    // the first 43/64 of the width; the download column the rest.
    const int w = std::max(grid_->viewport()->width(), 640);
    grid_->setColumnWidth(ColCheck, 5 * w / 64);
    grid_->setColumnWidth(ColNo, 7 * w / 64);
    grid_->setColumnWidth(ColName, 16 * w / 64);
    grid_->setColumnWidth(ColIp, 15 * w / 64);
    grid_->horizontalHeader()->setStretchLastSection(true);
}

void GroupSetupDialog::fillGroups()
{
    if (order_.size() != groups_.size()) {
        order_.resize(groups_.size());
        for (std::size_t i = 0; i < order_.size(); ++i)
            order_[i] = i;
    }
    groupList_->clear();
    for (std::size_t row = 0; row < order_.size(); ++row) {
        const GroupItem_Type& g = groups_[order_[row]];
        auto* item = new QTreeWidgetItem(groupList_);
        item->setText(ColSn, QString::number(row + 1));
        item->setText(ColGroupNo, QString::number(g.number()));
        item->setText(ColGroupName, fromAnsi(g.header.nameBytes()));
    }
}

void GroupSetupDialog::showChecks()
{
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const bool member = current_ >= 0 && shownAsMember(groups_, groups_[current_].number(),
                                                           rows_[static_cast<std::size_t>(r)].info.devNo());
        grid_->setCellCheck(r, ColCheck, member ? CheckGridModel::Checked : CheckGridModel::Unchecked);
    }
}

void GroupSetupDialog::selectGroupRow(int groupIndex)
{
    const auto it = std::find(order_.begin(), order_.end(), static_cast<std::size_t>(groupIndex));
    if (it == order_.end())
        return;
    QTreeWidgetItem* item = groupList_->topLevelItem(static_cast<int>(it - order_.begin()));
    groupList_->setCurrentItem(item);
    item->setSelected(true);
}

bool GroupSetupDialog::eventFilter(QObject* watched, QEvent* event)
{
    // From the keyboard, Space takes the row under the cursor as a click does.
    if (watched == groupList_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        if (QTreeWidgetItem* item = groupList_->currentItem())
            item->setSelected(true);
        groupClicked();
        return true;
    }
    // A click in the group list decides the current group; a click on empty
    // space selects none. Moving with the keys does not change it.
    if (watched == groupList_->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (!groupList_->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
            groupList_->clearSelection();
        QTimer::singleShot(0, this, [this] { groupClicked(); });
    }
    return QDialog::eventFilter(watched, event);
}

void GroupSetupDialog::groupClicked()
{
    const auto selected = groupList_->selectedItems();
    if (selected.isEmpty()) {
        current_ = -1;
        showChecks();
        nameBox_->setText(line(IDS_NO_GROUP_SELECTED));
        deleteButton_->setEnabled(false);
        return;
    }
    current_ = static_cast<int>(order_[static_cast<std::size_t>(groupList_->indexOfTopLevelItem(selected.front()))]);
    showChecks();
    nameBox_->setText(fromAnsi(groups_[current_].header.nameBytes()));
    deleteButton_->setEnabled(!downloading_);
}

void GroupSetupDialog::checkBoxClicked()
{
    if (current_ < 0)
        return;
    std::vector<DeviceInfo_Type> ticked;
    {
        std::lock_guard lock(list_.mutex());
        for (int r = 0; r < grid_->rowCount(); ++r)
            if (grid_->cellCheck(r, ColCheck) == CheckGridModel::Checked)
                ticked.push_back(rows_[static_cast<std::size_t>(r)].item->devItem);
    }
    setMembersFromTicked(groups_[current_], ticked);
    changed_ = true;
}

void GroupSetupDialog::newGroup()
{
    AddGroupDialog dialog(groups_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    groups_.push_back(aulira::newGroup(dialog.accepted()));
    order_.push_back(groups_.size() - 1);
    fillGroups();
    current_ = static_cast<int>(groups_.size() - 1);
    showChecks();
    selectGroupRow(current_);
    deleteButton_->setEnabled(true);
    nameBox_->setText(fromAnsi(groups_[current_].header.nameBytes()));
    changed_ = true;
}

void GroupSetupDialog::deleteGroup()
{
    const auto selected = groupList_->selectedItems();
    if (selected.isEmpty())
        return;
    const auto row = static_cast<std::size_t>(groupList_->indexOfTopLevelItem(selected.front()));
    const std::size_t index = order_[row];
    groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(index));
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(row));
    for (auto& i : order_)
        if (i > index)
            --i;
    fillGroups();
    current_ = -1; // the rows keep their ticks, which now belong to no group
    nameBox_->setText(line(IDS_NO_GROUP_SELECTED));
    deleteButton_->setEnabled(false);
    changed_ = true;
}

void GroupSetupDialog::editGroup()
{
    const auto selected = groupList_->selectedItems();
    if (selected.isEmpty() || downloading_)
        return;
    const int row = groupList_->indexOfTopLevelItem(selected.front());
    GroupItem_Type& group = groups_[order_[static_cast<std::size_t>(row)]];
    AddGroupDialog dialog(groups_, group, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    selected.front()->setText(ColGroupNo, QString::number(group.number()));
    selected.front()->setText(ColGroupName, fromAnsi(group.header.nameBytes()));
    if (current_ == static_cast<int>(order_[static_cast<std::size_t>(row)]))
        nameBox_->setText(fromAnsi(group.header.nameBytes()));
    changed_ = true;
}

void GroupSetupDialog::sortGroups(int column)
{
    if (column == ColSn || column < 0 || column >= kGroupColumns)
        return;
    const auto selected = groupList_->selectedItems();
    const int keep = selected.isEmpty() ? -1
                                        : static_cast<int>(order_[static_cast<std::size_t>(
                                              groupList_->indexOfTopLevelItem(selected.front()))]);
    // First sort by a column descends; each further one reverses that column.
    const bool ascending = groupAscending_[static_cast<std::size_t>(column)];
    groupAscending_[static_cast<std::size_t>(column)] = !ascending;
    std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
        // Names compare as their code-page bytes, unsigned.
        const int c = column == ColGroupNo
                          ? (groups_[a].number() > groups_[b].number()) - (groups_[a].number() < groups_[b].number())
                          : groups_[a].header.nameBytes().compare(groups_[b].header.nameBytes());
        return ascending ? c < 0 : c > 0;
    });
    fillGroups();
    if (keep >= 0)
        selectGroupRow(keep);
}

void GroupSetupDialog::sortDevices(int column)
{
    if (column <= ColCheck || column > ColIp || downloading_)
        return;
    const bool ascending = deviceAscending_[static_cast<std::size_t>(column)];
    deviceAscending_[static_cast<std::size_t>(column)] = !ascending;
    // The ticks and results travel with their rows.
    struct Shown {
        DeviceRow row;
        int check;
        QString result;
    };
    std::vector<Shown> shown;
    for (int r = 0; r < grid_->rowCount(); ++r)
        shown.push_back(
            {rows_[static_cast<std::size_t>(r)], grid_->cellCheck(r, ColCheck), grid_->cellText(r, ColResult)});
    auto compare = [column](const DeviceInfo_Type& a, const DeviceInfo_Type& b) {
        if (column == ColNo)
            return (a.devNo() > b.devNo()) - (a.devNo() < b.devNo());
        if (column == ColName)
            return a.devName().compare(b.devName()) < 0 ? -1 : (a.devName() == b.devName() ? 0 : 1);
        return (storedIp(a) > storedIp(b)) - (storedIp(a) < storedIp(b));
    };
    std::stable_sort(shown.begin(), shown.end(), [&](const Shown& a, const Shown& b) {
        const int c = compare(a.row.info, b.row.info);
        return ascending ? c < 0 : c > 0;
    });
    grid_->removeAllRows();
    rows_.clear();
    for (const auto& s : shown) {
        rows_.push_back(s.row);
        const int r = grid_->addRow(grid_->rowCount(), QString());
        grid_->setCellCheck(r, ColCheck, s.check);
        grid_->setCellText(r, ColNo, QString::number(s.row.info.devNo()));
        grid_->setCellText(r, ColName, fromAnsi(s.row.info.devName()));
        grid_->setCellText(r, ColIp, QString::fromStdString(formatIp(s.row.info.ip())));
        grid_->setCellText(r, ColResult, s.result);
    }
}

void GroupSetupDialog::setEditing(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{groupList_, grid_, newButton_, deleteButton_, downloadButton_})
        w->setEnabled(on);
}

} // namespace aulira::app
