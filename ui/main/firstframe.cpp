// SPDX-License-Identifier: MIT
#include "ui/main/firstframe.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <utility>

namespace vt
{

namespace
{

constexpr int kLatestMs = 1000;

class FirstFrameWatch : public QObject
{
public:
    FirstFrameWatch(QWindow& window, QObject* context, std::function<void()> then)
        : QObject(context), m_window(&window), m_then(std::move(then))
    {
        window.installEventFilter(this);
        QTimer::singleShot(kLatestMs, this, &FirstFrameWatch::run);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
            run();
        return false;
    }

private:
    void run()
    {
        if (m_done)
            return;
        m_done = true;
        if (m_window)
            m_window->removeEventFilter(this);
        // The window draws its frame on this very event, before the call
        // posted here is made.
        QTimer::singleShot(0, parent(), m_then);
        deleteLater();
    }

    QPointer<QWindow> m_window;
    std::function<void()> m_then;
    bool m_done = false;
};

} // namespace

void afterFirstFrame(QWindow& window, QObject* context, std::function<void()> then)
{
    new FirstFrameWatch(window, context, std::move(then));
}

} // namespace vt
