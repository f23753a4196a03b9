#pragma once

#include <QString>
#include <QtGlobal>

namespace lorvanta::platform {

// Hotkeys are stored as virtual-key codes (the numbering of the settings
// files); X11 and the desktop portals speak keysyms. This one table maps
// between them: letters, digits, F1-F24, the keypad, navigation and editing
// keys, media and browser keys, Pause, the modifiers and the punctuation of
// a US layout.

// The keysym of a virtual-key code; 0 when the code has no key here.
quint32 keysymOfVirtualKey(int vk);
// The virtual-key code of a keysym (either case of a letter); 0 when none.
int virtualKeyOfKeysym(quint32 keysym);
// The key's name as hotkey texts show it ("Z", "F5", "Num 7", "PgUp",
// "Pause", ";"); empty when the code has no key here.
QString virtualKeyName(int vk);

} // namespace lorvanta::platform
