// SPDX-License-Identifier: MIT
#include "ui/main/alarmtableview.h"

#include "ui/common/palette.h"
#include "ui/common/twips.h"
#include "ui/main/alarmtablemodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace vt
{

namespace
{

// Paints each cell in its own colours, system colours taken from the grid's
// palette as it is now.
class AlarmCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QPalette palette = option->widget ? option->widget->palette() : option->palette;
        option->backgroundBrush =
            toQColor(index.data(AlarmTableModel::BackColorRole).toInt(), palette);
        const QColor fore = toQColor(index.data(AlarmTableModel::ForeColorRole).toInt(), palette);
        option->palette.setColor(QPalette::Text, fore);
        option->palette.setColor(QPalette::HighlightedText, fore);
    }
};

QString columnTemplate(TimerMode mode, int col)
{
    switch (col) {
    case EnableColumn:
        return QStringLiteral("-----");
    case ScheduleColumn:
        // Wide enough for a time of day with its seconds, in any font.
        return mode == TimerMode::Interval ? QStringLiteral("-Interval-")
                                           : QStringLiteral("---Time---");
    case MessageColumn:
        return QString(34, QLatin1Char('X'));
    default:
        return QStringLiteral("-?-");
    }
}

} // namespace

AlarmTableView::AlarmTableView(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new AlarmCellDelegate(this));
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    // Tab leaves the table for the next control, as everywhere else in the window.
    setTabKeyNavigation(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    horizontalHeader()->setMouseTracking(true);
    horizontalHeader()->viewport()->setMouseTracking(true);
    horizontalHeader()->viewport()->installEventFilter(this);
    // The context menu comes from the window's row commands, on the mouse-up.
    setContextMenuPolicy(Qt::NoContextMenu);
    updateRowHeights();
}

void AlarmTableView::setAlarmModel(AlarmTableModel* model)
{
    m_model = model;
    setModel(model);
    setupColumns();
}

void AlarmTableView::setupColumns()
{
    if (!m_model)
        return;
    const QFontMetrics metrics(font());
    // The Time column must show "hh:mm:ss" whole, which some fonts draw wider
    // than its template.
    const int schedule = std::max(metrics.horizontalAdvance(columnTemplate(m_model->mode(), 1)),
                                  metrics.horizontalAdvance(QStringLiteral("00:00:00")) +
                                      2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 4);
    for (int c = 0; c < kColumns; ++c)
        setColumnWidth(c, c == ScheduleColumn
                              ? schedule
                              : metrics.horizontalAdvance(columnTemplate(m_model->mode(), c)));
}

int AlarmTableView::Rows() const
{
    return m_model ? m_model->rowCount() + 1 : 1;
}

int AlarmTableView::Cols() const
{
    return kColumns;
}

int AlarmTableView::Row() const
{
    return AlarmTableModel::tableRow(currentIndex());
}

int AlarmTableView::Col() const
{
    return currentIndex().isValid() ? currentIndex().column() : 0;
}

void AlarmTableView::setCurrentCell(int row, int col)
{
    if (m_model && row >= 1)
        setCurrentIndex(m_model->cellIndex(row, col));
}

int AlarmTableView::edgeTwips(int pixels) const
{
    return pixelsToTwips(pixels, *this);
}

// Widths and heights are differences of converted edges, so that positions
// add up exactly in twips: row r + 1 starts where row r ends.
int AlarmTableView::ColPos(int col) const
{
    return edgeTwips(viewport()->x() + columnViewportPosition(col));
}

int AlarmTableView::ColWidth(int col) const
{
    return edgeTwips(viewport()->x() + columnViewportPosition(col) + columnWidth(col)) -
           ColPos(col);
}

int AlarmTableView::RowPos(int row) const
{
    if (row == 0)
        return edgeTwips(horizontalHeader()->y());
    return edgeTwips(viewport()->y() + rowViewportPosition(row - 1));
}

int AlarmTableView::RowHeight(int row) const
{
    if (row == 0)
        return edgeTwips(horizontalHeader()->geometry().bottom() + 1) - RowPos(0);
    return edgeTwips(viewport()->y() + rowViewportPosition(row - 1) + rowHeight(row - 1)) -
           RowPos(row);
}

int AlarmTableView::contentHeight() const
{
    const int rows = m_model ? m_model->rowCount() : 0;
    return 2 * frameWidth() + horizontalHeader()->height() +
           rows * verticalHeader()->defaultSectionSize();
}

QRect AlarmTableView::cellRect(int row, int col) const
{
    const int x = viewport()->x() + columnViewportPosition(col);
    if (row == 0)
        return {x, horizontalHeader()->y(), columnWidth(col), horizontalHeader()->height()};
    const QRect cell = visualRect(m_model->cellIndex(row, col));
    return cell.translated(viewport()->pos());
}

QPoint AlarmTableView::cellCenterGlobal(int row, int col) const
{
    return mapToGlobal(cellRect(row, col).center());
}

QPoint AlarmTableView::twipsAt(const QWidget* from, const QPointF& pos) const
{
    const QPoint at = from->mapTo(this, pos.toPoint());
    return {edgeTwips(at.x()), edgeTwips(at.y())};
}

void AlarmTableView::mouseAt(const QWidget* from, QMouseEvent* event, bool released)
{
    m_mouseCol = columnAt(from->mapTo(this, event->position().toPoint()).x() - viewport()->x());
    const QPoint at = twipsAt(from, event->position());
    if (released)
        emit MouseUp(event->button(), event->modifiers(), at);
    else
        emit MouseMove(event->buttons(), event->modifiers(), at);
}

void AlarmTableView::mouseMoveEvent(QMouseEvent* event)
{
    mouseAt(viewport(), event, false);
    QTableView::mouseMoveEvent(event);
}

void AlarmTableView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    mouseAt(viewport(), event, true);
}

// The header row answers the mouse as the entries do.
bool AlarmTableView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseMove)
            mouseAt(horizontalHeader()->viewport(), static_cast<QMouseEvent*>(event), false);
        else if (event->type() == QEvent::MouseButtonRelease)
            mouseAt(horizontalHeader()->viewport(), static_cast<QMouseEvent*>(event), true);
    }
    return QTableView::eventFilter(watched, event);
}

void AlarmTableView::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex cursor = currentIndex();
    const int key = event->key();
    const int row = AlarmTableModel::tableRow(cursor);
    if (cursor.isValid() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2 ||
                             key == Qt::Key_Space)) {
        emit CellActivated(row, cursor.column());
        return;
    }
    if (cursor.isValid() &&
        (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() & Qt::ShiftModifier))) {
        emit CellMenuRequested(row, cursor.column());
        return;
    }
    QTableView::keyPressEvent(event);
}

void AlarmTableView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateRowHeights();
        setupColumns();
    }
}

void AlarmTableView::updateRowHeights()
{
    // Room for the text or the 16-pixel enable picture, with a little air.
    const int height = qMax(fontMetrics().height(), 16) + 4;
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
    horizontalHeader()->setFixedHeight(height);
}

} // namespace vt
