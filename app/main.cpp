// SPDX-License-Identifier: MIT
// Vigiltide: an alarm timer for a person keeping watch.
#include "core/clock.h"
#include "packaging/version.h"
#include "platform/desktopnotifier.h"
#include "platform/logindinhibitor.h"
#include "platform/nullinhibitor.h"
#include "platform/platformchoice.h"
#include "platform/singleinstance.h"
#include "platform/trayicon.h"
#include "resources/images.h"
#include "settings/settings.h"
#include "speech/qtspeechprovider.h"
#include "speech/tonebeeper.h"
#include "ui/main/firstframe.h"
#include "ui/main/frmMain.h"

#ifdef Q_OS_UNIX
#include "platform/terminationsignals.h"
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QFileInfo>
#include <QLabel>
#include <QSessionManager>
#include <QWindow>

#include <csignal>
#include <cstdio>
#include <memory>

namespace
{

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption start{
        QStringLiteral("start"),
        QCoreApplication::translate("main", "Press Start once the window is up, as for a watch "
                                            "started from an autostart entry.")};

    CommandLine()
    {
        parser.setApplicationDescription(
            QCoreApplication::translate("main", "Alarm timer that keeps a watchkeeper checking."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(start);
        parser.addPositionalArgument(
            QStringLiteral("FILE"),
            QCoreApplication::translate("main", "The settings file to read at start and write "
                                                "at close, instead of the default one."),
            QStringLiteral("[FILE]"));
    }
};

void describeProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Vigiltide"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(vt::kVersion));
}

// --help and --version answer in a terminal without a display, so they are
// served before the windowing system is asked for. Anything else, Qt's own
// options included, waits for the full application.
void answerHelpOrVersion(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    parser.parse(arguments);
    if (!parser.isSet(QStringLiteral("help")) && !parser.isSet(QStringLiteral("help-all")) &&
        !parser.isSet(QStringLiteral("version")))
        return;
    QCoreApplication app(argc, argv);
    describeProgram();
    parser.process(app); // answers and exits
}

#ifdef Q_OS_UNIX
const char* signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    case SIGINT:
        return "SIGINT";
    default:
        return "a signal";
    }
}
#endif

void choosePlatform()
{
    const QByteArray platform = vt::choosePlatform(qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY"),
                                                   qgetenv("QT_QPA_PLATFORM"));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

} // namespace

int main(int argc, char* argv[])
{
    answerHelpOrVersion(argc, argv);
    choosePlatform();

    QApplication app(argc, argv);
    describeProgram();
    QApplication::setWindowIcon(vt::programIcon());
    // Lets Wayland compositors and docks match the windows to the installed
    // menu entry, which carries the name and icon they show.
    QGuiApplication::setDesktopFileName(QStringLiteral(VIGILTIDE_APP_ID));
    CommandLine commandLine;
    commandLine.parser.process(app);
    const QStringList files = commandLine.parser.positionalArguments();
    const QString startFile =
        files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();

    // One program per settings file: a second start hands over to the first
    // and leaves, rather than open a second window saving over its file.
    const QString settingsFile = startFile.isEmpty() ? vt::DefaultSettingsPath() : startFile;
    vt::SingleInstance single(settingsFile);
    if (!single.claim()) {
        if (single.forward(commandLine.parser.isSet(commandLine.start)))
            return 0;
        // The program for the file does not answer: it has just ended, or
        // hangs; a watch without its alarm is worse than two windows.
        if (!single.claim())
            std::fprintf(stderr, "vigiltide: another Vigiltide with %s does not answer\n",
                         qPrintable(settingsFile));
    }

    vt::SystemClock clock;
    vt::ToneBeeper beeper([] { QApplication::beep(); });
    vt::QtSpeechProvider speech;
#ifdef Q_OS_LINUX
    vt::LogindSleepInhibitor sleep;
#else
    vt::NullSleepInhibitor sleep;
#endif
    vt::frmMain window(clock, beeper, speech, sleep, vt::DefaultSettingsPath(), startFile);
    if (!startFile.isEmpty() && window.settingsFile() != startFile)
        std::fprintf(stderr, "%s\n", qPrintable(window.statusPanel()->text()));

#ifdef Q_OS_UNIX
    vt::TerminationSignals termination;
    QObject::connect(&termination, &vt::TerminationSignals::received, &window,
                     [&window](int signalNumber) {
                         // Ctrl+C in a terminal is the watchkeeper's own end;
                         // a shutdown or logout keeps the run for the next start.
                         window.closeForSystem(QString::fromLatin1(signalName(signalNumber)),
                                               signalNumber == SIGINT);
                     });
#endif
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     &vt::frmMain::saveForSession);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &vt::frmMain::sessionEnding);
    QObject::connect(&single, &vt::SingleInstance::activationRequested, &window,
                     &vt::frmMain::activationRequested);

    std::unique_ptr<vt::TrayIcon> tray;
    std::unique_ptr<vt::DesktopNotifier> notifier;
    window.show();
    // Under a window manager a window can be minimized (--start) only once it
    // is mapped, and none of this may hold up the first frame.
    vt::afterFirstFrame(*window.windowHandle(), &window, [&] {
        tray = std::make_unique<vt::TrayIcon>(vt::programIcon());
        window.attachTray(tray.get());
        notifier = std::make_unique<vt::DesktopNotifier>(QDBusConnection::sessionBus(),
                                                         QStringLiteral(VIGILTIDE_APP_ID));
        window.attachNotifier(notifier.get());
        if (commandLine.parser.isSet(commandLine.start))
            window.form().cmdStart->click();
    });
    return QApplication::exec();
}
