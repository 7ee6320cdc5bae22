// SPDX-License-Identifier: MIT
// The cells of an alarm table: column 0 the enable cell (a picture), 1 the
// schedule cell, 2 the message cell (its colours are the alarm's colours),
// 3 the options cell "?". Each operation selects the cells it touches and
// leaves the table's current cell on the last of them.
#pragma once

#include "core/colorvalue.h"

#include <QString>

namespace vt
{

class TableControl;

enum TimerMode : int { IntervalMode = 0, TimeMode = 1 };

// The most entries a table holds: Insert stops there and loading accepts up to
// there, so every table the program saves loads back.
inline constexpr int kMaxEntries = 1000;

enum AlarmColumn : int {
    EnableColumn = 0,
    ScheduleColumn = 1,
    MessageColumn = 2,
    OptionsColumn = 3
};

// Header texts and column widths (measured from width templates in the
// table's font) for the given mode; mode 0 Interval, 1 Time.
void SetupTableColumns(int mode, TableControl& table);

// Table background on every cell of the row, the options cell "?" in bold on
// the fixed-cell colour. Texts, text colours and pictures stay as they are.
void FormatTableRow(TableControl& table, int row);

void SetEntryEnabled(TableControl& table, int row, int column, bool enabled);
// True exactly when the cell holds the enabled picture; no picture is false.
bool IsEntryEnabled(TableControl& table, int row, int column);

// Copies every cell's text and colours of one row onto another, and the
// entry's enabled state, so that an entry keeps it when it moves.
void CopyRow(TableControl& table, int source, int target);
// Exchanges two entries through a scratch row appended for the purpose; the
// current row is then b, where the chosen entry has gone.
void SwapRows(TableControl& table, int a, int b);

// What the run reads of an entry.
struct AlarmEntry {
    QString schedule;
    QString message;
    ColorValue backColor = 0;
    ColorValue foreColor = 0;
};
QString ScheduleText(TableControl& table, int row);
AlarmEntry ReadEntry(TableControl& table, int row);

} // namespace vt
