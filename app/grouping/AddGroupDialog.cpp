#include "grouping/AddGroupDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "common/MessageBox.h"
#include "controls/BuddyNames.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"

namespace aulira::app {

AddGroupDialog::AddGroupDialog(const GroupList& groups, QWidget* parent)
    : QDialog(parent), groups_(groups), mode_(GroupEditMode::Add)
{
    build();
    setWindowTitle(QString::fromStdString(oneLine(stringText(IDS_ADD_GROUP))));
}

AddGroupDialog::AddGroupDialog(GroupList& groups, GroupItem_Type& editing, QWidget* parent)
    : QDialog(parent), groups_(groups), editing_(&editing), mode_(GroupEditMode::Edit)
{
    build();
    setWindowTitle(QString::fromStdString(oneLine(stringText(IDS_EDIT_GROUP))));
    noEdit_->setText(QString::number(editing.number()));
    nameEdit_->setText(QString::fromStdString(ansiToUtf8(editing.header.nameBytes())));
}

void AddGroupDialog::build()
{
    setObjectName(QStringLiteral("addGroupDialog"));
    setModal(true);

    noEdit_ = new QLineEdit(this);
    noEdit_->setObjectName(QStringLiteral("groupNoEdit"));
    // Digits only, as the number box always was; the range is OK's check.
    noEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), noEdit_));
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("groupNameEdit"));

    auto* grid = new QGridLayout;
    grid->addWidget(buddyLabel(tr("Group &NO:"), noEdit_, this), 0, 0);
    grid->addWidget(noEdit_, 0, 1);
    grid->addWidget(new QLabel(tr("(1-255)"), this), 0, 2);
    grid->addWidget(buddyLabel(tr("Group N&ame:"), nameEdit_, this), 1, 0);
    grid->addWidget(nameEdit_, 1, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &AddGroupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AddGroupDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    noEdit_->setFocus();
}

void AddGroupDialog::accept()
{
    const GroupEntry entry{noEdit_->text().toStdString(), nameEdit_->text().toStdString()};
    const GroupCheck check = checkGroupEntry(mode_, entry, groups_, editing_);
    if (check.refusal != 0) {
        showWarningText(this, check.refusal);
        return;
    }
    accepted_ = check;
    if (editing_)
        storeGroupEntry(check, *editing_);
    QDialog::accept();
}

} // namespace aulira::app
