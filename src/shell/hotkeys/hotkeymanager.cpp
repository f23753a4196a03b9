#include "hotkeymanager.h"

#include "core/keywords/keywordstore.h"
#include "core/settings/setup.h"
#include "platform/platform.h"

namespace lorvanta {

TmyHotKeyManager::TmyHotKeyManager(platform::Platform& platform, KeywordStore& store)
    : platform_(platform), store_(store) {
    store_.setRemovalWatch([this](const TExeWord& e) { Remove(e); });
}

TmyHotKeyManager::~TmyHotKeyManager() {
    store_.setRemovalWatch({});
}

bool TmyHotKeyManager::AddOrUpdate(int k, int ka, const TExeWord& e) {
    int i = Exist(e);
    if (i < 0) {
        hotkeys_.append(TMyHotKey{k, ka, FindFreeAtom(), e.uid()});
        i = int(hotkeys_.size()) - 1;
    } else {
        TMyHotKey& h = hotkeys_[i];
        if (h.atom > 0) platform_.hotkeys.remove(h.atom);
        h.key = k;
        h.keymod = ka;
        // An entry made while every id was taken gets one once one is free.
        if (h.atom < 0) h.atom = FindFreeAtom();
    }
    const TMyHotKey& h = hotkeys_[i];
    if (h.key == -1 || h.atom < 0) return false;
    const QString name = e.DefaultKeyword();
    platform_.hotkeys.describe(h.atom, QStringLiteral("keyword-") + name,
                               QStringLiteral("Run the keyword \"%1\"").arg(name));
    return platform_.hotkeys.add(h.atom, h.key, h.keymod);
}

bool TmyHotKeyManager::AddExeword(const TExeWord& e) {
    if (e.disabled || e.key == -1) return false;
    return AddOrUpdate(e.key, e.keymod, e);
}

void TmyHotKeyManager::Remove(const TExeWord& e) {
    const int i = Exist(e);
    if (i >= 0) dropEntry(i);
}

void TmyHotKeyManager::dropEntry(int index) {
    const int atom = hotkeys_[index].atom;
    if (atom > 0) platform_.hotkeys.remove(atom);
    hotkeys_.removeAt(index);
}

void TmyHotKeyManager::CleanUp() {
    for (const TMyHotKey& h : hotkeys_)
        if (h.atom > 0) platform_.hotkeys.remove(h.atom);
    hotkeys_.clear();
}

void TmyHotKeyManager::RegisterAllHotkeys() {
    for (int i = 0; i < store_.size(); ++i)
        AddExeword(store_.at(i));
}

void TmyHotKeyManager::Sync() {
    for (int i = int(hotkeys_.size()) - 1; i >= 0; --i) {
        const TMyHotKey h = hotkeys_[i];
        const TExeWord* e = keyword(h.exeword);
        if (!e || e->disabled || e->key == -1)
            dropEntry(i);
        else if (e->key != h.key || e->keymod != h.keymod)
            AddOrUpdate(e->key, e->keymod, *e);
    }
    for (int i = 0; i < store_.size(); ++i)
        if (Exist(store_.at(i)) < 0) AddExeword(store_.at(i));
}

int TmyHotKeyManager::Exist(const TExeWord& e) const {
    for (int i = 0; i < hotkeys_.size(); ++i)
        if (hotkeys_[i].exeword == e.uid()) return i;
    return -1;
}

int TmyHotKeyManager::FindFreeAtom() const {
    for (int atom = kFirstAtom; atom <= kLastAtom; ++atom)
        if (!entry(atom)) return atom;
    return -1;
}

const TMyHotKey* TmyHotKeyManager::entry(int id) const {
    if (id < kFirstAtom) return nullptr; // entries without an id are not a hotkey
    for (const TMyHotKey& h : hotkeys_)
        if (h.atom == id) return &h;
    return nullptr;
}

TExeWord* TmyHotKeyManager::keyword(quint64 uid) const {
    return store_.findByUid(uid);
}

TExeWord* TmyHotKeyManager::FindKeyByAtom(int id) {
    if (id < kFirstAtom) return nullptr;
    for (int i = 0; i < hotkeys_.size(); ++i) {
        if (hotkeys_[i].atom != id) continue;
        if (TExeWord* e = keyword(hotkeys_[i].exeword)) return e;
        dropEntry(i); // its keyword is gone: so is its grab
        return nullptr;
    }
    return nullptr;
}

bool TmyHotKeyManager::RegisterMainHotkey(const Setup& setup, bool report) {
    if (setup.hotkey == 0) {
        if (mainRegistered_) platform_.hotkeys.remove(kMainHotkeyId);
        mainRegistered_ = false;
        return false;
    }
    platform_.hotkeys.describe(kMainHotkeyId, QStringLiteral("show"),
                               QStringLiteral("Show Lorvanta"));
    mainRegistered_ = platform_.hotkeys.add(kMainHotkeyId, setup.hotkey, setup.hotkeyadd);
    if (!mainRegistered_ && report)
        platform_.dialogs.message(QStringLiteral("Warning"),
                                  QStringLiteral("Unable to assign hotkey."));
    return mainRegistered_;
}

} // namespace lorvanta
