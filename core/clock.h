// SPDX-License-Identifier: MIT
// The clock the run reads. Logic never asks the system for the time itself,
// so tests can run a day of alarms in milliseconds with a fake clock.
#pragma once

#include "core/datevalue.h"

#include <QElapsedTimer>
#include <QtGlobal>

namespace vt
{

class Clock
{
public:
    virtual ~Clock() = default;
    // Wall clock as milliseconds since the Unix epoch (UTC).
    virtual qint64 epochMs() const = 0;
    // A reading that only ever moves forward, in milliseconds.
    virtual qint64 monotonicMs() const = 0;

    // The local wall clock as a date value, in whole seconds.
    DateValue now() const;
};

class SystemClock final : public Clock
{
public:
    SystemClock();
    qint64 epochMs() const override;
    qint64 monotonicMs() const override;

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

    // Sets the wall clock to a local date and time; the monotonic reading moves
    // by the real time in between (or not at all when the clock goes back).
    void setLocal(const QDateTime& local);
    // Lets real time pass: wall clock and monotonic reading move together.
    void advanceMs(qint64 ms);
    void advanceSeconds(qint64 s) { advanceMs(s * 1000); }

private:
    qint64 m_epochMs;
    qint64 m_monotonicMs = 0;
};

} // namespace vt
