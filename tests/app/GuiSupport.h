#pragma once
// Driving the app as a person does, for the GUI suites: typing into whatever
// has the focus, answering the modal window that opens next, clicking rows and
// column titles, and the program itself over a simulated site.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWidget>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "DeviceConfig.h"
#include "SimSite.h"
#include "controls/CheckGrid.h"
#include "controls/IpAddressEdit.h"
#include "devices/DeviceTableModel.h"
#include "devices/DeviceView.h"
#include "common/AppContext.h"
#include "shell/FileLog.h"
#include "mainwindow/LogPane.h"
#include "mainwindow/MainWindow.h"
#include "shell/Strings.h"
#include "support/SimDevices.h"
#include "support/TestUtil.h"
#include "util/Ipv4.h"

namespace aulira::app::test {

// Every key goes to whatever has the focus at that moment, so focus moves
// made by a control decide where the next key lands. '\b' is Backspace, '\t'
// is Tab; every other character is its own key.
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

// Clicks into `edit`, selects what it holds and types `text` over it.
inline void clearAndType(QWidget* window, QLineEdit* edit, const QString& text)
{
    QVERIFY(clickInto(window, edit));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

inline void clickButton(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

// A click on a column's title.
inline void clickSection(QHeaderView* h, int section)
{
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2));
}

// A grid's row whose `column` shows `text`, -1 if none; the column's texts.
inline int gridRow(const CheckGrid* g, int column, const QString& text)
{
    for (int r = 0; r < g->rowCount(); ++r)
        if (g->cellText(r, column) == text)
            return r;
    return -1;
}
inline QStringList gridColumn(const CheckGrid* g, int column)
{
    QStringList out;
    for (int r = 0; r < g->rowCount(); ++r)
        out << g->cellText(r, column);
    return out;
}
// Clicks the tick of the row whose `column` shows `text` (the tick in `tickColumn`).
inline void tick(CheckGrid* g, int column, const QString& text, int tickColumn = 0)
{
    const int row = gridRow(g, column, text);
    QVERIFY2(row >= 0, qPrintable(text));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->cellRect(row, tickColumn).center());
}

// The device table's row showing `addr`, -1 if none.
inline int rowOfIp(const QAbstractItemView* view, const char* addr)
{
    for (int r = 0; r < view->model()->rowCount(); ++r)
        if (view->model()->index(r, 2).data().toString() == QLatin1String(addr))
            return r;
    return -1;
}
// A click (or a double-click) on the device table's row, on its name.
inline void clickRow(QAbstractItemView* view, int row, Qt::MouseButton button = Qt::LeftButton,
                     Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(view->viewport(), button, modifiers, view->visualRect(view->model()->index(row, 4)).center());
}
inline void doubleClickRow(QAbstractItemView* view, int row)
{
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 4)).center());
}

// Runs `act` with the first widget `find` gives, looked for from the event
// loop, so that `act` runs inside the loop of a modal window or a menu.
template <typename W>
QPointer<QTimer> whenFound(std::function<W*()> find, std::function<void(W*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, find, act] {
        W* w = find();
        if (!w)
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
    return timer;
}

// Runs `act` with the next modal window (a dialog or a message box) from
// inside its own event loop, so tests can drive code that calls exec().
inline QPointer<QTimer> whenModal(std::function<void(QWidget*)> act, QWidget* notThis = nullptr)
{
    // Followed by a guard: a window made where a gone one lived is another window.
    return whenFound<QWidget>(
        [skip = QPointer<QWidget>(notThis)]() -> QWidget* {
            QWidget* w = QApplication::activeModalWidget();
            // A busy box that shows while work runs is not an answerable window.
            return !w || w == skip.data() || w->property("busyIndicator").toBool() ? nullptr : w;
        },
        std::move(act));
}

// As whenModal, for a window of type T: another window is closed and said.
template <typename T>
void whenModalIs(std::function<void(T*)> drive, QWidget* notThis = nullptr)
{
    whenModal(
        [drive](QWidget* w) {
            if (auto* d = qobject_cast<T*>(w))
                return drive(d);
            qWarning() << "not the window expected:" << w->metaObject()->className() << w->objectName();
            w->close();
        },
        notThis);
}

struct SeenBox {
    QString title;
    QString text;
    int icon = -1;
};

// Records what the message box `w` says and answers it with `answer` (closes
// it when it has no such button); closes a window that is no message box.
inline void answerBox(QWidget* w, SeenBox* seen, QMessageBox::StandardButton answer)
{
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) {
        seen->text = QStringLiteral("<not a message box: %1>").arg(w->objectName());
        return void(w->close());
    }
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    if (QAbstractButton* b = box->button(answer))
        return clickButton(b);
    box->accept();
}

// Closes the next message box and records what it said.
inline void closeNextMessageBox(SeenBox* seen, QWidget* notThis = nullptr)
{
    whenModal([seen](QWidget* w) { answerBox(w, seen, QMessageBox::NoButton); }, notThis);
}

// Runs `act`, which opens a message box before it returns; answers the box
// with `answer` and returns what it said.
inline SeenBox boxAfter(const std::function<void()>& act, QWidget* owner = nullptr,
                        QMessageBox::StandardButton answer = QMessageBox::Ok)
{
    SeenBox seen;
    const QPointer<QTimer> watch = whenModal([&seen, answer](QWidget* w) { answerBox(w, &seen, answer); }, owner);
    act();
    delete watch.data(); // no box came: nothing answers one later on this call's behalf
    return seen;
}

// Clicks `b`, which opens a message box; answers it with `answer` and returns what it said.
inline SeenBox pressFor(QAbstractButton* b, QWidget* owner, QMessageBox::StandardButton answer = QMessageBox::Ok)
{
    return boxAfter([b] { clickButton(b); }, owner, answer);
}

// Answers the next message boxes in turn, each by the button with the given
// text, recording what each said and the buttons the first offered.
inline void answerBoxes(QStringList clicks, QStringList* said, QStringList* buttons = nullptr,
                        QWidget* notThis = nullptr)
{
    if (clicks.isEmpty())
        return;
    whenModal(
        [clicks, said, buttons, notThis](QWidget* w) mutable {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) {
                w->close();
                return;
            }
            said->append(box->text());
            if (buttons && buttons->isEmpty())
                for (auto* b : box->buttons())
                    buttons->append(b->text());
            const QString click = clicks.takeFirst();
            // The next box opens once this one's loop has ended, after this call.
            answerBoxes(clicks, said, buttons, notThis);
            for (auto* b : box->buttons())
                if (b->text() == click)
                    return clickButton(b);
            box->reject();
        },
        notThis);
}

// Runs `act` with the next popup menu, from inside its own event loop.
inline void whenMenu(std::function<void(QMenu*)> act)
{
    whenFound<QMenu>([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }, std::move(act));
}
// Clicks the menu's entry.
inline void clickEntry(QMenu* menu, QAction* entry)
{
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
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
        // The dialog leaves a field that has the focus alone, and may still
        // put its own proposal there as its folder loads: chosen again until
        // the choice holds for 100 ms.
        const QString want = QFileInfo(path).absoluteFilePath();
        name->clearFocus();
        fd->selectFile(path);
        for (int quiet = 0, i = 0; quiet < 5 && i < 250; ++i) {
            QTest::qWait(20);
            const QStringList chosen = fd->selectedFiles();
            if (chosen.size() == 1 && QFileInfo(chosen[0]).absoluteFilePath() == want && ok->isEnabled()) {
                ++quiet;
            } else {
                quiet = 0;
                name->clearFocus();
                fd->selectFile(path);
            }
        }
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

// The program over a simulated site of loopback devices, with its own data
// directory: open() starts the site and the program, shows the window and
// waits for the search the program starts by itself.
struct AppSite {
    aulira::test::ProtocolConfigGuard guard;
    aulira::test::TempDir dir;
    sim::SimSite site{sim::SiteOptions{.port = 0}};
    AppContext context;
    std::unique_ptr<MainWindow> window;

    // The site and the program on it; `adjust` changes
    // the start options (the demo site, the adapters).
    bool start(const std::vector<sim::DeviceConfig>& devices,
               const std::function<void(StartupOptions&)>& adjust = {})
    {
        aulira::test::useFastTiming();
        StartupOptions options;
        options.adapters = {"127.0.0.1"};
        options.dataDir = dir.path().string();
        std::string error;
        if (!site.addDevices(devices, &error) || !site.start(&error)) {
            qWarning("%s", error.c_str());
            return false;
        }
        options.port = site.port();
        if (adjust)
            adjust(options);
        error = context.open(options);
        if (!error.empty())
            qWarning("%s", error.c_str());
        return error.empty();
    }
    // (Again) the main window, shown and active.
    bool show()
    {
        window.reset();
        window = std::make_unique<MainWindow>(context);
        window->show();
        return activate();
    }
    // A window manager gives the main window back the focus when a dialog
    // or the search progress closes; the offscreen platform does not.
    bool activate()
    {
        QApplication::setActiveWindow(window.get());
        return QTest::qWaitForWindowActive(window.get());
    }
    // The search the program starts by itself, until the log says it found `found`.
    bool searched(qsizetype found)
    {
        window->start();
        const QString line =
            QStringLiteral("Search for audio devices completed, total number of devices found:%1.").arg(found);
        return QTest::qWaitFor([&] { return logged(line) && !context.manager().searching(); }, 15000) && activate();
    }
    bool open(const std::vector<sim::DeviceConfig>& devices)
    {
        return start(devices) && show() && searched(static_cast<qsizetype>(devices.size()));
    }

    DeviceView* view() const { return window->deviceView(); }
    int rowOf(const char* addr) const { return rowOfIp(window->deviceView(), addr); }
    bool logged(const QString& line) const { return window->logPane()->lines().contains(line); }
    // What the daily log files hold so far.
    QString dailyLog() const
    {
        QString text;
        std::error_code ec;
        for (const auto& f : std::filesystem::directory_iterator(logFolder(dir.path()), ec)) {
            std::ifstream in(f.path(), std::ios::binary);
            text += QString::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
        }
        return text;
    }
    // A click opens the application menu; the entry's key picks it.
    void menuKey(Qt::Key key)
    {
        QTimer::singleShot(50, [key] {
            if (QWidget* menu = QApplication::activePopupWidget())
                QTest::keyClick(menu, key);
        });
        QTest::mouseClick(window->findChild<QToolButton*>(QStringLiteral("applicationButton")), Qt::LeftButton);
    }
};

} // namespace aulira::app::test

// The suites call these helpers ui::…
namespace ui = aulira::app::test;
