#include "controls/IpAddressEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QValidator>

#include "util/Ipv4.h"

namespace aulira::app {

namespace {

constexpr int kFields = 4;

// Up to three digits, never more than 255: a digit that would pass 255 is not
// taken. Dotted text can only arrive by a paste through the field's own menu
// (typed dots never reach the field): it goes to the whole editor instead.
class OctetValidator : public QValidator {
public:
    explicit OctetValidator(IpAddressEdit* edit, QObject* parent) : QValidator(parent), edit_(edit) {}

    State validate(QString& input, int&) const override
    {
        if (input.isEmpty())
            return Intermediate;
        if (input.contains(QLatin1Char('.'))) {
            // Not from inside validate(): the field is in the middle of an edit.
            QPointer<IpAddressEdit> edit = edit_;
            QMetaObject::invokeMethod(
                edit_,
                [edit] {
                    if (edit)
                        edit->pasteAddress(QApplication::clipboard()->text());
                },
                Qt::QueuedConnection);
            return Invalid;
        }
        if (input.size() > 3)
            return Invalid;
        for (QChar c : input)
            if (!c.isDigit())
                return Invalid;
        return input.toInt() <= 255 ? Acceptable : Invalid;
    }

private:
    IpAddressEdit* edit_;
};

// Three digits fill a field; a fourth is never taken.
bool octetComplete(const QString& text) { return text.size() >= 3; }

} // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kFields; ++i) {
        auto* f = new QLineEdit(this);
        f->setObjectName(QStringLiteral("octet%1").arg(i + 1));
        f->setValidator(new OctetValidator(this, f));
        f->setAlignment(Qt::AlignCenter);
        f->setFixedWidth(f->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        f->setDragEnabled(false);
        f->setAcceptDrops(false);
        // Tab leaves the editor; '.', the arrows and Backspace move between its fields.
        if (i > 0)
            f->setFocusPolicy(Qt::ClickFocus);
        f->installEventFilter(this);
        fields_[static_cast<std::size_t>(i)] = f;
        layout->addWidget(f);
        if (i < kFields - 1)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        connect(f, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (autoMoved_ == i)
                autoMoved_ = -1;
            if (i < kFields - 1 && !text.isEmpty() && octetComplete(text) && field(i)->cursorPosition() == text.size()) {
                enterField(i + 1);
                autoMoved_ = i + 1;
            }
            emit addressChanged();
        });
    }
    layout->addStretch();
    setFocusProxy(fields_[0]);
}

int IpAddressEdit::indexOf(QObject* watched) const
{
    for (int i = 0; i < kFields; ++i)
        if (watched == fields_[static_cast<std::size_t>(i)])
            return i;
    return -1;
}

void IpAddressEdit::enterField(int i)
{
    QLineEdit* f = field(i);
    f->setFocus(Qt::OtherFocusReason);
    f->selectAll();
}

bool IpAddressEdit::pasteAddress(const QString& text)
{
    const auto ip = parseIp(text.trimmed().toStdString());
    if (!ip)
        return false;
    setAddress(*ip);
    autoMoved_ = -1;
    if (hasFocus() || isAncestorOf(QApplication::focusWidget())) {
        QLineEdit* last = field(kFields - 1);
        last->setFocus(Qt::OtherFocusReason);
        last->setCursorPosition(static_cast<int>(last->text().size()));
    }
    return true;
}

bool IpAddressEdit::handleKey(int i, QKeyEvent* key)
{
    QLineEdit* f = field(i);
    const bool moved = autoMoved_ == i;
    if (key->key() != Qt::Key_Shift && key->key() != Qt::Key_Control && key->key() != Qt::Key_Alt)
        autoMoved_ = -1;

    if (key->matches(QKeySequence::Paste))
        return pasteAddress(QApplication::clipboard()->text());

    const QString text = key->text();
    if (text == QStringLiteral(".") || key->key() == Qt::Key_Period) {
        // Swallowed after a move by three digits and in an empty field.
        if (!moved && !f->text().isEmpty() && i < kFields - 1)
            enterField(i + 1);
        return true;
    }
    const bool atStart = f->cursorPosition() == 0 && !f->hasSelectedText();
    const bool atEnd = f->cursorPosition() == f->text().size() && !f->hasSelectedText();
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (atStart && i > 0) {
            QLineEdit* prev = field(i - 1);
            prev->setFocus(Qt::OtherFocusReason);
            prev->deselect();
            prev->setCursorPosition(static_cast<int>(prev->text().size()));
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (atStart && i > 0 && key->modifiers() == Qt::NoModifier) {
            field(i - 1)->setFocus(Qt::OtherFocusReason);
            field(i - 1)->setCursorPosition(static_cast<int>(field(i - 1)->text().size()));
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (atEnd && i < kFields - 1 && key->modifiers() == Qt::NoModifier) {
            field(i + 1)->setFocus(Qt::OtherFocusReason);
            field(i + 1)->setCursorPosition(0);
            return true;
        }
        return false;
    default:
        break;
    }
    // A digit typed behind a full field goes on into the next one.
    if (text.size() == 1 && text.at(0).isDigit() && atEnd && i < kFields - 1 && octetComplete(f->text())) {
        enterField(i + 1);
        QKeyEvent again(key->type(), key->key(), key->modifiers(), text);
        QApplication::sendEvent(field(i + 1), &again);
        return true;
    }
    return false;
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    const int i = indexOf(watched);
    if (i >= 0) {
        if (event->type() == QEvent::KeyPress)
            return handleKey(i, static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) {
            // A click into a field selects it, so the digits typed next replace it.
            autoMoved_ = -1;
            QPointer<QLineEdit> f = field(i);
            QTimer::singleShot(0, f, [f] {
                if (f)
                    f->selectAll();
            });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void IpAddressEdit::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Screen readers name every field after the label that names the editor.
    const QString name = accessibleName();
    for (int k = 0; k < kFields && !name.isEmpty(); ++k) {
        field(k)->setAccessibleName(name);
        field(k)->setAccessibleDescription(tr("part %1 of 4").arg(k + 1));
    }
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
    for (int i = 0; i < kFields; ++i) {
        const unsigned octet = fields_[static_cast<std::size_t>(i)]->text().toUInt() & 0xFFu;
        stored |= octet << (8 * i); // first field in the lowest byte
    }
    return stored;
}

void IpAddressEdit::setAddress(std::uint32_t stored)
{
    for (int i = 0; i < kFields; ++i)
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
