// SPDX-License-Identifier: MIT
// The logind sleep inhibitor against a fake logind on a private bus: the hold
// is really kept and really let go, and a missing or silent logind costs
// nothing but the hold.
#include "support.h"

#include "platform/logindinhibitor.h"

#include <QDBusContext>
#include <QDBusUnixFileDescriptor>
#include <QMutex>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using vt::LogindSleepInhibitor;

namespace
{

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");

// Each Inhibit hands out the write end of a fresh pipe and keeps the read end,
// which hangs up once every copy of the write end is closed, just as logind
// notices a hold going away. On a thread of its own: the inhibitor blocks the
// main thread while it calls.
class FakeLogind : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    enum class Answer { Lock, Refuse, Never };

    ~FakeLogind() override
    {
        for (int fd : std::as_const(readEnds))
            ::close(fd);
    }
    // Whether the hold handed out by that call is still open; -1 if no such call.
    int held(qsizetype call) const
    {
        QMutexLocker locker(&mutex);
        pollfd p{call < readEnds.size() ? readEnds.at(call) : -1, POLLIN, 0};
        return p.fd < 0 ? -1 : ::poll(&p, 1, 0) == 0;
    }

    mutable QMutex mutex;
    Answer answer = Answer::Lock;
    QList<QStringList> calls;
    QList<bool> earlierHeld; // every earlier hold still open when the call came
    QList<int> readEnds;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode)
    {
        QMutexLocker locker(&mutex);
        const Answer now = std::exchange(answer, Answer::Lock);
        if (now == Answer::Never) {
            setDelayedReply(true);
            return {};
        }
        int ends[2];
        if (now == Answer::Refuse || ::pipe2(ends, O_CLOEXEC) != 0) {
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not allowed"));
            return {};
        }
        calls << QStringList{what, who, why, mode};
        bool allOpen = true;
        for (int fd : std::as_const(readEnds)) {
            pollfd p{fd, POLLIN, 0};
            allOpen = allOpen && ::poll(&p, 1, 0) == 0;
        }
        earlierHeld << allOpen;
        readEnds << ends[0];
        QDBusUnixFileDescriptor handed(ends[1]); // a duplicate, so ours can go
        ::close(ends[1]);
        return handed;
    }
};

} // namespace

class TestSleepInhibitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void holdsRenewsAndReleases();
    void withoutLogind_data();
    void withoutLogind();
    void cleanupTestCase();

private:
    PrivateBus m_bus;
    QThread m_thread;
    FakeLogind m_fake;
};

void TestSleepInhibitor::initTestCase()
{
    if (m_bus.address.isEmpty())
        QSKIP("no private bus to test on: dbus-daemon (Debian package dbus-daemon) is missing");
    QDBusConnection server = m_bus.connect(QStringLiteral("logind"));
    m_fake.moveToThread(&m_thread);
    m_thread.start();
    QVERIFY(server.registerObject(kPath, &m_fake, QDBusConnection::ExportAllSlots));
    QVERIFY(server.registerService(kService));
}

void TestSleepInhibitor::holdsRenewsAndReleases()
{
    {
        LogindSleepInhibitor inhibitor(m_bus.connect(QStringLiteral("client")));
        inhibitor.inhibit(QStringLiteral("Watch armed until 04:00"));
        QVERIFY(inhibitor.isHeld());
        QCOMPARE(m_fake.calls.value(0),
                 QStringList({"sleep", "Vigiltide", "Watch armed until 04:00", "block"}));
        // A renewal takes the new hold before it lets the old one go.
        inhibitor.inhibit(QStringLiteral("Second"));
        QVERIFY(m_fake.earlierHeld.value(1));
        QTRY_COMPARE(m_fake.held(0), 0);
        QCOMPARE(m_fake.held(1), 1);
        // A refused renewal keeps the hold there is.
        m_fake.answer = FakeLogind::Answer::Refuse;
        inhibitor.inhibit(QStringLiteral("Third"));
        QVERIFY(inhibitor.isHeld());
        QCOMPARE(m_fake.held(1), 1);
        inhibitor.release();
        QVERIFY(!inhibitor.isHeld());
        QTRY_COMPARE(m_fake.held(1), 0);
        inhibitor.inhibit(QStringLiteral("Again"));
    }
    QTRY_COMPARE(m_fake.held(2), 0); // going away lets go too
}

void TestSleepInhibitor::withoutLogind_data()
{
    QTest::addColumn<QString>("bus");
    QTest::addColumn<int>("limitMs");
    QTest::newRow("logind never answers")
        << "silent" << LogindSleepInhibitor::kCallTimeoutMs + 3000;
    QTest::newRow("nobody on the bus") << "nobody" << LogindSleepInhibitor::kCallTimeoutMs / 2;
    QTest::newRow("unreachable bus") << "nowhere" << LogindSleepInhibitor::kCallTimeoutMs / 2;
    // Last: the system bus connection, once tried, is kept for the process.
    QTest::newRow("no system bus") << "system" << LogindSleepInhibitor::kCallTimeoutMs / 2;
}

void TestSleepInhibitor::withoutLogind()
{
    QFETCH(QString, bus);
    QFETCH(int, limitMs);
    const QString nowhere = QStringLiteral("unix:path=/nonexistent/bus");
    std::unique_ptr<LogindSleepInhibitor> inhibitor;
    if (bus == QLatin1String("system")) {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", nowhere.toUtf8());
        inhibitor = std::make_unique<LogindSleepInhibitor>();
    } else if (bus == QLatin1String("nowhere")) {
        inhibitor = std::make_unique<LogindSleepInhibitor>(
            QDBusConnection::connectToBus(nowhere, QStringLiteral("nowhere")));
    } else {
        if (bus == QLatin1String("nobody"))
            QVERIFY(m_bus.connect(QStringLiteral("logind")).unregisterService(kService));
        m_fake.answer = FakeLogind::Answer::Never;
        inhibitor = std::make_unique<LogindSleepInhibitor>(m_bus.connect(bus));
    }
    QElapsedTimer timer;
    timer.start();
    inhibitor->inhibit(QStringLiteral("Watch"));
    QVERIFY(!inhibitor->isHeld());
    QCOMPARE_LT(timer.elapsed(), limitMs);
}

void TestSleepInhibitor::cleanupTestCase()
{
    m_thread.quit();
    m_thread.wait();
}

QTEST_GUILESS_MAIN(TestSleepInhibitor)
#include "tst_sleepinhibitor.moc"
