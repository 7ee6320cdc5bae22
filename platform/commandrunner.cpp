// SPDX-License-Identifier: MIT
// One QProcess per run, owned by the runner; each run is reported once, by
// whichever of its start failure, its end or its deadline comes first.
#include "platform/commandrunner.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>

namespace vt
{

namespace
{

// The commands have nothing to read, and output nobody reads would fill its
// pipe and stall them; so there are no pipes at all.
void detachFromPipes(QProcess* process)
{
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
}

QProcessEnvironment withAdded(const QProcessEnvironment& added)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(added);
    return environment;
}

QString overTimeReason(const QString& name, int timeoutMs)
{
    const int seconds = std::max(1, (timeoutMs + 999) / 1000);
    if (seconds == 1)
        return CommandRunner::tr("%1 was still running after 1 second and was ended").arg(name);
    return CommandRunner::tr("%1 was still running after %2 seconds and was ended")
        .arg(name, QString::number(seconds));
}

} // namespace

CommandRunner::CommandRunner(QObject* parent) : QObject(parent) {}

CommandRunner::~CommandRunner()
{
    // All are ended before any is waited for, so the waits overlap; and no
    // run is reported from a runner that is going away.
    const QList<QProcess*> processes = findChildren<QProcess*>(Qt::FindDirectChildrenOnly);
    for (QProcess* process : processes) {
        process->disconnect(this);
        process->kill();
    }
    for (QProcess* process : processes)
        process->waitForFinished();
}

void CommandRunner::setTimeoutMs(int ms)
{
    m_timeoutMs = ms;
}

void CommandRunner::run(const QStringList& command, const QProcessEnvironment& environment,
                        const QString& tag)
{
    const QString name = command.isEmpty() ? tr("an empty command") : command.first();
    auto* process = new QProcess(this);
    process->setProgram(command.value(0));
    process->setArguments(command.mid(1));
    process->setProcessEnvironment(withAdded(environment));
    detachFromPipes(process);
    m_running.append(process);

    // Queued, so that a command that cannot start is not reported from
    // inside run().
    connect(
        process, &QProcess::errorOccurred, this,
        [this, process, tag, name](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                end(process, tag, tr("%1 cannot be started: %2").arg(name, process->errorString()));
        },
        Qt::QueuedConnection);
    connect(process, &QProcess::finished, this,
            [this, process, tag, name](int code, QProcess::ExitStatus status) {
                if (status == QProcess::CrashExit)
                    end(process, tag, tr("%1 was ended by a signal").arg(name));
                else if (code != 0)
                    end(process, tag,
                        tr("%1 exited with code %2").arg(name, QString::number(code)));
                else
                    end(process, tag, QString());
            });
    QTimer::singleShot(m_timeoutMs, process, [this, process, tag, name, ms = m_timeoutMs] {
        end(process, tag, overTimeReason(name, ms));
    });
    process->start();
}

int CommandRunner::running() const
{
    return int(m_running.size());
}

void CommandRunner::waitForRunning(int ms)
{
    const QDeadlineTimer deadline(ms);
    // Each one reported leaves m_running, hence the copy.
    const QList<QProcess*> processes = m_running;
    for (QProcess* process : processes)
        if (m_running.contains(process))
            process->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 1)));
}

void CommandRunner::end(QProcess* process, const QString& tag, const QString& reason)
{
    if (!m_running.removeOne(process))
        return; // reported already
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
    } else {
        // Over time: the command ends now, and its process is freed once the
        // system has taken it back.
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
        process->kill();
    }
    if (reason.isEmpty())
        emit succeeded(tag);
    else
        emit failed(tag, reason);
}

} // namespace vt
