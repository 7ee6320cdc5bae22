// SPDX-License-Identifier: MIT
// The speech voice service: the one voice of the program, the voice chosen
// and the rate and volume given to it, speaking and waiting for speech to end.
// Every failure is one line in the status bar with a beep. The window's voice
// list and sliders are views of it.
#pragma once

#include "core/validation.h"
#include "speech/speechengine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <memory>

namespace vt
{

class SpeechService : public QObject
{
    Q_OBJECT

public:
    explicit SpeechService(StatusReporter& reporter, QObject* parent = nullptr);
    ~SpeechService() override;

    // Takes the engine (null: no speech components) and lists its voices;
    // voicesListed() follows when there are any.
    void SpeechLoad(std::unique_ptr<SpeechEngine> engine);
    // The voice list's selection handler: chooses the voice, and on success
    // brings the sliders to its own rate and volume (SpeechSyncSliders).
    void selectVoice(int index);
    // The sliders' handlers: the voice takes the value, when there is one.
    void setRate(int rate);
    void setVolume(int volume);

    // False when the text cannot be read aloud; the reason is reported.
    bool SpeechSpeak(const QString& sMessage, bool wait);
    // Lets a running utterance finish, waiting at most five seconds.
    void SpeechStop();
    // Ends a reading at once.
    void endReading();
    void SpeechRelease();

    bool hasVoice() const { return m_voice != nullptr; }
    const QStringList& voices() const { return m_voices; }
    // How long a reading may take to begin, and to end, before the engine
    // counts as stuck.
    void setPatience(int beginWithinMs, int stuckAfterMs)
    {
        m_beginWithinMs = beginWithinMs;
        m_stuckAfterMs = stuckAfterMs;
    }
    SpeechEngine* voice() const { return m_voice.get(); }

    static constexpr int kStopTimeoutMs = 5000;

signals:
    void voicesListed(const QStringList& voices);
    // SpeechSyncSliders: the chosen voice's own rate and volume.
    void syncSliders(int rate, int volume);

private:
    bool fail(const QString& text);

    StatusReporter& m_reporter;
    std::unique_ptr<SpeechEngine> m_voice;
    QStringList m_voices;
    QElapsedTimer m_reading; // since the latest reading began
    int m_beginWithinMs = 5000;
    int m_stuckAfterMs = 60000;
};

} // namespace vt
