// SPDX-License-Identifier: MIT
// The run: due times, the tick, arming after an answer, stopping, and the
// states of the controls, driven with a fake clock through whole runs.
#include "runharness.h"
#include "testmain.h"

#include "core/datevalue.h"

using namespace vt;

namespace
{

} // namespace

class TestRunControl : public QObject
{
    Q_OBJECT

private slots:
    void intervalFirstDueTime_data();
    void intervalFirstDueTime();
    void startShowsRunningState();
    void lateAnswerSkipsToNextSlotOfOwnSeries();
    void entriesDueTogetherFireLowerRowFirst();
    void timeModeRunEndsWithDone();
    void timeModeTwoEntriesAcrossNight();
    void timeModeEntriesDueTogetherShowOnce();
    void seriesRunsAcrossDateBoundaries_data();
    void seriesRunsAcrossDateBoundaries();
    void controlStatesFollowTheRun();
    void startWithoutEnabledEntryIsDone();
    void invalidTableStartsNothing();
    void disabledEntriesAreNeverRead();
    void answerAfterStopDoesNothing();
    void runServesTablesLongerThanTenEntries();
    void messageCarriesEntryColours();
    void modeChangeClearsStatusAndArranges();
};

void TestRunControl::intervalFirstDueTime_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<bool>("topOfHour");
    QTest::addColumn<QString>("due");
    // Started at 10:17:45 each time.
    QTest::newRow("top of hour 60") << "60" << true << "2027-01-15 11:00:00";
    QTest::newRow("top of hour 30") << "30" << true << "2027-01-15 10:30:00";
    QTest::newRow("top of hour 1440") << "1440" << true << "2027-01-16 00:00:00";
    QTest::newRow("plain 15 drops the seconds") << "15" << false << "2027-01-15 10:32:00";
    QTest::newRow("fraction 7.5") << "7.5" << false << "2027-01-15 10:24:30";
    QTest::newRow("fraction rounds to second") << "1.01" << false << "2027-01-15 10:18:01";
    QTest::newRow("blanks around") << " 15 " << false << "2027-01-15 10:32:00";
}

void TestRunControl::intervalFirstDueTime()
{
    QFETCH(QString, interval);
    QFETCH(bool, topOfHour);
    QFETCH(QString, due);
    Harness h;
    h.host.chkIntervalRound.setChecked(topOfHour);
    h.host.addEntry(IntervalMode, interval);
    h.startAt(local(2027, 1, 15, 10, 17, 45));
    QCOMPARE(h.due(1), due);
    QCOMPARE(h.alarms(1), QStringList{due});
}

void TestRunControl::startShowsRunningState()
{
    Harness h;
    h.host.chkIntervalRound.setChecked(true);
    h.host.addEntry(IntervalMode, QStringLiteral("60"));
    h.host.status = QStringLiteral("old notice");
    h.startAt(local(2027, 1, 15, 6, 17, 45));
    QCOMPARE(h.host.state, QStringLiteral("Running"));
    QCOMPARE(h.host.caption, QStringLiteral("Timer 07:00"));
    QCOMPARE(h.host.status, QStringLiteral("Timer 07:00"));
    QVERIFY(h.host.minimized);
    QVERIFY(h.host.tickEnabled);
    QVERIFY(h.run.isRunActive());
    QCOMPARE(h.host.awakeFor, QStringLiteral("Vigiltide alarm due at 07:00"));

    QVERIFY(h.tickUntilAlarm(3600));
    QVERIFY(!h.host.awakeFor.isEmpty()); // still held while the alarm shows
    QCOMPARE(h.host.messageCaption, QStringLiteral("Vigiltide - 07:00"));
    QVERIFY(!h.host.tickEnabled); // no second alarm over the first
    // Continue re-arms: next slot, new caption, tick restarted.
    const int starts = h.host.tickStarts;
    h.clock.advanceSeconds(20);
    h.run.TimerNext(1);
    QCOMPARE(h.host.caption, QStringLiteral("Timer 08:00"));
    QCOMPARE(h.host.tickStarts, starts + 1);
    QCOMPARE(h.host.awakeFor, QStringLiteral("Vigiltide alarm due at 08:00"));
    h.run.TimerStop();
    QCOMPARE(h.host.awakeFor, QString());
}

void TestRunControl::lateAnswerSkipsToNextSlotOfOwnSeries()
{
    Harness h;
    h.host.addEntry(IntervalMode, QStringLiteral("15"));
    h.startAt(local(2027, 1, 15, 10, 0, 30));
    QVERIFY(h.tickUntilAlarm(3600));
    QCOMPARE(hms(h.host.shown.back().at), QStringLiteral("2027-01-15 10:15:00"));
    h.clock.advanceSeconds(40 * 60); // answered 40 minutes late, at 10:55
    h.run.TimerNext(1);
    QCOMPARE(h.due(1), QStringLiteral("2027-01-15 11:00:00"));
    QCOMPARE(h.host.caption, QStringLiteral("Timer 11:00"));
    // Answered exactly on a slot: that slot counts as passed.
    QVERIFY(h.tickUntilAlarm(3600));
    h.clock.setLocal(local(2027, 1, 15, 11, 30, 0));
    h.run.TimerNext(1);
    QCOMPARE(h.due(1), QStringLiteral("2027-01-15 11:45:00"));
}

void TestRunControl::entriesDueTogetherFireLowerRowFirst()
{
    Harness h;
    h.host.chkIntervalRound.setChecked(true);
    h.host.addEntry(IntervalMode, QStringLiteral("60"), QStringLiteral("log"));
    h.host.addEntry(IntervalMode, QStringLiteral("15"), QStringLiteral("horizon"));
    h.startAt(local(2027, 1, 15, 10, 50, 0));
    QCOMPARE(h.alarms(4, 5), (QStringList{"2027-01-15 11:00:00", "2027-01-15 11:00:06",
                                          "2027-01-15 11:15:00", "2027-01-15 11:30:00"}));
    QCOMPARE(h.host.shown[0].row, 1);
    QCOMPARE(h.host.shown[0].message, QStringLiteral("log"));
    QCOMPARE(h.host.shown[1].row, 2);
    // The second is still the 11:00 alarm of its own series.
    QCOMPARE(h.host.shown[1].caption, QStringLiteral("Vigiltide - 11:00"));
}

void TestRunControl::timeModeRunEndsWithDone()
{
    Harness h;
    h.host.cmbMode.setCurrentIndex(TimeMode);
    h.host.addEntry(TimeMode, QStringLiteral("07:30:00"));
    h.startAt(local(2027, 1, 15, 8, 0, 0));
    QCOMPARE(h.due(1), QStringLiteral("2027-01-16 07:30:00"));
    QCOMPARE(h.host.caption, QStringLiteral("Timer 07:30"));
    QVERIFY(h.tickUntilAlarm(2 * 86400));
    QCOMPARE(hms(h.host.shown.back().at), QStringLiteral("2027-01-16 07:30:00"));
    QCOMPARE(h.host.messageCaption, QStringLiteral("Vigiltide - 07:30:00"));
    QVERIFY(!h.run.FiredFlag(1));
    h.clock.advanceSeconds(3);
    h.run.TimerNext(1);
    QVERIFY(h.run.FiredFlag(1));
    QCOMPARE(h.host.state, QStringLiteral("Done"));
    QCOMPARE(h.host.status, QString());
    QCOMPARE(h.host.caption, QStringLiteral("Vigiltide"));
    QVERIFY(!h.host.minimized);
    QVERIFY(!h.host.tickEnabled);
    QVERIFY(!h.run.isRunActive());
}

void TestRunControl::timeModeTwoEntriesAcrossNight()
{
    Harness h;
    h.host.cmbMode.setCurrentIndex(TimeMode);
    h.host.addEntry(TimeMode, QStringLiteral("07:30:00"));
    h.host.addEntry(TimeMode, QStringLiteral("20:00:00"));
    h.startAt(local(2027, 1, 15, 12, 0, 0));
    QCOMPARE(h.host.caption, QStringLiteral("Timer 20:00"));
    QCOMPARE(h.alarms(5, 10), (QStringList{"2027-01-15 20:00:00", "2027-01-16 07:30:00"}));
    QCOMPARE(h.host.shown[0].row, 2);
    QCOMPARE(h.host.shown[1].row, 1);
    QCOMPARE(h.host.state, QStringLiteral("Done"));
}

void TestRunControl::timeModeEntriesDueTogetherShowOnce()
{
    Harness h;
    h.host.cmbMode.setCurrentIndex(TimeMode);
    h.host.addEntry(TimeMode, QStringLiteral("09:00:00"), QStringLiteral("first"));
    h.host.addEntry(TimeMode, QStringLiteral("9:00"), QStringLiteral("second"));
    // Exactly at the time: it counts as still ahead today.
    h.startAt(local(2027, 1, 15, 9, 0, 0));
    QCOMPARE(h.due(1), QStringLiteral("2027-01-15 09:00:00"));
    QCOMPARE(h.alarms(5), QStringList{"2027-01-15 09:00:01"});
    QCOMPARE(h.host.shown[0].message, QStringLiteral("first"));
    QCOMPARE(h.host.state, QStringLiteral("Done"));
}

void TestRunControl::seriesRunsAcrossDateBoundaries_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<bool>("topOfHour");
    QTest::newRow("midnight") << local(2027, 1, 15, 23, 10, 10) << false;
    QTest::newRow("month end") << local(2027, 1, 31, 23, 10, 10) << true;
    QTest::newRow("february end") << local(2028, 2, 28, 23, 10, 10) << false;
    QTest::newRow("year end") << local(2026, 12, 31, 23, 10, 10) << true;
}

void TestRunControl::seriesRunsAcrossDateBoundaries()
{
    QFETCH(QDateTime, start);
    QFETCH(bool, topOfHour);
    Harness h;
    h.host.chkIntervalRound.setChecked(topOfHour);
    h.host.addEntry(IntervalMode, QStringLiteral("45"));
    h.startAt(start);
    const QStringList times = h.alarms(6);
    QCOMPARE(times.size(), 6);
    QDateTime previous;
    for (const QString& t : times) {
        const QDateTime at = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        if (previous.isValid())
            QCOMPARE(previous.secsTo(at), 45 * 60);
        previous = at;
    }
    QVERIFY(previous.date() > start.date());
}

void TestRunControl::controlStatesFollowTheRun()
{
    Harness h;
    h.host.addEntry(IntervalMode, QStringLiteral("15"));
    auto expectStopped = [&h] {
        QVERIFY(h.host.cmbMode.isEnabled());
        QVERIFY(h.host.chkIntervalRound.isEnabled());
        QVERIFY(h.host.cmdStart.isEnabled());
        QVERIFY(h.host.cmdStart.font().bold());
        QVERIFY(!h.host.cmdStop.isEnabled());
        QVERIFY(!h.host.cmdStop.font().bold());
        QVERIFY(h.host.tables[0].isEnabled());
        QVERIFY(h.host.tables[1].isEnabled());
        for (QWidget* w : std::initializer_list<QWidget*>{
                 &h.host.cmbSound, &h.host.cmbSpeechEngine, &h.host.cmdSpeechSpeak,
                 &h.host.sldSpeechRate, &h.host.sldSpeechVolume})
            QVERIFY(w->isEnabled());
        QVERIFY(!h.host.tickEnabled);
    };
    h.startAt(local(2027, 1, 15, 10, 0, 0));
    QVERIFY(!h.host.cmbMode.isEnabled());
    QVERIFY(!h.host.chkIntervalRound.isEnabled());
    QVERIFY(!h.host.cmdStart.isEnabled());
    QVERIFY(!h.host.cmdStart.font().bold());
    QVERIFY(h.host.cmdStop.isEnabled());
    QVERIFY(h.host.cmdStop.font().bold());
    QVERIFY(!h.host.tables[0].isEnabled());
    QVERIFY(!h.host.tables[1].isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{&h.host.cmbSound, &h.host.cmbSpeechEngine,
                                                      &h.host.cmdSpeechSpeak, &h.host.sldSpeechRate,
                                                      &h.host.sldSpeechVolume})
        QVERIFY(!w->isEnabled());
    QVERIFY(h.host.tickEnabled);

    h.run.TimerStop();
    expectStopped();
    QCOMPARE(h.host.state, QStringLiteral("Stopped"));
    QCOMPARE(h.host.status, QString());
    QCOMPARE(h.host.caption, QStringLiteral("Vigiltide"));
    QVERIFY(!h.host.minimized);

    // The same stopped state after a Time run ends by itself.
    h.host.cmbMode.setCurrentIndex(TimeMode);
    h.host.addEntry(TimeMode, QStringLiteral("10:30:00"));
    h.startAt(local(2027, 1, 15, 10, 0, 0));
    QCOMPARE(h.alarms(2), QStringList{"2027-01-15 10:30:00"});
    expectStopped();
    QCOMPARE(h.host.state, QStringLiteral("Done"));
    QCOMPARE(h.host.awakeFor, QString()); // the machine may sleep again
}

void TestRunControl::startWithoutEnabledEntryIsDone()
{
    Harness h;
    h.host.addEntry(IntervalMode, QString(), QString(), false);
    h.startAt(local(2027, 1, 15, 10, 0, 0));
    QCOMPARE(h.host.state, QStringLiteral("Done"));
    QCOMPARE(h.host.status, QString());
    QCOMPARE(h.host.caption, QStringLiteral("Vigiltide"));
    QVERIFY(!h.host.minimized);
    QVERIFY(!h.host.tickEnabled);
    QVERIFY(h.host.cmdStart.isEnabled());
    QVERIFY(h.host.cmdStart.font().bold());
}

void TestRunControl::invalidTableStartsNothing()
{
    Harness h;
    h.host.addEntry(IntervalMode, QStringLiteral("0"));
    h.host.caption = QStringLiteral("before");
    h.startAt(local(2027, 1, 15, 10, 0, 0));
    QCOMPARE(h.host.status, QStringLiteral("Interval Error, 0"));
    QCOMPARE(h.host.beeps, 1);
    QCOMPARE(h.host.state, QStringLiteral("Stopped"));
    QCOMPARE(h.host.caption, QStringLiteral("before"));
    QVERIFY(!h.host.minimized);
    QVERIFY(!h.host.tickEnabled);
    QVERIFY(h.host.cmdStart.isEnabled());
    QVERIFY(!h.run.isRunActive());
}

void TestRunControl::disabledEntriesAreNeverRead()
{
    Harness h;
    h.host.addEntry(IntervalMode, QStringLiteral("garbage"), QString(), false);
    h.host.addEntry(IntervalMode, QStringLiteral("20"));
    // A bad entry in the other table does not matter either.
    h.host.addEntry(TimeMode, QStringLiteral("99:99:99"), QString());
    h.startAt(local(2027, 1, 15, 10, 0, 0));
    QCOMPARE(h.host.state, QStringLiteral("Running"));
    QCOMPARE(h.alarms(2), (QStringList{"2027-01-15 10:20:00", "2027-01-15 10:40:00"}));
    for (const ShownAlarm& a : h.host.shown)
        QCOMPARE(a.row, 2);
}

void TestRunControl::answerAfterStopDoesNothing()
{
    Harness h;
    h.host.addEntry(IntervalMode, QStringLiteral("15"));
    h.startAt(local(2027, 1, 15, 10, 0, 0));
    QVERIFY(h.tickUntilAlarm(3600));
    // The run is stopped from the main window while the alarm is still open;
    // Continue on the alarm then must not re-arm a run nobody is watching.
    h.run.TimerStop();
    h.run.TimerNext(1);
    QVERIFY(!h.host.tickEnabled);
    QCOMPARE(h.host.caption, QStringLiteral("Vigiltide"));
    QCOMPARE(h.host.status, QString());
    QCOMPARE(h.host.state, QStringLiteral("Stopped"));
    QVERIFY(h.host.cmdStart.isEnabled());
}

void TestRunControl::runServesTablesLongerThanTenEntries()
{
    Harness h;
    for (int i = 0; i < 11; ++i)
        h.host.addEntry(IntervalMode, QStringLiteral("60"), QString(), false);
    h.host.addEntry(IntervalMode, QStringLiteral("5"), QStringLiteral("row twelve"));
    h.startAt(local(2027, 1, 15, 10, 0, 0));
    QCOMPARE(h.alarms(1), QStringList{"2027-01-15 10:05:00"});
    QCOMPARE(h.host.shown[0].row, 12);
    QCOMPARE(h.host.shown[0].message, QStringLiteral("row twelve"));
}

void TestRunControl::messageCarriesEntryColours()
{
    Harness h;
    h.host.addEntry(IntervalMode, QStringLiteral("15"), QStringLiteral("Time's Up, Check Log"));
    h.host.tables[0].setRow(1);
    h.host.tables[0].setCol(MessageColumn);
    h.host.tables[0].setCellBackColor(65535);
    h.host.tables[0].setCellForeColor(255);
    h.startAt(local(2027, 1, 15, 10, 0, 0));
    QVERIFY(h.tickUntilAlarm(3600));
    QCOMPARE(h.host.shown[0].message, QStringLiteral("Time's Up, Check Log"));
    QCOMPARE(h.host.shown[0].back, 65535);
    QCOMPARE(h.host.shown[0].fore, 255);
}

void TestRunControl::modeChangeClearsStatusAndArranges()
{
    Harness h;
    h.host.status = QStringLiteral("Interval Error, 0");
    h.run.ModeChanged();
    QCOMPARE(h.host.status, QString());
    QCOMPARE(h.host.arrangements, 1);
}

VT_TEST_MAIN(TestRunControl, "Europe/London")
#include "tst_runcontrol.moc"
