// SPDX-License-Identifier: MIT
// The values and the table the run is built on: date values, colour values,
// twips, the table control's current-cell rules, and entry validation.
#include "support.h"

#include "core/colorvalue.h"
#include "core/datevalue.h"
#include "core/twips.h"
#include "core/validation.h"

using namespace vt;

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void scheduleRules_data();
    void scheduleRules();
    void validationStopsAtTheFirstFault();
    void dateValues();
    void colourValues();
    void twipsAtAnyScale();
    void tableCells();
    void tableRowsAndPictures();
    void tableGeometryAndMouse();
};

void TestCore::scheduleRules_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("schedule");
    QTest::addColumn<QString>("fault"); // empty: valid
    const int I = IntervalMode, T = TimeMode;
    QTest::newRow("1") << I << "1"
                       << "";
    QTest::newRow("1440") << I << "1440"
                          << "";
    QTest::newRow("1440.5 rounds to even") << I << "1440.5"
                                           << "";
    QTest::newRow("1441") << I << "1441"
                          << "Interval Error, 1441";
    QTest::newRow("0") << I << "0"
                       << "Interval Error, 0";
    QTest::newRow("0.5 rounds to even") << I << "0.5"
                                        << "Interval Error, 0.5";
    QTest::newRow("1.5 rounds up") << I << "1.5"
                                   << "";
    QTest::newRow("-5") << I << "-5"
                        << "Interval Error, -5";
    QTest::newRow("empty") << I << ""
                           << "Interval Error, ";
    QTest::newRow("word") << I << "ten"
                          << "Interval Error, ten";
    QTest::newRow("number and word") << I << "15 min"
                                     << "Interval Error, 15 min";
    QTest::newRow("blanks") << I << "  30  "
                            << "";
    QTest::newRow("infinity") << I << "inf"
                              << "Interval Error, inf";
    QTest::newRow("00:00:00") << T << "00:00:00"
                              << "";
    QTest::newRow("23:59:59") << T << "23:59:59"
                              << "";
    QTest::newRow("24:00:00") << T << "24:00:00"
                              << "Time Error, 24:00:00";
    QTest::newRow("12:60:00") << T << "12:60:00"
                              << "Time Error, 12:60:00";
    QTest::newRow("12:00:60") << T << "12:00:60"
                              << "Time Error, 12:00:60";
    QTest::newRow("12:00") << T << "12:00"
                           << "Time Error, 12:00";
    QTest::newRow("7:30:00") << T << "7:30:00"
                             << "";
    QTest::newRow("7:30") << T << "7:30"
                          << "";
    // These pass the form rule, but the run could not read them.
    QTest::newRow("time empty") << T << ""
                                << "Time Error, ";
    QTest::newRow("noon") << T << "noon"
                          << "Time Error, noon";
    QTest::newRow("letters as separators") << T << "12a30b00"
                                           << "Time Error, 12a30b00";
}

void TestCore::scheduleRules()
{
    QFETCH(int, mode);
    QFETCH(QString, schedule);
    QFETCH(QString, fault);
    Harness h;
    addEntry(h.host.tables[mode], schedule, QStringLiteral("Check"));
    QCOMPARE(ValidateTable(h.host.tables[mode], mode, h.host), fault.isEmpty());
    QCOMPARE(h.host.status, fault);
    QCOMPARE(h.host.beeps, fault.isEmpty() ? 0 : 1);
}

void TestCore::validationStopsAtTheFirstFault()
{
    Harness h;
    TableControl& t = h.host.tables[IntervalMode];
    addEntry(t, QStringLiteral("~garbage"), QString());     // disabled: never read
    addEntry(t, QStringLiteral("15"), QStringLiteral(" ")); // blanks are a message
    addEntry(t, QStringLiteral("0"), QString());            // the schedule fault comes first
    addEntry(t, QStringLiteral("2000"));
    QVERIFY(!ValidateTable(t, IntervalMode, h.host));
    QCOMPARE(h.host.status, QStringLiteral("Interval Error, 0"));
    QCOMPARE(h.host.beeps, 1);
    QCOMPARE(std::pair(t.Row(), t.Col()), std::pair(3, int(ScheduleColumn)));
    t.setText(QStringLiteral("30"));
    QVERIFY(!ValidateTable(t, IntervalMode, h.host));
    QCOMPARE(h.host.status, QStringLiteral("Message Error, Field is Empty"));
    QCOMPARE(t.Col(), int(MessageColumn));
    // A row never given a picture (just inserted) counts as disabled.
    t.setText(QStringLiteral("ok"));
    t.RemoveItem(4);
    t.setRows(5);
    QVERIFY(ValidateTable(t, IntervalMode, h.host));
}

void TestCore::dateValues()
{
    QCOMPARE(toDateValue(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    QCOMPARE(toDateValue(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
    QCOMPARE(formatHourMinuteSecond(toDateValue(QDateTime(QDate(2027, 1, 15), QTime(23, 5, 9)))),
             QStringLiteral("23:05:09"));
    QCOMPARE(formatHourMinute(0.0), QStringLiteral("00:00"));
    // Every second of a day survives the round trip through a double.
    const QDateTime midnight(QDate(2027, 6, 1), QTime(0, 0));
    for (int s = 0; s < 86400; s += 7)
        QCOMPARE(fromDateValue(toDateValue(midnight.addSecs(s))), midnight.addSecs(s));
}

void TestCore::colourValues()
{
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Text, QColor(4, 5, 6));
    palette.setColor(QPalette::Button, QColor(7, 8, 9));
    QCOMPARE(toQColor(65535, palette), QColor(255, 255, 0));
    QCOMPARE(toQColor(0x00FF0000, palette), QColor(0, 0, 255));
    QCOMPARE(toQColor(kSysWindowBackground, palette), QColor(1, 2, 3));
    QCOMPARE(toQColor(kSysWindowText, palette), QColor(4, 5, 6));
    QCOMPARE(toQColor(kSysButtonFace, palette), QColor(7, 8, 9));
    QCOMPARE(fromQColor(QColor(0x12, 0x34, 0x56)), 0x563412);
    QCOMPARE(kSysWindowBackground, -2147483643); // signed, as the settings file holds it
}

void TestCore::twipsAtAnyScale()
{
    // The designed font at 96 DPI: 15 twips a pixel; a smaller font never
    // shrinks the layout, a larger one grows it.
    const double design = pixelsPerTwip(96.0, 13.0, 5.0);
    QCOMPARE(twipsToPixels(5085, design), 339);
    QCOMPARE(twipsToPixels(1440, pixelsPerTwip(192.0, 13.0, 5.0)), 192);
    QCOMPARE(pixelsPerTwip(96.0, 10.0, 4.0), design);
    QCOMPARE(twipsToPixels(1440, pixelsPerTwip(96.0, 14.0, 6.0)), 115);
    const double grown = pixelsPerTwip(96.0, 14.0, 6.1);
    for (int px = 0; px < 2000; ++px)
        QCOMPARE(twipsToPixels(pixelsToTwips(px, grown), grown), px);
}

void TestCore::tableCells()
{
    TableControl t; // as designed: a header row and one entry row, four columns
    QCOMPARE(std::pair(t.Rows(), t.Cols()), std::pair(2, 4));
    t.setCol(MessageColumn);
    QCOMPARE(t.CellBackColor(), kSysButtonFace); // the header row is fixed
    // Cell members act on the current cell only.
    t.setRows(3);
    t.setRow(2);
    t.setText(QStringLiteral("two"));
    t.setCellBackColor(65535);
    t.setRow(1);
    QCOMPARE(t.Text(), QString());
    QCOMPARE(t.CellBackColor(), kSysWindowBackground);
    t.setRow(2);
    QCOMPARE(t.Text(), QStringLiteral("two"));
    QCOMPARE(t.item(2, MessageColumn)->background().color(), QColor(255, 255, 0));
    // Headers by mode, and the row format: backgrounds reset, "?" in bold.
    SetupTableColumns(TimeMode, t);
    QCOMPARE(t.item(0, ScheduleColumn)->text(), QStringLiteral("Time"));
    QCOMPARE(t.item(0, MessageColumn)->textAlignment(), int(Qt::AlignCenter));
    t.setRow(2);
    t.setCol(MessageColumn);
    t.setCellForeColor(255);
    FormatTableRow(t, 2);
    QCOMPARE(std::pair(t.Text(), t.CellBackColor()),
             std::pair(QStringLiteral("?"), kSysButtonFace));
    QVERIFY(t.item(2, OptionsColumn)->font().bold());
    t.setCol(MessageColumn);
    QCOMPARE(std::pair(t.CellBackColor(), t.CellForeColor()), std::pair(kSysWindowBackground, 255));
    // Column widths follow the font of their templates.
    SetupTableColumns(IntervalMode, t);
    const int small[] = {t.ColWidth(0), t.ColWidth(1), t.ColWidth(2), t.ColWidth(3)};
    QFont big = t.font();
    big.setPointSizeF(big.pointSizeF() * 2);
    t.setFont(big);
    SetupTableColumns(IntervalMode, t);
    for (int c = 0; c < 4; ++c)
        QVERIFY(t.ColWidth(c) > small[c] * 1.6 && t.ColWidth(c) < small[c] * 2.4);
}

void TestCore::tableRowsAndPictures()
{
    const QIcon same(QStringLiteral(":/images/enabled.png"));
    ImageList images{QIcon(QStringLiteral(":/images/disabled.png")), same};
    ImageList lookalike{QIcon(QStringLiteral(":/images/disabled.png")), same};
    TableControl t;
    t.setImageList(&images);
    t.setRows(4);
    const bool enabled[] = {false, true, false, true};
    for (int r = 1; r < 4; ++r) {
        SetEntryEnabled(t, r, EnableColumn, enabled[r]);
        t.setCol(ScheduleColumn);
        t.setText(QString::number(r * 10));
    }
    // The picture's identity decides, not its pixels.
    QCOMPARE(t.CellPicture(), quintptr(0)); // a cell never given a picture
    t.setCol(EnableColumn);
    QCOMPARE(t.CellPicture(), images.enabledImage().handle);
    t.setCellPicture(lookalike.enabledImage());
    QVERIFY(!IsEntryEnabled(t, 3, EnableColumn));
    SetEntryEnabled(t, 3, EnableColumn, true);
    // RemoveItem moves the rows below up with their pictures.
    t.RemoveItem(1);
    QVERIFY(!IsEntryEnabled(t, 1, EnableColumn) && IsEntryEnabled(t, 2, EnableColumn));
    t.setCol(ScheduleColumn);
    QCOMPARE(t.Text(), QStringLiteral("30"));
    // Fewer rows drop the last; more rows come empty, in the table's colours.
    t.setRows(2);
    t.setRows(4);
    t.setRow(3);
    QCOMPARE(std::pair(t.Text(), t.CellForeColor()), std::pair(QString(), kSysWindowText));
    QVERIFY(!IsEntryEnabled(t, 3, EnableColumn));
}

void TestCore::tableGeometryAndMouse()
{
    TableControl t;
    t.setRows(5);
    for (int c = 0; c < 4; ++c)
        t.setColumnWidth(c, 50);
    t.resize(400, 300);
    t.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t));
    // Positions count the header row like any other.
    QCOMPARE(t.RowPos(0), pixelsToTwips(t.viewport()->y(), t));
    for (int r = 1; r < t.Rows(); ++r)
        QCOMPARE(t.RowPos(r), t.RowPos(r - 1) + t.RowHeight(r - 1));
    QCOMPARE(t.ColPos(1), t.ColPos(0) + t.ColWidth(0));
    // Mouse events in twips relative to the table, buttons and shift as numbers.
    QSignalSpy ups(&t, &TableControl::MouseUp);
    const int y = t.rowViewportPosition(1) + 3;
    QTest::mouseClick(t.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(60, y));
    QCOMPARE(t.MouseCol(), 1);
    QCOMPARE(ups.takeFirst(), (QList<QVariant>{2, 1, pixelsToTwips(60 + t.viewport()->x(), t),
                                               pixelsToTwips(y + t.viewport()->y(), t)}));
    QTest::mouseMove(t.viewport(), QPoint(350, y));
    QTRY_COMPARE(t.MouseCol(), -1); // right of the last column
}

VT_TEST_MAIN(TestCore, "Europe/London")
#include "tst_core.moc"
