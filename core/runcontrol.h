// SPDX-License-Identifier: MIT
// The run: starting on the current table, computing when each entry falls due,
// the once-a-second check, arming the next alarm after an answer, stopping.
// The main window implements RunHost; tests drive the run with a fake host and
// a fake clock.
#pragma once

#include "core/colorvalue.h"
#include "core/datevalue.h"
#include "core/validation.h"

#include <QString>

#include <array>
#include <vector>

class QPushButton;
class QWidget;

namespace vt
{

class Clock;
class TableControl;

// The controls that a run enables and disables, in the order they are set.
// A control the window does not have (yet) is null and passed over.
struct RunControls {
    QWidget* cmbMode = nullptr;
    QWidget* chkIntervalRound = nullptr;
    QPushButton* cmdStart = nullptr;
    QPushButton* cmdStop = nullptr;
    std::array<QWidget*, 2> grdTimer{};
    QWidget* cmbSound = nullptr;
    QWidget* cmbSpeechEngine = nullptr;
    QWidget* cmdSpeechSpeak = nullptr;
    QWidget* sldSpeechRate = nullptr;
    QWidget* sldSpeechVolume = nullptr;
};

class RunHost : public StatusReporter
{
public:
    virtual int timerMode() const = 0;              // cmbMode: 0 Interval, 1 Time, -1 none
    virtual bool intervalRound() const = 0;         // "Top of Hour" ticked
    virtual TableControl* timerTable(int mode) = 0; // grdTimer(mode), null if none
    virtual RunControls runControls() = 0;
    virtual void setCaption(const QString& caption) = 0;
    virtual void minimizeWindow() = 0;
    virtual void restoreWindow() = 0;
    virtual void setStateText(const QString& text) = 0;
    virtual void setTickEnabled(bool enabled) = 0;
    virtual void setMessageCaption(const QString& caption) = 0;
    // Shows the alarm; returns at once, the answer comes back as TimerNext or TimerStop.
    virtual void showMessage(int messageId, const QString& message, ColorValue backColor,
                             ColorValue foreColor) = 0;
    virtual void ArrangeWindow() = 0;
};

class RunControl
{
public:
    RunControl(RunHost& host, const Clock& clock);

    void StartRun();
    void SetRunControls(bool running);
    // -1 arms every entry; a row number advances that acknowledged entry.
    void TimerNext(int iMessageId);
    void TimerStop();
    void CheckDueAlarms();
    // The timer mode changed: clear the status line and lay the window out anew.
    void ModeChanged();

    bool isRunActive() const { return m_active; }
    // Row r's due time; rows are counted as in the table, header row 0 unused.
    DateValue DueTime(int row) const;
    bool FiredFlag(int row) const;
    DateValue NextDue() const { return fromSeconds(m_nextDue); }

private:
    TableControl* currentTable();
    void computeFirstDueTimes(TableControl& table, int mode, double now);
    // Moves an entry's due time past now; false when the entry has nothing pending.
    bool advanceEntry(TableControl& table, int mode, int row, int iMessageId, double now);
    int servedRows(const TableControl& table) const;
    void fire(TableControl& table, int row);

    RunHost& m_host;
    const Clock& m_clock;
    bool m_active = false;
    // Due times as seconds since the date origin on the local clock; seconds
    // keep the repeated additions exact.
    std::vector<double> m_dueSeconds;
    std::vector<bool> m_fired;
    double m_nextDue = 0;
};

} // namespace vt
