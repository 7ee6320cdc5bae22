// SPDX-License-Identifier: MIT
#include "core/tablecontrol.h"

#include "core/twips.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace vt
{

namespace
{

constexpr int kBackColorRole = Qt::UserRole + 1;
constexpr int kForeColorRole = Qt::UserRole + 2;
constexpr int kPictureRole = Qt::UserRole + 3;

int buttonCode(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

TableControl::TableControl(QWidget* parent) : QTableWidget(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    // Tab leaves the table for the next control, as everywhere else in the window.
    setTabKeyNavigation(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    // The context menu comes from the window's row commands, on the mouse-up.
    setContextMenuPolicy(Qt::NoContextMenu);
    updateRowHeights();
    setCols(4);
    setRows(2);
}

void TableControl::setRows(int rows)
{
    setRowCount(qMax(rows, 0));
    fillEmptyCells();
    m_row = qBound(0, m_row, qMax(rowCount() - 1, 0));
}

void TableControl::setCols(int cols)
{
    setColumnCount(qMax(cols, 0));
    fillEmptyCells();
    m_col = qBound(0, m_col, qMax(columnCount() - 1, 0));
}

void TableControl::setRow(int row)
{
    Q_ASSERT(row >= 0 && row < rowCount());
    if (row >= 0 && row < rowCount())
        m_row = row;
}

void TableControl::setCol(int col)
{
    Q_ASSERT(col >= 0 && col < columnCount());
    if (col >= 0 && col < columnCount())
        m_col = col;
}

QString TableControl::Text() const
{
    const QTableWidgetItem* item = currentItem();
    return item ? item->text() : QString();
}

void TableControl::setText(const QString& text)
{
    if (QTableWidgetItem* item = currentItem()) {
        item->setText(text);
        if (m_row == 0)
            updateColumnHeader(m_col);
    }
}

ColorValue TableControl::CellBackColor() const
{
    const QTableWidgetItem* item = currentItem();
    return item ? item->data(kBackColorRole).toInt() : m_backColor;
}

void TableControl::setCellBackColor(ColorValue color)
{
    if (QTableWidgetItem* item = currentItem()) {
        item->setData(kBackColorRole, color);
        applyColors(item);
    }
}

ColorValue TableControl::CellForeColor() const
{
    const QTableWidgetItem* item = currentItem();
    return item ? item->data(kForeColorRole).toInt() : m_foreColor;
}

void TableControl::setCellForeColor(ColorValue color)
{
    if (QTableWidgetItem* item = currentItem()) {
        item->setData(kForeColorRole, color);
        applyColors(item);
    }
}

quintptr TableControl::CellPicture() const
{
    const QTableWidgetItem* item = currentItem();
    return item ? quintptr(item->data(kPictureRole).toULongLong()) : 0;
}

void TableControl::setCellPicture(const Picture& picture)
{
    QTableWidgetItem* item = currentItem();
    if (!item)
        return;
    item->setData(kPictureRole, qulonglong(picture.handle));
    item->setData(Qt::DecorationRole, picture.isNull() ? QVariant() : QVariant(picture.icon));
    // Set here, with the picture, so that what is read can never disagree
    // with what is shown, however the picture came to the cell.
    const bool enabled =
        m_images && !picture.isNull() && picture.handle == m_images->enabledImage().handle;
    const bool disabled =
        m_images && !picture.isNull() && picture.handle == m_images->disabledImage().handle;
    if (enabled || disabled)
        setCellEnableText(enabled);
    else
        setCellAccessibleText(QString());
}

void TableControl::setCellEnableText(bool enabled)
{
    setCellAccessibleText(enabled ? tr("Enabled") : tr("Disabled"),
                          QStringLiteral("Enable/Disable"));
}

void TableControl::setCellAccessibleText(const QString& text, const QString& description)
{
    QTableWidgetItem* item = currentItem();
    if (!item)
        return;
    item->setData(Qt::AccessibleTextRole, text.isEmpty() ? QVariant() : QVariant(text));
    item->setData(Qt::AccessibleDescriptionRole,
                  description.isEmpty() ? QVariant() : QVariant(description));
    if (m_row == 0)
        updateColumnHeader(m_col);
}

void TableControl::setCellAlignment(Qt::Alignment alignment)
{
    if (QTableWidgetItem* item = currentItem())
        item->setTextAlignment(alignment);
}

void TableControl::setCellFontBold(bool bold)
{
    QTableWidgetItem* item = currentItem();
    if (!item)
        return;
    QFont f = item->data(Qt::FontRole).isValid() ? item->font() : font();
    f.setBold(bold);
    item->setFont(f);
}

// Widths and heights are differences of converted edges, so that positions
// add up exactly in twips: row r + 1 starts where row r ends.
int TableControl::ColWidth(int col) const
{
    return edgeTwips(viewport()->x() + columnViewportPosition(col) + columnWidth(col)) -
           ColPos(col);
}

void TableControl::setColWidth(int col, int twips)
{
    setColumnWidth(col, twipsToPixels(twips, *this));
}

int TableControl::ColPos(int col) const
{
    return edgeTwips(viewport()->x() + columnViewportPosition(col));
}

int TableControl::RowPos(int row) const
{
    return edgeTwips(viewport()->y() + rowViewportPosition(row));
}

int TableControl::RowHeight(int row) const
{
    return edgeTwips(viewport()->y() + rowViewportPosition(row) + rowHeight(row)) - RowPos(row);
}

int TableControl::edgeTwips(int pixels) const
{
    return pixelsToTwips(pixels, *this);
}

void TableControl::RemoveItem(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    removeRow(row);
    m_row = qBound(0, m_row, qMax(rowCount() - 1, 0));
}

QPoint TableControl::toTableTwips(const QPointF& viewportPos) const
{
    const QPointF p = viewportPos + QPointF(viewport()->pos());
    return {pixelsToTwips(int(p.x()), *this), pixelsToTwips(int(p.y()), *this)};
}

void TableControl::mouseMoveEvent(QMouseEvent* event)
{
    trackMouse(event);
    const QPoint at = toTableTwips(event->position());
    emit MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), at.x(), at.y());
    QTableWidget::mouseMoveEvent(event);
}

void TableControl::mousePressEvent(QMouseEvent* event)
{
    trackMouse(event);
    QTableWidget::mousePressEvent(event);
}

void TableControl::mouseReleaseEvent(QMouseEvent* event)
{
    trackMouse(event);
    QTableWidget::mouseReleaseEvent(event);
    const QPoint at = toTableTwips(event->position());
    emit MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), at.x(), at.y());
}

QPoint TableControl::cellCenterGlobal(int row, int col) const
{
    return viewport()->mapToGlobal(visualRect(model()->index(row, col)).center());
}

void TableControl::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex cursor = currentIndex();
    const int key = event->key();
    if (cursor.isValid() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2 ||
                             key == Qt::Key_Space)) {
        emit CellActivated(cursor.row(), cursor.column());
        return;
    }
    if (cursor.isValid() &&
        (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() & Qt::ShiftModifier))) {
        emit CellMenuRequested(cursor.row(), cursor.column());
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void TableControl::changeEvent(QEvent* event)
{
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        refreshAllColors();
    else if (event->type() == QEvent::FontChange)
        updateRowHeights();
}

QTableWidgetItem* TableControl::cell(int row, int col) const
{
    return item(row, col);
}

void TableControl::fillEmptyCells()
{
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            if (item(r, c))
                continue;
            auto* fresh = new QTableWidgetItem;
            fresh->setFlags(Qt::ItemIsEnabled);
            fresh->setData(kBackColorRole, r == 0 ? m_backColorFixed : m_backColor);
            fresh->setData(kForeColorRole, m_foreColor);
            applyColors(fresh);
            setItem(r, c, fresh);
        }
    }
}

void TableControl::applyColors(QTableWidgetItem* item) const
{
    item->setBackground(toQColor(item->data(kBackColorRole).toInt(), palette()));
    item->setForeground(toQColor(item->data(kForeColorRole).toInt(), palette()));
}

void TableControl::refreshAllColors()
{
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QTableWidgetItem* item = cell(r, c))
                applyColors(item);
}

void TableControl::updateRowHeights()
{
    // Room for the text or the 16-pixel enable picture, with a little air.
    const int height = qMax(fontMetrics().height(), 16) + 4;
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
}

// Row 0 is drawn as an ordinary row, so the table's own header stays hidden;
// screen readers still read it to name the column of a cell, so it carries
// the same words as row 0.
void TableControl::updateColumnHeader(int col)
{
    const QTableWidgetItem* header = cell(0, col);
    if (!header)
        return;
    QString label = header->data(Qt::AccessibleTextRole).toString();
    if (label.isEmpty())
        label = header->text();
    if (QTableWidgetItem* item = horizontalHeaderItem(col))
        item->setText(label);
    else
        setHorizontalHeaderItem(col, new QTableWidgetItem(label));
}

void TableControl::trackMouse(const QMouseEvent* event)
{
    m_mouseCol = columnAt(int(event->position().x()));
}

} // namespace vt
