#pragma once

// The registry of system-wide hotkeys: the main hotkey (id 1) that brings up
// the launcher, and one hotkey per keyword (ids 2 to 500) that runs it from
// anywhere. Registrations go through platform::GlobalHotkeys; the registry
// only decides ids and remembers which keyword owns which.

#include <QList>
#include <QString>

namespace lorvanta {

namespace platform {
struct Platform;
}
struct Setup;
class KeywordStore;
class TExeWord;

// One keyword hotkey. The keyword is named by its uid, never by address, so
// an entry can outlive its keyword without pointing at freed memory.
struct TMyHotKey {
    int key = -1;    // virtual-key code, -1 none
    int keymod = -1; // modifier flags (platform::kModAlt ...)
    int atom = -1;   // hotkey id, 2..500; -1 when none was free
    quint64 exeword = 0;
};

class TmyHotKeyManager {
public:
    static constexpr int kMainHotkeyId = 1;
    static constexpr int kFirstAtom = 2;
    static constexpr int kLastAtom = 500;

    // Watches `store`: a keyword it destroys loses its hotkey at once.
    TmyHotKeyManager(platform::Platform& platform, KeywordStore& store);
    ~TmyHotKeyManager();
    TmyHotKeyManager(const TmyHotKeyManager&) = delete;
    TmyHotKeyManager& operator=(const TmyHotKeyManager&) = delete;

    // Registers (or re-registers) `e`'s hotkey as `k` with modifiers `ka`.
    // A new entry takes the smallest free id. False when nothing was
    // registered: key -1, no free id, or the desktop refused; a refused
    // entry keeps its id and nobody is told.
    bool AddOrUpdate(int k, int ka, const TExeWord& e);
    // AddOrUpdate with e's own hotkey unless e is disabled or has none.
    bool AddExeword(const TExeWord& e);
    // Unregisters e's hotkey and forgets its entry.
    void Remove(const TExeWord& e);
    // Unregisters every keyword hotkey.
    void CleanUp();
    // AddExeword for every keyword of the store, in its order (start-up).
    void RegisterAllHotkeys();
    // After the keywords changed wholesale (the settings read again, the
    // editor closed): entries of keywords that are gone, disabled or
    // without key go, changed hotkeys are registered again, new ones added.
    void Sync();

    // The index of e's entry, or -1.
    int Exist(const TExeWord& e) const;
    // The smallest id in 2..500 no entry holds, or -1.
    int FindFreeAtom() const;
    // The keyword that owns hotkey `id`, or nothing. An entry whose keyword
    // no longer exists is dropped here, grab and all.
    TExeWord* FindKeyByAtom(int id);
    // The keyword with this uid while it exists.
    TExeWord* keyword(quint64 uid) const;
    // The entry with hotkey `id`, or nothing.
    const TMyHotKey* entry(int id) const;
    const QList<TMyHotKey>& hotkeys() const { return hotkeys_; }

    // The main hotkey from `hotkey`/`hotkeyadd` (0: none, and any earlier
    // one goes). At start-up (`report`) a refusal shows "Unable to assign
    // hotkey."; after the settings dialog it stays silent. True when registered.
    bool RegisterMainHotkey(const Setup& setup, bool report);

private:
    void dropEntry(int index);

    platform::Platform& platform_;
    KeywordStore& store_;
    QList<TMyHotKey> hotkeys_; // in registration order
    bool mainRegistered_ = false;
};

} // namespace lorvanta
