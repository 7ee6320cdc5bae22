// SPDX-License-Identifier: MIT
#include "core/runcontrol.h"

#include "core/alarmtable.h"
#include "core/cellvalues.h"
#include "core/clock.h"
#include "core/tablecontrol.h"

#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vt
{

namespace
{

constexpr double kDay = kSecondsPerDay;
constexpr double kNever = std::numeric_limits<double>::infinity();

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

} // namespace

RunControl::RunControl(RunHost& host, const Clock& clock) : m_host(host), m_clock(clock) {}

TableControl* RunControl::currentTable()
{
    return m_host.timerTable(m_host.timerMode());
}

int RunControl::servedRows(const TableControl& table) const
{
    return std::min(table.Rows(), int(m_dueSeconds.size()));
}

DateValue RunControl::DueTime(int row) const
{
    return row >= 0 && row < int(m_dueSeconds.size()) ? fromSeconds(m_dueSeconds[row]) : 0.0;
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

    computeFirstDueTimes(*table, mode, toSeconds(m_clock.now()));

    m_active = true;
    SetRunControls(true);
    TimerNext(-1);
}

void RunControl::computeFirstDueTimes(TableControl& table, int mode, double now)
{
    const int rows = table.Rows();
    // The run state follows the table's size, however many entries it has.
    m_dueSeconds.assign(std::max(rows, 1), kNever);
    m_fired.assign(std::max(rows, 1), false);

    for (int r = 1; r < rows; ++r) {
        if (!IsEntryEnabled(table, r, EnableColumn))
            continue;
        if (mode == IntervalMode) {
            const std::optional<double> step = intervalSeconds(table, r);
            if (!step)
                continue;
            if (m_host.intervalRound()) {
                // The latest multiple of the interval, counted from the date
                // origin, at or before now; arming moves it past now.
                m_dueSeconds[r] = std::floor(now / *step) * *step;
            } else {
                // The minute of Start, plus the interval with its fraction,
                // to the whole second.
                m_dueSeconds[r] = std::round(now - std::fmod(now, 60.0) + *step);
            }
        } else if (mode == TimeMode) {
            const std::optional<int> timeOfDay = readTimeOfDay(ScheduleText(table, r));
            if (!timeOfDay) {
                m_fired[r] = true; // nothing to wait for
                continue;
            }
            double due = std::floor(now / kDay) * kDay + *timeOfDay;
            if (due < now)
                due += kDay;
            m_dueSeconds[r] = due;
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

bool RunControl::advanceEntry(TableControl& table, int mode, int row, int iMessageId, double now)
{
    double& due = m_dueSeconds[row];
    bool pending = false;
    if (mode == IntervalMode) {
        const std::optional<double> step = intervalSeconds(table, row);
        if (step && (iMessageId == -1 || iMessageId == row) && due <= now) {
            // Slots missed while the alarm was open are skipped, not made up.
            due += (std::floor((now - due) / *step) + 1) * *step;
            while (due <= now)
                due += *step;
        }
        pending = step.has_value();
    } else if (mode == TimeMode) {
        // At Start an entry due this very second is still to be shown; only an
        // answered alarm moves it on. Otherwise it would count as fired unseen.
        const bool passed = iMessageId == -1 ? due < now : due <= now;
        if (passed) {
            due += (std::floor((now - due) / kDay) + 1) * kDay;
            m_fired[row] = true;
        }
        pending = !m_fired[row];
    }
    if (std::isfinite(due))
        due = std::round(due);
    // On equal due times the earlier row keeps its place.
    if (due < m_nextDue)
        m_nextDue = due;
    return pending;
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
    const double now = toSeconds(m_clock.now());

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
}

void RunControl::TimerStop()
{
    m_active = false;
    SetRunControls(false);
    m_host.setCaption(QStringLiteral("Vigiltide"));
    m_host.restoreWindow();
    m_host.setStateText(QStringLiteral("Stopped"));
    m_host.setStatusText(QString());
}

void RunControl::CheckDueAlarms()
{
    if (!m_active)
        return;
    TableControl* table = currentTable();
    if (!table)
        return;
    const double now = toSeconds(m_clock.now());
    const int rows = servedRows(*table);
    for (int r = 1; r < rows; ++r) {
        if (now >= m_dueSeconds[r] && IsEntryEnabled(*table, r, EnableColumn)) {
            fire(*table, r);
            return;
        }
    }
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
    m_host.showMessage(row, entry.message, entry.backColor, entry.foreColor);
}

void RunControl::ModeChanged()
{
    m_host.setStatusText(QString());
    m_host.ArrangeWindow();
}

} // namespace vt
