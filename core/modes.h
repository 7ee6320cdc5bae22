// SPDX-License-Identifier: MIT
// The two modes the watchkeeper chooses: which table runs, and how an alarm
// sounds. Their numbers are the indexes of the window's lists and the values
// the settings file keeps.
#pragma once

namespace vt
{

enum class TimerMode : int { Interval = 0, Time = 1 };
enum class SoundMode : int { None = 0, Beep = 1, Speech = 2 };

} // namespace vt
