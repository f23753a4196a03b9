#include "superkey.h"

#include "core/settings/setup.h"

namespace lorvanta {

namespace {

bool isWin(int key) {
    return key == kVkLeftWin || key == kVkRightWin;
}
bool isShift(int key) {
    return key == kVkLeftShift || key == kVkRightShift;
}

// Opening releases Super silently first, so that the tap does not also
// bring up the Start menu.
constexpr SuperKeyOutcome kOpens{.open = true, .swallow = true, .silentRelease = true};
constexpr SuperKeyOutcome kGoesOn{};
constexpr SuperKeyOutcome kSilenced{.swallow = true, .silentRelease = true};
constexpr SuperKeyOutcome kStartMenu{.swallow = true, .startMenu = true};
constexpr SuperKeyOutcome kOpensGoesOn{.open = true};

// What a lone tap of Super does in modes 1..8: on a first release, on a
// second one within the threshold, and with Shift held (Shift only counts
// in modes 4 and 5, which never see a second release).
struct ModeRow {
    SuperKeyOutcome first, second, withShift;
    bool counts; // releases count towards a double press
};
constexpr ModeRow kModes[] = {
    {kOpens, kGoesOn, kOpens, true},          // 1
    {kGoesOn, kOpens, kGoesOn, true},         // 2
    {kOpens, kOpens, kOpens, false},          // 3
    {kOpens, kOpens, kStartMenu, false},      // 4
    {kGoesOn, kGoesOn, kOpensGoesOn, false},  // 5
    {kSilenced, kOpens, kSilenced, true},     // 6
    {kSilenced, kGoesOn, kSilenced, true},    // 7
    {kSilenced, kSilenced, kSilenced, false}, // 8
};

} // namespace

SuperKeyOutcome SuperKeyMachine::feed(const platform::RawKey& key) {
    if (key.down) {
        keyDown(key.key);
        return {};
    }
    // Shift let go while Super is up was no part of a Super gesture (a
    // capital letter typed earlier); let go while Super is held, it was.
    if (isShift(key.key) && !winPressed_) shiftPressed_ = false;
    if (!isWin(key.key) || !winPressed_) return {};
    if (comboDetected_) {
        // Super was part of a combination such as Super+E: the desktop's.
        winPressed_ = comboDetected_ = shiftPressed_ = false;
        return {};
    }
    const SuperKeyOutcome out = release(key.time);
    winPressed_ = comboDetected_ = shiftPressed_ = false;
    winKey_ = shiftKey_ = 0;
    return out;
}

void SuperKeyMachine::keyDown(int key) {
    if (shiftMatters() && isShift(key)) {
        shiftPressed_ = true;
        shiftKey_ = key;
    }
    if (isWin(key)) {
        winKey_ = key;
        winPressed_ = true;
        comboDetected_ = false;
    } else if (winPressed_ && !(shiftMatters() && isShift(key))) {
        comboDetected_ = true;
    }
}

SuperKeyOutcome SuperKeyMachine::release(quint32 now) {
    if (mode_ < 1 || mode_ > 8) return {};
    const ModeRow& row = kModes[mode_ - 1];
    // Unsigned, so the difference stays right when the clock wraps.
    const bool second = counting_ && now - lastWinRelease_ < threshold_;
    // A second release starts the count again.
    counting_ = row.counts && !second;
    lastWinRelease_ = counting_ ? now : 0;
    return shiftPressed_ ? row.withShift : second ? row.second : row.first;
}

QStringList winKeyModeCaptions() {
    // Raw key events only observe: Super always reaches the desktop too, and
    // nothing can be held back or sent in its place.
    const QString reaches = QStringLiteral(" (on Linux, Win still reaches the desktop)");
    const QString nothing =
        QStringLiteral(" (on Linux this does nothing: Win cannot be held back from the desktop)");
    return {
        QStringLiteral("No override (Windows default)"),
        QStringLiteral("Win opens Lorvanta, press twice opens Start menu") + reaches,
        QStringLiteral("Win opens Start menu, press twice opens Lorvanta") + reaches,
        QStringLiteral("Win opens Lorvanta, Ctrl+Esc opens Start menu") + reaches,
        QStringLiteral("Win opens Lorvanta, Shift+Win opens Start menu") +
            QStringLiteral(
                " (on Linux, Win still reaches the desktop and Shift+Win is left to it)"),
        QStringLiteral("Win opens Start menu, Shift+Win opens Lorvanta"),
        QStringLiteral("Win opens nothing, twice opens Lorvanta (gaming etc.)") + reaches,
        QStringLiteral("Win opens nothing, twice opens Start menu (gaming etc.)") + nothing,
        QStringLiteral("Win opens nothing (gaming etc.)") + nothing,
        QStringLiteral("Win+R opens Lorvanta"),
        QStringLiteral("Win+Z opens Lorvanta (Legacy)"),
    };
}

QList<int> winKeyModes(const Setup& setup) {
    QList<int> modes;
    if (setup.hookwin <= 0 && setup.gamingmode <= 0) return modes;
    if (setup.gamingmode > 0) {
        modes.append(setup.gamingmode + 5);
        if (setup.hookwin < 9) return modes;
    }
    modes.append(setup.hookwin);
    return modes;
}

} // namespace lorvanta
