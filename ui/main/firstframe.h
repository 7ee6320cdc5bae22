// SPDX-License-Identifier: MIT
// Work that a window's first sight does not need, put off until that sight is
// on the screen.
#pragma once

#include <functional>

class QObject;
class QWindow;

namespace vt
{

// Runs `then` once from the event loop, just after `window` has drawn its
// first frame, unless `context` is gone by then. A window that is never
// exposed (mapped under others where nothing composites) runs it after a
// second all the same.
void afterFirstFrame(QWindow& window, QObject* context, std::function<void()> then);

} // namespace vt
