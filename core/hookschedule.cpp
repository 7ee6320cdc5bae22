// SPDX-License-Identifier: MIT
#include "core/hookschedule.h"

#include "core/clock.h"

#include <algorithm>

namespace vt
{

HookSchedule::HookSchedule(const RunControl& run, const Clock& clock, QObject* parent)
    : QObject(parent), m_run(run), m_clock(clock)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &HookSchedule::check);
    connect(&run, &RunControl::stateChanged, this, &HookSchedule::stateChanged);
}

void HookSchedule::setTimes(std::optional<int> escalateAfterS, std::optional<int> heartbeatMinutes)
{
    m_escalateAfterMs.reset();
    m_beatEveryMs.reset();
    if (escalateAfterS)
        m_escalateAfterMs = qint64(*escalateAfterS) * 1000;
    if (heartbeatMinutes)
        m_beatEveryMs = qint64(*heartbeatMinutes) * 60000;
}

HookSchedule::Mark HookSchedule::markNow() const
{
    return {m_clock.monotonicMs(), m_clock.epochMs()};
}

qint64 HookSchedule::elapsedSince(const Mark& mark) const
{
    return std::max(m_clock.monotonicMs() - mark.monotonicMs, m_clock.epochMs() - mark.epochMs);
}

void HookSchedule::stateChanged()
{
    if (m_ended)
        return;
    const RunPhase phase = m_run.phase();
    const RunPhase was = std::exchange(m_phase, phase);
    const bool wasRunning = was == RunPhase::Armed || was == RunPhase::Showing;
    if (m_run.isRunActive() && !wasRunning) {
        m_runBeatEveryMs = m_beatEveryMs;
        if (m_escalateAfterMs || m_runBeatEveryMs)
            m_timer.start();
        beat(QStringLiteral("heartbeat"));
    }
    if (phase == RunPhase::Showing && was != RunPhase::Showing) {
        m_shownAt = markNow();
        m_escalated = false;
    }
    if (!m_run.isRunActive() && wasRunning) {
        m_timer.stop();
        beat(QStringLiteral("stop"));
    }
}

void HookSchedule::check()
{
    if (m_ended || !m_run.isRunActive())
        return;
    if (m_phase == RunPhase::Showing && m_run.alarm() && m_escalateAfterMs && !m_escalated) {
        const qint64 waited = elapsedSince(m_shownAt);
        if (waited >= *m_escalateAfterMs) {
            m_escalated = true;
            emit escalate(*m_run.alarm(), waited);
        }
    }
    if (m_runBeatEveryMs && elapsedSince(m_lastBeat) >= *m_runBeatEveryMs)
        beat(QStringLiteral("heartbeat"));
}

void HookSchedule::programEnding(bool watchkeepersEnd)
{
    if (m_ended)
        return;
    m_ended = true;
    m_timer.stop();
    if (watchkeepersEnd && m_run.isRunActive())
        beat(QStringLiteral("stop"));
}

void HookSchedule::beat(const QString& event)
{
    if (!m_runBeatEveryMs)
        return;
    m_lastBeat = markNow();
    emit heartbeat(event);
}

} // namespace vt
