// SPDX-License-Identifier: MIT
#include "ui/common/twips.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace vt
{

namespace
{

constexpr double kDesignFontHeight = 13.0;
constexpr double kDesignCharWidth = 5.0;
constexpr double kDesignTwipsPerPixel = 15.0;

} // namespace

double pixelsPerTwip(double logicalDpi, double fontHeight, double averageCharWidth)
{
    const double growth =
        std::max({1.0, fontHeight / kDesignFontHeight, averageCharWidth / kDesignCharWidth});
    return logicalDpi / kTwipsPerInch * growth;
}

int twipsToPixels(int twips, double pixelsPerTwip)
{
    return int(std::lround(double(twips) * pixelsPerTwip));
}

int pixelsToTwips(int pixels, double pixelsPerTwip)
{
    return int(std::lround(double(pixels) / pixelsPerTwip));
}

double pixelsPerTwip(const QWidget& widget)
{
    // The application font, not the widget's: a table given a larger font of
    // its own measures wider in twips, as the designed layout expects.
    const QFontMetricsF fm(QApplication::font(), &widget);
    return pixelsPerTwip(widget.logicalDpiY(), fm.height(), fm.averageCharWidth());
}

int twipsToPixels(int twips, const QWidget& widget)
{
    return twipsToPixels(twips, pixelsPerTwip(widget));
}

int pixelsToTwips(int pixels, const QWidget& widget)
{
    return pixelsToTwips(pixels, pixelsPerTwip(widget));
}

void applyDesignScale(QWidget& form)
{
    const double factor = pixelsPerTwip(form) * kDesignTwipsPerPixel;
    if (qFuzzyCompare(factor, 1.0))
        return;
    const auto children = form.findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QRect g = child->geometry();
        child->setGeometry(qRound(g.x() * factor), qRound(g.y() * factor),
                           qRound(g.width() * factor), qRound(g.height() * factor));
    }
}

} // namespace vt
