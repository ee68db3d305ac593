// "Export device list…" in the real main window against a simulated site:
// the application menu opened, the file chosen in the file dialog,
// and the bytes of the file checked (byte-order mark, header texts, quoting,
// the filter and the sort of the list as shown).
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "GuiSupport.h"
#include "common/UserSettings.h"
#include "shell/TextCodec.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;

namespace {

// Splits CSV text into rows of fields (quotes, doubled quotes, CRLF).
std::vector<std::vector<std::string>> parseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    if (rows.back().empty())
        rows.pop_back();
    return rows;
}

// Four devices whose names need care in a CSV file, the program on them.
struct Session : ui::AppSite {
    aulira::test::CodePageGuard codePage;
    DeviceView* view = nullptr;

    bool open()
    {
        setCodePage(1252);
        using aulira::test::simDevice;
        if (!AppSite::open({simDevice("127.0.0.5", 5, 5, "Lobby"), simDevice("127.0.0.12", 12, 12, "=Hall"),
                            simDevice("127.0.0.7", 7, 7, "Hall, \"East\""), simDevice("127.0.0.9", 9, 9, "Caf\xE9 Hall")}))
            return false;
        view = window->deviceView();
        return true;
    }
    void clickHeader(int section) { ui::clickSection(view->horizontalHeader(), section); }

    // File › Export device list…, the file chosen in the file dialog;
    // `beforeSave` runs with the dialog just before Save is clicked.
    bool exportThroughMenu(const QString& fileName, std::function<void(QWidget*)> beforeSave = {})
    {
        bool asked = false;
        ui::answerFileDialog(fileName, &asked, std::move(beforeSave));
        menuKey(Qt::Key_E);
        return asked;
    }
};

} // namespace

class ExportListTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(settingsDir.path().string()));
        useUserSettingsByDefault();
    }

    void theListAsShownReachesTheFile()
    {
        Session s;
        QVERIFY(s.open());
        // Only the rows with "hall", sorted by NO from high to low.
        QTest::keyClick(s.window.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(s.window->filterEdit(), "hall");
        s.clickHeader(1);
        if (s.view->deviceModel()->index(0, 1).data().toInt() < s.view->deviceModel()->index(1, 1).data().toInt())
            s.clickHeader(1);
        // A layout restored from the settings: MAC hidden, Device Name first.
        s.view->horizontalHeader()->hideSection(3);
        s.view->horizontalHeader()->moveSection(s.view->horizontalHeader()->visualIndex(4), 0);

        const auto file = s.dir.path() / "export" / "sites.csv";
        std::filesystem::create_directories(file.parent_path());
        QVERIFY(s.exportThroughMenu(QString::fromStdString(file.string())));
        QTRY_VERIFY(std::filesystem::exists(file));

        const auto bytes = aulira::test::readAll(file);
        const std::string text(bytes.begin(), bytes.end());
        QVERIFY2(text.rfind("\xEF\xBB\xBF", 0) == 0, "no byte-order mark");
        QVERIFY(text.size() > 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
        // A comma and quotes are quoted; a leading = stays text.
        QVERIFY2(text.find(",\"Hall, \"\"East\"\"\",") == std::string::npos &&
                     text.find("\"Hall, \"\"East\"\"\",") != std::string::npos,
                 text.c_str());
        QVERIFY2(text.find("'=Hall,") != std::string::npos, text.c_str());

        const auto rows = parseCsv(text.substr(3));
        const std::vector<std::string> header = {"Device Name",    "Status",    "NO",
                                                 "IP Address",     "Device Type", "Firmware Version",
                                                 "Server IP",      "Device Status", "Location"};
        QCOMPARE(rows.size(), std::size_t(4));
        QCOMPARE(rows[0], header);
        QStringList order;
        for (std::size_t r = 1; r < rows.size(); ++r) {
            QCOMPARE(rows[r].size(), header.size());
            order << QString::fromStdString(rows[r][2] + " " + rows[r][0] + " " + rows[r][3]);
        }
        // The é of the code page comes out as UTF-8.
        QCOMPARE(order, (QStringList{QStringLiteral("12 '=Hall 127.0.0.12"), QStringLiteral("9 Café Hall 127.0.0.9"),
                                     QStringLiteral("7 Hall, \"East\" 127.0.0.7")}));
        QCOMPARE(rows[1][1], std::string("Online"));
    }

    void aFileThatCannotBeWrittenIsSaid()
    {
        Session s;
        QVERIFY(s.open());
        // The disk takes no byte more while Save writes: as a full disk does.
        std::filesystem::create_directories(s.dir.path() / "export");
        const QString name = QString::fromStdString((s.dir.path() / "export" / "full.csv").string());
        struct rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct Restore {
            rlimit limit;
            void (*handler)(int);
            ~Restore()
            {
                ::setrlimit(RLIMIT_FSIZE, &limit);
                std::signal(SIGXFSZ, handler);
            }
        } restore{saved, oldHandler};
        ui::SeenBox seen;
        QVERIFY(s.exportThroughMenu(name, [saved, &seen](QWidget* dialog) {
            struct rlimit tiny = saved;
            tiny.rlim_cur = 8;
            ::setrlimit(RLIMIT_FSIZE, &tiny);
            ui::closeNextMessageBox(&seen, dialog);
        }));
        QTRY_VERIFY(!seen.text.isEmpty());
        QVERIFY2(seen.text.startsWith(QStringLiteral("The device list could not be exported to %1: ").arg(name)),
                 qPrintable(seen.text));
        QCOMPARE(seen.icon, int(QMessageBox::Warning));
        QVERIFY(!std::filesystem::exists(name.toStdString()));
    }

private:
    aulira::test::TempDir settingsDir;
};

QTEST_MAIN(ExportListTest)
#include "ExportListTest.moc"
