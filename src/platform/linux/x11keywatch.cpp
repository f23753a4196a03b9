#include "x11keywatch.h"

#include "platform/keys/virtualkeys.h"

#include <QObject>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>

namespace lorvanta::platform {

namespace {

struct EventMask {
    xcb_input_event_mask_t head;
    uint32_t bits;
};

// Raw events reach the root window of clients that announced XInput 2.1 or
// later, whatever window has the focus and whoever grabbed the keyboard.
bool selectRawKeys(xcb_connection_t* c, xcb_window_t root) {
    xcb_input_xi_query_version_reply_t* v =
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
    const bool recent = v && (v->major_version > 2 || v->minor_version >= 1);
    std::free(v);
    if (!recent) return false;
    EventMask mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                   XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_input_xi_select_events_checked(c, root, 1, &mask.head));
    std::free(error);
    return error == nullptr;
}

} // namespace

struct X11KeyWatch::Impl {
    std::function<void(const RawKey&)> handler;
    // Raised by every start and stop; an event posted under an older value
    // is dropped on arrival, so none reaches the handler after stop().
    std::atomic<quint64> generation{0};
    // Lives on the thread that started the watch; events are queued to it.
    std::unique_ptr<QObject> receiver;
    std::thread reader;
    int stopFd = -1;
    xcb_connection_t* connection = nullptr;
    xcb_key_symbols_t* symbols = nullptr;
    uint8_t xinputOpcode = 0;

    bool open();
    void close();
    void read(quint64 gen);
    void handle(const xcb_generic_event_t* event, quint64 gen);
    void deliver(const RawKey& key, quint64 gen);
};

bool X11KeyWatch::Impl::open() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) return false;
    const xcb_query_extension_reply_t* xi = xcb_get_extension_data(connection, &xcb_input_id);
    if (!xi || !xi->present) return false;
    xinputOpcode = xi->major_opcode;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem || !selectRawKeys(connection, it.data->root)) return false;
    symbols = xcb_key_symbols_alloc(connection);
    if (!symbols) return false;
    // Load the mapping now rather than on the first key.
    xcb_key_symbols_get_keysym(symbols, xcb_get_setup(connection)->min_keycode, 0);
    stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return stopFd >= 0;
}

void X11KeyWatch::Impl::close() {
    if (symbols) xcb_key_symbols_free(symbols);
    if (connection) xcb_disconnect(connection);
    if (stopFd >= 0) ::close(stopFd);
    symbols = nullptr;
    connection = nullptr;
    stopFd = -1;
}

void X11KeyWatch::Impl::read(quint64 gen) {
    pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            handle(event, gen);
            std::free(event);
        }
        if (xcb_connection_has_error(connection)) return;
        // The stop descriptor wakes this wait, so it never outlasts stop().
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
    }
}

void X11KeyWatch::Impl::handle(const xcb_generic_event_t* event, quint64 gen) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        auto* notify = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        xcb_refresh_keyboard_mapping(symbols, const_cast<xcb_mapping_notify_event_t*>(notify));
        return;
    }
    if (type != XCB_GE_GENERIC) return;
    auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (ge->extension != xinputOpcode) return;
    if (ge->event_type != XCB_INPUT_RAW_KEY_PRESS && ge->event_type != XCB_INPUT_RAW_KEY_RELEASE)
        return;
    auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
    const xcb_keysym_t keysym = xcb_key_symbols_get_keysym(symbols, xcb_keycode_t(raw->detail), 0);
    deliver({virtualKeyOfKeysym(keysym), ge->event_type == XCB_INPUT_RAW_KEY_PRESS, raw->time},
            gen);
}

void X11KeyWatch::Impl::deliver(const RawKey& key, quint64 gen) {
    // Queued, never blocking: the reader must not wait for the main thread,
    // or stopping it from there could deadlock.
    QMetaObject::invokeMethod(
        receiver.get(),
        [this, key, gen] {
            if (gen != generation.load()) return;
            // A copy: the handler may stop or restart the watch.
            const auto current = handler;
            if (current) current(key);
        },
        Qt::QueuedConnection);
}

X11KeyWatch::X11KeyWatch() : impl_(std::make_unique<Impl>()) {}

X11KeyWatch::~X11KeyWatch() {
    stop();
}

bool X11KeyWatch::start(std::function<void(const RawKey&)> handler) {
    stop();
    if (!impl_->open()) {
        impl_->close();
        return false;
    }
    if (!impl_->receiver) impl_->receiver = std::make_unique<QObject>();
    impl_->handler = std::move(handler);
    const quint64 gen = ++impl_->generation;
    impl_->reader = std::thread([impl = impl_.get(), gen] { impl->read(gen); });
    return true;
}

void X11KeyWatch::stop() {
    ++impl_->generation;
    if (impl_->reader.joinable()) {
        const uint64_t one = 1;
        if (::write(impl_->stopFd, &one, sizeof one) < 0) {
            // An eventfd only refuses when its counter is full: already woken.
        }
        impl_->reader.join();
    }
    impl_->close();
    impl_->handler = nullptr;
}

} // namespace lorvanta::platform
