// SPDX-License-Identifier: MIT
// Editing alarm entries in place: a click on a schedule or message cell lays
// the text box txtTimer over it, a click on an enable cell flips the entry,
// Tab and Shift+Tab walk from cell to cell. Whatever is typed is in the cell
// at once; there is nothing to commit or cancel. Also the tables' tool tips
// and the clicks that open the row menu.
#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>

namespace vt
{

class AlarmTableView;
class frmMain;

// A cell of a table, -1 where a point lies outside all rows or columns.
struct CellHit {
    int row = -1;
    int col = -1;
};

class CellEditor : public QObject
{
    Q_OBJECT

public:
    explicit CellEditor(frmMain& window);

    // The cell under a point, in twips from the table's top-left corner; a
    // point on the line between two cells belongs to the lower-numbered one.
    static CellHit HitTestCell(const AlarmTableView& table, int x, int y);
    // Opens the editor on a cell, the row and column wrapping round the table;
    // on an enable cell it flips the entry instead.
    void OpenCellEditor(AlarmTableView& table, int& row, int& col);
    // Hides the editor and gives the keyboard back to the table's cursor.
    void endCellEditing();
    bool isEditing() const;

signals:
    // A right click on an entry, a click on an options cell, or the Menu key.
    void rowMenuRequested(vt::AlarmTableView* table, int row, int col, QPoint globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectTable(AlarmTableView* table);
    void grdTimer_MouseMove(AlarmTableView& table, QPoint at);
    void grdTimer_MouseUp(AlarmTableView& table, Qt::MouseButton button, QPoint at);
    void UpdateTableToolTip(AlarmTableView& table, int x, int y);
    void HandleTableClick(AlarmTableView& table, Qt::MouseButton button, int x, int y);
    void txtTimer_Change(const QString& text);
    void txtTimer_KeyDown(Qt::KeyboardModifiers modifiers);
    void txtTimer_GotFocus();
    void txtTimer_LostFocus();
    void SetTabStops(bool flag);
    void placeEditor();
    void followScroll();

    frmMain& m_window;
    AlarmTableView* m_table = nullptr;
    // The cell being edited: typing goes there, wherever the cursor moves.
    QPersistentModelIndex m_editing;
};

} // namespace vt
