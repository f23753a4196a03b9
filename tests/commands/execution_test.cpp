#include "core/history/history.h"
#include "enginefixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

using namespace lorvanta;
using lorvanta::platform::ShowCommand;
using lorvanta::test::EngineFixture;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::writeFile;

namespace {

struct ExecutionTest : ::testing::Test {
    EngineFixture f;
    QStringList launches() const { return f.dir.fake.calls().filter(s("shellExecute")); }
};

QString launch(const char* file, const char* params = "", const char* folder = "",
               const char* show = "normal") {
    return QStringLiteral("shellExecute file=%1 parameters=%2 folder=%3 show=%4")
        .arg(s(file), s(params), s(folder), s(show));
}

// A launcher that notes when, in the fixture's virtual time, each file started.
struct TimedLauncher final : platform::Launcher {
    explicit TimedLauncher(const ManualScheduler& c) : clock(c) {}
    const ManualScheduler& clock;
    std::vector<std::pair<QString, qint64>> seen;
    int shellExecute(const platform::LaunchRequest& r) override {
        seen.emplace_back(r.file, clock.elapsed());
        return 42;
    }
    QString defaultBrowserEntry() override { return {}; }
    void runAndCapture(const QString&, const QString&, const QString&, int,
                       std::function<void(const QString&)>) override {}
    void fetchUrlText(const QString&, int, std::function<void(const QString&)>) override {}
};

// An engine over the fixture's data whose launches go to a TimedLauncher.
struct TimedEngine {
    explicit TimedEngine(EngineFixture& f)
        : launcher(f.scheduler),
          fake(f.dir.fake.platform()), platform{fake.environment, fake.dialogs, fake.shell,
                                                fake.process,     launcher,     fake.system,
                                                fake.focus,       fake.hotkeys, fake.keys},
          engine(f.core, f.folder, platform, f.host, f.expansion, f.services, f.scheduler, f.clock,
                 f.random) {}
    TimedLauncher launcher;
    platform::Platform fake;
    platform::Platform platform;
    Engine engine;
};

} // namespace

TEST_F(ExecutionTest, AnArrowInputRunsNothing) {
    f.keyword("g", "https://x/?q=$U$");
    EXPECT_FALSE(f.enter(s("->g a")));
    EXPECT_TRUE(f.dir.fake.calls().isEmpty());
}

TEST_F(ExecutionTest, AKeywordSearchLaunchesRecordsAndAutoHides) {
    f.keyword("g", "https://www.google.com/search?q=$U$");
    EXPECT_TRUE(f.enter(s("g a b")));
    EXPECT_EQ(launches(), QStringList{launch("https://www.google.com/search?q=a%20b")});
    EXPECT_EQ(f.newestHistory(), s("g a b"));
    EXPECT_TRUE(f.host.calls.contains(s("hideWindow")));
    EXPECT_TRUE(readFile(f.dir.file(s("lorvanta.ini"))).contains("H0=g a b")) << "settings written";

    // With a browser program known, URLs go to it.
    f.dir.fake.clearCalls();
    f.core.setup.browser = s("/usr/bin/firefox");
    f.enter(s("g c"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/firefox",
                                             "https://www.google.com/search?q=c", "/usr/bin")});
}

TEST_F(ExecutionTest, TypedParametersFollowTheKeywordsOwn) {
    const QString bin = f.dir.root() + s("/bin");
    writeFile(bin + s("/tool"), "#!/bin/sh\n");
    QFile::setPermissions(bin + s("/tool"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    f.keyword("t", qPrintable(bin + s("/tool")), "--name=");
    f.enter(s("t y"));
    EXPECT_EQ(launches(),
              QStringList{launch(qPrintable(bin + s("/tool")), "--name=y", qPrintable(bin))});
    // A marker places them instead.
    f.dir.fake.clearCalls();
    f.keyword("u", qPrintable(bin + s("/tool")), "--a=$P$ --b");
    f.enter(s("u y"));
    EXPECT_EQ(launches(),
              QStringList{launch(qPrintable(bin + s("/tool")), "--a=y --b", qPrintable(bin))});
}

TEST_F(ExecutionTest, AKeywordNamingAnotherForwardsToIt) {
    f.keyword("other", "/usr/bin/echo", "$P$");
    f.keyword("k", "other $P$ more");
    f.enter(s("k z"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/echo", "z more", "/usr/bin")});
    EXPECT_EQ(f.newestHistory(), s("k z")) << "the input as typed";
    // Forwarding is off for "$i$".
    f.dir.fake.clearCalls();
    f.keyword("plain", "other $i$");
    f.enter(s("plain q"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/echo", "q", "/usr/bin")})
        << "the other keyword runs with the typed text only";
}

TEST_F(ExecutionTest, MultiCommandsKeepTheirWaitsWithoutBlocking) {
    TimedEngine t(f);
    auto& timed = t.launcher;
    auto& engine = t.engine;

    engine.execution.DoExecute(s("/bin/first $W2$||/bin/second"));
    ASSERT_TRUE(timed.seen.empty() || timed.seen.size() == 1) << "the second waits";
    f.scheduler.run();
    ASSERT_EQ(timed.seen.size(), 2u);
    EXPECT_EQ(timed.seen[1].second - timed.seen[0].second, 2100);
    EXPECT_EQ(f.newestHistory(), s("/bin/first $W2$||/bin/second"));

    timed.seen.clear();
    const qint64 start = f.scheduler.elapsed();
    engine.execution.DoExecute(s("$ASYNC$/bin/first $W2$||/bin/second"));
    f.scheduler.run();
    ASSERT_EQ(timed.seen.size(), 2u);
    // Each piece starts its own background launch: the second 100 ms after the
    // first, the first after its own pause.
    EXPECT_EQ(timed.seen[0].first, s("/bin/second"));
    EXPECT_EQ(timed.seen[0].second - start, 105);
    EXPECT_EQ(timed.seen[1].second - start, 2005);
}

TEST_F(ExecutionTest, PiecesTakeTheCallersLineNotTheInputBox) {
    f.keyword("both", "/bin/a $P$||/bin/b $P$");
    // The line runs for something other than what the box shows (a second
    // start's -r text, the edit panel): its parameters and history are its own.
    f.host.input = s("unrelated text");
    ExecuteFlags alt;
    alt.forcebrowser = true; // Alt is the caller's: the pieces still launch
    f.engine.execution.DoExecute(s("both x y"), alt);
    f.scheduler.run();
    EXPECT_EQ(launches(),
              (QStringList{launch("/bin/a", "x y", "/bin"), launch("/bin/b", "x y", "/bin")}));
    EXPECT_TRUE(f.services.calls.isEmpty()) << "no piece went to the browser";
    EXPECT_EQ(f.newestHistory(), s("both x y"));
}

TEST_F(ExecutionTest, TypingWaitsOfAsyncPiecesDoNotCompound) {
    TimedEngine t(f);
    auto& timed = t.launcher;
    auto& engine = t.engine;
    // Each keyword types its parameter 500 ms after starting: its extra wait
    // is max(500 + 1111, 500 + 20 * 2 + 75) = 1611 ms.
    f.keyword("t1", "/bin/one $PS500$");
    f.keyword("t2", "/bin/two $PS500$");
    const qint64 start = f.scheduler.elapsed();
    engine.execution.DoExecute(s("$ASYNC$t1 ab||t2 ab||/bin/three"));
    f.scheduler.run();
    QHash<QString, qint64> at;
    for (const auto& [file, time] : timed.seen)
        at.insert(file, time - start);
    // Pieces start 100 ms apart; each waits for the typing before it.
    EXPECT_EQ(at.value(s("/bin/one")), 5);
    EXPECT_EQ(at.value(s("/bin/two")), 100 + 5 + 1611);
    EXPECT_EQ(at.value(s("/bin/three")), 200 + 5 + 2 * 1611);
}

TEST_F(ExecutionTest, AnExecutionWaitsForTheMultiCommandBeforeIt) {
    f.engine.execution.DoExecute(s("/bin/first $W1$||/bin/second"));
    EXPECT_TRUE(f.engine.execution.busy());
    // Enter pressed again while the pieces wait: it runs after them, not between.
    f.engine.execution.DoExecute(s("/bin/third"));
    f.scheduler.run();
    EXPECT_EQ(launches(),
              (QStringList{launch("/bin/first", "", "/bin"), launch("/bin/second", "", "/bin"),
                           launch("/bin/third", "", "/bin")}));
    EXPECT_FALSE(f.engine.execution.busy());
    EXPECT_EQ(f.newestHistory(), s("/bin/third"));

    // Keywords a piece starts through a tag go at once, not after the run.
    f.keyword("start", "$LAUNCHTAG$", "grp");
    f.keyword("member", "/bin/member", "", "grp");
    f.dir.fake.clearCalls();
    f.engine.execution.DoExecute(s("start $W1$||/bin/after"));
    f.scheduler.run();
    EXPECT_EQ(launches(),
              (QStringList{launch("/bin/member", "", "/bin"), launch("/bin/after", "", "/bin")}));

    // A keyword removed while its start waited is not run.
    const TExeWord& gone = f.keyword("gone", "/bin/gone");
    f.dir.fake.clearCalls();
    f.engine.execution.DoExecute(s("/bin/first $W1$||/bin/second"));
    ExecuteFlags forced;
    forced.forcedexeword = &gone;
    f.engine.execution.DoExecute(s("gone"), forced);
    f.core.store.remove(&gone);
    f.scheduler.run();
    EXPECT_EQ(launches(),
              (QStringList{launch("/bin/first", "", "/bin"), launch("/bin/second", "", "/bin")}));
}

TEST_F(ExecutionTest, BrowserMarkersRouteThePage) {
    struct Case {
        const char* command;
        bool forcebrowser;
        const char* asked; // what the browser was asked, "" for nothing
        const char* launched;
    };
    const Case cases[] = {
        {"https://a.org $B$", false,
         "page https://a.org params= focus=1 connect=0 noreload=0 click=", ""},
        {"https://a.org $BN$ $BCONNECT$ $BNORELOAD$ $BCLICK$#go$BCLICK$", false,
         "page https://a.org params= focus=0 connect=1 noreload=1 click=#go", ""},
        {"https://a.org", true,
         "page https://a.org params= focus=0 connect=0 noreload=0 click=", ""},
        {"https://a.org $BNEWFULL$", false, "window https://a.org full=1", ""},
        // A focus request alone opens nothing in the pane: the rest is launched.
        {"https://a.org $BSETFOCUS$", false, "maintenance $BSETFOCUS$", "https://a.org"},
        {"$BCLICK$#b$BCLICK$", false, "click #b", ""},
        {"$BROWSEREND$", false, "maintenance $BROWSEREND$", ""},
    };
    for (const Case& c : cases) {
        f.services.calls.clear();
        f.dir.fake.clearCalls();
        f.services.browser = true;
        const TExeWord w;
        const int r = f.engine.execution.LaunchCommand(
            s(c.command), {}, {}, &w, false, false, false, ShowCommand::Normal, 0, c.forcebrowser);
        EXPECT_EQ(f.services.calls.join(u'|'), s(c.asked)) << c.command;
        EXPECT_EQ(launches().join(u'|'), *c.launched ? launch(c.launched) : QString()) << c.command;
        EXPECT_GT(r, 32) << c.command;
    }
    // Without a browser, what only the browser could do fails instead of pretending.
    f.services.browser = false;
    for (const char* command : {"$BROWSEREND$", "$BCLICK$#b$BCLICK$", " $BSETFOCUS$ "}) {
        const TExeWord w;
        f.host.calls.clear();
        EXPECT_LE(f.engine.execution.LaunchCommand(s(command), {}, {}, &w, false, false, false,
                                                   ShowCommand::Normal),
                  32)
            << command;
        EXPECT_TRUE(f.host.calls.contains(s("toast The browser pane is not available yet")))
            << command;
    }
}

TEST_F(ExecutionTest, WithoutTheBrowserPaneBrowserLinesAreLaunched) {
    // The address opens in the user's browser, every marker taken out.
    f.services.browser = false;
    const struct {
        const char* command;
        bool forcebrowser;
        const char* launched;
    } cases[] = {
        {"https://a.org/?q=$U$ $B$", false, "https://a.org/?q=x%20y"},
        {"$BN$ https://a.org $BCONNECT$ $BNORELOAD$ $BCLICK$#go$BCLICK$", false, "https://a.org"},
        {"$BROWSER$https://a.org$BSETFOCUS$", false, "https://a.org"},
        {"$BROWSERNOFOCUS$ https://a.org", false, "https://a.org"},
        {"https://a.org $BNEWWIN$", false, "https://a.org"},
        {"https://a.org $BNEWFULL$", false, "https://a.org"},
        {"https://a.org", true, "https://a.org"},
    };
    TExeWord& web = f.keyword("web", "");
    for (const auto& c : cases) {
        f.dir.fake.clearCalls();
        f.host.fail = false;
        web.command = s(c.command);
        ExecuteFlags flags;
        flags.forcebrowser = c.forcebrowser;
        EXPECT_TRUE(f.enter(s("web x y"), flags)) << c.command;
        EXPECT_EQ(launches(), QStringList{launch(c.launched)}) << c.command;
        EXPECT_FALSE(f.host.fail) << c.command;
        EXPECT_TRUE(f.host.calls.contains(s("hideWindow"))) << c.command << ": launched as usual";
        f.host.calls.clear();
    }
    // Pieces of a multi-command too: nothing keeps the window for a pane.
    f.dir.fake.clearCalls();
    f.keyword("both", "https://a.org $B$||https://b.org $BN$");
    EXPECT_TRUE(f.enter(s("both")));
    EXPECT_EQ(launches(), (QStringList{launch("https://a.org"), launch("https://b.org")}));
    EXPECT_TRUE(f.host.calls.contains(s("hideWindow")));
}

// What a browser word leaves is a command line like any other: trimmed, and
// split into the program and its arguments.
TEST_F(ExecutionTest, TextAfterABrowserMaintenanceMarkerIsLaunchedTrimmed) {
    TExeWord& tog = f.keyword("tog", "");
    const struct {
        const char* rest;
        const char* file;
        const char* parameters;
    } rests[] = {{" /usr/bin/true ", "/usr/bin/true", ""},
                 {" /usr/bin/true --quiet 'a b' ", "/usr/bin/true", "--quiet 'a b'"}};
    for (const char* m : {"$BROWSERTOGGLE$", "$BROWSERFLUSHALL$", "$BROWSERFLUSHCURRENT$",
                          "$BROWSEREND$", "$BROWSERCLEAR$", "$BN$"}) {
        for (const bool pane : {true, false}) {
            for (const auto& r : rests) {
                if (pane && s(m) == u"$BN$") continue; // the pane takes that line
                f.services.browser = pane;
                f.dir.fake.clearCalls();
                f.host.fail = false;
                tog.command = s(m) + s(r.rest);
                EXPECT_TRUE(f.enter(s("tog"))) << m << r.rest;
                EXPECT_EQ(launches(), QStringList{launch(r.file, r.parameters)}) << m << r.rest;
                EXPECT_FALSE(f.host.fail) << m;
            }
        }
    }
}

TEST_F(ExecutionTest, CommandsThatCannotWorkHereFail) {
    f.keyword("search", "$SEARCH$");
    f.keyword("vol", "$VOLUMEUP$");
    for (const char* input : {"search", "vol"}) {
        f.host.fail = false;
        EXPECT_FALSE(f.enter(s(input))) << input;
        EXPECT_TRUE(f.host.fail) << input << ": the failure colour";
        EXPECT_NE(f.newestHistory(), s(input));
    }
}

TEST_F(ExecutionTest, UnknownInputFallsBackToTheIndex) {
    MemoryIndex index;
    const auto add = [&index](const char* name, const char* path) {
        TMyShellItem item;
        item.name = s(name);
        item.path = s(path);
        index.add(item);
    };
    add("Firefox Web Browser", "/data/firefox.txt");
    add("Firefox Web Browser", "/apps/firefox.desktop");
    add("notes", "/a/notes.txt");
    add("notes", "/b/notes.txt");
    add("my  tool", "/opt/mytool"); // two blanks, kept as named
    f.engine.execution.setIndex(&index);
    struct Case {
        const char* text;
        const char* mode;
        const char* found; // "" for none
    };
    const Case cases[] = {
        {"firefox web browser", "any", "/apps/firefox.desktop"}, // an entry wins
        {"  NOTES ", "any", "/b/notes.txt"},                     // else the last match
        {"my  tool", "any", "/opt/mytool"},
        {"my tool", "any", ""},
        {"notes", "shortcut", ""},
        {"Firefox Web Browser", "shortcut", "/apps/firefox.desktop"},
    };
    for (const Case& c : cases) {
        f.core.setup.resolveindexed = s(c.mode);
        const auto item = f.engine.execution.ResolveInIndex(s(c.text));
        EXPECT_EQ(item ? item->path : QString(), s(c.found)) << c.text << " " << c.mode;
    }

    // A failed launch of the text tries the index, unless that is switched off.
    f.dir.fake.launchResults.insert(s("notes"), 2);
    f.core.setup.resolveindexed = s("any");
    EXPECT_TRUE(f.enter(s("notes")));
    EXPECT_EQ(launches(), (QStringList{launch("notes"), launch("/b/notes.txt")}));
    f.dir.fake.clearCalls();
    f.core.setup.resolveindexed = s("off");
    EXPECT_FALSE(f.enter(s("notes")));
    EXPECT_EQ(launches().size(), 1);
}

TEST_F(ExecutionTest, AKeywordsPathIsItsCommandExpandedAsForALaunch) {
    // Ctrl+D and Ctrl+E read the keyword's command with its parameter
    // markers substituted and the routing markers stripped, as a launch would.
    f.keyword("proj", "$GRABTOLIST$/data/$P1$notes.txt");
    EXPECT_EQ(f.engine.list.GetPathFromItem(s("proj"), true), s("/data/notes.txt"));
    EXPECT_EQ(f.engine.list.GetPathFromItem(s("proj"), false), s("/data/"));
}

TEST_F(ExecutionTest, TheWindowStateReachesTheLaunch) {
    // A keyword's own state: 0 normal, 1 minimised, 2 maximised, 3 hidden.
    const char* names[] = {"normal", "minimized", "maximized", "hidden"};
    TExeWord& w = f.keyword("app", "/usr/bin/app");
    for (int open = 0; open < 4; ++open) {
        f.dir.fake.clearCalls();
        w.open = open;
        f.enter(s("app"));
        EXPECT_EQ(launches(), QStringList{launch("/usr/bin/app", "", "/usr/bin", names[open])})
            << open;
    }

    // urlmaxed maximises typed addresses and the domain retry in the browser.
    f.core.setup.urlmaxed = true;
    f.core.setup.browser = s("/usr/bin/firefox");
    f.dir.fake.clearCalls();
    f.enter(s("https://example.org/"));
    f.dir.fake.launchResults.insert(s("example.com"), 2);
    f.enter(s("example.com"));
    EXPECT_EQ(
        launches(),
        (QStringList{launch("/usr/bin/firefox", "https://example.org/", "/usr/bin", "maximized"),
                     launch("example.com"),
                     launch("/usr/bin/firefox", "https://example.com", "/usr/bin", "maximized")}));
}

TEST_F(ExecutionTest, WithoutABrowserProgramTheDesktopOpensAddressesAsTheUser) {
    // Shift asks for elevation; an address is still opened as the user, shown
    // as usual, and "www." gets a scheme the desktop can route.
    f.core.setup.urlmaxed = true;
    ExecuteFlags shift;
    shift.forcerunas = true;
    EXPECT_TRUE(f.enter(s("www.example.org/a"), shift));
    EXPECT_EQ(launches(), QStringList{launch("https://www.example.org/a")});
}

TEST_F(ExecutionTest, UnknownInputAndItsDomainRetry) {
    f.dir.fake.launchResults.insert(s("example.com"), 2);
    EXPECT_TRUE(f.enter(s("example.com")));
    EXPECT_EQ(launches(), (QStringList{launch("example.com"), launch("https://example.com")}));
    EXPECT_EQ(f.newestHistory(), s("example.com"));

    f.dir.fake.clearCalls();
    f.dir.fake.launchResult = 2;
    EXPECT_FALSE(f.enter(s("nosuchthing --x")));
    EXPECT_EQ(launches(), QStringList{launch("nosuchthing", "--x")});
    EXPECT_TRUE(f.host.fail) << "the failure colour";
    EXPECT_EQ(f.newestHistory(), s("example.com")) << "a failure records nothing";
}

TEST_F(ExecutionTest, DesktopEntriesAreNeverElevated) {
    TExeWord& w = f.keyword("app", "/usr/share/applications/app.desktop");
    w.runas = true;
    f.enter(s("app"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/share/applications/app.desktop", "",
                                             "/usr/share/applications")});
    f.dir.fake.clearCalls();
    f.keyword("root", "/usr/bin/editor").runas = true;
    f.enter(s("root"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/editor", "", "/usr/bin") + s(" elevated")});

    // Quoted, with arguments after it, it is still an entry.
    f.dir.fake.clearCalls();
    f.keyword("quoted", "\"/opt/My App.desktop\" --x").runas = true;
    f.enter(s("quoted"));
    EXPECT_EQ(launches(), QStringList{launch("/opt/My App.desktop", "--x", "/opt")});
}

TEST_F(ExecutionTest, BuiltInCommandsAndTheirOutcomes) {
    f.keyword("time", "$TIME$");
    f.core.setup.customtime = s("hh:nn");
    EXPECT_TRUE(f.enter(s("time")));
    EXPECT_EQ(f.host.input, s("14:05"));
    EXPECT_TRUE(f.newestHistory().isEmpty()) << "handled commands stay out of the history";
    EXPECT_FALSE(f.host.calls.contains(s("hideWindow"))) << "the result stays visible";

    f.keyword("rnd", "$RANDOM$");
    f.host.calls.clear();
    EXPECT_FALSE(f.enter(s("rnd lots")));
    EXPECT_TRUE(
        f.host.calls.contains(s("messageBox Lorvanta: 'lots' is not a valid integer value")));

    f.keyword("off", "$SHUTDOWN$");
    f.host.input = s("off");
    f.engine.execution.DoExecute(s("off"));
    EXPECT_TRUE(f.dir.fake.calls().filter(s("power")).isEmpty());
    f.scheduler.run();
    EXPECT_EQ(f.dir.fake.calls().filter(s("power")), QStringList{s("power poweroff")});
    EXPECT_EQ(f.scheduler.elapsed(), 210);
}

TEST_F(ExecutionTest, CapturedOutputAndListKeywords) {
    f.dir.fake.captureOutput = s("hello");
    f.keyword("hi", "$GRABTOINPUT$ /bin/echo hello");
    EXPECT_TRUE(f.enter(s("hi")));
    EXPECT_TRUE(f.dir.fake.calls().contains(
        s("runAndCapture file=/bin/echo parameters=hello folder=/bin timeout=60000")))
        << f.dir.fake.calls().join(u'\n').toStdString();
    EXPECT_EQ(f.host.input, s("hello"));

    // dontsetdefaultdir leaves the folder to the launcher.
    f.core.setup.dontsetdefaultdir = true;
    f.dir.fake.clearCalls();
    f.enter(s("hi"));
    EXPECT_TRUE(f.dir.fake.calls().contains(
        s("runAndCapture file=/bin/echo parameters=hello folder= timeout=60000")));

    // A program that is not there fails at once: nothing runs, nothing is recorded.
    f.keyword("nope", "$GRABTOLIST$ no-such-program-anywhere --x");
    f.dir.fake.clearCalls();
    EXPECT_FALSE(f.enter(s("nope")));
    EXPECT_TRUE(f.dir.fake.calls().filter(s("runAndCapture")).isEmpty());
    EXPECT_TRUE(f.host.fail);
    EXPECT_NE(f.newestHistory(), s("nope"));

    f.keyword("cb", "$CLIPBOARD$");
    f.host.calls.clear();
    EXPECT_TRUE(f.enter(s("cb")));
    EXPECT_TRUE(f.host.calls.contains(s("showListForInput cb")));
}

TEST_F(ExecutionTest, APieceHoldingSkipCountsAsDone) {
    EXPECT_TRUE(f.enter(s("/bin/a||$SKIP$ /bin/b")));
    EXPECT_EQ(launches(), QStringList{launch("/bin/a", "", "/bin")});
}

TEST_F(ExecutionTest, TheCurrentFileItemIsOpenedAndRecordedWithItsItem) {
    auto item = std::make_unique<TMyShellItem>();
    item->name = s("Report");
    item->path = s("/docs/report.odt");
    f.engine.list.setCurrentItem(std::move(item));
    EXPECT_TRUE(f.enter(s("Report")));
    EXPECT_EQ(launches(), QStringList{launch("/docs/report.odt")});
    ASSERT_FALSE(f.core.history.empty());
    ASSERT_TRUE(f.core.history.at(0).item);
    EXPECT_EQ(f.core.history.at(0).item->path, s("/docs/report.odt"));
}

// The row the user chose decides what the input is; the pieces of the
// multi-command it starts are the keyword's own text, not that row again.
TEST_F(ExecutionTest, PiecesOfAMultiCommandIgnoreTheChosenRow) {
    const TExeWord& both = f.keyword("both", "/bin/one||/bin/two");
    const QStringList pieces{launch("/bin/one", "", "/bin"), launch("/bin/two", "", "/bin")};
    f.core.setup.autofuzz = 1;
    f.engine.list.setCurrentItem(std::make_unique<TMyFuzzyItem>(s("both"), both.Clone()));
    EXPECT_TRUE(f.enter(s("bth")));
    EXPECT_EQ(launches(), pieces) << "a fuzzy suggestion of the keyword";

    f.dir.fake.clearCalls();
    auto file = std::make_unique<TMyShellItem>();
    file->name = s("both");
    file->path = s("/docs/both.odt");
    f.engine.list.setCurrentItem(std::move(file));
    EXPECT_TRUE(f.enter(s("both")));
    EXPECT_EQ(launches(), pieces) << "a file row of the keyword's name";
}

TEST_F(ExecutionTest, NothingToRunAfterCopyAndExecuteIsNotAFailure) {
    // Nothing is selected: the copy markers leave nothing to run. The box
    // stays as the expansion left it, and nothing is recorded.
    f.core.setup.hide = true;
    for (const char* command : {"$CI$", "$ce$", "$CX$"}) {
        f.dir.fake.clearCalls();
        f.host.calls.clear();
        f.host.fail = false;
        f.keyword("copy", command);
        EXPECT_TRUE(f.enter(s("copy"))) << command;
        EXPECT_TRUE(launches().isEmpty()) << command << ": " << launches().join(u' ').toStdString();
        EXPECT_FALSE(f.host.fail) << command;
        EXPECT_FALSE(f.host.calls.contains(s("hideWindow"))) << command;
        EXPECT_TRUE(f.newestHistory().isEmpty()) << command;
        f.core.store.remove(f.core.store.FindKeyword(s("copy"), false));
    }
}

TEST_F(ExecutionTest, ABadNumberAbortsTheWholeMultiCommand) {
    f.keyword("rb", "$RANDOM$");
    f.keyword("off", "$SHUTDOWN$");
    bool finished = false, success = true;
    f.engine.execution.setFinishedHandler([&](bool ok) {
        finished = true;
        success = ok;
    });
    EXPECT_TRUE(f.enter(s("/bin/one||rb abc||/bin/three")));
    EXPECT_EQ(launches(), QStringList{launch("/bin/one", "", "/bin")}) << "no piece after it";
    EXPECT_TRUE(
        f.host.calls.contains(s("messageBox Lorvanta: 'abc' is not a valid integer value")));
    EXPECT_TRUE(f.newestHistory().isEmpty());
    EXPECT_FALSE(f.host.calls.contains(s("hideWindow"))) << "no after-command step";
    EXPECT_TRUE(finished);
    EXPECT_FALSE(success);
    EXPECT_FALSE(f.engine.execution.busy());

    // A power command of an earlier piece goes with it; one of a whole run
    // waits until all its pieces ran.
    f.dir.fake.clearCalls();
    f.enter(s("off||rb abc"));
    // Nor does it go off with the next keyword that starts the timer.
    f.enter(s("rb 5"));
    EXPECT_TRUE(f.dir.fake.calls().filter(s("power")).isEmpty());
    f.enter(s("off||/bin/save $W1$||/bin/last"));
    EXPECT_EQ(f.dir.fake.calls().filter(QRegularExpression(s("power|/bin/"))),
              (QStringList{launch("/bin/save", "", "/bin"), launch("/bin/last", "", "/bin"),
                           s("power poweroff")}));
}

TEST_F(ExecutionTest, AWindowSearchWithoutAWindowLaunchesTheRest) {
    f.keyword("fx", "$WFINDACTIVE$Mozilla Firefox$WFINDACTIVE$ /usr/bin/firefox");
    f.keyword("close", "$wfindclose$Editor$wfindclose$");
    EXPECT_TRUE(f.enter(s("fx")));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/firefox", "", "/usr/bin")});
    EXPECT_EQ(f.newestHistory(), s("fx"));
    EXPECT_TRUE(f.host.calls.contains(s("hideWindow")));
    f.dir.fake.clearCalls();
    f.host.calls.clear();
    EXPECT_TRUE(f.enter(s("close"))) << "a search alone on its line is done";
    EXPECT_TRUE(launches().isEmpty());
    EXPECT_FALSE(f.host.fail);
    EXPECT_TRUE(f.host.calls.filter(s("toast")).isEmpty());
}

TEST_F(ExecutionTest, AFailedLaunchSaysWhy) {
    const struct {
        int code;
        const char* toast;
    } cases[] = {
        {2, "File or folder not found: /opt/thing"},
        {3, "File or folder not found: /opt/thing"},
        {5, "Access denied: /opt/thing"},
        {31, "No application for this type of file or address: /opt/thing"},
        {32, "Could not start: /opt/thing"},
        {0, "Could not start: /opt/thing"},
    };
    for (const auto& c : cases) {
        f.dir.fake.launchResult = c.code;
        f.host.calls.clear();
        f.host.fail = false;
        EXPECT_FALSE(f.enter(s("/opt/thing"))) << c.code;
        EXPECT_EQ(f.host.calls.filter(s("toast")), QStringList{s("toast ") + s(c.toast)}) << c.code;
        EXPECT_TRUE(f.host.fail) << "the failure colour stays";
    }
    // A background launch that fails later says so too.
    f.dir.fake.launchResult = 31;
    f.host.calls.clear();
    ExecuteFlags async;
    async.forcasync = true;
    EXPECT_TRUE(f.enter(s("https://a.org"), async));
    EXPECT_EQ(
        f.host.calls.filter(s("toast")),
        QStringList{s("toast No application for this type of file or address: https://a.org")});
}

TEST_F(ExecutionTest, AddressesGoToTheDefaultBrowsersEntry) {
    // The entry runs by its own Exec line; the address is its one parameter.
    f.dir.fake.browserEntry = s("/usr/share/applications/org.example.Browser.desktop");
    f.keyword("g", "https://www.google.com/search?q=$U$");
    f.enter(s("g it's"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/share/applications/org.example.Browser.desktop",
                                             "https://www.google.com/search?q=it%27s")});
    f.dir.fake.clearCalls();
    f.enter(s("https://a.org/x y"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/share/applications/org.example.Browser.desktop",
                                             "'https://a.org/x y'")});
}

TEST_F(ExecutionTest, PlanOfAKeywordLaunch) {
    f.keyword("ed", "/usr/bin/editor", "--line $P1$", "");
    f.core.store.at(0).path = s("~/work");
    const auto plan = f.engine.execution.planKeywordLaunch(s("ed 12 file"));
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->file, s("/usr/bin/editor"));
    EXPECT_EQ(plan->parameters, s("--line 12"));
    EXPECT_EQ(plan->folder, s("~/work"));
    EXPECT_FALSE(f.engine.execution.planKeywordLaunch(s("nokeyword x")));
}

namespace {

struct RecordingServices final : ExecutionServices {
    QStringList calls;
    bool useClip(const TMyClipItem& c) override {
        calls.append(s("useClip ") + c.clipb);
        return true;
    }
    void playSoundFile(const QString& path) override { calls.append(s("sound ") + path); }
};

} // namespace

TEST_F(ExecutionTest, AClipItemGoesToTheClipboardHistory) {
    RecordingServices services;
    Engine engine(f.core, f.folder, f.dir.fake.platform(), f.host, f.expansion, services,
                  f.scheduler, f.clock, f.random);
    auto clip = std::make_unique<TMyClipItem>();
    clip->clipb = s("copied text");
    engine.list.setCurrentItem(std::move(clip));
    EXPECT_TRUE(engine.execution.DoExecute(s("copied text")));
    EXPECT_EQ(services.calls, QStringList{s("useClip copied text")});
    EXPECT_EQ(engine.list.currentItem(), nullptr) << "the clip is used up";
    EXPECT_TRUE(launches().isEmpty());
}

TEST_F(ExecutionTest, FailureColourAndSound) {
    RecordingServices services;
    Engine engine(f.core, f.folder, f.dir.fake.platform(), f.host, f.expansion, services,
                  f.scheduler, f.clock, f.random);
    writeFile(f.dir.programFolder() + s("fail.wav"), "RIFF");
    writeFile(f.dir.programFolder() + s("ok.wav"), "RIFF");
    f.core.setup.usesound = true;
    f.core.setup.failsound = s("fail.wav");
    f.core.setup.successsound = s("$H$/ok.wav");
    f.dir.fake.launchResult = 3;
    f.host.input = s("/missing/thing");
    EXPECT_FALSE(engine.execution.DoExecute(s("/missing/thing")));
    EXPECT_TRUE(f.host.fail);
    EXPECT_EQ(services.calls, QStringList{s("sound ") + f.dir.programFolder() + s("fail.wav")});

    services.calls.clear();
    f.dir.fake.launchResult = 42;
    EXPECT_TRUE(engine.execution.DoExecute(s("/found/thing")));
    EXPECT_FALSE(f.host.fail) << "a new execution starts in the normal colour";
    EXPECT_EQ(services.calls, QStringList{s("sound ") + f.dir.programFolder() + s("ok.wav")});
    ExecuteFlags quiet;
    quiet.forcenosound = true;
    services.calls.clear();
    f.dir.fake.launchResult = 2;
    engine.execution.DoExecute(s("/missing/again"), quiet);
    EXPECT_TRUE(services.calls.isEmpty());
}

TEST(ExecutionUnderAnEventLoop, TheDeferredShutdownComesFromTheTimer) {
    EngineFixture f;
    EventLoopScheduler loop;
    Engine engine(f.core, f.folder, f.dir.fake.platform(), f.host, f.expansion, f.services, loop,
                  f.clock, f.random);
    f.keyword("off", "$SHUTDOWN$");
    f.host.input = s("off");
    EXPECT_TRUE(engine.execution.DoExecute(s("off")));
    EXPECT_TRUE(f.dir.fake.calls().filter(s("power")).isEmpty()) << "not during the execution";
    QElapsedTimer waited;
    waited.start();
    while (f.dir.fake.calls().filter(s("power")).isEmpty() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(f.dir.fake.calls().filter(s("power")), QStringList{s("power poweroff")});
}
