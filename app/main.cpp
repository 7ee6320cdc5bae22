// SPDX-License-Identifier: MIT
// Vigiltide: an alarm timer for a person keeping watch.
#include "core/clock.h"
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

    vt::SystemClock clock;
    vt::ToneBeeper beeper;
    vt::QtSpeechProvider speech;
    vt::frmMain window(clock, beeper, speech, vt::DefaultSettingsPath());
    window.show();
    return QApplication::exec();
}
