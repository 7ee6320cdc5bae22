// SPDX-License-Identifier: MIT
// The row commands of the Timer popup menu: colours, moving, appending and
// deleting entries of the current table.
#include "core/alarmtable.h"
#include "core/tablecontrol.h"
#include "ui/main/frmMain.h"

#include <QColorDialog>

namespace vt
{

void frmMain::connectRowMenu()
{
    connect(ui.mnuTimerResetColor, &QAction::triggered, this, &frmMain::mnuTimerResetColor);
    connect(ui.mnuTimerBackColor, &QAction::triggered, this, &frmMain::mnuTimerBackColor);
    connect(ui.mnuTimerForeColor, &QAction::triggered, this, &frmMain::mnuTimerForeColor);
    connect(ui.mnuTimerMoveUp, &QAction::triggered, this, &frmMain::mnuTimerMoveUp);
    connect(ui.mnuTimerMoveDown, &QAction::triggered, this, &frmMain::mnuTimerMoveDown);
    connect(ui.mnuTimerInsert, &QAction::triggered, this, &frmMain::mnuTimerInsert);
    connect(ui.mnuTimerDelete, &QAction::triggered, this, &frmMain::mnuTimerDelete);
    connect(ui.mnuTimerSpeak, &QAction::triggered, this, &frmMain::mnuTimerSpeak);
}

void frmMain::mnuTimer_Click()
{
    const TableControl& table = currentTable();
    const int rows = table.Rows();
    const int row = table.Row();
    // No command leaves a table without entries or moves past its ends.
    ui.mnuTimerDelete->setEnabled(rows - 2 != 0);
    ui.mnuTimerMoveUp->setEnabled(row != 1);
    ui.mnuTimerMoveDown->setEnabled(row != rows - 1);
    ui.mnuTimerSpeak->setEnabled(ui.cmbSound->currentIndex() == 2);
}

void frmMain::mnuTimerResetColor()
{
    TableControl& table = currentTable();
    table.setCol(MessageColumn);
    table.setCellBackColor(table.BackColor());
    table.setCellForeColor(table.ForeColor());
    QPalette p = ui.txtTimer->palette();
    p.setColor(QPalette::Base, toQColor(table.BackColor(), table.palette()));
    p.setColor(QPalette::Text, toQColor(table.ForeColor(), table.palette()));
    ui.txtTimer->setPalette(p);
}

void frmMain::mnuTimerBackColor()
{
    chooseMessageColor(true);
}

void frmMain::mnuTimerForeColor()
{
    chooseMessageColor(false);
}

void frmMain::chooseMessageColor(bool background)
{
    TableControl& table = currentTable();
    table.setCol(MessageColumn);
    const ColorValue current = background ? table.CellBackColor() : table.CellForeColor();
    // The dialog opens on the cell's colour; cancelling it changes nothing.
    // Window-modal, so that an alarm coming meanwhile can still be answered.
    QColorDialog dialog(toQColor(current, table.palette()), this);
    dialog.setWindowTitle(background ? tr("Back Color") : tr("Fore Color"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor chosen = dialog.selectedColor();
    const ColorValue value = fromQColor(chosen);
    QPalette p = ui.txtTimer->palette();
    if (background) {
        table.setCellBackColor(value);
        p.setColor(QPalette::Base, chosen);
    } else {
        table.setCellForeColor(value);
        p.setColor(QPalette::Text, chosen);
    }
    ui.txtTimer->setPalette(p);
}

void frmMain::mnuTimerMoveUp()
{
    TableControl& table = currentTable();
    const int row = table.Row();
    if (row > 1)
        SwapRows(table, row, row - 1);
}

void frmMain::mnuTimerMoveDown()
{
    TableControl& table = currentTable();
    const int row = table.Row();
    if (row >= 1 && row < table.Rows() - 1)
        SwapRows(table, row, row + 1);
}

void frmMain::mnuTimerInsert()
{
    TableControl& table = currentTable();
    if (table.Rows() - 1 >= kMaxEntries) {
        setStatusText(QStringLiteral("Table Full, %1 entries").arg(kMaxEntries));
        beep();
        return;
    }
    table.setRows(table.Rows() + 1);
    FormatTableRow(table, table.Rows() - 1);
    ArrangeWindow();
}

void frmMain::mnuTimerDelete()
{
    // The table keeps its height until the next arrangement.
    TableControl& table = currentTable();
    if (table.Rows() > 2 && table.Row() >= 1)
        table.RemoveItem(table.Row());
}

} // namespace vt

namespace vt
{

void frmMain::mnuTimerSpeak()
{
    TableControl& table = currentTable();
    table.setCol(MessageColumn);
    SpeechSpeak(table.Text(), false);
}

} // namespace vt
