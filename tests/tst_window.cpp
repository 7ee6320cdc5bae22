// SPDX-License-Identifier: MIT
// The main window as a watchkeeper uses it: a run from Start to Stop, the
// in-place cell editor, the row commands, and a layout that follows the timer
// mode, the sound mode and the rows without overlapping or clipping.
#include "support.h"

#include "core/twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>

using namespace vt;

namespace
{

// Every visible control inside its container, clear of its visible siblings,
// and wide enough for its text.
void checkNothingOverlapsOrClips(QWidget* container)
{
    QList<QWidget*> visible;
    for (QWidget* w : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden() && w->objectName() != QLatin1String("Line1") &&
            !w->objectName().startsWith(QLatin1String("qt_")))
            visible << w;
    for (int i = 0; i < visible.size(); ++i) {
        QWidget* w = visible[i];
        const QByteArray name = w->objectName().toUtf8();
        QVERIFY2(container->rect().contains(w->geometry()) ||
                     container->objectName() == QLatin1String("centralwidget"),
                 name);
        for (int j = i + 1; j < visible.size(); ++j)
            QVERIFY2(!w->geometry().intersects(visible[j]->geometry()), name);
        if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w))
            QVERIFY2(w->sizeHint().width() <= w->width() + 1, name);
        if (auto* button = qobject_cast<QPushButton*>(w))
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= button->width(),
                     name);
        if (!qobject_cast<TableControl*>(w))
            checkNothingOverlapsOrClips(w);
    }
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void runFromStartToStop();
    void startShowsTheNextAlarm_data();
    void startShowsTheNextAlarm();
    void captionWhenMinimized();
    void modeSwitchShowsTheOtherTable();
    void editorOpensOverTheCell();
    void clicksOutsideEntriesOnlyClearStatus();
    void tabWalksTheCells_data();
    void tabWalksTheCells();
    void tabStaysInTheEditor();
    void keyboardReachesEditorAndMenu();
    void editingEndsWithEveryFileCommand_data();
    void editingEndsWithEveryFileCommand();
    void toolTips_data();
    void toolTips();
    void menuItemsEnabled_data();
    void menuItemsEnabled();
    void moveSwapsEntriesCompletely();
    void insertAndDelete();
    void colourCommands();
    void thousandEntries();
    void soundModeGrowsTheSoundFrame();
    void heightSnapsBackWidthIsFree();
    void everyControlIsReachableByKeyboard();
    void layoutIsClean_data();
    void layoutIsClean(); // last: it changes the application font for a while
};

void TestWindow::runFromStartToStop()
{
    WindowDriver d;
    QCOMPARE(d.window.windowTitle(), QStringLiteral("Vigiltide"));
    // No settings file: the built-in schedule, red text on the table's own
    // background (loading resets the backgrounds and finds none to restore).
    QCOMPARE(d.table().Rows(), 3);
    QCOMPARE(d.colours(1), std::pair(d.table().BackColor(), 255));
    QCOMPARE(d.text(2, MessageColumn), QStringLiteral("Time's Up, Check Horizon"));

    QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
    QCOMPARE(d.window.statePanel()->text(), QStringLiteral("Running"));
    QVERIFY(d.window.isMinimized());
    QCOMPARE(d.window.windowTitle(), QStringLiteral("Timer 10:30"));
    QCOMPARE(d.sleep.reason, QStringLiteral("Vigiltide alarm due at 10:30"));
    QVERIFY(!d.table().isEnabled() && !d.ui().cmdStart->isEnabled());

    // The window's own one-second tick finds the alarm.
    d.clock.setLocal(QDate(2027, 1, 15), QTime(10, 30));
    QTRY_VERIFY_WITH_TIMEOUT(d.window.messageWindow() && d.window.messageWindow()->isVisible(),
                             3000);
    frmMessage* message = d.window.messageWindow();
    QCOMPARE(message->windowTitle(), QStringLiteral("Vigiltide - 10:30"));
    QCOMPARE(message->form().lblMessage->text(), QStringLiteral("Time's Up, Check Horizon"));
    QVERIFY(!d.window.tick().isActive());
    QTest::mouseClick(message->form().cmdOk, Qt::LeftButton);
    QCOMPARE(d.status(), QStringLiteral("Timer 10:45"));

    // Closing the alarm acts as Continue; Stop on it ends the run.
    d.clock.setLocal(QDate(2027, 1, 15), QTime(10, 45));
    fireTick(d.window.tick());
    message->close();
    QCOMPARE(d.status(), QStringLiteral("Timer 11:00"));
    d.clock.setLocal(QDate(2027, 1, 15), QTime(11, 0));
    fireTick(d.window.tick());
    QTest::mouseClick(message->form().cmdCancel, Qt::LeftButton);
    QVERIFY(!message->isVisible());
    QCOMPARE(d.window.statePanel()->text(), QStringLiteral("Stopped"));
    QCOMPARE(d.status(), QString());
    QVERIFY(!d.window.isMinimized() && !d.window.tick().isActive() && !d.sleep.isHeld());
    QVERIFY(d.table().isEnabled() && d.ui().cmdStart->isEnabled());
}

void TestWindow::startShowsTheNextAlarm_data()
{
    QTest::addColumn<QByteArray>("round");
    QTest::addColumn<QString>("status");
    // The built-in entries of 60 and 15 minutes, started at 10:17:45.
    QTest::newRow("ticked") << QByteArray("1") << "Timer 10:30";
    QTest::newRow("clear") << QByteArray("0") << "Timer 10:32";
    QTest::newRow("greyed does not round") << QByteArray("2") << "Timer 10:32";
}

void TestWindow::startShowsTheNextAlarm()
{
    QFETCH(QByteArray, round);
    QFETCH(QString, status);
    WindowDriver d("[Interval]\nRound=" + round + "\n");
    QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
    QCOMPARE(d.status(), status);
    QCOMPARE(d.window.windowTitle(), status);
}

void TestWindow::captionWhenMinimized()
{
    WindowDriver d;
    // Before any run there is no next alarm: the zero time, whatever the zone.
    d.window.showMinimized();
    QTRY_COMPARE(d.window.windowTitle(), QStringLiteral("Timer 00:00"));
    d.window.showNormal();
    d.window.repaint();
    QTRY_COMPARE(d.window.windowTitle(), QStringLiteral("Vigiltide"));
    QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
    QCOMPARE(d.window.windowTitle(), QStringLiteral("Timer 10:30"));
    d.window.showNormal();
    d.window.repaint();
    QTRY_COMPARE(d.window.windowTitle(), QStringLiteral("Vigiltide"));
    d.window.showMinimized();
    QTRY_COMPARE(d.window.windowTitle(), QStringLiteral("Timer 10:30"));
    // Maximizing leaves the controls where they were.
    const QRect sound = d.ui().frmSound->geometry();
    d.window.showMaximized();
    QCoreApplication::processEvents();
    QCOMPARE(d.ui().frmSound->geometry(), sound);
}

void TestWindow::modeSwitchShowsTheOtherTable()
{
    WindowDriver d;
    d.window.statusPanel()->setText(QStringLiteral("Interval Error, 0"));
    d.ui().cmbMode->setCurrentIndex(TimeMode);
    QCOMPARE(d.status(), QString());
    QVERIFY(d.window.grdTimer(TimeMode)->isVisible() && !d.window.grdTimer(0)->isVisible());
    QVERIFY(!d.ui().chkIntervalRound->isVisible());
    QCOMPARE(d.ui().frmTimer->title(), QStringLiteral("Alarm Time and Message"));
    QCOMPARE(d.window.grdTimer(TimeMode)->pos(), d.window.grdTimer(IntervalMode)->pos());
    d.ui().cmbMode->setCurrentIndex(IntervalMode);
    QVERIFY(d.window.grdTimer(0)->isVisible() && d.ui().chkIntervalRound->isVisible());
    QCOMPARE(d.ui().frmTimer->title(), QStringLiteral("Alarm Interval and Message"));
}

void TestWindow::editorOpensOverTheCell()
{
    WindowDriver d;
    d.colours(1); // selects the message cell
    d.table().setCellBackColor(65535);
    d.click(1, MessageColumn);
    QTRY_VERIFY(d.editor()->hasFocus());
    QCOMPARE(d.editor()->text(), QStringLiteral("Time's Up, Check Log"));
    const QRect cell = d.table().visualRect(d.table().model()->index(1, MessageColumn));
    const QPoint topLeft = d.table().viewport()->mapTo(d.ui().frmTimer, cell.topLeft());
    QVERIFY((d.editor()->pos() - topLeft).manhattanLength() <= 2);
    QVERIFY(qAbs(d.editor()->width() - cell.width()) <= 2);
    QCOMPARE(d.editor()->palette().color(QPalette::Base), QColor(255, 255, 0));
    QCOMPARE(d.editor()->palette().color(QPalette::Text), QColor(255, 0, 0));
    // Each keystroke is in the cell at once; another cell keeps its text.
    QTest::keyClicks(d.editor(), QStringLiteral("!"));
    QCOMPARE(d.text(1, MessageColumn), QStringLiteral("Time's Up, Check Log!"));
    d.click(2, ScheduleColumn);
    QTRY_COMPARE(d.editor()->text(), QStringLiteral("15"));
    QTest::keyClicks(d.editor(), QStringLiteral("0"));
    QCOMPARE(d.text(2, ScheduleColumn), QStringLiteral("150"));
    QCOMPARE(d.text(1, MessageColumn), QStringLiteral("Time's Up, Check Log!"));
    // A click on an enable cell flips only that entry, and opens nothing.
    d.ui().cmbSound->setFocus();
    QTRY_VERIFY(!d.editor()->isVisible());
    d.click(1, EnableColumn);
    QVERIFY(!d.enabled(1) && d.enabled(2) && !d.editor()->isVisible());
    d.click(1, EnableColumn);
    QVERIFY(d.enabled(1));
}

void TestWindow::clicksOutsideEntriesOnlyClearStatus()
{
    WindowDriver d;
    const QPoint last = d.cellPoint(2, MessageColumn);
    const QSize area = d.table().viewport()->size();
    const std::pair<QPoint, Qt::MouseButton> clicks[] = {
        {d.cellPoint(0, MessageColumn), Qt::LeftButton},
        {d.cellPoint(0, OptionsColumn), Qt::RightButton},
        {d.cellPoint(0, EnableColumn), Qt::LeftButton},
        {QPoint(last.x(), area.height() - 2), Qt::LeftButton},
        {QPoint(area.width() - 2, last.y()), Qt::LeftButton}};
    for (const auto& [at, button] : clicks) {
        d.window.statusPanel()->setText(QStringLiteral("Interval Error, 0"));
        QTest::mouseClick(d.table().viewport(), button, {}, at);
        QCOMPARE(d.status(), QString());
        QVERIFY(!d.editor()->isVisible() && !d.ui().mnuTimer->isVisible());
        QVERIFY(d.enabled(1));
    }
    // The boundary between two cells belongs to the lower-numbered one.
    TableControl& t = d.table();
    QCOMPARE(frmMain::HitTestCell(t, t.ColPos(1), t.RowPos(1) + 1).col, 0);
    QCOMPARE(frmMain::HitTestCell(t, 1, t.RowPos(2) + t.RowHeight(2)).row, 2);
    QCOMPARE(frmMain::HitTestCell(t, 1, t.RowPos(2) + t.RowHeight(2) + 1).row, -1);
}

void TestWindow::tabWalksTheCells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("modifier");
    QTest::addColumn<QString>("walk"); // row:col after each Tab; a trailing "!" flips that entry
    QTest::newRow("Tab wraps to the first entry") << 2 << 2 << 0 << "2:3 1:0! 1:1 1:2";
    QTest::newRow("Shift+Tab wraps to the last")
        << 1 << 1 << int(Qt::ShiftModifier) << "1:0! 2:3 2:2";
    QTest::newRow("Ctrl+Tab goes back too") << 2 << 1 << int(Qt::ControlModifier) << "2:0! 1:3";
}

void TestWindow::tabWalksTheCells()
{
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(int, modifier);
    QFETCH(QString, walk);
    WindowDriver d;
    d.click(row, col);
    QTRY_VERIFY(d.editor()->hasFocus());
    for (const QString& step : walk.split(QLatin1Char(' '))) {
        const int stepRow = step.section(QLatin1Char(':'), 0, 0).toInt();
        const bool before = d.enabled(stepRow);
        d.key(Qt::Key_Tab, Qt::KeyboardModifiers(modifier));
        const QString at = QStringLiteral("%1:%2%3")
                               .arg(d.table().Row())
                               .arg(d.table().Col())
                               .arg(d.enabled(stepRow) != before ? QStringLiteral("!") : QString());
        QCOMPARE(at, step);
        QVERIFY(d.editor()->hasFocus());
        QCOMPARE(d.editor()->text(), d.text(d.table().Row(), d.table().Col()));
    }
}

void TestWindow::tabStaysInTheEditor()
{
    WindowDriver d;
    d.click(1, MessageColumn);
    QTRY_VERIFY(d.editor()->hasFocus());
    for (int i = 0; i < 24; ++i) {
        d.key(Qt::Key_Tab, i % 3 ? Qt::NoModifier : Qt::ShiftModifier);
        QVERIFY(d.editor()->hasFocus());
    }
    // Once the editor has lost the focus, Tab moves through the window again.
    d.ui().cmbMode->setFocus();
    QTRY_VERIFY(!d.editor()->isVisible());
    d.key(Qt::Key_Tab);
    QVERIFY(!d.ui().cmbMode->hasFocus() && !d.editor()->hasFocus());
}

void TestWindow::keyboardReachesEditorAndMenu()
{
    WindowDriver d;
    d.table().setFocus();
    d.table().setCurrentCell(2, MessageColumn);
    d.key(Qt::Key_F2);
    QTRY_COMPARE(d.editor()->text(), QStringLiteral("Time's Up, Check Horizon"));
    d.key(Qt::Key_Escape);
    QVERIFY(d.table().hasFocus() && !d.editor()->isVisible());
    d.table().setCurrentCell(2, EnableColumn);
    d.key(Qt::Key_Space);
    QVERIFY(!d.enabled(2));
    d.key(Qt::Key_Menu);
    QTRY_VERIFY(d.ui().mnuTimer->isVisible());
    QCOMPARE(d.table().Row(), 2);
    d.ui().mnuTimer->hide();
}

void TestWindow::editingEndsWithEveryFileCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("ends");
    QTest::newRow("Default") << "mnuFileDefault" << true;
    QTest::newRow("Open...") << "mnuFileRecall" << true;
    QTest::newRow("Save...") << "mnuFileSave" << true;
    QTest::newRow("Exit, refused") << "mnuFileExit" << true;
    QTest::newRow("another window") << "" << false;
}

// Typing after a File command must not land in whatever cell loading or
// saving left current; a while in another window changes nothing.
void TestWindow::editingEndsWithEveryFileCommand()
{
    QFETCH(QString, command);
    QFETCH(bool, ends);
    WindowDriver d(QByteArray("[Interval]\nCount=2\n#1 Interval=60\n"));
    d.click(1, ScheduleColumn);
    QTRY_VERIFY(d.editor()->hasFocus());
    if (command == QLatin1String("mnuFileExit"))
        QFile::setPermissions(d.path(), QFile::ReadOwner); // the close is refused
    if (command.isEmpty()) {
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        d.window.activateWindow();
        QTRY_VERIFY(d.window.isActiveWindow());
    } else {
        answerDialog(d.path());
        d.window.findChild<QAction*>(command)->trigger();
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }
    QVERIFY(d.window.isVisible());
    d.key(Qt::Key_5);
    QCOMPARE(d.text(1, ScheduleColumn), ends ? QStringLiteral("60") : QStringLiteral("605"));
    QCOMPARE(d.text(2, MessageColumn), QStringLiteral("Time's Up, Check Horizon"));
    QCOMPARE(d.editor()->isVisible(), !ends);
}

void TestWindow::toolTips_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("sound");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("tip");
    QTest::newRow("enable") << 0 << 1 << 1 << 0 << "Enable/Disable";
    QTest::newRow("interval") << 0 << 1 << 1 << 1 << "Interval (Minutes)";
    QTest::newRow("time") << 1 << 1 << 1 << 1 << "Time (hh:mm:ss)";
    QTest::newRow("message") << 0 << 1 << 1 << 2 << "Message to Display";
    QTest::newRow("message, speech") << 0 << 2 << 1 << 2 << "Message to Display and Speak";
    QTest::newRow("options header") << 0 << 1 << 0 << 3 << "Additional Options";
    QTest::newRow("options") << 0 << 1 << 2 << 3 << "Click for Additional Options";
    QTest::newRow("right of the columns") << 0 << 1 << 1 << 4 << "";
}

void TestWindow::toolTips()
{
    QFETCH(int, mode);
    QFETCH(int, sound);
    QFETCH(int, row);
    QFETCH(int, col);
    WindowDriver d;
    d.ui().cmbMode->setCurrentIndex(mode);
    d.ui().cmbSound->setCurrentIndex(sound);
    QCoreApplication::processEvents(); // the shown table is laid out
    const QPoint at = col < 4 ? d.cellPoint(row, col)
                              : QPoint(d.table().viewport()->width() - 2, d.cellPoint(row, 0).y());
    QTest::mouseMove(d.table().viewport(), at + QPoint(1, 1)); // a move to the last place is none
    QTest::mouseMove(d.table().viewport(), at);
    QCoreApplication::processEvents();
    QTEST(d.table().toolTip(), "tip");
}

void TestWindow::menuItemsEnabled_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("sound");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("enabled"); // Move Up, Move Down, Delete, Speak
    QTest::newRow("first of two") << 0 << 1 << 1 << "0110";
    QTest::newRow("last of two") << 0 << 1 << 2 << "1010";
    QTest::newRow("only entry") << 1 << 1 << 1 << "0000";
    QTest::newRow("sound Speech") << 1 << 2 << 1 << "0001";
}

void TestWindow::menuItemsEnabled()
{
    QFETCH(int, mode);
    QFETCH(int, sound);
    QFETCH(int, row);
    WindowDriver d;
    const Ui::frmMain& ui = d.ui();
    ui.cmbMode->setCurrentIndex(mode);
    ui.cmbSound->setCurrentIndex(sound);
    d.click(row, OptionsColumn); // a left click on the options cell opens it too
    QTRY_VERIFY(ui.mnuTimer->isVisible());
    QCOMPARE(d.table().Row(), row);
    QString enabled;
    for (QAction* a : {ui.mnuTimerMoveUp, ui.mnuTimerMoveDown, ui.mnuTimerDelete, ui.mnuTimerSpeak})
        enabled += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    ui.mnuTimer->hide();
    QTEST(enabled, "enabled");
}

void TestWindow::moveSwapsEntriesCompletely()
{
    WindowDriver d;
    d.colours(1); // selects the message cell
    d.table().setCellBackColor(65535);
    d.setEntry(2, QStringLiteral("15"), QStringLiteral("Horizon"), false);
    d.pick(1, d.ui().mnuTimerMoveDown);
    // The enabled red-on-yellow entry went down with all it has.
    QCOMPARE(d.table().Row(), 2);
    QCOMPARE(d.text(2, MessageColumn), QStringLiteral("Time's Up, Check Log"));
    QVERIFY(d.enabled(2) && !d.enabled(1));
    QCOMPARE(d.colours(2), std::pair(65535, 255));
    QCOMPARE(d.text(1, ScheduleColumn), QStringLiteral("15"));
    QCOMPARE(d.colours(1).first, d.table().BackColor());
    QCOMPARE(d.table().Rows(), 3); // the scratch row is gone
    d.pick(2, d.ui().mnuTimerMoveUp);
    QCOMPARE(d.table().Row(), 1);
    QVERIFY(d.enabled(1) && !d.enabled(2));
}

void TestWindow::insertAndDelete()
{
    WindowDriver d;
    const int rowHeight = d.table().rowHeight(1);
    const int windowHeight = d.window.height();
    const int soundTop = d.ui().frmSound->y();
    d.pick(1, d.ui().mnuTimerInsert);
    // An empty, disabled entry at the end; the window grows by its row.
    QCOMPARE(d.table().Rows(), 4);
    QCOMPARE(d.table().Row(), 3);
    QCOMPARE(d.text(3, MessageColumn), QString());
    QCOMPARE(d.text(3, OptionsColumn), QStringLiteral("?"));
    QVERIFY(!d.enabled(3));
    QVERIFY(qAbs(d.window.height() - windowHeight - rowHeight) <= 1);
    QVERIFY(qAbs(d.ui().frmSound->y() - soundTop - rowHeight) <= 1);
    // Enabled and empty, it stops Start.
    d.click(3, EnableColumn);
    QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
    QCOMPARE(d.status(), QStringLiteral("Interval Error, "));
    QCOMPARE(d.window.statePanel()->text(), QStringLiteral("Stopped"));

    // Delete of the middle entry closes the gap; the window keeps its height.
    d.setEntry(3, QStringLiteral("5"), QStringLiteral("Third"), false);
    const int grown = d.window.height();
    d.pick(2, d.ui().mnuTimerDelete);
    QCOMPARE(d.table().Rows(), 3);
    QCOMPARE(d.text(2, MessageColumn), QStringLiteral("Third"));
    QVERIFY(!d.enabled(2) && d.enabled(1));
    QCOMPARE(d.window.height(), grown);
}

void TestWindow::colourCommands()
{
    WindowDriver d;
    answerDialog(QColor(0x12, 0x34, 0x56));
    d.pick(2, d.ui().mnuTimerBackColor);
    QTRY_COMPARE(d.colours(2).first, 0x563412);
    QCOMPARE(d.table().item(2, MessageColumn)->background().color(), QColor(0x12, 0x34, 0x56));
    answerDialog(QColor()); // cancelled
    d.pick(2, d.ui().mnuTimerForeColor);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(d.colours(2).second, kSysWindowText);
    answerDialog(QColor(0, 128, 0));
    d.pick(2, d.ui().mnuTimerForeColor);
    QTRY_COMPARE(d.colours(2).second, 0x008000);
    d.pick(1, d.ui().mnuTimerResetColor);
    QCOMPARE(d.colours(1), std::pair(d.table().BackColor(), d.table().ForeColor()));
    QCOMPARE(d.colours(2), std::pair(0x563412, 0x008000)); // only the chosen row
}

// The most entries a table holds: every one is served, the window stays on
// the screen, Insert stops there, and the saved table loads back.
void TestWindow::thousandEntries()
{
    QByteArray file = "[Interval]\nCount=" + QByteArray::number(kMaxEntries) + "\nRound=1\n";
    for (int n = 1; n <= kMaxEntries; ++n) {
        const QByteArray p = "#" + QByteArray::number(n);
        file += p + " Enabled=True\n" + p + " Interval=1440\n" + p + " Message Text=Check " +
                QByteArray::number(n) + "\n";
    }
    WindowDriver d(file);
    QCOMPARE(d.table().Rows(), kMaxEntries + 1);
    QVERIFY(d.window.frameGeometry().height() <= d.window.screen()->availableGeometry().height());
    d.pick(1, d.ui().mnuTimerInsert);
    QCOMPARE(d.status(), QStringLiteral("Table Full, 1000 entries"));
    QCOMPARE(d.beeper.beeps, 1);
    QCOMPARE(d.table().Rows(), kMaxEntries + 1);

    d.clock.setLocal(QDate(2027, 1, 15), QTime(23, 59, 50));
    QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
    d.clock.setLocal(QDate(2027, 1, 16), QTime(0, 0));
    for (int row = 1; row <= kMaxEntries; ++row) { // all due at midnight: row by row
        fireTick(d.window.tick());
        QCOMPARE(d.window.messageWindow()->messageId(), row);
        QTest::mouseClick(d.window.messageWindow()->form().cmdOk, Qt::LeftButton);
    }
    QCOMPARE(d.status(), QStringLiteral("Timer 00:00")); // tomorrow's
    QTest::mouseClick(d.ui().cmdStop, Qt::LeftButton);
    d.window.close();
    WindowDriver again(readFile(d.path()));
    QCOMPARE(again.table().Rows(), kMaxEntries + 1);
    QCOMPARE(again.text(kMaxEntries, MessageColumn), QStringLiteral("Check 1000"));
    QCOMPARE(again.status(), QString());
}

void TestWindow::soundModeGrowsTheSoundFrame()
{
    WindowDriver d;
    const Ui::frmMain& ui = d.ui();
    ui.cmbSound->setCurrentIndex(0);
    const int soundHeight = ui.frmSound->height();
    const int windowHeight = d.window.height();
    ui.cmbSound->setCurrentIndex(1); // None to Beep: nothing moves
    QCOMPARE(d.window.height(), windowHeight);
    QVERIFY(!ui.frmSpeech->isVisible());
    d.window.statusPanel()->setText(QStringLiteral("old"));
    ui.cmbSound->setCurrentIndex(2);
    const int growth = ui.frmSpeech->height() + twipsToPixels(120, d.window);
    QVERIFY(ui.frmSpeech->isVisible());
    QCOMPARE(ui.frmSound->height(), soundHeight + growth);
    QCOMPARE(d.window.height(), windowHeight + growth);
    QCOMPARE(d.status(), QString());
    ui.cmbSound->setCurrentIndex(0);
    QCOMPARE(d.window.height(), windowHeight);
    QVERIFY(!ui.frmSpeech->isVisible());
}

void TestWindow::heightSnapsBackWidthIsFree()
{
    WindowDriver d;
    const Ui::frmMain& ui = d.ui();
    const int height = d.window.height();
    d.window.resize(d.window.width(), height + 120);
    QTRY_COMPARE(d.window.height(), height);
    const QRect type = ui.frmType->geometry();
    const int soundWidth = ui.frmSound->width();
    const int tableWidth = d.table().width();
    d.window.resize(d.window.width() + 200, height);
    QTRY_COMPARE(d.table().width(), tableWidth + 200);
    QCOMPARE(ui.frmTimer->x() * 2 + ui.frmTimer->width(), ui.centralwidget->width());
    QCOMPARE(ui.frmSound->width(), soundWidth);
    QCOMPARE(ui.frmType->geometry(), type);
    // Narrower than the frames: the table shrinks, never to nothing.
    d.window.resize(10, height);
    QCoreApplication::processEvents();
    QVERIFY(d.table().width() > 0 && d.table().width() < tableWidth);
}

void TestWindow::everyControlIsReachableByKeyboard()
{
    WindowDriver d;
    d.ui().cmbSound->setCurrentIndex(2); // speech controls shown
    d.ui().cmbSound->setFocus();
    QSet<QString> reached;
    for (int i = 0; i < 30; ++i) {
        reached << QApplication::focusWidget()->objectName();
        d.key(Qt::Key_Tab);
    }
    for (const char* name :
         {"cmbSound", "cmbMode", "cmbSpeechEngine", "cmdSpeechSpeak", "sldSpeechVolume",
          "sldSpeechRate", "grdTimer0", "chkIntervalRound", "cmdStart"})
        QVERIFY2(reached.contains(QLatin1String(name)), name);
    QVERIFY(!reached.contains(QStringLiteral("txtTimer"))); // the hidden editor is no tab stop
}

void TestWindow::layoutIsClean_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("desktop font") << 0;
    QTest::newRow("large font") << 16;
}

void TestWindow::layoutIsClean()
{
    QFETCH(int, pointSize);
    const QFont original = QApplication::font();
    if (pointSize) {
        QFont big = original;
        big.setPointSize(pointSize);
        QApplication::setFont(big);
    }
    {
        WindowDriver d;
        for (int sound : {1, 2}) {
            d.ui().cmbSound->setCurrentIndex(sound);
            for (int mode : {IntervalMode, TimeMode}) {
                d.ui().cmbMode->setCurrentIndex(mode);
                QCoreApplication::processEvents(); // scroll bars follow a shown table lazily
                checkNothingOverlapsOrClips(d.ui().centralwidget);
                QVERIFY(!d.table().horizontalScrollBar()->isVisible());
                QVERIFY(!d.table().verticalScrollBar()->isVisible());
                QVERIFY(d.ui().frmSound->geometry().bottom() < d.ui().centralwidget->height());
            }
        }
    }
    QApplication::setFont(original);
}

VT_TEST_MAIN(TestWindow, "Europe/London")
#include "tst_window.moc"
