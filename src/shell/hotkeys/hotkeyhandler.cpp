#include "hotkeyhandler.h"

#include "core/exec/execution.h"
#include "core/keywords/exeword.h"
#include "core/settings/setup.h"
#include "core/util/seams.h"
#include "hotkeymanager.h"
#include "platform/hotkeys.h"
#include "winkeyhook.h"

namespace lorvanta {

const QString HotkeyHandler::kMainHotkeyUnavailable = QStringLiteral(
    "The hotkey is not available on this desktop. Bind \"lorvanta -toggle\" to a shortcut "
    "in the desktop's keyboard settings to bring up Lorvanta.");

namespace {

// Commands that fill the candidate list.
constexpr QStringView kListMarkers[] = {
    u"$RECENT$",  u"$GROUPS$",    u"$TAGS$",     u"$CLIPBOARD$",  u"$APPS$",
    u"$HISTORY$", u"$KWHISTORY$", u"$NOTELIST$", u"$NOTESEARCH$", u"$PLUGINS$"};
// Commands that show their answer in the input box.
constexpr QStringView kDisplayMarkers[] = {u"$TIME$", u"$SHOWIP$", u"$PASSWORD$", u"$BROWSERURL$"};
// Commands that send keys, media keys or text, or paste: held hotkey keys
// would mix into what they send.
constexpr QStringView kSendMarkers[] = {
    u"$c",     u"$KEYS$",  u"$SENDKEYS$", u"$VOLUMEDOWN$",    u"$VOLUMEUP$",
    u"$MUTE$", u"$PAUSE$", u"$NEXT$",     u"$PREV$",          u"$PLAY$",
    u"$STOP$", u"$MEDIA$", u"$SEARCH$",   u"$TEXTCLEANPASTE", u"$SENDTEXT",
    u"$PASTE", u"$CUT$",   u"$COPY$",     u"$TEXTREGEXPASTE", u"$PS",
    u"$PP"};

template <size_t N> bool holdsAny(const QString& text, const QStringView (&markers)[N]) {
    for (QStringView m : markers)
        if (text.contains(m, Qt::CaseInsensitive)) return true;
    return false;
}

} // namespace

HotkeyHandler::HotkeyHandler(const Setup& setup, TmyHotKeyManager& manager,
                             platform::GlobalHotkeys& hotkeys, Execution& execution,
                             Scheduler& scheduler, HotkeyHost& host)
    : setup_(setup), manager_(manager), hotkeys_(hotkeys), execution_(execution),
      scheduler_(scheduler), host_(host) {}

HotkeyHandler::~HotkeyHandler() = default;

void HotkeyHandler::listen() {
    std::weak_ptr<int> alive = alive_;
    platform::HotkeyEvents events;
    events.pressed = [this, alive](int id, quint32 timestamp) {
        if (!alive.expired()) WMHotkey(id, timestamp);
    };
    // A keyword hotkey that is refused keeps its entry silently; only the
    // main hotkey's loss leaves the user without a way to the launcher.
    events.refused = [this, alive](int id, const QString&) {
        if (!alive.expired() && id == TmyHotKeyManager::kMainHotkeyId)
            host_.toast(kMainHotkeyUnavailable);
    };
    hotkeys_.setEvents(std::move(events));
}

void HotkeyHandler::WMHotkey(int id, quint32 timestamp) {
    if (id == TmyHotKeyManager::kMainHotkeyId) {
        showIfDue(kMainLockMs, timestamp);
        return;
    }
    // The Super+R and Super+Z grabs that stand for the Super-key modes 9 and 10.
    if (WinKeyHook::isWinKeyHotkey(id)) {
        HotOpen(kHotOpenLockMs, timestamp);
        return;
    }
    host_.rememberPreviousWindow();
    const TExeWord* w = manager_.FindKeyByAtom(id);
    const TMyHotKey* hotkey = manager_.entry(id);
    if (!w || !hotkey) return;

    Run run;
    run.keyword = w->uid();
    run.key = hotkey->key;
    run.keymod = hotkey->keymod;
    run.timestamp = timestamp;
    run.silent = w->command.contains(u"$HOLDTEXT$", Qt::CaseInsensitive);
    run.list = holdsAny(w->command, kListMarkers);
    run.display = holdsAny(w->command, kDisplayMarkers);
    run.wait =
        run.display || holdsAny(w->command, kSendMarkers) || holdsAny(w->parameters, kSendMarkers);
    if (run.list || run.display) host_.skipNextKeyRelease();
    runs_.push_back(run);
    if (busy_) return;
    // From the event loop, never inside the press: the desktop holds the
    // keyboard until the press is handled, and a keyword may open a dialog.
    busy_ = true;
    std::weak_ptr<int> alive = alive_;
    scheduler_.after(0, [this, alive] {
        if (!alive.expired()) runNext();
    });
}

void HotkeyHandler::HotOpen(int locktim, quint32 timestamp) {
    showIfDue(locktim, timestamp);
}

void HotkeyHandler::showIfDue(int locktim, quint32 timestamp) {
    if (host_.msSinceShowHide() <= locktim || host_.CheckAutoHideLogic()) return;
    if (setup_.popatcursor) host_.placeAtMouse();
    host_.showWindow(locktim, timestamp);
}

// Runs the waiting presses in order; one whose keys are still down is
// checked again in 10 ms (from the event loop: the window never freezes)
// until they are up or the checks are used up.
void HotkeyHandler::runNext() {
    busy_ = true;
    while (!runs_.empty()) {
        Run& run = runs_.front();
        if (run.wait && run.checks < kMaxReleaseChecks && hotkeys_.held(run.key, run.keymod)) {
            ++run.checks;
            std::weak_ptr<int> alive = alive_;
            scheduler_.after(kReleasePollMs, [this, alive] {
                if (!alive.expired()) runNext();
            });
            return;
        }
        const Run due = run;
        runs_.pop_front();
        execute(due);
    }
    busy_ = false;
}

void HotkeyHandler::execute(const Run& run) {
    // The keyword may have been deleted while its keys were held.
    const TExeWord* w = manager_.keyword(run.keyword);
    if (!w) return;
    const QString name = w->DefaultKeyword();
    if (run.list || run.display) {
        if (run.list) host_.dismissCustomElements();
        host_.putName(name);
        host_.showWindow(kMainLockMs, run.timestamp);
        // Showing may have put the information line or the last input in.
        if (setup_.infoenabled || setup_.infoonfocus) host_.putName(name);
    }
    ExecuteFlags flags;
    flags.forcedexeword = w;
    flags.forcasync = true;
    flags.forceSilent = run.silent;
    execution_.DoExecute(name, flags);
}

} // namespace lorvanta
