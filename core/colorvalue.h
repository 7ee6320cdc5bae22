// SPDX-License-Identifier: MIT
// Colour values as the settings file and the tables hold them: 0x00BBGGRR for
// an explicit colour, 0x800000nn for system colour number nn, which stands for
// whatever the desktop's palette gives that part of a window.
#pragma once

#include <QtGlobal>

namespace vt
{

using ColorValue = qint32;

inline constexpr ColorValue kSysWindowBackground = ColorValue(0x80000005u);
inline constexpr ColorValue kSysWindowText = ColorValue(0x80000008u);
inline constexpr ColorValue kSysButtonFace = ColorValue(0x8000000Fu);

inline constexpr bool isSystemColor(ColorValue value)
{
    return (quint32(value) & 0xFF000000u) == 0x80000000u;
}

} // namespace vt
