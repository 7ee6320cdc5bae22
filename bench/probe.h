// SPDX-License-Identifier: MIT
// What the start-up benchmarks measure inside a process: the time from the
// process's start to its first window on screen, its resident memory, and the
// processor time it uses while idle.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

#include <sys/resource.h>
#include <unistd.h>

namespace bench
{

// Milliseconds since this process started, from the kernel's own record.
inline double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    const double startTicks = fields.value(21).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowTicks = (now.tv_sec + now.tv_nsec / 1e9) * sysconf(_SC_CLK_TCK);
    return (nowTicks - startTicks) * 1000.0 / sysconf(_SC_CLK_TCK);
}

inline long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

// Watches a window for its first exposure, then does what was asked:
// "startup" prints the time to it and quits; "rss" waits for things to settle
// and prints the resident memory; "idle N" runs `arm`, waits for things to
// settle, then prints the share of one core used over N seconds.
class Probe : public QObject
{
public:
    Probe(QWindow* window, QStringList args, std::function<void()> arm)
        : m_args(std::move(args)), m_arm(std::move(arm))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWindow*>(watched);
        if (event->type() == QEvent::Expose && window->isExposed() && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] { shown(); });
        }
        return false;
    }

private:
    void shown()
    {
        const QString what = m_args.value(0, QStringLiteral("startup"));
        if (what == QLatin1String("startup")) {
            std::printf("%.1f\n", msSinceProcessStart());
            QCoreApplication::quit();
        } else if (what == QLatin1String("rss")) {
            QTimer::singleShot(3000, this, [] {
                std::printf("%ld\n", residentKiB());
                QCoreApplication::quit();
            });
        } else if (what == QLatin1String("idle")) {
            const int seconds = m_args.value(1, QStringLiteral("60")).toInt();
            if (m_arm)
                m_arm();
            QTimer::singleShot(5000, this, [this, seconds] {
                const double before = cpuSeconds();
                QTimer::singleShot(seconds * 1000, this, [before, seconds] {
                    std::printf("%.3f\n", 100.0 * (cpuSeconds() - before) / seconds);
                    QCoreApplication::quit();
                });
            });
        }
    }

    QStringList m_args;
    std::function<void()> m_arm;
    bool m_seen = false;
};

} // namespace bench
