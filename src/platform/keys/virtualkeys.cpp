#include "virtualkeys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <array>

namespace lorvanta::platform {

namespace {

struct KeyRow {
    int vk;
    quint32 keysym;
    const char* name; // nullptr: the character of the keysym
};

// Letters, digits and F-keys follow from their ranges; everything else is here.
constexpr std::array kRows{
    KeyRow{8, XK_BackSpace, "BkSp"},
    KeyRow{9, XK_Tab, "Tab"},
    KeyRow{12, XK_KP_Begin, "Clear"},
    KeyRow{13, XK_Return, "Enter"},
    KeyRow{16, XK_Shift_L, "Shift"},
    KeyRow{17, XK_Control_L, "Ctrl"},
    KeyRow{18, XK_Alt_L, "Alt"},
    KeyRow{19, XK_Pause, "Pause"},
    KeyRow{20, XK_Caps_Lock, "Caps Lock"},
    KeyRow{27, XK_Escape, "Esc"},
    KeyRow{32, XK_space, "Space"},
    KeyRow{33, XK_Prior, "PgUp"},
    KeyRow{34, XK_Next, "PgDn"},
    KeyRow{35, XK_End, "End"},
    KeyRow{36, XK_Home, "Home"},
    KeyRow{37, XK_Left, "Left"},
    KeyRow{38, XK_Up, "Up"},
    KeyRow{39, XK_Right, "Right"},
    KeyRow{40, XK_Down, "Down"},
    KeyRow{41, XK_Select, "Select"},
    KeyRow{43, XK_Execute, "Execute"},
    KeyRow{44, XK_Print, "Print Screen"},
    KeyRow{45, XK_Insert, "Ins"},
    KeyRow{46, XK_Delete, "Del"},
    KeyRow{47, XK_Help, "Help"},
    KeyRow{91, XK_Super_L, "Left Windows"},
    KeyRow{92, XK_Super_R, "Right Windows"},
    KeyRow{93, XK_Menu, "Application"},
    KeyRow{95, XF86XK_Sleep, "Sleep"},
    KeyRow{96, XK_KP_0, "Num 0"},
    KeyRow{97, XK_KP_1, "Num 1"},
    KeyRow{98, XK_KP_2, "Num 2"},
    KeyRow{99, XK_KP_3, "Num 3"},
    KeyRow{100, XK_KP_4, "Num 4"},
    KeyRow{101, XK_KP_5, "Num 5"},
    KeyRow{102, XK_KP_6, "Num 6"},
    KeyRow{103, XK_KP_7, "Num 7"},
    KeyRow{104, XK_KP_8, "Num 8"},
    KeyRow{105, XK_KP_9, "Num 9"},
    KeyRow{106, XK_KP_Multiply, "Num *"},
    KeyRow{107, XK_KP_Add, "Num +"},
    KeyRow{108, XK_KP_Separator, "Num ,"},
    KeyRow{109, XK_KP_Subtract, "Num -"},
    KeyRow{110, XK_KP_Decimal, "Num Del"},
    KeyRow{111, XK_KP_Divide, "Num /"},
    KeyRow{144, XK_Num_Lock, "Num Lock"},
    KeyRow{145, XK_Scroll_Lock, "Scroll Lock"},
    KeyRow{160, XK_Shift_L, "Shift"},
    KeyRow{161, XK_Shift_R, "Right Shift"},
    KeyRow{162, XK_Control_L, "Ctrl"},
    KeyRow{163, XK_Control_R, "Right Ctrl"},
    KeyRow{164, XK_Alt_L, "Alt"},
    KeyRow{165, XK_Alt_R, "Right Alt"},
    KeyRow{166, XF86XK_Back, "Browser Back"},
    KeyRow{167, XF86XK_Forward, "Browser Forward"},
    KeyRow{168, XF86XK_Refresh, "Browser Refresh"},
    KeyRow{169, XF86XK_Stop, "Browser Stop"},
    KeyRow{170, XF86XK_Search, "Browser Search"},
    KeyRow{171, XF86XK_Favorites, "Browser Favorites"},
    KeyRow{172, XF86XK_HomePage, "Browser Home"},
    KeyRow{173, XF86XK_AudioMute, "Volume Mute"},
    KeyRow{174, XF86XK_AudioLowerVolume, "Volume Down"},
    KeyRow{175, XF86XK_AudioRaiseVolume, "Volume Up"},
    KeyRow{176, XF86XK_AudioNext, "Next Track"},
    KeyRow{177, XF86XK_AudioPrev, "Previous Track"},
    KeyRow{178, XF86XK_AudioStop, "Stop Media"},
    KeyRow{179, XF86XK_AudioPlay, "Play/Pause Media"},
    KeyRow{180, XF86XK_Mail, "Start Mail"},
    KeyRow{181, XF86XK_AudioMedia, "Select Media"},
    KeyRow{182, XF86XK_Launch0, "Start Application 1"},
    KeyRow{183, XF86XK_Launch1, "Start Application 2"},
    KeyRow{186, XK_semicolon, nullptr},
    KeyRow{187, XK_equal, nullptr},
    KeyRow{188, XK_comma, nullptr},
    KeyRow{189, XK_minus, nullptr},
    KeyRow{190, XK_period, nullptr},
    KeyRow{191, XK_slash, nullptr},
    KeyRow{192, XK_grave, nullptr},
    KeyRow{219, XK_bracketleft, nullptr},
    KeyRow{220, XK_backslash, nullptr},
    KeyRow{221, XK_bracketright, nullptr},
    KeyRow{222, XK_apostrophe, nullptr},
    KeyRow{226, XK_less, nullptr}, // the extra key of 102-key boards
};

constexpr int kF1 = 112, kF24 = 135;

} // namespace

quint32 keysymOfVirtualKey(int vk) {
    if (vk >= 'A' && vk <= 'Z') return quint32(XK_a + (vk - 'A'));
    if (vk >= '0' && vk <= '9') return quint32(XK_0 + (vk - '0'));
    if (vk >= kF1 && vk <= kF24) return quint32(XK_F1 + (vk - kF1));
    for (const KeyRow& r : kRows)
        if (r.vk == vk) return r.keysym;
    return 0;
}

int virtualKeyOfKeysym(quint32 keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return int('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z) return int('A' + (keysym - XK_A));
    if (keysym >= XK_0 && keysym <= XK_9) return int('0' + (keysym - XK_0));
    if (keysym >= XK_F1 && keysym <= XK_F24) return int(kF1 + (keysym - XK_F1));
    // The left and right modifiers have codes of their own; the first row of
    // a keysym (16 for Shift) stands for either side, so sided rows win.
    int found = 0;
    for (const KeyRow& r : kRows)
        if (r.keysym == keysym && (found == 0 || r.vk >= 160)) found = r.vk;
    return found;
}

QString virtualKeyName(int vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return QString(QChar(vk));
    if (vk >= kF1 && vk <= kF24) return QStringLiteral("F%1").arg(vk - kF1 + 1);
    for (const KeyRow& r : kRows)
        if (r.vk == vk) return r.name ? QString::fromLatin1(r.name) : QString(QChar(r.keysym));
    return {};
}

} // namespace lorvanta::platform
