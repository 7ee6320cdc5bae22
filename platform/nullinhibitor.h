// SPDX-License-Identifier: MIT
// The sleep inhibitor for systems without logind: it holds nothing, so the
// rest of the program need not ask which system it runs on.
#pragma once

#include "platform/sleepinhibitor.h"

namespace vt
{

class NullSleepInhibitor : public SleepInhibitor
{
public:
    void inhibit(const QString&) override {}
    void release() override {}
    bool isHeld() const override { return false; }
};

} // namespace vt
