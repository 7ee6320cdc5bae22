// SPDX-License-Identifier: MIT
// A run with a fake host and a fake clock that ticks once a second and answers
// each alarm after a delay, as a watchkeeper would; a day of alarms runs in
// milliseconds.
#pragma once

#include "fakehost.h"

#include "core/datevalue.h"

#include <QTimeZone>

inline QDateTime local(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

inline QString hms(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

struct Harness {
    FakeHost host;
    vt::FakeClock clock;
    vt::RunControl run{host, clock};
    // Every alarm shown: when, as the wall clock says (seconds since the Unix
    // epoch), and on the monotonic clock (real time, whatever the wall clock did).
    QList<qint64> instants;
    QList<qint64> realSeconds;

    explicit Harness(const QTimeZone& zone = QTimeZone::systemTimeZone())
    {
        host.clock = &clock;
        clock.setZone(zone);
    }

    void startAt(const QDateTime& t)
    {
        clock.setLocal(t);
        run.StartRun();
    }

    // Starts at a date and time as the clock's own zone shows it.
    void startAt(const QDate& date, const QTime& time)
    {
        clock.setLocal(date, time);
        run.StartRun();
    }

    // Ticks second by second until an alarm shows or the limit passes.
    bool tickUntilAlarm(qint64 limitSeconds)
    {
        const std::size_t before = host.shown.size();
        for (qint64 s = 0; s < limitSeconds && host.tickEnabled; ++s) {
            clock.advanceSeconds(1);
            run.CheckDueAlarms();
            if (host.shown.size() > before) {
                instants << clock.nowSeconds();
                realSeconds << clock.monotonicMs() / 1000;
                return true;
            }
        }
        return false;
    }

    // Follows the run for a number of alarms, answering Continue after
    // `answerAfter` seconds; gives each alarm's time as local text.
    QStringList alarms(int count, int answerAfter = 0, qint64 limitSeconds = 3 * 86400)
    {
        QStringList times;
        for (int i = 0; i < count && tickUntilAlarm(limitSeconds); ++i) {
            times << hms(host.shown.back().at);
            clock.advanceSeconds(answerAfter);
            run.TimerNext(host.shown.back().row);
        }
        return times;
    }

    // The same, each time as the local clock showed it with its offset
    // ("2027-10-31T01:30:00+01:00"), so a repeated hour reads unambiguously.
    QStringList zonedAlarms(int count, int answerAfter = 0, qint64 limitSeconds = 3 * 86400)
    {
        alarms(count, answerAfter, limitSeconds);
        QStringList times;
        for (qint64 instant : std::as_const(instants))
            times << QDateTime::fromSecsSinceEpoch(instant, clock.timeZone()).toString(Qt::ISODate);
        return times;
    }

    QString due(int row) const { return hms(vt::fromDateValue(run.DueTime(row))); }
};
