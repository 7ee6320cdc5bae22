// SPDX-License-Identifier: MIT
#include "ui/main/alarmtablemodel.h"

#include "resources/images.h"

#include <QFont>

namespace vt
{

AlarmTableModel::AlarmTableModel(TimerMode mode, QObject* parent)
    : QAbstractTableModel(parent), m_mode(mode), m_enabled(enableCellImage(true)),
      m_disabled(enableCellImage(false))
{
    SetupTableColumns(mode, m_table);
}

void AlarmTableModel::setTable(const AlarmTable& table)
{
    beginResetModel();
    m_table = table;
    endResetModel();
}

int AlarmTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.entries();
}

int AlarmTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant AlarmTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int row = tableRow(index);
    const int col = index.column();
    const AlarmCell& cell = m_table.cell(row, col);
    const EnableMark mark = m_table.row(row).mark;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell.text;
    case Qt::DecorationRole:
        if (col == EnableColumn && mark != EnableMark::None)
            return mark == EnableMark::Enabled ? m_enabled : m_disabled;
        return {};
    case Qt::FontRole:
        if (cell.bold) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        return cell.centred ? QVariant(int(Qt::AlignCenter)) : QVariant();
    case Qt::AccessibleTextRole:
        // The enable and options cells hold a picture and a "?": screen
        // readers say what they mean.
        if (col == EnableColumn)
            return mark == EnableMark::Enabled ? tr("Enabled") : tr("Disabled");
        if (col == OptionsColumn)
            return tr("Options");
        return {};
    case Qt::AccessibleDescriptionRole:
        if (col == EnableColumn)
            return QStringLiteral("Enable/Disable");
        if (col == OptionsColumn)
            return QStringLiteral("Click for Additional Options");
        return {};
    case BackColorRole:
        return cell.back;
    case ForeColorRole:
        return cell.fore;
    case MarkRole:
        return int(mark);
    default:
        return {};
    }
}

QVariant AlarmTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return m_table.text(0, section);
    case Qt::AccessibleTextRole:
        // The enable and options columns have no header text; screen readers
        // say what their tool tips say.
        if (section == EnableColumn)
            return QStringLiteral("Enable/Disable");
        if (section == OptionsColumn)
            return QStringLiteral("Additional Options");
        return m_table.text(0, section);
    case BackColorRole:
        return m_table.cell(0, section).back;
    default:
        return {};
    }
}

bool AlarmTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const int row = tableRow(index);
    AlarmCell& cell = m_table.cell(row, index.column());
    switch (role) {
    case Qt::EditRole:
    case Qt::DisplayRole:
        cell.text = value.toString();
        break;
    case BackColorRole:
        cell.back = value.toInt();
        break;
    case ForeColorRole:
        cell.fore = value.toInt();
        break;
    case MarkRole:
        m_table.row(row).mark = EnableMark(value.toInt());
        break;
    default:
        return false;
    }
    emit dataChanged(index, index, {role});
    return true;
}

Qt::ItemFlags AlarmTableModel::flags(const QModelIndex& index) const
{
    // Cells are edited through the window's own editor, never the view's.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void AlarmTableModel::setEntryEnabled(int row, bool enabled)
{
    SetEntryEnabled(m_table, row, enabled);
    cellsChanged(row, EnableColumn, EnableColumn);
}

void AlarmTableModel::cellsChanged(int row, int firstColumn, int lastColumn)
{
    emit dataChanged(cellIndex(row, firstColumn), cellIndex(row, lastColumn));
}

bool AlarmTableModel::insertRows(int row, int count, const QModelIndex& parent)
{
    // New entries always go at the end, as Insert appends them.
    if (parent.isValid() || count < 1 || row != rowCount())
        return false;
    beginInsertRows({}, row, row + count - 1);
    const int first = m_table.Rows();
    m_table.setRows(first + count);
    for (int r = first; r < m_table.Rows(); ++r)
        FormatTableRow(m_table, r);
    endInsertRows();
    return true;
}

bool AlarmTableModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row + count > rowCount())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        m_table.removeRow(row + 1);
    endRemoveRows();
    return true;
}

bool AlarmTableModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                               const QModelIndex& destinationParent, int destinationChild)
{
    // One entry with the one above or below it.
    const bool up = destinationChild == sourceRow - 1;
    const bool down = destinationChild == sourceRow + 2;
    if (sourceParent.isValid() || destinationParent.isValid() || count != 1 || !(up || down) ||
        sourceRow < 0 || sourceRow >= rowCount() || destinationChild < 0 ||
        destinationChild > rowCount())
        return false;
    if (!beginMoveRows({}, sourceRow, sourceRow, {}, destinationChild))
        return false;
    const int from = sourceRow + 1;
    SwapRows(m_table, from, up ? from - 1 : from + 1);
    endMoveRows();
    return true;
}

} // namespace vt
