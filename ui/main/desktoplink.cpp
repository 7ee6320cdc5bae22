// SPDX-License-Identifier: MIT
#include "ui/main/desktoplink.h"

#include "platform/desktopnotifier.h"
#include "platform/trayicon.h"
#include "ui/main/frmMain.h"
#include "ui/message/frmMessage.h"

namespace vt
{

DesktopLink::DesktopLink(frmMain& window) : QObject(&window), m_window(window) {}

void DesktopLink::attachTray(TrayIcon* tray)
{
    m_tray = tray;
    if (!tray)
        return;
    connect(tray, &TrayIcon::activated, this, &DesktopLink::bringForward);
    // Show brings back the main window, and the open alarm in front of it.
    connect(tray, &TrayIcon::showRequested, this, [this] {
        showMainWindow();
        bringForward();
    });
    connect(tray, &TrayIcon::stopRequested, &m_window.run(), &RunControl::TimerStop);
    connect(tray, &TrayIcon::exitRequested, &m_window, &QWidget::close);
    runStateChanged();
}

void DesktopLink::attachNotifier(DesktopNotifier* notifier)
{
    m_notifier = notifier;
    if (notifier)
        connect(notifier, &DesktopNotifier::activated, this, &DesktopLink::bringForward);
    runStateChanged();
}

// What the minimized window's caption says, and the alarm's own caption while
// one is open: a desktop without a taskbar shows it here.
QString DesktopLink::trayText() const
{
    const RunControl& run = m_window.run();
    if (run.alarm())
        return run.alarm()->caption;
    if (run.isRunActive())
        return run.timerText();
    return QStringLiteral("Vigiltide");
}

void DesktopLink::runStateChanged()
{
    const RunControl& run = m_window.run();
    if (m_tray) {
        m_tray->setToolTip(trayText());
        m_tray->setStopEnabled(run.isRunActive());
    }
    const std::optional<AlarmId> shown =
        run.alarm() ? std::optional(run.alarm()->id) : std::nullopt;
    if (shown == m_posted || !m_notifier)
        return;
    if (shown)
        m_notifier->post(run.alarm()->caption, run.alarm()->message);
    else
        m_notifier->withdraw();
    m_posted = shown;
}

void DesktopLink::withdraw()
{
    if (m_notifier && std::exchange(m_posted, std::nullopt))
        m_notifier->withdraw();
}

void DesktopLink::showMainWindow()
{
    m_window.showNormal();
    m_window.raise();
    m_window.activateWindow();
}

void DesktopLink::bringForward()
{
    frmMessage* alarm = m_window.messageWindow();
    if (alarm && alarm->isAlerting())
        alarm->bringForward();
    else
        showMainWindow();
}

} // namespace vt
