// SPDX-License-Identifier: MIT
#include "platform/desktopnotifier.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vt
{

namespace
{

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kDefaultAction = QStringLiteral("default");
constexpr uchar kCritical = 2;

} // namespace

NotificationsInterface::NotificationsInterface(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(kService, kPath, kService.toLatin1().constData(), bus, parent)
{
}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, const QString& iconName,
                                 QObject* parent)
    : QObject(parent), m_service(bus), m_iconName(iconName)
{
    connect(&m_service, &NotificationsInterface::ActionInvoked, this,
            [this](uint id, const QString& action) {
                if (id != 0 && id == m_id && action == kDefaultAction)
                    emit activated();
            });
    connect(&m_service, &NotificationsInterface::NotificationClosed, this, [this](uint id, uint) {
        if (id == m_id)
            m_id = 0;
    });
}

void DesktopNotifier::post(const QString& summary, const QString& body)
{
    withdraw();
    if (!m_service.connection().isConnected())
        return;
    const quint64 serial = ++m_serial;
    m_wanted = true;
    // Critical notifications stay until they are taken away; "default" is
    // the action of a click on the notification itself.
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(kCritical)},
                            {QStringLiteral("desktop-entry"), m_iconName}};
    const QDBusPendingCall call =
        m_service.asyncCall(QStringLiteral("Notify"), QStringLiteral("Vigiltide"), 0u, m_iconName,
                            summary, body, QStringList{kDefaultAction, tr("Show")}, hints, 0);
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, serial](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                // Without a notification service the alarm window alone is enough.
                if (reply.isError())
                    return;
                if (serial == m_serial && m_wanted)
                    m_id = reply.value();
                else
                    closeNotification(reply.value()); // answered before the service replied
            });
}

void DesktopNotifier::withdraw()
{
    m_wanted = false;
    if (m_id != 0)
        closeNotification(m_id);
    m_id = 0;
}

void DesktopNotifier::closeNotification(uint id)
{
    m_service.asyncCall(QStringLiteral("CloseNotification"), id);
}

} // namespace vt
