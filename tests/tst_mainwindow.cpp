// SPDX-License-Identifier: MIT
// The main window end to end: a real run driven by the window's own tick and a
// fake clock, from Start through an alarm to Continue and Stop.
#include "testmain.h"

#include "core/alarmtable.h"
#include "core/clock.h"
#include "fakespeech.h"
#include "ui/main/frmMain.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

using namespace vt;

namespace
{

QDateTime local(int h, int mi, int s = 0)
{
    return QDateTime(QDate(2027, 1, 15), QTime(h, mi, s));
}

QPushButton* button(QWidget* window, const char* name)
{
    return window->findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTheBuiltInSchedule();
    void realRunEndToEnd();
    void messageWindowStopEndsRun();
    void modeSwitchShowsTheOtherTable();
};

void TestMainWindow::startsWithTheBuiltInSchedule()
{
    QVERIFY(QFile::exists(QStringLiteral(":/images/enabled.png")));
    FakeClock clock;
    FakeBeeper beeper;
    FakeSpeechProvider speech(std::make_unique<FakeSpeechEngine>());
    FakeSleepInhibitor sleep;
    QTemporaryDir folder;
    frmMain w(clock, beeper, speech, sleep, folder.filePath(QStringLiteral("Vigiltide.Ini")));
    QCOMPARE(w.windowTitle(), QStringLiteral("Vigiltide"));
    QCOMPARE(w.statePanel()->text(), QStringLiteral("Stopped"));
    QCOMPARE(w.statusPanel()->text(), QString());
    QCOMPARE(w.form().cmbMode->currentIndex(), 0);
    QVERIFY(w.form().chkIntervalRound->isChecked());
    TableControl& interval = *w.grdTimer(0);
    QCOMPARE(interval.Rows(), 3);
    QVERIFY(IsEntryEnabled(interval, 1, EnableColumn));
    interval.setCol(ScheduleColumn);
    QCOMPARE(interval.Text(), QStringLiteral("60"));
    interval.setCol(MessageColumn);
    QCOMPARE(interval.Text(), QStringLiteral("Time's Up, Check Log"));
    // Without a settings file the backgrounds are the table's own: loading
    // resets them and finds none to restore. The text colour stays red.
    QCOMPARE(interval.CellBackColor(), interval.BackColor());
    QCOMPARE(interval.CellForeColor(), 255);
    TableControl& time = *w.grdTimer(1);
    QCOMPARE(time.Rows(), 2);
    time.setRow(1);
    time.setCol(ScheduleColumn);
    QCOMPARE(time.Text(), QStringLiteral("7:30:00"));
    QVERIFY(!w.tick().isActive());
    QVERIFY(w.form().cmdStart->font().bold());
    QVERIFY(!w.form().cmdStop->isEnabled());
}

void TestMainWindow::realRunEndToEnd()
{
    FakeClock clock;
    clock.setLocal(local(10, 17, 45));
    FakeBeeper beeper;
    FakeSpeechProvider speech(std::make_unique<FakeSpeechEngine>());
    FakeSleepInhibitor sleep;
    QTemporaryDir folder;
    frmMain w(clock, beeper, speech, sleep, folder.filePath(QStringLiteral("Vigiltide.Ini")));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QTest::mouseClick(w.form().cmdStart, Qt::LeftButton);
    QCOMPARE(w.statePanel()->text(), QStringLiteral("Running"));
    // Top of Hour: the 15-minute entry falls due first, at 10:30.
    QCOMPARE(w.statusPanel()->text(), QStringLiteral("Timer 10:30"));
    QVERIFY(w.isMinimized());
    QCOMPARE(w.windowTitle(), QStringLiteral("Timer 10:30"));
    QVERIFY(w.tick().isActive());
    QVERIFY(!w.grdTimer(0)->isEnabled());
    QCOMPARE(sleep.reason,
             QStringLiteral("Vigiltide alarm due at 10:30")); // no sleeping through it

    // The window's own one-second tick finds the alarm.
    clock.setLocal(local(10, 30, 0));
    QTRY_VERIFY_WITH_TIMEOUT(w.messageWindow() && w.messageWindow()->isVisible(), 3000);
    frmMessage* message = w.messageWindow();
    QCOMPARE(message->windowTitle(), QStringLiteral("Vigiltide - 10:30"));
    QCOMPARE(message->messageId(), 2);
    QVERIFY(!w.tick().isActive());
    QVERIFY(message->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(message->findChild<QLabel*>(QStringLiteral("lblMessage"))->text() ==
            QStringLiteral("Time's Up, Check Horizon"));

    clock.advanceSeconds(10);
    QTest::mouseClick(button(message, "cmdOk"), Qt::LeftButton);
    QVERIFY(!message->isVisible());
    QCOMPARE(w.statusPanel()->text(), QStringLiteral("Timer 10:45"));
    QVERIFY(w.tick().isActive());

    // Closing the alarm acts as Continue.
    clock.setLocal(local(10, 45, 0));
    QTRY_VERIFY_WITH_TIMEOUT(message->isVisible(), 3000);
    message->close();
    QVERIFY(!message->isVisible());
    QCOMPARE(w.statusPanel()->text(), QStringLiteral("Timer 11:00"));

    QCOMPARE(sleep.reason, QStringLiteral("Vigiltide alarm due at 11:00"));
    QTest::mouseClick(w.form().cmdStop, Qt::LeftButton);
    QVERIFY(!sleep.isHeld());
    QCOMPARE(w.statePanel()->text(), QStringLiteral("Stopped"));
    QCOMPARE(w.statusPanel()->text(), QString());
    QVERIFY(!w.isMinimized());
    QVERIFY(!w.tick().isActive());
    QVERIFY(w.form().cmdStart->isEnabled());
    QVERIFY(w.grdTimer(0)->isEnabled());
}

void TestMainWindow::messageWindowStopEndsRun()
{
    FakeClock clock;
    clock.setLocal(local(6, 59, 58));
    FakeBeeper beeper;
    FakeSpeechProvider speech(std::make_unique<FakeSpeechEngine>());
    FakeSleepInhibitor sleep;
    QTemporaryDir folder;
    frmMain w(clock, beeper, speech, sleep, folder.filePath(QStringLiteral("Vigiltide.Ini")));
    w.show();
    w.form().cmbMode->setCurrentIndex(TimeMode);
    TableControl& time = *w.grdTimer(TimeMode);
    time.setRow(1);
    time.setCol(ScheduleColumn);
    time.setText(QStringLiteral("07:00:00"));
    QTest::mouseClick(w.form().cmdStart, Qt::LeftButton);
    QCOMPARE(w.windowTitle(), QStringLiteral("Timer 07:00"));
    clock.setLocal(local(7, 0, 0));
    QTRY_VERIFY_WITH_TIMEOUT(w.messageWindow() && w.messageWindow()->isVisible(), 3000);
    QCOMPARE(w.messageWindow()->windowTitle(), QStringLiteral("Vigiltide - 07:00:00"));
    QTest::mouseClick(button(w.messageWindow(), "cmdCancel"), Qt::LeftButton);
    QVERIFY(!w.messageWindow()->isVisible());
    QCOMPARE(w.statePanel()->text(), QStringLiteral("Stopped"));
    QVERIFY(!w.isMinimized());
    QVERIFY(!w.tick().isActive());
}

void TestMainWindow::modeSwitchShowsTheOtherTable()
{
    FakeClock clock;
    FakeBeeper beeper;
    FakeSpeechProvider speech(std::make_unique<FakeSpeechEngine>());
    FakeSleepInhibitor sleep;
    QTemporaryDir folder;
    frmMain w(clock, beeper, speech, sleep, folder.filePath(QStringLiteral("Vigiltide.Ini")));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.statusPanel()->setText(QStringLiteral("Interval Error, 0"));
    w.form().cmbMode->setCurrentIndex(TimeMode);
    QCOMPARE(w.statusPanel()->text(), QString());
    QVERIFY(w.grdTimer(1)->isVisible());
    QVERIFY(!w.grdTimer(0)->isVisible());
    QVERIFY(!w.form().chkIntervalRound->isVisible());
    QCOMPARE(w.form().frmTimer->title(), QStringLiteral("Alarm Time and Message"));
    QCOMPARE(w.grdTimer(1)->pos(), w.grdTimer(0)->pos());
    w.form().cmbMode->setCurrentIndex(IntervalMode);
    QVERIFY(w.grdTimer(0)->isVisible());
    QVERIFY(!w.grdTimer(1)->isVisible());
    QVERIFY(w.form().chkIntervalRound->isVisible());
    QCOMPARE(w.form().frmTimer->title(), QStringLiteral("Alarm Interval and Message"));
}

VT_TEST_MAIN(TestMainWindow, "Europe/London")
#include "tst_mainwindow.moc"
