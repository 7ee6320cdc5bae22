// SPDX-License-Identifier: MIT
// The program's icon in the system tray: its tool tip names the next alarm,
// so a desktop without a taskbar still shows it; its menu shows the window,
// stops the run or ends the program. A tray that comes up after the program
// (an autostart that races the panel) still gets the icon.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

class QAction;

namespace vt
{

class TrayIcon : public QObject
{
    Q_OBJECT

public:
    // The icon appears as soon as the desktop has a tray: now or later.
    explicit TrayIcon(const QIcon& icon, QObject* parent = nullptr);
    ~TrayIcon() override;

    void setToolTip(const QString& text);
    const QString& toolTip() const { return m_toolTip; }
    // Stop can be chosen only while a run is armed.
    void setStopEnabled(bool enabled);
    // Whether the icon stands in a tray yet.
    bool isShown() const { return m_icon != nullptr; }

signals:
    void activated();
    void showRequested();
    void stopRequested();
    void exitRequested();

private:
    void showIfTrayAvailable();

    QIcon m_iconImage;
    QString m_toolTip;
    QMenu m_menu;
    QAction* m_stop = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QTimer m_poll;
};

} // namespace vt
