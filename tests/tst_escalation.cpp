// SPDX-License-Identifier: MIT
// The hooks as the window shows them: an alarm that escalates says so, and a
// command that fails is told in the status line and the watch log; a hooks
// file others may change runs nothing and says why.
#include "support.h"

#include "core/watchlog.h"
#include "ui/main/hookslink.h"

using namespace vt;
using namespace Qt::StringLiterals;

class TestEscalation : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QString m_hooks = m_config.filePath(u"Vigiltide/Hooks.ini"_s);

    void writeHooks(const QByteArray& command, QFile::Permissions permissions)
    {
        QDir().mkpath(QFileInfo(m_hooks).absolutePath());
        writeFile(m_hooks, "[Escalation]\nAfter=5\nCommand=" + command + '\n');
        QFile::setPermissions(m_hooks, permissions);
    }
    static QString lastLogLine()
    {
        return QString::fromUtf8(readFile(WatchLog::defaultPath())).trimmed().section(u'\n', -1);
    }

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }

    void escalation_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("event");  // in the watch log
        QTest::addColumn<QString>("status"); // the status line after it
        QTest::addColumn<QString>("line");   // on the alarm
        QTest::newRow("done") << QByteArray("true") << u"escalated"_s << u"Timer 11:00"_s
                              << u"Escalated at 11:00:05"_s;
        QTest::newRow("exits 1") << QByteArray("false") << u"escalation-failed"_s
                                 << u"Escalation Error, false exited with code 1"_s
                                 << u"Escalation failed at 11:00:05"_s;
        QTest::newRow("no such program")
            << QByteArray("'/no/such program' x") << u"escalation-failed"_s
            << u"Escalation Error, /no/such program cannot be started: "_s
            << u"Escalation failed at 11:00:05"_s;
    }
    // Five seconds unanswered: the command runs, the alarm says so under its
    // buttons, and how it went is told and logged; the alarm stays open.
    void escalation()
    {
        QFETCH(QByteArray, command);
        QFETCH(QString, event);
        QFETCH(QString, status);
        QFETCH(QString, line);
        writeHooks(command, QFile::ReadOwner | QFile::WriteOwner);
        WindowDriver d;
        frmMessage* alarm = d.raiseAlarm();
        QVERIFY(alarm && alarm->isVisible());
        const int height = alarm->height();
        QLabel* shown = alarm->form().lblEscalation;
        d.clock.advanceSeconds(4);
        d.window.hooks().schedule().check();
        QVERIFY(!shown->isVisible());
        d.clock.advanceSeconds(1);
        d.window.hooks().schedule().check();
        QVERIFY(shown->isVisible() && alarm->height() > height);
        QTRY_COMPARE(lastLogLine().section(u'\t', 1, 1), event);
        QVERIFY2(d.status().startsWith(status), qPrintable(d.status()));
        QCOMPARE(shown->text(), line);
        QVERIFY(alarm->isAlerting());
        QCOMPARE(lastLogLine().section(u'\t', 5, 5), alarm->message());
        d.window.hooks().schedule().check(); // once per alarm
        QTest::qWait(200);
        QCOMPARE(lastLogLine().section(u'\t', 1, 1), event);
        alarm->form().cmdOk->click();
        fireTick(d.window.run().tick());
        QVERIFY(
            !d.window.messageWindow()->form().lblEscalation->isVisible()); // the next alarm's own
    }

    // A hooks file that others may write runs nothing, at start-up and at
    // each Start, and says why.
    void othersMayWrite()
    {
        const QString ran = m_config.filePath(u"ran"_s);
        writeHooks("touch " + QFile::encodeName(ran),
                   QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
        WindowDriver d;
        QVERIFY2(d.status().startsWith(u"Hooks Error, "_s), qPrintable(d.status()));
        const int beeps = d.beeper.beeps;
        d.raiseAlarm();
        QVERIFY2(d.status().startsWith(u"Hooks Error, "_s), qPrintable(d.status()));
        QCOMPARE(d.beeper.beeps, beeps + 1);
        d.clock.advanceSeconds(60);
        d.window.hooks().schedule().check();
        QTest::qWait(300);
        QVERIFY(!QFile::exists(ran));
        QVERIFY(!d.window.messageWindow()->form().lblEscalation->isVisible());
    }
};

VT_TEST_MAIN(TestEscalation, "Europe/London")
#include "tst_escalation.moc"
