// SPDX-License-Identifier: MIT
// Reading numbers and times of day from the text of schedule cells, the one
// way validation and the run both read them.
#pragma once

#include <QString>

#include <optional>

namespace vt
{

// A decimal number with blanks allowed around it; nothing when the text is not
// a finite number.
std::optional<double> readNumber(const QString& text);

// The number rounded to the nearest whole number, a half going to the even
// neighbour (2.5 gives 2, 3.5 gives 4); -1 when the text is not a number.
double readWholeNumber(const QString& text);

// A time of day written h:mm or h:mm:ss on the 24-hour clock (one or two
// digits each, blanks allowed around the whole), as seconds since midnight.
std::optional<int> readTimeOfDay(const QString& text);

} // namespace vt
