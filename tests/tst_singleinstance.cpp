// SPDX-License-Identifier: MIT
// One program per settings file: the hand-over to the first start, other
// files, the leftover of a crash, failures, and two starts at one moment.
#include "platform/singleinstance.h"

#include <QtTest>

#include <latch>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

// What a killed program leaves: a socket file that nobody listens on any more.
bool leaveDeadSocket(const QString& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                      ::listen(fd, 1) == 0;
    ::close(fd);
    return made;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime; // made with mode 0700, as a runtime folder must be
    QTemporaryDir m_files;

    QString file(const QString& name) const { return m_files.filePath(name); }
    void useRuntime(const QString& path) { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path)); }

private slots:
    void initTestCase()
    {
        useRuntime(m_runtime.path());
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
                 m_runtime.path());
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
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().first().toBool(), start);
    }

    void otherFileRunsBeside()
    {
        SingleInstance a(file(u"a.ini"_s)), b(file(u"b.ini"_s));
        QVERIFY(a.claim());
        QVERIFY(b.claim());
        QVERIFY(!SingleInstance(file(u"a.ini"_s)).claim());
    }

    void leftoverOfACrashIsTakenOver()
    {
        QVERIFY(leaveDeadSocket(SingleInstance::serverName(file(u"crashed.ini"_s))));
        SingleInstance next(file(u"crashed.ini"_s));
        QVERIFY(next.claim());
        QVERIFY(!SingleInstance(file(u"crashed.ini"_s)).claim());
    }

    // Without its alarm a watch is worse off than with two windows on one
    // file, so a claim that cannot be made lets the program start. A folder in
    // the socket's place stops root as well as anyone.
    void failureStillStarts()
    {
        QVERIFY(QDir().mkdir(SingleInstance::serverName(file(u"blocked.ini"_s))));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot be noticed"_s));
        QVERIFY(SingleInstance(file(u"blocked.ini"_s)).claim());
    }

    // Both find the dead socket of a crash and nobody answering on it.
    void simultaneousStartsHaveOneOwner()
    {
        const QString settings = file(u"race.ini"_s);
        for (int round = 0; round < 10; ++round) {
            QVERIFY(leaveDeadSocket(SingleInstance::serverName(settings)));
            std::latch ready(2), claimed(2);
            bool owner[2] = {};
            const auto start = [&](int i) {
                return QThread::create([&, i] {
                    SingleInstance instance(settings);
                    ready.arrive_and_wait();
                    owner[i] = instance.claim();
                    claimed.arrive_and_wait(); // the owner stays until both have claimed
                });
            };
            const std::unique_ptr<QThread> a(start(0)), b(start(1));
            a->start();
            b->start();
            QVERIFY(a->wait() && b->wait());
            QCOMPARE(int(owner[0]) + int(owner[1]), 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
