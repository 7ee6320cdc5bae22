// SPDX-License-Identifier: MIT
// Listening to what the program plays: AudioRig makes sure a sound server is
// reachable (starting the private null-sink server of scripts/audio-rig.sh
// when none is), and AudioRecorder records the default output's monitor with
// parecord around any action and measures it with sox.
//
//   AudioRig rig;                          // before anything touches audio
//   if (!rig.ensure(&why)) QSKIP(qPrintable(why));
//   AudioRecorder rec;
//   const AudioLevels heard = rec.record([&] { beeper.beep(); }, 500, &why);
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace vt
{

// Measured on the rig's null sink, whose monitor holds exact digital silence:
// nothing played reads rms 0 and peak 0; the 150 ms beep in about 0.6 s of
// recording reads rms about 0.14, peak 0.5; "Check the horizon" read by
// espeak-ng, about 1.7 s recorded, reads rms about 0.13, peak near 1. The
// limits leave a wide margin on both sides and still tell a sound from a
// stray click.
constexpr double kSilentPeak = 0.001;
constexpr double kSilentRms = 0.001;
constexpr double kAudiblePeak = 0.1;
constexpr double kAudibleRms = 0.01;

// What a recording held, in parts of full scale; negative when unmeasured.
struct AudioLevels {
    double rms = -1.0;
    double peak = -1.0;
    double seconds = 0.0;
    bool valid() const { return rms >= 0.0 && peak >= 0.0; }
};

inline QDebug operator<<(QDebug debug, const AudioLevels& levels)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "AudioLevels(rms " << levels.rms << ", peak " << levels.peak << ", "
                    << levels.seconds << " s)";
    return debug;
}

inline bool isSilent(const AudioLevels& levels)
{
    return levels.peak < kSilentPeak && levels.rms < kSilentRms;
}

inline bool isAudible(const AudioLevels& levels)
{
    return levels.peak > kAudiblePeak && levels.rms > kAudibleRms;
}

class AudioRig
{
public:
    AudioRig() = default;
    AudioRig(const AudioRig&) = delete;
    AudioRig& operator=(const AudioRig&) = delete;
    ~AudioRig()
    {
        if (m_registered)
            QProcess::execute(QStringLiteral("bash"),
                              {script(), QStringLiteral("stop"), ownerId()});
    }

    // Call before anything in the process opens a sound or speech connection:
    // the rig's addresses are put into this process's environment.
    bool ensure(QString* whyNot)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
            return fail(whyNot,
                        QStringLiteral("pactl is missing (Debian package pulseaudio-utils)"));
        if (serverReachable())
            return true;
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
            return fail(whyNot, QStringLiteral("no PulseAudio server is reachable and pulseaudio "
                                               "is missing (Debian package pulseaudio)"));
        QProcess rig;
        rig.start(QStringLiteral("bash"), {script(), QStringLiteral("start"), ownerId()});
        if (!rig.waitForFinished(30000) || rig.exitCode() != 0)
            return fail(
                whyNot,
                QStringLiteral("no PulseAudio server is reachable and %1 failed: %2")
                    .arg(script(), QString::fromLocal8Bit(rig.readAllStandardError()).trimmed()));
        m_registered = true;
        static const QRegularExpression line(QStringLiteral("^export (\\w+)='([^']*)'$"),
                                             QRegularExpression::MultilineOption);
        const QString out = QString::fromLocal8Bit(rig.readAllStandardOutput());
        for (auto it = line.globalMatch(out); it.hasNext();) {
            const auto match = it.next();
            qputenv(match.captured(1).toLocal8Bit().constData(), match.captured(2).toLocal8Bit());
        }
        if (!serverReachable())
            return fail(whyNot, QStringLiteral("the audio rig started, but its PulseAudio server "
                                               "does not answer"));
        return true;
    }

    static bool serverReachable()
    {
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        return info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit &&
               info.exitCode() == 0;
    }

private:
    static QString script() { return QStringLiteral(VIGILTIDE_SOURCE_DIR "/scripts/audio-rig.sh"); }
    static QString ownerId() { return QString::number(QCoreApplication::applicationPid()); }
    static bool fail(QString* whyNot, const QString& text)
    {
        if (whyNot)
            *whyNot = text;
        return false;
    }

    bool m_registered = false;
};

class AudioRecorder
{
public:
    AudioRecorder() = default;
    AudioRecorder(const AudioRecorder&) = delete;
    AudioRecorder& operator=(const AudioRecorder&) = delete;
    ~AudioRecorder()
    {
        if (m_parecord.state() != QProcess::NotRunning) {
            m_parecord.kill();
            m_parecord.waitForFinished(2000);
        }
    }

    // Starts recording what the default output plays; returns once sound
    // data is arriving, so nothing played afterwards is missed.
    bool start(QString* whyNot)
    {
        const QString parecord = QStandardPaths::findExecutable(QStringLiteral("parecord"));
        if (parecord.isEmpty())
            return fail(whyNot,
                        QStringLiteral("parecord is missing (Debian package pulseaudio-utils)"));
        if (QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty())
            return fail(whyNot, QStringLiteral("sox is missing (Debian package sox)"));
        if (!m_dir.isValid())
            return fail(whyNot, QStringLiteral("no temporary folder for the recording"));
        m_file = m_dir.filePath(QStringLiteral("recording-%1.wav").arg(++m_count));
        m_parecord.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        m_parecord.start(parecord, {QStringLiteral("--device=@DEFAULT_MONITOR@"),
                                    QStringLiteral("--file-format=wav"),
                                    QStringLiteral("--latency-msec=20"), m_file});
        if (!m_parecord.waitForStarted(5000))
            return fail(whyNot,
                        QStringLiteral("parecord did not start: ") + m_parecord.errorString());
        // The header alone is 44 bytes; a few milliseconds of sound are more.
        const QDeadlineTimer deadline(5000);
        while (QFileInfo(m_file).size() < 2048) {
            if (m_parecord.state() == QProcess::NotRunning)
                return fail(whyNot, QStringLiteral("parecord stopped: ") +
                                        QString::fromLocal8Bit(m_parecord.readAllStandardError()));
            if (deadline.hasExpired())
                return fail(whyNot, QStringLiteral("parecord records nothing"));
            QTest::qWait(10);
        }
        return true;
    }

    // Stops the recording and measures all of it.
    AudioLevels stop(QString* whyNot = nullptr)
    {
        m_parecord.terminate(); // parecord completes the file on SIGTERM
        if (!m_parecord.waitForFinished(5000)) {
            m_parecord.kill();
            m_parecord.waitForFinished(2000);
        }
        QProcess sox;
        sox.start(QStringLiteral("sox"), {m_file, QStringLiteral("-n"), QStringLiteral("stat")});
        sox.waitForFinished(10000);
        const QString stat = QString::fromLocal8Bit(sox.readAllStandardError());
        AudioLevels levels;
        levels.rms = statValue(stat, QStringLiteral("RMS     amplitude"));
        levels.peak = statValue(stat, QStringLiteral("Maximum amplitude"));
        levels.seconds = statValue(stat, QStringLiteral("Length (seconds)"));
        if (!levels.valid() && whyNot)
            *whyNot = QStringLiteral("sox could not measure the recording: ") + stat;
        return levels;
    }

    double stopAndMeasureRms() { return stop().rms; }

    // Records while the action runs and for tailMs after it, while events are
    // processed; invalid levels, with a reason, when nothing could be recorded.
    template <typename Action> AudioLevels record(Action&& action, int tailMs, QString* whyNot)
    {
        if (!start(whyNot))
            return {};
        action();
        QTest::qWait(tailMs);
        return stop(whyNot);
    }

private:
    static double statValue(const QString& stat, const QString& name)
    {
        const QRegularExpression re(QRegularExpression::escape(name) +
                                    QStringLiteral(":\\s*(-?[0-9.]+)"));
        const auto match = re.match(stat);
        return match.hasMatch() ? match.captured(1).toDouble() : -1.0;
    }
    static bool fail(QString* whyNot, const QString& text)
    {
        if (whyNot)
            *whyNot = text;
        return false;
    }

    QTemporaryDir m_dir;
    QProcess m_parecord;
    QString m_file;
    int m_count = 0;
};

} // namespace vt
