#pragma once
// Typing as a person does: every key goes to whatever has the focus at that
// moment, so focus moves made by a control decide where the next key lands.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

namespace aulira::app::test {

// '\b' is Backspace, '\t' is Tab; every other character is its own key.
inline void typeKeys(QWidget* window, const QString& keys)
{
    for (QChar c : keys) {
        QWidget* target = window->focusWidget() ? window->focusWidget() : window;
        if (c == QLatin1Char('\b'))
            QTest::keyClick(target, Qt::Key_Backspace);
        else if (c == QLatin1Char('\t'))
            QTest::keyClick(target, Qt::Key_Tab);
        else
            QTest::keyClick(target, c.toLatin1());
    }
}

// Shows the window, makes it the active one and clicks into `field`.
inline bool clickInto(QWidget* window, QWidget* field)
{
    if (!window->isVisible())
        window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(2, field->height() / 2));
    QApplication::processEvents(); // the click's own follow-ups (a field selects itself)
    return window->focusWidget() == field;
}

} // namespace aulira::app::test
