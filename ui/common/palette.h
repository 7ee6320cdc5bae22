// SPDX-License-Identifier: MIT
// Colour values on the screen: system colour numbers become the palette's
// matching role when they are painted, so they follow the desktop's colours.
#pragma once

#include "core/colorvalue.h"

#include <QColor>
#include <QPalette>

namespace vt
{

// The colour to paint; system colours come from the palette's matching role.
QColor toQColor(ColorValue value, const QPalette& palette);

// An explicit colour value for a colour picked by the user.
ColorValue fromQColor(const QColor& color);

} // namespace vt
