// SPDX-License-Identifier: MIT
// The speech service in the main window with a fake engine: loading voices,
// every failure text with its beep, dropping text while speaking, waiting at
// most five seconds, the sliders, the Speak button and the menu's Speak.
#include "testmain.h"
#include "windowdriver.h"

#include <QLabel>
#include <QSlider>

using namespace vt;

class TestSpeechService : public QObject
{
    Q_OBJECT

private slots:
    void voicesListedAndFirstSelected();
    void noSpeechComponents();
    void engineWithoutVoices();
    void lateEngineDoesNotHoldUpTheWindow();
    void speakWhileSpeakingIsDropped();
    void speakFailureAndVoiceFailure();
    void stopWaitsAtMostFiveSeconds();
    void slidersFollowVoiceAndSetIt();
    void speakButtonReadsEveryRow();
    void menuSpeakReadsTheMenusRow();
};

void TestSpeechService::voicesListedAndFirstSelected()
{
    auto fake = std::make_unique<FakeSpeechEngine>();
    fake->voiceRates = {3, -2};
    WindowDriver d(std::move(fake));
    QCOMPARE(d.ui().cmbSpeechEngine->count(), 2);
    QCOMPARE(d.ui().cmbSpeechEngine->itemText(1), QStringLiteral("Voice B"));
    QCOMPARE(d.ui().cmbSpeechEngine->currentIndex(), 0);
    QCOMPARE(d.engine->selected, 0);
    QCOMPARE(d.ui().sldSpeechRate->value(), 3); // the voice's own rate
    QCOMPARE(d.ui().lblSpeechRate->text(), QStringLiteral("3"));
    d.ui().cmbSpeechEngine->setCurrentIndex(1);
    QCOMPARE(d.engine->selected, 1);
    QCOMPARE(d.ui().sldSpeechRate->value(), -2);
    QCOMPARE(d.beeper.beeps, 0);
}

void TestSpeechService::noSpeechComponents()
{
    WindowDriver d(nullptr);
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("No Voice Components Loaded"));
    QCOMPARE(d.beeper.beeps, 1);
    QCOMPARE(d.ui().cmbSpeechEngine->count(), 0);
    d.window.SpeechSpeak(QStringLiteral("Check"), false);
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("No Voice Components Installed"));
    QCOMPARE(d.beeper.beeps, 2);
    d.window.SpeechStop(); // nothing to wait for, no failure
    QCOMPARE(d.beeper.beeps, 2);
    // Without a voice the sliders still work, labels and all.
    d.ui().sldSpeechRate->setValue(-10);
    QCOMPARE(d.ui().lblSpeechRate->text(), QStringLiteral("-10"));
}

void TestSpeechService::engineWithoutVoices()
{
    WindowDriver d(std::make_unique<FakeSpeechEngine>(QStringList{}));
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("No Voice Engines Loaded"));
    QCOMPARE(d.beeper.beeps, 1);
    d.window.SpeechSpeak(QStringLiteral("Check"), false);
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("No Voice Engines Installed"));
    QCOMPARE(d.beeper.beeps, 2);
    QVERIFY(d.engine->spoken.isEmpty());
}

void TestSpeechService::lateEngineDoesNotHoldUpTheWindow()
{
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), true);
    QVERIFY(d.window.isVisible());
    QCOMPARE(d.ui().cmbSpeechEngine->count(), 0);
    QCOMPARE(d.table().Rows(), 3); // the schedule is there already
    d.speech.finish();
    QCOMPARE(d.ui().cmbSpeechEngine->count(), 2);
    QCOMPARE(d.engine->selected, 0);
}

void TestSpeechService::speakWhileSpeakingIsDropped()
{
    WindowDriver d;
    d.engine->speakAsyncForever = true;
    d.window.SpeechSpeak(QStringLiteral("first"), false);
    QVERIFY(d.engine->speaking);
    d.window.statusPanel()->setText(QStringLiteral("Timer 10:00"));
    d.window.SpeechSpeak(QStringLiteral("second"), false);
    QCOMPARE(d.engine->spoken, QStringList{QStringLiteral("first")});
    QCOMPARE(d.window.statusPanel()->text(), QString()); // cleared, nothing said
    QCOMPARE(d.beeper.beeps, 0);
    d.engine->speaking = false;
    d.window.SpeechSpeak(QStringLiteral("third"), false);
    QCOMPARE(d.engine->spoken.last(), QStringLiteral("third"));
}

void TestSpeechService::speakFailureAndVoiceFailure()
{
    WindowDriver d;
    d.engine->failSpeak = true;
    d.window.SpeechSpeak(QStringLiteral("Check"), false);
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("Speak Error, audio device lost"));
    QCOMPARE(d.beeper.beeps, 1);

    d.engine->failSelect = true;
    d.ui().sldSpeechRate->setValue(7);
    d.ui().cmbSpeechEngine->setCurrentIndex(1);
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("Voice Error, no such voice"));
    QCOMPARE(d.beeper.beeps, 2);
    QCOMPARE(d.ui().sldSpeechRate->value(), 7); // not synchronised after a failure
}

void TestSpeechService::stopWaitsAtMostFiveSeconds()
{
    WindowDriver d;
    d.window.SpeechStop();
    QCOMPARE(d.engine->waitCalls, 0); // idle: nothing to wait for
    d.engine->speakAsyncForever = true;
    d.window.SpeechSpeak(QStringLiteral("long"), false);
    d.window.SpeechStop();
    QCOMPARE(d.engine->waitCalls, 1);
    QCOMPARE(d.engine->lastWaitTimeout, 5000);
}

void TestSpeechService::slidersFollowVoiceAndSetIt()
{
    WindowDriver d;
    d.ui().sldSpeechRate->setValue(-10);
    QCOMPARE(d.engine->voiceRate, -10);
    QCOMPARE(d.ui().lblSpeechRate->text(), QStringLiteral("-10"));
    d.ui().sldSpeechRate->setValue(25); // beyond the end stays at the end
    QCOMPARE(d.engine->voiceRate, 10);
    QCOMPARE(d.ui().lblSpeechRate->text(), QStringLiteral("10"));
    d.ui().sldSpeechVolume->setValue(0);
    QCOMPARE(d.engine->voiceVolume, 0);
    QCOMPARE(d.ui().lblSpeechVolume->text(), QStringLiteral("0"));
    // With the keyboard, a page step is 5.
    d.ui().sldSpeechVolume->setFocus();
    QTest::keyClick(d.ui().sldSpeechVolume, Qt::Key_PageUp);
    QCOMPARE(d.engine->voiceVolume, 5);
}

void TestSpeechService::speakButtonReadsEveryRow()
{
    WindowDriver d;
    d.setEntry(2, QStringLiteral("15"), QStringLiteral("Horizon, disabled"), false);
    d.ui().cmbSound->setCurrentIndex(2);
    QTest::mouseClick(d.ui().cmdSpeechSpeak, Qt::LeftButton);
    QCOMPARE(d.engine->spoken, (QStringList{QStringLiteral("Time's Up, Check Log"),
                                            QStringLiteral("Horizon, disabled")}));
    QCOMPARE(d.engine->waits, (QList<bool>{true, true}));
    QCOMPARE(d.table().Row(), 2);
    QCOMPARE(d.table().Col(), int(MessageColumn));
    QVERIFY(d.ui().cmdSpeechSpeak->isEnabled());
}

void TestSpeechService::menuSpeakReadsTheMenusRow()
{
    WindowDriver d;
    d.ui().cmbSound->setCurrentIndex(2);
    d.pick(2, d.ui().mnuTimerSpeak);
    QCOMPARE(d.engine->spoken, QStringList{QStringLiteral("Time's Up, Check Horizon")});
    QCOMPARE(d.engine->waits, QList<bool>{false});
}

VT_TEST_MAIN(TestSpeechService, "Europe/London")
#include "tst_speechservice.moc"
