// SPDX-License-Identifier: MIT
#include "core/cellvalues.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace vt
{

std::optional<double> readNumber(const QString& text)
{
    bool ok = false;
    // The C locale, so that the file and the cells mean the same on every desktop.
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double readWholeNumber(const QString& text)
{
    const std::optional<double> value = readNumber(text);
    // nearbyint follows the default rounding mode, round half to even.
    return value ? std::nearbyint(*value) : -1.0;
}

std::optional<int> readTimeOfDay(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int hours = match.captured(1).toInt();
    const int minutes = match.captured(2).toInt();
    const int seconds = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    if (hours > 23 || minutes > 59 || seconds > 59)
        return std::nullopt;
    return hours * 3600 + minutes * 60 + seconds;
}

} // namespace vt
