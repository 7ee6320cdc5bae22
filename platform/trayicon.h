// SPDX-License-Identifier: MIT
// The program's icon in the system tray: its tool tip names the next alarm,
// so a desktop without a taskbar still shows it; its menu shows the window,
// stops the run or ends the program.
#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

class QAction;
class QIcon;

namespace vt
{

class TrayIcon : public QObject
{
    Q_OBJECT

public:
    // Null where the desktop has no tray; nothing is shown or reported then.
    static std::unique_ptr<TrayIcon> createIfAvailable(const QIcon& icon);

    explicit TrayIcon(const QIcon& icon, QObject* parent = nullptr);

    void setToolTip(const QString& text);
    // Stop can be chosen only while a run is armed.
    void setStopEnabled(bool enabled);

signals:
    void activated();
    void showRequested();
    void stopRequested();
    void exitRequested();

private:
    QMenu m_menu;
    QAction* m_stop = nullptr;
    QSystemTrayIcon m_icon;
};

} // namespace vt
