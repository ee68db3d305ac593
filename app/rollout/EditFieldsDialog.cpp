#include "rollout/EditFieldsDialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/BuddyNames.h"
#include "devices/DeviceItem.h"
#include "params/SysParaSettings.h"

namespace aulira::app {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString pageTitle(SysParaPage page)
{
    const auto t = sysParaPageTitle(page);
    return QCoreApplication::translate("aulira::ParaPages", std::string(t).c_str());
}

// Fields a person may give many devices at once: not the read-only ones.
bool editable(const SysParaField& f) { return f.kind != FieldKind::Version && f.kind != FieldKind::Mac; }

} // namespace

EditFieldsDialog::EditFieldsDialog(int deviceCount, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("editFieldsDialog"));
    setWindowTitle(tr("Edit selected devices"));

    auto* heading = new QLabel(tr("Choose the fields to give the selected devices (%1) and their values. The review that "
                                  "follows shows each device's changes before anything is written.")
                                   .arg(deviceCount),
                               this);
    heading->setWordWrap(true);

    page_ = new QComboBox(this);
    page_->setObjectName(QStringLiteral("pageBox"));
    for (int p = static_cast<int>(SysParaPage::Basic); p < kSysParaPageCount; ++p)
        page_->addItem(pageTitle(static_cast<SysParaPage>(p)), p);
    field_ = new QComboBox(this);
    field_->setObjectName(QStringLiteral("fieldBox"));
    value_ = new QLineEdit(this);
    value_->setObjectName(QStringLiteral("valueEdit"));
    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("valueHint"));
    hint_->setEnabled(false); // drawn subdued, as a hint
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("valueError"));
    error_->setStyleSheet(QStringLiteral("color: #b00020"));
    error_->setWordWrap(true);
    add_ = new QPushButton(tr("&Add"), this);
    add_->setObjectName(QStringLiteral("addFieldButton"));

    chosen_ = new QTreeWidget(this);
    chosen_->setObjectName(QStringLiteral("chosenFields"));
    chosen_->setRootIsDecorated(false);
    chosen_->setHeaderLabels({tr("Page"), tr("Field"), tr("Value")});
    chosen_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* chosenLabel = buddyLabel(tr("Fields to &write:"), chosen_, this);
    remove_ = new QPushButton(tr("&Remove"), this);
    remove_->setObjectName(QStringLiteral("removeFieldButton"));

    auto* buttons = new QDialogButtonBox(this);
    review_ = buttons->addButton(tr("Re&view…"), QDialogButtonBox::AcceptRole);
    review_->setObjectName(QStringLiteral("reviewButton"));
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    // Enter in the value field adds the field; it never leaves the dialog.
    for (QPushButton* b : {add_, remove_, review_, buttons->button(QDialogButtonBox::Cancel)}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (!assignments_.empty())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QGridLayout;
    form->addWidget(buddyLabel(tr("&Page:"), page_, this), 0, 0);
    form->addWidget(page_, 0, 1);
    form->addWidget(buddyLabel(tr("&Field:"), field_, this), 1, 0);
    form->addWidget(field_, 1, 1);
    form->addWidget(buddyLabel(tr("&Value:"), value_, this), 2, 0);
    form->addWidget(value_, 2, 1);
    form->addWidget(add_, 2, 2);
    form->addWidget(hint_, 3, 1, 1, 2);
    form->addWidget(error_, 4, 1, 1, 2);
    form->setColumnStretch(1, 1);

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(chosen_, 1);
    auto* side = new QVBoxLayout;
    side->addWidget(remove_);
    side->addStretch();
    listRow->addLayout(side);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(form);
    layout->addWidget(chosenLabel);
    layout->addLayout(listRow, 1);
    layout->addWidget(buttons);

    connect(page_, &QComboBox::currentIndexChanged, this, &EditFieldsDialog::fillFields);
    connect(field_, &QComboBox::currentIndexChanged, this, &EditFieldsDialog::updateHint);
    connect(add_, &QPushButton::clicked, this, &EditFieldsDialog::addField);
    connect(value_, &QLineEdit::returnPressed, this, &EditFieldsDialog::addField);
    connect(value_, &QLineEdit::textEdited, error_, &QLabel::clear);
    connect(remove_, &QPushButton::clicked, this, &EditFieldsDialog::removeField);
    connect(chosen_, &QTreeWidget::currentItemChanged, this, &EditFieldsDialog::updateButtons);
    fillFields();
    updateButtons();
    resize(620, 440);
}

void EditFieldsDialog::fillFields()
{
    const auto page = static_cast<SysParaPage>(page_->currentData().toInt());
    field_->clear();
    for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
        const SysParaField& f = kSysParaFields[i];
        if (f.page == page && editable(f))
            field_->addItem(QStringLiteral("%1 (%2)").arg(qs(f.label), qs(f.name)), static_cast<int>(i));
    }
    updateHint();
}

void EditFieldsDialog::updateHint()
{
    const int i = field_->currentData().toInt();
    if (field_->currentIndex() < 0)
        return;
    const SysParaField& f = kSysParaFields[static_cast<std::size_t>(i)];
    QStringList texts;
    for (auto t : f.texts)
        texts << qs(t);
    QString hint;
    switch (f.kind) {
    case FieldKind::Text:
        hint = tr("Text of at most 15 bytes");
        break;
    case FieldKind::Ip:
        hint = tr("An address such as 192.168.1.20");
        break;
    case FieldKind::Groups:
        hint = tr("Up to 8 group numbers, such as 3,7,0");
        break;
    case FieldKind::Target:
        hint = tr("An address or a device number, as the call or output type says");
        break;
    default:
        hint = texts.isEmpty() ? tr("A number from %1 to %2").arg(f.min).arg(f.max) : texts.join(QStringLiteral(", "));
    }
    if (!f.in(false))
        hint += QLatin1Char(' ') + tr("(devices with the 392-byte record do not store it)");
    hint_->setText(hint);
    delete value_->completer();
    if (!texts.isEmpty()) {
        auto* c = new QCompleter(texts, value_);
        c->setCaseSensitivity(Qt::CaseInsensitive);
        value_->setCompleter(c);
    }
    error_->clear();
}

void EditFieldsDialog::addField()
{
    if (field_->currentIndex() < 0)
        return;
    const auto i = static_cast<std::size_t>(field_->currentData().toInt());
    const SysParaField& f = kSysParaFields[i];
    const std::string value = value_->text().trimmed().toStdString();
    // The value as every device would take it: a record of the long layout,
    // where every field exists.
    SysParaBuffer scratch{};
    auto settings = SysParaSettings::load(scratch, true);
    if (const std::string e = settings.set(f.name, value); !e.empty()) {
        error_->setText(QString::fromStdString(e));
        value_->setFocus();
        value_->selectAll();
        return;
    }
    error_->clear();
    const std::string name(f.name);
    auto same = std::find_if(assignments_.begin(), assignments_.end(), [&](const auto& a) { return a.first == name; });
    const QString shown = f.name == "password" ? QStringLiteral("********") : QString::fromStdString(value);
    if (same != assignments_.end()) {
        same->second = value;
        chosen_->topLevelItem(static_cast<int>(same - assignments_.begin()))->setText(2, shown);
    } else {
        assignments_.emplace_back(name, value);
        new QTreeWidgetItem(chosen_, {pageTitle(f.page), qs(f.label), shown});
    }
    value_->clear();
    updateButtons();
}

void EditFieldsDialog::removeField()
{
    const int row = chosen_->indexOfTopLevelItem(chosen_->currentItem());
    if (row < 0)
        return;
    delete chosen_->takeTopLevelItem(row);
    assignments_.erase(assignments_.begin() + row);
    updateButtons();
}

void EditFieldsDialog::updateButtons()
{
    review_->setEnabled(!assignments_.empty());
    remove_->setEnabled(chosen_->currentItem() != nullptr);
}

} // namespace aulira::app
