#pragma once
// Answers the next modal window (a dialog or a message box) from inside its
// own event loop, so tests can drive code that calls exec().
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace aulira::app::test {

inline void whenModal(std::function<void(QWidget*)> act, QWidget* notThis = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    // Followed by a guard: a window made where a gone one lived is another window.
    QObject::connect(timer, &QTimer::timeout, [timer, act, skip = QPointer<QWidget>(notThis)] {
        QWidget* w = QApplication::activeModalWidget();
        // A busy box that shows while work runs is not an answerable window.
        if (!w || w == skip.data() || w->property("busyIndicator").toBool())
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

// Answers the next file dialog: in `path`'s folder, takes its file name and
// clicks the Save/Open button. `beforeAccept` runs with the dialog just
// before (to watch for the window that follows it).
inline void answerFileDialog(const QString& path, bool* seen, std::function<void(QWidget*)> beforeAccept = {})
{
    whenModal([path, seen, beforeAccept](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd) {
            w->close();
            return;
        }
        *seen = true;
        auto* name = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* box = fd->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QPushButton* ok = box ? (box->button(QDialogButtonBox::Save) ? box->button(QDialogButtonBox::Save)
                                                                     : box->button(QDialogButtonBox::Open))
                              : nullptr;
        if (!name || !ok) {
            fd->reject();
            return;
        }
        // The name as the dialog takes it from its field; the offscreen
        // platform's dialog does not follow keystrokes into its selection.
        fd->selectFile(path);
        for (int i = 0; i < 100 && !ok->isEnabled(); ++i)
            QTest::qWait(10);
        if (beforeAccept)
            beforeAccept(fd);
        if (ok->isEnabled())
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            static_cast<QDialog*>(fd)->accept();
        if (fd->isVisible())
            qWarning() << "the file dialog did not take" << name->text() << fd->selectedFiles();
        if (fd->isVisible())
            fd->reject(); // never hang the suite on a dialog that did not take the name
    });
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
