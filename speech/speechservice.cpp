// SPDX-License-Identifier: MIT
#include "speech/speechservice.h"

namespace vt
{

SpeechService::SpeechService(StatusReporter& reporter, QObject* parent)
    : QObject(parent), m_reporter(reporter)
{
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
    m_voices = m_voice->voices();
    if (m_voices.isEmpty()) {
        fail(QStringLiteral("No Voice Engines Loaded"));
        return;
    }
    emit voicesListed(m_voices);
}

void SpeechService::selectVoice(int index)
{
    m_reporter.setStatusText(QString());
    if (index < 0)
        return; // the list was emptied: no voice to switch to
    if (!m_voice) {
        fail(QStringLiteral("Voice Error, ") + tr("no speech engine"));
        return;
    }
    QString error;
    if (!m_voice->selectVoice(index, &error)) {
        fail(QStringLiteral("Voice Error, ") + error);
        return;
    }
    emit syncSliders(m_voice->rate(), m_voice->volume());
}

// Without a voice the sliders still show and keep what is chosen: it is saved,
// and it is given to the voice once there is one.
void SpeechService::setRate(int rate)
{
    if (m_voice)
        m_voice->setRate(rate);
}

void SpeechService::setVolume(int volume)
{
    if (m_voice)
        m_voice->setVolume(volume);
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
            return fail(QStringLiteral("Speak Error, ") + tr("the voice does not finish speaking"));
        return true;
    }
    if (m_voices.isEmpty())
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
