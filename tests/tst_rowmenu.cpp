// SPDX-License-Identifier: MIT
// The Timer popup menu: which commands it offers where, moving, inserting and
// deleting entries, and the colour commands with the colour dialog.
#include "testmain.h"
#include "windowdriver.h"

#include <QColorDialog>

using namespace vt;

namespace
{

// Answers the next colour dialog with a colour, or cancels it.
void answerColorDialog(const QColor& color)
{
    QTimer::singleShot(0, qApp, [color] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (color.isValid()) {
            dialog->setCurrentColor(color);
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
}

} // namespace

class TestRowMenu : public QObject
{
    Q_OBJECT

private slots:
    void itemsEnabledByPlaceAndSoundMode();
    void optionsCellClickOpensMenuOnThatRow();
    void moveSwapsEntriesCompletely();
    void insertAppendsEmptyDisabledEntryAndGrowsWindow();
    void deleteClosesTheGapWithoutArranging();
    void colourCommands();
};

void TestRowMenu::itemsEnabledByPlaceAndSoundMode()
{
    WindowDriver d;
    const Ui::frmMain& ui = d.ui();
    auto openOn = [&](int row) {
        d.click(row, MessageColumn, Qt::RightButton);
        QTRY_VERIFY(ui.mnuTimer->isVisible());
        ui.mnuTimer->hide();
    };
    openOn(1); // first of two
    QVERIFY(!ui.mnuTimerMoveUp->isEnabled());
    QVERIFY(ui.mnuTimerMoveDown->isEnabled());
    QVERIFY(ui.mnuTimerDelete->isEnabled());
    QVERIFY(ui.mnuTimerInsert->isEnabled());
    QVERIFY(ui.mnuTimerResetColor->isEnabled());
    QVERIFY(!ui.mnuTimerSpeak->isEnabled());
    openOn(2); // last
    QVERIFY(ui.mnuTimerMoveUp->isEnabled());
    QVERIFY(!ui.mnuTimerMoveDown->isEnabled());

    ui.cmbMode->setCurrentIndex(TimeMode); // a single entry
    openOn(1);
    QVERIFY(!ui.mnuTimerMoveUp->isEnabled());
    QVERIFY(!ui.mnuTimerMoveDown->isEnabled());
    QVERIFY(!ui.mnuTimerDelete->isEnabled());

    ui.cmbSound->setCurrentIndex(2);
    openOn(1);
    QVERIFY(ui.mnuTimerSpeak->isEnabled());
    QCOMPARE(ui.mnuTimerForeColor->text(), QStringLiteral("Fore  Color..."));
}

void TestRowMenu::optionsCellClickOpensMenuOnThatRow()
{
    WindowDriver d;
    d.click(2, OptionsColumn);
    QTRY_VERIFY(d.ui().mnuTimer->isVisible());
    QCOMPARE(d.table().Row(), 2);
    QCOMPARE(d.table().Col(), int(OptionsColumn));
    QVERIFY(!d.editor()->isVisible());
    d.ui().mnuTimer->hide();
}

void TestRowMenu::moveSwapsEntriesCompletely()
{
    WindowDriver d;
    d.setMessageColors(1, 65535, 255);
    d.setEntry(2, QStringLiteral("15"), QStringLiteral("Horizon"), false);
    d.pick(1, d.ui().mnuTimerMoveDown);
    // The enabled red-on-yellow entry went down with everything it has.
    QCOMPARE(d.table().Row(), 2);
    QCOMPARE(d.text(2, ScheduleColumn), QStringLiteral("60"));
    QCOMPARE(d.text(2, MessageColumn), QStringLiteral("Time's Up, Check Log"));
    QVERIFY(d.enabled(2));
    d.table().setRow(2);
    d.table().setCol(MessageColumn);
    QCOMPARE(d.table().CellBackColor(), 65535);
    QCOMPARE(d.table().CellForeColor(), 255);
    QCOMPARE(d.text(1, MessageColumn), QStringLiteral("Horizon"));
    QVERIFY(!d.enabled(1));
    d.table().setRow(1);
    QCOMPARE(d.table().CellBackColor(), d.table().BackColor());
    QCOMPARE(d.table().Rows(), 3); // the scratch row is gone

    d.pick(2, d.ui().mnuTimerMoveUp);
    QCOMPARE(d.table().Row(), 1);
    QCOMPARE(d.text(1, ScheduleColumn), QStringLiteral("60"));
    QVERIFY(d.enabled(1));
    QVERIFY(!d.enabled(2));
}

void TestRowMenu::insertAppendsEmptyDisabledEntryAndGrowsWindow()
{
    WindowDriver d;
    const Ui::frmMain& ui = d.ui();
    const int tableHeight = d.table().height();
    const int frameHeight = ui.frmTimer->height();
    const int soundTop = ui.frmSound->y();
    const int windowHeight = d.window.height();
    const int rowHeight = d.table().rowHeight(1);

    d.pick(1, ui.mnuTimerInsert);
    QCOMPARE(d.table().Rows(), 4);
    QCOMPARE(d.table().Row(), 3);
    QCOMPARE(d.text(3, ScheduleColumn), QString());
    QCOMPARE(d.text(3, MessageColumn), QString());
    QCOMPARE(d.text(3, OptionsColumn), QStringLiteral("?"));
    d.table().setRow(3);
    d.table().setCol(EnableColumn);
    QCOMPARE(d.table().CellPicture(), quintptr(0));
    QVERIFY(!d.enabled(3));
    QVERIFY(qAbs(d.table().height() - tableHeight - rowHeight) <= 1);
    QVERIFY(qAbs(ui.frmTimer->height() - frameHeight - rowHeight) <= 1);
    QVERIFY(qAbs(ui.frmSound->y() - soundTop - rowHeight) <= 1);
    QVERIFY(qAbs(d.window.height() - windowHeight - rowHeight) <= 1);

    // Enabling the new empty entry makes Start refuse it.
    d.click(3, EnableColumn);
    QVERIFY(d.enabled(3));
    QTest::mouseClick(ui.cmdStart, Qt::LeftButton);
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("Interval Error, "));
    QCOMPARE(d.window.statePanel()->text(), QStringLiteral("Stopped"));
}

void TestRowMenu::deleteClosesTheGapWithoutArranging()
{
    WindowDriver d;
    d.pick(1, d.ui().mnuTimerInsert);
    d.setEntry(3, QStringLiteral("5"), QStringLiteral("Third"), false);
    const int tableHeight = d.table().height();
    const int windowHeight = d.window.height();
    d.pick(2, d.ui().mnuTimerDelete);
    QCOMPARE(d.table().Rows(), 3);
    QCOMPARE(d.text(2, ScheduleColumn), QStringLiteral("5"));
    QCOMPARE(d.text(2, MessageColumn), QStringLiteral("Third"));
    QVERIFY(!d.enabled(2));
    QVERIFY(d.enabled(1));
    QCOMPARE(d.table().height(), tableHeight);
    QCOMPARE(d.window.height(), windowHeight);
}

void TestRowMenu::colourCommands()
{
    WindowDriver d;
    TableControl& t = d.table();
    auto messageColours = [&](int row) {
        t.setRow(row);
        t.setCol(MessageColumn);
        return std::pair{t.CellBackColor(), t.CellForeColor()};
    };

    answerColorDialog(QColor(0x12, 0x34, 0x56));
    d.pick(2, d.ui().mnuTimerBackColor);
    QTRY_COMPARE(messageColours(2).first, 0x563412);
    QCOMPARE(t.item(2, MessageColumn)->background().color(), QColor(0x12, 0x34, 0x56));

    answerColorDialog(QColor()); // cancelled
    d.pick(2, d.ui().mnuTimerForeColor);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(messageColours(2).second, kSysWindowText);

    answerColorDialog(QColor(0, 128, 0));
    d.pick(2, d.ui().mnuTimerForeColor);
    QTRY_COMPARE(messageColours(2).second, 0x008000);

    d.pick(1, d.ui().mnuTimerResetColor);
    QCOMPARE(messageColours(1), std::pair(t.BackColor(), t.ForeColor()));
    QCOMPARE(messageColours(2), std::pair(0x563412, 0x008000)); // only the chosen row
}

VT_TEST_MAIN(TestRowMenu, "Europe/London")
#include "tst_rowmenu.moc"
