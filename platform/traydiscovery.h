// SPDX-License-Identifier: MIT
// Whether the desktop has a system tray now.
#pragma once

namespace vt
{

// Asked again and again until a tray comes, this must not settle the answer
// for the rest of the program: Qt decides once, at the first icon or the first
// QSystemTrayIcon::isSystemTrayAvailable(), whether its icons go to a
// StatusNotifier host on the session bus (and never looks again), so on such
// desktops the hosts are asked here directly, and Qt is asked only once one
// is there.
bool isTrayAvailable();

} // namespace vt
