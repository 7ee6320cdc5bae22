// SPDX-License-Identifier: MIT
// Vigiltide: an alarm timer for a person keeping watch.
#include "core/clock.h"
#include "platform/logindinhibitor.h"
#include "platform/nullinhibitor.h"
#include "resources/images.h"
#include "settings/settings.h"
#include "speech/qtspeechprovider.h"
#include "speech/tonebeeper.h"
#include "ui/main/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vigiltide"));
    QApplication::setApplicationVersion(QStringLiteral("2.11"));
    QApplication::setWindowIcon(vt::programIcon());
    // Lets Wayland compositors and docks match the windows to the installed
    // menu entry, which carries the name and icon they show.
    QGuiApplication::setDesktopFileName(QStringLiteral(VIGILTIDE_APP_ID));

    vt::SystemClock clock;
    vt::ToneBeeper beeper;
    vt::QtSpeechProvider speech;
#ifdef Q_OS_LINUX
    vt::LogindSleepInhibitor sleep;
#else
    vt::NullSleepInhibitor sleep;
#endif
    vt::frmMain window(clock, beeper, speech, sleep, vt::DefaultSettingsPath());
    window.show();
    return QApplication::exec();
}
