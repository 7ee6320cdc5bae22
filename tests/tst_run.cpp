// SPDX-License-Identifier: MIT
// The tables' validation; the run on a fake clock: which alarms show, and when,
// in both modes, across late answers, clock changes and sleep; and the run's
// own alarm. Qt Core only.
#include "runsupport.h"

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

class TestRun : public QObject
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
    // One sequence a line of the file, whose head gives the form of a line.
    void alarmSequence_data()
    {
        QTest::addColumn<QStringList>("fields");
        const QString table =
            QString::fromUtf8(readFile(QFINDTESTDATA("data/alarm-sequences.txt")));
        QVERIFY2(!table.isEmpty(), "tests/data/alarm-sequences.txt is missing");
        for (const QString& row : table.split(u'\n', Qt::SkipEmptyParts))
            if (!row.startsWith(u'#'))
                QTest::addRow("%s", qPrintable(row.section(u';', 0, 0))) << row.split(u';');
    }
    void alarmSequence()
    {
        QFETCH(QStringList, fields);
        const QStringList options = fields[4].split(u' ', Qt::SkipEmptyParts);
        const auto option = [&options](const QString& name, const QString& otherwise) {
            for (const QString& o : options)
                if (o.startsWith(name + u'='))
                    return o.mid(name.size() + 1);
            return otherwise;
        };
        RunHarness h(option(u"zone"_s, u"Europe/London"_s).toUtf8());
        const QString entries = fields[2].isEmpty() ? u"~60|"_s.repeated(11) + u'5' : fields[2];
        const TimerMode mode = entries.contains(u':') ? TimerMode::Time : TimerMode::Interval;
        const QString format = u"%1hh:mm:ss%2"_s.arg(options.contains(u"day"_s) ? "d " : "",
                                                     options.contains(u"tz"_s) ? " t" : "");
        const int answerAfter = option(u"answer"_s, u"5"_s).toInt();
        const QStringList jump = option(u"jump"_s, u"-1:0"_s).split(u':');
        const QStringList back = option(u"back"_s, u"-1:0"_s).split(u':');
        const auto jumpAfter = [&h, &jump](int answers) {
            if (answers != jump[0].toInt())
                return;
            h.clock.advanceSeconds(300);
            h.clock.correctWallMs(jump[1].toLongLong() * 1000);
        };

        h.startAt(fields[1], tableOf(entries), mode, options.contains(u"top"_s));
        jumpAfter(0);
        const QStringList expected = fields[3].split(u", "_s, Qt::SkipEmptyParts);
        // A Time run is followed until it ends, so an alarm too many shows too.
        const int follow = int(expected.size()) + (mode == TimerMode::Time);
        QStringList shown;
        for (int i = 1; i <= follow && h.tickUntilAlarm(); ++i) {
            const ShownAlarm shownAlarm = h.shown.back();
            const int row = shownAlarm.alarm.id.row;
            shown << h.local(shownAlarm.at, format) +
                         (options.contains(u"#"_s) ? u'#' + QString::number(row) : QString());
            if (i == back[0].toInt())
                h.clock.correctWallMs(back[1].toLongLong() * 1000);
            h.clock.advanceSeconds(answerAfter);
            h.run.answerContinue(shownAlarm.alarm.id);
            jumpAfter(i);
        }
        QCOMPARE(shown, expected);
        QCOMPARE(h.state(), option(u"end"_s, u"Running"_s));
        // The caption's next alarm as the local clock reads now.
        if (h.run.isRunActive())
            QCOMPARE(h.run.timerText(), u"Timer "_s + h.local(h.run.nextDueInstant(), u"hh:mm"_s));
    }
    // The run owns its alarm: raised with the entry as it was at Start, the
    // tick stopped under it, answered only by its own answers, taken away by Stop.
    void runAndItsAlarm()
    {
        RunHarness h;
        AlarmTable table = tableOf(u"60"_s);
        table.cell(1, MessageColumn) = {u"Check Log"_s, 65535, 255};
        h.startAt(u"2027-01-15T06:17:45"_s, table, TimerMode::Interval, true);
        table.cell(1, MessageColumn).text = u"edited after Start"_s;
        QCOMPARE(std::pair(h.run.phase(), h.run.timerText()),
                 std::pair(RunPhase::Armed, u"Timer 07:00"_s));
        QVERIFY(h.run.tick().isActive());

        QVERIFY(h.tickUntilAlarm());
        const Alarm alarm = *h.run.alarm();
        QCOMPARE(std::tuple(alarm.caption, alarm.message, alarm.backColor, alarm.foreColor),
                 std::tuple(u"Vigiltide - 07:00"_s, u"Check Log"_s, 65535, 255));
        QVERIFY(!h.run.tick().isActive()); // no second alarm over it
        h.clock.advanceSeconds(1);
        h.run.answerContinue(alarm.id);
        QCOMPARE(std::pair(h.run.phase(), h.run.timerText()),
                 std::pair(RunPhase::Armed, u"Timer 08:00"_s));
        QVERIFY(h.run.tick().remainingTime() > 900); // a full second to the next tick

        QVERIFY(h.tickUntilAlarm());
        const AlarmId stale = h.run.alarm()->id;
        h.run.TimerStop(); // from anywhere: the alarm goes with the run
        QVERIFY(!h.run.alarm() && !h.run.tick().isActive());
        h.run.TimerNext(1); // a late Continue re-arms nothing
        QCOMPARE(h.state(), u"Stopped"_s);
        // The old alarm's answers never reach the next run.
        h.run.StartRun(table, TimerMode::Interval, true);
        h.run.answerContinue(stale);
        h.run.answerStop(stale);
        QCOMPARE(std::pair(h.state(), h.run.timerText()),
                 std::pair(u"Running"_s, u"Timer 09:00"_s));
        // An invalid table starts nothing, and says where.
        h.run.TimerStop();
        table.cell(1, ScheduleColumn).text = u"0"_s;
        const std::optional<TableFault> fault = h.run.StartRun(table, TimerMode::Interval, true);
        QCOMPARE(std::pair(fault->row, h.state()), std::pair(1, u"Stopped"_s));
    }
};

VT_GUILESS_TEST_MAIN(TestRun, "Europe/London")
#include "tst_run.moc"
