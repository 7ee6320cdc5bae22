// SPDX-License-Identifier: MIT
// Holding off sleep through systemd-logind: logind hands out a descriptor
// whose open end is the hold, so the hold lasts exactly as long as we keep it.
#pragma once

#include "platform/sleepinhibitor.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

#include <optional>

namespace vt
{

class LogindSleepInhibitor : public SleepInhibitor
{
public:
    // A logind that has not answered by then is taken as absent: arming a run
    // must not freeze the window.
    static constexpr int kCallTimeoutMs = 2000;

    // Uses the system bus, connected only on the first inhibit() so that
    // start-up never waits on D-Bus.
    LogindSleepInhibitor();
    // Uses the given bus instead, as tests do with a private one.
    explicit LogindSleepInhibitor(const QDBusConnection& bus);
    // Closes the hold, if any.
    ~LogindSleepInhibitor() override;

    LogindSleepInhibitor(const LogindSleepInhibitor&) = delete;
    LogindSleepInhibitor& operator=(const LogindSleepInhibitor&) = delete;

    // Takes a new hold and only then lets go of the old one, so the machine is
    // never free to sleep in between. When the new one cannot be had, the old
    // one stays: an old reason beats a sleeping machine.
    void inhibit(const QString& why) override;
    void release() override;
    bool isHeld() const override { return m_lock.isValid(); }

private:
    QDBusConnection& bus();
    QDBusUnixFileDescriptor takeLock(const QString& why);
    void report(const QString& problem);

    std::optional<QDBusConnection> m_bus;
    QDBusUnixFileDescriptor m_lock;
    bool m_reported = false;
};

} // namespace vt
