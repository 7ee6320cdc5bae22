// SPDX-License-Identifier: MIT
// The voice list and the speech settings around an engine that is ready at
// once, late, or never: what the status line says, a saved voice kept by its
// name, a voice found by typing, and the file's speech values never lost.
#include "support.h"
#include "ui/main/firstframe.h"

#include <QComboBox>

#include <QLabel>
#include <QSlider>

using namespace vt;

namespace
{

// voices: -1 no engine at all (failed, or timed out), else that many.
std::unique_ptr<FakeSpeechEngine> engineWith(int voices)
{
    if (voices < 0)
        return nullptr;
    const QStringList all{QStringLiteral("Voice A"), QStringLiteral("Voice B")};
    return std::make_unique<FakeSpeechEngine>(all.first(voices));
}

const QStringList kFirstStart{QStringLiteral("English (Great Britain) - Alan"),
                              QStringLiteral("English (Great Britain) - Bella"),
                              QStringLiteral("German - Anna")};

} // namespace

class TestVoices : public QObject
{
    Q_OBJECT

private slots:
    void statusOnceEngineIsKnown_data();
    void statusOnceEngineIsKnown();
    void speechEngineIndex_data();
    void speechEngineIndex();
    void savedVoiceKeptByName_data();
    void savedVoiceKeptByName();
    void voiceOfAnotherLanguageFoundByTypingAndSpoken();
    void fileSpeechValuesSurvive_data();
    void fileSpeechValuesSurvive();
    void engineWaitsForTheFirstFrame();
    void voicesComeWithoutAFrame();
};

void TestVoices::statusOnceEngineIsKnown_data()
{
    QTest::addColumn<int>("voices");
    QTest::addColumn<bool>("late");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("beeps");
    const QByteArray speech = "[Timer]\nSound=2\n";
    const QString none = QStringLiteral("No Speech Voice Engines Installed");
    // An empty file: Speech is chosen by hand before the engine is ready.
    QTest::newRow("at once, Speech in the file") << 2 << false << speech << "" << 0;
    QTest::newRow("at once, Speech chosen") << 2 << false << QByteArray() << "" << 0;
    QTest::newRow("late, Speech in the file") << 2 << true << speech << "" << 0;
    QTest::newRow("late, Speech chosen") << 2 << true << QByteArray() << "" << 0;
    QTest::newRow("settings error kept") << 2 << true << speech + "Mode=7\n"
                                         << "Settings Error, [Timer] Mode" << 1;
    QTest::newRow("no voices, Speech in the file") << 0 << true << speech << none << 2;
    QTest::newRow("no engine, Speech chosen") << -1 << true << QByteArray() << none << 2;
    QTest::newRow("no engine, Beep")
        << -1 << true << QByteArray("[Timer]\nSound=1\n") << "No Voice Components Loaded" << 1;
}

void TestVoices::statusOnceEngineIsKnown()
{
    QFETCH(int, voices);
    QFETCH(bool, late);
    QFETCH(QByteArray, file);
    QFETCH(QString, status);
    QFETCH(int, beeps);
    WindowDriver d(file, engineWith(voices), late);
    if (file.isEmpty())
        d.ui().cmbSound->setCurrentIndex(2);
    if (late)
        d.speech.finish();
    QCOMPARE(d.window.statusPanel()->text(), status);
    QCOMPARE(d.beeper.beeps, beeps);
}

void TestVoices::speechEngineIndex_data()
{
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<int>("selected");
    QTest::newRow("second voice") << QByteArray("1") << 1;
    QTest::newRow("-1: no voice") << QByteArray("-1") << -1;
    QTest::newRow("beyond the list: ignored") << QByteArray("3") << 0;
}

// The voice index of a file without a voice name, as older files hold it.
void TestVoices::speechEngineIndex()
{
    QFETCH(QByteArray, index);
    WindowDriver d("[Timer]\nSpeech Engine=" + index + "\n");
    QTEST(d.ui().cmbSpeechEngine->currentIndex(), "selected");
    QCOMPARE(d.status(), QString());
}

void TestVoices::savedVoiceKeptByName_data()
{
    QTest::addColumn<QStringList>("secondStart");
    QTest::addColumn<QString>("selected");
    QTest::newRow("moved down the list")
        << (QStringList{QStringLiteral("Dutch - Kees")} + kFirstStart) << "German - Anna";
    QTest::newRow("gone: its index")
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")} << "C";
    QTest::newRow("gone, index beyond: the first")
        << QStringList{QStringLiteral("A"), QStringLiteral("B")} << "A";
}

void TestVoices::savedVoiceKeptByName()
{
    QFETCH(QStringList, secondStart);
    QFETCH(QString, selected);
    QByteArray saved;
    {
        WindowDriver first({}, std::make_unique<FakeSpeechEngine>(kFirstStart));
        first.ui().cmbSpeechEngine->setCurrentIndex(2);
        first.window.close();
        saved = readFile(first.path());
    }
    // The new key comes after the older speech keys.
    QVERIFY(saved.contains("Speech Engine=2\nSpeech Rate=0\nSpeech Volume=100\n"
                           "Speech Voice=German - Anna\n"));
    WindowDriver second(saved, std::make_unique<FakeSpeechEngine>(secondStart));
    QCOMPARE(second.ui().cmbSpeechEngine->currentText(), selected);
    QCOMPARE(second.engine->selected, secondStart.indexOf(selected));
}

void TestVoices::voiceOfAnotherLanguageFoundByTypingAndSpoken()
{
    WindowDriver d({}, std::make_unique<FakeSpeechEngine>(kFirstStart));
    d.ui().cmbSound->setCurrentIndex(2);
    QComboBox* list = d.ui().cmbSpeechEngine;
    list->setFocus();
    QTest::keyClicks(list, QStringLiteral("Ger"));
    QCOMPARE(list->currentText(), QStringLiteral("German - Anna"));
    QTest::mouseClick(d.ui().cmdSpeechSpeak, Qt::LeftButton);
    QCOMPARE(d.engine->selected, 2);
    QVERIFY(!d.engine->spoken.isEmpty());
}

void TestVoices::fileSpeechValuesSurvive_data()
{
    QTest::addColumn<int>("voices");
    QTest::addColumn<bool>("ready");
    QTest::newRow("closed while starting") << 2 << false;
    QTest::newRow("no engine, or timed out") << -1 << true;
    QTest::newRow("no voices") << 0 << true;
    QTest::newRow("ready late") << 2 << true;
}

void TestVoices::fileSpeechValuesSurvive()
{
    QFETCH(int, voices);
    QFETCH(bool, ready);
    const QByteArray file = "[Timer]\nSound=2\nSpeech Engine=0\nSpeech Rate=-7\n"
                            "Speech Volume=40\nSpeech Voice=Voice B\n";
    WindowDriver d(file, engineWith(voices), true);
    // The sliders take the file's values, and the user's, with no voice.
    QCOMPARE(d.ui().sldSpeechRate->value(), -7);
    d.ui().sldSpeechVolume->setValue(55);
    QCOMPARE(d.ui().lblSpeechVolume->text(), QStringLiteral("55"));
    if (ready)
        d.speech.finish();
    if (voices > 0 && ready) {
        QCOMPARE(d.engine->selected, 1); // by its name, not the file's index
        QCOMPARE(d.engine->voiceRate, -7);
        QCOMPARE(d.engine->voiceVolume, 55);
    }
    d.window.close();
    const QByteArray index = voices > 0 && ready ? "Speech Engine=1\n" : "Speech Engine=0\n";
    QVERIFY2(readFile(d.path()).contains(index + "Speech Rate=-7\nSpeech Volume=55\n"
                                                 "Speech Voice=Voice B\n"),
             readFile(d.path()).constData());
}

// Listing the voices keeps a processor busy for a second or more; the first
// sight of the window does not wait for it.
void TestVoices::engineWaitsForTheFirstFrame()
{
    QTemporaryDir folder;
    FakeClock clock;
    FakeBeeper beeper;
    FakeSpeechProvider speech(engineWith(2));
    FakeSleepInhibitor sleep;
    frmMain window(clock, beeper, speech, sleep, folder.filePath(QStringLiteral("Vigiltide.Ini")));
    QTest::qWait(20);
    QVERIFY(!speech.started);
    window.show();
    QTRY_COMPARE(window.form().cmbSpeechEngine->count(), 2);
}

// A window mapped under others where nothing composites is never exposed:
// what waits for its first frame runs all the same.
void TestVoices::voicesComeWithoutAFrame()
{
    QWindow unseen;
    bool ran = false;
    afterFirstFrame(unseen, &unseen, [&ran] { ran = true; });
    QTRY_VERIFY_WITH_TIMEOUT(ran, 3000);
}

VT_TEST_MAIN(TestVoices, "Europe/London")
#include "tst_voices.moc"
