// SPDX-License-Identifier: MIT
// Keeping the machine awake while a run is armed: an alarm that sleeps
// through its time is a missed check.
#pragma once

#include <QString>

namespace vt
{

class SleepInhibitor
{
public:
    virtual ~SleepInhibitor() = default;
    // Takes (or renews, with a new reason) the hold on sleep; quietly does
    // nothing where the system offers no way to hold it.
    virtual void inhibit(const QString& why) = 0;
    // Lets the machine sleep again.
    virtual void release() = 0;
    virtual bool isHeld() const = 0;
};

} // namespace vt
