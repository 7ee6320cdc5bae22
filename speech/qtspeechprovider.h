// SPDX-License-Identifier: MIT
// Supplies the QTextToSpeech engine without holding up the window: the engine
// is made on a worker thread, since the speech daemon's engine takes seconds
// to list its voices and never answers when the daemon hangs.
#pragma once

#include "speech/speechengine.h"

#include <QString>

#include <functional>
#include <memory>

class QTextToSpeech;

namespace vt
{

class QtSpeechEngine;

class QtSpeechProvider : public SpeechEngineProvider
{
    Q_OBJECT

public:
    // Makes the engine; runs on the worker thread. Null: no engine.
    using Factory = std::function<std::unique_ptr<QTextToSpeech>()>;

    static constexpr int kDefaultTimeoutMs = 10000;

    // An engine not ready within the timeout counts as none. Without a
    // factory the preferred installed engine is made.
    explicit QtSpeechProvider(int timeoutMs = kDefaultTimeoutMs, Factory factory = {},
                              QObject* parent = nullptr);
    // Does not wait for a worker still making the engine: that one deletes
    // what it made by itself once it is done, or, stuck on a hung daemon,
    // ends with the process.
    ~QtSpeechProvider() override;

    void start() override;
    std::unique_ptr<SpeechEngine> takeEngine() override;

    // For logs and tests, once engineReady has been emitted: the engine's name
    // (empty when none) and how long making it and listing its voices took.
    QString engineName() const { return m_engineName; }
    qint64 creationMs() const { return m_creationMs; }
    bool timedOut() const { return m_timedOut; }

private:
    struct Handoff;
    struct Delivery;

    void deliver(Delivery& delivery);
    void giveUp();

    int m_timeoutMs;
    Factory m_factory;
    std::shared_ptr<Handoff> m_handoff;
    std::unique_ptr<QtSpeechEngine> m_engine;
    bool m_started = false;
    bool m_ready = false;
    bool m_timedOut = false;
    QString m_engineName;
    qint64 m_creationMs = -1;
};

} // namespace vt
