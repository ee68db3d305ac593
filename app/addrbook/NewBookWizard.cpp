#include "addrbook/NewBookWizard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "common/MessageBox.h"
#include "controls/BuddyNames.h"
#include "shell/Strings.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

QString text(int id) { return QString::fromStdString(oneLine(stringText(id))); }

// Column widths of the grids, in 64ths of their width.
const std::vector<int> kGroupColumns{9, 25, 30};
const std::vector<int> kDeviceColumns{4, 6, 20, 10, 10, 14};

} // namespace

// ---- name --------------------------------------------------------------------

InputBookNamePage::InputBookNamePage(const AddrBookList& books, AddrBook_Type& book, QWidget* parent)
    : QWizardPage(parent), books_(books), book_(book)
{
    setObjectName(QStringLiteral("bookNamePage"));
    setTitle(tr("Set Address Book Name"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("bookNameEdit"));
    auto* row = new QHBoxLayout;
    row->addWidget(buddyLabel(tr("Address Book &Name:"), name_, this));
    row->addWidget(name_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addStretch();
}

bool InputBookNamePage::validatePage()
{
    // Taken as typed: not trimmed; the same rules as everywhere a book is made.
    const std::string name = name_->text().toStdString();
    if (const int refusal = checkBookName(books_, name)) {
        showWarningText(this, refusal);
        return false;
    }
    book_.name = name;
    return true;
}

// ---- groups ------------------------------------------------------------------

SelectGroupPage::SelectGroupPage(const GroupList& groups, AddrBook_Type& book, QWidget* parent)
    : QWizardPage(parent), groups_(groups), book_(book)
{
    setObjectName(QStringLiteral("bookGroupPage"));
    setTitle(tr("Select Broadcast Group"));
    grid_ = new BookGrid(BookGrid::Kind::Groups, kGroupColumns, this);
    grid_->setObjectName(QStringLiteral("bookGroupGrid"));
    grid_->setAccessibleName(text(IDS_TAB_BROADCAST_GROUP));
    members_ = new QTableWidget(0, 4, this);
    members_->setObjectName(QStringLiteral("bookGroupMembers"));
    members_->setAccessibleName(tr("Group members"));
    members_->setHorizontalHeaderLabels({tr("SN"), text(IDS_COL_NO), text(IDS_COL_DEVICE_NAME), text(IDS_COL_IP)});
    members_->verticalHeader()->hide();
    members_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    members_->setSelectionBehavior(QAbstractItemView::SelectRows);
    members_->setSelectionMode(QAbstractItemView::SingleSelection);
    members_->setShowGrid(true);
    const int widths[] = {40, 60, 150, 100};
    for (int c = 0; c < 4; ++c)
        members_->setColumnWidth(c, widths[c]);
    members_->horizontalHeader()->setSectionsClickable(true);
    connect(members_->horizontalHeader(), &QHeaderView::sectionClicked, this, &SelectGroupPage::sortMembers);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showMembers(current.isValid() ? current.row() : -1); });
    // Sorting rebuilds the rows, which takes the selection with it.
    connect(grid_->gridModel(), &QAbstractItemModel::modelReset, this, [this] { showMembers(-1); });
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addWidget(members_, 1);
}

void SelectGroupPage::initializePage()
{
    if (filled_)
        return;
    filled_ = true;
    grid_->showGroups(groups_);
    if (grid_->rowCount() > 0) {
        grid_->setFocus();
        grid_->selectRow(0);
        showMembers(0);
    }
}

void SelectGroupPage::showEvent(QShowEvent* event)
{
    QWizardPage::showEvent(event);
    QTimer::singleShot(20, grid_, [this] { grid_->setFocus(); });
}

void SelectGroupPage::showMembers(int row)
{
    const GroupItem_Type* group = row >= 0 ? grid_->groupAt(row) : nullptr;
    shown_ = group ? group->members : std::vector<GroupDev_Type>{};
    fillMembers();
}

void SelectGroupPage::fillMembers()
{
    members_->setRowCount(0);
    members_->setRowCount(static_cast<int>(shown_.size()));
    for (int r = 0; r < static_cast<int>(shown_.size()); ++r) {
        const GroupDev_Type& m = shown_[static_cast<std::size_t>(r)];
        const QString cells[] = {QString::number(r + 1), QString::number(m.devNo), shownText(m.nameBytes()),
                                 QString::fromStdString(formatIp(m.devIp))};
        for (int c = 0; c < 4; ++c)
            members_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
}

void SelectGroupPage::sortMembers(int column)
{
    if (column <= 0 || column > 3)
        return; // "SN" only counts the rows
    const bool ascending = reversed_[static_cast<std::size_t>(column)];
    reversed_[static_cast<std::size_t>(column)] = !ascending;
    auto key = [column](const GroupDev_Type& m) -> std::pair<std::int64_t, std::string> {
        if (column == 1)
            return {m.devNo, {}};
        if (column == 2)
            return {0, m.nameBytes()};
        return {static_cast<std::int64_t>(m.devIp), {}};
    };
    std::stable_sort(shown_.begin(), shown_.end(), [&](const GroupDev_Type& a, const GroupDev_Type& b) {
        return ascending ? key(a) < key(b) : key(b) < key(a);
    });
    fillMembers();
}

bool SelectGroupPage::validatePage()
{
    book_.groups = grid_->tickedEntries();
    return true;
}

// ---- devices -----------------------------------------------------------------

SelectDevicePage::SelectDevicePage(Role role, const std::vector<BookDevice>& devices, AddrBook_Type& book,
                                   QWidget* parent)
    : QWizardPage(parent), role_(role), devices_(devices), book_(book)
{
    const bool cast = role_ == Role::Broadcast;
    setObjectName(cast ? QStringLiteral("bookCastPage") : QStringLiteral("bookCallPage"));
    setTitle(cast ? tr("Select Broadcast Device") : tr("Select Intercom Device"));
    grid_ = new BookGrid(BookGrid::Kind::Devices, kDeviceColumns, this);
    grid_->setObjectName(cast ? QStringLiteral("bookCastGrid") : QStringLiteral("bookCallGrid"));
    grid_->setAccessibleName(text(cast ? IDS_TAB_BROADCAST_DEVICE : IDS_TAB_INTERCOM_DEVICE));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
}

void SelectDevicePage::initializePage()
{
    if (filled_)
        return;
    filled_ = true;
    grid_->showDevices(devices_, text(IDS_LOCATION_LOCAL), text(IDS_LOCATION_BOOK));
}

bool SelectDevicePage::validatePage()
{
    if (role_ == Role::Broadcast) {
        book_.broadcast = grid_->tickedEntries();
        return true;
    }
    book_.intercom = grid_->tickedEntries();
    if (const int refusal = checkBookSelection(book_)) {
        showWarningText(this, refusal);
        return false;
    }
    return true;
}

// ---- sheet -------------------------------------------------------------------

NewBookWizardSheet::NewBookWizardSheet(const AddrBookList& books, GroupList groups, std::vector<BookDevice> devices,
                                       QWidget* parent)
    : QWizard(parent), groups_(std::move(groups)), devices_(std::move(devices))
{
    setObjectName(QStringLiteral("newBookWizard"));
    setWindowTitle(text(IDS_BOOK_WIZARD_TITLE));
    setOption(QWizard::NoBackButtonOnStartPage);
    setOption(QWizard::NoDefaultButton, false);
    name_ = new InputBookNamePage(books, book_, this);
    group_ = new SelectGroupPage(groups_, book_, this);
    cast_ = new SelectDevicePage(SelectDevicePage::Role::Broadcast, devices_, book_, this);
    call_ = new SelectDevicePage(SelectDevicePage::Role::Intercom, devices_, book_, this);
    for (QWizardPage* page : {static_cast<QWizardPage*>(name_), static_cast<QWizardPage*>(group_),
                              static_cast<QWizardPage*>(cast_), static_cast<QWizardPage*>(call_)})
        addPage(page);
    resize(720, 460);
}

} // namespace aulira::app
