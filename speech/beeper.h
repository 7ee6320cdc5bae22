// SPDX-License-Identifier: MIT
// Every beep of the program, alarms and error notices alike, goes through a
// Beeper, so that it is audible on a desktop whose terminal bell is silent.
#pragma once

#include <QString>

namespace vt
{

class Beeper
{
public:
    virtual ~Beeper() = default;
    // One short beep; returns at once.
    virtual void beep() = 0;
    // Why a beep cannot be heard (no sound output), or empty when it can.
    virtual QString silenceReason() const { return QString(); }
};

} // namespace vt
