// SPDX-License-Identifier: MIT
// Date values: days since 30 December 1899 00:00 local time as a double; the
// whole part is the date, the fraction the time of day. The run compares and
// adds these numbers directly, so midnight and year ends need no special case.
#pragma once

#include <QDateTime>
#include <QString>

namespace vt
{

using DateValue = double;

inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kMinutesPerDay = 1440.0;

// Local date and time fields to a date value, exact to the second.
DateValue toDateValue(const QDateTime& local);
// A date value back to local date and time, rounded to the nearest second.
QDateTime fromDateValue(DateValue value);

// Whole seconds since the date origin, rounded; the run does its arithmetic in
// these so that repeated additions leave no drift.
double toSeconds(DateValue value);
DateValue fromSeconds(double seconds);

// "hh:mm" and "hh:mm:ss" on the 24-hour clock, as the captions show them.
QString formatHourMinute(DateValue value);
QString formatHourMinuteSecond(DateValue value);

} // namespace vt
