// SPDX-License-Identifier: MIT
// What the run is built on: validation, date and colour values, twips, the header row.
#include "support.h"

#include "core/colorvalue.h"
#include "core/datevalue.h"
#include "core/twips.h"
#include "core/validation.h"

using namespace vt;
using namespace Qt::StringLiterals;

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void scheduleRules_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("schedule");
        QTest::addColumn<QString>("fault"); // empty: valid
        const int I = IntervalMode, T = TimeMode;
        for (const char* valid : {"1", "1440", "1440.5", "1.5", "  30  "})
            QTest::newRow(valid) << I << valid << "";
        for (const char* wrong : {"1441", "0", "0.5", "-5", "", "ten", "15 min", "inf"})
            QTest::newRow(wrong) << I << wrong << u"Interval Error, "_s + wrong;
        for (const char* valid : {"00:00:00", "23:59:59", "7:30:00", "7:30"})
            QTest::newRow(valid) << T << valid << "";
        // The last three pass the form rule, but the run could not read them.
        for (const char* wrong :
             {"24:00:00", "12:60:00", "12:00:60", "12:00", "", "noon", "12a30b00"})
            QTest::newRow(wrong) << T << wrong << u"Time Error, "_s + wrong;
    }
    void scheduleRules()
    {
        QFETCH(int, mode);
        QFETCH(QString, schedule);
        QFETCH(QString, fault);
        Harness h;
        addEntry(h.tables[mode], schedule, u"Check"_s);
        QCOMPARE(ValidateTable(h.tables[mode], mode, h), fault.isEmpty());
        QCOMPARE(h.status, fault);
        QCOMPARE(h.beeps, fault.isEmpty() ? 0 : 1);
    }
    void validationStopsAtTheFirstFault()
    {
        Harness h;
        TableControl& t = h.tables[IntervalMode];
        addEntry(t, u"~garbage"_s, QString()); // disabled: never read
        addEntry(t, u"15"_s, u" "_s);          // blanks are a message
        addEntry(t, u"0"_s, QString());        // the schedule fault comes first
        addEntry(t, u"2000"_s);
        QVERIFY(!ValidateTable(t, IntervalMode, h));
        QCOMPARE(h.status, u"Interval Error, 0"_s);
        QCOMPARE(std::pair(t.Row(), t.Col()), std::pair(3, int(ScheduleColumn))); // on the fault
        t.setText(u"30"_s);
        QVERIFY(!ValidateTable(t, IntervalMode, h));
        QCOMPARE(h.status, u"Message Error, Field is Empty"_s);
        t.setText(u"ok"_s);
        t.RemoveItem(4);
        t.setRows(5); // a row never given a picture (just inserted) counts as disabled
        QVERIFY(ValidateTable(t, IntervalMode, h));
    }
    void values()
    {
        const QDateTime midnight(QDate(2027, 6, 1), QTime(0, 0));
        for (int s = 0; s < 86400; s += 7) // every second survives the round trip
            QCOMPARE(fromDateValue(toDateValue(midnight.addSecs(s))), midnight.addSecs(s));
        QCOMPARE(formatHourMinuteSecond(toDateValue(midnight.addSecs(83109))), u"23:05:09"_s);
        QPalette palette;
        palette.setColor(QPalette::Base, QColor(1, 2, 3));
        palette.setColor(QPalette::Text, QColor(4, 5, 6));
        palette.setColor(QPalette::Button, QColor(7, 8, 9));
        QCOMPARE(toQColor(0x00FF00FF, palette), QColor(255, 0, 255));
        QCOMPARE(
            (QList<QColor>{toQColor(kSysWindowBackground, palette),
                           toQColor(kSysWindowText, palette), toQColor(kSysButtonFace, palette)}),
            (QList<QColor>{QColor(1, 2, 3), QColor(4, 5, 6), QColor(7, 8, 9)}));
        TableControl table; // the header row keeps the button face
        table.setCol(MessageColumn);
        QCOMPARE(table.CellBackColor(), kSysButtonFace);
        // Every pixel survives the trip through twips, at any scale.
        const double grown = pixelsPerTwip(96.0, 14.0, 6.1);
        for (int px = 0; px < 2000; ++px)
            QCOMPARE(twipsToPixels(pixelsToTwips(px, grown), grown), px);
    }
};

VT_TEST_MAIN(TestCore, "Europe/London")
#include "tst_core.moc"
