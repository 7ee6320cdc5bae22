// SPDX-License-Identifier: MIT
// The desktop services a program finds on a session bus: a tray host that
// accepts status notifier items and a notification service. bench/measure.sh
// runs it on its private bus, so the program starts with its tray icon as on
// a desktop. Prints "ready" once both names are owned, then serves until ended.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QStringList>

#include <cstdio>

namespace
{

class TrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    bool hostRegistered() const { return true; }
    QStringList items() const { return m_items; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { m_items << service; }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    QStringList m_items;
};

class Notifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public slots:
    uint Notify(const QString&, uint, const QString&, const QString&, const QString&,
                const QStringList&, const QVariantMap&, int)
    {
        return ++m_last;
    }
    void CloseNotification(uint) {}
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

private:
    uint m_last = 0;
};

bool serve(QDBusConnection& bus, const QString& name, const QString& path, QObject* object)
{
    return bus.registerObject(path, object, QDBusConnection::ExportAllContents) &&
           bus.registerService(name);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    TrayWatcher tray;
    Notifications notifications;
    if (!serve(bus, QStringLiteral("org.kde.StatusNotifierWatcher"),
               QStringLiteral("/StatusNotifierWatcher"), &tray) ||
        !serve(bus, QStringLiteral("org.freedesktop.Notifications"),
               QStringLiteral("/org/freedesktop/Notifications"), &notifications)) {
        std::fprintf(stderr, "bench_fakedesktop: cannot serve on the session bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fakedesktop.moc"
