// SPDX-License-Identifier: MIT
#include "core/runcontrol.h"

#include "core/alarmtable.h"
#include "core/cellvalues.h"
#include "core/clock.h"
#include "core/localtime.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace vt
{

namespace
{

constexpr qint64 kDay = 86400;
constexpr qint64 kNever = std::numeric_limits<qint64>::max();

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : (a - b + 1) / b;
}

} // namespace

RunControl::RunControl(const Clock& clock, QObject* parent) : QObject(parent), m_clock(clock)
{
    tmrTimer.setInterval(1000);
    connect(&tmrTimer, &QTimer::timeout, this, &RunControl::CheckDueAlarms);
}

int RunControl::servedRows() const
{
    return std::min(m_table.Rows(), int(m_due.size()));
}

// The interval of an entry in seconds, or nothing when it cannot be used.
std::optional<double> RunControl::intervalSeconds(int row) const
{
    const std::optional<double> minutes = readNumber(m_table.text(row, ScheduleColumn));
    if (!minutes || *minutes <= 0)
        return std::nullopt;
    return *minutes * 60.0;
}

qint64 RunControl::dueInstant(int row) const
{
    return row >= 0 && row < int(m_due.size()) ? m_due[row] : kNever;
}

DateValue RunControl::DueTime(int row) const
{
    const qint64 due = dueInstant(row);
    return due == kNever ? 0.0 : m_clock.toLocal(due);
}

DateValue RunControl::NextDue() const
{
    // Before the first arming there is no next alarm: the zero date value,
    // whatever the time zone.
    return m_nextDue == kNever ? 0.0 : m_clock.toLocal(m_nextDue);
}

QString RunControl::timerText() const
{
    return QStringLiteral("Timer ") + formatHourMinute(NextDue());
}

bool RunControl::FiredFlag(int row) const
{
    return row >= 0 && row < int(m_fired.size()) && m_fired[row];
}

void RunControl::setPhase(RunPhase phase)
{
    m_phase = phase;
    if (phase != RunPhase::Showing)
        m_alarm.reset();
    // Ticks come exactly while the run waits for the next entry: none while
    // an alarm is shown, so no second alarm comes over it.
    if (phase != RunPhase::Armed)
        tmrTimer.stop();
}

std::optional<TableFault> RunControl::StartRun(const AlarmTable& table, TimerMode mode, bool round)
{
    if (std::optional<TableFault> fault = FirstTableFault(table, mode))
        return fault;
    m_table = table;
    m_mode = mode;
    m_round = round;
    ++m_runId;
    m_wallMinusMonotonicMs = m_clock.epochMs() - m_clock.monotonicMs();
    computeFirstDueTimes(m_clock.nowSeconds());
    setPhase(RunPhase::Armed);
    TimerNext(-1);
    return std::nullopt;
}

void RunControl::computeFirstDueTimes(qint64 now)
{
    const int rows = m_table.Rows();
    // The run state follows the table's size, however many entries it has.
    m_due.assign(std::max(rows, 1), kNever);
    m_fired.assign(std::max(rows, 1), false);
    const QTimeZone zone = m_clock.timeZone();

    for (int r = 1; r < rows; ++r) {
        if (!IsEntryEnabled(m_table, r))
            continue;
        if (m_mode == TimerMode::Interval) {
            const std::optional<double> step = intervalSeconds(r);
            if (!step)
                continue;
            if (m_round) {
                // Due now: the arming moves it on to the next slot of the
                // local clock.
                m_due[r] = now;
            } else {
                // The minute of Start on the local clock, plus the interval
                // with its fraction, to the whole second.
                const qint64 local = now + zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(now));
                const qint64 minuteStart = now - (local - floorDiv(local, 60) * 60);
                m_due[r] = std::llround(double(minuteStart) + *step);
            }
        } else {
            const std::optional<int> timeOfDay = readTimeOfDay(m_table.text(r, ScheduleColumn));
            if (!timeOfDay) {
                m_fired[r] = true; // nothing to wait for
                continue;
            }
            // Today if the local clock has still to show it, else tomorrow.
            m_due[r] = nextTimeOfDay(zone, now, *timeOfDay);
        }
    }
}

bool RunControl::advanceEntry(int row, int iMessageId, qint64 now)
{
    qint64& due = m_due[row];
    bool pending = false;
    if (m_mode == TimerMode::Interval) {
        const std::optional<double> step = intervalSeconds(row);
        if (step && (iMessageId == -1 || iMessageId == row) && due <= now) {
            if (m_round) {
                // The next slot as the local clock shows it: after a change of
                // the clock the entry stays on the local hour.
                due = nextLocalSlot(m_clock.timeZone(), now, *step);
            } else {
                // Slots missed while the alarm was open are skipped, not made up.
                double next = double(due) + (std::floor(double(now - due) / *step) + 1) * *step;
                while (next <= double(now))
                    next += *step;
                due = std::llround(next);
            }
        }
        pending = step.has_value();
    } else {
        // Only the answered entry has been seen; every other one that fell
        // due meanwhile (a late answer, a sleep) keeps its due time, so the
        // ticks show it next. Each entry shows once per run.
        if (row == iMessageId)
            m_fired[row] = true;
        pending = !m_fired[row] && due != kNever;
        if (!pending)
            return false;
    }
    // On equal due times the earlier row keeps its place.
    if (due < m_nextDue)
        m_nextDue = due;
    return pending;
}

bool RunControl::followClockCorrection(qint64 now)
{
    const qint64 wallMinusMonotonic = m_clock.epochMs() - m_clock.monotonicMs();
    const qint64 moved = wallMinusMonotonic - m_wallMinusMonotonicMs;
    m_wallMinusMonotonicMs = wallMinusMonotonic;
    // Forward jumps and sleeps need nothing: an overdue entry fires once and
    // its answer skips the missed slots.
    if (moved > -kCorrectionToleranceMs)
        return false;
    const qint64 back = -((-moved + 500) / 1000);
    const int rows = servedRows();
    for (int r = 1; r < rows; ++r) {
        if (m_due[r] == kNever || !IsEntryEnabled(m_table, r))
            continue;
        // Before the clock moved, the entry was due at the instant it now reads.
        const bool wasDue = m_due[r] <= now - back;
        const std::optional<double> step =
            m_mode == TimerMode::Interval ? intervalSeconds(r) : std::nullopt;
        if (step && !m_round) {
            // A series of real time moves back with the clock, due or not.
            m_due[r] += back;
        } else if (wasDue) {
            // Due already, and waiting for the alarm open now: it still shows, once.
            m_due[r] = std::min(m_due[r], now);
        } else if (step) {
            // A series on the slots of the local clock takes the next slot the
            // clock now shows.
            m_due[r] = nextLocalSlot(m_clock.timeZone(), now, *step);
        }
    }
    return true;
}

void RunControl::TimerNext(int iMessageId)
{
    // An answer to an alarm of a run that has been stopped meanwhile.
    if (!isRunActive())
        return;
    const qint64 now = m_clock.nowSeconds();
    // Arming follows an answer (or Start): no alarm is shown any more.
    setPhase(RunPhase::Armed);
    followClockCorrection(now);

    bool nothingPending = true;
    m_nextDue = now + kDay;
    const int rows = servedRows();
    for (int r = 1; r < rows; ++r) {
        if (IsEntryEnabled(m_table, r) && advanceEntry(r, iMessageId, now))
            nothingPending = false;
    }
    if (nothingPending) {
        setPhase(RunPhase::Done);
        emit stateChanged();
        return;
    }
    arm();
}

// After the clock was set back: the earliest due time again.
void RunControl::showNextDue()
{
    const qint64 now = m_clock.nowSeconds();
    m_nextDue = now + kDay;
    const int rows = servedRows();
    for (int r = 1; r < rows; ++r)
        if (m_due[r] < m_nextDue && !m_fired[r] && IsEntryEnabled(m_table, r))
            m_nextDue = m_due[r];
    emit stateChanged();
}

bool RunControl::isAnswerToShownAlarm(const AlarmId& alarm) const
{
    return m_phase == RunPhase::Showing && m_alarm && m_alarm->id == alarm;
}

void RunControl::answer(const AlarmId& alarm, AlarmAnswer answer)
{
    if (!isAnswerToShownAlarm(alarm))
        return;
    emit answered(*m_alarm, answer, m_clock.monotonicMs() - m_shownAtMs);
    if (answer == AlarmAnswer::Stop)
        TimerStop();
    else
        TimerNext(alarm.row);
}

RunRecord RunControl::record() const
{
    return {m_table, m_mode, m_round, m_due, m_fired, m_alarm ? m_alarm->id.row : 0};
}

void RunControl::resume(const RunRecord& record)
{
    m_table = record.table;
    m_mode = record.mode;
    m_round = record.round;
    m_due = record.due;
    m_fired = record.fired;
    ++m_runId;
    m_wallMinusMonotonicMs = m_clock.epochMs() - m_clock.monotonicMs();
    setPhase(RunPhase::Armed);
    // Nothing is moved on: what fell due while the program was down is due
    // now, and the ticks show it; its answer skips the slots it missed.
    m_nextDue = std::numeric_limits<qint64>::max();
    bool pending = false;
    for (int r = 1; r < servedRows(); ++r) {
        if (m_due[r] == kNever || m_fired[r] || !IsEntryEnabled(m_table, r))
            continue;
        pending = true;
        m_nextDue = std::min(m_nextDue, m_due[r]);
    }
    if (!pending) {
        setPhase(RunPhase::Done);
        emit stateChanged();
        return;
    }
    arm();
}

// A full second from now to the next tick.
void RunControl::arm()
{
    tmrTimer.stop();
    tmrTimer.start();
    emit stateChanged();
}

// Stopped from anywhere, the run takes its alarm away with it.
void RunControl::TimerStop()
{
    setPhase(RunPhase::Stopped);
    emit stateChanged();
}

void RunControl::CheckDueAlarms()
{
    if (m_phase != RunPhase::Armed)
        return;
    const qint64 now = m_clock.nowSeconds();
    if (followClockCorrection(now))
        showNextDue();
    const int row = dueRow(now);
    if (row > 0)
        fire(row);
}

int RunControl::dueRow(qint64 now) const
{
    // Due Interval entries fire in row order; Time entries that fell due
    // together (a late answer, a sleep) in the order they fell due.
    int chosen = -1;
    const int rows = servedRows();
    for (int r = 1; r < rows; ++r) {
        if (now < m_due[r] || m_fired[r] || !IsEntryEnabled(m_table, r))
            continue;
        if (m_mode != TimerMode::Time)
            return r;
        if (chosen < 0 || m_due[r] < m_due[chosen])
            chosen = r;
    }
    return chosen;
}

void RunControl::fire(int row)
{
    const DateValue due = DueTime(row);
    const QString time =
        m_mode == TimerMode::Time ? formatHourMinuteSecond(due) : formatHourMinute(due);
    const AlarmEntry entry = ReadEntry(m_table, row);
    m_alarm = Alarm{AlarmId{m_runId, row}, QStringLiteral("Vigiltide - ") + time, entry.message,
                    entry.backColor, entry.foreColor};
    m_shownAtMs = m_clock.monotonicMs();
    setPhase(RunPhase::Showing);
    emit stateChanged();
}

} // namespace vt
