// SPDX-License-Identifier: MIT
// Editing cells in place with mouse and keyboard: where the editor opens, what
// a click on each kind of cell does, Tab and Shift+Tab with their wrap-around,
// focus and tab stops, and the tables' tool tips.
#include "testmain.h"
#include "windowdriver.h"

#include <QLabel>

using namespace vt;

class TestCellEditor : public QObject
{
    Q_OBJECT

private slots:
    void clickOnScheduleOrMessageOpensEditorOverCell();
    void clicksOutsideEntriesOnlyClearStatus();
    void enableCellClickFlipsWithoutEditor();
    void tabWalksAndWrapsFlippingEnableCells();
    void shiftTabWalksBackwards();
    void tabNeverLeavesEditorWhileItHasFocus();
    void keyboardReachesEditorFromTable();
    void toolTipsByColumnModeAndSound();
    void hitTestBoundsAreInclusive();
};

void TestCellEditor::clickOnScheduleOrMessageOpensEditorOverCell()
{
    WindowDriver d;
    d.setMessageColors(1, 65535, 255);
    d.click(1, MessageColumn);
    QTRY_VERIFY(d.editor()->hasFocus());
    QVERIFY(d.editor()->isVisible());
    QCOMPARE(d.editor()->text(), QStringLiteral("Time's Up, Check Log"));
    // Exactly over the cell, in the cell's colours.
    const QRect cell = d.table().visualRect(d.table().model()->index(1, MessageColumn));
    const QPoint cellTopLeft = d.table().viewport()->mapTo(d.ui().frmTimer, cell.topLeft());
    QVERIFY((d.editor()->pos() - cellTopLeft).manhattanLength() <= 2);
    QVERIFY(qAbs(d.editor()->width() - cell.width()) <= 2);
    QCOMPARE(d.editor()->palette().color(QPalette::Base), QColor(255, 255, 0));
    QCOMPARE(d.editor()->palette().color(QPalette::Text), QColor(255, 0, 0));

    // Each keystroke is in the cell at once.
    QTest::keyClick(d.editor(), Qt::Key_End);
    QTest::keyClicks(d.editor(), QStringLiteral("!"));
    QCOMPARE(d.text(1, MessageColumn), QStringLiteral("Time's Up, Check Log!"));
    QTest::keyClick(d.editor(), Qt::Key_Backspace);
    QCOMPARE(d.text(1, MessageColumn), QStringLiteral("Time's Up, Check Log"));

    // Another cell: the editor moves there and the first keeps its text.
    d.click(2, ScheduleColumn);
    QTRY_VERIFY(d.editor()->hasFocus());
    QCOMPARE(d.editor()->text(), QStringLiteral("15"));
    QTest::keyClicks(d.editor(), QStringLiteral("0"));
    QCOMPARE(d.text(2, ScheduleColumn), QStringLiteral("150"));
    QCOMPARE(d.text(1, MessageColumn), QStringLiteral("Time's Up, Check Log"));

    // Focus elsewhere ends editing; the text stays in the cell.
    d.ui().cmbSound->setFocus();
    QTRY_VERIFY(!d.editor()->isVisible());
    QCOMPARE(d.text(2, ScheduleColumn), QStringLiteral("150"));
}

void TestCellEditor::clicksOutsideEntriesOnlyClearStatus()
{
    WindowDriver d;
    const int rows = d.table().Rows();
    const QString before = d.text(1, MessageColumn);
    auto clickAndCheck = [&](QPoint at, Qt::MouseButton button) {
        d.window.statusPanel()->setText(QStringLiteral("Interval Error, 0"));
        d.clickAt(at, button);
        QCOMPARE(d.window.statusPanel()->text(), QString());
        QVERIFY(!d.editor()->isVisible());
        QVERIFY(!d.ui().mnuTimer->isVisible());
        QCOMPARE(d.table().Rows(), rows);
        QVERIFY(d.enabled(1));
    };
    clickAndCheck(d.cellPoint(0, MessageColumn), Qt::LeftButton);  // header
    clickAndCheck(d.cellPoint(0, OptionsColumn), Qt::RightButton); // header, right
    clickAndCheck(d.cellPoint(0, EnableColumn), Qt::LeftButton);
    const QPoint last = d.cellPoint(rows - 1, MessageColumn);
    clickAndCheck(QPoint(last.x(), d.table().viewport()->height() - 2), Qt::LeftButton); // below
    clickAndCheck(QPoint(d.table().viewport()->width() - 2, last.y()), Qt::LeftButton);  // right
    QCOMPARE(d.text(1, MessageColumn), before);
}

void TestCellEditor::enableCellClickFlipsWithoutEditor()
{
    WindowDriver d;
    QVERIFY(d.enabled(1));
    d.click(1, EnableColumn);
    QVERIFY(!d.enabled(1));
    QVERIFY(!d.editor()->isVisible());
    d.click(1, EnableColumn);
    QVERIFY(d.enabled(1));
    QVERIFY(d.enabled(2)); // only the clicked entry
}

void TestCellEditor::tabWalksAndWrapsFlippingEnableCells()
{
    WindowDriver d;
    const int last = d.table().Rows() - 1;
    d.click(last, MessageColumn);
    QTRY_VERIFY(d.editor()->hasFocus());
    d.key(Qt::Key_Tab);
    QCOMPARE(d.table().Row(), last);
    QCOMPARE(d.table().Col(), int(OptionsColumn));
    QCOMPARE(d.editor()->text(), QStringLiteral("?"));
    QVERIFY(d.enabled(1));
    d.key(Qt::Key_Tab);
    // Wrapped to the first entry's enable cell, which flipped; the editor
    // stands over that cell and keeps the focus.
    QCOMPARE(d.table().Row(), 1);
    QCOMPARE(d.table().Col(), int(EnableColumn));
    QVERIFY(!d.enabled(1));
    QVERIFY(d.editor()->hasFocus());
    const QRect cell = d.table().visualRect(d.table().model()->index(1, EnableColumn));
    QVERIFY((d.editor()->pos() - d.table().viewport()->mapTo(d.ui().frmTimer, cell.topLeft()))
                .manhattanLength() <= 2);
    d.key(Qt::Key_Tab);
    QCOMPARE(d.table().Col(), int(ScheduleColumn));
    QCOMPARE(d.editor()->text(), QStringLiteral("60"));
}

void TestCellEditor::shiftTabWalksBackwards()
{
    WindowDriver d;
    d.click(1, ScheduleColumn);
    QTRY_VERIFY(d.editor()->hasFocus());
    d.key(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(d.table().Row(), 1);
    QCOMPARE(d.table().Col(), int(EnableColumn));
    QVERIFY(!d.enabled(1));
    d.key(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(d.table().Row(), d.table().Rows() - 1);
    QCOMPARE(d.table().Col(), int(OptionsColumn));
    // Ctrl+Tab counts as a modified Tab: backwards too.
    d.key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(d.table().Col(), int(MessageColumn));
    QVERIFY(d.editor()->hasFocus());
}

void TestCellEditor::tabNeverLeavesEditorWhileItHasFocus()
{
    WindowDriver d;
    d.click(1, MessageColumn);
    QTRY_VERIFY(d.editor()->hasFocus());
    QVERIFY(!(d.ui().cmdStart->focusPolicy() & Qt::TabFocus));
    QVERIFY(!(d.ui().cmbMode->focusPolicy() & Qt::TabFocus));
    for (int i = 0; i < 3 * 4 * d.table().Rows(); ++i) {
        d.key(i % 3 ? Qt::Key_Tab : Qt::Key_Backtab, i % 3 ? Qt::NoModifier : Qt::ShiftModifier);
        QVERIFY(d.editor()->hasFocus());
    }
    // Once the editor has lost the focus, Tab moves through the window again.
    d.ui().cmbMode->setFocus();
    QTRY_VERIFY(!d.editor()->isVisible());
    QVERIFY(d.ui().cmdStart->focusPolicy() & Qt::TabFocus);
    d.key(Qt::Key_Tab);
    QVERIFY(!d.ui().cmbMode->hasFocus());
    QVERIFY(QApplication::focusWidget() != d.editor());
}

void TestCellEditor::keyboardReachesEditorFromTable()
{
    WindowDriver d;
    d.table().setFocus();
    d.table().setCurrentCell(2, MessageColumn);
    d.key(Qt::Key_F2);
    QTRY_VERIFY(d.editor()->hasFocus());
    QCOMPARE(d.editor()->text(), QStringLiteral("Time's Up, Check Horizon"));
    d.key(Qt::Key_Escape);
    QVERIFY(d.table().hasFocus());
    QVERIFY(!d.editor()->isVisible());
    d.table().setCurrentCell(2, EnableColumn);
    d.key(Qt::Key_Space);
    QVERIFY(!d.enabled(2));
    d.key(Qt::Key_Menu);
    QTRY_VERIFY(d.ui().mnuTimer->isVisible());
    QCOMPARE(d.table().Row(), 2);
    d.ui().mnuTimer->hide();
}

void TestCellEditor::toolTipsByColumnModeAndSound()
{
    WindowDriver d;
    auto tipAt = [&](int row, int col) {
        QTest::mouseMove(d.table().viewport(), d.cellPoint(row, col));
        QCoreApplication::processEvents();
        return d.table().toolTip();
    };
    QCOMPARE(tipAt(1, EnableColumn), QStringLiteral("Enable/Disable"));
    QCOMPARE(tipAt(1, ScheduleColumn), QStringLiteral("Interval (Minutes)"));
    QCOMPARE(tipAt(1, MessageColumn), QStringLiteral("Message to Display"));
    QCOMPARE(tipAt(0, OptionsColumn), QStringLiteral("Additional Options"));
    QCOMPARE(tipAt(2, OptionsColumn), QStringLiteral("Click for Additional Options"));
    QTest::mouseMove(d.table().viewport(),
                     QPoint(d.table().viewport()->width() - 2, d.cellPoint(1, 0).y()));
    QCoreApplication::processEvents();
    QCOMPARE(d.table().toolTip(), QString());

    d.ui().cmbSound->setCurrentIndex(2);
    QCOMPARE(tipAt(1, MessageColumn), QStringLiteral("Message to Display and Speak"));
    d.ui().cmbMode->setCurrentIndex(TimeMode);
    QCOMPARE(tipAt(1, ScheduleColumn), QStringLiteral("Time (hh:mm:ss)"));
}

void TestCellEditor::hitTestBoundsAreInclusive()
{
    WindowDriver d;
    TableControl& t = d.table();
    const int boundary = t.ColPos(1); // end of column 0, start of column 1
    QCOMPARE(frmMain::HitTestCell(t, boundary, t.RowPos(1) + 1).col, 0);
    QCOMPARE(frmMain::HitTestCell(t, boundary + 1, t.RowPos(1) + 1).col, 1);
    QCOMPARE(frmMain::HitTestCell(t, t.ColPos(1) + 1, t.RowPos(2)).row, 1);
    const int last = t.Rows() - 1;
    QCOMPARE(frmMain::HitTestCell(t, 1, t.RowPos(last) + t.RowHeight(last)).row, last);
    QCOMPARE(frmMain::HitTestCell(t, 1, t.RowPos(last) + t.RowHeight(last) + 1).row, -1);
    QCOMPARE(frmMain::HitTestCell(t, t.ColPos(3) + t.ColWidth(3) + 1, 1).col, -1);
}

VT_TEST_MAIN(TestCellEditor, "Europe/London")
#include "tst_celleditor.moc"
