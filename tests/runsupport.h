// SPDX-License-Identifier: MIT
// What the GUI-less tests share: a main that pins the time zone, tables from
// short texts, and a run on a fake clock that records the alarms it raises.
#pragma once

#include "core/alarmtable.h"
#include "core/clock.h"
#include "core/runcontrol.h"

#include <QtTest>

#include <ctime>

// A main with the time zone pinned, and the run's record, the watch log and
// the hooks file in folders of the test's own.
#define VT_MAIN(Application, TestClass, zone)                                                      \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        qputenv("TZ", zone);                                                                       \
        tzset();                                                                                   \
        QTemporaryDir state;                                                                       \
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));                                \
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(state.filePath("config")));                   \
        Application app(argc, argv);                                                               \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
#define VT_GUILESS_TEST_MAIN(TestClass, zone) VT_MAIN(QCoreApplication, TestClass, zone)

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// The same, its folder made if missing, with these permissions.
inline void writeFile(const QString& path, const QByteArray& bytes, QFile::Permissions permissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeFile(path, bytes);
    QVERIFY(QFile::setPermissions(path, permissions));
}

// Appends an entry to a table; a schedule written "~60" is a disabled entry.
inline void addEntry(vt::AlarmTable& table, const QString& schedule,
                     const QString& message = QStringLiteral("M"))
{
    const bool enabled = !schedule.startsWith(QLatin1Char('~'));
    const int row = table.Rows();
    table.setRows(row + 1);
    vt::FormatTableRow(table, row);
    vt::SetEntryEnabled(table, row, enabled);
    table.cell(row, vt::ScheduleColumn).text = enabled ? schedule : schedule.mid(1);
    table.cell(row, vt::MessageColumn).text = message;
}

// A table of entries; "|" between them.
inline vt::AlarmTable tableOf(const QString& entries)
{
    vt::AlarmTable table;
    table.setRows(1);
    for (const QString& entry : entries.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        addEntry(table, entry);
    return table;
}

struct ShownAlarm {
    qint64 at; // seconds since the Unix epoch
    vt::Alarm alarm;
};

// A run on a fake clock that ticks once a second.
class RunHarness
{
public:
    explicit RunHarness(const QByteArray& zone = "Europe/London")
    {
        clock.setZone(QTimeZone(zone));
        QObject::connect(&run, &vt::RunControl::stateChanged, &run, [this] {
            const bool showing = run.alarm().has_value();
            if (showing && !std::exchange(m_showing, showing))
                shown.push_back({clock.nowSeconds(), *run.alarm()});
            m_showing = showing;
        });
    }
    // At a time the local clock shows; with its offset where it shows it twice.
    std::optional<vt::TableFault> startAt(const QString& iso, const vt::AlarmTable& table,
                                          vt::TimerMode mode, bool round = false)
    {
        const QDateTime t = QDateTime::fromString(iso, Qt::ISODate);
        if (t.timeSpec() == Qt::OffsetFromUTC)
            clock.setLocal(t);
        else
            clock.setLocal(t.date(), t.time());
        return run.StartRun(table, mode, round);
    }
    bool tickUntilAlarm(qint64 limitSeconds = 3 * 86400)
    {
        const std::size_t before = shown.size();
        for (qint64 s = 0; s < limitSeconds && run.tick().isActive() && shown.size() == before;
             ++s) {
            clock.advanceSeconds(1);
            run.CheckDueAlarms();
        }
        return shown.size() > before;
    }
    QString local(qint64 instant, const QString& format = QStringLiteral("hh:mm:ss")) const
    {
        return QDateTime::fromSecsSinceEpoch(instant, clock.timeZone()).toString(format);
    }
    // The run's state as the State panel names it.
    QString state() const
    {
        const vt::RunPhase phase = run.phase();
        return QString::fromLatin1(phase == vt::RunPhase::Done      ? "Done"
                                   : phase == vt::RunPhase::Stopped ? "Stopped"
                                                                    : "Running");
    }

    vt::FakeClock clock;
    vt::RunControl run{clock};
    std::vector<ShownAlarm> shown;

private:
    bool m_showing = false;
};
