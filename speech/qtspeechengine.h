// SPDX-License-Identifier: MIT
// The speech engine over QTextToSpeech: picks an installed engine that has
// voices, lists the voices of every language it speaks, and turns the engine's
// asynchronous state into the running state and waits the program expects.
#pragma once

#include "speech/speechengine.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QVoice>

#include <functional>
#include <memory>
#include <optional>

class QTextToSpeech;

namespace vt
{

class QtSpeechEngine : public SpeechEngine
{
public:
    // Every voice of every language of an engine, each with the text the voice
    // list shows for it, in the order of the list: the voices of the desktop's
    // language first, then all others by their text.
    struct VoiceCatalogue {
        QList<QVoice> voices;
        QStringList descriptions;
    };

    // Takes an engine that lives on the calling thread, and its voices when
    // they were listed already (elsewhere, as listing thousands takes a
    // while); starts on the first voice.
    explicit QtSpeechEngine(std::unique_ptr<QTextToSpeech> tts,
                            std::optional<VoiceCatalogue> voices = std::nullopt);
    ~QtSpeechEngine() override;

    // Walks through every language of the engine, which leaves it on another.
    static VoiceCatalogue listVoices(QTextToSpeech& tts);

    // The platform's default engine, or when it lists no voices the first
    // other installed engine that does; null when no engine has any voice, or
    // when abandon says so before another engine is tried. Slow for the speech
    // daemon's engine (it lists every voice it has), and callable from any
    // thread: the engine lives on the calling thread.
    static std::unique_ptr<QTextToSpeech>
    createPreferredTextToSpeech(const std::function<bool()>& abandon = {});

    QString engineName() const;
    QTextToSpeech& textToSpeech() const { return *m_tts; }
    // In the order of voices().
    const QList<QVoice>& voiceList() const { return m_voices; }

    QStringList voices() const override;
    bool selectVoice(int index, QString* error) override;
    int rate() const override;
    void setRate(int rate) override;
    int volume() const override;
    void setVolume(int volume) override;
    bool speak(const QString& text, bool wait, QString* error) override;
    int runningState() const override;
    bool readingBegun() const override { return !m_pending || m_started; }
    void stop() override;
    bool waitUntilDone(int timeoutMs) override;

    // How long a reading may take to begin before it counts as lost.
    static constexpr int kStartTimeoutMs = 20000;

private:
    bool busy() const;
    // Runs a local event loop until the reading is over or the deadline has
    // passed; true when it is over, or when this engine was destroyed meanwhile.
    bool waitIdle(QDeadlineTimer deadline);

    // False once this engine is destroyed, which may happen in a local event
    // loop of its own (the window closing during a reading waited for).
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::unique_ptr<QTextToSpeech> m_tts;
    // The context of every connection to the engine: destroyed before it, so
    // that nothing the engine emits while being torn down reaches this object.
    std::unique_ptr<QObject> m_context;
    QList<QVoice> m_voices;
    QStringList m_descriptions;

    // A reading asked for and not yet known to be over. The engine reports
    // Speaking only once it really begins, so between say() and then the
    // engine still reads Ready.
    bool m_pending = false;
    bool m_started = false;
    QDeadlineTimer m_startDeadline;
    QString m_error;
};

} // namespace vt
