// SPDX-License-Identifier: MIT
// The settings file through the window: loading, saving, the File menu, and
// every way a file can fail. The fuzz targets check the INI layer.
#include "support.h"

#include <csignal>
#include <sys/resource.h>

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

// What Default and a close write, byte for byte.
QByteArray defaultFile()
{
    return readFile(QFINDTESTDATA("data/default.ini"));
}

void choose(QAction* command, const QString& path)
{
    answerDialog(path);
    command->trigger();
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void fileAfterDefaultIsExact()
    {
        WindowDriver d;
        d.ui().mnuFileDefault->trigger();
        QCOMPARE(d.colours(1), std::pair(65535, 255)); // red on yellow after Default
        d.window.close();
        QCOMPARE(readFile(d.path()), defaultFile());
        QCOMPARE(QDir(d.folder.path()).entryList(QDir::Files), QStringList{"Vigiltide.Ini"});
    }
    void loadingEdgeCases()
    {
        WindowDriver d("[interval]\ncount=2\n#1 ENABLED=false\n#1 Interval= \"45\" \n"
                       "#1 Message Text=" +
                       QByteArray(600, 'x') +
                       "\n#2 Enabled=0\n#2 Message Fore Color=16711680\n"
                       "[Time]\nCount=1\n#1 Enabled=-1\n");
        QCOMPARE(d.status(), QString());
        QVERIFY(!d.enabled(1) && !d.enabled(2));
        QCOMPARE(d.text(1, ScheduleColumn), u"45"_s); // quotes and blanks gone
        QCOMPARE(d.text(1, MessageColumn), QString(600, QLatin1Char('x'))); // whole
        // No text keys: the texts stay; the background is reset to the table's.
        QCOMPARE(d.text(2, MessageColumn), u"Time's Up, Check Horizon"_s);
        QCOMPARE(d.colours(2), std::pair(AlarmTable::BackColor, 0xFF0000));
        // The Time entry's flag is its own, whatever Interval entry 1 says.
        QVERIFY(IsEntryEnabled(d.window.model(TimerMode::Time).table(), 1));
        // Count 0: the header row only, and no entry key of that table is read.
        WindowDriver none("[Time]\nCount=0\n#1 Enabled=False\n#1 Time=junk\n");
        QCOMPARE(none.window.model(TimerMode::Time).table().Rows(), 1);
        QCOMPARE(none.status(), QString());
        // A bad value is told and skipped; the built-in entries stand, saved over it.
        WindowDriver bad("[Interval]\nCount=three\n#1 Enabled=maybe\n");
        QCOMPARE(std::tuple(bad.status(), bad.beeper.beeps, bad.table().Rows(), bad.enabled(1)),
                 std::tuple(u"Settings Error, [Interval] Count"_s, 1, 3, true));
        bad.window.close();
        QVERIFY(readFile(bad.path()).contains("Count=2\n"));
    }
    void refillDuringARun_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("file"); // what Open... reads
        QTest::addColumn<bool>("stops");
        QTest::newRow("Default") << "mnuFileDefault" << QByteArray() << true;
        QTest::newRow("Open...") << "mnuFileRecall" << QByteArray("[Interval]\nCount=1\n") << true;
        QTest::newRow("Open... of a file it cannot read")
            << "mnuFileRecall" << QByteArray("\0\0\0\0", 4) << false;
    }
    // A refill stops the run first, closing the alarm; a file that cannot be
    // read changes nothing at all, the watch included.
    void refillDuringARun()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, file);
        QFETCH(bool, stops);
        WindowDriver d;
        const QString other = d.path(u"other.ini"_s);
        writeFile(other, file);
        QVERIFY(d.raiseAlarm()->isVisible());
        choose(d.window.findChild<QAction*>(command), other);
        QCOMPARE(d.window.messageWindow()->isVisible(), !stops);
        QCOMPARE(d.window.statePanel()->text(), QLatin1String(stops ? "Stopped" : "Running"));
        QCOMPARE(d.ui().cmdStart->isEnabled(), stops);
        QCOMPARE(d.table().Rows(), command == "mnuFileRecall" && stops ? 2 : 3);
        QCOMPARE(d.status().startsWith(u"Open Error, "_s), !stops);
        QCOMPARE(d.window.settingsFile(), command == "mnuFileRecall" && stops ? other : d.path());
        if (!stops) { // the alarm is still there to answer, and the run goes on
            QTest::mouseClick(d.window.messageWindow()->form().cmdOk, Qt::LeftButton);
            QCOMPARE(d.status(), u"Timer 11:00"_s); // the 15-minute entry
        }
    }
    void saveFailures_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"binary", "read-only", "folder", "full disk"})
            QTest::newRow(kind) << kind;
    }
    // A close that cannot save is refused, with the reason, until the very next
    // close; the file is left as it was, nothing half-written beside it.
    void saveFailures()
    {
        QFETCH(QString, kind);
        const QByteArray binary("\x7f\x45LF\0\0 not settings", 16);
        WindowDriver d(kind == "binary" ? binary : defaultFile());
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto restore = qScopeGuard([&old] { setrlimit(RLIMIT_FSIZE, &old); });
        if (kind == "folder") {
            QFile::remove(d.path());
            QVERIFY(QDir().mkpath(d.path()));
        } else if (kind == "read-only") {
            QFile::setPermissions(d.path(), QFile::ReadOwner);
        } else if (kind == "full disk") { // a file-size limit fails a write as a full disk does
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = 256;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        const int beeps = d.beeper.beeps; // a binary file was reported at start
        d.window.close();
        QVERIFY(d.window.isVisible());
        QVERIFY2(d.status().startsWith(u"Save Error, "_s), qPrintable(d.status()));
        d.click(1, EnableColumn);
        d.window.close();
        QVERIFY(d.window.isVisible());
        QCOMPARE(d.beeper.beeps, beeps + 2);
        // Right after, File, Exit through the menu ends it, as the close box does.
        QMenuBar* bar = d.window.menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(d.ui().mnuFile->menuAction()).center());
        QTRY_VERIFY(d.ui().mnuFile->isVisible());
        QTest::mouseClick(d.ui().mnuFile, Qt::LeftButton, {},
                          d.ui().mnuFile->actionGeometry(d.ui().mnuFileExit).center());
        QTRY_VERIFY(!d.window.isVisible());
        if (kind == "folder")
            QVERIFY(QFileInfo(d.path()).isDir());
        else
            QCOMPARE(readFile(d.path()), kind == "binary" ? binary : defaultFile());
        QVERIFY(QDir(d.folder.path()).entryList(QDir::Files | QDir::Hidden).size() <= 1);
    }
};

VT_TEST_MAIN(TestFiles, "Europe/London")
#include "tst_files.moc"
