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
#include <limits>
#include <optional>
#include <vector>

class QPushButton;
class QWidget;

namespace vt
{

class Clock;
class TableControl;

// An alarm as shown: the entry's row, of which run. An answer names the alarm
// it answers, so that it can never reach another run.
struct AlarmId {
    quint64 run = 0;
    int row = 0;
    friend bool operator==(const AlarmId&, const AlarmId&) = default;
};

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
    // Shows the alarm; returns at once, the answer comes back through
    // answerContinue or answerStop.
    virtual void showMessage(const AlarmId& alarm, const QString& message, ColorValue backColor,
                             ColorValue foreColor) = 0;
    // Takes a shown alarm away unanswered: the run has ended meanwhile.
    virtual void closeMessage() = 0;
    virtual void ArrangeWindow() = 0;
    // While a run is armed the machine must not sleep through an alarm.
    virtual void keepAwake(const QString& why) = 0;
    virtual void allowSleep() = 0;
    // The run has stopped (by Stop, or as it is done).
    virtual void runEnded() {}
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
    // The answers of the alarm window; an answer to an alarm that is not the
    // one shown (of a run since stopped) changes nothing.
    void answerContinue(const AlarmId& alarm);
    void answerStop(const AlarmId& alarm);
    // The alarm shown now, if any.
    const std::optional<AlarmId>& shownAlarm() const { return m_shown; }
    // The timer mode changed: clear the status line and lay the window out anew.
    void ModeChanged();

    bool isRunActive() const { return m_active; }
    // Row r's due time as the local clock shows it; rows are counted as in
    // the table, header row 0 unused.
    DateValue DueTime(int row) const;
    bool FiredFlag(int row) const;
    DateValue NextDue() const;
    // The same as instants, seconds since the Unix epoch.
    qint64 dueInstant(int row) const;
    qint64 nextDueInstant() const { return m_nextDue; }

    // How far the wall clock may wander from the monotonic clock between two
    // looks before it counts as set back.
    static constexpr qint64 kCorrectionToleranceMs = 2000;

private:
    TableControl* currentTable();
    void computeFirstDueTimes(TableControl& table, int mode, qint64 now);
    // Moves an entry's due time past now; false when the entry has nothing pending.
    bool advanceEntry(TableControl& table, int mode, int row, int iMessageId, qint64 now);
    // A wall clock set back moves the interval series back with it; true when
    // it did.
    bool followClockCorrection(TableControl& table, int mode, qint64 now);
    bool isAnswerToShownAlarm(const AlarmId& alarm) const;
    void showNextDue(TableControl& table);
    int servedRows(const TableControl& table) const;
    // The entry the tick shows now, or -1.
    int dueRow(TableControl& table, int mode, qint64 now) const;
    void fire(TableControl& table, int row);

    RunHost& m_host;
    const Clock& m_clock;
    bool m_active = false;
    quint64 m_runId = 0;
    std::optional<AlarmId> m_shown;
    // Due times as instants, so that the run follows real time whatever the
    // local clock does; they are shown and aligned in local time.
    std::vector<qint64> m_due;
    std::vector<bool> m_fired;
    qint64 m_nextDue = std::numeric_limits<qint64>::max(); // none before the first arming
    qint64 m_wallMinusMonotonicMs = 0;
};

} // namespace vt
