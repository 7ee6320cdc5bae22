// SPDX-License-Identifier: MIT
// The run: starting on a copy of the current table, computing when each entry
// falls due, the once-a-second check, the alarm it raises, arming the next
// alarm after an answer, stopping. The run is the one owner of its state and
// its alarm; the windows, the tray and the notification are views of it,
// told of every change by stateChanged().
#pragma once

#include "core/alarmtable.h"
#include "core/datevalue.h"
#include "core/validation.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <limits>
#include <optional>
#include <vector>

namespace vt
{

class Clock;

// An alarm as shown: the entry's row, of which run. An answer names the alarm
// it answers, so that it can never reach another run.
struct AlarmId {
    quint64 run = 0;
    int row = 0;
    friend bool operator==(const AlarmId&, const AlarmId&) = default;
};

// The alarm of an entry that fell due, as the alarm window shows it.
struct Alarm {
    AlarmId id;
    QString caption; // "Vigiltide - " and the due time
    QString message;
    ColorValue backColor = 0;
    ColorValue foreColor = 0;
};

// How the watchkeeper answered an alarm: Continue, Stop, or its close box
// (which continues the run as Continue does).
enum class AlarmAnswer { Continue, Stop, Close };

// What of a run outlives the program: the table it was started on and how,
// each entry's due time (an instant, or none) and whether it has shown, and
// the alarm open at the end, if any (its row, else 0).
struct RunRecord {
    AlarmTable table;
    TimerMode mode = TimerMode::Interval;
    bool round = false;
    std::vector<qint64> due;
    std::vector<bool> fired;
    int alarmRow = 0;
};

enum class RunPhase {
    Stopped, // no run, or stopped
    Armed,   // waiting for the next entry to fall due
    Showing, // an alarm is up, waiting for its answer
    Done     // a Time run whose entries have all shown
};

class RunControl : public QObject
{
    Q_OBJECT

public:
    explicit RunControl(const Clock& clock, QObject* parent = nullptr);

    // Validates the table; when every enabled entry is valid, starts a run on
    // a copy of it and gives nothing, otherwise the first fault.
    std::optional<TableFault> StartRun(const AlarmTable& table, TimerMode mode, bool round);
    // -1 arms every entry; a row number advances that acknowledged entry.
    void TimerNext(int iMessageId);
    void TimerStop();
    void CheckDueAlarms();
    // The alarm window's answers; one naming an alarm that is not the one
    // shown (of a run since stopped) changes nothing.
    void answer(const AlarmId& alarm, AlarmAnswer answer);
    void answerContinue(const AlarmId& alarm) { answer(alarm, AlarmAnswer::Continue); }
    void answerStop(const AlarmId& alarm) { answer(alarm, AlarmAnswer::Stop); }

    // The run as it stands, to be taken up again after the program ended
    // unasked; resume() takes it up, and every entry that fell due meanwhile
    // shows at once, as after a sleep.
    RunRecord record() const;
    void resume(const RunRecord& record);

    RunPhase phase() const { return m_phase; }
    bool isRunActive() const { return m_phase == RunPhase::Armed || m_phase == RunPhase::Showing; }
    // The alarm shown now, if any.
    const std::optional<Alarm>& alarm() const { return m_alarm; }
    // The table the run was started on, and how.
    const AlarmTable& table() const { return m_table; }
    TimerMode mode() const { return m_mode; }
    bool round() const { return m_round; }

    // The earliest due time after the latest arming, as the local clock shows
    // it; the zero date value before the first arming.
    DateValue NextDue() const;
    qint64 nextDueInstant() const { return m_nextDue; }
    // "Timer hh:mm": the caption and status text of an armed run.
    QString timerText() const;
    // Row r's due time as the local clock shows it, and as an instant.
    DateValue DueTime(int row) const;
    qint64 dueInstant(int row) const;
    bool FiredFlag(int row) const;
    // The one-second tick: running exactly while the run is armed.
    const QTimer& tick() const { return tmrTimer; }

    // How far the wall clock may wander from the monotonic clock between two
    // looks before it counts as set back.
    static constexpr qint64 kCorrectionToleranceMs = 2000;

signals:
    // The phase, the alarm shown or the next due time changed.
    void stateChanged();
    // An answer, before the run acts on it; openMs: how long the alarm was up.
    void answered(const vt::Alarm& alarm, vt::AlarmAnswer answer, qint64 openMs);

private:
    void setPhase(RunPhase phase);
    void computeFirstDueTimes(qint64 now);
    // Moves an entry's due time past now; false when the entry has nothing pending.
    bool advanceEntry(int row, int iMessageId, qint64 now);
    // A wall clock set back moves the interval series back with it; true when
    // it did.
    bool followClockCorrection(qint64 now);
    void showNextDue();
    int servedRows() const;
    std::optional<double> intervalSeconds(int row) const;
    // The entry the tick shows now, or -1.
    int dueRow(qint64 now) const;
    void fire(int row);
    bool isAnswerToShownAlarm(const AlarmId& alarm) const;
    void arm();

    const Clock& m_clock;
    QTimer tmrTimer;
    RunPhase m_phase = RunPhase::Stopped;
    quint64 m_runId = 0;
    std::optional<Alarm> m_alarm;
    AlarmTable m_table;
    TimerMode m_mode = TimerMode::Interval;
    bool m_round = false;
    // Due times as instants, so that the run follows real time whatever the
    // local clock does; they are shown and aligned in local time.
    std::vector<qint64> m_due;
    std::vector<bool> m_fired;
    qint64 m_nextDue = std::numeric_limits<qint64>::max(); // none before the first arming
    qint64 m_wallMinusMonotonicMs = 0;
    qint64 m_shownAtMs = 0; // on the monotonic clock
};

} // namespace vt
