// SPDX-License-Identifier: MIT
#include "core/clock.h"

#include <QDateTime>

namespace vt
{

qint64 Clock::nowSeconds() const
{
    const qint64 ms = epochMs();
    return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}

DateValue Clock::now() const
{
    return toLocal(nowSeconds());
}

DateValue Clock::toLocal(qint64 secondsSinceEpoch) const
{
    return toDateValue(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, timeZone()));
}

QTimeZone SystemClock::timeZone() const
{
    return QTimeZone::systemTimeZone();
}

SystemClock::SystemClock()
{
    m_monotonic.start();
}

qint64 SystemClock::epochMs() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

qint64 SystemClock::monotonicMs() const
{
    return m_monotonic.elapsed();
}

void FakeClock::setLocal(const QDateTime& local)
{
    const qint64 target = local.toMSecsSinceEpoch();
    if (target > m_epochMs)
        m_monotonicMs += target - m_epochMs;
    m_epochMs = target;
}

void FakeClock::setLocal(const QDate& date, const QTime& time)
{
    setLocal(QDateTime(date, time, m_zone));
}

void FakeClock::advanceMs(qint64 ms)
{
    m_epochMs += ms;
    m_monotonicMs += ms;
}

} // namespace vt
