// SPDX-License-Identifier: MIT
// Making the QTextToSpeech engine on a worker thread and handing it over.
#include "speech/qtspeechprovider.h"

#include "speech/qtspeechengine.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTextToSpeech>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

Q_LOGGING_CATEGORY(lcSpeech, "vigiltide.speech")

namespace vt
{

namespace
{

// How long the program, when it closes, lets a worker finish making the
// engine: a healthy engine is done by then, and a worker stuck on a hung
// daemon must not hold up the exit.
constexpr auto kExitWait = std::chrono::seconds(2);

// The speech daemon's engine is driven by the daemon's own callbacks and works
// on the thread it is moved to. Other engines, such as Flite, keep a private
// engine object that does not move along with the QTextToSpeech and would stay
// bound to the finished worker thread, never speaking; those are quick to make
// and are made once more on the window's thread.
bool worksAfterThreadMove(const QString& engine)
{
    return engine == QLatin1String("speechd");
}

} // namespace

// Shared by the provider and its worker, which may outlive it.
struct QtSpeechProvider::Handoff {
    std::mutex mutex;
    std::condition_variable finished;
    bool closed = false; // no engine is taken any more: timed out, or the provider is gone
    bool done = false;   // the worker has let go of everything it made
};

// What the worker hands over, carried by the queued call to the provider. An
// engine in it that is never taken is deleted with it on the window's thread,
// where it lives by then.
struct QtSpeechProvider::Delivery {
    std::unique_ptr<QTextToSpeech> tts;
    // Listed here too: the speech daemon has thousands of voices to describe
    // and order, which would hold up the window.
    std::optional<QtSpeechEngine::VoiceCatalogue> voices;
    QString remake; // an engine to make again on the window's thread
    qint64 ms = 0;
};

QtSpeechProvider::QtSpeechProvider(int timeoutMs, Factory factory, QObject* parent)
    : SpeechEngineProvider(parent), m_timeoutMs(timeoutMs), m_factory(std::move(factory)),
      m_handoff(std::make_shared<Handoff>())
{
    if (!m_factory) {
        // Once nobody takes the engine any more (the daemon answered too
        // late), no further engine is tried: engines such as Flite must not be
        // made and deleted on two threads at once.
        m_factory = [handoff = std::weak_ptr<Handoff>(m_handoff)] {
            return QtSpeechEngine::createPreferredTextToSpeech([handoff] {
                const std::shared_ptr<Handoff> shared = handoff.lock();
                if (!shared)
                    return true;
                std::lock_guard lock(shared->mutex);
                return shared->closed;
            });
        };
    }
}

QtSpeechProvider::~QtSpeechProvider()
{
    std::unique_lock lock(m_handoff->mutex);
    m_handoff->closed = true;
    if (m_started)
        m_handoff->finished.wait_for(lock, kExitWait, [this] { return m_handoff->done; });
}

void QtSpeechProvider::start()
{
    if (m_started)
        return;
    m_started = true;
    QTimer::singleShot(m_timeoutMs, this, &QtSpeechProvider::giveUp);

    std::thread worker([handoff = m_handoff, factory = m_factory, gui = thread(), self = this] {
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<QTextToSpeech> tts = factory();
        auto delivery = std::make_shared<Delivery>();
        if (tts && !worksAfterThreadMove(tts->engine())) {
            delivery->remake = tts->engine();
            tts.reset();
        }
        if (tts)
            delivery->voices = QtSpeechEngine::listVoices(*tts);
        delivery->ms = timer.elapsed();
        {
            std::lock_guard lock(handoff->mutex);
            if (!handoff->closed) {
                if (tts) {
                    tts->moveToThread(gui);
                    delivery->tts = std::move(tts);
                }
                // Posted under the lock: the provider cannot be destroyed
                // meanwhile, and its destruction drops the call, deleting
                // the engine on the window's thread. The call holds the only
                // reference, so the engine never dies on this thread.
                QMetaObject::invokeMethod(
                    self, [self, delivery = std::move(delivery)] { self->deliver(*delivery); },
                    Qt::QueuedConnection);
            }
        }
        // Taken by nobody: it never left this thread, so it is deleted here.
        tts.reset();
        std::lock_guard lock(handoff->mutex);
        handoff->done = true;
        handoff->finished.notify_all();
    });
    worker.detach();
}

void QtSpeechProvider::deliver(Delivery& delivery)
{
    if (m_ready) {
        delivery.tts.reset(); // too late: deleted here, on the thread it lives on
        return;
    }
    std::unique_ptr<QTextToSpeech> tts = std::move(delivery.tts);
    if (!tts && !delivery.remake.isEmpty())
        tts = std::make_unique<QTextToSpeech>(delivery.remake);
    if (tts)
        m_engine = std::make_unique<QtSpeechEngine>(std::move(tts), std::move(delivery.voices));
    m_engineName = m_engine ? m_engine->engineName() : QString();
    m_creationMs = delivery.ms;
    m_ready = true;
    if (m_engine)
        qCInfo(lcSpeech) << "Speech engine" << m_engineName << "ready in" << m_creationMs
                         << "ms with" << m_engine->voices().size() << "voices";
    else
        qCInfo(lcSpeech) << "No speech engine with voices is installed";
    emit engineReady();
}

void QtSpeechProvider::giveUp()
{
    if (m_ready)
        return;
    {
        std::lock_guard lock(m_handoff->mutex);
        m_handoff->closed = true;
    }
    m_ready = true;
    m_timedOut = true;
    qCWarning(lcSpeech) << "No speech engine within" << m_timeoutMs << "ms; speaking is off";
    emit engineReady();
}

std::unique_ptr<SpeechEngine> QtSpeechProvider::takeEngine()
{
    return std::move(m_engine);
}

} // namespace vt
