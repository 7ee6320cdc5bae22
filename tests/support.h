// SPDX-License-Identifier: MIT
// What the tests share: a main that pins the time zone, and a run host with
// real tables but no window, which records the alarms it is asked to show.
#pragma once

#include "core/alarmtable.h"
#include "core/clock.h"
#include "core/runcontrol.h"
#include "core/tablecontrol.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

#include <array>
#include <ctime>

#define VT_TEST_MAIN(TestClass, zone)                                                              \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        qputenv("TZ", zone);                                                                       \
        tzset();                                                                                   \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// Appends an entry to a table; a schedule written "-60" is a disabled entry.
inline void addEntry(vt::TableControl& table, QString schedule,
                     const QString& message = QStringLiteral("M"))
{
    const bool enabled = !schedule.startsWith(QLatin1Char('-'));
    if (!enabled)
        schedule.remove(0, 1);
    const int row = table.Rows();
    table.setRows(row + 1);
    vt::FormatTableRow(table, row);
    vt::SetEntryEnabled(table, row, vt::EnableColumn, enabled);
    table.setCol(vt::ScheduleColumn);
    table.setText(schedule);
    table.setCol(vt::MessageColumn);
    table.setText(message);
}

struct ShownAlarm {
    qint64 at; // seconds since the Unix epoch
    int row;
    QString caption;
    QString message;
    vt::ColorValue back;
    vt::ColorValue fore;
};

class FakeHost : public vt::RunHost
{
public:
    explicit FakeHost(const vt::Clock& clock) : images(QIcon(), QIcon()), clock(clock)
    {
        for (vt::TableControl& t : tables) {
            t.setImageList(&images);
            t.setRows(1);
        }
        QFont bold = start.font(); // as designed: Start is the button to press
        bold.setBold(true);
        start.setFont(bold);
    }

    int timerMode() const override { return mode; }
    bool intervalRound() const override { return round; }
    vt::TableControl* timerTable(int m) override { return m >= 0 && m < 2 ? &tables[m] : nullptr; }
    vt::RunControls runControls() override
    {
        return {&others[0], &others[1], &start,     &stop,      {&tables[0], &tables[1]},
                &others[2], &others[3], &others[4], &others[5], &others[6]};
    }
    void setCaption(const QString& c) override { caption = c; }
    void minimizeWindow() override { minimized = true; }
    void restoreWindow() override { minimized = false; }
    void setStateText(const QString& t) override { state = t; }
    void setStatusText(const QString& t) override { status = t; }
    void beep() override { ++beeps; }
    void setTickEnabled(bool enabled) override
    {
        tickStarts += enabled && !tickEnabled;
        tickEnabled = enabled;
    }
    void setMessageCaption(const QString& c) override { messageCaption = c; }
    void showMessage(int id, const QString& message, vt::ColorValue back,
                     vt::ColorValue fore) override
    {
        shown.push_back({clock.nowSeconds(), id, messageCaption, message, back, fore});
    }
    void ArrangeWindow() override { ++arrangements; }
    void keepAwake(const QString& why) override { awakeFor = why; }
    void allowSleep() override { awakeFor.clear(); }

    vt::ImageList images;
    std::array<vt::TableControl, 2> tables;
    QPushButton start, stop;
    std::array<QWidget, 7> others; // mode, round, sound, voice, speak, rate, volume
    const vt::Clock& clock;
    int mode = vt::IntervalMode;
    bool round = false;
    QString caption = QStringLiteral("Vigiltide"), state = QStringLiteral("Stopped"), status,
            messageCaption, awakeFor;
    bool minimized = false, tickEnabled = false;
    int tickStarts = 0, beeps = 0, arrangements = 0;
    std::vector<ShownAlarm> shown;
};

// A run on a fake clock that ticks once a second: a day of alarms in
// milliseconds.
struct Harness {
    vt::FakeClock clock;
    FakeHost host{clock};
    vt::RunControl run{host, clock};

    explicit Harness(const QByteArray& zone = "Europe/London") { clock.setZone(QTimeZone(zone)); }

    // At a time the local clock shows; with an offset where it shows it twice.
    void startAt(const QString& iso)
    {
        const QDateTime t = QDateTime::fromString(iso, Qt::ISODate);
        if (t.timeSpec() == Qt::OffsetFromUTC)
            clock.setLocal(t);
        else
            clock.setLocal(t.date(), t.time());
        run.StartRun();
    }
    // Ticks second by second until an alarm shows or the limit passes.
    bool tickUntilAlarm(qint64 limitSeconds = 3 * 86400)
    {
        const std::size_t before = host.shown.size();
        for (qint64 s = 0; s < limitSeconds && host.tickEnabled && host.shown.size() == before;
             ++s) {
            clock.advanceSeconds(1);
            run.CheckDueAlarms();
        }
        return host.shown.size() > before;
    }
    QString local(qint64 instant, const QString& format = QStringLiteral("hh:mm:ss")) const
    {
        return QDateTime::fromSecsSinceEpoch(instant, clock.timeZone()).toString(format);
    }
};
