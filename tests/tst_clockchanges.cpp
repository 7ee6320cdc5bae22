// SPDX-License-Identifier: MIT
// A run through daylight-saving nights, a clock set back and a machine that
// slept, in three time zones: the alarms a watchkeeper expects, listed as the
// local clock showed them (with its offset, so a repeated hour reads plainly).
#include "runharness.h"
#include "testmain.h"

using namespace vt;

namespace
{

constexpr int kAnswerAfter = 5; // seconds the watchkeeper takes to answer

QTimeZone zone(const char* name)
{
    return QTimeZone(QByteArray(name));
}

// Real gaps between alarms: never less than the interval, never more than the
// interval and the time to answer.
void checkGaps(const QList<qint64>& instants, int minutes)
{
    for (int i = 1; i < instants.size(); ++i) {
        const qint64 gap = instants[i] - instants[i - 1];
        QVERIFY2(gap >= minutes * 60, qPrintable(QStringLiteral("gap %1 s").arg(gap)));
        QVERIFY2(gap <= minutes * 60 + kAnswerAfter,
                 qPrintable(QStringLiteral("gap %1 s").arg(gap)));
    }
}

} // namespace

class TestClockChanges : public QObject
{
    Q_OBJECT

private slots:
    void intervalsAcrossDaylightSaving_data();
    void intervalsAcrossDaylightSaving();
    void timeEntriesOnceOnChangeNights_data();
    void timeEntriesOnceOnChangeNights();
    void clockSetBackTwoHours_data();
    void clockSetBackTwoHours();
    void threeHourSleep_data();
    void threeHourSleep();
};

void TestClockChanges::intervalsAcrossDaylightSaving_data()
{
    QTest::addColumn<QString>("zoneName");
    QTest::addColumn<QString>("start"); // as the local clock shows it, with its offset
    QTest::addColumn<int>("minutes");
    QTest::addColumn<bool>("topOfHour");
    QTest::addColumn<QStringList>("expected");

    // London falls back at 02:00 BST to 01:00 GMT on 31 October 2027.
    QTest::newRow("London fall 60")
        << "Europe/London"
        << "2027-10-31T00:20:00+01:00" << 60 << false
        << QStringList{"2027-10-31T01:20:00+01:00", "2027-10-31T01:20:00+00:00",
                       "2027-10-31T02:20:00+00:00", "2027-10-31T03:20:00+00:00"};
    QTest::newRow("London fall 60 top")
        << "Europe/London"
        << "2027-10-31T00:20:00+01:00" << 60 << true
        << QStringList{"2027-10-31T01:00:00+01:00", "2027-10-31T01:00:00+00:00",
                       "2027-10-31T02:00:00+00:00", "2027-10-31T03:00:00+00:00"};
    QTest::newRow("London fall 15")
        << "Europe/London"
        << "2027-10-31T01:20:00+01:00" << 15 << false
        << QStringList{"2027-10-31T01:35:00+01:00", "2027-10-31T01:50:00+01:00",
                       "2027-10-31T01:05:00+00:00", "2027-10-31T01:20:00+00:00"};
    QTest::newRow("London fall 15 top")
        << "Europe/London"
        << "2027-10-31T01:20:00+01:00" << 15 << true
        << QStringList{"2027-10-31T01:30:00+01:00", "2027-10-31T01:45:00+01:00",
                       "2027-10-31T01:00:00+00:00", "2027-10-31T01:15:00+00:00",
                       "2027-10-31T01:30:00+00:00"};
    QTest::newRow("London fall 45")
        << "Europe/London"
        << "2027-10-31T00:50:00+01:00" << 45 << false
        << QStringList{"2027-10-31T01:35:00+01:00", "2027-10-31T01:20:00+00:00",
                       "2027-10-31T02:05:00+00:00", "2027-10-31T02:50:00+00:00"};
    // Slots of 45 minutes counted from midnight: 00:45, 01:30, 02:15. The
    // clock shows 01:30 twice, an hour apart, with no slot between.
    QTest::newRow("London fall 45 top")
        << "Europe/London"
        << "2027-10-31T00:50:00+01:00" << 45 << true
        << QStringList{"2027-10-31T01:30:00+01:00", "2027-10-31T01:30:00+00:00",
                       "2027-10-31T02:15:00+00:00", "2027-10-31T03:00:00+00:00"};

    // London springs forward at 01:00 GMT to 02:00 BST on 28 March 2027.
    QTest::newRow("London spring 60")
        << "Europe/London"
        << "2027-03-28T00:20:00+00:00" << 60 << false
        << QStringList{"2027-03-28T02:20:00+01:00", "2027-03-28T03:20:00+01:00",
                       "2027-03-28T04:20:00+01:00"};
    QTest::newRow("London spring 60 top")
        << "Europe/London"
        << "2027-03-27T23:50:00+00:00" << 60 << true
        << QStringList{"2027-03-28T00:00:00+00:00", "2027-03-28T02:00:00+01:00",
                       "2027-03-28T03:00:00+01:00"};
    QTest::newRow("London spring 15")
        << "Europe/London"
        << "2027-03-28T00:20:00+00:00" << 15 << false
        << QStringList{"2027-03-28T00:35:00+00:00", "2027-03-28T00:50:00+00:00",
                       "2027-03-28T02:05:00+01:00", "2027-03-28T02:20:00+01:00"};
    // The slot of 01:00 is skipped by the clock: due at the jump, which shows 02:00.
    QTest::newRow("London spring 15 top")
        << "Europe/London"
        << "2027-03-28T00:20:00+00:00" << 15 << true
        << QStringList{"2027-03-28T00:30:00+00:00", "2027-03-28T00:45:00+00:00",
                       "2027-03-28T02:00:00+01:00", "2027-03-28T02:15:00+01:00"};
    QTest::newRow("London spring 45")
        << "Europe/London"
        << "2027-03-27T23:50:00+00:00" << 45 << false
        << QStringList{"2027-03-28T00:35:00+00:00", "2027-03-28T02:20:00+01:00",
                       "2027-03-28T03:05:00+01:00"};
    // 01:30 never shows; the next slot the clock shows is 02:15, half an hour on.
    QTest::newRow("London spring 45 top")
        << "Europe/London"
        << "2027-03-28T00:20:00+00:00" << 45 << true
        << QStringList{"2027-03-28T00:45:00+00:00", "2027-03-28T02:15:00+01:00",
                       "2027-03-28T03:00:00+01:00"};

    // New York falls back at 02:00 EDT to 01:00 EST on 7 November 2027.
    QTest::newRow("New York fall 60")
        << "America/New_York"
        << "2027-11-07T00:20:00-04:00" << 60 << false
        << QStringList{"2027-11-07T01:20:00-04:00", "2027-11-07T01:20:00-05:00",
                       "2027-11-07T02:20:00-05:00"};
    QTest::newRow("New York fall 60 top")
        << "America/New_York"
        << "2027-11-07T00:20:00-04:00" << 60 << true
        << QStringList{"2027-11-07T01:00:00-04:00", "2027-11-07T01:00:00-05:00",
                       "2027-11-07T02:00:00-05:00"};
    QTest::newRow("New York fall 15 top")
        << "America/New_York"
        << "2027-11-07T01:20:00-04:00" << 15 << true
        << QStringList{"2027-11-07T01:30:00-04:00", "2027-11-07T01:45:00-04:00",
                       "2027-11-07T01:00:00-05:00", "2027-11-07T01:15:00-05:00"};
    QTest::newRow("New York fall 45")
        << "America/New_York"
        << "2027-11-07T00:50:00-04:00" << 45 << false
        << QStringList{"2027-11-07T01:35:00-04:00", "2027-11-07T01:20:00-05:00",
                       "2027-11-07T02:05:00-05:00"};

    // New York springs forward at 02:00 EST to 03:00 EDT on 14 March 2027.
    QTest::newRow("New York spring 60 top")
        << "America/New_York"
        << "2027-03-14T00:50:00-05:00" << 60 << true
        << QStringList{"2027-03-14T01:00:00-05:00", "2027-03-14T03:00:00-04:00",
                       "2027-03-14T04:00:00-04:00"};
    QTest::newRow("New York spring 15")
        << "America/New_York"
        << "2027-03-14T01:20:00-05:00" << 15 << false
        << QStringList{"2027-03-14T01:35:00-05:00", "2027-03-14T01:50:00-05:00",
                       "2027-03-14T03:05:00-04:00", "2027-03-14T03:20:00-04:00"};
    QTest::newRow("New York spring 15 top")
        << "America/New_York"
        << "2027-03-14T01:20:00-05:00" << 15 << true
        << QStringList{"2027-03-14T01:30:00-05:00", "2027-03-14T01:45:00-05:00",
                       "2027-03-14T03:00:00-04:00", "2027-03-14T03:15:00-04:00"};
    QTest::newRow("New York spring 45 top")
        << "America/New_York"
        << "2027-03-14T01:20:00-05:00" << 45 << true
        << QStringList{"2027-03-14T01:30:00-05:00", "2027-03-14T03:00:00-04:00",
                       "2027-03-14T03:45:00-04:00"};

    // Kolkata keeps one offset all year: the same nights are plain nights.
    QTest::newRow("Kolkata 60 top")
        << "Asia/Kolkata"
        << "2027-10-31T00:20:00+05:30" << 60 << true
        << QStringList{"2027-10-31T01:00:00+05:30", "2027-10-31T02:00:00+05:30",
                       "2027-10-31T03:00:00+05:30"};
    QTest::newRow("Kolkata 45 top")
        << "Asia/Kolkata"
        << "2027-03-14T00:50:00+05:30" << 45 << true
        << QStringList{"2027-03-14T01:30:00+05:30", "2027-03-14T02:15:00+05:30",
                       "2027-03-14T03:00:00+05:30"};
    QTest::newRow("Kolkata 15") << "Asia/Kolkata"
                                << "2027-11-07T01:20:30+05:30" << 15 << false
                                << QStringList{"2027-11-07T01:35:00+05:30",
                                               "2027-11-07T01:50:00+05:30",
                                               "2027-11-07T02:05:00+05:30"};
}

void TestClockChanges::intervalsAcrossDaylightSaving()
{
    QFETCH(QString, zoneName);
    QFETCH(QString, start);
    QFETCH(int, minutes);
    QFETCH(bool, topOfHour);
    QFETCH(QStringList, expected);

    Harness h(zone(qPrintable(zoneName)));
    h.host.chkIntervalRound.setChecked(topOfHour);
    h.host.addEntry(IntervalMode, QString::number(minutes));
    h.startAt(QDateTime::fromString(start, Qt::ISODate));
    QCOMPARE(h.zonedAlarms(int(expected.size()), kAnswerAfter), expected);
    // On slots of 45 minutes the local clock itself makes a gap of 30 or 60
    // minutes; every other series keeps real time.
    if (!(topOfHour && 60 % minutes != 0))
        checkGaps(h.realSeconds, minutes);
    // The captions show the local clock.
    const QDateTime next =
        QDateTime::fromSecsSinceEpoch(h.run.nextDueInstant(), h.clock.timeZone());
    QCOMPARE(h.host.caption, QStringLiteral("Timer ") + next.toString(QStringLiteral("hh:mm")));
}

void TestClockChanges::timeEntriesOnceOnChangeNights_data()
{
    QTest::addColumn<QString>("zoneName");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("London fall, 01:30 shows twice: once")
        << "Europe/London"
        << "2027-10-30T22:00:00+01:00"
        << "01:30:00" << QStringList{"2027-10-31T01:30:00+01:00"};
    QTest::newRow("London spring, 01:30 skipped: at the jump")
        << "Europe/London"
        << "2027-03-27T22:00:00+00:00"
        << "01:30:00" << QStringList{"2027-03-28T02:00:00+01:00"};
    // Started between the two showings: the clock has still to show it once.
    QTest::newRow("London fall, started in the repeated hour")
        << "Europe/London"
        << "2027-10-31T01:40:00+01:00"
        << "01:30:00" << QStringList{"2027-10-31T01:30:00+00:00"};
    QTest::newRow("New York fall, 01:30 once")
        << "America/New_York"
        << "2027-11-06T22:00:00-04:00"
        << "01:30:00" << QStringList{"2027-11-07T01:30:00-04:00"};
    QTest::newRow("New York spring, 01:30 before the jump")
        << "America/New_York"
        << "2027-03-13T22:00:00-05:00"
        << "01:30:00" << QStringList{"2027-03-14T01:30:00-05:00"};
    QTest::newRow("New York spring, 02:30 skipped")
        << "America/New_York"
        << "2027-03-13T22:00:00-05:00"
        << "2:30:00" << QStringList{"2027-03-14T03:00:00-04:00"};
    QTest::newRow("Kolkata, 01:30") << "Asia/Kolkata"
                                    << "2027-10-30T22:00:00+05:30"
                                    << "01:30:00" << QStringList{"2027-10-31T01:30:00+05:30"};
}

void TestClockChanges::timeEntriesOnceOnChangeNights()
{
    QFETCH(QString, zoneName);
    QFETCH(QString, start);
    QFETCH(QString, time);
    QFETCH(QStringList, expected);

    Harness h(zone(qPrintable(zoneName)));
    h.host.cmbMode.setCurrentIndex(TimeMode);
    h.host.addEntry(TimeMode, time);
    h.startAt(QDateTime::fromString(start, Qt::ISODate));
    QCOMPARE(h.zonedAlarms(3, kAnswerAfter, 2 * 86400), expected);
    QCOMPARE(h.host.state, QStringLiteral("Done"));
}

void TestClockChanges::clockSetBackTwoHours_data()
{
    QTest::addColumn<QString>("zoneName");
    QTest::addColumn<bool>("topOfHour");
    QTest::newRow("London") << "Europe/London" << false;
    QTest::newRow("London top") << "Europe/London" << true;
    QTest::newRow("New York") << "America/New_York" << false;
    QTest::newRow("Kolkata top") << "Asia/Kolkata" << true;
}

void TestClockChanges::clockSetBackTwoHours()
{
    QFETCH(QString, zoneName);
    QFETCH(bool, topOfHour);
    Harness h(zone(qPrintable(zoneName)));
    h.host.chkIntervalRound.setChecked(topOfHour);
    h.host.addEntry(IntervalMode, QStringLiteral("15"));
    h.startAt(QDate(2027, 1, 15), QTime(10, 0));
    const auto shownAt = [&](int i) {
        return QDateTime::fromSecsSinceEpoch(h.instants[i], h.clock.timeZone())
            .toString(QStringLiteral("hh:mm:ss"));
    };
    QCOMPARE(h.alarms(1, kAnswerAfter).size(), 1);
    QCOMPARE(shownAt(0), QStringLiteral("10:15:00"));
    h.clock.advanceSeconds(5 * 60 - kAnswerAfter); // 10:20
    h.clock.correctWallMs(-2 * 3600 * 1000);       // someone sets it to 08:20
    QVERIFY(h.tickUntilAlarm(3600));
    // The series follows the clock back: no hour and a half of silence, and
    // the caption showed the next alarm by the clock as it now reads.
    QCOMPARE(h.host.messageCaption, QStringLiteral("Vigiltide - 08:30"));
    h.clock.advanceSeconds(kAnswerAfter);
    h.run.TimerNext(1);
    QVERIFY(h.tickUntilAlarm(3600));
    QCOMPARE(shownAt(1), QStringLiteral("08:30:00"));
    QCOMPARE(shownAt(2), QStringLiteral("08:45:00"));
    checkGaps(h.realSeconds, 15);
}

void TestClockChanges::threeHourSleep_data()
{
    QTest::addColumn<QString>("zoneName");
    QTest::addColumn<bool>("topOfHour");
    QTest::newRow("London") << "Europe/London" << false;
    QTest::newRow("New York top") << "America/New_York" << true;
    QTest::newRow("Kolkata") << "Asia/Kolkata" << false;
}

void TestClockChanges::threeHourSleep()
{
    QFETCH(QString, zoneName);
    QFETCH(bool, topOfHour);
    Harness h(zone(qPrintable(zoneName)));
    h.host.chkIntervalRound.setChecked(topOfHour);
    h.host.addEntry(IntervalMode, QStringLiteral("15"));
    h.startAt(QDate(2027, 1, 15), QTime(10, 0));
    QVERIFY(h.tickUntilAlarm(3600)); // 10:15
    h.clock.advanceSeconds(kAnswerAfter);
    h.run.TimerNext(1);
    h.clock.advanceSeconds(5 * 60 - kAnswerAfter);
    h.clock.correctWallMs(3 * 3600 * 1000); // asleep from 10:20 to 13:20
    // The overdue 10:30 alarm comes at once, then the series goes on from
    // the next slot, the missed ones skipped.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(h.tickUntilAlarm(3600));
        h.clock.advanceSeconds(kAnswerAfter);
        h.run.TimerNext(1);
    }
    QStringList shown;
    for (qint64 instant : std::as_const(h.instants))
        shown << QDateTime::fromSecsSinceEpoch(instant, h.clock.timeZone())
                     .toString(QStringLiteral("hh:mm:ss"));
    QCOMPARE(shown, (QStringList{"10:15:00", "13:20:01", "13:30:00", "13:45:00"}));

    // Time entries: one overdue during the sleep fires once on waking.
    Harness t(zone(qPrintable(zoneName)));
    t.host.cmbMode.setCurrentIndex(TimeMode);
    t.host.addEntry(TimeMode, QStringLiteral("12:00:00"));
    t.startAt(QDate(2027, 1, 15), QTime(10, 0));
    t.clock.correctWallMs(3 * 3600 * 1000);
    QCOMPARE(t.alarms(3, kAnswerAfter).size(), 1);
    QCOMPARE(t.host.state, QStringLiteral("Done"));
}

VT_TEST_MAIN(TestClockChanges, "Europe/London")
#include "tst_clockchanges.moc"
