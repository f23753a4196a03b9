#include "portalhotkeys.h"

namespace lorvanta::platform {

// Not built yet: the portal is never offered.
struct PortalHotkeys::Impl {
    explicit Impl(GlobalHotkeys& f) : fallback(f) {}
    GlobalHotkeys& fallback;
};

PortalHotkeys::PortalHotkeys(GlobalHotkeys& fallback) : impl_(std::make_unique<Impl>(fallback)) {}
PortalHotkeys::~PortalHotkeys() = default;

bool PortalHotkeys::offered() {
    return false;
}
void PortalHotkeys::setEvents(HotkeyEvents) {}
bool PortalHotkeys::add(int, int, int) {
    return false;
}
void PortalHotkeys::remove(int) {}
bool PortalHotkeys::held(int key, int modifiers) {
    return impl_->fallback.held(key, modifiers);
}
void PortalHotkeys::holdKeyboard(quint32 timestamp) {
    impl_->fallback.holdKeyboard(timestamp);
}
void PortalHotkeys::releaseKeyboard() {
    impl_->fallback.releaseKeyboard();
}

} // namespace lorvanta::platform
