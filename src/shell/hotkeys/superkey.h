#pragma once

#include "platform/hotkeys.h"

#include <QList>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>

namespace lorvanta {

struct Setup;

// The Super-key (Windows-key) gestures: modes 1 to 8 decide from the key
// presses and releases of the desktop, with their times, whether a tap of
// Super opens the launcher. The machine is a pure function of the events, the
// mode and the double-press threshold, so it is tested without a desktop.
//
// A Windows build sat in the key's path and could also keep a key from the
// system or synthesise keys; the outcome still says what that build did, so
// the table of gestures stays whole, but the desktop here is only observed:
// on Linux only `open` has an effect.

// Virtual-key codes the gestures look at.
inline constexpr int kVkLeftWin = 91;
inline constexpr int kVkRightWin = 92;
inline constexpr int kVkLeftShift = 160;
inline constexpr int kVkRightShift = 161;

// What one key event leads to.
struct SuperKeyOutcome {
    bool open = false;          // open the launcher, as the main hotkey does
    bool swallow = false;       // keep the event from the system (else it is passed on)
    bool silentRelease = false; // release Super so that no Start menu follows the tap
    bool startMenu = false;     // open the Start menu by Ctrl+Esc
    bool operator==(const SuperKeyOutcome&) const = default;
};

class SuperKeyMachine {
public:
    // `mode` 1..8 as in winKeyModeCaptions(); other modes never act.
    // `threshold` is the most milliseconds between two releases that still
    // make a double press.
    SuperKeyMachine(int mode, int threshold)
        : mode_(mode), threshold_(quint32(std::max(threshold, 0))) {}

    SuperKeyOutcome feed(const platform::RawKey& key);

    int mode() const { return mode_; }
    // Whether the last release of Super counts towards a double press, and
    // its time.
    bool counting() const { return counting_; }
    quint32 lastWinRelease() const { return lastWinRelease_; }

private:
    void keyDown(int key);
    SuperKeyOutcome release(quint32 now);
    bool shiftMatters() const { return mode_ == 4 || mode_ == 5; }

    int mode_;
    quint32 threshold_;
    bool winPressed_ = false;
    // The keys held, which a silent release or the Start menu's keys would
    // let go of where keys can be sent.
    int winKey_ = 0;
    int shiftKey_ = 0;
    bool comboDetected_ = false;
    bool shiftPressed_ = false;
    // A release at time 0 must count too, so "none" is a flag of its own.
    bool counting_ = false;
    quint32 lastWinRelease_ = 0;
};

// The captions of modes 0..10 in the order the settings list them (index =
// mode), each with a short note where the gesture has no form on Linux.
QStringList winKeyModeCaptions();

// The modes to start, in order, from `hookwin` and `gamingmode` (a gaming
// mode replaces the Super-key mode by `gamingmode` + 5; `hookwin` 9 or more
// still starts beside it). The older keys hookwinr and hookwinz are already
// folded into `hookwin` when the settings are read. Empty: nothing to start.
QList<int> winKeyModes(const Setup& setup);

} // namespace lorvanta
