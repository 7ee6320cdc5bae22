// SPDX-License-Identifier: MIT
// Checking the enabled entries of a table before a run starts on them.
#pragma once

#include <QString>

#include <optional>

namespace vt
{

class TableControl;

// Where validation reports its first fault: one line of status text and a beep.
class StatusReporter
{
public:
    virtual ~StatusReporter() = default;
    virtual void setStatusText(const QString& text) = 0;
    virtual void beep() = 0;
};

// The message for the first fault among the enabled entries, rows in order,
// or nothing when every enabled entry is valid. Leaves the table's current
// cell on the last cell examined (on a fault, the faulty cell).
std::optional<QString> FirstTableFault(TableControl& table, int mode);

// True when every enabled entry is valid; otherwise reports the first fault
// and gives false.
bool ValidateTable(TableControl& table, int mode, StatusReporter& reporter);

} // namespace vt
