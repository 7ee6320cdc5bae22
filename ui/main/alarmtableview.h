// SPDX-License-Identifier: MIT
// The grid that shows an alarm table. Its header row stays in place as the
// entries scroll. Rows are counted as the table counts them: 0 the header,
// 1 the first entry; measures are in twips from the grid's top-left corner.
// The current cell is the grid's cursor.
#pragma once

#include <QPoint>
#include <QTableView>

namespace vt
{

class AlarmTableModel;

class AlarmTableView : public QTableView
{
    Q_OBJECT

public:
    explicit AlarmTableView(QWidget* parent = nullptr);

    void setAlarmModel(AlarmTableModel* model);
    AlarmTableModel* alarmModel() const { return m_model; }
    // Column widths from their templates, in the grid's font.
    void setupColumns();

    int Rows() const;
    int Cols() const;
    // The cursor's cell; row 0 while there is none.
    int Row() const;
    int Col() const;
    void setCurrentCell(int row, int col);

    int ColPos(int col) const;
    int ColWidth(int col) const;
    int RowPos(int row) const;
    int RowHeight(int row) const;
    // The column under the mouse pointer at the latest mouse event, -1 for none.
    int MouseCol() const { return m_mouseCol; }
    // The height, in pixels, at which every row shows without scrolling.
    int contentHeight() const;

    // A cell's rectangle in the grid's own coordinates, and its centre on the screen.
    QRect cellRect(int row, int col) const;
    QPoint cellCenterGlobal(int row, int col) const;

signals:
    // Enter, F2 or Space on the cursor's cell.
    void CellActivated(int row, int col);
    // The Menu key or Shift+F10 on the cursor's cell.
    void CellMenuRequested(int row, int col);
    // Positions in twips from the grid's top-left corner, header included.
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint at);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint twipsAt(const QWidget* from, const QPointF& pos) const;
    void mouseAt(const QWidget* from, QMouseEvent* event, bool released);
    int edgeTwips(int pixels) const;
    void updateRowHeights();

    AlarmTableModel* m_model = nullptr;
    int m_mouseCol = -1;
};

} // namespace vt
