// SPDX-License-Identifier: MIT
// Real sound: alarms heard through the sound server (./test starts a private
// one with a null sink where the machine has none) in each sound mode, and the
// real speech engine and its provider keeping what the speech service expects.
#include "support.h"

#include "speech/qtspeechengine.h"
#include "speech/qtspeechprovider.h"
#include "speech/tonebeeper.h"

#include <QTextToSpeech>

#include <thread>

using namespace vt;
using namespace Qt::StringLiterals;

class TestSound : public QObject
{
    Q_OBJECT

    QString m_noSound;
    std::unique_ptr<QtSpeechEngine> m_engine;
    int m_otherVoice = 0; // of a language other than the desktop's

private slots:
    void initTestCase()
    {
        if (QProcess::execute(u"sh"_s, {u"-c"_s, u"pactl info >/dev/null"_s}) != 0)
            m_noSound = QStringLiteral("no sound server: ./test starts one (Debian packages "
                                       "pulseaudio, pulseaudio-utils and sox)");
        QtSpeechProvider provider(30000); // generous: a machine busy building is slow
        QSignalSpy ready(&provider, &SpeechEngineProvider::engineReady);
        provider.start();
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 32000);
        m_engine.reset(static_cast<QtSpeechEngine*>(provider.takeEngine().release()));
    }

    void engineKeepsItsContract()
    {
        if (!m_engine || m_engine->engineName() != QLatin1String("speechd"))
            QSKIP("no speech-dispatcher voices (Debian packages qt6-speech-speechd-plugin and "
                  "speech-dispatcher-espeak-ng)");
        QtSpeechEngine& e = *m_engine;
        for (int rate : {-10, -7, 0, 3, 10, 25}) {
            e.setRate(rate);
            QCOMPARE(e.rate(), qMin(rate, 10));
        }
        e.setVolume(42);
        QCOMPARE(e.volume(), 42);
        // Every installed language, the desktop's first; any is chosen with its language.
        const QLocale::Language first = QLocale::system().language() == QLocale::C
                                            ? QLocale::English
                                            : QLocale::system().language();
        const auto& voices = e.voiceList();
        const auto other = std::find_if(voices.begin(), voices.end(), [first](const QVoice& v) {
            return v.locale().language() != first;
        });
        QVERIFY(voices.first().locale().language() == first && other != voices.end());
        QString error;
        m_otherVoice = int(other - voices.begin());
        QVERIFY2(e.selectVoice(m_otherVoice, &error), qPrintable(error));
        QCOMPARE(e.textToSpeech().locale().language(), other->locale().language());
        QVERIFY(!e.selectVoice(int(voices.size()), &error) && !error.isEmpty());
        QVERIFY(e.selectVoice(0, &error));
        e.setRate(0);
        e.setVolume(100);
        // Busy from the moment it is asked, before the engine says it speaks,
        // so the alarm's next tick starts no second reading over it.
        QVERIFY(e.speak(u"Watch"_s, false, &error));
        QCOMPARE(e.runningState(), int(SpeechEngine::Speaking));
        e.stop();
    }

    // A hung speech daemon: no engine at the timeout, and no wait for it at exit.
    void providerGivesUpOnAHungDaemon()
    {
        QElapsedTimer elapsed;
        elapsed.start();
        {
            QtSpeechProvider provider(100, []() -> std::unique_ptr<QTextToSpeech> {
                std::this_thread::sleep_for(std::chrono::minutes(10));
                return std::make_unique<QTextToSpeech>(u"none"_s);
            });
            QSignalSpy ready(&provider, &SpeechEngineProvider::engineReady);
            provider.start();
            provider.start(); // a second start changes nothing
            QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 600);
            QVERIFY(provider.timedOut() && !provider.takeEngine());
        }
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
    }

    // A sound output that takes the beep and never plays it is told, and the
    // bell rings instead; once it plays again, so does the beep.
    void stalledOutputIsTold()
    {
        if (!m_noSound.isEmpty())
            QSKIP(qPrintable(m_noSound));
        const auto suspend = [](const char* on) {
            return QProcess::execute(
                u"pactl"_s, {u"suspend-sink"_s, u"@DEFAULT_SINK@"_s, QString::fromLatin1(on)});
        };
        ToneBeeper beeper({});
        QCOMPARE(suspend("1"), 0);
        beeper.beep();
        QTest::qWait(1000);
        beeper.beep();
        QCOMPARE(suspend("0"), 0);
        QCOMPARE(beeper.silenceReason(), u"the sound output does not play"_s);
        QCOMPARE(beeper.bellBeeps(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(beeper.silenceReason().isEmpty(), 3000);
    }

    void alarmsAreHeard_data()
    {
        QTest::addColumn<int>("sound");
        // Beep: tst_desktop listens to the real program's alarms at length.
        QTest::newRow("None: silent") << 0;
        QTest::newRow("Speech") << 2; // last: it takes the engine
    }
    void alarmsAreHeard()
    {
        QFETCH(int, sound);
        if (!m_noSound.isEmpty() || (sound == 2 && !m_engine))
            QSKIP(m_noSound.isEmpty() ? "no speech engine with voices" : qPrintable(m_noSound));
        QTemporaryDir folder;
        FakeClock clock;
        ToneBeeper beeper({});
        // None gets a fake engine: a machine without one would beep once.
        std::unique_ptr<SpeechEngine> engine = std::make_unique<FakeSpeechEngine>();
        FakeSpeechProvider speech(sound == 2 ? std::move(m_engine) : std::move(engine));
        NullSleepInhibitor sleep;
        frmMain window(clock, beeper, speech, sleep, folder.filePath(u"v.ini"_s));
        window.show();
        QTRY_VERIFY(window.speech().hasVoice());
        window.form().cmbSound->setCurrentIndex(sound);
        if (sound == 2)
            window.form().cmbSpeechEngine->setCurrentIndex(m_otherVoice);
        clock.setLocal(QDate(2027, 1, 15), QTime(10, 59, 59));
        QTest::mouseClick(window.form().cmdStart, Qt::LeftButton);
        Recording recording;
        QVERIFY2(recording.start(), "parecord records nothing");
        clock.setLocal(QDate(2027, 1, 15), QTime(11, 0));
        QTRY_VERIFY_WITH_TIMEOUT(window.messageWindow() && window.messageWindow()->isVisible(),
                                 3000);
        QTest::qWait(4000); // listen over a few ticks of the alarm
        window.messageWindow()->form().cmdCancel->click();
        recording.stop();
        const QString stat = recording.stat();
        const double peak = Recording::figure(stat, u"Maximum amplitude"_s);
        const double rms = Recording::figure(stat, u"RMS +amplitude"_s);
        qInfo() << "peak" << peak << "rms" << rms;
        QVERIFY(peak >= 0 && rms >= 0);
        if (sound == 0) // the null sink's monitor holds exact digital silence
            QVERIFY(peak < 0.001 && rms < 0.001);
        else // a stray click is not a voice, nor is a beep within its amplitude
            QVERIFY(peak > ToneBeeper::kAmplitude + 0.01 && rms > 0.01);
    }
};

VT_TEST_MAIN(TestSound, "Europe/London")
#include "tst_sound.moc"
