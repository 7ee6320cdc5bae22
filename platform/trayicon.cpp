// SPDX-License-Identifier: MIT
#include "platform/trayicon.h"

#include <QAction>
#include <QIcon>

namespace vt
{

std::unique_ptr<TrayIcon> TrayIcon::createIfAvailable(const QIcon& icon)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    return std::make_unique<TrayIcon>(icon);
}

TrayIcon::TrayIcon(const QIcon& icon, QObject* parent) : QObject(parent), m_icon(icon)
{
    connect(m_menu.addAction(tr("Show")), &QAction::triggered, this, &TrayIcon::showRequested);
    m_stop = m_menu.addAction(tr("Stop"));
    m_stop->setEnabled(false);
    connect(m_stop, &QAction::triggered, this, &TrayIcon::stopRequested);
    connect(m_menu.addAction(tr("Exit")), &QAction::triggered, this, &TrayIcon::exitRequested);
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
                    emit activated();
            });
    m_icon.show();
}

void TrayIcon::setToolTip(const QString& text)
{
    m_icon.setToolTip(text);
}

void TrayIcon::setStopEnabled(bool enabled)
{
    m_stop->setEnabled(enabled);
}

} // namespace vt
