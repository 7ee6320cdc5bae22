// SPDX-License-Identifier: MIT
#include "ui/main/hookslink.h"

#include "core/clock.h"
#include "core/runjournal.h"
#include "ui/main/frmMain.h"
#include "ui/message/frmMessage.h"

#include <QDateTime>
#include <QProcessEnvironment>

namespace vt
{

namespace
{

const QString kHeartbeatTag = QStringLiteral("heartbeat");

QString isoTime(qint64 epochSeconds, const QTimeZone& zone)
{
    return QDateTime::fromSecsSinceEpoch(epochSeconds, zone).toString(Qt::ISODate);
}

} // namespace

HooksLink::HooksLink(frmMain& window, const Clock& clock, RunJournal& journal)
    : m_window(window), m_clock(clock), m_journal(journal), m_schedule(window.run(), clock)
{
    connect(&m_schedule, &HookSchedule::escalate, this, &HooksLink::escalate);
    connect(&m_schedule, &HookSchedule::heartbeat, this, &HooksLink::heartbeat);
    connect(&m_runner, &CommandRunner::succeeded, this, &HooksLink::succeeded);
    connect(&m_runner, &CommandRunner::failed, this, &HooksLink::failed);
}

QString HooksLink::reload()
{
    HooksOutcome outcome = HooksLoad(HooksPath());
    m_hooks = std::move(outcome.hooks);
    const auto every = [](const std::optional<HookCommand>& hook) {
        return hook ? std::optional(hook->every) : std::nullopt;
    };
    m_schedule.setTimes(every(m_hooks.escalation), every(m_hooks.heartbeat));
    return outcome.error;
}

void HooksLink::programEnding(bool watchkeepersEnd)
{
    m_schedule.programEnding(watchkeepersEnd);
    m_runner.waitForRunning(kEndGraceMs);
}

void HooksLink::escalate(const Alarm& alarm, qint64 waitedMs)
{
    if (!m_hooks.escalation)
        return;
    const RunControl& run = m_window.run();
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("VIGILTIDE_EVENT"), QStringLiteral("escalate"));
    environment.insert(QStringLiteral("VIGILTIDE_MESSAGE"), alarm.message);
    environment.insert(QStringLiteral("VIGILTIDE_DUE"),
                       isoTime(run.dueInstant(alarm.id.row), m_clock.timeZone()));
    environment.insert(QStringLiteral("VIGILTIDE_CAPTION"), alarm.caption);
    environment.insert(QStringLiteral("VIGILTIDE_WAITED"), QString::number(waitedMs / 1000));
    environment.insert(QStringLiteral("VIGILTIDE_SETTINGS"), m_window.settingsFile());
    const QString tag = QStringLiteral("escalate %1").arg(++m_escalationCount);
    m_escalations.insert(tag, alarm);
    m_runner.run(m_hooks.escalation->command, environment, tag);
    showOnAlarm(alarm.id, tr("Escalated at %1").arg(timeNow()));
}

void HooksLink::heartbeat(const QString& event)
{
    if (!m_hooks.heartbeat)
        return;
    const RunControl& run = m_window.run();
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("VIGILTIDE_EVENT"), event);
    environment.insert(QStringLiteral("VIGILTIDE_SETTINGS"), m_window.settingsFile());
    // The next alarm, so that a watcher knows when the watch is next tested.
    if (run.isRunActive() && run.NextDue() != 0.0)
        environment.insert(QStringLiteral("VIGILTIDE_DUE"),
                           isoTime(run.nextDueInstant(), m_clock.timeZone()));
    m_runner.run(m_hooks.heartbeat->command, environment, kHeartbeatTag);
}

void HooksLink::succeeded(const QString& tag)
{
    if (tag == kHeartbeatTag) {
        m_heartbeatFailing = false;
        return;
    }
    const Alarm alarm = m_escalations.take(tag);
    m_journal.log(WatchEventKind::Escalated, &alarm);
}

void HooksLink::failed(const QString& tag, const QString& reason)
{
    if (tag == kHeartbeatTag) {
        m_journal.log(WatchEventKind::HeartbeatFailed, nullptr, reason);
        m_window.setStatusText(QStringLiteral("Heartbeat Error, ") + reason);
        // A heartbeat that keeps failing (the network is down) beeps once,
        // not every few minutes.
        if (!std::exchange(m_heartbeatFailing, true))
            m_window.beep();
        return;
    }
    const Alarm alarm = m_escalations.take(tag);
    m_journal.log(WatchEventKind::EscalationFailed, &alarm, reason);
    m_window.setStatusText(QStringLiteral("Escalation Error, ") + reason);
    m_window.beep();
    showOnAlarm(alarm.id, tr("Escalation failed at %1").arg(timeNow()));
}

// The open alarm says how its escalation stands, for whoever comes to it.
void HooksLink::showOnAlarm(const AlarmId& alarm, const QString& line)
{
    frmMessage* message = m_window.messageWindow();
    if (message && message->isAlerting() && message->alarm() == alarm)
        message->showEscalation(line);
}

QString HooksLink::timeNow() const
{
    return QDateTime::fromMSecsSinceEpoch(m_clock.epochMs(), m_clock.timeZone())
        .toString(QStringLiteral("HH:mm:ss"));
}

} // namespace vt
