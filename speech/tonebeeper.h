// SPDX-License-Identifier: MIT
// The beeper that plays its own short tone on the default sound output, since
// many desktops keep the terminal bell silent; without a sound output it falls
// back to the system bell.
#pragma once

#include "speech/beeper.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>

#include <memory>

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

    ToneBeeper();
    ~ToneBeeper() override;

    // Returns at once; the tone plays on. A beep asked for while the tone still
    // plays is dropped: the tone already playing answers it.
    void beep() override;

    // False when the desktop has no sound output at all; beeps then go to the
    // system bell, which may well be silent.
    bool hasAudioOutput() const;
    QString silenceReason() const override;
    // For tests and the status bar: beeps that went to the system bell, and
    // beeps dropped because the tone was still playing.
    int bellBeeps() const { return m_bellBeeps; }
    int droppedBeeps() const { return m_droppedBeeps; }

private:
    bool prepare(const QAudioDevice& device);
    void bell();

    QAudioDevice m_device;
    QAudioFormat m_format;
    QByteArray m_tone;
    QBuffer m_buffer;
    std::unique_ptr<QAudioSink> m_sink;
    int m_bellBeeps = 0;
    int m_droppedBeeps = 0;
};

} // namespace vt
