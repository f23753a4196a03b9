#include "x11keywatch.h"

namespace lorvanta::platform {

// Not built yet: keys cannot be observed.
struct X11KeyWatch::Impl {};

X11KeyWatch::X11KeyWatch() : impl_(std::make_unique<Impl>()) {}
X11KeyWatch::~X11KeyWatch() = default;

bool X11KeyWatch::start(std::function<void(const RawKey&)>) {
    return false;
}
void X11KeyWatch::stop() {}

} // namespace lorvanta::platform
