// The user's idle time, for work that waits until nobody is at the desktop.

#include "linuxsystem.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

namespace lorvanta::platform {

namespace {

std::optional<qint64> x11IdleTime() {
    // A connection of its own: asked once every few seconds at most, and
    // never from a thread that could share Qt's.
    static xcb_connection_t* const connection = [] {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return static_cast<xcb_connection_t*>(nullptr);
        }
        return c;
    }();
    if (!connection) return std::nullopt;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) return std::nullopt;
    xcb_screensaver_query_info_reply_t* reply = xcb_screensaver_query_info_reply(
        connection, xcb_screensaver_query_info(connection, screen->root), nullptr);
    if (!reply) return std::nullopt;
    const qint64 idle = reply->ms_since_user_input;
    free(reply);
    return idle;
}

std::optional<qint64> gnomeIdleTime() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Mutter.IdleMonitor"),
        QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
        QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().toLongLong();
}

} // namespace

std::optional<qint64> LinuxSystem::idleMilliseconds() {
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return gnomeIdleTime();
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return std::nullopt;
    return x11IdleTime();
}

} // namespace lorvanta::platform
