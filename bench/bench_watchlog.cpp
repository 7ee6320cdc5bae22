// SPDX-License-Identifier: MIT
// What a line of the watch log costs the one-second tick: 10,000 lines
// appended to a log in a temporary folder, the time per line in milliseconds.
#include "core/clock.h"
#include "core/watchlog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    constexpr int kLines = 10000;
    const vt::SystemClock clock;
    vt::WatchLog log(dir.filePath(QStringLiteral("Vigiltide/Watch.log")), clock);
    const vt::WatchEvent event{vt::WatchEventKind::Continue,
                               QStringLiteral("Interval"),
                               12,
                               QStringLiteral("07:30:00"),
                               QStringLiteral("Check the radar and the chart"),
                               vt::openDetail(15000)};
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kLines; ++i) {
        if (!log.append(event)) {
            std::fprintf(stderr, "%s\n", qPrintable(log.takeFailure()));
            return 1;
        }
    }
    std::printf("%d lines, %.4f ms per line\n", kLines, timer.nsecsElapsed() / 1e6 / kLines);
    return 0;
}
