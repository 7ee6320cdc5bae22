// SPDX-License-Identifier: MIT
// The window's designed geometry is in twips (1/1440 inch), drawn for an
// 8-point font with 13-pixel lines and 5-pixel characters. A twip is converted
// to logical pixels at the screen's logical DPI and grown with the desktop's
// font where that is larger, so that no text is clipped; Qt's high-DPI scaling
// then takes logical pixels to the device.
#pragma once

class QWidget;

namespace vt
{

inline constexpr int kTwipsPerInch = 1440;

// Logical pixels per twip: the DPI's share, times the font's growth over the
// designed font (never below 1).
double pixelsPerTwip(double logicalDpi, double fontHeight, double averageCharWidth);

int twipsToPixels(int twips, double pixelsPerTwip);
int pixelsToTwips(int pixels, double pixelsPerTwip);

// The same for a widget: its screen's logical DPI and the application font.
double pixelsPerTwip(const QWidget& widget);
int twipsToPixels(int twips, const QWidget& widget);
int pixelsToTwips(int pixels, const QWidget& widget);

// Forms are drawn in the designer at 96 DPI with the designed font, 15 twips a
// pixel; this scales every child of a form to the screen and font in use.
void applyDesignScale(QWidget& form);

} // namespace vt
