// SPDX-License-Identifier: MIT
// The run as the desktop around the window shows it: the tray icon's tool tip
// and menu, and a notification posted for each alarm and withdrawn when it
// goes; their clicks bring back the open alarm or the main window.
#pragma once

#include "core/runcontrol.h"

#include <QObject>
#include <QPointer>

#include <optional>

namespace vt
{

class DesktopNotifier;
class TrayIcon;
class frmMain;

class DesktopLink : public QObject
{
    Q_OBJECT

public:
    explicit DesktopLink(frmMain& window);

    // Either may be null where the desktop lacks it.
    void attachTray(TrayIcon* tray);
    void attachNotifier(DesktopNotifier* notifier);
    // The run's state changed: the tray and the notification follow it.
    void runStateChanged();

    // The open alarm, or else the main window.
    void bringForward();
    // The program ends: a notification still posted goes.
    void withdraw();

private:
    QString trayText() const;
    void showMainWindow();

    frmMain& m_window;
    QPointer<TrayIcon> m_tray;
    QPointer<DesktopNotifier> m_notifier;
    std::optional<AlarmId> m_posted;
};

} // namespace vt
