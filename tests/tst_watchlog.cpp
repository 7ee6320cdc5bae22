// SPDX-License-Identifier: MIT
// The watch log's lines, its folder, its failures and two writers at once;
// tst_journal follows it through the run.
#include "runsupport.h"

#include "core/watchlog.h"

#include <thread>

using namespace vt;
using namespace Qt::StringLiterals;
using K = WatchEventKind;

class TestWatchLog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeClock m_clock;

private slots:
    void initTestCase() { m_clock.setZone(QTimeZone("Europe/London")); }

    // Across the change to summer time, timed by the clock's zone, not the
    // machine's (Tokyo); breaks in a text become blanks.
    void linesOfAWatch()
    {
        m_clock.setLocal(QDate(2027, 3, 28), QTime(0, 30, 5));
        WatchLog log(m_dir.filePath(u"day.log"_s), m_clock);
        const QString text = u"Radar\tchart\r\nlog\u2028"_s;
        const std::pair<int, WatchEvent> day[] = {
            {0, {}}, // a start
            {910, {K::Continue, u"Interval"_s, 2, u"00:45"_s, u"Radar°"_s, openDetail(15'900)}},
            {1800, {K::Stop, u"Time"_s, 11, u"02:15:00"_s, text, text}},
        };
        for (const auto& [seconds, e] : day) {
            m_clock.advanceSeconds(seconds);
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
        const QString path = m_dir.filePath(u"state/Vigiltide/Watch.log"_s);
        WatchLog log(path, m_clock);
        QVERIFY(QDir().mkpath(path));
        QVERIFY(!log.append({}));
        QVERIFY(log.takeFailure().contains(path));
        QVERIFY(!log.append({}));
        QCOMPARE(log.takeFailure(), QString());
        QVERIFY(QDir(m_dir.filePath(u"state"_s)).removeRecursively());
        QVERIFY(log.append({}));
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        QVERIFY(!log.append({}));
        QVERIFY(!log.takeFailure().isEmpty());
    }

    void twoWritersKeepWholeLines()
    {
        const QString path = m_dir.filePath(u"shared.log"_s);
        constexpr int kLines = 1000;
        const auto shown = [](QChar c) {
            return WatchEvent{K::Shown, {}, 1, {}, QString(4000, c), {}};
        };
        const auto writer = [&](QChar c) {
            WatchLog log(path, m_clock);
            for (int i = 0; i < kLines; ++i)
                log.append(shown(c));
        };
        std::thread a(writer, u'a'), b(writer, u'b');
        a.join();
        b.join();
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(m_clock.epochMs(), m_clock.timeZone());
        const QStringList lines = QString::fromUtf8(readFile(path)).split(u'\n');
        QCOMPARE(lines.count(WatchLog::line(at, shown(u'a'))), kLines);
        QCOMPARE(lines.count(WatchLog::line(at, shown(u'b'))), kLines);
    }
};

VT_GUILESS_TEST_MAIN(TestWatchLog, "Asia/Tokyo")
#include "tst_watchlog.moc"
