// SPDX-License-Identifier: MIT
// The speech engine over QTextToSpeech.
#include "speech/qtspeechengine.h"

#include <QEventLoop>
#include <QTextToSpeech>
#include <QTimer>

#include <algorithm>
#include <numeric>

namespace vt
{

namespace
{

// A reading waited for may take this long, plus a little per character, before
// it counts as stuck: generous enough for a long message at the slowest rate.
constexpr qint64 kSpeakBaseTimeoutMs = 60000;
constexpr qint64 kSpeakPerCharTimeoutMs = 500;
// How often a local wait looks at its deadlines.
constexpr int kWaitPollMs = 25;

QString describeVoice(const QVoice& voice)
{
    const QLocale locale = voice.locale();
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return voice.name();
    QString where = QLocale::languageToString(locale.language());
    if (locale.territory() != QLocale::AnyTerritory)
        where += QStringLiteral(", ") + QLocale::territoryToString(locale.territory());
    return QStringLiteral("%1 (%2)").arg(voice.name(), where);
}

QString engineError(const QTextToSpeech& tts)
{
    const QString text = tts.errorString();
    return text.isEmpty() ? QStringLiteral("the speech engine failed") : text;
}

} // namespace

QtSpeechEngine::QtSpeechEngine(std::unique_ptr<QTextToSpeech> tts)
    : m_tts(std::move(tts)), m_context(std::make_unique<QObject>())
{
    Q_ASSERT(m_tts);
    settleLocale(*m_tts);

    // Sorted by what the list shows, so that a voice keeps its place however
    // the engine happens to order them.
    const QList<QVoice> all = m_tts->availableVoices();
    QStringList descriptions;
    descriptions.reserve(all.size());
    for (const QVoice& voice : all)
        descriptions << describeVoice(voice);
    std::vector<qsizetype> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return descriptions[a].compare(descriptions[b], Qt::CaseInsensitive) < 0;
    });
    for (const qsizetype i : order) {
        m_voices << all[i];
        m_descriptions << descriptions[i];
    }

    QObject::connect(m_tts.get(), &QTextToSpeech::stateChanged, m_context.get(),
                     [this](QTextToSpeech::State state) {
                         switch (state) {
                         case QTextToSpeech::Speaking:
                         case QTextToSpeech::Paused:
                             if (m_pending)
                                 m_started = true;
                             break;
                         case QTextToSpeech::Ready:
                             // A Ready before the reading began ends the one it
                             // replaced, not this one.
                             if (m_started)
                                 m_pending = false;
                             break;
                         case QTextToSpeech::Error:
                             if (m_pending && m_error.isEmpty())
                                 m_error = engineError(*m_tts);
                             m_pending = false;
                             break;
                         }
                     });
    QObject::connect(m_tts.get(), &QTextToSpeech::errorOccurred, m_context.get(),
                     [this](QTextToSpeech::ErrorReason, const QString& text) {
                         if (m_pending)
                             m_error = text.isEmpty() ? engineError(*m_tts) : text;
                         m_pending = false;
                     });
}

QtSpeechEngine::~QtSpeechEngine()
{
    *m_alive = false;
}

std::unique_ptr<QTextToSpeech>
QtSpeechEngine::createPreferredTextToSpeech(const std::function<bool()>& abandon)
{
    if (QTextToSpeech::availableEngines().isEmpty())
        return nullptr;
    const auto usable = [](QTextToSpeech& tts) {
        if (tts.state() == QTextToSpeech::Error)
            return false;
        settleLocale(tts);
        return !tts.availableVoices().isEmpty();
    };
    auto tts = std::make_unique<QTextToSpeech>();
    if (usable(*tts))
        return tts;
    const QString tried = tts->engine();
    tts.reset();
    for (const QString& name : QTextToSpeech::availableEngines()) {
        if (name == tried)
            continue;
        if (abandon && abandon())
            return nullptr;
        auto other = std::make_unique<QTextToSpeech>(name);
        if (usable(*other))
            return other;
    }
    return nullptr;
}

void QtSpeechEngine::settleLocale(QTextToSpeech& tts)
{
    const QLocale current = tts.locale();
    if (current.language() != QLocale::C && !tts.availableVoices().isEmpty())
        return;
    QList<QLocale> candidates;
    for (const QLocale& locale : tts.availableLocales()) {
        if (locale.language() != QLocale::English)
            continue;
        if (locale.territory() == QLocale::UnitedStates)
            candidates.prepend(locale);
        else
            candidates.append(locale);
    }
    for (const QLocale& locale : std::as_const(candidates)) {
        tts.setLocale(locale);
        if (tts.locale() == locale && !tts.availableVoices().isEmpty())
            return;
    }
    if (tts.locale() != current)
        tts.setLocale(current);
}

QString QtSpeechEngine::engineName() const
{
    return m_tts->engine();
}

QStringList QtSpeechEngine::voices() const
{
    return m_descriptions;
}

bool QtSpeechEngine::selectVoice(int index, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (index < 0 || index >= m_voices.size())
        return fail(QStringLiteral("no voice number %1, the engine has %2")
                        .arg(index)
                        .arg(m_voices.size()));
    const QVoice& voice = m_voices.at(index);
    m_tts->setVoice(voice);
    if (m_tts->state() == QTextToSpeech::Error)
        return fail(engineError(*m_tts));
    if (m_tts->voice().name() != voice.name())
        return fail(QStringLiteral("the engine did not take the voice %1").arg(voice.name()));
    return true;
}

int QtSpeechEngine::rate() const
{
    return qRound(m_tts->rate() * 10.0);
}

void QtSpeechEngine::setRate(int rate)
{
    m_tts->setRate(std::clamp(rate, -10, 10) / 10.0);
}

int QtSpeechEngine::volume() const
{
    return qRound(m_tts->volume() * 100.0);
}

void QtSpeechEngine::setVolume(int volume)
{
    m_tts->setVolume(std::clamp(volume, 0, 100) / 100.0);
}

bool QtSpeechEngine::speak(const QString& text, bool wait, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_tts->state() == QTextToSpeech::Error &&
        m_tts->errorReason() == QTextToSpeech::ErrorReason::Initialization)
        return fail(engineError(*m_tts));
    // Engines start no reading for blank text and so never report its end.
    if (text.trimmed().isEmpty())
        return true;

    m_error.clear();
    m_pending = true;
    m_started = false;
    m_startDeadline.setRemainingTime(kStartTimeoutMs);
    m_tts->say(text);
    if (!m_error.isEmpty()) {
        m_pending = false;
        return fail(m_error);
    }
    if (!wait)
        return true;

    const qint64 limitMs = kSpeakBaseTimeoutMs + text.size() * kSpeakPerCharTimeoutMs;
    const std::shared_ptr<bool> alive = m_alive;
    const bool over = waitIdle(QDeadlineTimer(limitMs));
    if (!*alive)
        return fail(QStringLiteral("the speech engine was closed during the reading"));
    if (!over) {
        m_tts->stop();
        m_pending = false;
        return fail(
            QStringLiteral("the reading did not end within %1 seconds").arg(limitMs / 1000));
    }
    if (!m_error.isEmpty())
        return fail(m_error);
    if (!m_started)
        return fail(QStringLiteral("the engine did not begin the reading"));
    return true;
}

bool QtSpeechEngine::busy() const
{
    const QTextToSpeech::State state = m_tts->state();
    if (state == QTextToSpeech::Speaking || state == QTextToSpeech::Paused)
        return true;
    return m_pending && (m_started || !m_startDeadline.hasExpired());
}

int QtSpeechEngine::runningState() const
{
    return busy() ? Speaking : Done;
}

bool QtSpeechEngine::waitUntilDone(int timeoutMs)
{
    return waitIdle(QDeadlineTimer(std::max(timeoutMs, 0)));
}

bool QtSpeechEngine::waitIdle(QDeadlineTimer deadline)
{
    if (!busy())
        return true;
    if (deadline.hasExpired())
        return false;
    const std::shared_ptr<bool> alive = m_alive;
    QEventLoop loop;
    const auto check = [&] {
        if (!*alive || !busy() || deadline.hasExpired())
            loop.quit();
    };
    // Queued, so that the state handler above has seen the change first.
    QObject::connect(m_tts.get(), &QTextToSpeech::stateChanged, &loop, check, Qt::QueuedConnection);
    QTimer poll;
    poll.setInterval(kWaitPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, check);
    poll.start();
    loop.exec();
    return !*alive || !busy();
}

} // namespace vt
