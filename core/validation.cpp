// SPDX-License-Identifier: MIT
#include "core/validation.h"

#include "core/alarmtable.h"
#include "core/cellvalues.h"

#include <QRegularExpression>

namespace vt
{

namespace
{

bool inRange(double value, double low, double high)
{
    return value >= low && value <= high;
}

// 1-based character positions, as the rule is written: hours are characters 1
// and 2, minutes 4 and 5, seconds 7 and 8.
double timePart(const QString& text, int position)
{
    return readWholeNumber(text.mid(position - 1, 2));
}

bool isColonAt(const QString& text, int position)
{
    return text.size() >= position && text.at(position - 1) == QLatin1Char(':');
}

bool hasStrictTimeForm(const QString& text)
{
    return text.size() == 8 && inRange(timePart(text, 1), 0, 23) &&
           inRange(timePart(text, 4), 0, 59) && inRange(timePart(text, 7), 0, 59);
}

// "09:30" is what a watchkeeper types for half past nine: hh:mm stands for
// hh:mm:00, and is held to the same rule.
QString withSeconds(const QString& text)
{
    static const QRegularExpression hourMinute(QStringLiteral("^\\d\\d:\\d\\d$"));
    return hourMinute.match(text).hasMatch() ? text + QStringLiteral(":00") : text;
}

std::optional<QString> scheduleFault(const QString& text, TimerMode mode)
{
    if (mode == TimerMode::Interval) {
        if (!inRange(readWholeNumber(text), 1, 1440))
            return QStringLiteral("Interval Error, ") + text;
    } else if (mode == TimerMode::Time) {
        const bool looksLikeTime = isColonAt(text, 3) || isColonAt(text, 6);
        // Loose forms such as 7:30:00 pass when they read as a time of day; a
        // text the run could not read (empty, a word) is caught here too.
        if ((!hasStrictTimeForm(withSeconds(text)) && looksLikeTime) || !readTimeOfDay(text))
            return QStringLiteral("Time Error, ") + text;
    }
    return std::nullopt;
}

} // namespace

std::optional<TableFault> FirstTableFault(const AlarmTable& table, TimerMode mode)
{
    const int rows = table.Rows();
    for (int r = 1; r < rows; ++r) {
        if (!IsEntryEnabled(table, r))
            continue;
        if (auto fault = scheduleFault(table.text(r, ScheduleColumn), mode))
            return TableFault{*fault, r, ScheduleColumn};
        if (table.text(r, MessageColumn).isEmpty())
            return TableFault{QStringLiteral("Message Error, Field is Empty"), r, MessageColumn};
    }
    return std::nullopt;
}

bool ValidateTable(const AlarmTable& table, TimerMode mode, StatusReporter& reporter)
{
    const std::optional<TableFault> fault = FirstTableFault(table, mode);
    if (!fault)
        return true;
    reporter.setStatusText(fault->text);
    reporter.beep();
    return false;
}

} // namespace vt
