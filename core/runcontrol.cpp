// SPDX-License-Identifier: MIT
#include "core/runcontrol.h"

#include "core/alarmtable.h"
#include "core/cellvalues.h"
#include "core/clock.h"
#include "core/localtime.h"
#include "core/tablecontrol.h"

#include <QPushButton>
#include <QWidget>

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

// The interval of an entry in seconds, or nothing when it cannot be used.
std::optional<double> intervalSeconds(TableControl& table, int row)
{
    const std::optional<double> minutes = readNumber(ScheduleText(table, row));
    if (!minutes || *minutes <= 0)
        return std::nullopt;
    return *minutes * 60.0;
}

void setEnabled(QWidget* control, bool enabled)
{
    if (control)
        control->setEnabled(enabled);
}

void setBold(QPushButton* button, bool bold)
{
    if (!button)
        return;
    QFont f = button->font();
    f.setBold(bold);
    button->setFont(f);
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : (a - b + 1) / b;
}

} // namespace

RunControl::RunControl(RunHost& host, const Clock& clock) : m_host(host), m_clock(clock) {}

TableControl* RunControl::currentTable()
{
    return m_host.timerTable(m_host.timerMode());
}

int RunControl::servedRows(const TableControl& table) const
{
    return std::min(table.Rows(), int(m_due.size()));
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

bool RunControl::FiredFlag(int row) const
{
    return row >= 0 && row < int(m_fired.size()) && m_fired[row];
}

void RunControl::StartRun()
{
    TableControl* table = currentTable();
    if (!table)
        return;
    const int mode = m_host.timerMode();
    if (!ValidateTable(*table, mode, m_host))
        return;

    m_host.setCaption(QStringLiteral("Vigiltide"));
    m_host.minimizeWindow();
    m_host.setStateText(QStringLiteral("Running"));
    m_host.setStatusText(QString());

    m_wallMinusMonotonicMs = m_clock.epochMs() - m_clock.monotonicMs();
    computeFirstDueTimes(*table, mode, m_clock.nowSeconds());

    m_active = true;
    ++m_runId;
    m_shown.reset();
    SetRunControls(true);
    TimerNext(-1);
}

void RunControl::computeFirstDueTimes(TableControl& table, int mode, qint64 now)
{
    const int rows = table.Rows();
    // The run state follows the table's size, however many entries it has.
    m_due.assign(std::max(rows, 1), kNever);
    m_fired.assign(std::max(rows, 1), false);
    const QTimeZone zone = m_clock.timeZone();

    for (int r = 1; r < rows; ++r) {
        if (!IsEntryEnabled(table, r, EnableColumn))
            continue;
        if (mode == IntervalMode) {
            const std::optional<double> step = intervalSeconds(table, r);
            if (!step)
                continue;
            if (m_host.intervalRound()) {
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
        } else if (mode == TimeMode) {
            const std::optional<int> timeOfDay = readTimeOfDay(ScheduleText(table, r));
            if (!timeOfDay) {
                m_fired[r] = true; // nothing to wait for
                continue;
            }
            // Today if the local clock has still to show it, else tomorrow.
            m_due[r] = nextTimeOfDay(zone, now, *timeOfDay);
        }
    }
}

void RunControl::SetRunControls(bool running)
{
    const RunControls c = m_host.runControls();
    setEnabled(c.cmbMode, !running);
    setEnabled(c.chkIntervalRound, !running);
    setEnabled(c.cmdStart, !running);
    setBold(c.cmdStart, !running);
    setEnabled(c.cmdStop, running);
    setBold(c.cmdStop, running);
    setEnabled(c.grdTimer[0], !running);
    setEnabled(c.grdTimer[1], !running);
    setEnabled(c.cmbSound, !running);
    setEnabled(c.cmbSpeechEngine, !running);
    setEnabled(c.cmdSpeechSpeak, !running);
    setEnabled(c.sldSpeechRate, !running);
    setEnabled(c.sldSpeechVolume, !running);
    m_host.setTickEnabled(running);
}

bool RunControl::advanceEntry(TableControl& table, int mode, int row, int iMessageId, qint64 now)
{
    qint64& due = m_due[row];
    bool pending = false;
    const QTimeZone zone = m_clock.timeZone();
    if (mode == IntervalMode) {
        const std::optional<double> step = intervalSeconds(table, row);
        if (step && (iMessageId == -1 || iMessageId == row) && due <= now) {
            if (m_host.intervalRound()) {
                // The next slot as the local clock shows it: after a change of
                // the clock the entry stays on the local hour.
                due = nextLocalSlot(zone, now, *step);
            } else {
                // Slots missed while the alarm was open are skipped, not made up.
                double next = double(due) + (std::floor(double(now - due) / *step) + 1) * *step;
                while (next <= double(now))
                    next += *step;
                due = std::llround(next);
            }
        }
        pending = step.has_value();
    } else if (mode == TimeMode) {
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

bool RunControl::followClockCorrection(TableControl& table, int mode, qint64 now)
{
    const qint64 wallMinusMonotonic = m_clock.epochMs() - m_clock.monotonicMs();
    const qint64 moved = wallMinusMonotonic - m_wallMinusMonotonicMs;
    m_wallMinusMonotonicMs = wallMinusMonotonic;
    // Forward jumps and sleeps need nothing: an overdue entry fires once and
    // its answer skips the missed slots.
    if (moved > -kCorrectionToleranceMs)
        return false;
    const qint64 back = -((-moved + 500) / 1000);
    const bool round = m_host.intervalRound();
    const int rows = servedRows(table);
    for (int r = 1; r < rows; ++r) {
        if (m_due[r] == kNever || !IsEntryEnabled(table, r, EnableColumn))
            continue;
        // Before the clock moved, the entry was due at the instant it now reads.
        const bool wasDue = m_due[r] <= now - back;
        const std::optional<double> step = intervalSeconds(table, r);
        if (mode == IntervalMode && !round && step) {
            // A series of real time moves back with the clock, due or not.
            m_due[r] += back;
        } else if (wasDue) {
            // Due already, and waiting for the alarm open now: it still shows, once.
            m_due[r] = std::min(m_due[r], now);
        } else if (mode == IntervalMode && step) {
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
    if (!m_active)
        return;
    TableControl* table = currentTable();
    if (!table)
        return;
    const int mode = m_host.timerMode();
    const qint64 now = m_clock.nowSeconds();
    // Arming follows an answer (or Start): no alarm is shown any more.
    m_shown.reset();
    followClockCorrection(*table, mode, now);

    bool nothingPending = true;
    m_nextDue = now + kDay;
    const int rows = servedRows(*table);
    for (int r = 1; r < rows; ++r) {
        if (IsEntryEnabled(*table, r, EnableColumn) &&
            advanceEntry(*table, mode, r, iMessageId, now))
            nothingPending = false;
    }

    if (nothingPending) {
        TimerStop();
        m_host.setStateText(QStringLiteral("Done"));
        return;
    }
    // A full second from now to the next tick.
    m_host.setTickEnabled(false);
    m_host.setTickEnabled(true);
    const QString timer = QStringLiteral("Timer ") + formatHourMinute(NextDue());
    m_host.setCaption(timer);
    m_host.setStatusText(timer);
    m_host.keepAwake(QStringLiteral("Vigiltide alarm due at ") + formatHourMinute(NextDue()));
}

// After the clock was set back: the earliest due time again, and its caption.
void RunControl::showNextDue(TableControl& table)
{
    const qint64 now = m_clock.nowSeconds();
    m_nextDue = now + kDay;
    const int rows = servedRows(table);
    for (int r = 1; r < rows; ++r)
        if (m_due[r] < m_nextDue && !m_fired[r] && IsEntryEnabled(table, r, EnableColumn))
            m_nextDue = m_due[r];
    const QString timer = QStringLiteral("Timer ") + formatHourMinute(NextDue());
    m_host.setCaption(timer);
    m_host.setStatusText(timer);
}

bool RunControl::isAnswerToShownAlarm(const AlarmId& alarm) const
{
    return m_active && m_shown && *m_shown == alarm;
}

void RunControl::answerContinue(const AlarmId& alarm)
{
    if (isAnswerToShownAlarm(alarm))
        TimerNext(alarm.row);
}

void RunControl::answerStop(const AlarmId& alarm)
{
    if (isAnswerToShownAlarm(alarm))
        TimerStop();
}

void RunControl::TimerStop()
{
    m_active = false;
    // Stopped from anywhere, the run takes its alarm away with it.
    if (std::exchange(m_shown, std::nullopt))
        m_host.closeMessage();
    m_host.allowSleep();
    SetRunControls(false);
    m_host.setCaption(QStringLiteral("Vigiltide"));
    m_host.restoreWindow();
    m_host.setStateText(QStringLiteral("Stopped"));
    m_host.setStatusText(QString());
    m_host.runEnded();
}

void RunControl::CheckDueAlarms()
{
    if (!m_active)
        return;
    TableControl* table = currentTable();
    if (!table)
        return;
    const qint64 now = m_clock.nowSeconds();
    if (followClockCorrection(*table, m_host.timerMode(), now))
        showNextDue(*table);
    const int row = dueRow(*table, m_host.timerMode(), now);
    if (row > 0)
        fire(*table, row);
}

int RunControl::dueRow(TableControl& table, int mode, qint64 now) const
{
    // Due Interval entries fire in row order; Time entries that fell due
    // together (a late answer, a sleep) in the order they fell due.
    int chosen = -1;
    const int rows = servedRows(table);
    for (int r = 1; r < rows; ++r) {
        if (now < m_due[r] || m_fired[r] || !IsEntryEnabled(table, r, EnableColumn))
            continue;
        if (mode != TimeMode)
            return r;
        if (chosen < 0 || m_due[r] < m_due[chosen])
            chosen = r;
    }
    return chosen;
}

void RunControl::fire(TableControl& table, int row)
{
    // No second alarm while this one is shown: the tick waits for the answer.
    m_host.setTickEnabled(false);
    const DateValue due = DueTime(row);
    const QString time =
        m_host.timerMode() == TimeMode ? formatHourMinuteSecond(due) : formatHourMinute(due);
    m_host.setMessageCaption(QStringLiteral("Vigiltide - ") + time);
    const AlarmEntry entry = ReadEntry(table, row);
    m_shown = AlarmId{m_runId, row};
    m_host.showMessage(*m_shown, entry.message, entry.backColor, entry.foreColor);
}

void RunControl::ModeChanged()
{
    m_host.setStatusText(QString());
    m_host.ArrangeWindow();
}

} // namespace vt
