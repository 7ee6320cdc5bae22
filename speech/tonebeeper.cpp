// SPDX-License-Identifier: MIT
// The tone beeper over QAudioSink.
#include "speech/tonebeeper.h"

#include <QAudioSink>
#include <QBuffer>
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
// A tone not played out by then never will be.
constexpr qint64 kStalledAfterMs = 900;

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

ToneBeeper::ToneBeeper(std::function<void()> bell) : m_bell(std::move(bell)) {}

ToneBeeper::~ToneBeeper()
{
    // The streams go with m_streams; stopped first, so none is left draining.
    for (QAudioSink* sink : m_streams.findChildren<QAudioSink*>())
        sink->stop();
}

bool ToneBeeper::hasAudioOutput() const
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

QString ToneBeeper::silenceReason() const
{
    if (!hasAudioOutput())
        return QCoreApplication::translate("ToneBeeper", "no sound output");
    return m_failure;
}

void ToneBeeper::bell()
{
    ++m_bellBeeps;
    if (m_bell)
        m_bell();
}

void ToneBeeper::failed(const QString& reason)
{
    qCWarning(lcBeep).noquote() << "Beep not heard:" << reason << "- ringing the bell instead";
    m_failure = reason;
    bell();
}

bool ToneBeeper::prepare(const QAudioDevice& device)
{
    if (device == m_device && m_format.isValid())
        return true;
    m_device = device;
    m_format = chooseFormat(device);
    if (!m_format.isValid())
        return false;
    m_tone = makeTone(m_format);
    return true;
}

void ToneBeeper::beep()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        bell();
        return;
    }
    if (m_playing) {
        // A beep asked for while the tone plays is answered by that tone.
        if (!m_playingSince.hasExpired(kStalledAfterMs))
            return;
        // The tone lasts a fifth of a second: a stream still on it long after
        // has stopped playing, as one on a sound server that hangs does.
        m_playing->stop();
        m_playing->deleteLater();
        failed(QCoreApplication::translate("ToneBeeper", "the sound output does not play"));
    }
    if (!prepare(device)) {
        failed(QCoreApplication::translate("ToneBeeper", "no sound format fits %1")
                   .arg(device.description()));
        return;
    }
    play();
}

void ToneBeeper::play()
{
    auto* sink = new QAudioSink(m_device, m_format, &m_streams);
    auto* tone = new QBuffer(sink);
    tone->setData(m_tone);
    tone->open(QIODevice::ReadOnly);
    // Idle: the whole tone has been played, and the stream is given back.
    QObject::connect(sink, &QAudioSink::stateChanged, sink, [this, sink](QAudio::State state) {
        if (state == QAudio::IdleState)
            played(sink);
    });
    sink->start(tone);
    const QAudio::Error error = sink->error();
    if (sink->state() == QAudio::StoppedState ||
        (error != QAudio::NoError && error != QAudio::UnderrunError)) {
        sink->deleteLater();
        failed(QCoreApplication::translate("ToneBeeper", "the sound output failed (error %1)")
                   .arg(int(error)));
        return;
    }
    m_playing = sink;
    m_playingSince.start();
}

void ToneBeeper::played(QAudioSink* sink)
{
    if (sink == m_playing)
        m_playing = nullptr;
    m_failure.clear();
    // Later, from the event loop: the sink's own teardown runs pending events.
    sink->stop();
    sink->deleteLater();
}

} // namespace vt
