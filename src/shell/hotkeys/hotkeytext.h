#pragma once

#include <QString>

namespace lorvanta {

// The text a hotkey is shown by in the keyword list and the first-run
// wizard: "WIN+", "ALT+", "CTRL+", "SHIFT+" for the modifier flags (always in
// this order) and the key's name, e.g. "WIN+SHIFT+Z"; "None" for key -1. A
// code without a name here shows as "Key " and its number.
QString HotkeyText(int modifiers, int key);

} // namespace lorvanta
