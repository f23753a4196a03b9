#include "x11desktop.h"

#include <QByteArray>
#include <cstdlib>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace lorvanta::platform {

namespace {

// ICCCM's iconic state, asked for with WM_CHANGE_STATE.
constexpr uint32_t kIconicState = 3;

// Frees what xcb hands out with malloc.
template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <class T> Reply<T> reply(T* raw) {
    return Reply<T>(raw, &std::free);
}

QByteArray shortHostName(QByteArray name) {
    const qsizetype dot = name.indexOf('.');
    return dot < 0 ? name : name.left(dot);
}

QByteArray thisHost() {
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0) return {};
    return QByteArray(name);
}

} // namespace

struct X11Desktop::Impl {
    xcb_connection_t* connection = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool tried = false, ewmhReady = false;
    int screen = 0;
    xcb_atom_t changeState = XCB_ATOM_NONE;
    QByteArray host = shortHostName(thisHost());

    ~Impl() {
        if (ewmhReady) xcb_ewmh_connection_wipe(&ewmh);
        if (connection) xcb_disconnect(connection);
    }

    bool open() {
        if (!tried) {
            tried = true;
            if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
            connection = xcb_connect(nullptr, &screen);
            if (xcb_connection_has_error(connection)) return false;
            xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection, &ewmh);
            ewmhReady = cookies && xcb_ewmh_init_atoms_replies(&ewmh, cookies, nullptr);
            const char name[] = "WM_CHANGE_STATE";
            if (auto atom = reply(xcb_intern_atom_reply(
                    connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr)))
                changeState = atom->atom;
        }
        return ewmhReady && !xcb_connection_has_error(connection);
    }

    // Errors of requests without replies arrive as events; nobody waits for them.
    void drain() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            std::free(event);
    }

    xcb_window_t root() const { return ewmh.screens[screen]->root; }

    void sendToRoot(xcb_window_t window, xcb_atom_t type, uint32_t data0) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = type;
        message.data.data32[0] = data0;
        xcb_send_event(connection, 0, root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }

    void changeWmState(WindowId window, xcb_atom_t first, xcb_atom_t second) {
        xcb_ewmh_request_change_wm_state(&ewmh, screen, window, XCB_EWMH_WM_STATE_ADD, first,
                                         second, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    }

    bool fromThisHost(WindowId window) {
        auto machine = reply(xcb_get_property_reply(connection,
                                                    xcb_get_property(connection, 0, window,
                                                                     XCB_ATOM_WM_CLIENT_MACHINE,
                                                                     XCB_ATOM_STRING, 0, 64),
                                                    nullptr));
        if (!machine || machine->type == XCB_ATOM_NONE) return true; // not said: assume local
        const QByteArray name(static_cast<const char*>(xcb_get_property_value(machine.get())),
                              xcb_get_property_value_length(machine.get()));
        return shortHostName(QByteArray(name.constData())) == host;
    }
};

X11Desktop::X11Desktop() : impl_(std::make_unique<Impl>()) {}

X11Desktop::~X11Desktop() = default;

bool X11Desktop::connected() {
    return impl_->open();
}

QList<WindowId> X11Desktop::clientWindows() {
    if (!connected()) return {};
    impl_->drain();
    xcb_ewmh_get_windows_reply_t list;
    if (!xcb_ewmh_get_client_list_reply(
            &impl_->ewmh, xcb_ewmh_get_client_list(&impl_->ewmh, impl_->screen), &list, nullptr))
        return {};
    QList<WindowId> windows(list.windows, list.windows + list.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&list);
    return windows;
}

pid_t X11Desktop::windowProcess(WindowId window) {
    const pid_t named = namedProcess(window);
    return named > 0 ? named : clientProcess(window);
}

pid_t X11Desktop::namedProcess(WindowId window) {
    if (!connected()) return 0;
    uint32_t pid = 0;
    if (xcb_ewmh_get_wm_pid_reply(&impl_->ewmh, xcb_ewmh_get_wm_pid(&impl_->ewmh, window), &pid,
                                  nullptr) &&
        pid > 0 && impl_->fromThisHost(window))
        return pid_t(pid);
    return 0;
}

pid_t X11Desktop::clientProcess(WindowId window) {
    if (!connected()) return 0;
    xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto ids = reply(xcb_res_query_client_ids_reply(
        impl_->connection, xcb_res_query_client_ids(impl_->connection, 1, &spec), nullptr));
    if (!ids) return 0;
    for (auto it = xcb_res_query_client_ids_ids_iterator(ids.get()); it.rem;
         xcb_res_client_id_value_next(&it)) {
        if (!(it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID)) continue;
        if (xcb_res_client_id_value_value_length(it.data) >= 1)
            return pid_t(*xcb_res_client_id_value_value(it.data));
    }
    return 0;
}

bool X11Desktop::isNormalWindow(WindowId window) {
    if (!connected()) return false;
    xcb_ewmh_get_atoms_reply_t types;
    if (!xcb_ewmh_get_wm_window_type_reply(
            &impl_->ewmh, xcb_ewmh_get_wm_window_type(&impl_->ewmh, window), &types, nullptr))
        return true; // no type: a normal window, as the EWMH says for top-level windows
    bool normal = types.atoms_len == 0;
    for (uint32_t i = 0; i < types.atoms_len; ++i)
        normal = normal || types.atoms[i] == impl_->ewmh._NET_WM_WINDOW_TYPE_NORMAL;
    xcb_ewmh_get_atoms_reply_wipe(&types);
    return normal;
}

void X11Desktop::minimize(WindowId window) {
    if (!connected() || impl_->changeState == XCB_ATOM_NONE) return;
    impl_->sendToRoot(window, impl_->changeState, kIconicState);
    xcb_flush(impl_->connection);
}

void X11Desktop::maximize(WindowId window) {
    if (!connected()) return;
    impl_->changeWmState(window, impl_->ewmh._NET_WM_STATE_MAXIMIZED_VERT,
                         impl_->ewmh._NET_WM_STATE_MAXIMIZED_HORZ);
    xcb_flush(impl_->connection);
}

void X11Desktop::hide(WindowId window) {
    if (!connected()) return;
    impl_->changeWmState(window, impl_->ewmh._NET_WM_STATE_SKIP_TASKBAR,
                         impl_->ewmh._NET_WM_STATE_SKIP_PAGER);
    minimize(window);
}

WindowId X11Desktop::activeWindow() {
    if (!connected()) return 0;
    impl_->drain();
    xcb_window_t window = XCB_WINDOW_NONE;
    if (!xcb_ewmh_get_active_window_reply(&impl_->ewmh,
                                          xcb_ewmh_get_active_window(&impl_->ewmh, impl_->screen),
                                          &window, nullptr))
        return 0;
    return window;
}

bool X11Desktop::exists(WindowId window) {
    if (!connected() || window == XCB_WINDOW_NONE) return false;
    xcb_generic_error_t* error = nullptr;
    auto attributes = reply(xcb_get_window_attributes_reply(
        impl_->connection, xcb_get_window_attributes(impl_->connection, window), &error));
    std::free(error);
    return attributes != nullptr;
}

std::optional<QRect> X11Desktop::geometry(WindowId window) {
    if (!connected() || window == XCB_WINDOW_NONE) return std::nullopt;
    xcb_connection_t* c = impl_->connection;
    auto size = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!size) return std::nullopt;
    // Window managers reparent: the position is asked of the root window.
    auto at = reply(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, size->root, 0, 0), nullptr));
    if (!at) return std::nullopt;
    return QRect(at->dst_x, at->dst_y, size->width, size->height);
}

void X11Desktop::activate(WindowId window, quint32 timestamp) {
    if (!connected()) return;
    xcb_ewmh_request_change_active_window(
        &impl_->ewmh, impl_->screen, window, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
        timestamp ? timestamp : XCB_CURRENT_TIME, XCB_WINDOW_NONE);
    xcb_flush(impl_->connection);
}

} // namespace lorvanta::platform
