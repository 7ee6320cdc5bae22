// SPDX-License-Identifier: MIT
// The run on a fake clock: which alarms a watchkeeper sees, and when, for both
// timer modes, late answers, daylight-saving nights, a clock set back and a
// machine that slept; and what Start, an alarm, Continue and Stop show.
#include "support.h"

using namespace vt;
using namespace Qt::StringLiterals;

class TestRun : public QObject
{
    Q_OBJECT

private slots:
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
        const QStringList back = option(u"back"_s, u"-1:0"_s).split(u':');
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
            if (i == back[0].toInt())
                h.clock.correctWallMs(back[1].toLongLong() * 1000);
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
        const AlarmId stale = h.open.value();
        h.run.TimerStop(); // from anywhere: the alarm goes with the run
        QVERIFY(!h.open);
        QCOMPARE(std::tuple(h.state, h.caption, h.status, h.awakeFor),
                 std::tuple(u"Stopped"_s, u"Vigiltide"_s, QString(), QString()));
        QCOMPARE(editable(), QList<bool>(13, true));
        QVERIFY(!h.minimized && !h.tickEnabled);
        // The old alarm's answers never reach the next run.
        h.run.StartRun();
        h.run.answerContinue(stale);
        h.run.answerStop(stale);
        QCOMPARE(std::tuple(h.state, h.caption), std::tuple(u"Running"_s, u"Timer 09:00"_s));
        h.run.TimerStop();
        QVERIFY(!h.minimized && !h.tickEnabled);
    }
};

VT_TEST_MAIN(TestRun, "Europe/London")
#include "tst_run.moc"
