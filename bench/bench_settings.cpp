// SPDX-License-Identifier: MIT
// Load and save of a settings file with 1000 entries in each table, file to
// values and back. Prints the median of several rounds.
#include "settings/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

double medianMs(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return ns[ns.size() / 2] / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    vt::Settings settings;
    for (vt::TimerMode mode : {vt::TimerMode::Interval, vt::TimerMode::Time}) {
        vt::AlarmTable& table = settings.table(mode);
        table.setRows(1001);
        for (int r = 1; r <= 1000; ++r) {
            vt::FormatTableRow(table, r);
            vt::SetEntryEnabled(table, r, r % 2);
            table.cell(r, vt::ScheduleColumn).text = mode == vt::TimerMode::Interval
                                                         ? QString::number(r % 1440 + 1)
                                                         : QStringLiteral("07:30:00");
            table.cell(r, vt::MessageColumn) = {
                QStringLiteral("Check item %1 of the watch list").arg(r), 65535, 255};
        }
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vigiltide.Ini"));
    std::vector<qint64> saves, loads;
    QElapsedTimer timer;
    for (int round = 0; round < 7; ++round) {
        timer.start();
        QString error;
        if (!vt::SettingsSave(settings, path, &error)) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(error));
            return 1;
        }
        saves.push_back(timer.nsecsElapsed());
        timer.start();
        vt::Settings loaded;
        const vt::LoadOutcome outcome = vt::SettingsLoad(path, loaded);
        loads.push_back(timer.nsecsElapsed());
        if (!outcome.problem.isEmpty() || loaded.tables != settings.tables) {
            std::fprintf(stderr, "load went wrong: %s\n", qPrintable(outcome.problem));
            return 1;
        }
    }
    std::printf("settings save, 1000 entries per table: median %.1f ms\n", medianMs(saves));
    std::printf("settings load, 1000 entries per table: median %.1f ms\n", medianMs(loads));
    return 0;
}
