// SPDX-License-Identifier: MIT
// Load and save of a settings file with 1000 entries in each table, through
// the real procedures and controls. Prints the median of several rounds.
#include "core/alarmtable.h"
#include "core/picture.h"
#include "core/tablecontrol.h"
#include "settings/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSlider>
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    vt::ImageList images{QIcon(), QIcon()};
    vt::TableControl interval, time;
    QCheckBox round;
    QComboBox mode, sound, voices;
    mode.addItems({QStringLiteral("Interval"), QStringLiteral("Time")});
    sound.addItems({QStringLiteral("None"), QStringLiteral("Beep"), QStringLiteral("Speech")});
    voices.addItems({QStringLiteral("A"), QStringLiteral("B")});
    QSlider rate, volume;
    rate.setRange(-10, 10);
    volume.setRange(0, 100);
    QPushButton speak;
    const vt::SettingsControls c{
        {&interval, &time}, &round, &mode, &sound, &voices, &rate, &volume, &speak};

    for (vt::TableControl* table : {&interval, &time}) {
        table->setImageList(&images);
        table->setRows(1001);
        for (int r = 1; r <= 1000; ++r) {
            vt::FormatTableRow(*table, r);
            vt::SetEntryEnabled(*table, r, vt::EnableColumn, r % 2);
            table->setCol(vt::ScheduleColumn);
            table->setText(table == &interval ? QString::number(r % 1440 + 1)
                                              : QStringLiteral("07:30:00"));
            table->setCol(vt::MessageColumn);
            table->setText(QStringLiteral("Check item %1 of the watch list").arg(r));
            table->setCellBackColor(65535);
            table->setCellForeColor(255);
        }
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vigiltide.Ini"));
    std::vector<qint64> saves, loads;
    QElapsedTimer timer;
    for (int round = 0; round < 7; ++round) {
        timer.start();
        QString error;
        if (!vt::SettingsSave(c, path, {}, &error)) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(error));
            return 1;
        }
        saves.push_back(timer.nsecsElapsed());
        timer.start();
        const vt::LoadOutcome outcome = vt::SettingsLoad(c, path);
        loads.push_back(timer.nsecsElapsed());
        if (!outcome.problem.isEmpty() || interval.Rows() != 1001 || time.Rows() != 1001) {
            std::fprintf(stderr, "load went wrong: %s\n", qPrintable(outcome.problem));
            return 1;
        }
    }
    std::printf("settings save, 1000 entries per table: median %.1f ms\n", medianMs(saves));
    std::printf("settings load, 1000 entries per table: median %.1f ms\n", medianMs(loads));
    return 0;
}
