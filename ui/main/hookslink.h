// SPDX-License-Identifier: MIT
// The watchkeeper's hooks at work: reads Hooks.ini, runs the escalation and
// heartbeat commands when their schedule says, and tells the status line, the
// open alarm and the watch log how they went. Nothing here waits for a
// command, so none can hold up an alarm.
#pragma once

#include "core/hookschedule.h"
#include "platform/commandrunner.h"
#include "settings/hooksfile.h"

#include <QHash>
#include <QObject>

namespace vt
{

class Clock;
class RunJournal;
class frmMain;

class HooksLink : public QObject
{
    Q_OBJECT

public:
    // How long the program's end waits for commands still running, such as
    // the heartbeat that says the run has stopped.
    static constexpr int kEndGraceMs = 5000;

    HooksLink(frmMain& window, const Clock& clock, RunJournal& journal);

    // Reads the hooks file afresh (at start-up and at each Start); gives what
    // is wrong with it, to be shown as "Hooks Error, " and the reason, in
    // which case nothing of it runs.
    QString reload();
    // The program ends; see HookSchedule::programEnding.
    void programEnding(bool watchkeepersEnd);

    HookSchedule& schedule() { return m_schedule; }

private:
    void escalate(const Alarm& alarm, qint64 waitedMs);
    void heartbeat(const QString& event);
    void succeeded(const QString& tag);
    void failed(const QString& tag, const QString& reason);
    void showOnAlarm(const AlarmId& alarm, const QString& line);
    QString timeNow() const;

    frmMain& m_window;
    const Clock& m_clock;
    RunJournal& m_journal;
    HookSchedule m_schedule;
    CommandRunner m_runner;
    Hooks m_hooks;
    // The alarm of each escalation still running, by its tag.
    QHash<QString, Alarm> m_escalations;
    quint64 m_escalationCount = 0;
    bool m_heartbeatFailing = false;
};

} // namespace vt
