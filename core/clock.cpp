// SPDX-License-Identifier: MIT
#include "core/clock.h"

#include <QDateTime>

namespace vt
{

DateValue Clock::now() const
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(epochMs() / 1000 * 1000);
    return toDateValue(local);
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

void FakeClock::advanceMs(qint64 ms)
{
    m_epochMs += ms;
    m_monotonicMs += ms;
}

} // namespace vt
