// SPDX-License-Identifier: MIT
#include "speech/alarmsound.h"

#include "core/validation.h"
#include "speech/beeper.h"
#include "speech/speechservice.h"

namespace vt
{

AlarmSound::AlarmSound(SpeechService& speech, Beeper& beeper, StatusReporter& reporter)
    : m_speech(speech), m_beeper(beeper), m_reporter(reporter)
{
}

void AlarmSound::tick(const QString& message)
{
    switch (m_mode) {
    case SoundMode::Beep:
        alarmBeep();
        break;
    case SoundMode::Speech:
        // Skipped by the speech service while the previous reading goes on,
        // so the message is read again as soon as it has ended. Once reading
        // fails, the alarm beeps instead, so it is still heard.
        if (m_beepInstead)
            alarmBeep();
        else
            m_beepInstead = !m_speech.SpeechSpeak(message, false);
        break;
    case SoundMode::None:
        break;
    }
}

void AlarmSound::stop()
{
    m_speech.SpeechStop();
}

void AlarmSound::alarmBeep()
{
    m_beeper.beep();
    // The alarm still flashes; the status line says why it is silent.
    const QString silence = m_beeper.silenceReason();
    if (!silence.isEmpty())
        m_reporter.setStatusText(QStringLiteral("Sound Error, ") + silence);
}

} // namespace vt
