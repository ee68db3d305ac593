// The desktop app started in Simplified Chinese (--lang zh_CN) on its
// simulated site: what a person sees in the ribbon, the main window, the
// settings sheet's pages and a message box, and that no text is cut off.
#include <QAbstractButton>
#include <QFile>

#include "GuiSupport.h"
#include "params/SettingsSheet.h"
#include "params/pages/BasicParaPage.h"
#include "common/Language.h"

using namespace aulira;
using namespace aulira::app;

namespace {

bool hasChinese(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

// Labels and buttons shown inside `root` whose text does not fit them.
QStringList clipped(QWidget* root, int* checked)
{
    QStringList out;
    *checked = 0;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || w->width() <= 0)
            continue;
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap() && l->pixmap().isNull())
            text = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        if (text.isEmpty())
            continue;
        ++*checked;
        if (w->sizeHint().width() > w->width() || w->sizeHint().height() > w->height())
            out << QStringLiteral("%1 \"%2\" %3x%4 < %5x%6")
                       .arg(w->objectName(), text)
                       .arg(w->width())
                       .arg(w->height())
                       .arg(w->sizeHint().width())
                       .arg(w->sizeHint().height());
    }
    return out;
}

} // namespace

class ChineseTest : public QObject {
    Q_OBJECT
private slots:
    void cleanupTestCase() { applyLanguage(Language::English); }

    void theWholeWindowSpeaksChinese()
    {
        ui::AppSite app;
        // As main() starts: --lang first, the desktop's language would come after the INI's.
        const auto parsed = StartupOptions::parse({"auct", "--demo", "--lang", "zh_CN"});
        QVERIFY(parsed.error.isEmpty() && parsed.demo);
        QVERIFY(applyLanguage(*parsed.language));
        QVERIFY(app.start({}, [&](StartupOptions& o) {
            o.demo = true;
            o.language = parsed.language;
            o.systemLanguage = Language::English;
        }));
        QCOMPARE(app.context.language(), Language::SimplifiedChinese);
        QCOMPARE(app.context.languageId(), std::uint16_t(0x0409)); // the old language id keeps its meaning
        QVERIFY(applyLanguage(app.context.language()));
        QVERIFY(app.show());
        MainWindow& window = *app.window;
        window.resize(1280, 800);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Aulira 配置工具 (AUCT)"));

        // The ribbon: its tabs and its buttons.
        QCOMPARE(window.findChild<QTabWidget*>(QStringLiteral("ribbonTabs"))->tabText(0), QStringLiteral("主页(&H)"));
        QCOMPARE(window.findChild<QToolButton*>(QStringLiteral("applicationButton"))->text(),
                 QStringLiteral("文件(&F)"));
        auto* search = window.findChild<QToolButton*>(QStringLiteral("searchActionButton"));
        QVERIFY(search);
        QVERIFY2(search->text().contains(QStringLiteral("搜索")), qPrintable(search->text()));

        // The device list and the operation records.
        DeviceView* view = window.deviceView();
        view->start();
        QTRY_VERIFY_WITH_TIMEOUT(app.logged(QStringLiteral("音频设备搜索完成，共发现设备数:11.")), 15000);
        QCOMPARE(view->deviceModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("状态"));
        QCOMPARE(view->deviceModel()->index(0, 0).data().toString(), QStringLiteral("在线"));
        QApplication::processEvents();
        int checked = 0;
        const QStringList cut = clipped(&window, &checked);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String("; "))));
        QVERIFY2(checked >= 10, qPrintable(QString::number(checked))); // the ribbon's buttons, the labels
        ui::saveScreenshot(window, "main-window-zh_CN.png");

        // A double-click on a device opens its settings sheet, in Chinese.
        ui::doubleClickRow(view, 0);
        QTRY_VERIFY_WITH_TIMEOUT(window.settingsSheet()->isVisible(), 5000);
        SettingsSheet* sheet = window.settingsSheet();
        QTRY_VERIFY_WITH_TIMEOUT(sheet->pageTree()->topLevelItemCount() > 0, 5000);
        QTreeWidget* tree = sheet->pageTree();
        QStringList titles;
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            titles << (*it)->text(0);
        QVERIFY2(titles.contains(QStringLiteral("基本设置")) && titles.contains(QStringLiteral("控制 1")),
                 qPrintable(titles.join(' ')));
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            const int page = (*it)->data(0, Qt::UserRole).toInt();
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(*it).center());
            QCOMPARE(sheet->currentPage(), page);
            QWidget* shown = page == SettingsSheet::RunningInfo ? static_cast<QWidget*>(sheet) : sheet->page(page);
            QStringList texts;
            for (auto* l : shown->findChildren<QLabel*>())
                if (l->isVisibleTo(shown))
                    texts << l->text();
            if (page != SettingsSheet::RunningInfo)
                QVERIFY2(std::any_of(texts.begin(), texts.end(), hasChinese), qPrintable((*it)->text(0)));
            const QStringList cutOnPage = clipped(sheet, &checked);
            QVERIFY(checked >= 3);
            QVERIFY2(cutOnPage.isEmpty(), qPrintable((*it)->text(0) + QLatin1String(": ") + cutOnPage.join("; ")));
        }
        QVERIFY(hasChinese(sheet->findChild<QPushButton*>(QStringLiteral("saveButton"))->text()));

        // A refused save: the warning box speaks Chinese too.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(tree->topLevelItem(SettingsSheet::BasicSettings)).center());
        QLineEdit* name = sheet->basicPage()->deviceNameEdit();
        QVERIFY(ui::clickInto(sheet, name));
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        ui::typeKeys(sheet, QStringLiteral("A name far too long"));
        QCOMPARE(ui::pressFor(sheet->findChild<QPushButton*>(QStringLiteral("saveButton")), sheet).text,
                 QStringLiteral("设备名称长度不能超过 15 个字节！"));
        QVERIFY(sheet->isVisible());
        // Closing it with the edit asks first; discarding closes.
        ui::whenModal(
            [](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                QVERIFY(box);
                for (QAbstractButton* b : box->buttons())
                    if (box->buttonRole(b) == QMessageBox::DestructiveRole)
                        QTest::mouseClick(b, Qt::LeftButton);
            },
            sheet);
        sheet->close();
        QVERIFY(!sheet->isVisible());
    }
};

QTEST_MAIN(ChineseTest)
#include "ChineseTest.moc"
