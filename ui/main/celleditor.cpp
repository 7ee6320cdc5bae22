// SPDX-License-Identifier: MIT
#include "ui/main/celleditor.h"

#include "ui/common/palette.h"
#include "ui/common/twips.h"
#include "ui/main/alarmtableview.h"
#include "ui/main/frmMain.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

#include <functional>

namespace vt
{

namespace
{

const char* const kSavedPolicy = "vtSavedFocusPolicy";

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

CellEditor::CellEditor(frmMain& window) : QObject(&window), m_window(window)
{
    for (int mode = 0; mode < 2; ++mode)
        connectTable(window.grdTimer(mode));
    QLineEdit* editor = window.form().txtTimer;
    connect(editor, &QLineEdit::textChanged, this, &CellEditor::txtTimer_Change);
    editor->installEventFilter(this);
}

void CellEditor::connectTable(AlarmTableView* table)
{
    connect(table, &AlarmTableView::MouseMove, this,
            [this, table](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint at) {
                grdTimer_MouseMove(*table, at);
            });
    connect(table, &AlarmTableView::MouseUp, this,
            [this, table](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint at) {
                grdTimer_MouseUp(*table, button, at);
            });
    // Keyboard users reach the same editor and menu from the table's cursor.
    connect(table, &AlarmTableView::CellActivated, this, [this, table](int row, int col) {
        if (col == OptionsColumn)
            emit rowMenuRequested(table, row, col, table->cellCenterGlobal(row, col));
        else
            OpenCellEditor(*table, row, col);
    });
    connect(table, &AlarmTableView::CellMenuRequested, this, [this, table](int row, int col) {
        emit rowMenuRequested(table, row, col, table->cellCenterGlobal(row, col));
    });
    // The editor stays on its cell as the table scrolls.
    for (QScrollBar* bar : {table->verticalScrollBar(), table->horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, &CellEditor::followScroll);
}

CellHit CellEditor::HitTestCell(const AlarmTableView& table, int x, int y)
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

void CellEditor::grdTimer_MouseMove(AlarmTableView& table, QPoint at)
{
    UpdateTableToolTip(table, at.x(), at.y());
}

void CellEditor::grdTimer_MouseUp(AlarmTableView& table, Qt::MouseButton button, QPoint at)
{
    m_window.setStatusText(QString());
    HandleTableClick(table, button, at.x(), at.y());
}

void CellEditor::UpdateTableToolTip(AlarmTableView& table, int x, int y)
{
    QString tip;
    switch (table.MouseCol()) {
    case EnableColumn:
        tip = QStringLiteral("Enable/Disable");
        break;
    case ScheduleColumn:
        tip = m_window.timerMode() == TimerMode::Interval ? QStringLiteral("Interval (Minutes)")
                                                          : QStringLiteral("Time (hh:mm:ss)");
        break;
    case MessageColumn:
        tip = m_window.soundMode() == SoundMode::Speech
                  ? QStringLiteral("Message to Display and Speak")
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

void CellEditor::HandleTableClick(AlarmTableView& table, Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;
    CellHit hit = HitTestCell(table, x, y);
    if (hit.row < 1 || hit.col < 0)
        return;
    const QPoint at = table.mapToGlobal(QPoint(twipsToPixels(x, table), twipsToPixels(y, table)));
    if (button == Qt::RightButton || hit.col == OptionsColumn)
        emit rowMenuRequested(&table, hit.row, hit.col, at);
    else
        OpenCellEditor(table, hit.row, hit.col);
}

void CellEditor::OpenCellEditor(AlarmTableView& table, int& row, int& col)
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
    if (row < 1)
        return; // a table without entries has no cell to edit

    AlarmTableModel& model = *table.alarmModel();
    m_table = &table;
    m_editing = model.cellIndex(row, col);
    table.setCurrentCell(row, col);
    table.scrollTo(m_editing);
    placeEditor();
    QLineEdit* editor = m_window.form().txtTimer;
    // Screen readers name the editor after the column it edits.
    editor->setAccessibleName(
        model.headerData(col, Qt::Horizontal, Qt::AccessibleTextRole).toString());
    const AlarmCell& cell = model.table().cell(row, col);
    editor->setText(cell.text);
    QPalette p = editor->palette();
    p.setColor(QPalette::Base, toQColor(cell.back, table.palette()));
    p.setColor(QPalette::Text, toQColor(cell.fore, table.palette()));
    editor->setPalette(p);

    if (col == EnableColumn) {
        model.setEntryEnabled(row, !model.isEntryEnabled(row));
        return;
    }
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
}

// The editor and the tables share the frame, so the table's own place counts.
void CellEditor::placeEditor()
{
    if (!m_table || !m_editing.isValid())
        return;
    const QRect cell = m_table->cellRect(AlarmTableModel::tableRow(m_editing), m_editing.column());
    QLineEdit* editor = m_window.form().txtTimer;
    editor->setGeometry(QRect(m_table->mapTo(editor->parentWidget(), cell.topLeft()), cell.size()));
}

// Scrolled, the editor moves with its cell, and ends once the cell leaves the
// part of the table that shows.
void CellEditor::followScroll()
{
    if (!isEditing())
        return;
    const QRect cell = m_table->cellRect(AlarmTableModel::tableRow(m_editing), m_editing.column());
    const QRect shown(m_table->viewport()->pos(), m_table->viewport()->size());
    if (shown.contains(cell))
        placeEditor();
    else
        endCellEditing();
}

void CellEditor::txtTimer_Change(const QString& text)
{
    if (m_table && m_editing.isValid())
        m_table->alarmModel()->setData(m_editing, text);
}

void CellEditor::txtTimer_KeyDown(Qt::KeyboardModifiers modifiers)
{
    if (!m_table || !m_editing.isValid())
        return;
    int row = AlarmTableModel::tableRow(m_editing);
    int col = m_editing.column() + (modifiers == Qt::NoModifier ? 1 : -1);
    OpenCellEditor(*m_table, row, col);
}

void CellEditor::txtTimer_GotFocus()
{
    // No tab stops while editing, so Tab and Shift+Tab stay with the editor.
    SetTabStops(false);
}

void CellEditor::txtTimer_LostFocus()
{
    m_window.form().txtTimer->hide();
    SetTabStops(true);
}

bool CellEditor::isEditing() const
{
    return m_table && m_window.form().txtTimer->isVisible();
}

void CellEditor::endCellEditing()
{
    if (!isEditing())
        return;
    // The keyboard goes back to the table's cursor. Hiding the editor alone
    // would leave it the focus, since no other control is a tab stop while
    // editing, and keystrokes would still reach the cell.
    m_table->setFocus(Qt::OtherFocusReason);
    txtTimer_LostFocus();
}

void CellEditor::SetTabStops(bool flag)
{
    const auto controls = m_window.findChildren<QWidget*>();
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

bool CellEditor::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            // Shift, Ctrl or Alt with Tab goes back.
            const Qt::KeyboardModifiers modifiers =
                key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
            txtTimer_KeyDown(key->key() == Qt::Key_Backtab ? modifiers | Qt::ShiftModifier
                                                           : modifiers);
            return true;
        }
        if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
            key->key() == Qt::Key_Enter) {
            // Back to the table's cursor on the same cell, for keyboard users.
            endCellEditing();
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
    return QObject::eventFilter(watched, event);
}

} // namespace vt
