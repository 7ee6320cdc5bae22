// SPDX-License-Identifier: MIT
// The settings file through the main window: the exact file after Default,
// loading edge cases, the File menu and closing, and bad input that must give
// a clear message and lose nothing.
#include "testmain.h"
#include "windowdriver.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>

using namespace vt;

namespace
{

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray kDefaultFile = "[Interval]\n"
                                "Count=2\n"
                                "#1 Enabled=True\n"
                                "#1 Interval=60\n"
                                "#1 Message Text=Time's Up, Check Log\n"
                                "#1 Message Fore Color=255\n"
                                "#1 Message Back Color=65535\n"
                                "#2 Enabled=True\n"
                                "#2 Interval=15\n"
                                "#2 Message Text=Time's Up, Check Horizon\n"
                                "#2 Message Fore Color=-2147483640\n"
                                "#2 Message Back Color=-2147483643\n"
                                "Round=1\n"
                                "\n"
                                "[Timer]\n"
                                "Mode=0\n"
                                "Sound=1\n"
                                "Speech Engine=0\n"
                                "Speech Rate=0\n"
                                "Speech Volume=100\n"
                                "Speech Voice=Voice A\n"
                                "\n"
                                "[Time]\n"
                                "Count=1\n"
                                "#1 Enabled=True\n"
                                "#1 Time=7:30:00\n"
                                "#1 Message Text=Orvo's Weather\n"
                                "#1 Message Fore Color=-2147483640\n"
                                "#1 Message Back Color=-2147483643\n";

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void fileAfterDefaultIsExact();
    void loadingEdgeCases();
    void settingsLiveBesideProgramOrInUserFolder();
    void savingFewerEntriesKeepsOldKeys();
    void speechEngineIndexRules();
    void openFileWithoutKeysAndSaveUnderNewName();
    void cancelledDialogsChangeNothing();
    void defaultDuringRunStopsIt();
    void badValuesAreSkippedOneByOne_data();
    void badValuesAreSkippedOneByOne();
    void unreadableFileIsNeverOverwritten_data();
    void unreadableFileIsNeverOverwritten();
    void openErrorKeepsCurrentFile();
};

void TestSettings::fileAfterDefaultIsExact()
{
    WindowDriver d;
    d.ui().mnuFileDefault->trigger();
    QCOMPARE(d.table().Rows(), 3);
    d.table().setRow(1);
    d.table().setCol(MessageColumn);
    QCOMPARE(d.table().CellBackColor(), 65535); // red on yellow after Default
    d.window.close();
    QCOMPARE(d.settingsText(), kDefaultFile);
}

void TestSettings::loadingEdgeCases()
{
    const QByteArray file = "[interval]\n"
                            "count=2\n"
                            "#1 ENABLED=false\n"
                            "#1 Interval= \"45\" \n"
                            "#1 Message Text=" +
                            QByteArray(600, 'x') +
                            "\n"
                            "#2 Enabled=0\n"
                            "#2 Message Fore Color=16711680\n"
                            "[Time]\n"
                            "Count=1\n"
                            "#1 Enabled=True\n"
                            "[Timer]\n"
                            "Mode=0\n";
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), false, &file);
    QCOMPARE(d.window.statusPanel()->text(), QString());
    QVERIFY(!d.enabled(1));
    QCOMPARE(d.text(1, ScheduleColumn), QStringLiteral("45"));          // quotes and blanks gone
    QCOMPARE(d.text(1, MessageColumn), QString(600, QLatin1Char('x'))); // whole
    QVERIFY(!d.enabled(2));
    // Entry 2 has no text keys: it keeps its texts; its colours: text colour
    // from the file, background reset to the table's.
    QCOMPARE(d.text(2, MessageColumn), QStringLiteral("Time's Up, Check Horizon"));
    d.table().setRow(2);
    d.table().setCol(MessageColumn);
    QCOMPARE(d.table().CellForeColor(), 0xFF0000);
    QCOMPARE(d.table().CellBackColor(), d.table().BackColor());
    // The Time entry's flag is its own, whatever Interval entry 1 says.
    QVERIFY(IsEntryEnabled(*d.window.grdTimer(TimeMode), 1, EnableColumn));
    QCOMPARE(d.ui().cmdSpeechSpeak->toolTip(), QStringLiteral("Speak Message # 2"));

    // Count 0: the header row only, and no entry key of that table is read.
    const QByteArray empty = "[Time]\nCount=0\n#1 Enabled=False\n#1 Time=junk\n";
    WindowDriver none(std::make_unique<FakeSpeechEngine>(), false, &empty);
    QCOMPARE(none.window.grdTimer(TimeMode)->Rows(), 1);
    QCOMPARE(none.window.statusPanel()->text(), QString());
}

void TestSettings::settingsLiveBesideProgramOrInUserFolder()
{
    QTemporaryDir program;
    QCOMPARE(DefaultSettingsPath(program.path()),
             program.filePath(QStringLiteral("Vigiltide.Ini")));
    // A program folder that cannot be written (an installed program): the
    // user's configuration folder instead.
    const QString missing = program.filePath(QStringLiteral("no/such/folder"));
    const QString user = DefaultSettingsPath(missing);
    QVERIFY(!user.startsWith(missing));
    QVERIFY(user.endsWith(QStringLiteral("/Vigiltide.Ini")));
    QCOMPARE(QFileInfo(user).absolutePath(),
             QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

void TestSettings::savingFewerEntriesKeepsOldKeys()
{
    QByteArray file = "[Interval]\nCount=5\n";
    for (int n = 1; n <= 5; ++n)
        file += "#" + QByteArray::number(n) + " Enabled=True\n#" + QByteArray::number(n) +
                " Interval=" + QByteArray::number(n * 10) + "\n";
    file += "; kept as it is\n[Extra]\nmine=1\n";
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), false, &file);
    QCOMPARE(d.table().Rows(), 6);
    d.table().setRow(3);
    for (int i = 0; i < 3; ++i) {
        d.table().setRow(d.table().Rows() - 1);
        d.pick(d.table().Rows() - 1, d.ui().mnuTimerDelete);
    }
    QCOMPARE(d.table().Rows(), 3);
    d.window.close();
    const QByteArray saved = d.settingsText();
    QVERIFY(saved.contains("Count=2\n"));
    QVERIFY(saved.contains("#5 Interval=50\n")); // beyond Count, left alone
    QVERIFY(saved.contains("; kept as it is\n[Extra]\nmine=1\n"));
    WindowDriver again(std::make_unique<FakeSpeechEngine>(), false, &saved);
    QCOMPARE(again.table().Rows(), 3);
}

void TestSettings::speechEngineIndexRules()
{
    const QByteArray none = "[Timer]\nSpeech Engine=-1\n";
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), false, &none);
    // The voices came after the file was read; its -1 still means no voice.
    QCOMPARE(d.ui().cmbSpeechEngine->currentIndex(), -1);
    d.ui().cmbSpeechEngine->setCurrentIndex(1);
    const QByteArray beyond = "[Timer]\nSpeech Engine=3\nSpeech Rate=4\n";
    writeFile(d.settingsPath(), beyond);
    answerFileDialog(d.settingsPath());
    d.ui().mnuFileRecall->trigger();
    QCOMPARE(d.ui().cmbSpeechEngine->currentIndex(), 1); // index 3 of two voices: ignored
    QCOMPARE(d.ui().sldSpeechRate->value(), 4);
    writeFile(d.settingsPath(), none);
    answerFileDialog(d.settingsPath());
    d.ui().mnuFileRecall->trigger();
    QCOMPARE(d.ui().cmbSpeechEngine->currentIndex(), -1);
    QCOMPARE(d.window.statusPanel()->text(), QString());
}

void TestSettings::openFileWithoutKeysAndSaveUnderNewName()
{
    WindowDriver d;
    d.setMessageColors(1, 65535, 255);
    const QString other = d.folder.filePath(QStringLiteral("other.ini"));
    writeFile(other, "; nothing of ours\n");
    answerFileDialog(other);
    d.ui().mnuFileRecall->trigger();
    QCOMPARE(d.window.settingsFile(), other);
    QCOMPARE(d.text(1, MessageColumn), QStringLiteral("Time's Up, Check Log"));
    d.table().setRow(1);
    d.table().setCol(MessageColumn);
    QCOMPARE(d.table().CellBackColor(), d.table().BackColor()); // only the backgrounds reset
    QCOMPARE(d.table().CellForeColor(), 255);

    const QString saved = d.folder.filePath(QStringLiteral("watch"));
    answerFileDialog(saved);
    d.ui().mnuFileSave->trigger();
    QCOMPARE(d.window.settingsFile(), saved + QStringLiteral(".ini")); // default extension
    QVERIFY(readFile(saved + QStringLiteral(".ini")).startsWith("[Interval]\nCount=2\n"));
    d.window.close();
    QVERIFY(!QFile::exists(d.settingsPath())); // the program folder's file is not written
    QVERIFY(readFile(other).startsWith("; nothing of ours\n")); // not current any more
}

void TestSettings::cancelledDialogsChangeNothing()
{
    const QByteArray file = "[Interval]\nCount=1\n#1 Interval=20\n; note\n";
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), false, &file);
    d.table().setRow(1);
    d.table().setCol(ScheduleColumn);
    d.table().setText(QStringLiteral("25")); // an edit that a reload would undo
    answerFileDialog(QString());
    d.ui().mnuFileRecall->trigger();
    QCOMPARE(d.text(1, ScheduleColumn), QStringLiteral("25"));
    answerFileDialog(QString());
    d.ui().mnuFileSave->trigger();
    QCOMPARE(d.settingsText(), file);
    QCOMPARE(d.window.settingsFile(), d.settingsPath());
    // Closing without a change still rewrites the current file.
    d.window.close();
    QVERIFY(d.settingsText().contains("#1 Interval=25\n"));
    QVERIFY(d.settingsText().contains("; note\n"));
}

void TestSettings::defaultDuringRunStopsIt()
{
    WindowDriver d;
    QVERIFY(d.raiseAlarm()->isVisible());
    d.ui().mnuFileDefault->trigger();
    QVERIFY(!d.window.messageWindow()->isVisible());
    QCOMPARE(d.window.statePanel()->text(), QStringLiteral("Stopped"));
    QVERIFY(!d.window.tick().isActive());
    QVERIFY(d.ui().cmdStart->isEnabled());
}

void TestSettings::badValuesAreSkippedOneByOne_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad colour") << QByteArray("[Interval]\n#1 Message Back Color=yellow\n")
                                << "Settings Error, [Interval] #1 Message Back Color";
    QTest::newRow("word for a count")
        << QByteArray("[Interval]\nCount=three\n") << "Settings Error, [Interval] Count";
    QTest::newRow("mode 7") << QByteArray("[Timer]\nMode=7\nSound=0\n")
                            << "Settings Error, [Timer] Mode";
    QTest::newRow("negative count")
        << QByteArray("[Time]\nCount=-1\n") << "Settings Error, [Time] Count";
    QTest::newRow("absurd count") << QByteArray("[Interval]\nCount=99999999\n")
                                  << "Settings Error, [Interval] Count";
    QTest::newRow("enabled maybe")
        << QByteArray("[Interval]\n#2 Enabled=maybe\n") << "Settings Error, [Interval] #2 Enabled";
    QTest::newRow("rate beyond") << QByteArray("[Timer]\nSpeech Rate=11\n")
                                 << "Settings Error, [Timer] Speech Rate";
    QTest::newRow("empty file") << QByteArray() << "";
}

void TestSettings::badValuesAreSkippedOneByOne()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), false, &file);
    QCOMPARE(d.window.statusPanel()->text(), message);
    QCOMPARE(d.beeper.beeps, message.isEmpty() ? 0 : 1);
    // Everything else stands: the built-in schedule and settings.
    QCOMPARE(d.table().Rows(), 3);
    QCOMPARE(d.ui().cmbMode->currentIndex(), 0);
    QCOMPARE(d.text(2, ScheduleColumn), QStringLiteral("15"));
    QVERIFY(d.enabled(2));
    // Closing saves good values over the bad one, and keeps the rest.
    d.window.close();
    QVERIFY(!d.window.isVisible());
    QVERIFY(d.settingsText().contains("Count=2\n"));
}

void TestSettings::unreadableFileIsNeverOverwritten_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("binary file") << false;
    QTest::newRow("folder in its place") << true;
}

void TestSettings::unreadableFileIsNeverOverwritten()
{
    QFETCH(bool, folder);
    QByteArray binary("\x7f"
                      "ELF\0\0\x01\x02 not settings",
                      20);
    WindowDriver* d = nullptr;
    std::unique_ptr<WindowDriver> holder;
    if (folder) {
        holder = std::make_unique<WindowDriver>();
        d = holder.get();
        QFile::remove(d->settingsPath());
        QVERIFY(QDir().mkpath(d->settingsPath()));
        d->ui().mnuFileDefault->trigger(); // back to the program folder's file, now a folder
    } else {
        holder =
            std::make_unique<WindowDriver>(std::make_unique<FakeSpeechEngine>(), false, &binary);
        d = holder.get();
        QVERIFY(d->window.statusPanel()->text().startsWith(QStringLiteral("Settings Error, ")));
        QCOMPARE(d->table().Rows(), 3); // the built-in schedule stands
    }
    // The first close keeps the window open and says why; the second ends it.
    d->window.close();
    QVERIFY(d->window.isVisible());
    QVERIFY2(d->window.statusPanel()->text().startsWith(QStringLiteral("Save Error, ")),
             qPrintable(d->window.statusPanel()->text()));
    d->window.close();
    QVERIFY(!d->window.isVisible());
    if (folder)
        QVERIFY(QFileInfo(d->settingsPath()).isDir());
    else
        QCOMPARE(d->settingsText(), binary);
}

void TestSettings::openErrorKeepsCurrentFile()
{
    WindowDriver d;
    const QString binary = d.folder.filePath(QStringLiteral("binary.ini"));
    writeFile(binary, QByteArray("\0\0\0\0", 4));
    answerFileDialog(binary);
    d.ui().mnuFileRecall->trigger();
    QVERIFY(d.window.statusPanel()->text().startsWith(QStringLiteral("Open Error, ")));
    QCOMPARE(d.beeper.beeps, 1);
    QCOMPARE(d.window.settingsFile(), d.settingsPath());
    QCOMPARE(d.table().Rows(), 3);
    // Saving over a file it cannot read: refused, and the file left as it was.
    answerFileDialog(binary);
    d.ui().mnuFileSave->trigger();
    QVERIFY(d.window.statusPanel()->text().startsWith(QStringLiteral("Save Error, ")));
    QCOMPARE(d.window.settingsFile(), d.settingsPath());
    QCOMPARE(readFile(binary), QByteArray("\0\0\0\0", 4));
}

VT_TEST_MAIN(TestSettings, "Europe/London")
#include "tst_settings.moc"
