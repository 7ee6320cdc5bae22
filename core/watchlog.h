// SPDX-License-Identifier: MIT
// The watch log: one plain-text line for every start, alarm, answer and end,
// appended to a file the watchkeeper can keep with the watch records.
#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

namespace vt
{

class Clock;

enum class WatchEventKind {
    Start,
    Shown,
    Continue,
    Stop,
    Closed,
    Done,
    Resumed,
    End,
    Escalated,
    EscalationFailed,
    HeartbeatFailed,
};

// The word the log uses for an event.
QString watchEventName(WatchEventKind kind);

// What a line records. An entry of 0 and empty texts are left blank.
struct WatchEvent {
    WatchEventKind kind = WatchEventKind::Start;
    QString table; // "Interval" or "Time"
    int entry = 0;
    QString due; // as the alarm's caption shows it
    QString message;
    QString detail; // how long an answered alarm was open, how the program ended
};

// The detail of an answer: how long its alarm was open, in whole seconds.
QString openDetail(qint64 openMs);

class WatchLog
{
    Q_DECLARE_TR_FUNCTIONS(WatchLog)

public:
    WatchLog(QString path, const Clock& clock);

    // Vigiltide/Watch.log in the user's state folder.
    static QString defaultPath();
    // The line for an event at a time, without its line break.
    static QString line(const QDateTime& at, const WatchEvent& event);

    const QString& path() const { return m_path; }

    // Appends the event's line at the clock's time; false when it could not be
    // written. Never throws and never waits for the disk to reach the platter.
    bool append(const WatchEvent& event);
    // Why the log could not be written, once for each stretch of failures (a
    // successful line ends a stretch); empty otherwise.
    QString takeFailure();

private:
    bool write(const QByteArray& bytes, QString* reason) const;

    QString m_path;
    const Clock& m_clock;
    QString m_failure;
    bool m_failing = false;
};

} // namespace vt
