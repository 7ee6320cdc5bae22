// SPDX-License-Identifier: MIT
// The logind sleep inhibitor against a fake logind on a private bus: what it
// asks for, whether the hold is really kept and really let go, and that a
// missing or silent logind costs nothing but the hold.
#include "platform/logindinhibitor.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <utility>

using vt::LogindSleepInhibitor;

namespace
{

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");

// Stands in for logind: each Inhibit hands out the write end of a fresh pipe
// and keeps the read end, which reports a hang-up once every copy of the
// write end is closed, just as logind notices a hold going away. Lives on its
// own thread, since the inhibitor blocks the main thread while it calls.
class FakeLogind : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    enum class Answer { Lock, Refuse, Never };

    struct Call {
        QStringList args;
        bool earlierHeld = false; // every earlier hold still open when this one came
    };

    ~FakeLogind() override
    {
        for (int fd : m_readEnds)
            ::close(fd);
    }

    void answerNext(Answer answer)
    {
        QMutexLocker locker(&m_mutex);
        m_answer = answer;
    }
    QList<Call> calls() const
    {
        QMutexLocker locker(&m_mutex);
        return m_calls;
    }
    // The hold handed out by the given call is still open.
    bool held(qsizetype index) const
    {
        QMutexLocker locker(&m_mutex);
        return index < m_readEnds.size() && isOpen(m_readEnds.at(index));
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode)
    {
        QMutexLocker locker(&m_mutex);
        Call call{{what, who, why, mode},
                  std::all_of(m_readEnds.cbegin(), m_readEnds.cend(), isOpen)};
        const Answer answer = std::exchange(m_answer, Answer::Lock);
        if (answer == Answer::Refuse) {
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not allowed"));
            return {};
        }
        if (answer == Answer::Never) {
            setDelayedReply(true);
            return {};
        }
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("no pipe"));
            return {};
        }
        m_calls.append(call);
        m_readEnds.append(ends[0]);
        QDBusUnixFileDescriptor handed(ends[1]); // a duplicate, so ours can go
        ::close(ends[1]);
        return handed;
    }

private:
    static bool isOpen(int fd)
    {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) == 0;
    }

    mutable QMutex m_mutex;
    Answer m_answer = Answer::Lock;
    QList<Call> m_calls;
    QList<int> m_readEnds;
};

} // namespace

class TestSleepInhibitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void holdsAndReleases();
    void renewalHoldsNewBeforeOld();
    void refusedRenewalKeepsOldHold();
    void nobodyOnTheBus();
    void unreachableBus();
    void silentLogindTimesOut();
    void noSystemBus();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QThread m_thread;
    std::unique_ptr<FakeLogind> m_fake;
    std::unique_ptr<QDBusConnection> m_client;
    std::unique_ptr<QDBusConnection> m_server;
};

void TestSleepInhibitor::initTestCase()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP(
            "dbus-daemon is not installed (Debian package dbus-daemon): no private bus to test on");
    QVERIFY(m_dir.isValid());

    // Just enough of a session bus for one user: no activation, anyone may own any name.
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                              "Configuration 1.0//EN\"\n"
                              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type>"
                              "<listen>unix:path=%1</listen><auth>EXTERNAL</auth>"
                              "<policy context=\"default\"><allow send_destination=\"*\"/><allow "
                              "receive_sender=\"*\"/>"
                              "<allow own=\"*\"/></policy></busconfig>\n")
                   .arg(m_dir.filePath(QStringLiteral("bus")))
                   .toUtf8());
    file.close();

    m_daemon.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    QVERIFY2(m_daemon.waitForStarted(), qPrintable(m_daemon.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine() || m_daemon.state() != QProcess::Running,
                             10000);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY2(!m_address.isEmpty(), m_daemon.readAllStandardError().constData());

    m_client = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(m_address, QStringLiteral("inhibitor")));
    m_server = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(m_address, QStringLiteral("fake-logind")));
    QVERIFY2(m_client->isConnected(), qPrintable(m_client->lastError().message()));
    QVERIFY2(m_server->isConnected(), qPrintable(m_server->lastError().message()));
    QVERIFY(m_client->connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing);

    m_thread.start();
}

void TestSleepInhibitor::cleanupTestCase()
{
    m_fake.reset();
    if (m_server)
        QDBusConnection::disconnectFromBus(m_server->name());
    if (m_client)
        QDBusConnection::disconnectFromBus(m_client->name());
    m_thread.quit();
    m_thread.wait();
    m_daemon.kill();
    m_daemon.waitForFinished();
}

// A fresh fake for each test, so call indexes start at zero.
void TestSleepInhibitor::init()
{
    if (m_fake) {
        m_server->unregisterObject(kPath);
        m_server->unregisterService(kService);
    }
    m_fake = std::make_unique<FakeLogind>();
    m_fake->moveToThread(&m_thread);
    QVERIFY(m_server->registerObject(kPath, m_fake.get(), QDBusConnection::ExportAllSlots));
    QVERIFY(m_server->registerService(kService));
}

void TestSleepInhibitor::holdsAndReleases()
{
    {
        LogindSleepInhibitor inhibitor(*m_client);
        QVERIFY(!inhibitor.isHeld());
        inhibitor.inhibit(QStringLiteral("Watch armed until 04:00"));
        QVERIFY(inhibitor.isHeld());
        const auto calls = m_fake->calls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.at(0).args,
                 QStringList({"sleep", "Vigiltide", "Watch armed until 04:00", "block"}));
        QVERIFY(m_fake->held(0));

        inhibitor.release();
        QVERIFY(!inhibitor.isHeld());
        QTRY_VERIFY(!m_fake->held(0));
        inhibitor.release(); // a second release is harmless

        inhibitor.inhibit(QStringLiteral("Again"));
        QVERIFY(m_fake->held(1));
    }
    // Going away lets go too.
    QTRY_VERIFY(!m_fake->held(1));
}

void TestSleepInhibitor::renewalHoldsNewBeforeOld()
{
    LogindSleepInhibitor inhibitor(*m_client);
    inhibitor.inhibit(QStringLiteral("First"));
    inhibitor.inhibit(QStringLiteral("Second"));
    QVERIFY(inhibitor.isHeld());
    const auto calls = m_fake->calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(1).args.at(2), QStringLiteral("Second"));
    QVERIFY2(calls.at(1).earlierHeld, "the old hold was let go before the new one was asked for");
    QTRY_VERIFY(!m_fake->held(0));
    QVERIFY(m_fake->held(1));
}

void TestSleepInhibitor::refusedRenewalKeepsOldHold()
{
    LogindSleepInhibitor inhibitor(*m_client);
    inhibitor.inhibit(QStringLiteral("First"));
    m_fake->answerNext(FakeLogind::Answer::Refuse);
    inhibitor.inhibit(QStringLiteral("Second"));
    QVERIFY(inhibitor.isHeld());
    QVERIFY(m_fake->held(0));
    inhibitor.release();
    QTRY_VERIFY(!m_fake->held(0));
}

void TestSleepInhibitor::nobodyOnTheBus()
{
    QVERIFY(m_server->unregisterService(kService));
    LogindSleepInhibitor inhibitor(*m_client);
    QElapsedTimer timer;
    timer.start();
    inhibitor.inhibit(QStringLiteral("Watch"));
    QVERIFY(!inhibitor.isHeld());
    QCOMPARE_LT(timer.elapsed(), LogindSleepInhibitor::kCallTimeoutMs / 2);
    QVERIFY(m_fake->calls().isEmpty());
}

void TestSleepInhibitor::unreachableBus()
{
    const auto nowhere = QDBusConnection::connectToBus(QStringLiteral("unix:path=") +
                                                           m_dir.filePath(QStringLiteral("none")),
                                                       QStringLiteral("nowhere"));
    LogindSleepInhibitor inhibitor(nowhere);
    QElapsedTimer timer;
    timer.start();
    inhibitor.inhibit(QStringLiteral("Watch"));
    inhibitor.release();
    QVERIFY(!inhibitor.isHeld());
    QCOMPARE_LT(timer.elapsed(), LogindSleepInhibitor::kCallTimeoutMs / 2);
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

void TestSleepInhibitor::silentLogindTimesOut()
{
    LogindSleepInhibitor inhibitor(*m_client);
    m_fake->answerNext(FakeLogind::Answer::Never);
    QElapsedTimer timer;
    timer.start();
    inhibitor.inhibit(QStringLiteral("Watch"));
    QVERIFY(!inhibitor.isHeld());
    QCOMPARE_LT(timer.elapsed(), LogindSleepInhibitor::kCallTimeoutMs + 3000);
}

// The default inhibitor, where the system bus is missing as in a container.
// Runs last: the system bus connection, once tried, is kept for the process.
void TestSleepInhibitor::noSystemBus()
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS",
            (QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("none"))).toUtf8());
    LogindSleepInhibitor inhibitor;
    QElapsedTimer timer;
    timer.start();
    inhibitor.inhibit(QStringLiteral("Watch"));
    QVERIFY(!inhibitor.isHeld());
    QCOMPARE_LT(timer.elapsed(), LogindSleepInhibitor::kCallTimeoutMs / 2);
}

QTEST_GUILESS_MAIN(TestSleepInhibitor)
#include "tst_sleepinhibitor.moc"
