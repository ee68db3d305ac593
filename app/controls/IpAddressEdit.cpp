#include "controls/IpAddressEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace aulira::app {

namespace {

// Digits only, and never more than 255: a third digit that would pass 255 is
// not taken (QIntValidator would hold it as "intermediate").
class OctetValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        if (input.isEmpty())
            return Intermediate;
        bool ok = false;
        const int v = input.toInt(&ok);
        for (QChar c : input)
            if (!c.isDigit())
                return Invalid;
        return ok && v <= 255 ? Acceptable : Invalid;
    }
};

} // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        auto* f = new QLineEdit(this);
        f->setObjectName(QStringLiteral("octet%1").arg(i + 1));
        f->setMaxLength(3);
        f->setValidator(new OctetValidator(f));
        f->setAlignment(Qt::AlignCenter);
        f->setFixedWidth(f->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        f->installEventFilter(this);
        fields_[static_cast<std::size_t>(i)] = f;
        layout->addWidget(f);
        if (i < 3)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        connect(f, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            // Three digits move on to the next field, as address controls do.
            if (text.size() == 3 && i < 3) {
                fields_[static_cast<std::size_t>(i + 1)]->setFocus();
                fields_[static_cast<std::size_t>(i + 1)]->selectAll();
            }
            emit addressChanged();
        });
    }
    layout->addStretch();
    setFocusProxy(fields_[0]);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        for (int i = 0; i < 3; ++i) {
            if (watched == fields_[static_cast<std::size_t>(i)] && key->text() == QStringLiteral(".")) {
                fields_[static_cast<std::size_t>(i + 1)]->setFocus();
                fields_[static_cast<std::size_t>(i + 1)]->selectAll();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::optional<std::uint32_t> IpAddressEdit::address() const
{
    if (isIncomplete())
        return std::nullopt;
    return addressOrZero();
}

std::uint32_t IpAddressEdit::addressOrZero() const
{
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i) {
        const unsigned octet = fields_[static_cast<std::size_t>(i)]->text().toUInt() & 0xFFu;
        stored |= octet << (8 * i); // first field in the lowest byte
    }
    return stored;
}

void IpAddressEdit::setAddress(std::uint32_t stored)
{
    for (int i = 0; i < 4; ++i)
        fields_[static_cast<std::size_t>(i)]->setText(QString::number((stored >> (8 * i)) & 0xFFu));
    emit addressChanged();
}

void IpAddressEdit::clear()
{
    for (auto* f : fields_)
        f->clear();
    emit addressChanged();
}

bool IpAddressEdit::isBlank() const
{
    for (auto* f : fields_)
        if (!f->text().isEmpty())
            return false;
    return true;
}

bool IpAddressEdit::isIncomplete() const
{
    for (auto* f : fields_)
        if (f->text().isEmpty())
            return true;
    return false;
}

} // namespace aulira::app
