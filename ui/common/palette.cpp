// SPDX-License-Identifier: MIT
#include "ui/common/palette.h"

#include <array>

namespace vt
{

namespace
{

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// System colour numbers 0 to 24 and the palette role that plays the same part.
constexpr std::array<SystemRole, 25> kSystemRoles{{
    {QPalette::Active, QPalette::Mid},               // 0 scroll bar
    {QPalette::Active, QPalette::Window},            // 1 desktop
    {QPalette::Active, QPalette::Highlight},         // 2 active title bar
    {QPalette::Inactive, QPalette::Highlight},       // 3 inactive title bar
    {QPalette::Active, QPalette::Window},            // 4 menu bar
    {QPalette::Active, QPalette::Base},              // 5 window background
    {QPalette::Active, QPalette::Shadow},            // 6 window frame
    {QPalette::Active, QPalette::WindowText},        // 7 menu text
    {QPalette::Active, QPalette::Text},              // 8 window text
    {QPalette::Active, QPalette::HighlightedText},   // 9 active title text
    {QPalette::Active, QPalette::Window},            // 10 active border
    {QPalette::Inactive, QPalette::Window},          // 11 inactive border
    {QPalette::Active, QPalette::Dark},              // 12 application workspace
    {QPalette::Active, QPalette::Highlight},         // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},   // 14 highlighted text
    {QPalette::Active, QPalette::Button},            // 15 button face
    {QPalette::Active, QPalette::Dark},              // 16 button shadow
    {QPalette::Disabled, QPalette::Text},            // 17 grey text
    {QPalette::Active, QPalette::ButtonText},        // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText}, // 19 inactive title text
    {QPalette::Active, QPalette::Light},             // 20 button highlight
    {QPalette::Active, QPalette::Shadow},            // 21 3D dark shadow
    {QPalette::Active, QPalette::Midlight},          // 22 3D light
    {QPalette::Active, QPalette::ToolTipText},       // 23 tool tip text
    {QPalette::Active, QPalette::ToolTipBase},       // 24 tool tip background
}};

} // namespace

QColor toQColor(ColorValue value, const QPalette& palette)
{
    const quint32 bits = quint32(value);
    if (isSystemColor(value)) {
        const quint32 index = bits & 0x00FFFFFFu;
        if (index >= kSystemRoles.size())
            return palette.color(QPalette::Active, QPalette::Text);
        const SystemRole& r = kSystemRoles[index];
        return palette.color(r.group, r.role);
    }
    // The high byte of an explicit colour carries no meaning here.
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

ColorValue fromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return ColorValue(quint32(rgb.red()) | quint32(rgb.green()) << 8 | quint32(rgb.blue()) << 16);
}

} // namespace vt
