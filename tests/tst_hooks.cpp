// SPDX-License-Identifier: MIT
// The hooks file, the shell's word splitting of its command lines, and the
// runner that starts them in the background, with real processes.
#include "platform/commandrunner.h"
#include "settings/hooksfile.h"

#include <QtTest>

#include <memory>

#include <csignal>
#include <unistd.h>

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

const QByteArray kGood =
    "[Escalation]\nAfter=30\nCommand=notify-watch-officer --urgent\n"
    "[heartbeat]\nminutes = 5\nCommand=curl -m 10 'https://example.invalid/p'\n";
const QString kEscalation = u"30 notify-watch-officer|--urgent"_s;
const QString kHeartbeat = u"5 curl|-m|10|https://example.invalid/p"_s;

// The hooks in one line, so that a whole outcome is compared at once.
QString describe(const Hooks& hooks)
{
    const auto part = [](const std::optional<HookCommand>& hook) {
        return hook ? u"%1 %2"_s.arg(hook->every).arg(hook->command.join(u'|')) : u"off"_s;
    };
    return part(hooks.escalation) + u"; "_s + part(hooks.heartbeat);
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

bool grant(const QString& path, int permissions)
{
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::Permissions(permissions));
}

QStringList shell(const QString& script, const QString& argument = u"sh"_s)
{
    return {u"/bin/sh"_s, u"-c"_s, script, argument};
}

} // namespace

class TestHooks : public QObject
{
    Q_OBJECT

private slots:
    void hooksFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("hooks");
        QTest::addColumn<QString>("errorNames"); // empty: no error
        QTest::addColumn<int>("fileGrant");      // permissions added to the file's
        QTest::addColumn<int>("folderGrant");    // and to those of the folder it is in
        QTest::addColumn<bool>("linked");        // read through a link from another folder
        QTest::addColumn<uint>("owner");         // 0: whoever runs the test
        const auto row = [](const char* name, const QByteArray& content, const QString& hooks,
                            const QString& errorNames = {}, int file = 0, int folder = 0,
                            bool linked = false, uint owner = 0) {
            QTest::newRow(name) << content << hooks << errorNames << file << folder << linked
                                << owner;
        };
        const auto with = [](const char* from, const char* to) {
            return QByteArray(kGood).replace(from, to);
        };
        const QString none = u"off; off"_s;
        row("good", kGood, kEscalation + u"; "_s + kHeartbeat);
        row("good, linked", kGood, kEscalation + u"; "_s + kHeartbeat, {}, 0, 0, true);
        row("no file", QByteArray(), none);
        row("no command", with("Command=n", "#Command=n"), u"off; "_s + kHeartbeat);
        row("after 4", with("=30", "=4"), none, u"After in [Escalation]"_s);
        row("after 3601", with("=30", "=3601"), none, u"After in [Escalation]"_s);
        row("minutes 1441", with("= 5", "=1441"), none, u"Minutes in [Heartbeat]"_s);
        row("after a word", with("=30", "=thirty"), none, u"\"thirty\""_s);
        row("open quote", with("--urgent", "'--urgent"), none, u"Command in [Escalation]"_s);
        row("group-writable file", kGood, none, u"may be changed"_s, QFile::WriteGroup);
        row("world-writable folder", kGood, none, u"its folder"_s, 0, QFile::WriteOther);
        row("linked to a shared folder", kGood, none, u"its folder"_s, 0, QFile::WriteOther, true);
        row("someone else's file", kGood, none, u"may be changed"_s, 0, 0, false, 65534);
    }
    void hooksFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, fileGrant);
        QFETCH(int, folderGrant);
        QFETCH(bool, linked);
        QFETCH(uint, owner);
        if (owner != 0 && ::geteuid() != 0)
            QSKIP("giving a file to another user takes root");
        QTemporaryDir folder;
        const QString real = folder.filePath(u"real/Hooks.ini"_s);
        const QString path = linked ? folder.filePath(u"Hooks.ini"_s) : real;
        QVERIFY(QDir().mkdir(folder.filePath(u"real"_s)) &&
                grant(folder.filePath(u"real"_s), folderGrant));
        QVERIFY(content.isNull() || (writeFile(real, content) && grant(real, fileGrant)));
        QVERIFY(!linked || QFile::link(real, path));
        QVERIFY(owner == 0 || ::chown(QFile::encodeName(real).constData(), owner, owner) == 0);

        const HooksOutcome outcome = HooksLoad(path);
        QTEST(describe(outcome.hooks), "hooks");
        QFETCH(QString, errorNames);
        QCOMPARE(outcome.error.isEmpty(), errorNames.isEmpty());
        QVERIFY2(outcome.error.contains(errorNames), qPrintable(outcome.error));
    }

    void splitCommandLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words"); // empty: an error
        // Some lines are spelled with escapes: moc misreads raw strings that
        // mix both kinds of quotes and then sees no test class at all.
        QTest::newRow("blanks") << u" a\tb  c "_s << QStringList{"a", "b", "c"};
        QTest::newRow("single quotes") << u"'a  b' 'x\"y\\z'"_s << QStringList{"a  b", "x\"y\\z"};
        QTest::newRow("double quotes")
            << u"\"a 'b' \\\" \\\\ \\$ \\` \\n\""_s << QStringList{"a 'b' \" \\ $ ` \\n"};
        QTest::newRow("backslashes") << uR"(a\ b \'c\\ d)"_s << QStringList{"a b", R"('c\)", "d"};
        QTest::newRow("line joined") << u"ab\\\ncd \"e\\\nf\""_s << QStringList{"abcd", "ef"};
        QTest::newRow("joined parts") << uR"(pre"mid"'post'\!x)"_s << QStringList{"premidpost!x"};
        QTest::newRow("empty words") << uR"('' "" a'')"_s << QStringList{"", "", "a"};
        QTest::newRow("no expansion") << uR"($HOME ~ *.txt `date` $(id))"_s
                                      << QStringList{"$HOME", "~", "*.txt", "`date`", "$(id)"};
        QTest::newRow("open single quote") << uR"(a 'b)"_s << QStringList();
        QTest::newRow("open double quote") << uR"(a "b\")"_s << QStringList();
        QTest::newRow("trailing backslash") << uR"(a\)"_s << QStringList();
        QTest::newRow("no words") << u" \t "_s << QStringList();
    }
    void splitCommandLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QString error;
        QCOMPARE(vt::splitCommandLine(line, &error).value_or(QStringList()), words);
        QCOMPARE(error.isEmpty(), !words.isEmpty());
    }

    void runReportsOutcome_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("told"); // how the reason begins
        QTest::newRow("success") << shell(u"exit 0"_s) << u"succeeded"_s;
        QTest::newRow("exit code") << shell(u"exit 3"_s) << u"/bin/sh exited with code 3"_s;
        QTest::newRow("signal") << shell(u"kill -KILL $$"_s) << u"/bin/sh was ended by a signal"_s;
        QTest::newRow("missing program") << QStringList{u"vigiltide-no-such-program"_s}
                                         << u"vigiltide-no-such-program cannot be started: "_s;
        // The one failure QProcess tells inside start().
        QTest::newRow("no program") << QStringList() << u"an empty command cannot be started: "_s;
        // Added to the program's own environment, and given as it is.
        QTest::newRow("environment")
            << shell(u"[ \"$VIGILTIDE_MESSAGE/$VIGILTIDE_TEST_INHERITED\" = \"$0\" ]"_s,
                     uR"(Check "the" log $HOME/kept)"_s)
            << u"succeeded"_s;
    }
    void runReportsOutcome()
    {
        QFETCH(QStringList, command);
        qputenv("VIGILTIDE_TEST_INHERITED", "kept");
        QProcessEnvironment added;
        added.insert(u"VIGILTIDE_MESSAGE"_s, uR"(Check "the" log $HOME)"_s);
        CommandRunner runner;
        QSignalSpy succeeded(&runner, &CommandRunner::succeeded);
        QSignalSpy failed(&runner, &CommandRunner::failed);
        runner.run(command, added, u"escalation"_s);
        QCOMPARE(succeeded.count() + failed.count(), 0); // never from inside run()
        QTRY_COMPARE(succeeded.count() + failed.count(), 1);
        QCOMPARE(runner.running(), 0);
        const QVariantList report = succeeded.isEmpty() ? failed.first() : succeeded.first();
        QCOMPARE(report.first().toString(), u"escalation"_s);
        const QString reason = report.value(1, u"succeeded"_s).toString();
        QFETCH(QString, told);
        QVERIFY2(reason.startsWith(told), qPrintable(reason));
    }

    // Over time, a command is told of and killed; run() never waits for one;
    // a runner going away ends its commands at once and tells of none.
    void slowCommandsAreEnded()
    {
        QTemporaryDir folder;
        auto runner = std::make_unique<CommandRunner>();
        runner->setTimeoutMs(300);
        QSignalSpy failed(runner.get(), &CommandRunner::failed);
        QElapsedTimer clock;
        clock.start();
        runner->run(shell(u"echo $$ >\"$0\"; exec sleep 10"_s, folder.filePath(u"pid"_s)), {},
                    u"slow"_s);
        QVERIFY2(clock.elapsed() < 1000, "run() waited for the command");
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(runner->running(), 0);
        QCOMPARE(failed.first(), QVariantList({u"slow"_s, u"/bin/sh was still running after 1 "
                                                          u"second and was ended"_s}));
        QFile pid(folder.filePath(u"pid"_s));
        const pid_t slow = pid.open(QIODevice::ReadOnly) ? pid.readAll().trimmed().toInt() : 0;
        QVERIFY(slow > 0);
        QTRY_COMPARE(::kill(slow, 0), -1); // ended, and taken back by the system

        runner->setTimeoutMs(CommandRunner::kTimeoutMs);
        runner->run(shell(u"sleep 10"_s), {}, u"going"_s);
        runner.reset();
        QCOMPARE(failed.count(), 1);
        QVERIFY(clock.elapsed() < 5000);
    }
};

QTEST_GUILESS_MAIN(TestHooks)
#include "tst_hooks.moc"
