// SPDX-License-Identifier: MIT
#include "core/datevalue.h"

#include <cmath>

namespace vt
{

namespace
{

const QDate kOrigin(1899, 12, 30);

qint64 wholeSeconds(DateValue value)
{
    return std::llround(value * kSecondsPerDay);
}

// Splits whole seconds into days since the origin and seconds of that day,
// flooring so that times before the origin still get a time of day >= 0.
void splitSeconds(qint64 seconds, qint64& days, int& secondOfDay)
{
    days = seconds / 86400;
    qint64 rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    secondOfDay = int(rest);
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

DateValue toDateValue(const QDateTime& local)
{
    const qint64 days = kOrigin.daysTo(local.date());
    const int second = local.time().msecsSinceStartOfDay() / 1000;
    return (double(days) * kSecondsPerDay + second) / kSecondsPerDay;
}

QDateTime fromDateValue(DateValue value)
{
    qint64 days = 0;
    int second = 0;
    splitSeconds(wholeSeconds(value), days, second);
    return QDateTime(kOrigin.addDays(days), QTime(0, 0).addSecs(second));
}

double toSeconds(DateValue value)
{
    return double(wholeSeconds(value));
}

DateValue fromSeconds(double seconds)
{
    return seconds / kSecondsPerDay;
}

QString formatHourMinute(DateValue value)
{
    qint64 days = 0;
    int second = 0;
    splitSeconds(wholeSeconds(value), days, second);
    return twoDigits(second / 3600) + QLatin1Char(':') + twoDigits(second / 60 % 60);
}

QString formatHourMinuteSecond(DateValue value)
{
    qint64 days = 0;
    int second = 0;
    splitSeconds(wholeSeconds(value), days, second);
    return formatHourMinute(value) + QLatin1Char(':') + twoDigits(second % 60);
}

} // namespace vt
