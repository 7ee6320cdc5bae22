// SPDX-License-Identifier: MIT
// How an alarm sounds, once a second while it is open, by the sound mode:
// nothing, a beep, or the message read aloud again as each reading ends.
#pragma once

#include "core/modes.h"

#include <QString>

namespace vt
{

class Beeper;
class SpeechService;
class StatusReporter;

class AlarmSound
{
public:
    AlarmSound(SpeechService& speech, Beeper& beeper, StatusReporter& reporter);

    SoundMode mode() const { return m_mode; }
    void setMode(SoundMode mode) { m_mode = mode; }

    // A new alarm: it speaks again, whatever the last one met.
    void startAlarm() { m_beepInstead = false; }
    // One second of the alarm.
    void tick(const QString& message);
    // The alarm is answered: a reading may end, five seconds at most.
    void stop();
    // One beep of the alarm, which says so when it cannot be heard.
    void alarmBeep();

private:
    SpeechService& m_speech;
    Beeper& m_beeper;
    StatusReporter& m_reporter;
    SoundMode m_mode = SoundMode::None;
    // Reading failed during this alarm: it beeps for the rest of it.
    bool m_beepInstead = false;
};

} // namespace vt
