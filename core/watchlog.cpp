// SPDX-License-Identifier: MIT
// The line is written with one append-mode write of its own: the kernel then
// puts it whole at the end of the file, even when a second program writes its
// own lines to the same log, and the one-second tick never waits on a buffer
// or a sync. Lines are UTF-8 text in a fixed English form, whatever the
// language of the window, so that a log reads the same on every bridge.
#include "core/watchlog.h"

#include "core/clock.h"
#include "core/runstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace vt
{

namespace
{

// The local time with its UTC offset, "+00:00" in winter too: a reader of
// the log sees at once which side of a clock change a line was written.
QString stamp(const QDateTime& at)
{
    const int offsetMinutes = at.offsetFromUtc() / 60;
    const int minutes = std::abs(offsetMinutes);
    return at.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) +
           (offsetMinutes < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// Control characters and Unicode line breaks would split the line or shift
// its columns.
bool breaksForm(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7f || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QString flat(QString text)
{
    for (QChar& c : text) {
        if (breaksForm(c))
            c = u' ';
    }
    return text;
}

} // namespace

QString watchEventName(WatchEventKind kind)
{
    static constexpr const char* names[] = {"start",           "shown",
                                            "continue",        "stop",
                                            "closed",          "done",
                                            "resumed",         "end",
                                            "escalated",       "escalation-failed",
                                            "heartbeat-failed"};
    static_assert(std::size(names) == std::size_t(WatchEventKind::HeartbeatFailed) + 1);
    return QLatin1String(names[std::size_t(kind)]);
}

QString openDetail(qint64 openMs)
{
    return QStringLiteral("open %1 s").arg(std::max<qint64>(openMs, 0) / 1000);
}

WatchLog::WatchLog(QString path, const Clock& clock) : m_path(std::move(path)), m_clock(clock) {}

QString WatchLog::defaultPath()
{
    return stateFolder() + QStringLiteral("/Watch.log");
}

QString WatchLog::line(const QDateTime& at, const WatchEvent& event)
{
    const QString entry = event.entry > 0 ? QString::number(event.entry) : QString();
    const QString name = watchEventName(event.kind);
    QStringList fields = {stamp(at), name,          event.table, entry,
                          event.due, event.message, event.detail};
    for (QString& field : fields)
        field = flat(std::move(field));
    return fields.join(u'\t');
}

bool WatchLog::append(const WatchEvent& event)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(m_clock.epochMs(), m_clock.timeZone());
    QString reason;
    if (write((line(at, event) + u'\n').toUtf8(), &reason)) {
        m_failing = false;
        return true;
    }
    if (!m_failing)
        m_failure = reason;
    m_failing = true;
    return false;
}

QString WatchLog::takeFailure()
{
    return std::exchange(m_failure, QString());
}

bool WatchLog::write(const QByteArray& bytes, QString* reason) const
{
    // Opened for every line, so a log moved away or deleted during the watch
    // is simply begun again.
    QFile file(m_path);
    constexpr auto mode = QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;
    const bool opened =
        file.open(mode) || (QDir().mkpath(QFileInfo(m_path).absolutePath()) && file.open(mode));
    if (opened && file.write(bytes) == bytes.size())
        return true;
    *reason =
        tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(m_path), file.errorString());
    return false;
}

} // namespace vt
