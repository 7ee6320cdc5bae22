// SPDX-License-Identifier: MIT
#include "core/alarmtable.h"

#include <utility>

namespace vt
{

namespace
{

AlarmRow headerRow()
{
    AlarmRow header;
    for (AlarmCell& cell : header.cells)
        cell.back = AlarmTable::BackColorFixed;
    return header;
}

} // namespace

AlarmTable::AlarmTable() : m_rows{headerRow(), AlarmRow{}} {}

void AlarmTable::setRows(int rows)
{
    m_rows.resize(std::max(rows, 1));
}

void AlarmTable::removeRow(int r)
{
    if (r >= 1 && r < Rows())
        m_rows.removeAt(r);
}

void AlarmTable::moveRow(int from, int to)
{
    if (from >= 1 && from < Rows() && to >= 1 && to < Rows())
        m_rows.move(from, to);
}

void SetupTableColumns(TimerMode mode, AlarmTable& table)
{
    AlarmCell& schedule = table.cell(0, ScheduleColumn);
    schedule.text =
        mode == TimerMode::Interval ? QStringLiteral("Interval") : QStringLiteral("Time");
    schedule.centred = true;
    AlarmCell& message = table.cell(0, MessageColumn);
    message.text = QStringLiteral("Message");
    message.centred = true;
}

void FormatTableRow(AlarmTable& table, int row)
{
    for (int c = 0; c < kColumns; ++c) {
        AlarmCell& cell = table.cell(row, c);
        if (c == OptionsColumn) {
            cell.text = QStringLiteral("?");
            cell.back = AlarmTable::BackColorFixed;
            cell.bold = true;
            cell.centred = true;
        } else {
            cell.back = AlarmTable::BackColor;
        }
    }
}

void SetEntryEnabled(AlarmTable& table, int row, bool enabled)
{
    table.row(row).mark = enabled ? EnableMark::Enabled : EnableMark::Disabled;
}

bool IsEntryEnabled(const AlarmTable& table, int row)
{
    return table.row(row).mark == EnableMark::Enabled;
}

void CopyRow(AlarmTable& table, int source, int target)
{
    for (int c = 0; c < kColumns; ++c) {
        const AlarmCell from = table.cell(source, c);
        AlarmCell& to = table.cell(target, c);
        to.text = from.text;
        to.back = from.back;
        to.fore = from.fore;
    }
    SetEntryEnabled(table, target, IsEntryEnabled(table, source));
}

// Through a scratch row appended for the exchange, as the entries' cells are
// copied one by one.
void SwapRows(AlarmTable& table, int a, int b)
{
    table.setRows(table.Rows() + 1);
    const int scratch = table.Rows() - 1;
    CopyRow(table, a, scratch);
    CopyRow(table, b, a);
    CopyRow(table, scratch, b);
    table.setRows(table.Rows() - 1);
}

AlarmEntry ReadEntry(const AlarmTable& table, int row)
{
    const AlarmCell& message = table.cell(row, MessageColumn);
    return {table.text(row, ScheduleColumn), message.text, message.back, message.fore};
}

} // namespace vt
