
#include "GuiSupport.h"
#include "params/SysParaSettings.h"
#include "protocol/Packet.h"
#include "protocol/ParaReadBack.h"
#include "rollout/CommissionDialog.h"
#include "rollout/EditFieldsDialog.h"
#include "rollout/PlanErrorsDialog.h"
#include "rollout/RolloutReviewDialog.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;
using aulira::test::simDevice;

namespace {

// The app over a simulated site, and what the site's devices hold.
struct Site : ui::AppSite {
    FieldValue field(const char* addr, std::string_view name) const
    {
        const auto d = site.device(ip(addr));
        return d ? readField(sysParaField(name), d->sysPara, d->layout == 436) : FieldValue{};
    }
    int writes() const
    {
        int n = 0;
        for (const auto& e : site.traffic())
            n += e.command == CMD_WRITE_SYS_PARA;
        return n;
    }
    std::filesystem::path writeFile(const char* name, const std::string& text) const
    {
        const auto p = dir.path() / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
};

// Drives the run dialog: Start, then Close once the run is over; `seen` gets
// each row's progress cell.
void runAndClose(QWidget* w, QStringList* seen)
{
    auto* run = qobject_cast<CommissionDialog*>(w);
    if (!run) {
        seen->append(QStringLiteral("<not the run dialog: %1>").arg(w->objectName()));
        w->close();
        return;
    }
    QObject::connect(run, &CommissionDialog::runFinished, run, [run, seen] {
        for (int r = 0; r < run->grid()->rowCount(); ++r)
            seen->append(run->grid()->cellText(r, CommissionDialog::ColName) + QLatin1Char(' ') +
                         run->grid()->cellText(r, CommissionDialog::ColProgress));
        ui::saveScreenshot(*run, "commission-run.png");
        QTest::mouseClick(run->findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
    });
    QTest::mouseClick(run->startButton(), Qt::LeftButton);
}

// File › Commission from plan, `plan` chosen in the file dialog; `drive`
// answers the window that follows it (the review, or the plan's errors).
template <typename Next>
void commissionFrom(Site& s, const std::filesystem::path& plan, std::function<void(Next*)> drive)
{
    bool asked = false;
    ui::answerFileDialog(QString::fromStdString(plan.string()), &asked,
                         [&](QWidget* fd) { ui::whenModalIs<Next>(drive, fd); });
    s.menuKey(Qt::Key_C);
    QVERIFY(asked);
}

} // namespace

class RolloutTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("AuliraTest"));
        QCoreApplication::setApplicationName(QStringLiteral("RolloutTest"));
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }

    // File › Commission from plan: the plan through the file dialog, the
    // review with a row per device (the unknown MAC not found), the run;
    // the simulator's devices hold the planned values.
    void commissionsASiteFromAPlan()
    {
        Site s;
        QVERIFY(s.open({simDevice("127.0.0.61", 61, 61, "Old1"), simDevice("127.0.0.62", 62, 62, "Old2"),
                        simDevice("127.0.0.63", 63, 63, "Old3")}));
        const auto plan = s.writeFile("plan.csv", "\xEF\xBB\xBFmac,deviceName,volume,groups\n"
                                                  "02:4b:50:00:00:3d,Hall,35,\"3,7\"\n"
                                                  "02:4b:50:00:00:3e,Yard,,\n"
                                                  "02:4b:50:00:00:3f,Gate,40,\n"
                                                  "02:4b:50:00:00:99,Ghost,10,\n");
        const auto volume63 = s.field("127.0.0.63", "volume").number;
        QStringList review, run;
        commissionFrom<RolloutReviewDialog>(s, plan, [&](RolloutReviewDialog* d) {
            for (int i = 0; i < d->tree()->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* row = d->tree()->topLevelItem(i);
                QStringList changes;
                for (int c = 0; c < row->childCount(); ++c)
                    changes << row->child(c)->text(1) + QLatin1Char('=') + row->child(c)->text(3);
                review << row->text(1) + row->text(2) + QLatin1Char('|') + changes.join(QLatin1Char(','));
            }
            ui::saveScreenshot(*d, "commission-review.png");
            // The third device is left alone: its tick, by the space bar.
            d->tree()->setFocus();
            d->tree()->setCurrentItem(d->deviceRow(2));
            QTest::keyClick(d->tree(), Qt::Key_Space);
            ui::whenModal([&run](QWidget* r) { runAndClose(r, &run); }, d);
            QTest::mouseClick(d->goButton(), Qt::LeftButton);
        });
        QCOMPARE(review, QStringList({"3 changes|Device Name=Hall,Affiliated Group=3,7,0,0,0,0,0,0,Volume=35", "1 change|Device Name=Yard",
                                      "2 changes|Device Name=Gate,Volume=40",
                                      "not found: no device of the list has this MAC address, address or number|"}));
        QCOMPARE(run.size(), 4);
        QVERIFY2(run[0].endsWith(QLatin1String("confirmed")), qPrintable(run.join('\n')));
        QVERIFY2(run[1].endsWith(QLatin1String("confirmed")), qPrintable(run.join('\n')));
        QVERIFY2(run[3].contains(QLatin1String("not found")), qPrintable(run.join('\n')));
        QCOMPARE(s.field("127.0.0.61", "deviceName").text, std::string("Hall"));
        QCOMPARE(s.field("127.0.0.61", "groups").groups, (std::vector<std::int64_t>{3, 7, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(s.field("127.0.0.62", "deviceName").text, std::string("Yard"));
        QCOMPARE(s.field("127.0.0.63", "deviceName").text, std::string("Old3")); // unticked
        QCOMPARE(s.field("127.0.0.63", "volume").number, volume63);
    }

    // Retry failed starts from what the device holds now: a device that did
    // not answer the first run, and whose record another write changed
    // since, gets the planned fields on that record; the other write stays.
    void retryFailedReadsTheDeviceAgain()
    {
        Site s;
        QVERIFY(s.open({simDevice("127.0.0.81", 81, 81, "R1"), simDevice("127.0.0.82", 82, 82, "R2")}));
        const auto plan = s.writeFile("retry.csv", "mac,deviceName,volume\n"
                                                   "02:4b:50:00:00:51,Stair,44\n"
                                                   "02:4b:50:00:00:52,Porch,45\n");
        const std::uint32_t r1 = ip("127.0.0.81");
        QStringList runs;
        int writesBeforeRetry = -1;
        auto onRun = [&](CommissionDialog* run) {
            QObject::connect(run, &CommissionDialog::runFinished, run, [&, run] {
                runs << run->grid()->cellText(0, CommissionDialog::ColProgress) + QLatin1Char('|') +
                            run->grid()->cellText(1, CommissionDialog::ColProgress);
                if (runs.size() > 1) {
                    QTest::mouseClick(run->findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
                    return;
                }
                s.site.setFaults(r1, {}); // it answers again
                const auto d = s.site.device(r1).value();
                std::vector<std::uint8_t> record = d.sysPara;
                record[sysParaOffset("ringVolume", true)] = 77; // another write, of a field the plan leaves alone
                MacBytes mac{};
                std::copy_n(d.info.mac(), 6, mac.begin());
                if (WriteAndApply({"127.0.0.1", r1, true, mac}, record, mac, 1) != RES_OK)
                    runs << QStringLiteral("<the other write failed>");
                writesBeforeRetry = s.writes();
                QTest::mouseClick(run->retryButton(), Qt::LeftButton);
            });
            sim::Faults silent;
            silent.dropRate = 1.0;
            s.site.setFaults(r1, silent);
            QTest::mouseClick(run->startButton(), Qt::LeftButton);
        };
        commissionFrom<RolloutReviewDialog>(s, plan, [&](RolloutReviewDialog* d) {
            ui::whenModalIs<CommissionDialog>(onRun, d);
            QTest::mouseClick(d->goButton(), Qt::LeftButton);
        });
        QCOMPARE(runs.size(), 2);
        QVERIFY2(runs[0].startsWith(QLatin1String("not written")) && runs[0].endsWith(QLatin1String("|confirmed")),
                 qPrintable(runs[0]));
        QVERIFY2(runs[1].startsWith(QLatin1String("confirmed|confirmed")), qPrintable(runs[1]));
        QCOMPARE(s.field("127.0.0.81", "deviceName").text, std::string("Stair"));
        QCOMPARE(s.field("127.0.0.81", "volume").number, std::int64_t(44));
        QCOMPARE(s.field("127.0.0.81", "ringVolume").number, std::int64_t(77));
        QCOMPARE(s.writes(), writesBeforeRetry + 1); // the confirmed device was left alone
    }

    // A plan with errors lists each by line and column and sends nothing.
    void aPlanWithErrorsSendsNothing()
    {
        Site s;
        QVERIFY(s.open({simDevice("127.0.0.65", 65, 65, "One"), simDevice("127.0.0.66", 66, 66, "Two")}));
        const auto plan = s.writeFile("bad.csv", "mac,volume,loudness\n"
                                                 "02:4b:50:00:00:41,300,1\n"
                                                 "02:4b:50:00:00:42,20,2\n");
        s.site.clearTraffic();
        const auto volume65 = s.field("127.0.0.65", "volume").number;
        QStringList problems;
        commissionFrom<PlanErrorsDialog>(s, plan, [&](PlanErrorsDialog* d) {
            for (int i = 0; i < d->problems()->topLevelItemCount(); ++i)
                problems << d->problems()->topLevelItem(i)->text(0) + QLatin1Char('/') +
                                d->problems()->topLevelItem(i)->text(1);
            QTest::keyClick(d, Qt::Key_Escape);
        });
        QVERIFY2(problems.contains(QStringLiteral("1/3 (loudness)")), qPrintable(problems.join(' ')));
        QVERIFY2(problems.contains(QStringLiteral("2/2 (volume)")), qPrintable(problems.join(' ')));
        QCOMPARE(s.writes(), 0);
        QCOMPARE(s.field("127.0.0.65", "volume").number, volume65);
    }

    // Edit selected devices: three rows selected, the field chosen by keys,
    // the value typed; with the review turned off the run follows at once.
    void editSelectedDevicesWritesOneField()
    {
        Site s;
        QVERIFY(s.open({simDevice("127.0.0.67", 67, 67, "A"), simDevice("127.0.0.68", 68, 68, "B"),
                        simDevice("127.0.0.69", 69, 69, "C"), simDevice("127.0.0.70", 70, 70, "D")}));
        const auto volume70 = s.field("127.0.0.70", "volume").number;
        auto* button = s.window->findChild<QToolButton*>(QStringLiteral("editSelectedActionButton"));
        QVERIFY(button);
        ui::clickRow(s.view(), 0);
        QVERIFY(!button->isEnabled()); // one row is no batch
        ui::clickRow(s.view(), 2, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(button->isEnabled());
        QStringList run;
        QString chosen;
        ui::whenModalIs<EditFieldsDialog>([&](EditFieldsDialog* d) {
            d->pageBox()->setFocus();
            QTest::keyClick(d->pageBox(), Qt::Key_Down); // Play Settings
            ui::typeKeys(d, QStringLiteral("\t"));
            QTest::keyClick(d->fieldBox(), Qt::Key_Down); // Volume
            ui::typeKeys(d, QStringLiteral("\t55"));
            QTest::keyClick(d->valueEdit(), Qt::Key_Return);
            chosen = d->chosen()->topLevelItemCount() ? d->chosen()->topLevelItem(0)->text(1) : QString();
            ui::whenModal([&run](QWidget* r) { runAndClose(r, &run); }, d);
            QTest::mouseClick(d->reviewButton(), Qt::LeftButton);
        });
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(chosen, QStringLiteral("Volume"));
        QCOMPARE(run.size(), 3);
        for (const char* addr : {"127.0.0.67", "127.0.0.68", "127.0.0.69"})
            QCOMPARE(s.field(addr, "volume").number, std::int64_t(55));
        QCOMPARE(s.field("127.0.0.70", "volume").number, volume70);
    }

    // File › Export site: the folder through the file dialog; site.csv and a
    // configuration file per device.
    void exportSiteWritesThePlanAndConfigurations()
    {
        Site s;
        QVERIFY(s.open({simDevice("127.0.0.75", 75, 75, "E1"), simDevice("127.0.0.76", 76, 76, "E2")}));
        const auto out = s.dir.path() / "site";
        std::filesystem::create_directories(out);
        bool asked = false;
        ui::SeenBox done;
        ui::answerFileDialog(QString::fromStdString(out.string()), &asked, [&done](QWidget* fd) {
            ui::closeNextMessageBox(&done, fd);
        });
        s.menuKey(Qt::Key_I);
        QVERIFY(asked);
        QTRY_VERIFY(!done.text.isEmpty());
        QVERIFY2(done.text.startsWith(QLatin1String("Exported 2 devices to")), qPrintable(done.text));
        QVERIFY(std::filesystem::exists(out / "site.csv"));
        QVERIFY(std::filesystem::exists(out / "02-4b-50-00-00-4b.alc"));
        QVERIFY(std::filesystem::exists(out / "02-4b-50-00-00-4c.alc"));
        const auto csv = aulira::test::readAll(out / "site.csv");
        QVERIFY(std::string(csv.begin(), csv.end()).find("mac,deviceNo,deviceName") != std::string::npos);
    }
};

QTEST_MAIN(RolloutTest)
#include "RolloutTest.moc"
