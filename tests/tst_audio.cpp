// SPDX-License-Identifier: MIT
// The real beeper and the real speech engine are heard: recorded from the
// sound output's monitor, a beep and a spoken message are well above silence,
// and a recording of nothing stays silent.
#include "audiorig.h"
#include "speech/qtspeechprovider.h"
#include "speech/tonebeeper.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace vt;

class TestAudio : public QObject
{
    Q_OBJECT

private:
    AudioRig m_rig;
    QString m_noRig;

private slots:
    void initTestCase()
    {
        if (!m_rig.ensure(&m_noRig))
            m_noRig = QStringLiteral("no sound to listen to: ") + m_noRig;
    }

    void nothingPlayedStaysSilent()
    {
        if (!m_noRig.isEmpty())
            QSKIP(qPrintable(m_noRig));
        AudioRecorder recorder;
        QString why;
        const AudioLevels heard = recorder.record([] {}, 500, &why);
        QVERIFY2(heard.valid(), qPrintable(why));
        qInfo() << "silence" << heard;
        QVERIFY(heard.seconds > 0.2);
        QVERIFY2(isSilent(heard),
                 qPrintable(QStringLiteral("peak %1 rms %2").arg(heard.peak).arg(heard.rms)));
    }

    void beepIsHeard()
    {
        if (!m_noRig.isEmpty())
            QSKIP(qPrintable(m_noRig));
        ToneBeeper beeper;
        QVERIFY(beeper.hasAudioOutput());
        AudioRecorder recorder;
        QString why;
        const AudioLevels heard = recorder.record(
            [&] {
                beeper.beep();
                beeper.beep(); // while the first still plays: dropped
            },
            600, &why);
        QVERIFY2(heard.valid(), qPrintable(why));
        qInfo() << "beep" << heard;
        QCOMPARE(beeper.bellBeeps(), 0);
        QCOMPARE(beeper.droppedBeeps(), 1);
        QVERIFY2(isAudible(heard),
                 qPrintable(QStringLiteral("peak %1 rms %2").arg(heard.peak).arg(heard.rms)));
        // The tone stays within its own amplitude: no clipping.
        QVERIFY(heard.peak < ToneBeeper::kAmplitude + 0.01);

        // Once the tone is over, the next beep plays again.
        const AudioLevels again = recorder.record([&] { beeper.beep(); }, 600, &why);
        QVERIFY2(again.valid(), qPrintable(why));
        QCOMPARE(beeper.droppedBeeps(), 1);
        QVERIFY(again.peak > kAudiblePeak);
    }

    void speechIsHeard()
    {
        if (!m_noRig.isEmpty())
            QSKIP(qPrintable(m_noRig));
        QtSpeechProvider provider(30000); // generous: a machine busy building is slow
        QSignalSpy ready(&provider, &SpeechEngineProvider::engineReady);
        provider.start();
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 32000);
        if (provider.timedOut())
            QFAIL("the speech engine was not ready within 30 s");
        std::unique_ptr<SpeechEngine> engine = provider.takeEngine();
        if (!engine || engine->voices().isEmpty())
            QSKIP("no text-to-speech engine with voices (Debian packages "
                  "qt6-speech-speechd-plugin and speech-dispatcher-espeak-ng)");
        QString error;
        QVERIFY2(engine->selectVoice(0, &error), qPrintable(error));
        AudioRecorder recorder;
        QString why;
        bool spoken = false;
        const AudioLevels heard = recorder.record(
            [&] { spoken = engine->speak(QStringLiteral("Check the horizon"), true, &error); }, 300,
            &why);
        QVERIFY2(spoken, qPrintable(error));
        QVERIFY2(heard.valid(), qPrintable(why));
        qInfo() << "speech by" << provider.engineName() << heard;
        QVERIFY2(isAudible(heard),
                 qPrintable(QStringLiteral("peak %1 rms %2").arg(heard.peak).arg(heard.rms)));
    }
};

QTEST_MAIN(TestAudio)
#include "tst_audio.moc"
