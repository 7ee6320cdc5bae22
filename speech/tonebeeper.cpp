// SPDX-License-Identifier: MIT
// The tone beeper over QAudioSink.
#include "speech/tonebeeper.h"

#include <QApplication>
#include <QAudioSink>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMediaDevices>

#include <cmath>
#include <cstring>
#include <numbers>

Q_LOGGING_CATEGORY(lcBeep, "vigiltide.beep")

namespace vt
{

namespace
{

// Silence after the tone, so that stopping the sink once it has read
// everything does not cut off the end of the tone still in the sound server.
constexpr int kTrailMs = 60;

QAudioFormat chooseFormat(const QAudioDevice& device)
{
    const QAudioFormat preferred = device.preferredFormat();
    QAudioFormat mono;
    mono.setSampleRate(preferred.sampleRate() > 0 ? preferred.sampleRate() : 48000);
    mono.setChannelCount(1);
    mono.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(mono))
        return mono;
    QAudioFormat stereo = mono;
    stereo.setChannelCount(preferred.channelCount() > 0 ? preferred.channelCount() : 2);
    if (device.isFormatSupported(stereo))
        return stereo;
    return preferred;
}

void writeSample(char* at, QAudioFormat::SampleFormat format, double value)
{
    switch (format) {
    case QAudioFormat::UInt8: {
        const auto s = static_cast<quint8>(std::lround(128.0 + value * 127.0));
        std::memcpy(at, &s, sizeof s);
        break;
    }
    case QAudioFormat::Int16: {
        const auto s = static_cast<qint16>(std::lround(value * 32767.0));
        std::memcpy(at, &s, sizeof s);
        break;
    }
    case QAudioFormat::Int32: {
        const auto s = static_cast<qint32>(std::lround(value * 2147483647.0));
        std::memcpy(at, &s, sizeof s);
        break;
    }
    case QAudioFormat::Float: {
        const auto s = static_cast<float>(value);
        std::memcpy(at, &s, sizeof s);
        break;
    }
    case QAudioFormat::Unknown:
    case QAudioFormat::NSampleFormats:
        break;
    }
}

// The tone with a raised-cosine fade at each end: a sine cut off mid-swing
// clicks.
QByteArray makeTone(const QAudioFormat& format)
{
    const int rate = format.sampleRate();
    const int toneFrames = rate * ToneBeeper::kDurationMs / 1000;
    const int fadeFrames = rate * ToneBeeper::kFadeMs / 1000;
    const int frames = toneFrames + rate * kTrailMs / 1000;
    const int bytesPerSample = format.bytesPerSample();
    const int channels = format.channelCount();
    QByteArray pcm(qsizetype(frames) * channels * bytesPerSample, '\0');
    if (format.sampleFormat() == QAudioFormat::UInt8)
        pcm.fill(char(128));
    for (int i = 0; i < toneFrames; ++i) {
        double gain = 1.0;
        const int edge = std::min(i, toneFrames - 1 - i);
        if (edge < fadeFrames)
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fadeFrames);
        const double value = ToneBeeper::kAmplitude * gain *
                             std::sin(2.0 * std::numbers::pi * ToneBeeper::kFrequencyHz * i / rate);
        for (int c = 0; c < channels; ++c)
            writeSample(pcm.data() + (qsizetype(i) * channels + c) * bytesPerSample,
                        format.sampleFormat(), value);
    }
    return pcm;
}

} // namespace

ToneBeeper::ToneBeeper() = default;

ToneBeeper::~ToneBeeper()
{
    if (m_sink)
        m_sink->stop();
}

bool ToneBeeper::hasAudioOutput() const
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

QString ToneBeeper::silenceReason() const
{
    return hasAudioOutput() ? QString()
                            : QCoreApplication::translate("ToneBeeper", "no sound output");
}

void ToneBeeper::bell()
{
    ++m_bellBeeps;
    QApplication::beep();
}

bool ToneBeeper::prepare(const QAudioDevice& device)
{
    if (m_sink && device == m_device)
        return true;
    if (m_sink)
        m_sink->stop();
    m_sink.reset();
    m_buffer.close();
    m_device = device;
    m_format = chooseFormat(device);
    if (!m_format.isValid())
        return false;
    m_tone = makeTone(m_format);
    m_buffer.setBuffer(&m_tone);
    m_sink = std::make_unique<QAudioSink>(device, m_format);
    QAudioSink* sink = m_sink.get();
    // Idle means the sink has read the whole tone; stopping it gives the
    // sound server's stream back until the next beep.
    QObject::connect(sink, &QAudioSink::stateChanged, sink, [sink](QAudio::State state) {
        if (state == QAudio::IdleState)
            QMetaObject::invokeMethod(
                sink,
                [sink] {
                    if (sink->state() == QAudio::IdleState)
                        sink->stop();
                },
                Qt::QueuedConnection);
    });
    return true;
}

void ToneBeeper::beep()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        bell();
        return;
    }
    if (m_sink && m_sink->state() == QAudio::ActiveState) {
        ++m_droppedBeeps;
        return;
    }
    if (!prepare(device)) {
        qCWarning(lcBeep) << "No usable sound format on" << device.description();
        m_sink.reset();
        bell();
        return;
    }
    m_sink->stop();
    m_buffer.close();
    m_buffer.open(QIODevice::ReadOnly);
    m_sink->start(&m_buffer);
    const QAudio::Error error = m_sink->error();
    if (m_sink->state() == QAudio::StoppedState ||
        (error != QAudio::NoError && error != QAudio::UnderrunError)) {
        qCWarning(lcBeep) << "The sound output failed:" << error << "- ringing the bell instead";
        m_sink.reset();
        m_device = QAudioDevice();
        bell();
    }
}

} // namespace vt
