// SPDX-License-Identifier: MIT
// Vigiltide: an alarm timer for a person keeping watch.
#include "core/clock.h"
#include "ui/main/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vigiltide"));
    QApplication::setApplicationVersion(QStringLiteral("2.11"));

    vt::SystemClock clock;
    vt::frmMain window(clock);
    window.show();
    return QApplication::exec();
}
