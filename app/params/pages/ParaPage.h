#pragma once
// What every parameter page shares: its controls are bound to rows of the
// field table, loading fills them from SysParaSettings, and saving hands their
// values back to the settings' rules, the same rules `auctl params set` runs.
// A page never writes record bytes itself, so the app and auctl store the
// same bytes for the same edits.
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <vector>

#include "params/SysParaSettings.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace aulira::app {

class IpAddressEdit;

class ParaPage : public QWidget {
    Q_OBJECT
public:
    // Shows a refusal to the user; replaceable so tests see the text.
    using WarnHandler = std::function<void(QWidget* owner, const QString& text)>;

    // `pages`: the sections of the record this page stores, in order.
    ParaPage(std::initializer_list<SysParaPage> pages, QWidget* parent);

    void setWarnHandler(WarnHandler warn) { warn_ = std::move(warn); }

    // Fills the controls from the settings and marks the page loaded.
    virtual void load(const SysParaSettings& settings);
    bool isLoaded() const { return loaded_; }
    void unload() { loaded_ = false; }

    // Puts what the controls hold into the settings, without any check.
    // Controls of fields the record's layout lacks are left out.
    virtual void store(SysParaSettings& settings) const;

    // Stores the page into the record through the settings' rules. True when
    // stored (or never loaded); false after a refusal, whose message has been
    // shown. Fields before the refused one are in the record either way.
    // Values a rule changed (a clamp) are shown afterwards.
    bool saveTo(SysParaSettings& settings, Bytes record);
    // As saveTo, but shows nothing and leaves the controls as they are.
    bool storeQuietly(SysParaSettings& settings, Bytes record) const;

    // The control bound to a field (its first one for targets and radios).
    QWidget* control(std::string_view field, int part = 0) const;
    QRadioButton* radio(std::string_view field, int position) const;

protected:
    // An address control and a number box that take turns, as the field's
    // type field says (0 address, 1 number, 2 neither: left as it is).
    struct TargetControls {
        IpAddressEdit* address;
        QSpinBox* number;
    };
    // A label that names its control for the accessibility tree.
    QLabel* label(const QString& text, QWidget* buddy, QWidget* parent) const;

    // A labelled control in two grid columns from `col`.
    void addRow(QGridLayout* grid, int row, const QString& text, QWidget* w, int col = 0) const;
    // A labelled row of radios (the label names the row, the radios their own
    // texts), in the order of `positions` (empty: list order).
    void addRadioRow(QGridLayout* grid, int row, const QString& text, const std::vector<QRadioButton*>& radios,
                     std::initializer_list<int> positions = {}, int col = 0) const;
    // A labelled target: its address control and number box share one cell.
    void addTargetRow(QGridLayout* grid, int row, const QString& text, const TargetControls& t, int col = 0) const;

    QSpinBox* bindSpin(std::string_view field, QWidget* parent, int part = -1);
    QComboBox* bindCombo(std::string_view field, QWidget* parent);
    QCheckBox* bindCheck(std::string_view field, const QString& text, QWidget* parent);
    IpAddressEdit* bindAddress(std::string_view field, QWidget* parent);
    // One radio per list text, in list order; `name` is the group's accessible name.
    std::vector<QRadioButton*> bindRadios(std::string_view field, QWidget* parent);
    // The type field's controls must be bound first.
    TargetControls bindTarget(std::string_view field, QWidget* parent);

    // `field`'s controls are enabled only while `when` holds (and the layout has the field).
    void enableWhen(std::string_view field, std::function<bool()> when);
    // The position the field's radios or list show now, or -1 for none.
    int shownPosition(std::string_view field) const;

    // Called after loading and whenever a radio, check box or list changes:
    // shows, hides and enables controls by the rules of the page.
    virtual void updateView();

    bool ext() const { return ext_; }

    // The first label column of every group box gets the width of the
    // widest, so the labels line up from box to box.
    void showEvent(QShowEvent* event) override;

private:
    enum class Kind { Spin, Combo, Check, Address, Radios, Target };
    struct Binding {
        std::size_t field;
        Kind kind;
        int part = -1; // the group number a spin edits, for the eight groups
        QWidget* widget = nullptr;
        QSpinBox* spin = nullptr;
        QComboBox* combo = nullptr;
        QCheckBox* check = nullptr;
        IpAddressEdit* address = nullptr;
        QButtonGroup* group = nullptr;
        std::vector<QRadioButton*> radios;
        std::function<bool()> enabled;
        std::int64_t loaded = 0; // a target's stored value, refilled when its type changes
    };
    Binding& add(std::string_view field, Kind kind);
    const Binding* find(std::string_view field) const;
    Binding* find(std::string_view field);
    void refillTarget(Binding& b);
    void enableBinding(Binding& b, bool on);

    std::vector<SysParaPage> pages_;
    std::vector<Binding> bindings_;
    bool loaded_ = false;
    bool ext_ = true;
    bool loading_ = false;
    WarnHandler warn_;
};

} // namespace aulira::app
