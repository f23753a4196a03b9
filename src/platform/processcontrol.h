#pragma once

namespace lorvanta::platform {

// The life of the program's own process.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;

    // Ends the process at once with `code`, writing nothing on the way out.
    // The fake only records the call, so callers must stop their own work
    // after asking for it.
    virtual void exitProcess(int code) = 0;
};

} // namespace lorvanta::platform
