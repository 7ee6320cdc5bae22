// SPDX-License-Identifier: MIT
#include "platform/traydiscovery.h"

#include <QSystemTrayIcon>

#if defined(VIGILTIDE_UNIX_TRAYS)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace vt
{

#if defined(VIGILTIDE_UNIX_TRAYS)

namespace
{

// A StatusNotifier host (the tray of KDE, of GNOME's AppIndicator extension
// and of most panels today), as Qt itself asks for one.
bool statusNotifierHostRegistered()
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 500);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

// An X11 system tray of the older kind: a window owning the tray selection.
bool xembedTrayPresent()
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    const QByteArray name = "_NET_SYSTEM_TRAY_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()),
        nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool present = owner && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return present;
}

} // namespace

bool isTrayAvailable()
{
    return statusNotifierHostRegistered() || xembedTrayPresent();
}

#else

bool isTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

#endif

} // namespace vt
