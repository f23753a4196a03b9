#include "enginefixture.h"

using namespace lorvanta;
using lorvanta::test::EngineFixture;
using lorvanta::test::s;

namespace {

struct Dispatch {
    bool handled = false;
    bool noaddhistory = false;
    bool noaftercommand = false;
};

struct DispatcherTest : ::testing::Test {
    EngineFixture f;
    CommandDispatcher& d = f.engine.dispatcher;
    QStringList order; // what the recording rows saw, in order

    Dispatch run(const QString& line, const QString& para = {}, const TExeWord* word = nullptr) {
        Dispatch r;
        r.handled =
            d.CheckDoInternalCMD(line, para, r.noaddhistory, r.noaftercommand, true, word, false);
        return r;
    }
    Dispatch run(const char* line, const char* para = "") { return run(s(line), s(para)); }
    // A row that notes its name and, optionally, shows a text.
    void record(const char* name, const char* shows = nullptr) {
        d.registerRow(s(name), [this, name, shows](const CommandCall&) {
            order.append(s(name));
            if (shows) f.host.setNewWord(s(shows));
            return RowResult{};
        });
    }
};

} // namespace

TEST_F(DispatcherTest, RowsMatchWithoutCaseAndRunInTableOrder) {
    record("$MUTE$");
    record("$SCREENSAVER$");
    const Dispatch r = run("$screensaver$ and $mute$");
    EXPECT_EQ(order, (QStringList{s("$SCREENSAVER$"), s("$MUTE$")}))
        << "the screen saver row comes before the mute row in the table";
    EXPECT_TRUE(r.handled);
    EXPECT_TRUE(r.noaddhistory) << "a handled command is not recorded";
}

TEST_F(DispatcherTest, PrefixRowsFireWithTheirLongerForms) {
    record("$GETMOUSEPOS", "12,34");
    record("$GETMOUSEPOSCOLOR", "R=1 G=2 B=3 - #010203");
    const Dispatch r = run("$GETMOUSEPOSCOLOR$");
    EXPECT_EQ(order, (QStringList{s("$GETMOUSEPOS"), s("$GETMOUSEPOSCOLOR")}));
    EXPECT_EQ(f.host.input, s("R=1 G=2 B=3 - #010203")) << "the colour replaces the position";
    EXPECT_TRUE(r.noaftercommand);
}

TEST_F(DispatcherTest, SpecialForms) {
    struct Case {
        const char* line;
        bool handled;
        QStringList ran;
    };
    record("$M$");
    const Case cases[] = {
        {"$M$", true, {s("$M$")}},
        {"$m$", true, {s("$M$")}},
        {"$M$ ", false, {}},
        {"x $M$", false, {}},
    };
    for (const Case& c : cases) {
        order.clear();
        EXPECT_EQ(run(c.line).handled, c.handled) << c.line;
        EXPECT_EQ(order, c.ran) << c.line;
    }
    // The toggle passes the line on only at its start, and then without history.
    Dispatch toggle = run("$BROWSERTOGGLE$ https://x");
    EXPECT_FALSE(toggle.handled);
    EXPECT_TRUE(toggle.noaddhistory);
    EXPECT_TRUE(toggle.noaftercommand);
    toggle = run("https://x $BROWSERTOGGLE$");
    EXPECT_FALSE(toggle.handled);
    EXPECT_FALSE(toggle.noaddhistory) << "in the middle of the line it does nothing";
    EXPECT_FALSE(toggle.noaftercommand);
    // Maintenance words act only alone on the line.
    EXPECT_TRUE(run(" $BROWSEREND$ ").noaddhistory);
    EXPECT_FALSE(run("$BROWSEREND$ more").noaddhistory);
}

TEST_F(DispatcherTest, EnclosedArgumentsKeepTheirCase) {
    run("$sound$ ~/Sounds/Ding.ogg $SOUND$");
    EXPECT_EQ(f.expansion.calls, QStringList{s("playSound ~/Sounds/Ding.ogg")});
    f.expansion.calls.clear();
    EXPECT_FALSE(run("$SOUND$ a.ogg $SOUND$ and more").handled) << "only as the whole line";
    EXPECT_TRUE(f.expansion.calls.isEmpty());

    QString seen;
    d.registerRow(s("$WFINDACTIVE$"), [&](const CommandCall& c) {
        seen = c.enclosed();
        RowResult r;
        r.handled = false; // no such window: the line is launched instead
        return r;
    });
    EXPECT_FALSE(run("$WFINDACTIVE$Mozilla Firefox$WFINDACTIVE$ firefox").handled);
    EXPECT_EQ(seen, s("Mozilla Firefox"));
}

TEST_F(DispatcherTest, EnclosedRowsNeedTheirBlock) {
    // The name as written or all in lower case, twice; a name without its
    // partner, or in mixed case, is no block.
    struct Case {
        const char* line;
        bool fires;
        const char* enclosed;
    };
    const Case cases[] = {
        {"$SOUND$a.ogg$SOUND$", true, "a.ogg"}, {"$sound$ a.ogg $SOUND$", true, " a.ogg "},
        {"$SOUND$ a.ogg", false, ""},           {"$Sound$a.ogg$Sound$", false, ""},
        {"$SOUND$$SOUND$", true, ""},
    };
    QStringList seen;
    d.registerRow(s("$SOUND$"), [&](const CommandCall& c) {
        seen.append(c.enclosed());
        return RowResult{};
    });
    for (const Case& c : cases) {
        seen.clear();
        EXPECT_EQ(run(c.line).handled, c.fires) << c.line;
        EXPECT_EQ(seen, c.fires ? QStringList{s(c.enclosed)} : QStringList{}) << c.line;
    }
}

TEST_F(DispatcherTest, AWindowSearchWithoutAWindowPassesTheLineOn) {
    // No window is found here: the rest of the line is launched, and a
    // search with nothing else on its line is done.
    const struct {
        const char* line;
        bool handled;
    } cases[] = {
        {"$WFINDACTIVE$Mozilla Firefox$WFINDACTIVE$ /usr/bin/firefox", false},
        {"/usr/bin/gedit $WFINDCLOSE$Editor$WFINDCLOSE$", false},
        {" $wfindactive$Mail$wfindactive$ ", true},
        {"$WFINDCLOSE$Editor$WFINDCLOSE$", true},
    };
    for (const auto& c : cases) {
        f.host.calls.clear();
        const Dispatch r = run(c.line);
        EXPECT_EQ(r.handled, c.handled) << c.line;
        EXPECT_FALSE(r.noaftercommand) << c.line;
        EXPECT_TRUE(f.host.calls.isEmpty())
            << c.line << ": " << f.host.calls.join(u' ').toStdString();
        EXPECT_FALSE(d.lastLineFailed()) << c.line;
    }
}

TEST_F(DispatcherTest, LaunchTagRunsEveryTaggedKeyword) {
    f.keyword("mail", "thunderbird", "", "work");
    f.keyword("chat", "pidgin", "", "Work office");
    f.keyword("off", "x", "", "work").disabled = true;
    f.keyword("game", "steam");
    const TExeWord& starter = f.keyword("workday", "$LAUNCHTAG$");

    Dispatch r = run(s("$LAUNCHTAG$"), s("nothing"), &starter);
    EXPECT_TRUE(f.host.calls.contains(s("toast No tag named: nothing")));
    EXPECT_TRUE(r.noaddhistory);
    EXPECT_TRUE(r.noaftercommand);

    r = run(s("$LAUNCHTAG$"), s(" WORK "), &starter);
    EXPECT_FALSE(r.noaddhistory) << "starting keywords records the execution";
    EXPECT_FALSE(r.noaftercommand);
    f.scheduler.run();
    EXPECT_EQ(f.dir.fake.calls().filter(s("shellExecute")).size(), 2)
        << f.dir.fake.calls().join(s("\n")).toStdString();

    // $EXIT$ keeps the window and the history out, also against the tag's wish.
    r = run(s("$LAUNCHTAG$ $EXIT$"), s("work"), &starter);
    EXPECT_TRUE(r.noaddhistory);
    EXPECT_TRUE(r.noaftercommand);
    f.scheduler.run();

    // The keyword's own parameters win over the typed text.
    TExeWord& fixed = f.keyword("w2", "$LAUNCHTAG$", "work");
    f.dir.fake.clearCalls();
    run(s("$LAUNCHTAG$"), s("nothing"), &fixed);
    f.scheduler.run();
    EXPECT_EQ(f.dir.fake.calls().filter(s("shellExecute")).size(), 2);
}

TEST_F(DispatcherTest, LaunchTagLeavesOutItselfAndKeywordsRemovedBeforeTheirTurn) {
    const TExeWord& solo = f.keyword("solo", "$LAUNCHTAG$", "alone", "alone");
    run(s("$LAUNCHTAG$"), {}, &solo);
    EXPECT_TRUE(f.host.calls.contains(s("toast No other keyword has the tag: alone")));

    const TExeWord& mail = f.keyword("mail", "thunderbird", "", "work");
    const TExeWord& starter = f.keyword("workday", "$LAUNCHTAG$");
    run(s("$LAUNCHTAG$"), s("work"), &starter);
    f.core.store.remove(&mail); // before the queued start runs
    f.scheduler.run();
    EXPECT_TRUE(f.dir.fake.calls().filter(s("shellExecute")).isEmpty());
}

TEST_F(DispatcherTest, AnAbortedLineLeavesNoPowerCommandBehind) {
    // A row after the power rows that needs a number and gets none.
    d.registerRow(s("$EJECT$"), [](const CommandCall&) -> RowResult { throw InvalidInteger{}; });
    EXPECT_THROW(run("$SHUTDOWN$ $EJECT$"), InvalidInteger);
    EXPECT_TRUE(d.PendingAfterCommand().isEmpty());
}

TEST_F(DispatcherTest, AKeptWindowHidesADropDownList) {
    f.core.setup.autodropdown = true;
    f.core.setup.listbehaveslikedropdown = true;
    run("$TIME$");
    EXPECT_TRUE(f.host.calls.contains(s("hideListPane")));
    f.host.calls.clear();
    f.core.setup.listbehaveslikedropdown = false;
    run("$TIME$");
    EXPECT_FALSE(f.host.calls.contains(s("hideListPane")));
}

TEST_F(DispatcherTest, TagsThatStartThemselvesStopAtTheDepthLimit) {
    // Both keywords carry the tag and start it: without a limit they would start each other
    // forever.
    f.keyword("a", "$LAUNCHTAG$", "loop", "loop");
    f.keyword("b", "$LAUNCHTAG$", "loop", "loop");
    f.keyword("c", "$LAUNCHTAG$", "loop");
    f.enter(s("c"));
    EXPECT_TRUE(f.host.calls.contains(s("toast Tags start each other too deeply: loop")));
}

TEST_F(DispatcherTest, ChanceRows) {
    struct Case {
        const char* line;
        const char* para;
        const char* shows;
    };
    // The sequence random answers 0, 1, 2, ... in turn.
    const Case cases[] = {
        {"$RANDOM$", "1", "0"},
        {"$RANDOM$", "", "1"},
        {"$RANDOM$", "0", "Random: the range must be at least 1"},
        {"$FLIPCOIN$", "", " -= Heads =-"},
        {"$ROLL$", "3d6+2", "17"},    // dice 4, 5, 6, plus 2
        {"$ROLL$", "2d10 - 3", "12"}, // 7 + 8 - 3
        {"$ROLL$", "d6", "0"},
        {"$ROLL$", "", ""}, // one six-sided die
        {"$ROLL$", "1001d6", "Dice: at most 1000 dice of at most 1000000 sides"},
        {"$ROLL$", "2d2000000", "Dice: at most 1000 dice of at most 1000000 sides"},
        {"$PASSWORD$", "3", "Characters must be higher than 3"},
        {"$ROLL$", "x+1", "1"}, // unreadable sides are swallowed: the modifier alone
    };
    for (const Case& c : cases) {
        const Dispatch r = run(c.line, c.para);
        EXPECT_TRUE(r.handled) << c.line;
        EXPECT_TRUE(r.noaftercommand) << c.line;
        if (std::string(c.line) != "$ROLL$" || std::string(c.para) != "") {
            EXPECT_EQ(f.host.input, s(c.shows)) << c.line << " " << c.para;
        }
    }
    run("$PASSWORD$", "8 no");
    EXPECT_EQ(f.host.input.size(), 8);
    for (QChar ch : f.host.input)
        EXPECT_TRUE(ch.isLetterOrNumber()) << f.host.input.toStdString();
    EXPECT_THROW(run("$RANDOM$", "lots"), InvalidInteger);
    EXPECT_THROW(run("$ROLL$", "2d6+x"), InvalidInteger);
    EXPECT_THROW(run("$PASSWORD$", "long"), InvalidInteger);
}

TEST_F(DispatcherTest, FactsTimeAndTheDataFolder) {
    f.dir.fake.ipv4 = {s("10.0.0.2"), s("192.168.1.5")};
    run("$SHOWIP$");
    EXPECT_EQ(f.host.input, s("10.0.0.2, 192.168.1.5"));
    f.core.setup.customtime = s("yyyy-mm-dd");
    run("$TIME$");
    EXPECT_EQ(f.host.input, s("2026-03-09"));
    f.dir.fake.clearCalls();
    const Dispatch r = run("$DATAFOLDER$");
    EXPECT_EQ(f.dir.fake.calls(), QStringList{s("shellExecute file=") + f.folder.path() +
                                              s(" parameters= folder= show=normal")});
    EXPECT_FALSE(r.noaftercommand);
}

TEST_F(DispatcherTest, PowerCommandsWaitForTheAfterTimer) {
    record("$MUTE$");
    const Dispatch r = run("$mute$ $shutdown$");
    EXPECT_TRUE(r.handled);
    EXPECT_EQ(order, QStringList{s("$MUTE$")}) << "muted at once";
    EXPECT_TRUE(f.dir.fake.calls().filter(s("power")).isEmpty()) << "not shut down yet";
    EXPECT_EQ(d.PendingAfterCommand(), s("$MUTE$ $SHUTDOWN$"));
    d.runPending();
    EXPECT_EQ(f.dir.fake.calls().filter(s("power")), QStringList{s("power poweroff")});
    EXPECT_TRUE(d.PendingAfterCommand().isEmpty());

    struct Case {
        const char* line;
        QStringList calls;
    };
    const Case cases[] = {
        {"$LOGOFF$", {s("power logout")}},        {"$SIGNOUT$", {s("power logout")}},
        {"$STANDBY$", {s("power suspend")}},      {"$HIBERNATE$", {s("power hibernate")}},
        {"$RESTART$", {s("power reboot")}},       {"$MONITOR$", {s("monitorOff")}},
        {"$LOCK$", {s("lockSession")}},           {"$SCREENSAVER$", {s("startScreenSaver")}},
        {"$EMPTYRECYCLEBIN$", {s("emptyTrash")}},
    };
    for (const Case& c : cases) {
        f.dir.fake.clearCalls();
        run(c.line);
        d.runPending();
        EXPECT_EQ(f.dir.fake.calls(), c.calls) << c.line;
    }
    // A refused request says so instead of pretending.
    f.dir.fake.powerOk = false;
    f.host.calls.clear();
    run("$LOCK$");
    EXPECT_TRUE(f.host.calls.contains(s("toast The session could not be locked")));
    EXPECT_TRUE(d.lastLineFailed()) << "and counts as a failure";
    run("$TIME$");
    EXPECT_FALSE(d.lastLineFailed());
    // Closing: the pending line is dropped.
    run("$RESTART$");
    f.host.isClosing = true;
    f.dir.fake.clearCalls();
    d.runPending();
    EXPECT_TRUE(f.dir.fake.calls().isEmpty());
}

TEST_F(DispatcherTest, RowsOfMissingSubsystemsSaySoInTheUsersWords) {
    const Dispatch r = run("$VOLUMEUP$");
    EXPECT_TRUE(r.handled) << "nothing is launched";
    EXPECT_TRUE(r.noaftercommand);
    EXPECT_TRUE(r.noaddhistory);
    EXPECT_EQ(f.host.calls, QStringList{s("toast Volume control is not available yet")});
    const std::pair<const char*, const char*> named[] = {
        {"$NOTES$ shopping", "Notes are not available yet"},
        {"$COPYTONOTES$", "Notes are not available yet"},
        {"$STOPWATCH$", "The stopwatch is not available yet"},
        {"$WCLOSE$", "Window commands are not available yet"},
        {"$BROWSERURL$", "The browser pane is not available yet"},
        {"$CLEARCLIPBOARD$", "The clipboard history is not available yet"},
        {"$GETMOUSEPOSCOLOR$", "Mouse commands are not available yet"},
    };
    for (const auto& [line, toast] : named) {
        f.host.calls.clear();
        run(line);
        EXPECT_EQ(f.host.calls, QStringList{s("toast ") + s(toast)}) << line;
    }
    // Each feature is named once for a line, also when another comes between.
    f.host.calls.clear();
    run("$NOTES$ $REMINDER$ $COPYTONOTES$");
    EXPECT_EQ(f.host.calls.filter(s("Notes are")).size(), 1)
        << f.host.calls.join(u'|').toStdString();
    EXPECT_EQ(f.host.calls.size(), 2) << f.host.calls.join(u'|').toStdString();
    // No row of the table shows its command word to the user.
    for (const CommandRow& row : commandTable()) {
        if (row.match == RowMatch::Power) continue; // deferred, never unavailable
        const QString name = QString::fromUtf16(row.name);
        const QString line = row.match == RowMatch::Enclosed ? name + s("x") + name
                             : row.match == RowMatch::Prefix ? name + s("$")
                                                             : name;
        f.host.calls.clear();
        run(line, s("1"));
        for (const QString& call : f.host.calls.filter(s("not available"))) {
            EXPECT_FALSE(call.contains(u'$')) << call.toStdString();
            EXPECT_FALSE(call.contains(s("This command")))
                << "no feature named for " << line.toStdString();
        }
    }
    // Words left to execution are passed on, not reported.
    f.host.calls.clear();
    EXPECT_FALSE(run("$GRABTOINPUT$ ls").handled);
    EXPECT_TRUE(f.host.calls.isEmpty());
}

TEST_F(DispatcherTest, EditOpensTheEditorOnTheInputInFront) {
    f.host.input = s("ed some text");
    const Dispatch r = run("$EDIT$");
    EXPECT_TRUE(r.handled);
    EXPECT_TRUE(r.noaftercommand) << "the window stays for the editor";
    EXPECT_TRUE(r.noaddhistory);
    EXPECT_EQ(f.host.calls, (QStringList{s("bringToFront"), s("openEditText ed some text")}));
}
