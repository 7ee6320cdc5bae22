// SPDX-License-Identifier: MIT
// When the watchkeeper's own commands are due: the escalation of an alarm left
// unanswered, and the heartbeat of an armed run that tells an outside watcher
// the watch is still kept. Only the times live here; what runs, and how, is
// the caller's business.
#pragma once

#include "core/runcontrol.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace vt
{

class Clock;

class HookSchedule : public QObject
{
    Q_OBJECT

public:
    HookSchedule(const RunControl& run, const Clock& clock, QObject* parent = nullptr);

    // Seconds an alarm may stay unanswered before it escalates, and minutes
    // between heartbeats; none turns that part off. Takes effect from the
    // next alarm and the next Start.
    void setTimes(std::optional<int> escalateAfterS, std::optional<int> heartbeatMinutes);

    // Looks whether a command is due now; the schedule's own timer does so
    // every second while a run is armed.
    void check();
    // The program ends with its run as it stands. The watchkeeper's own end
    // (the close box, File, Exit) ends the run and says so; any other end
    // keeps the run for the next start, so the heartbeats just stop.
    void programEnding(bool watchkeepersEnd);

signals:
    // The alarm shown has waited unanswered this long: once per alarm.
    void escalate(const vt::Alarm& alarm, qint64 waitedMs);
    // "heartbeat" at Start and every so many minutes, "stop" when the run ends.
    void heartbeat(const QString& event);

private:
    // A moment by both clocks: the monotonic one stands still while the
    // machine sleeps, and a wait that spans a sleep still counts in full.
    struct Mark {
        qint64 monotonicMs = 0;
        qint64 epochMs = 0;
    };
    Mark markNow() const;
    qint64 elapsedSince(const Mark& mark) const;
    void stateChanged();
    void beat(const QString& event);

    const RunControl& m_run;
    const Clock& m_clock;
    QTimer m_timer;
    std::optional<qint64> m_escalateAfterMs;
    std::optional<qint64> m_beatEveryMs;
    // The heartbeat's period as it was when the run started.
    std::optional<qint64> m_runBeatEveryMs;
    RunPhase m_phase = RunPhase::Stopped;
    Mark m_shownAt;
    bool m_escalated = false;
    Mark m_lastBeat;
    bool m_ended = false;
};

} // namespace vt
