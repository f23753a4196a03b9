#include "core/corestate.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/setup.h"
#include "shell/hotkeys/hotkeymanager.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;

namespace {

// A store and the registry over the fake desktop's hotkeys.
struct Registry {
    platform::FakePlatform fake;
    KeywordStore store;
    TmyHotKeyManager hotkeys{fake.platform(), store};

    TExeWord& word(const QString& name, int key = 65, int mods = 2) {
        auto w = std::make_unique<TExeWord>();
        w->keywords = name;
        w->command = s("/usr/bin/") + name;
        w->key = key;
        w->keymod = mods;
        return store.append(std::move(w));
    }
    int atomOf(const TExeWord& w) const {
        const int i = hotkeys.Exist(w);
        return i < 0 ? -1 : hotkeys.hotkeys()[i].atom;
    }
    // The grabs asked for and given back (the names that go with them are
    // tested on their own).
    QStringList calls() const {
        QStringList grabs = fake.calls();
        grabs.removeIf([](const QString& c) { return c.startsWith(u"hotkeyDescribe"); });
        return grabs;
    }
};

TEST(HotkeyRegistry, IdsFollowRegistrationOrderAndFreedIdsAreReused) {
    Registry r;
    TExeWord& a = r.word(s("a"), 65);
    TExeWord& b = r.word(s("b"), 66);
    TExeWord& c = r.word(s("c"), 67, 9);
    r.hotkeys.RegisterAllHotkeys();
    EXPECT_EQ(r.calls(),
              (QStringList{s("hotkeyAdd 2 65 2"), s("hotkeyAdd 3 66 2"), s("hotkeyAdd 4 67 9")}));
    EXPECT_EQ(r.hotkeys.FindKeyByAtom(3), &b);

    r.fake.clearCalls();
    r.hotkeys.Remove(b);
    EXPECT_EQ(r.calls(), QStringList{s("hotkeyRemove 3")});
    EXPECT_EQ(r.hotkeys.Exist(b), -1);
    EXPECT_EQ(r.hotkeys.FindFreeAtom(), 3);
    EXPECT_EQ(r.hotkeys.FindKeyByAtom(3), nullptr);

    // The next keyword takes the freed id; the others keep theirs.
    TExeWord& d = r.word(s("d"), 68);
    EXPECT_TRUE(r.hotkeys.AddExeword(d));
    EXPECT_EQ(r.atomOf(d), 3);
    EXPECT_EQ(r.atomOf(a), 2);
    EXPECT_EQ(r.atomOf(c), 4);
    EXPECT_EQ(r.hotkeys.FindFreeAtom(), 5);
}

TEST(HotkeyRegistry, WhatAKeywordRegisters) {
    const struct {
        const char* what;
        int key, mods;
        bool disabled, refused;
        bool registered;
        const char* calls;
        int atom; // -1: no entry
    } cases[] = {
        {"plain", 65, 2, false, false, true, "hotkeyAdd 2 65 2", 2},
        {"disabled", 65, 2, true, false, false, "", -1},
        {"without key", -1, -1, false, false, false, "", -1},
        // Taken by another program: nobody is told and the id stays taken.
        {"refused", 65, 2, false, true, false, "hotkeyAdd 2 65 2", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Registry r;
        if (c.refused) r.fake.refusedHotkeys.append({c.key, c.mods});
        TExeWord& w = r.word(s("w"), c.key, c.mods);
        w.disabled = c.disabled;
        EXPECT_EQ(r.hotkeys.AddExeword(w), c.registered);
        EXPECT_EQ(r.calls().join(u';'), s(c.calls));
        EXPECT_EQ(r.atomOf(w), c.atom);
        EXPECT_EQ(r.fake.hotkeys.contains(2), c.registered);
        if (c.atom > 0) {
            EXPECT_EQ(r.hotkeys.FindFreeAtom(), 3);
        }
    }
}

TEST(HotkeyRegistry, RegisteringAgainReplacesTheCombinationUnderTheSameId) {
    Registry r;
    TExeWord& a = r.word(s("a"), 65, 2);
    r.word(s("b"), 66, 2);
    r.hotkeys.RegisterAllHotkeys();
    r.fake.clearCalls();

    EXPECT_TRUE(r.hotkeys.AddOrUpdate(70, 9, a));
    EXPECT_EQ(r.calls(), (QStringList{s("hotkeyRemove 2"), s("hotkeyAdd 2 70 9")}));
    EXPECT_EQ(r.fake.hotkeys.value(2), qMakePair(70, 9));
    EXPECT_EQ(r.hotkeys.hotkeys().size(), 2);

    // Cleared in the editor: unregistered, the entry and its id stay.
    r.fake.clearCalls();
    EXPECT_FALSE(r.hotkeys.AddOrUpdate(-1, 0, a));
    EXPECT_EQ(r.calls(), QStringList{s("hotkeyRemove 2")});
    EXPECT_EQ(r.atomOf(a), 2);
}

TEST(HotkeyRegistry, NoFreeIdMeansNoHotkeyUntilOneIsFreed) {
    Registry r;
    for (int i = 0; i < 499; ++i)
        r.word(s("w%1").arg(i), 65 + i % 26, i / 26);
    r.hotkeys.RegisterAllHotkeys();
    EXPECT_EQ(r.atomOf(r.store.at(498)), 500);
    EXPECT_EQ(r.hotkeys.FindFreeAtom(), -1);

    TExeWord& late = r.word(s("late"), 90, 15);
    r.fake.clearCalls();
    EXPECT_FALSE(r.hotkeys.AddExeword(late));
    EXPECT_TRUE(r.calls().isEmpty()) << "nothing registered under a made-up id";
    EXPECT_EQ(r.atomOf(late), -1);
    EXPECT_EQ(r.hotkeys.FindKeyByAtom(-1), nullptr);

    // Once an id is free, registering the keyword again gives it that id.
    r.hotkeys.Remove(r.store.at(10));
    EXPECT_TRUE(r.hotkeys.AddExeword(late));
    EXPECT_EQ(r.atomOf(late), 12);
    EXPECT_EQ(r.hotkeys.FindKeyByAtom(12), &late);
}

// Every way the store destroys a keyword takes its hotkey with it, and the
// registry never hands out the destroyed keyword.
TEST(HotkeyRegistry, ADestroyedKeywordLosesItsHotkeyAndIsNeverFound) {
    const struct {
        const char* how;
        void (*destroy)(KeywordStore&, TExeWord&);
    } cases[] = {
        {"remove", [](KeywordStore& st, TExeWord& w) { st.remove(&w); }},
        {"clear", [](KeywordStore& st, TExeWord&) { st.clear(); }},
        {"editor closes on an unnamed record",
         [](KeywordStore& st, TExeWord& w) {
             w.keywords = s("new...");
             st.finishEditing(false);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        Registry r;
        TExeWord& keep = r.word(s("keep"), 65);
        TExeWord& doomed = r.word(s("doomed"), 66);
        r.hotkeys.RegisterAllHotkeys();
        const bool keepGoesToo = QByteArray(c.how) == "clear";
        r.fake.clearCalls();
        c.destroy(r.store, doomed);
        EXPECT_TRUE(r.calls().contains(s("hotkeyRemove 3")));
        EXPECT_FALSE(r.fake.hotkeys.contains(3));
        EXPECT_EQ(r.hotkeys.FindKeyByAtom(3), nullptr);
        EXPECT_EQ(r.hotkeys.FindFreeAtom(), keepGoesToo ? 2 : 3);
        if (!keepGoesToo) {
            EXPECT_EQ(r.hotkeys.FindKeyByAtom(2), &keep);
        }
    }
}

TEST(HotkeyRegistry, AnEntryWhoseKeywordVanishedUnseenIsDroppedWhenPressed) {
    Registry r;
    TExeWord& w = r.word(s("w"), 65);
    r.hotkeys.AddExeword(w);
    r.store.setRemovalWatch({}); // the registry is not told this time
    r.store.remove(&w);
    r.fake.clearCalls();
    EXPECT_EQ(r.hotkeys.FindKeyByAtom(2), nullptr);
    EXPECT_EQ(r.calls(), QStringList{s("hotkeyRemove 2")});
    EXPECT_TRUE(r.hotkeys.hotkeys().isEmpty());
}

TEST(HotkeyRegistry, ACopyOfAKeywordIsAnotherKeyword) {
    Registry r;
    TExeWord& w = r.word(s("w"), 65);
    r.hotkeys.AddExeword(w);

    // A copy appended as a new record (or a clone for the editor) does not
    // take over the original's hotkey...
    TExeWord& copy = r.store.append(std::make_unique<TExeWord>(w));
    EXPECT_NE(copy.uid(), w.uid());
    EXPECT_EQ(r.hotkeys.Exist(copy), -1);
    const auto clone = w.Clone();
    EXPECT_NE(static_cast<const TExeWord&>(*clone).uid(), w.uid());
    // ...and removing the copy leaves the original's hotkey alone.
    r.store.remove(&copy);
    EXPECT_EQ(r.hotkeys.FindKeyByAtom(2), &w);

    // Edits written back onto the original keep its identity.
    TExeWord edited(w);
    edited.command = s("/usr/bin/other");
    const quint64 before = w.uid();
    w.Clone(edited);
    EXPECT_EQ(w.uid(), before);
    EXPECT_EQ(w.command, s("/usr/bin/other"));
    EXPECT_EQ(r.hotkeys.FindKeyByAtom(2), &w);
}

TEST(HotkeyRegistry, CleanUpUnregistersEveryKeywordHotkey) {
    Registry r;
    r.word(s("a"), 65);
    r.word(s("b"), 66);
    lorvanta::Setup setup;
    r.hotkeys.RegisterMainHotkey(setup, true);
    r.hotkeys.RegisterAllHotkeys();
    r.fake.clearCalls();
    r.hotkeys.CleanUp();
    EXPECT_EQ(r.calls(), (QStringList{s("hotkeyRemove 2"), s("hotkeyRemove 3")}));
    EXPECT_TRUE(r.hotkeys.hotkeys().isEmpty());
    EXPECT_EQ(r.fake.hotkeys.keys(), QList<int>{1}) << "the main hotkey is not a keyword's";
}

TEST(HotkeyRegistry, SyncFollowsTheStoreAfterWholesaleChanges) {
    Registry r;
    TExeWord& same = r.word(s("same"), 65);
    TExeWord& changed = r.word(s("changed"), 66);
    TExeWord& disabled = r.word(s("disabled"), 67);
    TExeWord& cleared = r.word(s("cleared"), 68);
    r.hotkeys.RegisterAllHotkeys();

    changed.key = 80;
    disabled.disabled = true;
    cleared.key = -1;
    TExeWord& added = r.word(s("added"), 69);
    r.fake.clearCalls();
    r.hotkeys.Sync();
    EXPECT_EQ(r.calls(), (QStringList{s("hotkeyRemove 5"), s("hotkeyRemove 4"), s("hotkeyRemove 3"),
                                      s("hotkeyAdd 3 80 2"), s("hotkeyAdd 4 69 2")}));
    EXPECT_EQ(r.atomOf(same), 2);
    EXPECT_EQ(r.atomOf(changed), 3);
    EXPECT_EQ(r.atomOf(added), 4);
    EXPECT_EQ(r.atomOf(disabled), -1);

    // The settings read again: every keyword is new.
    r.store.clear();
    EXPECT_TRUE(r.fake.hotkeys.isEmpty());
    TExeWord& fresh = r.word(s("fresh"), 71);
    r.hotkeys.Sync();
    EXPECT_EQ(r.atomOf(fresh), 2);
    EXPECT_EQ(r.hotkeys.hotkeys().size(), 1);
}

TEST(MainHotkey, RefusalIsReportedOnlyAtStartUp) {
    const struct {
        const char* what;
        bool refused, report;
        bool registered;
        const char* message; // "" none
    } cases[] = {
        {"start-up", false, true, true, ""},
        {"start-up, taken", true, true, false, "message Warning: Unable to assign hotkey."},
        {"after the settings dialog, taken", true, false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Registry r;
        lorvanta::Setup setup; // Shift+Super+Z
        if (c.refused) r.fake.refusedHotkeys.append({90, 12});
        EXPECT_EQ(r.hotkeys.RegisterMainHotkey(setup, c.report), c.registered);
        EXPECT_EQ(r.calls().filter(s("hotkeyAdd")), QStringList{s("hotkeyAdd 1 90 12")});
        EXPECT_EQ(r.calls().filter(s("message")).join(u';'), s(c.message));
    }
}

TEST(MainHotkey, NoneRegistersNothingAndDropsAnEarlierOne) {
    Registry r;
    lorvanta::Setup setup;
    setup.hotkey = 0;
    EXPECT_FALSE(r.hotkeys.RegisterMainHotkey(setup, true));
    EXPECT_TRUE(r.calls().isEmpty());

    setup.hotkey = 32;
    setup.hotkeyadd = 8;
    EXPECT_TRUE(r.hotkeys.RegisterMainHotkey(setup, false));
    setup.hotkey = 33;
    EXPECT_TRUE(r.hotkeys.RegisterMainHotkey(setup, false));
    EXPECT_EQ(r.fake.hotkeys, (QHash<int, QPair<int, int>>{{1, {33, 8}}}));
    setup.hotkey = 0;
    r.fake.clearCalls();
    EXPECT_FALSE(r.hotkeys.RegisterMainHotkey(setup, false));
    EXPECT_EQ(r.calls(), QStringList{s("hotkeyRemove 1")});
}

} // namespace

namespace {

// Desktops that keep the user's key per shortcut learn each hotkey's lasting
// name before it is added.
TEST(HotkeyNames, EachHotkeyIsDescribedBeforeItIsAdded) {
    test::TempDataFolder dir;
    CoreState core(DataFolder::at(dir.path()), dir.fake.platform());
    core.file.ReadSettings(false);
    TmyHotKeyManager manager(dir.fake.platform(), core.store);
    auto w = std::make_unique<TExeWord>();
    w->keywords = s("notes,n");
    w->key = 'N';
    w->keymod = 3;
    manager.AddExeword(core.store.append(std::move(w)));
    manager.RegisterMainHotkey(core.setup, false);
    EXPECT_EQ(dir.fake.calls(),
              (QStringList{s("hotkeyDescribe 2 keyword-notes Run the keyword \"notes\""),
                           s("hotkeyAdd 2 78 3"), s("hotkeyDescribe 1 show Show Lorvanta"),
                           s("hotkeyAdd 1 90 12")}));
}

} // namespace
