#pragma once

#include "dialogs.h"
#include "environment.h"
#include "hotkeys.h"
#include "launcher.h"
#include "processcontrol.h"
#include "shell.h"
#include "system.h"
#include "windowfocus.h"

namespace lorvanta::platform {

// Every operating-system facility the logic may use, chosen in one place:
// the application hands in the Linux implementation, tests the recording
// fake. The facilities are owned by whoever built this bundle.
struct Platform {
    Environment& environment;
    Dialogs& dialogs;
    Shell& shell;
    ProcessControl& process;
    Launcher& launcher;
    System& system;
    WindowFocus& focus;
    GlobalHotkeys& hotkeys;
    KeyWatch& keys;
};

} // namespace lorvanta::platform
