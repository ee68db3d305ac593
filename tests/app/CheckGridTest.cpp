#include <QImage>

#include "GuiSupport.h"

using aulira::app::CheckGrid;
using aulira::app::CheckGridDelegate;
using aulira::app::CheckGridModel;

namespace {

// A grid as the group dialog fills it: tick column, number, name, address.
void fill(CheckGrid& g, int rows)
{
    g.setObjectName(QStringLiteral("grid"));
    g.setColumns({QStringLiteral(" "), QStringLiteral("NO"), QStringLiteral("Name"), QStringLiteral("IP Address")});
    g.setCheckColumn(0);
    for (int r = 0; r < rows; ++r) {
        QCOMPARE(g.addRow(r, QString()), r);
        g.setCellCheck(r, 0, 0);
        g.setCellText(r, 1, QString::number(r + 1));
        g.setCellText(r, 2, QStringLiteral("Room %1").arg(r + 1));
        g.setCellText(r, 3, QStringLiteral("10.0.0.%1").arg(r + 10));
    }
    g.resize(480, 220);
    g.show();
}

void clickCell(CheckGrid& g, int row, int column)
{
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.cellRect(row, column).center());
}

void clickHeader(CheckGrid& g, int column) { ui::clickSection(g.checkHeader(), column); }

} // namespace

class CheckGridTest : public QObject {
    Q_OBJECT
private slots:
    void headerTicksOnceTheLastRowIsTicked()
    {
        CheckGrid g;
        fill(g, 3);
        QSignalSpy clicked(&g, &CheckGrid::checkBoxClicked);
        clickCell(g, 0, 0);
        clickCell(g, 1, 0);
        QVERIFY(!g.headerChecked(0));
        clickCell(g, 2, 0);
        QCOMPARE(g.cellCheck(2, 0), 1);
        QVERIFY(g.headerChecked(0));
        QCOMPARE(g.gridModel()->headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(clicked.count(), 3);
        QCOMPARE(clicked.at(2).at(0).toInt(), 2);
        QCOMPARE(clicked.at(2).at(1).toInt(), 0);
        QVERIFY(g.gridModel()->isCellModified(2, 0));

        clickCell(g, 1, 0); // unticking any row unticks the header
        QCOMPARE(g.cellCheck(1, 0), 0);
        QVERIFY(!g.headerChecked(0));
    }

    void headerClickUnticksAllWithOneNotification()
    {
        CheckGrid g;
        fill(g, 4);
        for (int r = 0; r < 4; ++r)
            g.setCellCheck(r, 0, 1);
        g.setCellCheck(3, 0, -1); // a row without a tick box is left alone
        QVERIFY(g.headerChecked(0));
        QSignalSpy clicked(&g, &CheckGrid::checkBoxClicked);
        QSignalSpy column(&g, &CheckGrid::columnClicked);

        clickHeader(g, 0);
        QCOMPARE(column.count(), 1);
        QCOMPARE(column.at(0).at(0).toInt(), 0);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), -1);
        QCOMPARE(clicked.at(0).at(1).toInt(), 0);
        for (int r = 0; r < 3; ++r)
            QCOMPARE(g.cellCheck(r, 0), 0);
        QCOMPARE(g.cellCheck(3, 0), -1);
        QVERIFY(!g.headerChecked(0));

        clickHeader(g, 0); // and the next click ticks them all again
        QCOMPARE(clicked.count(), 2);
        for (int r = 0; r < 3; ++r)
            QCOMPARE(g.cellCheck(r, 0), 1);
        QVERIFY(g.headerChecked(0));

        clickHeader(g, 2); // another column's title only reports the column
        QCOMPARE(column.count(), 3);
        QCOMPARE(column.at(2).at(0).toInt(), 2);
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(g.cellCheck(0, 0), 1);
    }

    void disabledRowsIgnoreClicksAndKeys()
    {
        CheckGrid g;
        fill(g, 3);
        g.setRowEnabled(1, false);
        QSignalSpy clicked(&g, &CheckGrid::checkBoxClicked);
        clickCell(g, 1, 0);
        clickCell(g, 1, 2);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(g.cellCheck(1, 0), 0);
        QVERIFY(!g.gridModel()->isCellModified(1, 0));
        QVERIFY(!g.selectionModel()->isRowSelected(1, {}));
        QVERIFY(!(g.gridModel()->flags(g.gridModel()->index(1, 0)) & Qt::ItemIsEnabled));

        clickCell(g, 2, 0); // its neighbours still work
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(g.cellCheck(2, 0), 1);

        g.setCurrentIndex(g.gridModel()->index(0, 1)); // and the arrow keys pass over it
        QTest::keyClick(&g, Qt::Key_Down);
        QCOMPARE(g.currentIndex().row(), 2);
    }

    void progressAtZeroAndHundredPercent()
    {
        CheckGrid g;
        fill(g, 2);
        CheckGridModel* m = g.gridModel();
        m->showCellProgress(0, 3);
        QVERIFY(m->isProgressShown(0, 3));
        QCOMPARE(m->cellProgress(0, 3), 0);
        QCOMPARE(m->data(m->index(0, 3), CheckGridModel::ProgressLabelRole).toString(), QStringLiteral("0%"));

        m->showCellProgress(1, 3);
        m->setCellProgress(1, 3, 100);
        QCOMPARE(m->cellProgress(1, 3), 100);
        QCOMPARE(m->progressLabel(1, 3), QStringLiteral("100%"));
        m->setCellProgress(1, 3, 250); // kept in range
        QCOMPARE(m->cellProgress(1, 3), 100);

        // Drawn: at 0 % the field is grey right up to the inner edge, at
        // 100 % the bar reaches it.
        const QImage shot = g.viewport()->grab().toImage();
        const QRect zero = g.cellRect(0, 3);
        const QRect full = g.cellRect(1, 3);
        const QPoint zeroEdge(zero.left() + 3, zero.center().y());
        const QPoint fullEdge(full.right() - 3, full.center().y());
        QCOMPARE(shot.pixelColor(zeroEdge).rgb() & 0xFFFFFF, CheckGridDelegate::kProgressField);
        QCOMPARE(shot.pixelColor(fullEdge), g.palette().color(QPalette::Highlight));

        m->setCellProgressText(1, 3, QStringLiteral("Sent %1%"));
        QCOMPARE(m->progressLabel(1, 3), QStringLiteral("Sent 100%"));
        m->setCellProgressLabelShown(1, 3, false);
        QVERIFY(m->progressLabel(1, 3).isEmpty());

        m->hideCellProgress(1, 3);
        QVERIFY(!m->isProgressShown(1, 3));
        QCOMPARE(m->cellProgress(1, 3), 0);
        QCOMPARE(m->data(m->index(1, 3)).toString(), QStringLiteral("10.0.0.11"));
    }

    void longToolTipsAreCutAndRowsOutOfRangeRefused()
    {
        CheckGrid g;
        fill(g, 2);
        CheckGridModel* m = g.gridModel();
        m->setCellToolTip(0, 2, QString(100, QLatin1Char('x')));
        QCOMPARE(m->data(m->index(0, 2), Qt::ToolTipRole).toString().size(), 80);
        QCOMPARE(g.rowData(5), nullptr);
        QCOMPARE(g.addRow(9, QStringLiteral("x")), -1);
        QCOMPARE(g.addRow(-1, QStringLiteral("x")), -1);
        QVERIFY(!g.setCellCheck(7, 0, 1));
        g.removeAllRows();
        QCOMPARE(g.rowCount(), 0);
    }
};

QTEST_MAIN(CheckGridTest)
#include "CheckGridTest.moc"
