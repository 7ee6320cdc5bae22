// SPDX-License-Identifier: MIT
// Runs the watchkeeper's hook commands in the background: started directly
// (no shell), told when they fail, ended when they hang. Nothing here ever
// waits for a command, so a slow one cannot hold up an alarm.
#pragma once

#include <QList>
#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>

class QProcess;

namespace vt
{

class CommandRunner : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTimeoutMs = 30000;

    explicit CommandRunner(QObject* parent = nullptr);
    // Ends whatever still runs; waits only for the system to take back
    // commands that have already been ended.
    ~CommandRunner() override;

    // How long a command may run before it is ended.
    void setTimeoutMs(int ms);

    // Starts command[0] with the other words as its arguments and
    // `environment` added to the program's own, and returns at once. `tag`
    // names the run in the signals, which always come later.
    void run(const QStringList& command, const QProcessEnvironment& environment,
             const QString& tag);

    // Runs that have not yet been reported.
    int running() const;
    // At the program's end: gives the commands still running up to ms in all
    // to finish (and be reported), so that a last word such as the stopped
    // run's heartbeat gets out.
    void waitForRunning(int ms);

signals:
    void succeeded(const QString& tag);
    // reason: why, as a phrase that reads on after "Escalation Error, ".
    void failed(const QString& tag, const QString& reason);

private:
    void end(QProcess* process, const QString& tag, const QString& reason);

    QList<QProcess*> m_running;
    int m_timeoutMs = kTimeoutMs;
};

} // namespace vt
