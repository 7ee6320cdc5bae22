// SPDX-License-Identifier: MIT
// Real alarms, heard: the main window with the real beeper and speech engine
// raises an alarm in each sound mode, and a recording of the sound output
// shows that Beep and Speech make sound while None stays silent.
#include "audiorig.h"
#include "testmain.h"

#include "core/alarmtable.h"
#include "core/clock.h"
#include "platform/nullinhibitor.h"
#include "speech/qtspeechprovider.h"
#include "speech/tonebeeper.h"
#include "ui/main/frmMain.h"

#include <QTemporaryDir>

using namespace vt;

class TestAlarmSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void alarmSoundsByMode_data();
    void alarmSoundsByMode();

private:
    AudioRig m_rig;
    QString m_noRig;
};

void TestAlarmSound::initTestCase()
{
    if (!m_rig.ensure(&m_noRig))
        m_noRig = QStringLiteral("no sound to listen to: ") + m_noRig;
}

void TestAlarmSound::alarmSoundsByMode_data()
{
    QTest::addColumn<int>("soundMode");
    QTest::addColumn<bool>("audible");
    QTest::newRow("None") << 0 << false;
    QTest::newRow("Beep") << 1 << true;
    QTest::newRow("Speech") << 2 << true;
}

void TestAlarmSound::alarmSoundsByMode()
{
    QFETCH(int, soundMode);
    QFETCH(bool, audible);
    if (!m_noRig.isEmpty())
        QSKIP(qPrintable(m_noRig));

    QTemporaryDir folder;
    FakeClock clock;
    clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(10, 59, 59)));
    ToneBeeper beeper;
    QtSpeechProvider speech(30000); // generous: a machine busy building is slow
    NullSleepInhibitor sleep;
    frmMain window(clock, beeper, speech, sleep, folder.filePath(QStringLiteral("Vigiltide.Ini")));
    window.show();
    const Ui::frmMain& ui = window.form();
    if (soundMode == 2) {
        QTRY_VERIFY_WITH_TIMEOUT(ui.cmbSpeechEngine->count() > 0 || window.speech().voice() ||
                                     !window.statusPanel()->text().isEmpty(),
                                 32000);
        if (ui.cmbSpeechEngine->count() == 0)
            QSKIP("no text-to-speech engine with voices (Debian packages "
                  "qt6-speech-speechd-plugin and speech-dispatcher-espeak-ng)");
    }
    ui.cmbSound->setCurrentIndex(soundMode);

    QTest::mouseClick(ui.cmdStart, Qt::LeftButton);
    clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(11, 0, 0)));
    QTRY_VERIFY_WITH_TIMEOUT(window.messageWindow() && window.messageWindow()->isVisible(), 3000);

    // A few of the window's own one-second ticks.
    AudioRecorder recorder;
    QString why;
    const AudioLevels heard = recorder.record([] {}, soundMode == 2 ? 3500 : 2600, &why);
    QVERIFY2(heard.valid(), qPrintable(why));
    qInfo() << "alarm in sound mode" << soundMode << heard;
    QTest::mouseClick(window.messageWindow()->form().cmdCancel, Qt::LeftButton);
    QCOMPARE(window.statePanel()->text(), QStringLiteral("Stopped"));

    if (audible)
        QVERIFY2(isAudible(heard),
                 qPrintable(QStringLiteral("peak %1 rms %2").arg(heard.peak).arg(heard.rms)));
    else
        QVERIFY2(isSilent(heard),
                 qPrintable(QStringLiteral("peak %1 rms %2").arg(heard.peak).arg(heard.rms)));
}

VT_TEST_MAIN(TestAlarmSound, "Europe/London")
#include "tst_alarmsound.moc"
