// SPDX-License-Identifier: MIT
// One program per settings file, beside tst_desktop's real program: a link to
// the file, the leftover of a crash, a failure, and two starts at one moment.
#include "platform/singleinstance.h"

#include <QtTest>

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
    sockaddr_un address = {AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
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

private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }

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
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
