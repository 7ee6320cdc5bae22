// SPDX-License-Identifier: MIT
// A bare Qt Widgets window that links the same Qt modules as the program: the
// yardstick for its start-up time and memory in bench/measure.sh.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Bare window")));
    window.resize(400, 300);
    window.show();
    return QApplication::exec();
}
