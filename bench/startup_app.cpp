// SPDX-License-Identifier: MIT
// The program as it starts for a watchkeeper (real clock, beeper, speech
// engine and sleep inhibitor), with a probe: see bench/probe.h. Its settings
// file lives in a temporary folder.
#include "bench/probe.h"
#include "core/clock.h"
#include "platform/logindinhibitor.h"
#include "resources/images.h"
#include "speech/qtspeechprovider.h"
#include "speech/tonebeeper.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vigiltide"));
    QApplication::setWindowIcon(vt::programIcon());
    QTemporaryDir folder;

    vt::SystemClock clock;
    vt::ToneBeeper beeper;
    vt::QtSpeechProvider speech;
    vt::LogindSleepInhibitor sleep;
    vt::frmMain window(clock, beeper, speech, sleep,
                       folder.filePath(QStringLiteral("Vigiltide.Ini")));
    window.show();
    bench::Probe probe(window.windowHandle(), QApplication::arguments().mid(1),
                       [&window] { window.form().cmdStart->click(); });
    return QApplication::exec();
}
