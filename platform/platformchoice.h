// SPDX-License-Identifier: MIT
// Which windowing platform the program asks Qt for.
#pragma once

#include <QByteArray>

namespace vt
{

// Wayland compositors ignore "stay on top" for native windows, so an alarm
// could open behind a full-screen chart or camera view. Through XWayland the
// alarm window stays on top as designed. That is chosen only on a Wayland
// session that has X11 at hand, and never over a platform the user chose.
// Takes XDG_SESSION_TYPE, DISPLAY and QT_QPA_PLATFORM (empty when unset);
// gives the platform to set, or empty to leave Qt's own choice.
QByteArray choosePlatform(const QByteArray& sessionType, const QByteArray& display,
                          const QByteArray& chosenPlatform);

} // namespace vt
