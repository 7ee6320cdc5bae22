// SPDX-License-Identifier: MIT
// Colour values as the settings file and the tables hold them: 0x00BBGGRR for
// an explicit colour, 0x800000nn for system colour number nn.
#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

namespace vt
{

using ColorValue = qint32;

inline constexpr ColorValue kSystemColorFlag = ColorValue(0x80000000u);
inline constexpr ColorValue kSysWindowBackground = ColorValue(0x80000005u);
inline constexpr ColorValue kSysWindowText = ColorValue(0x80000008u);
inline constexpr ColorValue kSysButtonFace = ColorValue(0x8000000Fu);

bool isSystemColor(ColorValue value);

// The colour to paint; system colours come from the palette's matching role.
QColor toQColor(ColorValue value, const QPalette& palette);

// An explicit colour value for a colour picked by the user.
ColorValue fromQColor(const QColor& color);

} // namespace vt
