// SPDX-License-Identifier: MIT
#include "speech/speechservice.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QSlider>

namespace vt
{

SpeechService::SpeechService(const SpeechControls& controls, StatusReporter& reporter,
                             QObject* parent)
    : QObject(parent), m_controls(controls), m_reporter(reporter)
{
    connect(m_controls.cmbSpeechEngine, &QComboBox::currentIndexChanged, this,
            &SpeechService::cmbSpeechEngine_Click);
    connect(m_controls.sldSpeechRate, &QSlider::valueChanged, this,
            &SpeechService::sldSpeechRate_Change);
    connect(m_controls.sldSpeechVolume, &QSlider::valueChanged, this,
            &SpeechService::sldSpeechVolume_Change);
}

SpeechService::~SpeechService() = default;

bool SpeechService::fail(const QString& text)
{
    m_reporter.setStatusText(text);
    m_reporter.beep();
    return false;
}

void SpeechService::SpeechLoad(std::unique_ptr<SpeechEngine> engine)
{
    m_voice = std::move(engine);
    if (!m_voice) {
        fail(QStringLiteral("No Voice Components Loaded"));
        return;
    }
    const QStringList voices = m_voice->voices();
    QComboBox& list = *m_controls.cmbSpeechEngine;
    const bool wasEmpty = list.count() == 0;
    prepareForManyVoices(list);
    // Filling an empty list selects its first voice, which runs the selection
    // handler; a list that had entries is pointed at the first one.
    list.addItems(voices);
    if (voices.isEmpty()) {
        fail(QStringLiteral("No Voice Engines Loaded"));
        return;
    }
    if (!wasEmpty)
        list.setCurrentIndex(0);
}

// The desktop's speech daemon lists some 13,000 voices. The list is not
// sized to its longest text, its rows are taken to be of one height, and it
// opens as a scrolled list rather than a menu measuring every row. Done when
// the voices come rather than with the window: the popup's view and the style
// sheet take a good part of a millisecond to make, nothing of it shows until
// the list is opened, and an empty list looks the same either way.
void SpeechService::prepareForManyVoices(QComboBox& list)
{
    list.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (auto* view = qobject_cast<QListView*>(list.view()))
        view->setUniformItemSizes(true);
    list.setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
}

void SpeechService::cmbSpeechEngine_Click()
{
    m_reporter.setStatusText(QString());
    const int index = m_controls.cmbSpeechEngine->currentIndex();
    if (index < 0)
        return; // the list was emptied: no voice to switch to
    QString error;
    if (!m_voice) {
        fail(QStringLiteral("Voice Error, ") + tr("no speech engine"));
        return;
    }
    if (!m_voice->selectVoice(index, &error)) {
        fail(QStringLiteral("Voice Error, ") + error);
        return;
    }
    SpeechSyncSliders();
}

void SpeechService::SpeechSyncSliders()
{
    if (!m_voice)
        return;
    m_controls.sldSpeechRate->setValue(m_voice->rate());
    m_controls.sldSpeechVolume->setValue(m_voice->volume());
}

// Without a voice the sliders still show and keep what is chosen: it is saved,
// and it is given to the voice once there is one.
void SpeechService::sldSpeechRate_Change()
{
    const int value = m_controls.sldSpeechRate->value();
    if (m_voice)
        m_voice->setRate(value);
    m_controls.lblSpeechRate->setText(QString::number(value));
}

void SpeechService::sldSpeechVolume_Change()
{
    const int value = m_controls.sldSpeechVolume->value();
    if (m_voice)
        m_voice->setVolume(value);
    m_controls.lblSpeechVolume->setText(QString::number(value));
}

bool SpeechService::SpeechSpeak(const QString& sMessage, bool wait)
{
    m_reporter.setStatusText(QString());
    if (!m_voice)
        return fail(QStringLiteral("No Voice Components Installed"));
    // Text given while a reading goes on is dropped, not queued. A reading
    // that does not begin, or never finishes, would leave the alarm silent:
    // that counts as a failure, which beeps.
    if (m_voice->runningState() != SpeechEngine::Done) {
        const qint64 readingMs = m_reading.isValid() ? m_reading.elapsed() : 0;
        if (!m_voice->readingBegun() && readingMs > m_beginWithinMs)
            return fail(QStringLiteral("Speak Error, ") +
                        tr("the voice did not begin speaking within %1 seconds")
                            .arg(m_beginWithinMs / 1000));
        if (readingMs > m_stuckAfterMs)
            return fail(QStringLiteral("Speak Error, ") +
                        tr("the voice does not finish speaking"));
        return true;
    }
    if (m_controls.cmbSpeechEngine->count() == 0)
        return fail(QStringLiteral("No Voice Engines Installed"));
    QString error;
    m_reading.start();
    if (!m_voice->speak(sMessage, wait, &error))
        return fail(QStringLiteral("Speak Error, ") + error);
    return true;
}

void SpeechService::SpeechStop()
{
    // Nothing interrupts the reading; it may go on after the wait.
    if (m_voice && m_voice->runningState() == SpeechEngine::Speaking)
        m_voice->waitUntilDone(kStopTimeoutMs);
}

void SpeechService::endReading()
{
    if (m_voice && m_voice->runningState() != SpeechEngine::Done)
        m_voice->stop();
}

void SpeechService::SpeechRelease()
{
    m_voice.reset();
}

} // namespace vt
