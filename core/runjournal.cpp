// SPDX-License-Identifier: MIT
#include "core/runjournal.h"

#include "core/clock.h"

#include <QDateTime>
#include <QFile>

namespace vt
{

namespace
{

QString tableName(TimerMode mode)
{
    return mode == TimerMode::Interval ? QStringLiteral("Interval") : QStringLiteral("Time");
}

// The due time as the alarm's caption shows it.
QString dueOf(const Alarm& alarm)
{
    return alarm.caption.mid(alarm.caption.indexOf(QLatin1String(" - ")) + 3);
}

} // namespace

RunJournal::RunJournal(RunControl& run, const Clock& clock, const QString& logPath, QObject* parent)
    : QObject(parent), m_run(run), m_clock(clock), m_log(logPath, clock)
{
    m_alive.setInterval(kAliveEveryMs);
    connect(&m_alive, &QTimer::timeout, this, &RunJournal::keep);
    connect(&run, &RunControl::stateChanged, this, &RunJournal::stateChanged);
    connect(&run, &RunControl::answered, this, &RunJournal::answered);
}

void RunJournal::setSettingsFile(const QString& path)
{
    if (m_store && m_store->path() == RunStore(path).path())
        return;
    if (m_store && m_run.isRunActive())
        m_store->remove();
    m_store.emplace(path);
    if (m_run.isRunActive())
        keep();
}

std::optional<RunRecord> RunJournal::keptRun(QString* notice)
{
    QString problem;
    const auto kept = m_store ? m_store->load(&problem) : std::nullopt;
    if (!problem.isEmpty()) {
        // Never trusted, and moved aside so that it is told once.
        QFile::remove(m_store->path() + QStringLiteral(".unused"));
        QFile::rename(m_store->path(), m_store->path() + QStringLiteral(".unused"));
        *notice = QStringLiteral("Resume Error, ") + problem;
        return std::nullopt;
    }
    if (!kept)
        return std::nullopt;
    const QDateTime down = QDateTime::fromMSecsSinceEpoch(kept->second, m_clock.timeZone());
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(m_clock.epochMs(), m_clock.timeZone());
    const QString since =
        down.toString(down.date() == now.date() ? QStringLiteral("HH:mm:ss")
                                                : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    m_resumedNotice = QStringLiteral("down since ") + since;
    *notice = QStringLiteral("Resumed, ") + m_resumedNotice;
    return kept->first;
}

void RunJournal::stateChanged()
{
    if (m_ended)
        return;
    const RunPhase phase = m_run.phase();
    const RunPhase was = std::exchange(m_phase, phase);
    const bool wasRunning = was == RunPhase::Armed || was == RunPhase::Showing;
    if (m_run.isRunActive()) {
        if (!wasRunning) {
            m_stopLogged = false;
            const QString resumed = std::exchange(m_resumedNotice, QString());
            log(resumed.isEmpty() ? WatchEventKind::Start : WatchEventKind::Resumed, nullptr,
                resumed);
            m_alive.start();
        }
        if (phase == RunPhase::Showing && was != RunPhase::Showing) {
            m_shown = m_run.alarm();
            m_shownAtMs = m_clock.monotonicMs();
            log(WatchEventKind::Shown, &*m_shown);
        }
        keep();
        return;
    }
    if (!wasRunning)
        return;
    m_alive.stop();
    if (phase == RunPhase::Done) {
        log(WatchEventKind::Done);
    } else if (!std::exchange(m_stopLogged, false)) {
        // Stopped from the main window or the tray, the alarm open or not.
        const bool open = was == RunPhase::Showing && m_shown;
        log(WatchEventKind::Stop, open ? &*m_shown : nullptr,
            open ? openDetail(m_clock.monotonicMs() - m_shownAtMs) : QString());
    }
    if (m_store)
        m_store->remove();
}

void RunJournal::answered(const Alarm& alarm, AlarmAnswer answer, qint64 openMs)
{
    const WatchEventKind kind = answer == AlarmAnswer::Continue ? WatchEventKind::Continue
                                : answer == AlarmAnswer::Stop   ? WatchEventKind::Stop
                                                                : WatchEventKind::Closed;
    m_stopLogged = answer == AlarmAnswer::Stop;
    log(kind, &alarm, openDetail(openMs));
}

void RunJournal::programEnding(bool watchkeepersEnd, const QString& how)
{
    if (m_ended)
        return;
    if (m_run.isRunActive()) {
        log(WatchEventKind::End, nullptr, how);
        if (watchkeepersEnd && m_store)
            m_store->remove();
        else
            keep();
    }
    m_ended = true;
    m_alive.stop();
}

void RunJournal::log(WatchEventKind kind, const Alarm* alarm, const QString& detail)
{
    WatchEvent event{kind, tableName(m_run.mode()), 0, QString(), QString(), detail};
    if (alarm) {
        event.entry = alarm->id.row;
        event.due = dueOf(*alarm);
        event.message = alarm->message;
    } else if (m_run.isRunActive()) {
        event.due = formatHourMinute(m_run.NextDue());
    }
    // A log that cannot be written is told once, and changes nothing else.
    if (!m_log.append(event))
        if (const QString reason = m_log.takeFailure(); !reason.isEmpty())
            emit logFailed(reason);
}

void RunJournal::keep()
{
    if (!m_store || !m_run.isRunActive())
        return;
    QString error;
    const bool kept = m_store->save(m_run.record(), m_clock.epochMs(), &error);
    // Told once for each stretch of failures, as the log's are.
    if (!kept && !std::exchange(m_keepFailing, true))
        emit logFailed(error);
    m_keepFailing = !kept;
}

} // namespace vt
