#include <QTest>

#include <fstream>

#include "common/AppContext.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::app;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void commandLineLikeAuctl()
    {
        auto o = StartupOptions::parse({"auct", "--adapter", "127.0.0.1", "--port", "40000", "--data-dir", "/tmp/x",
                                        "--demo", "--lang", "zh_CN"});
        QVERIFY(o.error.isEmpty());
        QCOMPARE(o.adapters.size(), std::size_t(1));
        QCOMPARE(*o.port, std::uint16_t(40000));
        QCOMPARE(*o.dataDir, std::string("/tmp/x"));
        QVERIFY(o.demo);
        QCOMPARE(*o.language, Language::SimplifiedChinese);
        QCOMPARE(*StartupOptions::parse({"auct", "--lang", "en"}).language, Language::English);
        for (const QStringList& refused : {QStringList{"auct", "--port", "0"}, {"auct", "--adapter", "host"},
                                           {"auct", "--data-dir"}, {"auct", "--lang", "fr"}, {"auct", "--lang"}})
            QVERIFY2(!StartupOptions::parse(refused).error.isEmpty(), qPrintable(refused.join(' ')));
    }

    void languageIsReadButMessagesStayUsEnglish_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<unsigned>("read");
        QTest::newRow("no file") << QString() << 0u;
        QTest::newRow("digits then letters") << QStringLiteral("[SysCfg]\nLanguage=12abc\n") << 12u;
        QTest::newRow("letters") << QStringLiteral("[SysCfg]\nLanguage=abc\n") << 0u;
    }

    void languageIsReadButMessagesStayUsEnglish()
    {
        QFETCH(QString, ini);
        QFETCH(unsigned, read);
        test::ProtocolConfigGuard guard;
        test::TempDir dir;
        if (!ini.isEmpty())
            std::ofstream(dir.path() / "AuliraServer.ini") << ini.toStdString();
        StartupOptions o;
        o.dataDir = dir.path().string();
        o.adapters = {"127.0.0.1"};
        AppContext context;
        QCOMPARE(context.open(o), std::string());
        QCOMPARE(context.languageRead(), read);
        QCOMPARE(context.languageId(), std::uint16_t(0x0409));
        QCOMPARE(context.manager().localIps(), std::vector<std::string>{"127.0.0.1"});
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
