// SPDX-License-Identifier: MIT
// What the run is built on: the tables as values, their validation, and date
// values. Qt Core only.
#include "runsupport.h"

#include "core/datevalue.h"
#include "core/validation.h"

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

struct Reporter : StatusReporter {
    void setStatusText(const QString& text) override { status = text; }
    void beep() override { ++beeps; }
    QString status;
    int beeps = 0;
};

} // namespace

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void scheduleRules_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("schedule");
        QTest::addColumn<QString>("fault"); // empty: valid
        const int I = int(TimerMode::Interval), T = int(TimerMode::Time);
        for (const char* valid : {"1", "1440", "1440.5", "1.5", "  30  "})
            QTest::newRow(valid) << I << valid << "";
        for (const char* wrong : {"1441", "0", "0.5", "-5", "", "ten", "15 min", "inf"})
            QTest::newRow(wrong) << I << wrong << u"Interval Error, "_s + wrong;
        // hh:mm is hh:mm:00, as a watchkeeper types half past nine.
        for (const char* valid : {"00:00:00", "23:59:59", "7:30:00", "7:30", "09:30", "23:59"})
            QTest::newRow(valid) << T << valid << "";
        // The last three pass the form rule, but the run could not read them.
        for (const char* wrong :
             {"24:00:00", "12:60:00", "12:00:60", "24:00", "12:60", "", "noon", "12a30b00"})
            QTest::newRow(wrong) << T << wrong << u"Time Error, "_s + wrong;
    }
    void scheduleRules()
    {
        QFETCH(int, mode);
        QFETCH(QString, schedule);
        QFETCH(QString, fault);
        AlarmTable table = tableOf(QString());
        addEntry(table, schedule, u"Check"_s);
        Reporter reporter;
        QCOMPARE(ValidateTable(table, TimerMode(mode), reporter), fault.isEmpty());
        QCOMPARE(reporter.status, fault);
        QCOMPARE(reporter.beeps, fault.isEmpty() ? 0 : 1);
    }
    void validationStopsAtTheFirstFault()
    {
        AlarmTable t = tableOf(QString());
        addEntry(t, u"~garbage"_s, QString()); // disabled: never read
        addEntry(t, u"15"_s, u" "_s);          // blanks are a message
        addEntry(t, u"0"_s, QString());        // the schedule fault comes first
        addEntry(t, u"2000"_s);
        std::optional<TableFault> fault = FirstTableFault(t, TimerMode::Interval);
        QCOMPARE(std::tuple(fault->text, fault->row, fault->col),
                 std::tuple(u"Interval Error, 0"_s, 3, int(ScheduleColumn)));
        t.cell(3, ScheduleColumn).text = u"30"_s;
        fault = FirstTableFault(t, TimerMode::Interval);
        QCOMPARE(std::tuple(fault->text, fault->row, fault->col),
                 std::tuple(u"Message Error, Field is Empty"_s, 3, int(MessageColumn)));
        t.cell(3, MessageColumn).text = u"ok"_s;
        t.removeRow(4);
        t.setRows(5); // a row never given a mark (just inserted) counts as disabled
        QVERIFY(!FirstTableFault(t, TimerMode::Interval));
    }
    // Exchanged entries take everything with them; a new entry shows no mark
    // and counts as disabled; the header keeps the fixed-cell colour.
    void rowsAsValues()
    {
        AlarmTable t = tableOf(u"~15|60"_s);
        t.cell(2, MessageColumn).back = 65535;
        t.setRows(4);
        FormatTableRow(t, 3);
        QCOMPARE(t.row(3).mark, EnableMark::None);
        QVERIFY(!IsEntryEnabled(t, 3));
        QCOMPARE(std::pair(t.text(3, OptionsColumn), t.cell(3, OptionsColumn).bold),
                 std::pair(u"?"_s, true));
        SwapRows(t, 1, 2);
        QVERIFY(IsEntryEnabled(t, 1) && !IsEntryEnabled(t, 2));
        QCOMPARE(std::pair(t.text(1, ScheduleColumn), t.cell(1, MessageColumn).back),
                 std::pair(u"60"_s, 65535));
        QCOMPARE(t.cell(2, MessageColumn).back, AlarmTable::BackColor);
        QCOMPARE(t.cell(0, MessageColumn).back, AlarmTable::BackColorFixed);
    }
    void dateValues()
    {
        const QDateTime midnight(QDate(2027, 6, 1), QTime(0, 0));
        for (int s = 0; s < 86400; s += 7) // every second survives the round trip
            QCOMPARE(fromDateValue(toDateValue(midnight.addSecs(s))), midnight.addSecs(s));
        QCOMPARE(formatHourMinuteSecond(toDateValue(midnight.addSecs(83109))), u"23:05:09"_s);
    }
};

VT_GUILESS_TEST_MAIN(TestCore, "Europe/London")
#include "tst_core.moc"
