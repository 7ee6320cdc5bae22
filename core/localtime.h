// SPDX-License-Identifier: MIT
// Where the local clock meets real time. Due times are held as instants
// (seconds since the Unix epoch), so that a daylight-saving change neither
// silences an interval for an hour nor fires a burst; these functions find the
// instants at which the local clock shows a given slot or time of day, across
// the zone's transitions.
#pragma once

#include <QDate>
#include <QTimeZone>

namespace vt
{

// The first instant after `after` (or at it, with inclusive) at which the
// local clock shows a whole multiple of slotSeconds counted from the date
// origin, 30 December 1899 00:00. Where a change of the clock skips slots,
// the instant of the change counts as showing the first slot after it.
qint64 nextLocalSlot(const QTimeZone& zone, qint64 after, double slotSeconds,
                     bool inclusive = false);

// The instant at which the local clock first shows secondOfDay on that date;
// when a spring-forward change skips it, the instant of the change.
qint64 timeOfDayOn(const QTimeZone& zone, const QDate& date, int secondOfDay);

// The first instant at or after `from` at which the local clock shows
// secondOfDay (a repeated hour of a fall-back night gives its later showing
// when the earlier one has passed).
qint64 nextTimeOfDay(const QTimeZone& zone, qint64 from, int secondOfDay);

// The local date shown at an instant.
QDate localDate(const QTimeZone& zone, qint64 instant);

} // namespace vt
