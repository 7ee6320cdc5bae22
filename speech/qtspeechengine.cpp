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

bool hasNoLanguage(const QLocale& locale)
{
    return locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage;
}

QString languageOf(const QLocale& locale)
{
    QString language = QLocale::languageToString(locale.language());
    if (locale.territory() != QLocale::AnyTerritory)
        language += QStringLiteral(" (%1)").arg(QLocale::territoryToString(locale.territory()));
    return language;
}

// "Language - voice". Speech-dispatcher's eSpeak voices are named
// "Language+variant" already, such as "English (Great Britain)+Alan", and its
// plain voice of a language bears the language's own name.
QString describeVoice(const QVoice& voice)
{
    const QString name = voice.name();
    const qsizetype plus = name.indexOf(QLatin1Char('+'));
    if (plus > 0)
        return name.left(plus).trimmed() + QStringLiteral(" - ") + name.mid(plus + 1).trimmed();
    const QLocale locale = voice.locale();
    if (hasNoLanguage(locale) ||
        name.startsWith(QLocale::languageToString(locale.language()), Qt::CaseInsensitive))
        return name.trimmed();
    return languageOf(locale) + QStringLiteral(" - ") + name;
}

// The voices of this language come first in the list; English, the language
// of the program's own messages, on a desktop that names none.
QLocale::Language preferredLanguage()
{
    const QLocale system = QLocale::system();
    return hasNoLanguage(system) ? QLocale::English : system.language();
}

bool hasVoices(QTextToSpeech& tts)
{
    if (!tts.availableVoices().isEmpty())
        return true;
    const QList<QLocale> locales = tts.availableLocales();
    return std::any_of(locales.begin(), locales.end(), [&tts](const QLocale& locale) {
        tts.setLocale(locale);
        return !tts.availableVoices().isEmpty();
    });
}

QString engineError(const QTextToSpeech& tts)
{
    const QString text = tts.errorString();
    return text.isEmpty() ? QStringLiteral("the speech engine failed") : text;
}

} // namespace

QtSpeechEngine::QtSpeechEngine(std::unique_ptr<QTextToSpeech> tts,
                               std::optional<VoiceCatalogue> voices)
    : m_tts(std::move(tts)), m_context(std::make_unique<QObject>())
{
    Q_ASSERT(m_tts);
    VoiceCatalogue catalogue = voices ? std::move(*voices) : listVoices(*m_tts);
    m_voices = std::move(catalogue.voices);
    m_descriptions = std::move(catalogue.descriptions);
    if (!m_voices.isEmpty())
        selectVoice(0, nullptr);

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

QtSpeechEngine::VoiceCatalogue QtSpeechEngine::listVoices(QTextToSpeech& tts)
{
    // The engine lists the voices of its current language only.
    QList<QVoice> all = tts.availableVoices();
    const QList<QLocale> locales = tts.availableLocales();
    if (!locales.isEmpty()) {
        all.clear();
        for (const QLocale& locale : locales) {
            tts.setLocale(locale);
            all += tts.availableVoices();
        }
    }
    QStringList descriptions;
    descriptions.reserve(all.size());
    for (const QVoice& voice : std::as_const(all))
        descriptions << describeVoice(voice);

    // The engine names its languages in no particular order, which changes
    // from one start to the next; the list must not.
    const QLocale::Language first = preferredLanguage();
    std::vector<qsizetype> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const bool aFirst = all[a].locale().language() == first;
        const bool bFirst = all[b].locale().language() == first;
        if (aFirst != bFirst)
            return aFirst;
        const int byText = descriptions[a].compare(descriptions[b], Qt::CaseInsensitive);
        if (byText != 0)
            return byText < 0;
        return all[a].name() < all[b].name();
    });
    VoiceCatalogue catalogue;
    catalogue.voices.reserve(all.size());
    catalogue.descriptions.reserve(all.size());
    for (const qsizetype i : order) {
        catalogue.voices << all[i];
        catalogue.descriptions << descriptions[i];
    }
    return catalogue;
}

std::unique_ptr<QTextToSpeech>
QtSpeechEngine::createPreferredTextToSpeech(const std::function<bool()>& abandon)
{
    if (QTextToSpeech::availableEngines().isEmpty())
        return nullptr;
    const auto usable = [](QTextToSpeech& tts) {
        return tts.state() != QTextToSpeech::Error && hasVoices(tts);
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
    // The voice's language as well, for engines that keep the two apart.
    if (m_tts->locale() != voice.locale())
        m_tts->setLocale(voice.locale());
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

void QtSpeechEngine::stop()
{
    m_pending = false;
    m_tts->stop();
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
