// SPDX-License-Identifier: MIT
// How long one tick of the run takes with 1000 enabled entries, none due: the
// tick's worst case, every row looked at. Prints the median and worst of many.
#include "tests/runsupport.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    RunHarness h;
    vt::AlarmTable table = tableOf(QString());
    for (int i = 0; i < 1000; ++i)
        addEntry(table, QStringLiteral("1440"), QStringLiteral("Check"));
    h.startAt(QStringLiteral("2027-01-15T10:00:00"), table, vt::TimerMode::Interval);

    std::vector<qint64> ns;
    QElapsedTimer timer;
    for (int i = 0; i < 2000; ++i) {
        h.clock.advanceSeconds(1);
        timer.start();
        h.run.CheckDueAlarms();
        ns.push_back(timer.nsecsElapsed());
    }
    if (!h.shown.empty()) {
        std::fprintf(stderr, "an alarm fell due during the benchmark\n");
        return 1;
    }
    std::sort(ns.begin(), ns.end());
    std::printf("CheckDueAlarms, 1000 enabled entries: median %.3f ms, worst %.3f ms (%zu ticks)\n",
                ns[ns.size() / 2] / 1e6, ns.back() / 1e6, ns.size());

    // The arming after an answer walks every row as well.
    timer.start();
    h.run.TimerNext(1);
    std::printf("TimerNext, 1000 enabled entries: %.3f ms\n", timer.nsecsElapsed() / 1e6);
    return 0;
}
