// SPDX-License-Identifier: MIT
// The run beyond the program, on a fake clock: kept on disk, taken up, logged;
// the watch log's lines, failures and two writers at once; the hooks' times.
// Qt Core only, in a machine zone (Tokyo) that no clock here uses.
#include "runsupport.h"

#include "core/hookschedule.h"
#include "core/runjournal.h"
#include "core/watchlog.h"

#include <sys/stat.h>

#include <thread>

using namespace vt;
using namespace Qt::StringLiterals;
using K = WatchEventKind;

class TestJournal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    QString m_settings = m_folder.filePath(u"watch.ini"_s);
    QString m_log = m_folder.filePath(u"Watch.log"_s);
    FakeClock m_logClock;

    // Each line of the log as "event entry detail".
    QStringList events() const
    {
        QStringList lines;
        for (const QString& line : QString::fromUtf8(readFile(m_log)).split(u'\n'))
            if (!line.isEmpty())
                lines << QStringList{line.section(u'\t', 1, 1), line.section(u'\t', 3, 3),
                                     line.section(u'\t', 6, 6)}
                             .join(u' ')
                             .simplified();
        return lines;
    }

private slots:
    void initTestCase() { m_logClock.setZone(QTimeZone("Europe/London")); }
    void init()
    {
        QFile::remove(m_log);
        QDir(stateFolder()).removeRecursively();
    }

    // Kept while armed, with the alarm open as it is, each save replacing the
    // record whole through a new file; gone at Stop.
    void aDayOfAlarms()
    {
        RunHarness h;
        RunJournal journal(h.run, h.clock, m_log);
        journal.setSettingsFile(m_settings);
        const RunStore store(m_settings);
        const auto inode = [&store] {
            struct stat s = {};
            return ::stat(QFile::encodeName(store.path()), &s) == 0 ? s.st_ino : 0;
        };
        h.startAt(u"2027-01-15T10:50:00"_s, tableOf(u"60|15"_s), TimerMode::Interval, true);
        for (int alarm = 0; alarm < 3; ++alarm) {
            const auto before = inode();
            QVERIFY(h.tickUntilAlarm());
            QVERIFY(inode() != before && inode() != 0);
            QCOMPARE(
                QDir(QFileInfo(store.path()).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                QStringList{QFileInfo(store.path()).fileName()});
            QString problem;
            const auto kept = store.load(&problem);
            QCOMPARE(kept->first.alarmRow, h.run.alarm()->id.row);
            QCOMPARE(kept->first.due, h.run.record().due);
            h.clock.advanceSeconds(5);
            h.run.answerContinue(h.run.alarm()->id);
        }
        h.run.TimerStop();
        QVERIFY(!QFile::exists(store.path()));
        QCOMPARE(events(), QStringList({u"start"_s, u"shown 1"_s, u"continue 1 open 5 s"_s,
                                        u"shown 2"_s, u"continue 2 open 5 s"_s, u"shown 2"_s,
                                        u"continue 2 open 5 s"_s, u"stop"_s}));
    }

    // Ended unasked (a shutdown), the run is taken up at the next start: the
    // alarm that fell due meanwhile shows, and the run goes on. The
    // watchkeeper's own end keeps nothing.
    void keptRunIsTakenUp()
    {
        {
            RunHarness h;
            RunJournal journal(h.run, h.clock, m_log);
            journal.setSettingsFile(m_settings);
            h.startAt(u"2027-01-15T06:00:00"_s, tableOf(u"07:00:00|08:00:00"_s), TimerMode::Time);
            journal.programEnding(false, u"SIGTERM"_s);
        }
        RunHarness h;
        h.clock.setLocal(QDate(2027, 1, 15), QTime(7, 30));
        RunJournal journal(h.run, h.clock, m_log);
        journal.setSettingsFile(m_settings);
        QString notice;
        const std::optional<RunRecord> kept = journal.keptRun(&notice);
        QCOMPARE(notice, u"Resumed, down since 06:00:00"_s);
        h.run.resume(kept.value());
        QVERIFY(h.tickUntilAlarm(1));
        QCOMPARE(h.shown.back().alarm.caption, u"Vigiltide - 07:00:00"_s);
        h.run.answerContinue(h.run.alarm()->id);
        QCOMPARE(h.run.timerText(), u"Timer 08:00"_s);
        journal.programEnding(true, u"closed by the watchkeeper"_s);
        QVERIFY(!QFile::exists(RunStore(m_settings).path()));
        QCOMPARE(events(),
                 QStringList({u"start"_s, u"end SIGTERM"_s, u"resumed down since 06:00:00"_s,
                              u"shown 1"_s, u"continue 1 open 0 s"_s,
                              u"end closed by the watchkeeper"_s}));
    }

    void untrustedRecords_data()
    {
        QTest::addColumn<QByteArray>("record");
        const QByteArray good = R"({"format":"vigiltide-run","version":1,"settings":"SETTINGS",)"
                                R"("mode":0,"round":true,"alarm":0,"alive":0,"entries":[)"
                                R"({"mark":2,"schedule":"15","message":"M","back":1,"fore":2,)"
                                R"("fired":false,"due":100}]})";
        QTest::newRow("cut short") << good.left(good.size() / 2);
        QTest::newRow("not a run") << QByteArray(good).replace("vigiltide-run", "notes");
        QTest::newRow("another file's") << QByteArray(good).replace("SETTINGS", "/elsewhere.ini");
        QTest::newRow("a due time in words") << QByteArray(good).replace("100", "\"soon\"");
        QTest::newRow("its alarm past the end")
            << QByteArray(good).replace("\"alarm\":0", "\"alarm\":2");
        QTest::newRow("a mode unknown") << QByteArray(good).replace("\"mode\":0", "\"mode\":7");
    }
    // A record damaged or not of this program and file is told once, set
    // aside, and no run is taken up from it.
    void untrustedRecords()
    {
        QFETCH(QByteArray, record);
        const RunStore store(m_settings);
        QDir().mkpath(QFileInfo(store.path()).absolutePath());
        writeFile(store.path(),
                  record.replace("SETTINGS", QFileInfo(m_settings).absoluteFilePath().toUtf8()));
        RunHarness h;
        RunJournal journal(h.run, h.clock, m_log);
        journal.setSettingsFile(m_settings);
        QString notice;
        QVERIFY(!journal.keptRun(&notice));
        QVERIFY2(notice.startsWith(u"Resume Error, the run kept in "_s), qPrintable(notice));
        QVERIFY(!QFile::exists(store.path()) && QFile::exists(store.path() + u".unused"_s));
        QVERIFY(!journal.keptRun(&notice)); // told once
    }

    // Across the change to summer time, timed by the clock's zone, not the
    // machine's (Tokyo); breaks in a text become blanks.
    void linesOfAWatch()
    {
        m_logClock.setLocal(QDate(2027, 3, 28), QTime(0, 30, 5));
        WatchLog log(m_folder.filePath(u"day.log"_s), m_logClock);
        const QString text = u"Radar\tchart\r\nlog\u2028"_s;
        const std::pair<int, WatchEvent> day[] = {
            {0, {}}, // a start
            {910, {K::Continue, u"Interval"_s, 2, u"00:45"_s, u"Radar°"_s, openDetail(15'900)}},
            {1800, {K::Stop, u"Time"_s, 11, u"02:15:00"_s, text, text}},
        };
        for (const auto& [seconds, e] : day) {
            m_logClock.advanceSeconds(seconds);
            QVERIFY(log.append(e));
        }
        QCOMPARE(QString::fromUtf8(readFile(log.path())),
                 u"2027-03-28T00:30:05+00:00\tstart\t\t\t\t\t\n"
                 "2027-03-28T00:45:15+00:00\tcontinue\tInterval\t2\t00:45\tRadar°\topen 15 s\n"
                 "2027-03-28T02:15:15+01:00\tstop\tTime\t11\t02:15:00\tRadar chart  log \tRadar "
                 "chart  log \n"_s);
    }

    // The log's folder is made when missing; a folder in the log's place stops
    // root as well as anyone.
    void failureToldOncePerStretch()
    {
        const QString path = m_folder.filePath(u"state/Vigiltide/Watch.log"_s);
        WatchLog log(path, m_logClock);
        QVERIFY(QDir().mkpath(path));
        QVERIFY(!log.append({}));
        QVERIFY(log.takeFailure().contains(path));
        QVERIFY(!log.append({}));
        QCOMPARE(log.takeFailure(), QString());
        QVERIFY(QDir(m_folder.filePath(u"state"_s)).removeRecursively());
        QVERIFY(log.append({}));
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        QVERIFY(!log.append({}));
        QVERIFY(!log.takeFailure().isEmpty());
    }

    void twoWritersKeepWholeLines()
    {
        const QString path = m_folder.filePath(u"shared.log"_s);
        constexpr int kLines = 1000;
        const auto shown = [](QChar c) {
            return WatchEvent{K::Shown, {}, 1, {}, QString(4000, c), {}};
        };
        const auto writer = [&](QChar c) {
            WatchLog log(path, m_logClock);
            for (int i = 0; i < kLines; ++i)
                log.append(shown(c));
        };
        std::thread a(writer, u'a'), b(writer, u'b');
        a.join();
        b.join();
        const QDateTime at =
            QDateTime::fromMSecsSinceEpoch(m_logClock.epochMs(), m_logClock.timeZone());
        const QStringList lines = QString::fromUtf8(readFile(path)).split(u'\n');
        QCOMPARE(lines.count(WatchLog::line(at, shown(u'a'))), kLines);
        QCOMPARE(lines.count(WatchLog::line(at, shown(u'b'))), kLines);
    }

    // An alarm unanswered for 30 s escalates once, one answered sooner never;
    // a heartbeat at Start, every 5 minutes while armed (an alarm open or
    // not, a sleep counting in full), and "stop" at the end; the program's
    // end by the watchkeeper ends the run, any other keeps it.
    void hookTimes()
    {
        RunHarness h;
        HookSchedule schedule(h.run, h.clock);
        schedule.setTimes(30, 5);
        QStringList said;
        connect(&schedule, &HookSchedule::heartbeat, this, [&](const QString& event) {
            said << h.local(h.clock.nowSeconds(), u"hh:mm:ss"_s) + u' ' + event;
        });
        connect(&schedule, &HookSchedule::escalate, this, [&](const Alarm& alarm, qint64 waited) {
            said << h.local(h.clock.nowSeconds(), u"hh:mm:ss"_s) + u" escalate "_s +
                        QString::number(alarm.id.row) + u' ' + QString::number(waited / 1000);
        });
        const auto wait = [&](int seconds) {
            for (int s = 0; s < seconds; ++s) {
                h.clock.advanceSeconds(1);
                h.run.CheckDueAlarms();
                schedule.check();
            }
        };
        h.startAt(u"2027-01-15T10:58:00"_s, tableOf(u"60|15"_s), TimerMode::Interval, true);
        wait(120);
        QCOMPARE(h.run.alarm()->id.row, 1); // 11:00:00
        wait(60);
        h.run.answerContinue(h.run.alarm()->id);
        wait(1);
        QCOMPARE(h.run.alarm()->id.row, 2);
        wait(29);
        h.run.answerContinue(h.run.alarm()->id);
        wait(120);
        h.clock.correctWallMs(20 * 60000); // asleep
        wait(1);
        schedule.programEnding(false);
        wait(600);
        QCOMPARE(said, QStringList({u"10:58:00 heartbeat"_s, u"11:00:30 escalate 1 30"_s,
                                    u"11:03:00 heartbeat"_s, u"11:23:31 heartbeat"_s}));

        said.clear();
        HookSchedule other(h.run, h.clock);
        other.setTimes(std::nullopt, 1);
        connect(&other, &HookSchedule::heartbeat, this, [&](const QString& e) { said << e; });
        h.run.TimerStop();
        h.startAt(u"2027-01-15T12:00:00"_s, tableOf(u"60"_s), TimerMode::Interval);
        h.run.TimerStop();
        h.startAt(u"2027-01-15T12:00:00"_s, tableOf(u"60"_s), TimerMode::Interval);
        other.programEnding(true);
        other.programEnding(true);
        QCOMPARE(said, QStringList({u"heartbeat"_s, u"stop"_s, u"heartbeat"_s, u"stop"_s}));
    }
};

VT_GUILESS_TEST_MAIN(TestJournal, "Asia/Tokyo")
#include "tst_journal.moc"
