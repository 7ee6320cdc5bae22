// SPDX-License-Identifier: MIT
// Test doubles for speech and sound: an engine that records what it is asked
// to say and can be told to be speaking, a provider that hands it over at once
// or when a test says so, and a beeper that counts.
#pragma once

#include "platform/sleepinhibitor.h"
#include "speech/beeper.h"
#include "speech/speechengine.h"

#include <QTimer>

class FakeBeeper : public vt::Beeper
{
public:
    void beep() override { ++beeps; }
    QString silenceReason() const override { return silence; }
    int beeps = 0;
    QString silence; // as a machine without sound output says
};

class FakeSleepInhibitor : public vt::SleepInhibitor
{
public:
    void inhibit(const QString& why) override { reason = why; }
    void release() override { reason.clear(); }
    bool isHeld() const override { return !reason.isEmpty(); }
    QString reason;
};

class FakeSpeechEngine : public vt::SpeechEngine
{
public:
    explicit FakeSpeechEngine(QStringList voiceList = {QStringLiteral("Voice A"),
                                                       QStringLiteral("Voice B")})
        : voiceList(std::move(voiceList))
    {
    }

    QStringList voices() const override { return voiceList; }
    bool selectVoice(int index, QString* error) override
    {
        if (index < 0 || index >= voiceList.size() || failSelect) {
            if (error)
                *error = QStringLiteral("no such voice");
            return false;
        }
        selected = index;
        voiceRate = voiceRates.value(index, 0);
        voiceVolume = 100;
        return true;
    }
    int rate() const override { return voiceRate; }
    void setRate(int rate) override { voiceRate = rate; }
    int volume() const override { return voiceVolume; }
    void setVolume(int volume) override { voiceVolume = volume; }
    bool speak(const QString& text, bool wait, QString* error) override
    {
        if (failSpeak) {
            if (error)
                *error = QStringLiteral("audio device lost");
            return false;
        }
        spoken << text;
        waits << wait;
        speaking = !wait && speakAsyncForever;
        return true;
    }
    int runningState() const override { return speaking ? Speaking : Done; }
    bool waitUntilDone(int timeoutMs) override
    {
        ++waitCalls;
        lastWaitTimeout = timeoutMs;
        return !speaking;
    }

    QStringList voiceList;
    QList<int> voiceRates;
    int selected = -1;
    int voiceRate = 0;
    int voiceVolume = 100;
    bool failSelect = false;
    bool failSpeak = false;
    bool speakAsyncForever = false; // an asynchronous reading never ends by itself
    bool speaking = false;
    QStringList spoken;
    QList<bool> waits;
    int waitCalls = 0;
    int lastWaitTimeout = 0;
};

class FakeSpeechProvider : public vt::SpeechEngineProvider
{
public:
    // engine null: no speech components at all.
    explicit FakeSpeechProvider(std::unique_ptr<vt::SpeechEngine> engine, bool late = false)
        : m_engine(std::move(engine)), m_late(late)
    {
    }
    // Like the real provider, the engine arrives from the event loop, after
    // start-up has finished, even when it is ready at once.
    void start() override
    {
        started = true;
        if (!m_late)
            QTimer::singleShot(0, this, &FakeSpeechProvider::engineReady);
    }
    // For a late engine: it becomes ready now.
    void finish() { emit engineReady(); }
    std::unique_ptr<vt::SpeechEngine> takeEngine() override { return std::move(m_engine); }

    bool started = false;

private:
    std::unique_ptr<vt::SpeechEngine> m_engine;
    bool m_late;
};
