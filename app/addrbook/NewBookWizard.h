#pragma once
// The new address book wizard: the book's name, its broadcast groups, its
// broadcast devices and its intercom devices, one page each. All pages work on
// the one new book the wizard holds; Finish leaves it complete in book().
#include <QWizard>
#include <QWizardPage>

#include <vector>

#include "addrbook/AddrBook.h"
#include "addrbook/BookGrid.h"

class QLineEdit;
class QTableWidget;

namespace aulira::app {

class InputBookNamePage : public QWizardPage {
    Q_OBJECT
public:
    InputBookNamePage(const AddrBookList& books, AddrBook_Type& book, QWidget* parent = nullptr);
    QLineEdit* nameEdit() const { return name_; }
    bool validatePage() override;

private:
    const AddrBookList& books_;
    AddrBook_Type& book_;
    QLineEdit* name_;
};

class SelectGroupPage : public QWizardPage {
    Q_OBJECT
public:
    SelectGroupPage(const GroupList& groups, AddrBook_Type& book, QWidget* parent = nullptr);
    BookGrid* groupGrid() const { return grid_; }
    QTableWidget* memberList() const { return members_; }
    void initializePage() override;
    bool validatePage() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showMembers(int row);
    void sortMembers(int column);
    void fillMembers();

    const GroupList& groups_;
    AddrBook_Type& book_;
    BookGrid* grid_;
    QTableWidget* members_;
    std::vector<GroupDev_Type> shown_;
    std::vector<bool> reversed_ = std::vector<bool>(4, false);
    bool filled_ = false;
};

// The broadcast-device and intercom-device pages: every device of the list.
class SelectDevicePage : public QWizardPage {
    Q_OBJECT
public:
    enum class Role { Broadcast, Intercom };
    SelectDevicePage(Role role, const std::vector<BookDevice>& devices, AddrBook_Type& book, QWidget* parent = nullptr);
    BookGrid* deviceGrid() const { return grid_; }
    void initializePage() override;
    bool validatePage() override;

private:
    Role role_;
    const std::vector<BookDevice>& devices_;
    AddrBook_Type& book_;
    BookGrid* grid_;
    bool filled_ = false;
};

class NewBookWizardSheet : public QWizard {
    Q_OBJECT
public:
    // The pages see the books there are (for the name check), the groups and
    // the devices as they were when the wizard opened.
    NewBookWizardSheet(const AddrBookList& books, GroupList groups, std::vector<BookDevice> devices,
                       QWidget* parent = nullptr);

    const AddrBook_Type& book() const { return book_; }
    InputBookNamePage* namePage() const { return name_; }
    SelectGroupPage* groupPage() const { return group_; }
    SelectDevicePage* castPage() const { return cast_; }
    SelectDevicePage* callPage() const { return call_; }

private:
    AddrBook_Type book_;
    GroupList groups_;
    std::vector<BookDevice> devices_;
    InputBookNamePage* name_;
    SelectGroupPage* group_;
    SelectDevicePage* cast_;
    SelectDevicePage* call_;
};

} // namespace aulira::app
