// SPDX-License-Identifier: MIT
// The window's designed geometry is in twips (1/1440 inch). These convert to
// and from logical pixels at the widget's logical DPI; Qt's high-DPI scaling
// then takes logical pixels to the device.
#pragma once

class QWidget;

namespace vt
{

inline constexpr int kTwipsPerInch = 1440;

int twipsToPixels(int twips, double logicalDpi);
int pixelsToTwips(int pixels, double logicalDpi);

// The same at the logical DPI of the given widget's screen.
int twipsToPixels(int twips, const QWidget& widget);
int pixelsToTwips(int pixels, const QWidget& widget);

} // namespace vt
