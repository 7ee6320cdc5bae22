// SPDX-License-Identifier: MIT
// The platform layer: the sleep inhibitor and the alarm's notification against
// fakes on a private bus; one program per settings file (a link to the file, a
// crash's leftover, a failure, two starts at one moment) beside tst_desktop's.
#include "support.h"

#include "platform/desktopnotifier.h"
#include "platform/logindinhibitor.h"
#include "platform/singleinstance.h"

#include <QDBusContext>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

bool isOpen(int readEnd)
{
    pollfd p{readEnd, POLLIN, 0}; // the write end's last copy closed: a hang-up
    return ::poll(&p, 1, 0) == 0;
}

// Each Inhibit hands out the write end of a fresh pipe and keeps the read end,
// as logind notices a hold going away; on a thread, as the inhibitor blocks.
class FakeLogind : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    bool silent = false;      // never answers
    QList<QStringList> calls; // the arguments, and how many holds were open then
    QList<int> readEnds;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode)
    {
        int ends[2];
        if (silent || ::pipe2(ends, O_CLOEXEC) != 0) {
            setDelayedReply(true);
            return {};
        }
        calls << QStringList{
            what, who, why, mode,
            QString::number(std::count_if(readEnds.begin(), readEnds.end(), isOpen))};
        readEnds << ends[0];
        QDBusUnixFileDescriptor handed(ends[1]); // a duplicate, so ours can go
        ::close(ends[1]);
        return handed;
    }
};

// A notification service that answers Notify only when told to.
class FakeNotifications : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QList<QDBusMessage> unanswered;
    QList<uint> closed;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString&, const QString&,
                const QStringList&, const QVariantMap&, int)
    {
        setDelayedReply(true);
        unanswered << message();
        return 0;
    }
    void CloseNotification(uint id) { closed << id; }
};

// What a killed program leaves: a socket file that nobody listens on any more.
bool leaveDeadSocket(const QString& path)
{
    sockaddr_un address = {AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return made;
}

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

    QProcess m_daemon; // a D-Bus of the test's own, where the fake owns logind's name
    QString m_bus;
    QThread m_thread;
    FakeLogind m_fake;
    QTemporaryDir m_runtime; // made with mode 0700, as a runtime folder must be
    QTemporaryDir m_files;

    QString file(const QString& name) const { return m_files.filePath(name); }

private slots:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        m_bus = startServer(m_daemon, u"dbus-daemon"_s,
                            {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
        if (m_bus.isEmpty())
            return; // the bus's cases skip; one program per file needs none
        QDBusConnection server = QDBusConnection::connectToBus(m_bus, u"logind"_s);
        m_fake.moveToThread(&m_thread);
        m_thread.start();
        QVERIFY(server.registerObject(u"/org/freedesktop/login1"_s, &m_fake,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(u"org.freedesktop.login1"_s));
    }

    void init()
    {
        const QByteArray name = QTest::currentTestFunction();
        if (m_bus.isEmpty() &&
            (name == "holdsRenewsAndReleases" || name == "notificationWithdrawnBeforeItsNumber"))
            QSKIP("no private bus: dbus-daemon (Debian package dbus-daemon) is missing");
    }

    void holdsRenewsAndReleases()
    {
        {
            LogindSleepInhibitor inhibitor(QDBusConnection::connectToBus(m_bus, u"client"_s));
            inhibitor.inhibit(u"Watch armed until 04:00"_s);
            QVERIFY(inhibitor.isHeld());
            QCOMPARE(m_fake.calls.value(0),
                     QStringList({"sleep", "Vigiltide", "Watch armed until 04:00", "block", "0"}));
            inhibitor.inhibit(u"Second"_s); // the new hold before the old goes
            QCOMPARE(m_fake.calls.value(1).value(4), u"1"_s);
            QTRY_VERIFY(!isOpen(m_fake.readEnds.value(0)) && isOpen(m_fake.readEnds.value(1)));
            inhibitor.release();
            QVERIFY(!inhibitor.isHeld());
            QTRY_VERIFY(!isOpen(m_fake.readEnds.value(1)));
            inhibitor.inhibit(u"Again"_s);
        }
        QTRY_VERIFY(!isOpen(m_fake.readEnds.value(2))); // going away lets go too
        m_fake.silent = true;                           // a silent logind: a bounded wait, no hold
        QElapsedTimer timer;
        timer.start();
        LogindSleepInhibitor silent(QDBusConnection::connectToBus(m_bus, u"silent"_s));
        silent.inhibit(u"Watch"_s);
        QVERIFY(!silent.isHeld() && timer.elapsed() < LogindSleepInhibitor::kCallTimeoutMs + 3000);
    }

    // An alarm answered before the service has told its notification's number:
    // the notification still goes once the number comes.
    void notificationWithdrawnBeforeItsNumber()
    {
        FakeNotifications service;
        QDBusConnection server = QDBusConnection::connectToBus(m_bus, u"notifications"_s);
        QVERIFY(server.registerObject(u"/org/freedesktop/Notifications"_s, &service,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(u"org.freedesktop.Notifications"_s));
        vt::DesktopNotifier notifier(QDBusConnection::connectToBus(m_bus, u"program"_s), u"id"_s);
        notifier.post(u"Vigiltide - 07:30"_s, u"Check"_s);
        QTRY_COMPARE(service.unanswered.size(), 1);
        notifier.withdraw();
        server.send(service.unanswered.takeFirst().createReply(QVariant::fromValue(7u)));
        QTRY_COMPARE(service.closed, QList<uint>{7});
    }

    void secondStartHandsOver_data()
    {
        QTest::addColumn<QString>("spelling"); // of the settings file, by the second start
        QTest::addColumn<bool>("start");
        QTest::newRow("show") << u"watch.ini"_s << false;
        QTest::newRow("start, through a link") << u"link.ini"_s << true;
    }
    void secondStartHandsOver()
    {
        QFETCH(QString, spelling);
        QFETCH(bool, start);
        QFile(file(u"watch.ini"_s)).open(QIODevice::WriteOnly);
        QFile::link(file(u"watch.ini"_s), file(u"link.ini"_s));
        SingleInstance first(file(u"watch.ini"_s));
        QVERIFY(first.claim());
        QSignalSpy asked(&first, &SingleInstance::activationRequested);
        // The second start blocks, so it runs beside this event loop.
        bool handedOver = false;
        const std::unique_ptr<QThread> second(QThread::create([&] {
            SingleInstance instance(file(spelling));
            handedOver = !instance.claim() && instance.forward(start);
        }));
        second->start();
        QTRY_VERIFY(second->isFinished());
        QVERIFY(handedOver);
        QCOMPARE(QList<QVariantList>(asked), QList<QVariantList>{{start}});
    }

    // Another file runs beside; a crash's leftover is taken over. A start
    // stuck mid-claim of a leftover holds the lock: the next waits for it, so
    // that two starts at one moment take turns, then goes on without. A claim that
    // cannot be made lets the program start: a watch is worse off without its
    // alarm than with two windows on one file.
    void claimsThatSucceed()
    {
        SingleInstance a(file(u"a.ini"_s)), b(file(u"b.ini"_s));
        QVERIFY(a.claim() && b.claim());
        QVERIFY(leaveDeadSocket(SingleInstance::serverName(file(u"crashed.ini"_s))));
        QVERIFY(SingleInstance(file(u"crashed.ini"_s)).claim());
        QVERIFY(leaveDeadSocket(SingleInstance::serverName(file(u"stuck.ini"_s))));
        QLockFile stuck(SingleInstance::serverName(file(u"stuck.ini"_s)) + u".lock"_s);
        QVERIFY(stuck.lock());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"goes on without its lock"_s));
        QVERIFY(SingleInstance(file(u"stuck.ini"_s)).claim());
        // A folder in the socket's place stops root as well as anyone.
        QVERIFY(QDir().mkdir(SingleInstance::serverName(file(u"blocked.ini"_s))));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot be noticed"_s));
        QVERIFY(SingleInstance(file(u"blocked.ini"_s)).claim());
    }
    void cleanupTestCase()
    {
        m_thread.quit();
        m_thread.wait();
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
