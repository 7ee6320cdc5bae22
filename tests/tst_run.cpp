// SPDX-License-Identifier: MIT
// The run on a fake clock: which alarms a watchkeeper sees, and when, for both
// timer modes, late answers, daylight-saving nights, a clock set back and a
// machine that slept; and what Start, an alarm, Continue and Stop show.
#include "support.h"

using namespace vt;

namespace
{

struct Case {
    const char* name;
    const char* start;    // as the local clock shows it (ISO, with the offset on change nights)
    const char* entries;  // "|" between entries; "~" before a disabled one; a colon: Time mode
    const char* expected; // ", " between the alarms shown, written in `format`
    const char* format = "hh:mm:ss"; // a trailing "#" adds the entry's row
    bool top = false;                // Top of Hour
    int answerAfter = 5;             // seconds the watchkeeper takes to answer
    int jumpAfter = -1;              // after so many answers (0: after Start) 300 s pass, then the
    int jump = 0; // wall clock moves by this many seconds (a correction or a sleep)
    const char* end = "Running";
    const char* zone = "Europe/London";
};

const QString kElevenDisabled = QStringLiteral("~60|").repeated(11);

const Case kCases[] = {
    // Interval mode: the first alarm, started at 10:17:45.
    {"top of hour 60", "2027-01-15T10:17:45", "60", "11:00:00, 12:00:00", "hh:mm:ss", true},
    {"top of hour 1440", "2027-01-15T10:17:45", "1440", "16 00:00:00", "d hh:mm:ss", true},
    {"seconds dropped", "2027-01-15T10:17:45", "15", "10:32:00, 10:47:00"},
    {"fraction of a minute", "2027-01-15T10:17:45", "7.5", "10:24:30, 10:32:00"},
    {"fraction to the second", "2027-01-15T10:17:45", "1.01", "10:18:01"},
    // Interval mode: the series.
    {"due together: lower row first", "2027-01-15T10:50:00", "60|15",
     "11:00:00#1, 11:00:06#2, 11:15:00#2, 11:30:00#2", "hh:mm:ss#", true},
    {"late answer skips missed slots", "2027-01-15T10:00:30", "15", "10:15:00, 11:00:00",
     "hh:mm:ss", false, 40 * 60},
    {"answer on a slot passes it", "2027-01-15T10:00:30", "15", "10:15:00, 10:45:00", "hh:mm:ss",
     false, 15 * 60},
    {"midnight", "2027-01-15T23:10:10", "45", "15 23:55:00, 16 00:40:00, 16 01:25:00", "d hh:mm:ss",
     false, 0},
    {"year end on slots", "2026-12-31T23:10:10", "45", "31 23:15:00, 1 00:00:00, 1 00:45:00",
     "d hh:mm:ss", true, 0},
    {"no enabled entry", "2027-01-15T10:00:00", "~15", "", "hh:mm:ss", false, 5, -1, 0, "Done"},
    {"invalid entry starts nothing", "2027-01-15T10:00:00", "0|15", "", "hh:mm:ss", false, 5, -1, 0,
     "Stopped"},
    {"disabled entries never read", "2027-01-15T10:00:00", "~garbage|20", "10:20:00#2, 10:40:00#2",
     "hh:mm:ss#"},
    {"rows past ten", "2027-01-15T10:00:00", "", "10:05:00#12", "hh:mm:ss#"},
    // Time mode: each entry once, then "Done".
    {"tomorrow when passed", "2027-01-15T08:00:00", "07:30:00", "16 07:30:00", "d hh:mm:ss", false,
     5, -1, 0, "Done"},
    {"two across the night", "2027-01-15T12:00:00", "07:30:00|20:00:00",
     "15 20:00:00#2, 16 07:30:00#1", "d hh:mm:ss#", false, 5, -1, 0, "Done"},
    {"due at the second of Start", "2027-01-15T09:00:00", "09:00:00|9:00", "09:00:01#1, 09:00:02#2",
     "hh:mm:ss#", false, 0, -1, 0, "Done"},
    {"late answer shows what fell due", "2027-01-15T07:00:00", "07:30:00|07:31:00",
     "07:30:00#1, 07:32:01#2", "hh:mm:ss#", false, 120, -1, 0, "Done"},
    {"due in one open alarm: earliest first", "2027-01-15T07:00:00",
     "07:33:00|07:31:00|07:30:00|07:32:00", "07:30:00#3, 07:35:01#2, 07:40:02#4, 07:45:03#1",
     "hh:mm:ss#", false, 300, -1, 0, "Done"},
    {"resume past several", "2027-01-15T10:00:00", "11:00:00|12:30:00|12:00:00",
     "13:05:01#1, 13:05:07#3, 13:05:13#2", "hh:mm:ss#", false, 5, 0, 3 * 3600, "Done"},
    // A clock set back, a machine asleep for three hours.
    {"clock set back", "2027-01-15T10:00:00", "15", "10:15:00, 08:30:00, 08:45:00", "hh:mm:ss",
     false, 5, 1, -2 * 3600},
    {"sleep", "2027-01-15T10:00:00", "15", "10:15:00, 13:20:06, 13:30:00, 13:45:00", "hh:mm:ss",
     false, 5, 1, 3 * 3600},
    {"sleep, slots", "2027-01-15T10:00:00", "15", "10:15:00, 13:20:06, 13:30:00, 13:45:00",
     "hh:mm:ss", true, 5, 1, 3 * 3600, "Running", "America/New_York"},
    // Daylight-saving nights: real time for plain intervals, the local clock's
    // slots for Top of Hour, each Time entry once.
    {"London fall 60", "2027-10-31T00:20:00+01:00", "60",
     "01:20:00 BST, 01:20:00 GMT, 02:20:00 GMT", "hh:mm:ss t"},
    {"London fall 60 top", "2027-10-31T00:20:00+01:00", "60",
     "01:00:00 BST, 01:00:00 GMT, 02:00:00 GMT", "hh:mm:ss t", true},
    {"London fall 45 top", "2027-10-31T00:50:00+01:00", "45",
     "01:30:00 BST, 01:30:00 GMT, 02:15:00 GMT", "hh:mm:ss t", true},
    {"London spring 60 top", "2027-03-27T23:50:00+00:00", "60",
     "00:00:00 GMT, 02:00:00 BST, 03:00:00 BST", "hh:mm:ss t", true},
    {"London spring 15 top", "2027-03-28T00:20:00+00:00", "15",
     "00:30:00 GMT, 00:45:00 GMT, 02:00:00 BST, 02:15:00 BST", "hh:mm:ss t", true},
    {"New York fall 60 top", "2027-11-07T00:20:00-04:00", "60",
     "01:00:00 EDT, 01:00:00 EST, 02:00:00 EST", "hh:mm:ss t", true, 5, -1, 0, "Running",
     "America/New_York"},
    {"New York spring 15", "2027-03-14T01:20:00-05:00", "15",
     "01:35:00 EST, 01:50:00 EST, 03:05:00 EDT", "hh:mm:ss t", false, 5, -1, 0, "Running",
     "America/New_York"},
    {"Kolkata 45 top", "2027-03-14T00:50:00+05:30", "45", "01:30:00, 02:15:00, 03:00:00",
     "hh:mm:ss", true, 5, -1, 0, "Running", "Asia/Kolkata"},
    {"London fall, time once", "2027-10-30T22:00:00+01:00", "01:30:00", "01:30:00 BST",
     "hh:mm:ss t", false, 5, -1, 0, "Done"},
    {"London fall, started in the repeated hour", "2027-10-31T01:40:00+01:00", "01:30:00",
     "01:30:00 GMT", "hh:mm:ss t", false, 5, -1, 0, "Done"},
    {"London spring, skipped time at the jump", "2027-03-27T22:00:00+00:00", "01:30:00",
     "02:00:00 BST", "hh:mm:ss t", false, 5, -1, 0, "Done"},
    {"New York spring, skipped time at the jump", "2027-03-13T22:00:00-05:00", "2:30:00",
     "03:00:00 EDT", "hh:mm:ss t", false, 5, -1, 0, "Done", "America/New_York"},
};

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private slots:
    void alarmSequence_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }
    void alarmSequence()
    {
        QFETCH(int, index);
        const Case& c = kCases[index];
        Harness h(c.zone);
        QString entries = QString::fromLatin1(c.entries);
        if (entries.isEmpty())
            entries = kElevenDisabled + QStringLiteral("5");
        h.mode = entries.contains(QLatin1Char(':')) ? TimeMode : IntervalMode;
        h.round = c.top;
        for (const QString& entry : entries.split(QLatin1Char('|')))
            addEntry(h.tables[h.mode], entry);
        QString format = QString::fromLatin1(c.format);
        const bool withRow = format.endsWith(QLatin1Char('#'));
        if (withRow)
            format.chop(1);
        const auto jump = [&h, &c] {
            h.clock.advanceSeconds(300);
            h.clock.correctWallMs(c.jump * 1000LL);
        };

        h.startAt(QString::fromLatin1(c.start));
        if (c.jumpAfter == 0)
            jump();
        const QStringList expected =
            QString::fromLatin1(c.expected).split(QStringLiteral(", "), Qt::SkipEmptyParts);
        // A Time run is followed until it ends, so an alarm too many shows too.
        const int follow = int(expected.size()) + (h.mode == TimeMode);
        QStringList shown;
        for (int i = 1; i <= follow && h.tickUntilAlarm(); ++i) {
            const ShownAlarm alarm = h.shown.back();
            shown << h.local(alarm.at, format) +
                         (withRow ? QLatin1Char('#') + QString::number(alarm.row) : QString());
            h.clock.advanceSeconds(c.answerAfter);
            h.run.TimerNext(alarm.row);
            if (i == c.jumpAfter)
                jump();
        }
        QCOMPARE(shown, expected);
        QCOMPARE(h.state, QString::fromLatin1(c.end));
        QCOMPARE(h.minimized, h.run.isRunActive());
        // The caption shows the next alarm as the local clock reads now.
        const QString caption = h.run.isRunActive()
                                    ? QStringLiteral("Timer ") +
                                          h.local(h.run.nextDueInstant(), QStringLiteral("hh:mm"))
                                    : QStringLiteral("Vigiltide");
        QCOMPARE(h.caption, caption);
    }
    void startAlarmContinueStop()
    {
        Harness h;
        h.round = true;
        addEntry(h.tables[IntervalMode], QStringLiteral("60"), QStringLiteral("Check Log"));
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
        h.startAt(QStringLiteral("2027-01-15T06:17:45"));
        QCOMPARE(std::tuple(h.state, h.caption, h.status),
                 std::tuple(QStringLiteral("Running"), QStringLiteral("Timer 07:00"),
                            QStringLiteral("Timer 07:00")));
        QCOMPARE(editable(), QList<bool>(13, false));
        QVERIFY(h.minimized && h.tickEnabled);
        QCOMPARE(h.awakeFor, QStringLiteral("Vigiltide alarm due at 07:00"));

        QVERIFY(h.tickUntilAlarm());
        const ShownAlarm alarm = h.shown.back();
        QCOMPARE(std::tuple(alarm.caption, alarm.message, alarm.back, alarm.fore),
                 std::tuple(QStringLiteral("Vigiltide - 07:00"), QStringLiteral("Check Log"), 65535,
                            255));
        QVERIFY(!h.tickEnabled && !h.awakeFor.isEmpty()); // no second alarm over it
        h.run.TimerNext(1);
        QCOMPARE(h.caption, QStringLiteral("Timer 08:00"));
        QCOMPARE(h.tickStarts, 3); // restarted: a full second from now to the next tick
        QCOMPARE(h.awakeFor, QStringLiteral("Vigiltide alarm due at 08:00"));

        QVERIFY(h.tickUntilAlarm());
        h.run.TimerStop();
        h.run.TimerNext(1); // Continue on an alarm left open after Stop re-arms nothing
        QCOMPARE(std::tuple(h.state, h.caption, h.status, h.awakeFor),
                 std::tuple(QStringLiteral("Stopped"), QStringLiteral("Vigiltide"), QString(),
                            QString()));
        QCOMPARE(editable(), QList<bool>(13, true));
        QVERIFY(!h.minimized && !h.tickEnabled);
    }
};

VT_TEST_MAIN(TestRun, "Europe/London")
#include "tst_run.moc"
