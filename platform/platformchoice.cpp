// SPDX-License-Identifier: MIT
#include "platform/platformchoice.h"

namespace vt
{

QByteArray choosePlatform(const QByteArray& sessionType, const QByteArray& display,
                          const QByteArray& chosenPlatform)
{
    if (sessionType == "wayland" && !display.isEmpty() && chosenPlatform.isEmpty())
        return QByteArrayLiteral("xcb");
    return {};
}

} // namespace vt
