// SPDX-License-Identifier: MIT
#include "core/localtime.h"

#include <QDateTime>

#include <cmath>
#include <limits>
#include <optional>

namespace vt
{

namespace
{

// 30 December 1899 00:00 as seconds of "local epoch" time: what the local
// clock would read counted from 1 January 1970 00:00 without any offset.
constexpr qint64 kOriginLocal = -2209161600;

qint64 offsetAt(const QTimeZone& zone, qint64 instant)
{
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC));
}

// The next change of the zone's offset after an instant, or none.
std::optional<qint64> transitionAfter(const QTimeZone& zone, qint64 instant)
{
    const QTimeZone::OffsetData next =
        zone.nextTransition(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC));
    if (!next.atUtc.isValid())
        return std::nullopt;
    return next.atUtc.toSecsSinceEpoch();
}

qint64 localEpochOf(const QDate& date, int secondOfDay)
{
    return QDate(1970, 1, 1).daysTo(date) * 86400 + secondOfDay;
}

} // namespace

QDate localDate(const QTimeZone& zone, qint64 instant)
{
    return QDateTime::fromSecsSinceEpoch(instant, zone).date();
}

qint64 nextLocalSlot(const QTimeZone& zone, qint64 after, double slotSeconds, bool inclusive)
{
    qint64 from = after;
    // Each round either finds the slot before the next change of offset, or
    // moves on to that change; a handful of changes is more than a day holds.
    for (int round = 0; round < 8; ++round) {
        const qint64 offset = offsetAt(zone, from);
        const double sinceOrigin = double(from + offset - kOriginLocal);
        double index = std::floor(sinceOrigin / slotSeconds);
        if (!(inclusive && index * slotSeconds == sinceOrigin))
            index += 1;
        const qint64 candidate = qint64(std::llround(index * slotSeconds)) + kOriginLocal - offset;
        const std::optional<qint64> change = transitionAfter(zone, from);
        if (!change || *change > candidate)
            return candidate;
        // The offset changes first: go on from the change, where the clock
        // may show a slot at once (a jump over it).
        from = *change;
        inclusive = true;
    }
    return from;
}

qint64 timeOfDayOn(const QTimeZone& zone, const QDate& date, int secondOfDay)
{
    const qint64 local = localEpochOf(date, secondOfDay);
    // The instant that day with each of the offsets in force around it; the
    // earliest that really shows the time wins.
    const qint64 guessBefore = local - offsetAt(zone, local - 86400);
    const qint64 guessAfter = local - offsetAt(zone, local + 86400);
    qint64 best = std::numeric_limits<qint64>::max();
    for (qint64 guess : {guessBefore, guessAfter}) {
        if (guess + offsetAt(zone, guess) == local)
            best = std::min(best, guess);
    }
    if (best != std::numeric_limits<qint64>::max())
        return best;
    // Skipped by a spring-forward change: due at the change itself.
    const std::optional<qint64> change =
        transitionAfter(zone, std::min(guessBefore, guessAfter) - 1);
    return change ? *change : guessBefore;
}

qint64 nextTimeOfDay(const QTimeZone& zone, qint64 from, int secondOfDay)
{
    const QDate today = localDate(zone, from);
    for (const QDate& date : {today.addDays(-1), today, today.addDays(1), today.addDays(2)}) {
        const qint64 local = localEpochOf(date, secondOfDay);
        // Every showing of the time on that date, the later of a repeated
        // hour included, earliest first.
        qint64 first = local - offsetAt(zone, local - 86400);
        qint64 second = local - offsetAt(zone, local + 86400);
        if (second < first)
            std::swap(first, second);
        for (qint64 instant : {first, second}) {
            if (instant >= from && instant + offsetAt(zone, instant) == local)
                return instant;
        }
        const qint64 skipped = timeOfDayOn(zone, date, secondOfDay);
        if (skipped >= from)
            return skipped;
    }
    return from;
}

} // namespace vt
