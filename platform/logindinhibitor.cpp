// SPDX-License-Identifier: MIT
// The logind hold on sleep: one Inhibit call per reason, the returned
// descriptor kept open for as long as the hold should last.
#include "platform/logindinhibitor.h"

#include <QDBusMessage>
#include <QLoggingCategory>

#include <utility>

namespace vt
{

namespace
{

Q_LOGGING_CATEGORY(lcInhibit, "vigiltide.inhibit")

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

LogindSleepInhibitor::LogindSleepInhibitor() = default;

LogindSleepInhibitor::LogindSleepInhibitor(const QDBusConnection& bus) : m_bus(bus) {}

LogindSleepInhibitor::~LogindSleepInhibitor() = default;

void LogindSleepInhibitor::inhibit(const QString& why)
{
    const QDBusUnixFileDescriptor fresh = takeLock(why);
    if (!fresh.isValid())
        return;
    // The old descriptor closes when `old` goes, after the new one is held.
    const QDBusUnixFileDescriptor old = std::exchange(m_lock, fresh);
    m_reported = false;
}

void LogindSleepInhibitor::release()
{
    m_lock = QDBusUnixFileDescriptor();
}

QDBusConnection& LogindSleepInhibitor::bus()
{
    if (!m_bus)
        m_bus = QDBusConnection::systemBus();
    return *m_bus;
}

QDBusUnixFileDescriptor LogindSleepInhibitor::takeLock(const QString& why)
{
    QDBusConnection& connection = bus();
    if (!connection.isConnected()) {
        report(QStringLiteral("no connection to the bus"));
        return {};
    }
    // Without descriptor passing logind's answer could not carry the hold.
    if (!(connection.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        report(QStringLiteral("the bus cannot pass file descriptors"));
        return {};
    }

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Vigiltide") << why
         << QStringLiteral("block");
    const QDBusMessage reply = connection.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        report(reply.errorName() + QStringLiteral(": ") + reply.errorMessage());
        return {};
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("h")) {
        report(QStringLiteral("unexpected answer with signature \"%1\"").arg(reply.signature()));
        return {};
    }
    const auto lock = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    if (!lock.isValid())
        report(QStringLiteral("the answer held no usable descriptor"));
    return lock;
}

void LogindSleepInhibitor::report(const QString& problem)
{
    // Once per stretch of failures: without logind every armed run would
    // otherwise add the same line.
    if (std::exchange(m_reported, true))
        return;
    qCInfo(lcInhibit).noquote() << "Cannot keep the machine awake through logind:" << problem;
}

} // namespace vt
