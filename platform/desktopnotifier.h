// SPDX-License-Identifier: MIT
// Each alarm also as a desktop notification (org.freedesktop.Notifications):
// a second channel that gets through where the alarm window may not be seen,
// such as behind a full-screen window on Wayland. Posting and withdrawing
// never wait on the bus.
#pragma once

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QObject>

namespace vt
{

// The notification service's signals, as Qt signals.
class NotificationsInterface : public QDBusAbstractInterface
{
    Q_OBJECT

public:
    explicit NotificationsInterface(const QDBusConnection& bus, QObject* parent = nullptr);

signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);
};

class DesktopNotifier : public QObject
{
    Q_OBJECT

public:
    // iconName: the installed icon of the program, by its theme name.
    DesktopNotifier(const QDBusConnection& bus, const QString& iconName, QObject* parent = nullptr);

    // Posts a critical notification, in place of any posted before.
    void post(const QString& summary, const QString& body);
    // Takes the posted notification away again, also when the service has
    // not yet told its number.
    void withdraw();

signals:
    // The watchkeeper activated the notification.
    void activated();

private:
    void closeNotification(uint id);

    NotificationsInterface m_service;
    QString m_iconName;
    quint64 m_serial = 0; // counts posts, so a late reply knows whether it is still wanted
    bool m_wanted = false;
    uint m_id = 0;
};

} // namespace vt
