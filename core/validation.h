// SPDX-License-Identifier: MIT
// Checking the enabled entries of a table before a run starts on them.
#pragma once

#include "core/modes.h"

#include <QString>

#include <optional>

namespace vt
{

class AlarmTable;

// Where failures and notices go: one line of status text and a beep.
class StatusReporter
{
public:
    virtual ~StatusReporter() = default;
    virtual void setStatusText(const QString& text) = 0;
    virtual void beep() = 0;
};

// The first fault among the enabled entries, rows in order: its message and
// the cell that holds it.
struct TableFault {
    QString text;
    int row = 0;
    int col = 0;
};
std::optional<TableFault> FirstTableFault(const AlarmTable& table, TimerMode mode);

// True when every enabled entry is valid; otherwise reports the first fault
// and gives false.
bool ValidateTable(const AlarmTable& table, TimerMode mode, StatusReporter& reporter);

} // namespace vt
