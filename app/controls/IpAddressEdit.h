#pragma once
// The four-field IPv4 address editor every dialog uses. A field left empty
// makes the address incomplete (address() gives nothing), which the dialogs
// refuse where an address is required.
//
// Typing behaves as the address control people know: three digits or a '.'
// move on to the next field and select its text, so typing replaces it; a '.'
// right after such a move, or in an empty field, is swallowed; Backspace at
// the start of a field goes back one field; a pasted dotted address fills all
// four fields; a digit that would pass 255 is refused in place.
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>

class QLineEdit;

namespace aulira::app {

class IpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    // In the stored (network) order the core uses; nothing while a field is blank.
    std::optional<std::uint32_t> address() const;
    // Blank fields count as 0, as the devices' own tools store them.
    std::uint32_t addressOrZero() const;
    void setAddress(std::uint32_t stored);
    void clear();
    // True when every field is empty.
    bool isBlank() const;
    // True when at least one field is empty.
    bool isIncomplete() const;
    QLineEdit* field(int i) const { return fields_[static_cast<std::size_t>(i)]; }

    // Fills the four fields from dotted text ("192.168.1.10"); false, and
    // nothing changed, when the text is not a whole address.
    bool pasteAddress(const QString& text);

signals:
    void addressChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int indexOf(QObject* field) const;
    // Focus to field i with its text selected (typing replaces it).
    void enterField(int i);
    bool handleKey(int i, QKeyEvent* key);

    std::array<QLineEdit*, 4> fields_{};
    // The field focus moved to by three digits, until anything else happens
    // there: the '.' people type out of habit after the third digit is dropped.
    int autoMoved_ = -1;
};

} // namespace aulira::app
