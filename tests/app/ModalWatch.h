#pragma once
// Answers the next modal window (a dialog or a message box) from inside its
// own event loop, so tests can drive code that calls exec().
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace aulira::app::test {

inline void whenModal(std::function<void(QWidget*)> act, QWidget* notThis = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, notThis] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == notThis)
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

struct SeenBox {
    QString title;
    QString text;
    int icon = -1;
};

// Closes the next message box and records what it said.
inline void closeNextMessageBox(SeenBox* seen, QWidget* notThis = nullptr)
{
    whenModal(
        [seen](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                seen->title = box->windowTitle();
                seen->text = box->text();
                seen->icon = box->icon();
                box->accept();
            } else {
                seen->text = QStringLiteral("<not a message box: %1>").arg(w->objectName());
                w->close();
            }
        },
        notThis);
}

inline void saveScreenshot(QWidget& w, const char* name)
{
    const QByteArray dir = qgetenv("AULIRA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

} // namespace aulira::app::test
