// SPDX-License-Identifier: MIT
// The clock the run reads. Logic never asks the system for the time itself,
// so tests can run a day of alarms in milliseconds with a fake clock.
#pragma once

#include "core/datevalue.h"

#include <QElapsedTimer>
#include <QTimeZone>
#include <QtGlobal>

namespace vt
{

class Clock
{
public:
    virtual ~Clock() = default;
    // Wall clock as milliseconds since the Unix epoch (UTC).
    virtual qint64 epochMs() const = 0;
    // A reading that only ever moves forward, in milliseconds. It stands still
    // while the machine sleeps, and does not follow corrections of the wall
    // clock.
    virtual qint64 monotonicMs() const = 0;
    // The zone the local clock shows.
    virtual QTimeZone timeZone() const = 0;

    // Whole seconds since the Unix epoch.
    qint64 nowSeconds() const;
    // The local wall clock as a date value, in whole seconds.
    DateValue now() const;
    // An instant as the local clock shows it, as a date value.
    DateValue toLocal(qint64 secondsSinceEpoch) const;
};

class SystemClock final : public Clock
{
public:
    SystemClock();
    qint64 epochMs() const override;
    qint64 monotonicMs() const override;
    QTimeZone timeZone() const override;

private:
    QElapsedTimer m_monotonic;
};

// A clock that stands still until a test moves it.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(qint64 epochMs = 0) : m_epochMs(epochMs) {}
    qint64 epochMs() const override { return m_epochMs; }
    qint64 monotonicMs() const override { return m_monotonicMs; }
    QTimeZone timeZone() const override { return m_zone; }

    void setZone(const QTimeZone& zone) { m_zone = zone; }
    // Sets the wall clock to a date and time; the monotonic reading moves by
    // the real time in between (or not at all when the clock goes back).
    void setLocal(const QDateTime& local);
    // The same for a date and time shown by the clock's own zone.
    void setLocal(const QDate& date, const QTime& time);
    // Lets real time pass: wall clock and monotonic reading move together.
    void advanceMs(qint64 ms);
    void advanceSeconds(qint64 s) { advanceMs(s * 1000); }
    // A correction of the wall clock alone, forward or back; a sleep of the
    // machine looks the same from inside (the monotonic reading stands still).
    void correctWallMs(qint64 ms) { m_epochMs += ms; }

private:
    qint64 m_epochMs;
    qint64 m_monotonicMs = 0;
    QTimeZone m_zone = QTimeZone::systemTimeZone();
};

} // namespace vt
