// SPDX-License-Identifier: MIT
// Draws the main window in each of its presentations to PNG files, so the
// pictures in docs/ can be made again after a change. Run it through
// scripts/screenshots.sh, which gives it a real X display.
#include "core/alarmtable.h"
#include "core/clock.h"
#include "tests/support.h"
#include "ui/main/frmMain.h"
#include "ui/message/frmMessage.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

namespace
{

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool save(QWidget& window, const QString& path)
{
    settle();
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDir().mkpath(folder);

    vt::FakeClock clock;
    clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(10, 17, 45)));
    // Fixed voices, so the pictures do not depend on what this machine has installed.
    FakeBeeper beeper;
    FakeSpeechProvider speech(std::make_unique<FakeSpeechEngine>(QStringList{
        QStringLiteral("English (Great Britain)"), QStringLiteral("English (America)")}));
    vt::NullSleepInhibitor sleep;
    QTemporaryDir programFolder; // the built-in schedule, not this machine's settings
    vt::frmMain window(clock, beeper, speech, sleep,
                       programFolder.filePath(QStringLiteral("Vigiltide.Ini")));
    window.show();
    const Ui::frmMain& ui = window.form();

    bool ok = save(window, folder + QStringLiteral("/main-interval%1.png").arg(suffix));
    ui.cmbMode->setCurrentIndex(int(vt::TimerMode::Time));
    ok &= save(window, folder + QStringLiteral("/main-time%1.png").arg(suffix));
    ui.cmbMode->setCurrentIndex(int(vt::TimerMode::Interval));
    ui.cmbSound->setCurrentIndex(2);
    ok &= save(window, folder + QStringLiteral("/main-speech%1.png").arg(suffix));

    // An alarm: the first entry, red on yellow after File, Default.
    ui.cmbSound->setCurrentIndex(1);
    ui.mnuFileDefault->trigger();
    ui.cmdStart->click();
    clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(11, 0, 0)));
    QTimer::singleShot(1500, &app, &QApplication::quit); // the window's tick finds it
    app.exec();
    if (vt::frmMessage* message = window.messageWindow())
        ok &= save(*message, folder + QStringLiteral("/alarm%1.png").arg(suffix));
    else
        ok = false;
    return ok ? 0 : 1;
}
