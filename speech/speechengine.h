// SPDX-License-Identifier: MIT
// What the program asks of a text-to-speech engine, and how it gets one. The
// real engine wraps QTextToSpeech; tests use a fake.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace vt
{

class SpeechEngine
{
public:
    // The running state as the speech service reads it.
    enum RunningState : int { Done = 1, Speaking = 2 };

    virtual ~SpeechEngine() = default;

    // One description per installed voice, in a stable order; an index into
    // this list selects the voice.
    virtual QStringList voices() const = 0;
    // False, with a description of the failure, when the voice cannot be used.
    virtual bool selectVoice(int index, QString* error) = 0;

    virtual int rate() const = 0; // -10 .. 10
    virtual void setRate(int rate) = 0;
    virtual int volume() const = 0; // 0 .. 100
    virtual void setVolume(int volume) = 0;

    // Speaks the text; with wait, returns once it has been spoken, otherwise at
    // once. False, with a description, when speaking fails.
    virtual bool speak(const QString& text, bool wait, QString* error) = 0;
    // Done when idle, also before anything was spoken; Speaking while speaking.
    virtual int runningState() const = 0;
    // False while a reading asked for has not yet begun to be heard: an
    // engine may take text and never speak it.
    virtual bool readingBegun() const = 0;
    // Ends the reading at once; nothing is spoken until the next speak().
    virtual void stop() = 0;
    // Waits at most the timeout for the speech to end; true when it ended.
    virtual bool waitUntilDone(int timeoutMs) = 0;
};

// Supplies the engine, which may take a while to create (the desktop's speech
// daemon lists its voices slowly, and may hang). Emits engineReady once; the
// engine is then taken, or is null when none could be had in time.
class SpeechEngineProvider : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    // Starts making the engine; engineReady follows, perhaps at once.
    virtual void start() = 0;
    virtual std::unique_ptr<SpeechEngine> takeEngine() = 0;

signals:
    void engineReady();
};

} // namespace vt
