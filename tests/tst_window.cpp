// SPDX-License-Identifier: MIT
// The main window: Start, the cell editor, the row commands, the keyboard, and
// a layout that never overlaps or clips, whatever the modes.
#include "support.h"

#include "ui/common/palette.h"
#include "ui/common/statuslabel.h"
#include "ui/main/celleditor.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

// Every visible control inside its container, clear of the others, wide enough, named.
void checkNothingOverlapsOrClips(QWidget* container)
{
    QList<QWidget*> shown;
    for (QWidget* w : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden() && !w->objectName().startsWith(QLatin1String("qt_")) &&
            w->objectName() != QLatin1String("Line1"))
            shown << w;
    for (QWidget* w : shown) {
        const QByteArray name = w->objectName().toUtf8();
        QVERIFY2(container->rect().contains(w->geometry()) || !container->parentWidget()->parent(),
                 name);
        for (QWidget* other : shown)
            QVERIFY2(other == w || !w->geometry().intersects(other->geometry()), name);
        if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w))
            QVERIFY2(w->sizeHint().width() <= w->width() + 1, name);
        if (auto* button = qobject_cast<QPushButton*>(w))
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= button->width(),
                     name);
        // What a screen reader reads for it.
        QVERIFY2(w->focusPolicy() == Qt::NoFocus ||
                     !QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty(),
                 name);
        if (!qobject_cast<AlarmTableView*>(w))
            checkNothingOverlapsOrClips(w);
    }
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void startShowsTheNextAlarm_data()
    {
        QTest::addColumn<QByteArray>("round");
        QTest::addColumn<QString>("status"); // for 60 and 15 minutes, started at 10:17:45
        QTest::newRow("ticked") << QByteArray("1") << "Timer 10:30";
        QTest::newRow("clear") << QByteArray("0") << "Timer 10:32";
        QTest::newRow("greyed does not round") << QByteArray("2") << "Timer 10:32";
    }
    // Minimized before a run, the caption has no next alarm; after Start it
    // has, and all that a run fixes is off; Stop gives it all back.
    void startShowsTheNextAlarm()
    {
        QFETCH(QByteArray, round);
        WindowDriver w("[Interval]\nRound=" + round + "\n");
        w.window.showMinimized();
        QTRY_COMPARE(w.window.windowTitle(), u"Timer 00:00"_s);
        const Ui::frmMain& ui = w.ui();
        const auto editable = [&] {
            QList<bool> on;
            for (QWidget* c : std::initializer_list<QWidget*>{
                     ui.cmbMode, ui.chkIntervalRound, ui.cmdStart, ui.grdTimer0, ui.grdTimer1,
                     ui.cmbSound, ui.cmbSpeechEngine, ui.cmdSpeechSpeak, ui.sldSpeechRate,
                     ui.sldSpeechVolume})
                on << c->isEnabled();
            return on << ui.cmdStart->font().bold() << !ui.cmdStop->isEnabled()
                      << !ui.cmdStop->font().bold();
        };
        QTest::mouseClick(ui.cmdStart, Qt::LeftButton);
        QTEST(w.status(), "status");
        QTEST(w.window.windowTitle(), "status");
        QCOMPARE(editable(), QList<bool>(13, false));
        QTest::mouseClick(ui.cmdStop, Qt::LeftButton);
        QCOMPARE(editable(), QList<bool>(13, true));
        QCOMPARE(std::pair(w.window.isMinimized(), w.window.windowTitle()),
                 std::pair(false, u"Vigiltide"_s));
    }

    void editorOpensOverTheCell()
    {
        WindowDriver d;
        d.setBackColour(1, 65535);
        d.click(1, MessageColumn);
        QTRY_VERIFY(d.editor()->hasFocus());
        const QRect cell = d.table().visualRect(d.model().cellIndex(1, MessageColumn));
        QVERIFY((d.editor()->pos() - d.table().viewport()->mapTo(d.ui().frmTimer, cell.topLeft()))
                    .manhattanLength() <= 2);
        QVERIFY(qAbs(d.editor()->width() - cell.width()) <= 2);
        QTest::keyClicks(d.editor(), u"!"_s); // in the cell at once
        QCOMPARE(d.text(1, MessageColumn), u"Time's Up, Check Log!"_s);
        d.ui().cmbSound->setFocus(); // focus elsewhere ends editing
        QTRY_VERIFY(!d.editor()->isVisible());
        d.click(1, EnableColumn); // flips only that entry, and opens nothing
        QVERIFY(!d.enabled(1) && d.enabled(2) && !d.editor()->isVisible());
        d.window.statusPanel()->setText(u"Interval Error, 0"_s);
        d.click(0, MessageColumn); // the header: nothing but a clear status line
        QVERIFY(d.status().isEmpty() && !d.editor()->isVisible());
        AlarmTableView& t = d.table(); // a boundary belongs to the lower-numbered cell
        QCOMPARE(CellEditor::HitTestCell(t, t.ColPos(1), t.RowPos(1) + 1).col, 0);
        QCOMPARE(CellEditor::HitTestCell(t, 1, t.RowPos(2) + t.RowHeight(2) + 1).row, -1);
    }

    void tabWalksTheCells_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("modifier");
        QTest::addColumn<QString>("walk"); // row:col after each Tab; "!": that entry flipped
        QTest::newRow("Tab wraps to the first entry") << 2 << 2 << 0 << "2:3 1:0! 1:1 1:2";
        QTest::newRow("Shift+Tab wraps to the last")
            << 1 << 1 << int(Qt::ShiftModifier) << "1:0! 2:3 2:2";
    }
    void tabWalksTheCells()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, modifier);
        QFETCH(QString, walk);
        WindowDriver d;
        d.click(row, col);
        QTRY_VERIFY(d.editor()->hasFocus());
        for (const QString& step : walk.split(QLatin1Char(' '))) {
            const int stepRow = step.left(1).toInt();
            const bool before = d.enabled(stepRow);
            d.key(Qt::Key_Tab, Qt::KeyboardModifiers(modifier));
            QCOMPARE(u"%1:%2%3"_s.arg(d.table().Row())
                         .arg(d.table().Col())
                         .arg(d.enabled(stepRow) != before ? "!" : ""),
                     step);
            QVERIFY(d.editor()->hasFocus()); // Tab never leaves the editor
            QCOMPARE(d.editor()->text(), d.text(d.table().Row(), d.table().Col()));
        }
    }

    void editingEndsWithEveryFileCommand_data()
    {
        QTest::addColumn<QString>("command"); // none: a while in another window
        for (const char* command :
             {"mnuFileDefault", "mnuFileRecall", "mnuFileSave", "mnuFileExit"})
            QTest::newRow(command) << command;
        QTest::newRow("another window") << "";
        QTest::newRow("the session ends") << "saveForSession";
    }
    // Typing after a File command must not land in whatever cell loading or
    // saving left current; a while in another window changes nothing.
    void editingEndsWithEveryFileCommand()
    {
        QFETCH(QString, command);
        WindowDriver d(QByteArray("[Interval]\nCount=2\n#1 Interval=60\n"));
        d.click(1, ScheduleColumn);
        QTRY_VERIFY(d.editor()->hasFocus());
        if (command.isEmpty()) {
            QWidget other;
            other.show();
            other.activateWindow();
            QTRY_VERIFY(other.isActiveWindow());
        } else if (command == u"saveForSession"_s) {
            d.window.saveForSession();
        } else {
            const bool exit = command == u"mnuFileExit"_s;
            if (exit) // refused
                QFile::setPermissions(d.path(), QFile::ReadOwner);
            answerDialog(d.path());
            d.window.findChild<QAction*>(command)->trigger();
            QTRY_VERIFY(!QApplication::activeModalWidget() && d.window.isVisible());
            QCOMPARE(d.cursor(), exit ? u"1:1"_s : u"2:2"_s); // else on the last message
        }
        d.window.activateWindow(); // given back, as a window manager does
        QTRY_VERIFY(d.window.isActiveWindow());
        d.key(Qt::Key_5);
        QCOMPARE(d.text(1, ScheduleColumn), QLatin1String(command.isEmpty() ? "605" : "60"));
        QCOMPARE(d.text(2, MessageColumn), u"Time's Up, Check Horizon"_s);
    }

    void cursorOnTheFaultyCell_data()
    {
        QTest::addColumn<QString>("schedule");
        QTest::addColumn<QString>("cursor"); // row:col of the current cell afterwards
        QTest::newRow("faulty interval") << u"0"_s << u"2:1"_s;
        QTest::newRow("empty message") << u""_s << u"2:2"_s;
    }
    // Start puts the table's cursor on the faulty cell, for the watchkeeper to see.
    void cursorOnTheFaultyCell()
    {
        QFETCH(QString, schedule);
        WindowDriver d;
        d.click(2, schedule.isEmpty() ? MessageColumn : ScheduleColumn);
        QTRY_VERIFY(d.editor()->hasFocus());
        d.editor()->setText(schedule);
        d.click(1, OptionsColumn, Qt::RightButton); // the cursor elsewhere
        d.ui().mnuTimer->hide();
        QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
        QTEST(d.cursor(), "cursor");
    }

    void menuItemsEnabled_data()
    {
        QTest::addColumn<QList<int>>("modeSoundRow");
        QTest::addColumn<QString>("enabled"); // Move Up, Move Down, Delete, Speak
        QTest::newRow("first of two") << QList<int>{0, 1, 1} << "0110";
        QTest::newRow("last of two") << QList<int>{0, 1, 2} << "1010";
        QTest::newRow("only entry") << QList<int>{1, 1, 1} << "0000";
        QTest::newRow("sound Speech") << QList<int>{1, 2, 1} << "0001";
    }
    void menuItemsEnabled()
    {
        QFETCH(QList<int>, modeSoundRow);
        WindowDriver d;
        const Ui::frmMain& ui = d.ui();
        ui.cmbMode->setCurrentIndex(modeSoundRow[0]);
        ui.cmbSound->setCurrentIndex(modeSoundRow[1]);
        d.click(modeSoundRow[2], OptionsColumn); // a left click on the options cell opens it too
        QTRY_VERIFY(ui.mnuTimer->isVisible());
        QString enabled;
        for (QAction* a :
             {ui.mnuTimerMoveUp, ui.mnuTimerMoveDown, ui.mnuTimerDelete, ui.mnuTimerSpeak})
            enabled += a->isEnabled() ? u'1' : u'0';
        ui.mnuTimer->hide();
        QTEST(enabled, "enabled");
    }

    void rowCommands()
    {
        WindowDriver d;
        d.setBackColour(1, 65535);
        d.click(2, EnableColumn);
        d.pick(1, d.ui().mnuTimerMoveDown); // the entry goes down with all it has
        QCOMPARE(d.table().Row(), 2);
        QCOMPARE(d.text(2, MessageColumn), u"Time's Up, Check Log"_s);
        QVERIFY(d.enabled(2) && !d.enabled(1));
        QCOMPARE(d.colours(2), std::pair(65535, 255));
        QCOMPARE(d.colours(1).first, AlarmTable::BackColor);
        const int windowHeight = d.window.height();
        d.pick(1, d.ui().mnuTimerInsert); // an empty, disabled entry; a row taller
        QCOMPARE(std::pair(d.table().Rows(), d.table().Row()), std::pair(4, 3));
        QCOMPARE(d.text(3, OptionsColumn), u"?"_s);
        QVERIFY(!d.enabled(3) && d.window.height() > windowHeight);
        d.click(3, EnableColumn); // enabled and empty, it stops Start
        QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
        QCOMPARE(d.status(), u"Interval Error, "_s);
        d.pick(2, d.ui().mnuTimerDelete); // the gap closes
        QCOMPARE(d.table().Rows(), 3);
        QVERIFY(d.enabled(2) && d.text(2, MessageColumn).isEmpty());
        answerDialog(QColor(0x12, 0x34, 0x56));
        d.pick(2, d.ui().mnuTimerBackColor);
        QTRY_COMPARE(d.colours(2).first, 0x563412);
        d.pick(2, d.ui().mnuTimerResetColor);
        QCOMPARE(d.colours(2), std::pair(AlarmTable::BackColor, AlarmTable::ForeColor));
    }

    // The most entries a table holds: the window stays on the screen, the
    // editor on its cell under the wheel, the scroll bar off the columns;
    // Insert stops there; the saved table loads back.
    void thousandEntries()
    {
        QByteArray file = "[Interval]\nCount=1000\n";
        for (int n = 1; n <= kMaxEntries; ++n)
            file += u"#%1 Enabled=True\n#%1 Interval=1440\n#%1 Message Text=Check %1\n"_s.arg(n)
                        .toUtf8();
        WindowDriver d(file);
        QVERIFY(d.window.frameGeometry().height() <=
                d.window.screen()->availableGeometry().height());
        AlarmTableView& t = d.table();
        d.click(8, MessageColumn);
        QTRY_VERIFY(d.editor()->hasFocus());
        QWheelEvent wheel(QPointF(10, 10), t.viewport()->mapToGlobal(QPointF(10, 10)), {},
                          QPoint(0, -3 * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(t.viewport(), &wheel);
        QVERIFY(t.verticalScrollBar()->value() > 0);
        // The editor moves with its cell, or ends.
        const QRect cell = t.cellRect(8, MessageColumn);
        QVERIFY(!d.editor()->isVisible() ||
                (d.editor()->geometry() ==
                     QRect(t.mapTo(d.ui().frmTimer, cell.topLeft()), cell.size()) &&
                 QRect(t.viewport()->pos(), t.viewport()->size()).contains(cell)));
        d.key(Qt::Key_Q);
        for (int r = 1; r < t.Rows(); ++r)
            QCOMPARE(d.text(r, MessageColumn).endsWith(u'Q'), r == 8 && d.editor()->isVisible());

        t.scrollToBottom();
        QVERIFY(t.horizontalHeader()->isVisible() && t.verticalScrollBar()->isVisible());
        QCOMPARE(CellEditor::HitTestCell(t, t.ColPos(OptionsColumn) + 1, t.RowPos(0) + 1).row, 0);
        QVERIFY(t.columnViewportPosition(OptionsColumn) + t.columnWidth(OptionsColumn) <=
                    t.viewport()->width() &&
                !t.horizontalScrollBar()->isVisible());
        d.pick(1, d.ui().mnuTimerInsert);
        QCOMPARE(std::pair(d.status(), d.beeper.beeps),
                 std::pair(u"Table Full, 1000 entries"_s, 1));
        d.window.close();
        WindowDriver again(readFile(d.path()));
        QCOMPARE(again.text(kMaxEntries, MessageColumn), u"Check 1000"_s);
        QCOMPARE(again.status(), QString());
    }

    // Tab goes through the controls in the order they stand. In the table F2
    // edits, Esc leaves, Space flips, the Menu key opens the row menu.
    void keyboard()
    {
        WindowDriver d;
        const Ui::frmMain& ui = d.ui();
        ui.cmbSound->setCurrentIndex(2);
        ui.cmbMode->setFocus();
        QStringList order;
        for (int i = 0; i < 10; ++i) {
            order << QApplication::focusWidget()->objectName();
            d.key(Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), u"cmbMode chkIntervalRound cmdStart grdTimer0 cmbSound "
                                   "cmbSpeechEngine sldSpeechRate cmdSpeechSpeak sldSpeechVolume "
                                   "cmbMode"_s);
        d.table().setFocus();
        d.table().setCurrentCell(2, MessageColumn);
        d.key(Qt::Key_F2);
        QTRY_COMPARE(d.editor()->text(), u"Time's Up, Check Horizon"_s);
        d.key(Qt::Key_Escape);
        QVERIFY(d.table().hasFocus() && !d.editor()->isVisible());
        d.table().setCurrentCell(2, EnableColumn);
        d.key(Qt::Key_Space);
        QVERIFY(!d.enabled(2));
        d.key(Qt::Key_Menu);
        QTRY_VERIFY(ui.mnuTimer->isVisible());
        ui.mnuTimer->hide();
    }

    // A long status text keeps its reason readable: the path in it gives way
    // in its middle; the tool tip holds it whole.
    void longStatusTexts()
    {
        const QString text =
            u"Open Error, /tmp/watch/bridge/night/bad.ini is not a settings file."_s;
        StatusLabel panel;
        panel.setFullText(text);
        const QFontMetrics& m = panel.fontMetrics();
        const QString shown = StatusLabel::fitted(
            text, m, m.horizontalAdvance(text) - m.horizontalAdvance(u"bridge/night/"_s));
        QVERIFY2(panel.toolTip() == text && shown.startsWith(u"Open Error, /tmp"_s) &&
                     shown.endsWith(u"bad.ini is not a settings file."_s) &&
                     shown.contains(u'\u2026'),
                 qPrintable(shown));
    }

    // A system colour number is the palette's role of that name, as the
    // palette stands when it is painted.
    void systemColoursFollowThePalette()
    {
        QPalette palette;
        palette.setColor(QPalette::Base, Qt::darkBlue);
        palette.setColor(QPalette::Window, Qt::darkRed);
        palette.setColor(QPalette::Text, Qt::yellow);
        QCOMPARE(toQColor(0x80000005, palette), QColor(Qt::darkBlue)); // window background
        QCOMPARE(toQColor(0x80000008, palette), QColor(Qt::yellow));   // window text
    }

    // Each mode shows its table in one place, Speech its controls with room,
    // and nothing overlaps, clips or scrolls; ctest runs it at 200% too.
    void layoutIsClean()
    {
        WindowDriver d;
        const Ui::frmMain& ui = d.ui();
        d.window.statusPanel()->setText(u"Interval Error, 0"_s);
        QMap<int, int> heights;
        for (int sound : {1, 2})
            for (int mode : {0, 1}) {
                ui.cmbSound->setCurrentIndex(sound);
                ui.cmbMode->setCurrentIndex(mode);
                QCoreApplication::processEvents(); // scroll bars follow lazily
                QVERIFY(d.window.grdTimer(mode)->isVisible() &&
                        !d.window.grdTimer(1 - mode)->isVisible());
                QCOMPARE(d.window.grdTimer(mode)->pos(), d.window.grdTimer(0)->pos());
                QCOMPARE(ui.chkIntervalRound->isVisible(), mode == 0);
                QCOMPARE(ui.frmSpeech->isVisible(), sound == 2);
                heights[sound] = d.window.height();
                checkNothingOverlapsOrClips(ui.centralwidget);
                QVERIFY(!d.table().horizontalScrollBar()->isVisible() &&
                        !d.table().verticalScrollBar()->isVisible());
                // A time of day shows with its seconds, not "12:05…".
                QVERIFY(d.table().fontMetrics().horizontalAdvance(u"12:05:00"_s) + 8 <=
                        d.table().columnWidth(ScheduleColumn));
                // The status bar and its panels show whole.
                const QStatusBar* bar = d.window.statusBar();
                QVERIFY(d.window.rect().contains(bar->geometry()) &&
                        bar->height() >= bar->sizeHint().height() &&
                        bar->rect().contains(d.window.statePanel()->geometry()));
            }
        QCOMPARE(d.status(), QString()); // a new mode clears an old error
        QVERIFY(heights[2] > heights[1] + ui.frmSpeech->height());
        d.window.resize(10, heights[2] + 120); // the height snaps back
        QTRY_COMPARE(d.window.height(), heights[2]);
    }
};

VT_TEST_MAIN(TestWindow, "Europe/London")
#include "tst_window.moc"
