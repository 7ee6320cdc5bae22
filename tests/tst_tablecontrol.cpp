// SPDX-License-Identifier: MIT
// The table control and the alarm cells on it: current cell, growing and
// shrinking, removing rows, positions with the header row, picture identity,
// the column under the mouse, header and row format.
#include "testmain.h"

#include "core/alarmtable.h"
#include "core/tablecontrol.h"
#include "core/twips.h"

using namespace vt;

class TestTableControl : public QObject
{
    Q_OBJECT

private slots:
    void designedState();
    void cellAccessActsOnCurrentCell();
    void rowsGrowEmptyAndShrinkFromTheEnd();
    void removeItemMovesRowsUpWithPictures();
    void positionsCountTheHeaderRow();
    void pictureIdentityDecidesEnabled();
    void mouseColAndMouseUpInTwips();
    void headerAndRowFormat();
    void columnWidthsFollowTheFont();
};

void TestTableControl::designedState()
{
    TableControl t;
    QCOMPARE(t.Rows(), 2);
    QCOMPARE(t.Cols(), 4);
    QCOMPARE(t.BackColor(), kSysWindowBackground);
    QCOMPARE(t.ForeColor(), kSysWindowText);
    QCOMPARE(t.BackColorFixed(), kSysButtonFace);
    t.setRow(0);
    t.setCol(2);
    QCOMPARE(t.CellBackColor(), kSysButtonFace); // header row is fixed
    t.setRow(1);
    QCOMPARE(t.CellBackColor(), kSysWindowBackground);
    QCOMPARE(t.CellPicture(), quintptr(0));
}

void TestTableControl::cellAccessActsOnCurrentCell()
{
    TableControl t;
    t.setRows(3);
    t.setRow(2);
    t.setCol(2);
    t.setText(QStringLiteral("two"));
    t.setCellBackColor(65535);
    t.setRow(1);
    QCOMPARE(t.Text(), QString());
    t.setText(QStringLiteral("one"));
    t.setRow(2);
    QCOMPARE(t.Text(), QStringLiteral("two"));
    QCOMPARE(t.CellBackColor(), 65535);
    QCOMPARE(t.Col(), 2);
    QCOMPARE(t.item(2, 2)->background().color(), QColor(255, 255, 0));
}

void TestTableControl::rowsGrowEmptyAndShrinkFromTheEnd()
{
    ImageList images{QIcon(), QIcon()};
    TableControl t;
    t.setImageList(&images);
    t.setRows(4);
    for (int r = 1; r < 4; ++r) {
        SetEntryEnabled(t, r, EnableColumn, true);
        t.setCol(MessageColumn);
        t.setText(QString::number(r));
        t.setCellForeColor(255);
    }
    t.setRows(2);
    QCOMPARE(t.Rows(), 2);
    QVERIFY(t.Row() < 2);
    t.setRow(1);
    t.setCol(MessageColumn);
    QCOMPARE(t.Text(), QStringLiteral("1"));
    t.setRows(4);
    t.setRow(3);
    QCOMPARE(t.Text(), QString());
    QCOMPARE(t.CellForeColor(), kSysWindowText);
    QCOMPARE(t.CellBackColor(), kSysWindowBackground);
    QVERIFY(!IsEntryEnabled(t, 3, EnableColumn));
    QCOMPARE(t.CellPicture(), quintptr(0));
}

void TestTableControl::removeItemMovesRowsUpWithPictures()
{
    ImageList images{QIcon(), QIcon()};
    TableControl t;
    t.setImageList(&images);
    t.setRows(4);
    const bool enabled[] = {false, true, false, true};
    for (int r = 1; r < 4; ++r) {
        SetEntryEnabled(t, r, EnableColumn, enabled[r]);
        t.setCol(ScheduleColumn);
        t.setText(QString::number(r * 10));
    }
    t.RemoveItem(1);
    QCOMPARE(t.Rows(), 3);
    QVERIFY(!IsEntryEnabled(t, 1, EnableColumn));
    t.setCol(ScheduleColumn);
    QCOMPARE(t.Text(), QStringLiteral("20"));
    QVERIFY(IsEntryEnabled(t, 2, EnableColumn));
    t.setCol(ScheduleColumn);
    QCOMPARE(t.Text(), QStringLiteral("30"));
}

void TestTableControl::positionsCountTheHeaderRow()
{
    TableControl t;
    t.setRows(5);
    t.resize(400, 300);
    t.show();
    QCOMPARE(t.RowPos(0), pixelsToTwips(t.viewport()->y(), t));
    for (int r = 1; r < t.Rows(); ++r)
        QCOMPARE(t.RowPos(r), t.RowPos(r - 1) + t.RowHeight(r - 1));
    QVERIFY(t.RowHeight(0) > 0);
    QCOMPARE(t.ColPos(1), t.ColPos(0) + t.ColWidth(0));
    t.setColWidth(2, 1500);
    QVERIFY(qAbs(t.ColWidth(2) - 1500) <= pixelsToTwips(1, t)); // within a pixel
    t.setRow(3);
    t.setCol(2);
    QCOMPARE(t.CellTop(), t.RowPos(3));
    QCOMPARE(t.CellLeft(), t.ColPos(2));
    QCOMPARE(t.CellWidth(), t.ColWidth(2));
    QCOMPARE(t.CellHeight(), t.RowHeight(3));
}

void TestTableControl::pictureIdentityDecidesEnabled()
{
    const QIcon same(QStringLiteral(":/images/enabled.png"));
    ImageList images{QIcon(QStringLiteral(":/images/disabled.png")), same};
    ImageList lookalike{QIcon(QStringLiteral(":/images/disabled.png")), same};
    TableControl t;
    t.setImageList(&images);
    t.setRows(2);
    SetEntryEnabled(t, 1, EnableColumn, true);
    QVERIFY(IsEntryEnabled(t, 1, EnableColumn));
    QCOMPARE(t.CellPicture(), images.enabledImage().handle);
    SetEntryEnabled(t, 1, EnableColumn, false);
    QVERIFY(!IsEntryEnabled(t, 1, EnableColumn));
    QCOMPARE(t.CellPicture(), images.disabledImage().handle);
    // The same pixels from another list are not the enabled picture.
    t.setCellPicture(lookalike.enabledImage());
    QVERIFY(!IsEntryEnabled(t, 1, EnableColumn));
    // Only column 0 carries the flag.
    QVERIFY(!IsEntryEnabled(t, 1, MessageColumn));
}

void TestTableControl::mouseColAndMouseUpInTwips()
{
    TableControl t;
    t.setRows(3);
    for (int c = 0; c < 4; ++c)
        t.setColumnWidth(c, 50);
    t.resize(400, 200);
    t.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t));
    QSignalSpy ups(&t, &TableControl::MouseUp);
    const int y = t.rowViewportPosition(1) + 3;
    QTest::mouseClick(t.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(60, y));
    QCOMPARE(t.MouseCol(), 1);
    QCOMPARE(ups.size(), 1);
    const QList<QVariant> args = ups.takeFirst();
    QCOMPARE(args.at(0).toInt(), 2); // right button
    QCOMPARE(args.at(1).toInt(), 1); // Shift
    QCOMPARE(args.at(2).toInt(), pixelsToTwips(60 + t.viewport()->x(), t));
    QCOMPARE(args.at(3).toInt(), pixelsToTwips(y + t.viewport()->y(), t));
    QTest::mouseMove(t.viewport(), QPoint(350, y));
    QTRY_COMPARE(t.MouseCol(), -1); // right of the last column
}

void TestTableControl::headerAndRowFormat()
{
    TableControl t;
    t.setRows(3);
    SetupTableColumns(TimeMode, t);
    t.setRow(0);
    t.setCol(ScheduleColumn);
    QCOMPARE(t.Text(), QStringLiteral("Time"));
    QCOMPARE(t.item(0, 1)->textAlignment(), int(Qt::AlignCenter));
    t.setCol(MessageColumn);
    QCOMPARE(t.Text(), QStringLiteral("Message"));
    t.setCol(EnableColumn);
    QCOMPARE(t.Text(), QString());
    SetupTableColumns(IntervalMode, t);
    t.setRow(0);
    t.setCol(ScheduleColumn);
    QCOMPARE(t.Text(), QStringLiteral("Interval"));

    t.setRow(2);
    t.setCol(MessageColumn);
    t.setCellBackColor(65535);
    t.setCellForeColor(255);
    FormatTableRow(t, 2);
    QCOMPARE(t.Row(), 2);
    QCOMPARE(t.Col(), int(OptionsColumn));
    QCOMPARE(t.Text(), QStringLiteral("?"));
    QCOMPARE(t.CellBackColor(), kSysButtonFace);
    QVERIFY(t.item(2, OptionsColumn)->font().bold());
    t.setCol(MessageColumn);
    QCOMPARE(t.CellBackColor(), kSysWindowBackground); // backgrounds reset
    QCOMPARE(t.CellForeColor(), 255);                  // text colour kept
}

void TestTableControl::columnWidthsFollowTheFont()
{
    TableControl t;
    SetupTableColumns(IntervalMode, t);
    const int small[] = {t.ColWidth(0), t.ColWidth(1), t.ColWidth(2), t.ColWidth(3)};
    QFont big = t.font();
    big.setPointSizeF(big.pointSizeF() * 2);
    t.setFont(big);
    SetupTableColumns(IntervalMode, t);
    for (int c = 0; c < 4; ++c) {
        QVERIFY2(t.ColWidth(c) > small[c] * 1.6, qPrintable(QString::number(c)));
        QVERIFY(t.ColWidth(c) < small[c] * 2.4);
    }
    QVERIFY(small[2] > small[1] && small[1] > small[0] && small[0] > small[3]);
}

VT_TEST_MAIN(TestTableControl, "Europe/London")
#include "tst_tablecontrol.moc"
