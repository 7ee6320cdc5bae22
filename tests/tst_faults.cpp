// SPDX-License-Identifier: MIT
// Faults during a long watch: no sound output, a speech engine that fails or
// never finishes, a settings folder that cannot be written, a full disk. The
// alarm still shows, the status line says what is wrong, nothing is lost.
#include "testmain.h"
#include "windowdriver.h"

#include "speech/speechservice.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QProcess>
#include <QSlider>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace vt;

namespace
{

void saveAs(WindowDriver& d, const QString& path)
{
    answerFileDialog(path);
    d.ui().mnuFileSave->trigger();
}

class StatusLine : public StatusReporter
{
public:
    void setStatusText(const QString& t) override { text = t; }
    void beep() override { ++beeps; }
    QString text;
    int beeps = 0;
};

// A folder that cannot be written: permissions stop an ordinary user; root
// ignores them, so there the folder is bound onto itself read-only.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString& path) : m_path(path)
    {
#ifdef Q_OS_LINUX
        if (geteuid() != 0) {
            m_ok = QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
            return;
        }
        m_mounted = run({QStringLiteral("--bind"), path, path}) &&
                    run({QStringLiteral("-o"), QStringLiteral("remount,ro,bind"), path});
        m_ok = m_mounted;
#endif
    }
    ~ReadOnlyFolder()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_path});
        else
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool ok() const
    {
        return m_ok;
    }

private:
    static bool run(const QStringList& args)
    {
        return QProcess::execute(QStringLiteral("mount"), args) == 0;
    }
    QString m_path;
    bool m_ok = false;
    bool m_mounted = false;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void noSoundOutputStillFlashesAndSaysWhy();
    void speechFailingMidRunFallsBackToBeep();
    void speechThatNeverEndsIsReported();
    void unwritableSettingsFolder();
    void fullDiskKeepsTheOldFile();
};

void TestFaults::noSoundOutputStillFlashesAndSaysWhy()
{
    WindowDriver d;
    d.beeper.silence = QStringLiteral("no sound output");
    frmMessage* message = d.raiseAlarm();
    QVERIFY(message && message->isVisible());
    const ColorValue before = message->shownBackColor();
    fireTick(message->tick());
    QVERIFY(message->shownBackColor() != before); // it flashes
    QCOMPARE(d.beeper.beeps, 1);
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("Sound Error, no sound output"));
}

void TestFaults::speechFailingMidRunFallsBackToBeep()
{
    WindowDriver d;
    d.ui().cmbSound->setCurrentIndex(2);
    frmMessage* message = d.raiseAlarm();
    fireTick(message->tick());
    QCOMPARE(d.engine->spoken.size(), 1);
    QCOMPARE(d.beeper.beeps, 0);
    d.engine->failSpeak = true; // the audio device went away
    fireTick(message->tick());
    QCOMPARE(d.beeper.beeps, 1); // this tick beeps instead
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("Speak Error, audio device lost"));
    QVERIFY(message->isVisible());
}

void TestFaults::speechThatNeverEndsIsReported()
{
    QComboBox voices;
    QSlider rate, volume;
    QLabel rateLabel, volumeLabel;
    StatusLine status;
    SpeechService service({&voices, &rate, &volume, &rateLabel, &volumeLabel}, status);
    auto engine = std::make_unique<FakeSpeechEngine>();
    FakeSpeechEngine& fake = *engine;
    fake.speakAsyncForever = true;
    service.SpeechLoad(std::move(engine));
    service.setStuckAfterMs(50);
    service.SpeechSpeak(QStringLiteral("Check"), false);
    service.SpeechSpeak(QStringLiteral("Check"), false); // still reading: dropped quietly
    QCOMPARE(status.beeps, 0);
    QTest::qWait(80);
    service.SpeechSpeak(QStringLiteral("Check"), false);
    QCOMPARE(status.beeps, 1);
    QVERIFY(status.text.startsWith(QStringLiteral("Speak Error, ")));
    QCOMPARE(fake.spoken.size(), 1);
}

void TestFaults::unwritableSettingsFolder()
{
    const QByteArray original = "[Interval]\nCount=1\n#1 Interval=20\n";
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), false, &original);
    ReadOnlyFolder readOnly(d.folder.path());
    if (!readOnly.ok())
        QSKIP("cannot make a folder read-only here (as root it needs mount --bind)");
    saveAs(d, d.folder.filePath(QStringLiteral("elsewhere.ini")));
    QVERIFY2(d.window.statusPanel()->text().startsWith(QStringLiteral("Save Error, ")),
             qPrintable(d.window.statusPanel()->text()));
    // Closing: refused once with the reason, then it ends; the file is intact.
    d.window.close();
    QVERIFY(d.window.isVisible());
    QVERIFY(d.window.statusPanel()->text().startsWith(QStringLiteral("Save Error, ")));
    d.window.close();
    QVERIFY(!d.window.isVisible());
    QCOMPARE(d.settingsText(), original);
}

void TestFaults::fullDiskKeepsTheOldFile()
{
#ifdef Q_OS_LINUX
    const QByteArray original = "[Interval]\nCount=1\n#1 Interval=20\n";
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), false, &original);
    for (int i = 0; i < 40; ++i)
        d.pick(1, d.ui().mnuTimerInsert); // enough entries to need more than the disk has
    // A file-size limit makes every write past it fail as a full disk does.
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 256;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    saveAs(d, d.settingsPath());
    const QString status = d.window.statusPanel()->text();
    d.window.close(); // refused once
    const bool stayedOpen = d.window.isVisible();
    QVERIFY(setrlimit(RLIMIT_FSIZE, &old) == 0);
    QVERIFY2(status.startsWith(QStringLiteral("Save Error, ")), qPrintable(status));
    QVERIFY(stayedOpen);
    QCOMPARE(d.settingsText(), original);
    const QStringList leftovers =
        QDir(d.folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(leftovers, QStringList{QStringLiteral("Vigiltide.Ini")}); // no half-written file
    d.window.close();                                                  // now it can save
    QVERIFY(d.settingsText().contains("Count=41\n"));
#else
    QSKIP("file-size limits are tested on Linux");
#endif
}

VT_TEST_MAIN(TestFaults, "Europe/London")
#include "tst_faults.moc"
