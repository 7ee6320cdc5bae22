// SPDX-License-Identifier: MIT
// The speech voice service: the one voice of the program, the voice list and
// the rate and volume sliders kept in step with it, speaking and waiting for
// speech to end. Every failure is one line in the status bar with a beep.
#pragma once

#include "core/validation.h"
#include "speech/speechengine.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>

class QComboBox;
class QLabel;
class QSlider;

namespace vt
{

// The main window's speech controls.
struct SpeechControls {
    QComboBox* cmbSpeechEngine = nullptr;
    QSlider* sldSpeechRate = nullptr;
    QSlider* sldSpeechVolume = nullptr;
    QLabel* lblSpeechRate = nullptr;
    QLabel* lblSpeechVolume = nullptr;
};

class SpeechService : public QObject
{
    Q_OBJECT

public:
    SpeechService(const SpeechControls& controls, StatusReporter& reporter,
                  QObject* parent = nullptr);
    ~SpeechService() override;

    // Takes the engine (null: no speech components) and lists its voices,
    // selecting the first.
    void SpeechLoad(std::unique_ptr<SpeechEngine> engine);
    // False when the text cannot be read aloud; the reason is reported.
    bool SpeechSpeak(const QString& sMessage, bool wait);
    // Lets a running utterance finish, waiting at most five seconds.
    void SpeechStop();
    // Ends a reading at once.
    void endReading();
    void SpeechRelease();

    bool hasVoice() const { return m_voice != nullptr; }
    // How long a reading may take to begin, and to end, before the engine
    // counts as stuck.
    void setPatience(int beginWithinMs, int stuckAfterMs)
    {
        m_beginWithinMs = beginWithinMs;
        m_stuckAfterMs = stuckAfterMs;
    }
    SpeechEngine* voice() const { return m_voice.get(); }

    static constexpr int kStopTimeoutMs = 5000;

private:
    static void prepareForManyVoices(QComboBox& list);
    void cmbSpeechEngine_Click();
    void SpeechSyncSliders();
    void sldSpeechRate_Change();
    void sldSpeechVolume_Change();
    bool fail(const QString& text);

    SpeechControls m_controls;
    StatusReporter& m_reporter;
    std::unique_ptr<SpeechEngine> m_voice;
    QElapsedTimer m_reading; // since the latest reading began
    int m_beginWithinMs = 5000;
    int m_stuckAfterMs = 60000;
};

} // namespace vt
