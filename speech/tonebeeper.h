// SPDX-License-Identifier: MIT
// The beeper that plays its own short tone on the default sound output, since
// many desktops keep the terminal bell silent; without a sound output it falls
// back to the system bell.
#pragma once

#include "speech/beeper.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>

class QAudioSink;

namespace vt
{

class ToneBeeper : public Beeper
{
public:
    static constexpr double kFrequencyHz = 880.0;
    static constexpr int kDurationMs = 150;
    static constexpr int kFadeMs = 5;
    static constexpr double kAmplitude = 0.5; // of full scale

    // bell: the system's own beep, for a desktop without a sound output.
    explicit ToneBeeper(std::function<void()> bell);
    ~ToneBeeper() override;

    // Returns at once; the tone plays on. Every beep gets a sound stream of
    // its own: a stream started again after playing asks PulseAudio for the
    // buffer it was last given, which the server shrinks on every start (Qt
    // 6.4), until the stream cannot fill its pre-buffer and never plays again.
    void beep() override;

    // False when the desktop has no sound output at all; beeps then go to the
    // system bell, which may well be silent.
    bool hasAudioOutput() const;
    // No sound output, or a sound output that failed or stopped playing
    // since the last beep that was heard.
    QString silenceReason() const override;
    // For tests: beeps that went to the system bell.
    int bellBeeps() const { return m_bellBeeps; }

private:
    bool prepare(const QAudioDevice& device);
    void play();
    void played(QAudioSink* sink);
    void failed(const QString& reason);
    void bell();

    QAudioDevice m_device;
    QAudioFormat m_format;
    QByteArray m_tone;
    // The parent of every stream, so none outlives the beeper.
    QObject m_streams;
    QPointer<QAudioSink> m_playing;
    QElapsedTimer m_playingSince;
    QString m_failure;
    std::function<void()> m_bell;
    int m_bellBeeps = 0;
};

} // namespace vt
