// SPDX-License-Identifier: MIT
// The watch log: its lines, its folder, its failures and two writers at once.
#include "core/clock.h"
#include "core/watchlog.h"

#include <QtTest>

#include <ctime>
#include <thread>

using namespace vt;
using namespace Qt::StringLiterals;
using K = WatchEventKind;

namespace
{

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : u"-"_s;
}

WatchEvent watchEvent(K kind, const QString& table = {}, int entry = 0, const QString& due = {},
                      const QString& message = {}, const QString& detail = {})
{
    return {kind, table, entry, due, message, detail};
}

} // namespace

class TestWatchLog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeClock m_clock;

private slots:
    void initTestCase() { m_clock.setZone(QTimeZone("Europe/London")); }

    // A night watch across the change to summer time.
    void dayOfEvents()
    {
        m_clock.setLocal(QDate(2027, 3, 28), QTime(0, 30, 5));
        WatchLog log(m_dir.filePath(u"day.log"_s), m_clock);
        const std::pair<int, WatchEvent> day[] = {
            {0, watchEvent(K::Start)},
            {895, watchEvent(K::Shown, u"Interval"_s, 2, u"00:45"_s, u"Radar – 270°"_s)},
            {15, watchEvent(K::Continue, u"Interval"_s, 2, u"00:45"_s, u"Radar – 270°"_s,
                            openDetail(15'900))},
            {1800, watchEvent(K::Shown, u"Time"_s, 11, u"02:15:00"_s, u"Log the position"_s)},
            {3, watchEvent(K::Stop, u"Time"_s, 11, u"02:15:00"_s, u"Log the position"_s,
                           openDetail(3'000))},
            {1, watchEvent(K::End, {}, 0, {}, {}, u"closed by the system"_s)},
        };
        for (const auto& [seconds, e] : day) {
            m_clock.advanceSeconds(seconds);
            QVERIFY(log.append(e));
        }
        QCOMPARE(
            readAll(log.path()),
            u"2027-03-28T00:30:05+00:00\tstart\t\t\t\t\t\n"
            "2027-03-28T00:45:00+00:00\tshown\tInterval\t2\t00:45\tRadar – 270°\t\n"
            "2027-03-28T00:45:15+00:00\tcontinue\tInterval\t2\t00:45\tRadar – 270°\topen 15 s\n"
            "2027-03-28T02:15:15+01:00\tshown\tTime\t11\t02:15:00\tLog the position\t\n"
            "2027-03-28T02:15:18+01:00\tstop\tTime\t11\t02:15:00\tLog the position\topen 3 s\n"
            "2027-03-28T02:15:19+01:00\tend\t\t\t\t\tclosed by the system\n"_s);
    }

    void breaksBecomeBlanks()
    {
        const QString text = u"Radar\tchart\r\nlog\u2028"_s;
        const QDateTime at(QDate(2027, 7, 1), QTime(9, 0), QTimeZone("Europe/London"));
        QCOMPARE(
            WatchLog::line(at, watchEvent(K::Shown, u"Time"_s, 1, u"09:00"_s, text, text)),
            u"2027-07-01T09:00:00+01:00\tshown\tTime\t1\t09:00\tRadar chart  log \tRadar chart  log "_s);
    }

    // A folder in the log's place stops root as well as anyone. The log's own
    // folder is made when missing.
    void failureToldOncePerStretch()
    {
        const QString path = m_dir.filePath(u"state/Vigiltide/Watch.log"_s);
        WatchLog log(path, m_clock);
        QVERIFY(QDir().mkpath(path));
        QVERIFY(!log.append(watchEvent(K::Shown)));
        QVERIFY(log.takeFailure().contains(path));
        QVERIFY(!log.append(watchEvent(K::Shown)));
        QCOMPARE(log.takeFailure(), QString());
        QVERIFY(QDir(m_dir.filePath(u"state"_s)).removeRecursively());
        QVERIFY(log.append(watchEvent(K::Shown)));
        QCOMPARE(log.takeFailure(), QString());
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        QVERIFY(!log.append(watchEvent(K::Shown)));
        QVERIFY(!log.takeFailure().isEmpty());
    }

    void twoWritersKeepWholeLines()
    {
        const QString path = m_dir.filePath(u"shared.log"_s);
        constexpr int kLines = 1000;
        const auto shown = [](QChar c) {
            return watchEvent(K::Shown, {}, 1, {}, QString(4000, c));
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
        const QStringList whole = {WatchLog::line(at, shown(u'a')),
                                   WatchLog::line(at, shown(u'b'))};
        const QStringList lines = readAll(path).split(u'\n');
        QCOMPARE(lines.count(whole[0]), kLines);
        QCOMPARE(lines.count(whole[1]), kLines);
        QCOMPARE(lines.size(), 2 * kLines + 1); // and the empty rest after the last break
    }
};

// The machine's zone is pinned away from the clock's (London), so that a line
// timed by the machine's zone rather than the clock's would show.
int main(int argc, char* argv[])
{
    qputenv("TZ", "Asia/Tokyo");
    tzset();
    QCoreApplication app(argc, argv);
    TestWatchLog test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_watchlog.moc"
