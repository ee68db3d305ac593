#include "params/pages/ParaPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <limits>

#include "common/MessageBox.h"
#include "controls/BuddyNames.h"
#include "controls/IpAddressEdit.h"
#include "shell/Translate.h"

namespace aulira::app {

namespace {

// A list value as the page shows it, in the program's language.
QString listText(std::string_view text)
{
    return QString::fromUtf8(translate("aulira::ParaLists", std::string(text).c_str()));
}

const SysParaField& fieldAt(std::size_t i) { return kSysParaFields[i]; }

std::size_t indexOf(std::string_view name)
{
    const int i = sysParaFieldIndex(name);
    Q_ASSERT(i >= 0);
    return static_cast<std::size_t>(i);
}

int clampToInt(std::int64_t v)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A box offers what the field's rules allow, widened for a stored value
// outside that, so a Save without an edit writes the value back as it was.
void showNumber(QSpinBox* spin, std::int64_t min, std::int64_t max, std::int64_t value)
{
    spin->setRange(clampToInt(std::min(min, value)), clampToInt(std::max(max, value)));
    spin->setValue(clampToInt(value));
}

QString objectNameOf(std::string_view field, int part)
{
    QString name = QString::fromLatin1(field.data(), static_cast<qsizetype>(field.size()));
    if (part >= 0)
        name += QString::number(part + 1);
    return name;
}

} // namespace

ParaPage::ParaPage(std::initializer_list<SysParaPage> pages, QWidget* parent)
    : QWidget(parent), pages_(pages), warn_(showWarning)
{
}

QLabel* ParaPage::label(const QString& text, QWidget* buddy, QWidget* parent) const
{
    return buddyLabel(text, buddy, parent);
}

void ParaPage::addRow(QGridLayout* grid, int row, const QString& text, QWidget* w, int col) const
{
    grid->addWidget(label(text, w, w->parentWidget()), row, col);
    grid->addWidget(w, row, col + 1);
}

void ParaPage::addRadioRow(QGridLayout* grid, int row, const QString& text, const std::vector<QRadioButton*>& radios,
                           std::initializer_list<int> positions, int col) const
{
    QWidget* parent = radios.front()->parentWidget();
    grid->addWidget(new QLabel(text, parent), row, col);
    auto* line = new QHBoxLayout;
    if (positions.size() == 0) {
        for (auto* r : radios)
            line->addWidget(r);
    } else {
        for (int p : positions)
            line->addWidget(radios[static_cast<std::size_t>(p)]);
    }
    line->addStretch();
    grid->addLayout(line, row, col + 1);
}

void ParaPage::addTargetRow(QGridLayout* grid, int row, const QString& text, const TargetControls& t, int col) const
{
    QLabel* l = label(text, t.address, t.address->parentWidget());
    t.number->setAccessibleName(t.address->accessibleName());
    grid->addWidget(l, row, col);
    auto* cell = new QHBoxLayout;
    cell->addWidget(t.address);
    cell->addWidget(t.number);
    cell->addStretch();
    grid->addLayout(cell, row, col + 1);
}

ParaPage::Binding& ParaPage::add(std::string_view field, Kind kind)
{
    Binding b;
    b.field = indexOf(field);
    b.kind = kind;
    bindings_.push_back(std::move(b));
    return bindings_.back();
}

const ParaPage::Binding* ParaPage::find(std::string_view field) const
{
    for (const auto& b : bindings_)
        if (fieldAt(b.field).name == field)
            return &b;
    return nullptr;
}

ParaPage::Binding* ParaPage::find(std::string_view field)
{
    return const_cast<Binding*>(std::as_const(*this).find(field));
}

QSpinBox* ParaPage::bindSpin(std::string_view field, QWidget* parent, int part)
{
    auto& b = add(field, Kind::Spin);
    b.part = part;
    const auto& f = fieldAt(b.field);
    b.spin = new QSpinBox(parent);
    b.spin->setObjectName(objectNameOf(field, part));
    showNumber(b.spin, f.min, f.max, f.initial);
    b.widget = b.spin;
    return b.spin;
}

QComboBox* ParaPage::bindCombo(std::string_view field, QWidget* parent)
{
    auto& b = add(field, Kind::Combo);
    b.combo = new QComboBox(parent);
    b.combo->setObjectName(objectNameOf(field, -1));
    for (auto t : fieldAt(b.field).texts)
        b.combo->addItem(listText(t));
    b.widget = b.combo;
    connect(b.combo, &QComboBox::currentIndexChanged, this, [this] {
        if (!loading_)
            updateView();
    });
    return b.combo;
}

QCheckBox* ParaPage::bindCheck(std::string_view field, const QString& text, QWidget* parent)
{
    auto& b = add(field, Kind::Check);
    b.check = new QCheckBox(text, parent);
    b.check->setObjectName(objectNameOf(field, -1));
    b.widget = b.check;
    connect(b.check, &QCheckBox::toggled, this, [this] {
        if (!loading_)
            updateView();
    });
    return b.check;
}

IpAddressEdit* ParaPage::bindAddress(std::string_view field, QWidget* parent)
{
    auto& b = add(field, Kind::Address);
    b.address = new IpAddressEdit(parent);
    b.address->setObjectName(objectNameOf(field, -1));
    b.widget = b.address;
    return b.address;
}

std::vector<QRadioButton*> ParaPage::bindRadios(std::string_view field, QWidget* parent)
{
    auto& b = add(field, Kind::Radios);
    b.group = new QButtonGroup(parent);
    const auto texts = fieldAt(b.field).texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto* r = new QRadioButton(listText(texts[i]), parent);
        r->setObjectName(objectNameOf(field, -1) + QStringLiteral("_") + QString::number(i));
        b.group->addButton(r, static_cast<int>(i));
        b.radios.push_back(r);
    }
    b.widget = b.radios.front();
    // The radios act at once; nothing reaches the record before a save.
    connect(b.group, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on && !loading_)
            updateView();
    });
    return b.radios;
}

ParaPage::TargetControls ParaPage::bindTarget(std::string_view field, QWidget* parent)
{
    auto& b = add(field, Kind::Target);
    const auto& f = fieldAt(b.field);
    Q_ASSERT(f.typeField != kAbsent);
    b.address = new IpAddressEdit(parent);
    b.address->setObjectName(objectNameOf(field, -1) + QStringLiteral("Address"));
    b.spin = new QSpinBox(parent);
    b.spin->setObjectName(objectNameOf(field, -1) + QStringLiteral("Number"));
    showNumber(b.spin, f.min, f.max, f.initial);
    b.widget = b.address;
    return {b.address, b.spin};
}

void ParaPage::enableWhen(std::string_view field, std::function<bool()> when)
{
    if (auto* b = find(field))
        b->enabled = std::move(when);
}

QWidget* ParaPage::control(std::string_view field, int part) const
{
    for (const auto& b : bindings_) {
        if (fieldAt(b.field).name != field)
            continue;
        if (b.kind == Kind::Spin && b.part >= 0 && b.part != part)
            continue;
        if (b.kind == Kind::Target)
            return part == 0 ? static_cast<QWidget*>(b.address) : b.spin;
        return b.widget;
    }
    return nullptr;
}

QRadioButton* ParaPage::radio(std::string_view field, int position) const
{
    const auto* b = find(field);
    if (!b || b->kind != Kind::Radios || position < 0 || position >= static_cast<int>(b->radios.size()))
        return nullptr;
    return b->radios[static_cast<std::size_t>(position)];
}

int ParaPage::shownPosition(std::string_view field) const
{
    const auto* b = find(field);
    if (!b)
        return -1;
    switch (b->kind) {
    case Kind::Radios:
        return b->group->checkedId();
    case Kind::Combo:
        return b->combo->currentIndex();
    case Kind::Check:
        return b->check->isChecked() ? 1 : 0;
    default:
        return -1;
    }
}

void ParaPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    int widest = 0;
    const auto grids = findChildren<QGridLayout*>();
    for (auto* g : grids)
        for (int r = 0; r < g->rowCount(); ++r)
            if (auto* item = g->itemAtPosition(r, 0); item && item->widget() && !item->widget()->isHidden())
                if (g->itemAtPosition(r, 1) != item) // not a control spanning the row
                    widest = std::max(widest, item->widget()->sizeHint().width());
    for (auto* g : grids)
        g->setColumnMinimumWidth(0, widest);
    for (auto* box : findChildren<QWidget*>())
        if (box->layout())
            box->layout()->activate(); // laid out before the first paint, not one event later
    if (layout())
        layout()->activate();
}

void ParaPage::load(const SysParaSettings& s)
{
    loaded_ = true;
    ext_ = s.ext();
    loading_ = true;
    for (auto& b : bindings_) {
        const auto& f = fieldAt(b.field);
        const FieldValue& v = s.value(b.field);
        switch (b.kind) {
        case Kind::Spin: {
            const std::int64_t n = b.part >= 0 ? v.groups.at(static_cast<std::size_t>(b.part)) : v.number;
            showNumber(b.spin, f.min, f.max, n);
            break;
        }
        case Kind::Combo:
            // A stored value off the list shows no entry and is kept by a save.
            b.combo->setCurrentIndex(v.number >= 0 && v.number < b.combo->count() ? static_cast<int>(v.number) : -1);
            break;
        case Kind::Check:
            b.check->setChecked(v.number != 0);
            break;
        case Kind::Address:
            if (v.blank)
                b.address->clear();
            else
                b.address->setAddress(static_cast<std::uint32_t>(v.number));
            break;
        case Kind::Radios:
            if (v.number >= 0 && v.number < static_cast<std::int64_t>(b.radios.size())) {
                b.radios[static_cast<std::size_t>(v.number)]->setChecked(true);
            } else {
                // A mode without a radio: none is checked, and a save keeps the value.
                b.group->setExclusive(false);
                for (auto* r : b.radios)
                    r->setChecked(false);
                b.group->setExclusive(true);
            }
            break;
        case Kind::Target:
            b.loaded = v.number;
            b.address->setAddress(static_cast<std::uint32_t>(v.number));
            showNumber(b.spin, f.min, f.max, static_cast<std::int32_t>(v.number));
            break;
        }
    }
    loading_ = false;
    updateView();
}

void ParaPage::refillTarget(Binding& b)
{
    const auto& f = fieldAt(b.field);
    const int type = shownPosition(fieldAt(static_cast<std::size_t>(f.typeField)).name);
    b.address->setVisible(type != 1);
    b.spin->setVisible(type == 1);
    if (type == 0)
        b.address->setAddress(static_cast<std::uint32_t>(b.loaded));
    else if (type == 1)
        showNumber(b.spin, f.min, f.max, static_cast<std::int32_t>(b.loaded));
}

void ParaPage::enableBinding(Binding& b, bool on)
{
    if (b.kind == Kind::Radios) {
        for (auto* r : b.radios)
            r->setEnabled(on);
    } else if (b.kind == Kind::Target) {
        b.address->setEnabled(on);
        b.spin->setEnabled(on);
    } else {
        b.widget->setEnabled(on);
    }
}

void ParaPage::updateView()
{
    for (auto& b : bindings_) {
        const auto& f = fieldAt(b.field);
        bool on = f.in(ext_) && (!b.enabled || b.enabled());
        if (b.kind == Kind::Target) {
            // The type radios act at once: the control of the new type shows the stored target.
            const bool address = !b.address->isHidden();
            const int type = shownPosition(fieldAt(static_cast<std::size_t>(f.typeField)).name);
            if (loading_ || type != (address ? 0 : 1))
                refillTarget(b);
            on = on && type != 2; // broadcast: the target is kept as it is
        }
        enableBinding(b, on);
    }
}

void ParaPage::store(SysParaSettings& s) const
{
    for (const auto& b : bindings_) {
        const auto& f = fieldAt(b.field);
        if (!f.in(s.ext()))
            continue; // shown with its initial value, never written
        FieldValue& v = s.value(b.field);
        switch (b.kind) {
        case Kind::Spin:
            if (b.part >= 0) {
                v.groups.resize(8, 0);
                v.groups[static_cast<std::size_t>(b.part)] = b.spin->value();
            } else {
                v.number = b.spin->value();
            }
            break;
        case Kind::Combo:
            if (b.combo->currentIndex() >= 0)
                v.number = b.combo->currentIndex();
            break;
        case Kind::Check:
            v.number = b.check->isChecked() ? 1 : 0;
            break;
        case Kind::Address: {
            v.blank = !b.address->address().has_value();
            v.number = b.address->addressOrZero();
            break;
        }
        case Kind::Radios:
            if (b.group->checkedId() >= 0)
                v.number = b.group->checkedId();
            break;
        case Kind::Target: {
            // The type field is bound ahead of its target, so the settings already hold it.
            const std::int64_t type = s.value(static_cast<std::size_t>(f.typeField)).number;
            if (type == 0)
                v.number = b.address->addressOrZero();
            else if (type == 1)
                v.number = static_cast<std::uint32_t>(b.spin->value());
            break;
        }
        }
    }
}

bool ParaPage::saveTo(SysParaSettings& settings, Bytes record)
{
    if (!loaded_)
        return true;
    store(settings);
    for (SysParaPage p : pages_) {
        if (const auto refusal = settings.savePage(p, record)) {
            // Table texts are shown as stored, trailing line feeds included.
            warn_(this, QString::fromStdString(refusalText(*refusal)));
            return false;
        }
    }
    load(settings); // a clamped value shows as it was stored
    return true;
}

bool ParaPage::storeQuietly(SysParaSettings& settings, Bytes record) const
{
    if (!loaded_)
        return true;
    store(settings);
    for (SysParaPage p : pages_)
        if (settings.savePage(p, record))
            return false;
    return true;
}

} // namespace aulira::app
