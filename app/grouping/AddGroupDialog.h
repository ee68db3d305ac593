#pragma once
// Adding a broadcast group or editing one: its number (1 to 255) and its name.
// OK runs the group rules' checks in order and names the first that fails;
// the dialog stays open until all pass.
#include <QDialog>

#include "grouping/GroupRules.h"

class QLineEdit;

namespace aulira::app {

class AddGroupDialog : public QDialog {
    Q_OBJECT
public:
    // Add mode: empty boxes, "Add Group".
    AddGroupDialog(const GroupList& groups, QWidget* parent = nullptr);
    // Edit mode for `editing`, an element of `groups`: OK stores the number and
    // the name into it.
    AddGroupDialog(GroupList& groups, GroupItem_Type& editing, QWidget* parent = nullptr);

    // After OK: the accepted number and name (the name in the code page).
    const GroupCheck& accepted() const { return accepted_; }
    QLineEdit* numberEdit() const { return noEdit_; }
    QLineEdit* nameEdit() const { return nameEdit_; }

public slots:
    void accept() override;

private:
    void build();

    const GroupList& groups_;
    GroupItem_Type* editing_ = nullptr;
    GroupEditMode mode_;
    GroupCheck accepted_;
    QLineEdit* noEdit_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
};

} // namespace aulira::app
