#pragma once

#include "platform/hotkeys.h"

#include <memory>

namespace lorvanta::platform {

// Every key press and release on the X server, from XInput2 raw events read
// on a thread of its own with a connection of its own; events are handed to
// the main thread with queued calls, so stopping never waits on the main
// thread and can never deadlock. Start, stop and destroy it on the main
// thread (the thread whose event loop runs the handler).
class X11KeyWatch final : public KeyWatch {
public:
    X11KeyWatch();
    ~X11KeyWatch() override;
    X11KeyWatch(const X11KeyWatch&) = delete;
    X11KeyWatch& operator=(const X11KeyWatch&) = delete;

    bool start(std::function<void(const RawKey&)> handler) override;
    void stop() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace lorvanta::platform
