// SPDX-License-Identifier: MIT
#include "platform/trayicon.h"

#include "platform/traydiscovery.h"

#include <QAction>

namespace vt
{

namespace
{

// How often a desktop without a tray is looked at again for one.
constexpr int kTrayPollMs = 2000;

} // namespace

TrayIcon::TrayIcon(const QIcon& icon, QObject* parent) : QObject(parent), m_iconImage(icon)
{
    connect(m_menu.addAction(tr("Show")), &QAction::triggered, this, &TrayIcon::showRequested);
    m_stop = m_menu.addAction(tr("Stop"));
    m_stop->setEnabled(false);
    connect(m_stop, &QAction::triggered, this, &TrayIcon::stopRequested);
    connect(m_menu.addAction(tr("Exit")), &QAction::triggered, this, &TrayIcon::exitRequested);
    m_poll.setInterval(kTrayPollMs);
    connect(&m_poll, &QTimer::timeout, this, &TrayIcon::showIfTrayAvailable);
    showIfTrayAvailable();
    if (!m_icon)
        m_poll.start();
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::showIfTrayAvailable()
{
    if (m_icon || !isTrayAvailable())
        return;
    m_poll.stop();
    m_icon = std::make_unique<QSystemTrayIcon>(m_iconImage);
    m_icon->setContextMenu(&m_menu);
    m_icon->setToolTip(m_toolTip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
                    emit activated();
            });
    m_icon->show();
}

void TrayIcon::setToolTip(const QString& text)
{
    m_toolTip = text;
    if (m_icon)
        m_icon->setToolTip(text);
}

void TrayIcon::setStopEnabled(bool enabled)
{
    m_stop->setEnabled(enabled);
}

} // namespace vt
