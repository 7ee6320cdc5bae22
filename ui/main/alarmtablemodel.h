// SPDX-License-Identifier: MIT
// The model of one alarm table: it owns the table's values, and the grid is a
// view of it. Its rows are the entries (model row 0 is entry 1); the table's
// header row is the model's horizontal header, so it stays as the grid scrolls.
#pragma once

#include "core/alarmtable.h"

#include <QAbstractTableModel>
#include <QIcon>

namespace vt
{

class AlarmTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The colour values of a cell, resolved against the view's palette only
    // where they are painted; and the enable cell's mark.
    enum Role { BackColorRole = Qt::UserRole + 1, ForeColorRole, MarkRole };

    AlarmTableModel(TimerMode mode, QObject* parent = nullptr);

    TimerMode mode() const { return m_mode; }
    const AlarmTable& table() const { return m_table; }
    // Takes a whole table in (loading, the built-in schedule).
    void setTable(const AlarmTable& table);

    // The cell of a table row (1 for the first entry) and the way back.
    QModelIndex cellIndex(int row, int col) const { return index(row - 1, col); }
    static int tableRow(const QModelIndex& index) { return index.isValid() ? index.row() + 1 : 0; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Text (Qt::EditRole), colour values and the mark.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Appends formatted, empty entries with no mark (Insert); removes entries
    // (Delete); exchanges an entry with its neighbour, everything it has going
    // with it (Move Up, Move Down).
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;

    bool isEntryEnabled(int row) const { return IsEntryEnabled(m_table, row); }
    void setEntryEnabled(int row, bool enabled);

private:
    void cellsChanged(int row, int firstColumn, int lastColumn);

    TimerMode m_mode;
    AlarmTable m_table;
    QIcon m_enabled;
    QIcon m_disabled;
};

} // namespace vt
