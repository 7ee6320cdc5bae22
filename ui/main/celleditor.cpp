// SPDX-License-Identifier: MIT
// Editing alarm entries in place: a click on a schedule or message cell lays
// the text box txtTimer over it, a click on an enable cell flips the entry,
// Tab and Shift+Tab walk from cell to cell. Whatever is typed is in the cell
// at once; there is nothing to commit or cancel.
#include "core/alarmtable.h"
#include "core/tablecontrol.h"
#include "ui/main/frmMain.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace vt
{

namespace
{

constexpr int kTabKey = 9;
const char* const kSavedPolicy = "vtSavedFocusPolicy";

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

int firstSpanContaining(int count, int point, const std::function<int(int)>& start,
                        const std::function<int(int)>& size)
{
    for (int i = 0; i < count; ++i) {
        const int from = start(i);
        if (from <= point && point <= from + size(i))
            return i;
    }
    return -1;
}

} // namespace

void frmMain::connectTable(TableControl* table)
{
    connect(table, &TableControl::MouseMove, this,
            [this, table](int button, int shift, int x, int y) {
                grdTimer_MouseMove(table, button, shift, x, y);
            });
    connect(table, &TableControl::MouseUp, this,
            [this, table](int button, int shift, int x, int y) {
                grdTimer_MouseUp(table, button, shift, x, y);
            });
    // Keyboard users reach the same editor and menu from the table's cursor.
    connect(table, &TableControl::CellActivated, this, [this, table](int row, int col) {
        if (row < 1)
            return;
        if (col == OptionsColumn)
            openRowMenu(*table, row, col, table->cellCenterGlobal(row, col));
        else
            OpenCellEditor(*table, row, col);
    });
    connect(table, &TableControl::CellMenuRequested, this, [this, table](int row, int col) {
        if (row >= 1)
            openRowMenu(*table, row, col, table->cellCenterGlobal(row, col));
    });
}

CellHit frmMain::HitTestCell(const TableControl& table, int x, int y)
{
    CellHit hit;
    hit.col = firstSpanContaining(
        table.Cols(), x, [&table](int c) { return table.ColPos(c); },
        [&table](int c) { return table.ColWidth(c); });
    hit.row = firstSpanContaining(
        table.Rows(), y, [&table](int r) { return table.RowPos(r); },
        [&table](int r) { return table.RowHeight(r); });
    return hit;
}

void frmMain::grdTimer_MouseMove(TableControl* table, int /*button*/, int /*shift*/, int x, int y)
{
    UpdateTableToolTip(*table, x, y);
}

void frmMain::grdTimer_MouseUp(TableControl* table, int button, int shift, int x, int y)
{
    setStatusText(QString());
    HandleTableClick(*table, button, shift, x, y);
}

void frmMain::UpdateTableToolTip(TableControl& table, int x, int y)
{
    QString tip;
    switch (table.MouseCol()) {
    case EnableColumn:
        tip = QStringLiteral("Enable/Disable");
        break;
    case ScheduleColumn:
        if (timerMode() == IntervalMode)
            tip = QStringLiteral("Interval (Minutes)");
        else if (timerMode() == TimeMode)
            tip = QStringLiteral("Time (hh:mm:ss)");
        break;
    case MessageColumn:
        tip = ui.cmbSound->currentIndex() == 2 ? QStringLiteral("Message to Display and Speak")
                                               : QStringLiteral("Message to Display");
        break;
    case OptionsColumn:
        tip = HitTestCell(table, x, y).row == 0 ? QStringLiteral("Additional Options")
                                                : QStringLiteral("Click for Additional Options");
        break;
    default:
        break;
    }
    table.setToolTip(QString());
    table.setToolTip(tip);
}

void frmMain::HandleTableClick(TableControl& table, int button, int /*shift*/, int x, int y)
{
    if (button != 1 && button != 2)
        return;
    CellHit hit = HitTestCell(table, x, y);
    if (hit.row < 1 || hit.col < 0)
        return;
    const QPoint at = table.mapToGlobal(QPoint(tw(x), tw(y)));
    if (button == 2 || hit.col == OptionsColumn)
        openRowMenu(table, hit.row, hit.col, at);
    else
        OpenCellEditor(table, hit.row, hit.col);
}

void frmMain::openRowMenu(TableControl& table, int row, int col, const QPoint& globalPos)
{
    table.setRow(row);
    table.setCol(col);
    mnuTimer_Click();
    ui.mnuTimer->popup(globalPos);
}

void frmMain::OpenCellEditor(TableControl& table, int& row, int& col)
{
    const int rows = table.Rows();
    const int cols = table.Cols();
    if (col >= cols) {
        ++row;
        col = 0;
    } else if (col < 0) {
        --row;
        col = cols - 1;
    }
    if (row >= rows)
        row = 1;
    else if (row < 1)
        row = rows - 1;

    table.setRow(row);
    table.setCol(col);
    placeEditor(table);
    // Screen readers name the editor after the column it edits.
    if (const QTableWidgetItem* header = table.horizontalHeaderItem(col))
        ui.txtTimer->setAccessibleName(header->text());
    ui.txtTimer->setText(table.Text());
    QPalette p = ui.txtTimer->palette();
    p.setColor(QPalette::Base, toQColor(table.CellBackColor(), table.palette()));
    p.setColor(QPalette::Text, toQColor(table.CellForeColor(), table.palette()));
    ui.txtTimer->setPalette(p);

    if (col == EnableColumn) {
        SetEntryEnabled(table, row, col, !IsEntryEnabled(table, row, col));
        return;
    }
    ui.txtTimer->show();
    ui.txtTimer->raise();
    ui.txtTimer->setFocus(Qt::OtherFocusReason);
}

void frmMain::placeEditor(const TableControl& table)
{
    // The editor and the tables share the frame, so the table's own place counts.
    ui.txtTimer->setGeometry(table.x() + tw(table.CellLeft()), table.y() + tw(table.CellTop()),
                             tw(table.CellWidth()), tw(table.CellHeight()));
}

void frmMain::txtTimer_Change(const QString& text)
{
    currentTable().setText(text);
}

void frmMain::txtTimer_KeyDown(int keyCode, int shift)
{
    if (keyCode != kTabKey)
        return;
    TableControl& table = currentTable();
    int row = table.Row();
    int col = table.Col() + (shift == 0 ? 1 : -1);
    OpenCellEditor(table, row, col);
}

void frmMain::txtTimer_GotFocus()
{
    // No tab stops while editing, so Tab and Shift+Tab stay with the editor.
    SetTabStops(false);
}

void frmMain::txtTimer_LostFocus()
{
    ui.txtTimer->hide();
    SetTabStops(true);
}

void frmMain::SetTabStops(bool flag)
{
    const auto controls = findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (control->isHidden())
            continue;
        const QVariant saved = control->property(kSavedPolicy);
        if (flag && saved.isValid()) {
            control->setFocusPolicy(Qt::FocusPolicy(saved.toInt()));
            control->setProperty(kSavedPolicy, QVariant());
        } else if (!flag && (control->focusPolicy() & Qt::TabFocus)) {
            control->setProperty(kSavedPolicy, int(control->focusPolicy()));
            control->setFocusPolicy(Qt::FocusPolicy(control->focusPolicy() & ~Qt::TabFocus));
        }
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (m_closeRefused && isOtherUserAction(watched, event))
        armCloseWithoutSaving(false);
    if (watched != ui.txtTimer)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            const int shift = shiftCode(key->modifiers()) | (key->key() == Qt::Key_Backtab);
            txtTimer_KeyDown(kTabKey, shift);
            return true;
        }
        if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
            key->key() == Qt::Key_Enter) {
            // Back to the table's cursor on the same cell, for keyboard users.
            TableControl& table = currentTable();
            table.setCurrentCell(table.Row(), table.Col());
            table.setFocus(Qt::OtherFocusReason);
            return true;
        }
        break;
    }
    case QEvent::FocusIn:
        txtTimer_GotFocus();
        break;
    case QEvent::FocusOut: {
        // A popup menu or another application taking the keyboard for a
        // while does not end editing.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            txtTimer_LostFocus();
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vt
