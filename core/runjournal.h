// SPDX-License-Identifier: MIT
// The run beyond the program: kept on disk while it is armed, so that the next
// start takes it up when the program ended without the watchkeeper ending it
// (a crash, a kill, a power cut, a shutdown or logout), and written event by
// event into the watch log.
#pragma once

#include "core/runcontrol.h"
#include "core/runstore.h"
#include "core/watchlog.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace vt
{

class Clock;

class RunJournal : public QObject
{
    Q_OBJECT

public:
    // How often the record of an armed run says the program is still running.
    static constexpr int kAliveEveryMs = 60000;

    RunJournal(RunControl& run, const Clock& clock, const QString& logPath,
               QObject* parent = nullptr);

    // The settings file the run is kept for; an armed run moves with it.
    void setSettingsFile(const QString& path);
    // At start-up: the run kept for the settings file, to be resumed, and in
    // *notice that it is and since when the program had been down, or why a
    // record was not used.
    std::optional<RunRecord> keptRun(QString* notice);
    // The program ends now, with its run as it stands. The watchkeeper's own
    // end (the close box, File, Exit) keeps nothing; any other (shutdown,
    // logout) keeps the run to be taken up again. how: for the log.
    void programEnding(bool watchkeepersEnd, const QString& how);
    // One line of the watch log, of the alarm given or else of the run.
    void log(WatchEventKind kind, const Alarm* alarm = nullptr, const QString& detail = {});

signals:
    // The watch log cannot be written: once for each stretch of failures.
    void logFailed(const QString& reason);

private:
    void stateChanged();
    void answered(const Alarm& alarm, AlarmAnswer answer, qint64 openMs);
    void keep();

    RunControl& m_run;
    const Clock& m_clock;
    WatchLog m_log;
    std::optional<RunStore> m_store;
    QTimer m_alive;
    RunPhase m_phase = RunPhase::Stopped;
    std::optional<Alarm> m_shown;
    qint64 m_shownAtMs = 0;
    QString m_resumedNotice;
    bool m_stopLogged = false;
    bool m_keepFailing = false;
    bool m_ended = false;
};

} // namespace vt
