// SPDX-License-Identifier: MIT
// The run on a fake clock: which alarms a watchkeeper sees, and when, for both
// timer modes, late answers, daylight-saving nights, a clock set back and a
// machine that slept; and what Start, an alarm, Continue and Stop show.
#include "support.h"

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

// One alarm sequence a line: name; start as the local clock shows it (with the
// offset on change nights); entries ("|" between them, "~" before a disabled
// one, a colon makes Time mode; none: eleven disabled entries and a 5); the
// alarms shown; options: top (Top of Hour), day (alarms with their day), tz
// (with their zone), # (with their row), answer=seconds to answer (5),
// jump=N:S (after N answers, 0 at Start, 300 s pass, then the wall clock moves
// S seconds), end=the final state (Running), zone=the time zone (London).
const char* const kCases[] = {
    "top of hour;2027-01-15T10:17:45;60;11:00:00, 12:00:00;top",
    "top of hour 1440;2027-01-15T10:17:45;1440;16 00:00:00;top day",
    "seconds dropped;2027-01-15T10:17:45;15;10:32:00, 10:47:00;",
    "fraction to the second;2027-01-15T10:17:45;1.01;10:18:01;",
    "due together: lower row first;2027-01-15T10:50:00;60|15;"
    "11:00:00#1, 11:00:06#2, 11:15:00#2, 11:30:00#2;top #",
    "late answer skips slots;2027-01-15T10:00:30;15;10:15:00, 11:00:00;answer=2400",
    "answer on a slot passes it;2027-01-15T10:00:30;15;10:15:00, 10:45:00;answer=900",
    "midnight;2027-01-15T23:10:10;45;15 23:55:00, 16 00:40:00, 16 01:25:00;day answer=0",
    "no enabled entry;2027-01-15T10:00:00;~15;;end=Done",
    "invalid entry starts nothing;2027-01-15T10:00:00;0|15;;end=Stopped",
    "disabled entries never read;2027-01-15T10:00:00;~garbage|20;10:20:00#2, 10:40:00#2;#",
    "rows past ten;2027-01-15T10:00:00;;10:05:00#12;#",
    "tomorrow when passed;2027-01-15T08:00:00;07:30:00;16 07:30:00;day end=Done",
    "two across the night;2027-01-15T12:00:00;07:30:00|20:00:00;"
    "15 20:00:00#2, 16 07:30:00#1;day # end=Done",
    "due at the second of Start;2027-01-15T09:00:00;09:00:00|9:00;"
    "09:00:01#1, 09:00:02#2;# answer=0 end=Done",
    "late answer shows what fell due;2027-01-15T07:00:00;07:30:00|07:31:00;"
    "07:30:00#1, 07:32:01#2;# answer=120 end=Done",
    "fell due in one alarm: earliest first;2027-01-15T07:00:00;07:33:00|07:31:00|07:30:00|07:32:00;"
    "07:30:00#3, 07:35:01#2, 07:40:02#4, 07:45:03#1;# answer=300 end=Done",
    "resume past several;2027-01-15T10:00:00;11:00:00|12:30:00|12:00:00;"
    "13:05:01#1, 13:05:07#3, 13:05:13#2;# jump=0:10800 end=Done",
    "clock set back;2027-01-15T10:00:00;15;10:15:00, 08:30:00, 08:45:00;jump=1:-7200",
    "sleep;2027-01-15T10:00:00;15;10:15:00, 13:20:06, 13:30:00, 13:45:00;jump=1:10800",
    "sleep, slots;2027-01-15T10:00:00;15;10:15:00, 13:20:06, 13:30:00, 13:45:00;"
    "top jump=1:10800 zone=America/New_York",
    "London fall;2027-10-31T00:20:00+01:00;60;01:20:00 BST, 01:20:00 GMT, 02:20:00 GMT;tz",
    "London fall, top;2027-10-31T00:20:00+01:00;60;01:00:00 BST, 01:00:00 GMT, 02:00:00 GMT;top tz",
    "London spring, top;2027-03-27T23:50:00+00:00;60;00:00:00 GMT, 02:00:00 BST, 03:00:00 BST;top "
    "tz",
    "London spring 15, top;2027-03-28T00:20:00+00:00;15;"
    "00:30:00 GMT, 00:45:00 GMT, 02:00:00 BST, 02:15:00 BST;top tz",
    "New York spring 15;2027-03-14T01:20:00-05:00;15;01:35:00 EST, 01:50:00 EST, 03:05:00 EDT;"
    "tz zone=America/New_York",
    "Kolkata 45, top;2027-03-14T00:50:00+05:30;45;01:30:00, 02:15:00, 03:00:00;top "
    "zone=Asia/Kolkata",
    "London fall, Time once;2027-10-30T22:00:00+01:00;01:30:00;01:30:00 BST;tz end=Done",
    "London fall, in the repeated hour;2027-10-31T01:40:00+01:00;01:30:00;01:30:00 GMT;tz end=Done",
    "London spring, skipped Time;2027-03-27T22:00:00+00:00;01:30:00;02:00:00 BST;tz end=Done",
    "New York spring, skipped Time;2027-03-13T22:00:00-05:00;2:30:00;03:00:00 EDT;"
    "tz end=Done zone=America/New_York",
};

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private slots:
    void alarmSequence_data()
    {
        QTest::addColumn<QStringList>("fields");
        for (const char* row : kCases)
            QTest::addRow("%s", QByteArray(row).split(';')[0].constData())
                << QString::fromUtf8(row).split(u';');
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
        Harness h(option(u"zone"_s, u"Europe/London"_s).toUtf8());
        const QString entries = fields[2].isEmpty() ? u"~60|"_s.repeated(11) + u'5' : fields[2];
        h.mode = entries.contains(u':') ? TimeMode : IntervalMode;
        h.round = options.contains(u"top"_s);
        for (const QString& entry : entries.split(u'|'))
            addEntry(h.tables[h.mode], entry);
        const QString format = u"%1hh:mm:ss%2"_s.arg(options.contains(u"day"_s) ? "d " : "",
                                                     options.contains(u"tz"_s) ? " t" : "");
        const int answerAfter = option(u"answer"_s, u"5"_s).toInt();
        const QStringList jump = option(u"jump"_s, u"-1:0"_s).split(u':');
        const auto jumpAfter = [&h, &jump](int answers) {
            if (answers != jump[0].toInt())
                return;
            h.clock.advanceSeconds(300);
            h.clock.correctWallMs(jump[1].toLongLong() * 1000);
        };

        h.startAt(fields[1]);
        jumpAfter(0);
        const QStringList expected = fields[3].split(u", "_s, Qt::SkipEmptyParts);
        // A Time run is followed until it ends, so an alarm too many shows too.
        const int follow = int(expected.size()) + (h.mode == TimeMode);
        QStringList shown;
        for (int i = 1; i <= follow && h.tickUntilAlarm(); ++i) {
            const ShownAlarm alarm = h.shown.back();
            shown << h.local(alarm.at, format) +
                         (options.contains(u"#"_s) ? u'#' + QString::number(alarm.row) : QString());
            h.clock.advanceSeconds(answerAfter);
            h.run.TimerNext(alarm.row);
            jumpAfter(i);
        }
        QCOMPARE(shown, expected);
        QCOMPARE(h.state, option(u"end"_s, u"Running"_s));
        QCOMPARE(h.minimized, h.run.isRunActive());
        // The caption shows the next alarm as the local clock reads now.
        QCOMPARE(h.caption, h.run.isRunActive()
                                ? u"Timer "_s + h.local(h.run.nextDueInstant(), u"hh:mm"_s)
                                : u"Vigiltide"_s);
    }
    void startAlarmContinueStop()
    {
        Harness h;
        h.round = true;
        addEntry(h.tables[IntervalMode], u"60"_s, u"Check Log"_s);
        h.tables[IntervalMode].setCellBackColor(65535);
        h.tables[IntervalMode].setCellForeColor(255);
        const RunControls c = h.runControls();
        // Editing controls, and the bold Start: all off while running, all on when stopped.
        const auto editable = [&c] {
            QList<bool> on;
            for (QWidget* w : {c.cmbMode, c.chkIntervalRound, static_cast<QWidget*>(c.cmdStart),
                               c.grdTimer[0], c.grdTimer[1], c.cmbSound, c.cmbSpeechEngine,
                               c.cmdSpeechSpeak, c.sldSpeechRate, c.sldSpeechVolume})
                on << w->isEnabled();
            return on << c.cmdStart->font().bold() << !c.cmdStop->isEnabled()
                      << !c.cmdStop->font().bold();
        };
        h.startAt(u"2027-01-15T06:17:45"_s);
        QCOMPARE(std::tuple(h.state, h.caption, h.status),
                 std::tuple(u"Running"_s, u"Timer 07:00"_s, u"Timer 07:00"_s));
        QCOMPARE(editable(), QList<bool>(13, false));
        QVERIFY(h.minimized && h.tickEnabled);
        QCOMPARE(h.awakeFor, u"Vigiltide alarm due at 07:00"_s);

        QVERIFY(h.tickUntilAlarm());
        const ShownAlarm alarm = h.shown.back();
        QCOMPARE(std::tuple(alarm.caption, alarm.message, alarm.back, alarm.fore),
                 std::tuple(u"Vigiltide - 07:00"_s, u"Check Log"_s, 65535, 255));
        QVERIFY(!h.tickEnabled && !h.awakeFor.isEmpty()); // no second alarm over it
        h.run.TimerNext(1);
        QCOMPARE(h.caption, u"Timer 08:00"_s);
        QCOMPARE(h.tickStarts, 3); // restarted: a full second from now to the next tick
        QCOMPARE(h.awakeFor, u"Vigiltide alarm due at 08:00"_s);

        QVERIFY(h.tickUntilAlarm());
        h.run.TimerStop();
        h.run.TimerNext(1); // Continue on an alarm left open after Stop re-arms nothing
        QCOMPARE(std::tuple(h.state, h.caption, h.status, h.awakeFor),
                 std::tuple(u"Stopped"_s, u"Vigiltide"_s, QString(), QString()));
        QCOMPARE(editable(), QList<bool>(13, true));
        QVERIFY(!h.minimized && !h.tickEnabled);
    }
};

VT_TEST_MAIN(TestRun, "Europe/London")
#include "tst_run.moc"
