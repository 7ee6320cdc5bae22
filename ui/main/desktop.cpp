// SPDX-License-Identifier: MIT
// The main window on the desktop around it: the settings file named on the
// command line, the tray icon's tool tip and menu, the notification posted
// with each alarm, and closing when the system or the session ends.
#include "core/datevalue.h"
#include "platform/desktopnotifier.h"
#include "platform/trayicon.h"
#include "ui/main/frmMain.h"

#include <QCoreApplication>
#include <QLabel>

namespace vt
{

void frmMain::loadStartSettings()
{
    if (m_startFile.isEmpty()) {
        SettingsLoad();
        return;
    }
    const LoadOutcome outcome = vt::SettingsLoad(settingsControls(), m_startFile);
    if (outcome.unreadable) {
        // As after a failed Open...: the default file stays the current one.
        SettingsLoad();
        reportSettingsProblem(QStringLiteral("Open Error, "), outcome);
        return;
    }
    sSettingsFile = m_startFile;
    keepUnlistedSpeech(outcome);
    reportSettingsProblem(QStringLiteral("Settings Error, "), outcome);
}

void frmMain::attachTray(TrayIcon* tray)
{
    m_tray = tray;
    if (!tray)
        return;
    connect(tray, &TrayIcon::activated, this, &frmMain::bringForward);
    // Show brings back the main window, and the open alarm in front of it.
    connect(tray, &TrayIcon::showRequested, this, [this] {
        showMainWindow();
        bringForward();
    });
    connect(tray, &TrayIcon::stopRequested, this, &frmMain::cmdStop_Click);
    connect(tray, &TrayIcon::exitRequested, this, &frmMain::mnuFileExit_Click);
    updateTray();
}

void frmMain::attachNotifier(DesktopNotifier* notifier)
{
    m_notifier = notifier;
    if (notifier)
        connect(notifier, &DesktopNotifier::activated, this, &frmMain::bringForward);
}

// What the minimized window's caption says, and the alarm's own caption while
// one is open: a desktop without a taskbar shows it here.
QString frmMain::trayText() const
{
    if (m_message && m_message->isVisible())
        return m_message->windowTitle();
    if (m_run.isRunActive())
        return QStringLiteral("Timer ") + formatHourMinute(m_run.NextDue());
    return QStringLiteral("Vigiltide");
}

void frmMain::updateTray()
{
    if (!m_tray)
        return;
    m_tray->setToolTip(trayText());
    m_tray->setStopEnabled(m_run.isRunActive());
}

void frmMain::alarmShown(const QString& message)
{
    if (m_notifier)
        m_notifier->post(m_message->windowTitle(), message);
    updateTray();
}

void frmMain::alarmAnswered()
{
    if (m_notifier)
        m_notifier->withdraw();
    updateTray();
}

void frmMain::showMainWindow()
{
    showNormal();
    raise();
    activateWindow();
}

// The open alarm, or else the main window.
void frmMain::bringForward()
{
    if (m_message && m_message->isVisible())
        m_message->bringForward();
    else
        showMainWindow();
}

void frmMain::closeForSystem()
{
    m_closingForSystem = true;
    close();
    // Also ends a file dialog or menu that is open meanwhile.
    QCoreApplication::quit();
}

// Only saves: the session may still be kept (another program can refuse the
// logout), and a watch must not end for a logout that did not happen. The
// session manager ends the program afterwards if the logout goes on.
void frmMain::saveForSession()
{
    QString error;
    if (!vt::SettingsSave(settingsControls(), sSettingsFile, m_unlistedSpeech, &error)) {
        setStatusText(QStringLiteral("Save Error, ") + error);
        beep();
    }
}

} // namespace vt
