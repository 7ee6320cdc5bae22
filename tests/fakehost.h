// SPDX-License-Identifier: MIT
// A run host with real tables and controls but no window: records what the run
// shows, so tests can follow a run alarm by alarm with a fake clock.
#pragma once

#include "core/alarmtable.h"
#include "core/clock.h"
#include "core/runcontrol.h"
#include "core/tablecontrol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QPushButton>
#include <QSlider>

#include <vector>

struct ShownAlarm {
    QDateTime at;
    int row;
    QString caption;
    QString message;
    vt::ColorValue back;
    vt::ColorValue fore;
};

class FakeHost : public vt::RunHost
{
public:
    FakeHost() : images(QIcon(), QIcon())
    {
        cmbMode.addItems({QStringLiteral("Interval"), QStringLiteral("Time")});
        cmbMode.setCurrentIndex(0);
        cmdStop.setEnabled(false);
        for (vt::TableControl& t : tables) {
            t.setImageList(&images);
            t.setRows(1);
        }
    }

    // Appends an entry to the table of the given mode.
    void addEntry(int mode, const QString& schedule, const QString& message = QStringLiteral("M"),
                  bool enabled = true)
    {
        vt::TableControl& t = tables[mode];
        const int row = t.Rows();
        t.setRows(row + 1);
        vt::FormatTableRow(t, row);
        vt::SetEntryEnabled(t, row, vt::EnableColumn, enabled);
        t.setCol(vt::ScheduleColumn);
        t.setText(schedule);
        t.setCol(vt::MessageColumn);
        t.setText(message);
    }

    int timerMode() const override { return cmbMode.currentIndex(); }
    bool intervalRound() const override { return chkIntervalRound.isChecked(); }
    vt::TableControl* timerTable(int mode) override
    {
        return mode >= 0 && mode < 2 ? &tables[mode] : nullptr;
    }
    vt::RunControls runControls() override
    {
        vt::RunControls c;
        c.cmbMode = &cmbMode;
        c.chkIntervalRound = &chkIntervalRound;
        c.cmdStart = &cmdStart;
        c.cmdStop = &cmdStop;
        c.grdTimer = {&tables[0], &tables[1]};
        c.cmbSound = &cmbSound;
        c.cmbSpeechEngine = &cmbSpeechEngine;
        c.cmdSpeechSpeak = &cmdSpeechSpeak;
        c.sldSpeechRate = &sldSpeechRate;
        c.sldSpeechVolume = &sldSpeechVolume;
        return c;
    }
    void setCaption(const QString& c) override { caption = c; }
    void minimizeWindow() override { minimized = true; }
    void restoreWindow() override { minimized = false; }
    void setStateText(const QString& t) override { state = t; }
    void setStatusText(const QString& t) override { status = t; }
    void beep() override { ++beeps; }
    void setTickEnabled(bool enabled) override
    {
        if (enabled && !tickEnabled)
            ++tickStarts;
        tickEnabled = enabled;
    }
    void setMessageCaption(const QString& c) override { messageCaption = c; }
    void showMessage(int id, const QString& message, vt::ColorValue back,
                     vt::ColorValue fore) override
    {
        shown.push_back({clock ? QDateTime::fromMSecsSinceEpoch(clock->epochMs()) : QDateTime(), id,
                         messageCaption, message, back, fore});
    }
    void ArrangeWindow() override { ++arrangements; }
    void keepAwake(const QString& why) override { awakeFor = why; }
    void allowSleep() override { awakeFor.clear(); }

    vt::ImageList images;
    vt::TableControl tables[2];
    QComboBox cmbMode;
    QCheckBox chkIntervalRound;
    QPushButton cmdStart;
    QPushButton cmdStop;
    QComboBox cmbSound;
    QComboBox cmbSpeechEngine;
    QPushButton cmdSpeechSpeak;
    QSlider sldSpeechRate;
    QSlider sldSpeechVolume;

    const vt::Clock* clock = nullptr;
    QString caption = QStringLiteral("Vigiltide");
    QString state = QStringLiteral("Stopped");
    QString status;
    QString messageCaption;
    bool minimized = false;
    bool tickEnabled = false;
    int tickStarts = 0;
    int beeps = 0;
    int arrangements = 0;
    QString awakeFor; // the reason sleep is held off, empty when it is not
    std::vector<ShownAlarm> shown;
};
