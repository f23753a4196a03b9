#pragma once

#include <optional>

namespace lorvanta {

// The `priority` setting as a nice value. The setting keeps the Windows
// priority classes: 0 idle (19), 1 below normal (10), 2 normal (left alone),
// 3 above normal (-5), 4 high (-10), 5 realtime (-15; a real-time scheduling
// class would let a busy launcher freeze the desktop). Nothing for 2 and for
// values outside the table.
std::optional<int> niceForPriority(int priority);

// Applies the setting to every thread of the process (on Linux the nice value
// belongs to each thread; threads started later inherit it). Normal does
// nothing. False when the value is unknown or the system refused, which it
// does for a negative nice value without the privilege; the process then
// simply keeps running as it was.
bool applyPriority(int priority);

} // namespace lorvanta
