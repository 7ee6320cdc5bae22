// SPDX-License-Identifier: MIT
#include "core/twips.h"

#include <QWidget>

#include <cmath>

namespace vt
{

int twipsToPixels(int twips, double logicalDpi)
{
    return int(std::lround(double(twips) * logicalDpi / kTwipsPerInch));
}

int pixelsToTwips(int pixels, double logicalDpi)
{
    return int(std::lround(double(pixels) * kTwipsPerInch / logicalDpi));
}

int twipsToPixels(int twips, const QWidget& widget)
{
    return twipsToPixels(twips, double(widget.logicalDpiY()));
}

int pixelsToTwips(int pixels, const QWidget& widget)
{
    return pixelsToTwips(pixels, double(widget.logicalDpiY()));
}

} // namespace vt
