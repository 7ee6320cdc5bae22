// SPDX-License-Identifier: MIT
// An alarm table as plain values: row 0 is the header, every other row an
// entry of four cells, column 0 the enable cell (its mark is the entry's
// enabled flag), 1 the schedule cell, 2 the message cell (its colours are the
// alarm's colours), 3 the options cell "?". The row number is an entry's
// identity while a run lasts.
#pragma once

#include "core/colorvalue.h"
#include "core/modes.h"

#include <QList>
#include <QString>

#include <array>

namespace vt
{

// The most entries a table holds: Insert stops there and loading accepts up to
// there, so every table the program saves loads back.
inline constexpr int kMaxEntries = 1000;

enum AlarmColumn : int {
    EnableColumn = 0,
    ScheduleColumn = 1,
    MessageColumn = 2,
    OptionsColumn = 3
};
inline constexpr int kColumns = 4;

// What the enable cell shows: the enabled or the disabled picture, or none (a
// new entry, which counts as disabled until it is clicked).
enum class EnableMark { None, Disabled, Enabled };

struct AlarmCell {
    QString text;
    ColorValue back = kSysWindowBackground;
    ColorValue fore = kSysWindowText;
    bool bold = false;
    bool centred = false;
    friend bool operator==(const AlarmCell&, const AlarmCell&) = default;
};

struct AlarmRow {
    std::array<AlarmCell, kColumns> cells;
    EnableMark mark = EnableMark::None;
    friend bool operator==(const AlarmRow&, const AlarmRow&) = default;
};

class AlarmTable
{
public:
    // The table's own colours: the system's window, window text and button face.
    static constexpr ColorValue BackColor = kSysWindowBackground;
    static constexpr ColorValue ForeColor = kSysWindowText;
    static constexpr ColorValue BackColorFixed = kSysButtonFace;

    // The header row and one empty entry.
    AlarmTable();

    int Rows() const { return int(m_rows.size()); }
    // Grows with empty rows in the table's colours, or drops rows from the end;
    // the header row always stays.
    void setRows(int rows);
    int entries() const { return Rows() - 1; }

    const AlarmRow& row(int r) const { return m_rows.at(r); }
    AlarmRow& row(int r) { return m_rows[r]; }
    const AlarmCell& cell(int r, int c) const { return m_rows.at(r).cells.at(c); }
    AlarmCell& cell(int r, int c) { return m_rows[r].cells.at(c); }
    const QString& text(int r, int c) const { return cell(r, c).text; }

    void removeRow(int r);
    // Moves row `from` to stand at `to`, the rows between closing up.
    void moveRow(int from, int to);

    friend bool operator==(const AlarmTable&, const AlarmTable&) = default;

private:
    QList<AlarmRow> m_rows;
};

// Header texts: "Interval" or "Time" over the schedule column, "Message" over
// the message column.
void SetupTableColumns(TimerMode mode, AlarmTable& table);

// The table's background on every cell of the row, the options cell "?" in
// bold on the fixed-cell colour. Texts, text colours and marks stay.
void FormatTableRow(AlarmTable& table, int row);

void SetEntryEnabled(AlarmTable& table, int row, bool enabled);
// True exactly when the enable cell shows the enabled picture.
bool IsEntryEnabled(const AlarmTable& table, int row);

// Copies one row's cells onto another, and the entry's enabled state, so that
// an entry keeps it when it moves.
void CopyRow(AlarmTable& table, int source, int target);
void SwapRows(AlarmTable& table, int a, int b);

// What the run reads of an entry.
struct AlarmEntry {
    QString schedule;
    QString message;
    ColorValue backColor = 0;
    ColorValue foreColor = 0;
};
AlarmEntry ReadEntry(const AlarmTable& table, int row);

} // namespace vt
