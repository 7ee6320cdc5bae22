// SPDX-License-Identifier: MIT
// The window with 1000 enabled entries: how long its slowest event handlers
// take while a watchkeeper starts a run, answers alarms, stops, switches mode,
// edits a cell, inserts a row and saves. Every event the application handles
// is timed; the longest ones are printed.
#include "core/alarmtable.h"
#include "core/clock.h"
#include "tests/support.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <map>

namespace
{

// Times every event delivered to a widget; keeps the slowest per kind.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth++ > 0) { // nested events count in their outermost handler
            const bool handled = QApplication::notify(receiver, event);
            --m_depth;
            return handled;
        }
        // Named before handling: a deferred delete destroys its receiver.
        QString what = QString::fromLatin1(receiver->metaObject()->className()) + QLatin1Char(' ') +
                       QString::number(int(event->type()));
        if (!receiver->objectName().isEmpty())
            what += QLatin1Char(' ') + receiver->objectName();
        QElapsedTimer timer;
        timer.start();
        const bool handled = QApplication::notify(receiver, event);
        const qint64 ns = timer.nsecsElapsed();
        --m_depth;
        qint64& worst = m_worst[what];
        worst = qMax(worst, ns);
        return handled;
    }

    void report(const char* step)
    {
        qint64 worst = 0;
        QString which;
        for (const auto& [what, ns] : m_worst)
            if (ns > worst) {
                worst = ns;
                which = what;
            }
        std::printf("%-34s slowest handler %7.2f ms  (%s)\n", step, worst / 1e6, qPrintable(which));
        m_overall = qMax(m_overall, worst);
        m_worst.clear();
    }

    qint64 overall() const { return m_overall; }

private:
    int m_depth = 0;
    std::map<QString, qint64> m_worst;
    qint64 m_overall = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    constexpr int kEntries = 1000;

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Vigiltide.Ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray text = "[Interval]\nCount=" + QByteArray::number(kEntries) + "\nRound=1\n";
        for (int n = 1; n <= kEntries; ++n) {
            const QByteArray p = "#" + QByteArray::number(n);
            text += p + " Enabled=True\n" + p + " Interval=1440\n" + p + " Message Text=Check " +
                    QByteArray::number(n) + "\n";
        }
        file.write(text);
    }

    vt::FakeClock clock;
    clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(23, 59, 50)));
    FakeBeeper beeper;
    FakeSpeechProvider speech(std::make_unique<FakeSpeechEngine>());
    vt::NullSleepInhibitor sleep;
    QElapsedTimer startup;
    startup.start();
    vt::frmMain window(clock, beeper, speech, sleep, path);
    window.show();
    QTest::qWait(50);
    std::printf("start-up with %d entries: %.1f ms\n", kEntries, startup.nsecsElapsed() / 1e6);
    app.report("start-up");
    const Ui::frmMain& ui = window.form();

    QTest::mouseClick(ui.cmdStart, Qt::LeftButton);
    app.report("Start");
    clock.setLocal(QDateTime(QDate(2027, 1, 16), QTime(0, 0, 0)));
    int answered = 0;
    int lastRow = 0;
    bool inOrder = true;
    for (int i = 0; i < 50; ++i) { // every entry is due at midnight: row after row
        fireTick(window.run().tick());
        vt::frmMessage* message = window.messageWindow();
        if (!message || !message->isVisible())
            break;
        inOrder = inOrder && message->messageId() == lastRow + 1;
        lastRow = message->messageId();
        QTest::mouseClick(message->form().cmdOk, Qt::LeftButton);
        ++answered;
    }
    std::printf("answered %d alarms, in row order: %s\n", answered, inOrder ? "yes" : "NO");
    app.report("tick, alarm, Continue (x50)");
    QTest::mouseClick(ui.cmdStop, Qt::LeftButton);
    app.report("Stop");
    ui.cmbMode->setCurrentIndex(int(vt::TimerMode::Time));
    ui.cmbMode->setCurrentIndex(int(vt::TimerMode::Interval));
    app.report("mode switch there and back");
    vt::AlarmTableView& table = *window.grdTimer(0);
    QTest::mouseClick(
        table.viewport(), Qt::LeftButton, {},
        table.visualRect(table.alarmModel()->cellIndex(1, vt::MessageColumn)).center());
    QTest::keyClicks(ui.txtTimer, QStringLiteral("abc"));
    app.report("edit a cell");
    ui.mnuTimerInsert->trigger();
    app.report("Insert");
    window.close();
    app.report("close (saves)");
    std::printf("slowest handler overall: %.2f ms\n", app.overall() / 1e6);
    return 0;
}
