// SPDX-License-Identifier: MIT
// The grid that holds an alarm table. Row 0 is a fixed header row drawn in the
// fixed-cell colour; every other row is an entry. All cell members act on the
// current cell, which stays where it was last put, so callers select a cell
// (setRow, setCol) before each access. Measures are in twips relative to the
// table's top-left corner, header row and column 0 counted like any other.
#pragma once

#include "core/colorvalue.h"
#include "core/picture.h"

#include <QTableWidget>

namespace vt
{

class ImageList;

class TableControl : public QTableWidget
{
    Q_OBJECT

public:
    explicit TableControl(QWidget* parent = nullptr);

    int Rows() const { return rowCount(); }
    void setRows(int rows);
    int Cols() const { return columnCount(); }
    void setCols(int cols);

    int Row() const { return m_row; }
    void setRow(int row);
    int Col() const { return m_col; }
    void setCol(int col);

    QString Text() const;
    void setText(const QString& text);
    ColorValue CellBackColor() const;
    void setCellBackColor(ColorValue color);
    ColorValue CellForeColor() const;
    void setCellForeColor(ColorValue color);
    // The handle of the cell's picture, 0 when it has none.
    quintptr CellPicture() const;
    // The enable pictures of the image list also set what a screen reader
    // says for the cell, "Enabled" or "Disabled"; any other picture clears it.
    void setCellPicture(const Picture& picture);
    // What a screen reader says for the cell instead of its text, for cells
    // whose text or picture means nothing read aloud; empty restores the text.
    void setCellAccessibleText(const QString& text, const QString& description = QString());
    // Reads an enable cell as "Enabled" or "Disabled", whatever it shows.
    void setCellEnableText(bool enabled);
    void setCellAlignment(Qt::Alignment alignment);
    void setCellFontBold(bool bold);

    int CellLeft() const { return ColPos(m_col); }
    int CellTop() const { return RowPos(m_row); }
    int CellWidth() const { return ColWidth(m_col); }
    int CellHeight() const { return RowHeight(m_row); }

    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    int ColPos(int col) const;
    int RowPos(int row) const;
    int RowHeight(int row) const;

    // The column under the mouse pointer at the latest mouse event, -1 for none.
    int MouseCol() const { return m_mouseCol; }

    void setRedraw(bool redraw) { setUpdatesEnabled(redraw); }
    void RemoveItem(int row);

    ColorValue BackColor() const { return m_backColor; }
    ColorValue ForeColor() const { return m_foreColor; }
    ColorValue BackColorFixed() const { return m_backColorFixed; }

    // The two enable-cell pictures the alarm cells use.
    void setImageList(const ImageList* images) { m_images = images; }
    const ImageList* imageList() const { return m_images; }

    // Converts a point of the viewport to twips relative to the table.
    QPoint toTableTwips(const QPointF& viewportPos) const;

    // The centre of a cell on the screen, where a keyboard-opened menu appears.
    QPoint cellCenterGlobal(int row, int col) const;

signals:
    // Enter, F2 or Space on the keyboard cursor's cell.
    void CellActivated(int row, int col);
    // The Menu key or Shift+F10 on the keyboard cursor's cell.
    void CellMenuRequested(int row, int col);
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt.
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTableWidgetItem* cell(int row, int col) const;
    int edgeTwips(int pixels) const;
    QTableWidgetItem* currentItem() const { return cell(m_row, m_col); }
    void fillEmptyCells();
    void applyColors(QTableWidgetItem* item) const;
    void refreshAllColors();
    void updateRowHeights();
    void trackMouse(const QMouseEvent* event);
    void updateColumnHeader(int col);

    int m_row = 0;
    int m_col = 0;
    int m_mouseCol = -1;
    ColorValue m_backColor = kSysWindowBackground;
    ColorValue m_foreColor = kSysWindowText;
    ColorValue m_backColorFixed = kSysButtonFace;
    const ImageList* m_images = nullptr;
};

} // namespace vt
