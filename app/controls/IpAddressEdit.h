#pragma once
// The four-field IPv4 address editor every dialog uses. A field left empty
// makes the address incomplete (address() gives nothing), which the dialogs
// refuse where an address is required.
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

signals:
    void addressChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLineEdit*, 4> fields_{};
};

} // namespace aulira::app
