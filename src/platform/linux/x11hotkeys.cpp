#include "x11hotkeys.h"

namespace lorvanta::platform {

// Not built yet: every registration is refused.
struct X11Hotkeys::Impl {
    HotkeyEvents events;
};

X11Hotkeys::X11Hotkeys() : impl_(std::make_unique<Impl>()) {}
X11Hotkeys::~X11Hotkeys() = default;

void X11Hotkeys::setEvents(HotkeyEvents events) {
    impl_->events = std::move(events);
}
bool X11Hotkeys::add(int, int, int) {
    return false;
}
void X11Hotkeys::remove(int) {}
bool X11Hotkeys::held(int, int) {
    return false;
}
void X11Hotkeys::holdKeyboard(quint32) {}
void X11Hotkeys::releaseKeyboard() {}

} // namespace lorvanta::platform
