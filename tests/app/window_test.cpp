// The launcher window on Qt's offscreen platform: real key events into the
// real line edit and list, against the recording platform.

#include "app/desktopservices.h"
#include "app/launcherwindow.h"
#include "commands/engine.h"
#include "core/exec/recording.h"
#include "pane/resultpane.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;

namespace {

struct WindowTest : ::testing::Test {
    TempDataFolder dir;
    DataFolder folder = DataFolder::at(dir.path());
    CoreState core{folder, dir.fake.platform()};
    RecordingExpansionServices expansion;
    ExecutionServices services;
    ManualScheduler scheduler;
    SystemClock clock;
    SequenceRandom random{{0}};
    MemoryIndex index;
    std::unique_ptr<LauncherWindow> window;

    void SetUp() override {
        core.file.ReadSettings(false);
        core.setup.hide = false; // keep the window for the next keystrokes
    }
    void open() {
        window =
            std::make_unique<LauncherWindow>(core, folder, dir.fake.platform(), expansion, services,
                                             scheduler, clock, random, ListSources{&index});
        window->show();
        window->input().setFocus();
    }
    void keyword(const char* names, const char* command) {
        auto w = std::make_unique<TExeWord>();
        w->keywords = s(names);
        w->command = s(command);
        core.store.append(std::move(w));
        core.store.rebuildTagList();
    }
    void history(const char* text) {
        core.history.AddToHistory(s(text), nullptr, false, core.setup);
    }
    QLineEdit& edit() { return window->input(); }
    void type(const char* text) { QTest::keyClicks(&edit(), s(text)); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&edit(), k, m);
    }
    QString selected() { return edit().selectedText(); }
    QStringList launches() { return dir.fake.calls().filter(s("shellExecute")); }
    void indexed(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            TMyShellItem item;
            item.name = s(name);
            item.path = s("/apps/") + s(name);
            index.add(item);
        }
        core.setup.autoprograms = true;
    }
    const TListObject* current() { return window->engine().list.currentItem(); }
    // The name of the current fuzzy suggestion; empty when none is current.
    QString fuzzyName() {
        const auto* f = dynamic_cast<const TMyFuzzyItem*>(current());
        return f ? f->name : QString();
    }
};

} // namespace

TEST_F(WindowTest, CompletionShowsTheTailSelectedAndContinues) {
    keyword("google", "https://www.google.com/search?q=$U$");
    keyword("gmail", "https://mail.google.com/");
    open();
    type("g");
    EXPECT_EQ(edit().text(), s("google ")) << "a keyword taking parameters gets a space";
    EXPECT_EQ(selected(), s("oogle "));
    type("o");
    EXPECT_EQ(edit().text(), s("google "));
    EXPECT_EQ(edit().selectionStart(), 2) << "the next letter only moves the selection";
    edit().clear();
    type("gm");
    EXPECT_EQ(edit().text(), s("gmail")) << "no space without parameters";
    EXPECT_EQ(selected(), s("ail"));
}

TEST_F(WindowTest, IndexedItemsCompleteToo) {
    indexed({"Firefox Web Browser", "Files", "GIMP"});
    open();
    type("fir");
    EXPECT_EQ(edit().text(), s("Firefox Web Browser"));
    EXPECT_EQ(selected(), s("efox Web Browser"));
}

TEST_F(WindowTest, DownAndUpCycleThroughTheCompletionsAndWrap) {
    core.setup.autodropdown = false;
    keyword("google", "x");
    keyword("gmail", "y");
    history("gimp photo");
    open();
    type("g");
    EXPECT_EQ(edit().text(), s("google"));
    key(Qt::Key_Down);
    EXPECT_EQ(edit().text(), s("gmail"));
    key(Qt::Key_Down);
    EXPECT_EQ(edit().text(), s("gimp photo")) << "history follows the keywords";
    key(Qt::Key_Down);
    EXPECT_EQ(edit().text(), s("google")) << "past the last it wraps";
    key(Qt::Key_Up);
    EXPECT_EQ(edit().text(), s("gimp photo")) << "up from the first goes to the last";
    EXPECT_EQ(selected(), s("imp photo"));
}

TEST_F(WindowTest, TheListWaitsForTheTypingPause) {
    history("alpha one");
    core.setup.autodelay = 300;
    open();
    type("x");
    EXPECT_FALSE(window->pane().isVisible()) << "not rebuilt on the keystroke";
    edit().clear();
    type("pha");
    QTRY_VERIFY_WITH_TIMEOUT(window->pane().isVisible(), 5000);
    EXPECT_EQ(window->engine().list.rows().texts(),
              (QStringList{s("===== History ====="), s("alpha one")}));
}

TEST_F(WindowTest, EscapeClearsThenHides) {
    open();
    edit().setText(s("text for the editor"));
    key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(window->pane().editShown());
    edit().clear();
    type("abc");
    edit().selectAll();
    key(Qt::Key_Escape);
    EXPECT_EQ(edit().text(), QString());
    EXPECT_FALSE(window->pane().editShown()) << "the pane's editor is dismissed";
    EXPECT_TRUE(window->isVisible());
    key(Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, WordWiseEditing) {
    open();
    edit().setText(s("/usr/share/doc"));
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(edit().text(), s("/usr/share/"));
    edit().setText(s("foo bar-baz"));
    edit().end(false);
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(edit().cursorPosition(), 8);
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(edit().cursorPosition(), 4);
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selected(), s("bar"));
    edit().setText(s("word"));
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(edit().text(), QString()) << "without a separator the search is reset";
}

TEST_F(WindowTest, EnterRunsAKeyword) {
    keyword("g", "https://www.google.com/search?q=$U$");
    open();
    edit().setText(s("g a b"));
    key(Qt::Key_Return);
    EXPECT_EQ(launches(), QStringList{s("shellExecute file=https://www.google.com/search?q=a%20b "
                                        "parameters= folder= show=normal")});
}

TEST_F(WindowTest, EnterOnUnknownInputTakesTheFirstRowOrSearches) {
    history("firefox web");
    core.setup.unknownlaunchtype = 1;
    open();
    type("efox");
    key(Qt::Key_Return);
    EXPECT_EQ(launches(),
              QStringList{s("shellExecute file=firefox parameters=web folder= show=normal")});

    dir.fake.clearCalls();
    keyword("google", "https://www.google.com/search?q=$U$");
    core.setup.unknownlaunchtype = 2;
    edit().clear();
    edit().setText(s("weather in oslo"));
    key(Qt::Key_Return);
    EXPECT_EQ(launches(),
              QStringList{s("shellExecute file=https://www.google.com/search?q=weather%20in%20oslo "
                            "parameters= folder= show=normal")});
    dir.fake.clearCalls();
    edit().setText(s("?what"));
    key(Qt::Key_Return);
    EXPECT_EQ(launches(), QStringList{s("shellExecute file=?what parameters= folder= show=normal")})
        << "the ignore list keeps it as typed";
}

TEST_F(WindowTest, ARowOfTheListRunsAndNumberedRowsLaunchWithAlt) {
    history("beta two");
    history("beta one");
    open();
    type("bet");
    key(Qt::Key_Down); // the list, focused, first row taken
    ResultList& list = window->pane().list();
    ASSERT_TRUE(window->pane().isVisible());
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(edit().text(), s("beta one"));
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(edit().text(), s("beta two")) << "a row moved to becomes the input";
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(launches(),
              QStringList{s("shellExecute file=beta parameters=two folder= show=normal")});

    core.setup.launchusingalt = true;
    edit().setFocus();
    edit().setText(s("bet"));
    key(Qt::Key_Down);
    window->input().setFocus();
    QTest::keyClick(&edit(), Qt::Key_2, Qt::AltModifier);
    EXPECT_EQ(edit().text(), s("beta one")) << "number 2 after the history header and 'beta two'";
}

TEST_F(WindowTest, TabMovesBetweenPathSegments) {
    open();
    edit().setText(s("/usr/share/doc"));
    edit().setCursorPosition(0);
    key(Qt::Key_Tab);
    EXPECT_EQ(selected(), s("usr"));
    key(Qt::Key_Tab);
    EXPECT_EQ(selected(), s("share"));
    key(Qt::Key_Backtab);
    EXPECT_EQ(selected(), s("usr"));

    // With switchtab off Tab completes and Ctrl+Tab moves between segments.
    core.setup.switchtab = false;
    core.setup.autodropdown = false;
    keyword("google", "x");
    keyword("gmail", "y");
    edit().clear();
    type("g");
    ASSERT_EQ(edit().text(), s("google"));
    key(Qt::Key_Tab);
    EXPECT_EQ(edit().text(), s("gmail"));
    key(Qt::Key_Backtab);
    EXPECT_EQ(edit().text(), s("google"));
    edit().setText(s("/usr/share"));
    edit().setCursorPosition(0);
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(selected(), s("usr"));
}

TEST_F(WindowTest, F4OpensTheEditorOrTheListAsExpandf4SaysAndAltF4Closes) {
    history("alpha one");
    open();
    edit().setText(s("alp"));
    core.setup.expandf4 = false;
    key(Qt::Key_F4);
    EXPECT_FALSE(window->pane().editShown());
    EXPECT_EQ(edit().text(), s("alpha one")) << "the list, focused on its first row";

    core.setup.expandf4 = true;
    key(Qt::Key_F4);
    EXPECT_TRUE(window->pane().editShown());
    EXPECT_EQ(window->pane().editText(), s("alpha one"));

    QSignalSpy closing(window.get(), &LauncherWindow::closeRequested);
    key(Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(closing.count(), 1);
}

TEST_F(WindowTest, TheNumberPadTakesRowsByNumber) {
    history("beta three");
    history("beta two");
    history("beta one");
    core.setup.launchfromkeypad = true;
    open();
    type("bet");
    QTest::keyClick(&edit(), Qt::Key_0, Qt::KeypadModifier);
    EXPECT_EQ(edit().text(), s("beta one")) << "0 counts as 1";
    QTest::keyClick(&edit(), Qt::Key_2, Qt::KeypadModifier);
    EXPECT_EQ(edit().text(), s("beta two"));

    // With numlockallow digits are typed after a space unless all is selected.
    core.setup.numlockallow = true;
    edit().setCursorPosition(int(edit().text().size()));
    QTest::keyClick(&edit(), Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(edit().text(), s("beta two1"));
    edit().setText(s("#12"));
    QTest::keyClick(&edit(), Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(edit().text(), s("#123")) << "a calculation takes digits";

    // Alt with a number-pad digit takes the row as Alt with any digit does.
    core.setup.launchfromkeypad = false;
    core.setup.launchusingalt = true;
    edit().setText(s("bet"));
    key(Qt::Key_Down);
    edit().setFocus();
    QTest::keyClick(&edit(), Qt::Key_3, Qt::AltModifier | Qt::KeypadModifier);
    EXPECT_EQ(edit().text(), s("beta three"));
}

TEST_F(WindowTest, MenuActionsWorkOrSayTheyCannotYet) {
    open();
    QStringList names;
    for (QAction* a : window->menu().actions())
        if (!a->isSeparator()) names.append(a->text());
    for (const char* core : {"Add Keyword...", "Browse Files...", "Copy Full Path of Item",
                             "Open Folder of Item", "Expand Folder of Item", "Pin item",
                             "Delete Current Text from History", "Open Current Keyword in Editor"})
        EXPECT_TRUE(names.contains(s(core))) << core;
    QAction* notes = nullptr;
    for (QAction* a : window->menu().actions())
        if (a->text() == s("Notes")) notes = a;
    ASSERT_NE(notes, nullptr) << "an entry still to come has its own caption";
    notes->trigger();
    EXPECT_EQ(window->lastToast(), s("Notes are not available yet"));

    // Ctrl+P pins the input; the second time it is already pinned.
    edit().setText(s("some text"));
    key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(window->lastToast(), s("Pinned: some text"));
    key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(window->lastToast(), s("Already pinned"));

    // Shift+Delete forgets the input in the history.
    history("forget me");
    edit().setText(s("forget me"));
    key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(core.history.indexOf(s("forget me")), -1);
    EXPECT_EQ(edit().text(), QString());

    // Shift+F8 puts the path of a path keyword into the box.
    keyword("docs", "~/Documents");
    edit().setText(s("docs"));
    key(Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(edit().text(), s("~/Documents"));
    edit().setText(s("plain words"));
    key(Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(window->lastToast(), s("Current input does not have a file/folder path"));

    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(window->lastToast(), s("The settings dialog is not available yet"));
    key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(window->lastToast(), s("Notes are not available yet"));

    // Ctrl+F5 is the menu's "Reload Skin", not F5's full list.
    history("alpha one");
    edit().clear();
    type("zzz"); // nothing listed
    ASSERT_FALSE(window->pane().isVisible());
    key(Qt::Key_F5, Qt::ControlModifier);
    EXPECT_EQ(window->lastToast(), s("Skins are not available yet"));
    EXPECT_FALSE(window->pane().isVisible());
}

TEST_F(WindowTest, ADroppedFileBecomesAKeyword) {
    open();
    const QString file = dir.root() + s("/My Report.odt");
    lorvanta::test::writeFile(file, "x");
    window->addDroppedPath(file);
    const TExeWord* w = core.store.FindKeyword(s("myreport"), true);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->command, file);
    EXPECT_TRUE(lorvanta::test::readFile(dir.file(s("lorvanta.ini"))).contains("keywords=myreport"))
        << "saved at once";
}

TEST_F(WindowTest, CtrlEnterOpensTheEditorWhichRunsItsText) {
    keyword("g", "https://www.google.com/search?q=$U$");
    open();
    edit().setText(s("g first"));
    key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(window->pane().editShown());
    EXPECT_EQ(window->pane().editText(), s("g first"));
    window->activateWindow(); // back in the box
    edit().setFocus();
    QApplication::processEvents(); // the activation asked for
    ASSERT_TRUE(edit().hasFocus());
    edit().setCursorPosition(1);
    type("o");
    EXPECT_EQ(window->pane().editText(), s("go first")) << "the editor follows the box";
    EXPECT_EQ(window->pane().editCaret(), 2) << "and its caret";
    Q_EMIT window->pane().executeEdit(s("g edited"));
    EXPECT_EQ(launches(), QStringList{s("shellExecute file=https://www.google.com/search?q=edited "
                                        "parameters= folder= show=normal")});
}

TEST_F(WindowTest, TheEditCommandOpensTheEditorOnTheInput) {
    keyword("ed", "$EDIT$");
    open();
    window->hide();
    edit().setText(s("ed draft"));
    window->engine().execution.DoExecute(edit().text());
    EXPECT_TRUE(window->isVisible()) << "brought to the front";
    ASSERT_TRUE(window->pane().editShown());
    EXPECT_EQ(window->pane().editText(), s("ed draft"));
    EXPECT_TRUE(launches().isEmpty());
    EXPECT_EQ(window->lastToast(), QString());
}

// "-s" is what the first-run keyword "keywords" hands to the running
// launcher; the window it hid comes back to say what is missing.
TEST(DesktopExecutionServices, MinusCommandsNameTheirFeatureInFront) {
    RecordingHost host;
    DesktopExecutionServices services;
    EXPECT_FALSE(services.CheckMinusCommand(s("-s"))) << "nothing is taken before the window";
    services.bind(host);
    EXPECT_TRUE(services.CheckMinusCommand(s("-s")));
    EXPECT_EQ(host.calls, (QStringList{s("bringToFront"),
                                       s("toast The settings dialog is not available yet")}));
    host.calls.clear();
    EXPECT_TRUE(services.CheckMinusCommand(s(" -N  buy milk")));
    EXPECT_EQ(host.calls.last(), s("toast Notes are not available yet"));
    for (const QString& word : kMinusCommands) {
        host.calls.clear();
        EXPECT_TRUE(services.CheckMinusCommand(word));
        EXPECT_FALSE(host.calls.last().contains(u'-')) << word.toStdString();
        EXPECT_FALSE(host.calls.last().contains(s("This command"))) << word.toStdString();
    }
    host.calls.clear();
    EXPECT_FALSE(services.CheckMinusCommand(s("-zzz")));
    EXPECT_FALSE(services.CheckMinusCommand(s("ls -s")));
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(WindowTest, TextWrittenByOthersIsTakenOverOnceWithExternaltext) {
    core.setup.externaltext = true;
    history("alpha");
    open();
    window->hide(); // nothing of ours has the focus
    QCoreApplication::processEvents();
    edit().clearFocus();
    ASSERT_FALSE(edit().hasFocus());
    edit().setText(s("alp"));
    EXPECT_EQ(edit().text(), s("alp"));
    EXPECT_EQ(edit().cursorPosition(), 3) << "taken over as if set by the program";
    EXPECT_EQ(window->engine().list.rows().texts(),
              (QStringList{s("===== History ====="), s("alpha")}))
        << "and the list follows it";
    edit().setText(s("zzz"));
    EXPECT_EQ(window->engine().list.rows().texts(),
              (QStringList{s("===== History ====="), s("alpha")}))
        << "only the first outside text is taken over";
}

TEST_F(WindowTest, TypingOnDropsACurrentItemTheTextNoLongerNames) {
    keyword("gmail", "https://mail.google.com/");
    const QString tools = dir.root() + s("/tools");
    QDir().mkpath(tools);
    open();

    // A completed folder is opened; the next input completes to a keyword.
    type((dir.root() + s("/too")).toUtf8().constData());
    ASSERT_EQ(edit().text(), tools + u'/');
    key(Qt::Key_Return);
    ASSERT_EQ(launches().size(), 1);
    ASSERT_EQ(selected(), edit().text()) << "the input stays selected after a run";
    dir.fake.clearCalls();
    type("gm");
    ASSERT_EQ(edit().text(), s("gmail"));
    EXPECT_EQ(current(), nullptr) << "a completion without a file item clears the current item";
    key(Qt::Key_Return);
    EXPECT_EQ(launches(), QStringList{s("shellExecute file=https://mail.google.com/ parameters= "
                                        "folder= show=normal")});
}

TEST_F(WindowTest, TypingPastAnIndexedCompletionForgetsItsItem) {
    core.setup.autofuzz = 0;
    core.setup.autoshort = 0;
    indexed({"Firefox Web Browser"});
    open();
    type("fir");
    ASSERT_EQ(edit().text(), s("Firefox Web Browser"));
    ASSERT_NE(current(), nullptr);
    type("x");
    EXPECT_EQ(edit().text(), s("Firx")) << "the completion gave the case";
    EXPECT_EQ(current(), nullptr);
    key(Qt::Key_Return);
    for (const QString& call : launches())
        EXPECT_FALSE(call.contains(s("Firefox"))) << call.toStdString();
}

TEST_F(WindowTest, CompletionTakesTheFirstSourceOfAutoorderThatCompletes) {
    // The index rule of the shortest rest applies among indexed items only.
    struct Case {
        const char* autoorder;
        const char* expected;
    } cases[] = {
        {"Keywords,\"Indexed items\",History,\"File system\"", "firewall "},
        {"History,\"Indexed items\",Keywords,\"File system\"", "fire drill"},
        {"\"Indexed items\",Keywords,History,\"File system\"", "Firefox"},
    };
    keyword("firewall", "fw $P$");
    history("fire drill");
    indexed({"Firewall Configuration", "Firefox"});
    open();
    for (const Case& c : cases) {
        core.setup.autoorder = s(c.autoorder);
        edit().clear();
        type("fir");
        EXPECT_EQ(edit().text(), s(c.expected)) << c.autoorder;
    }
}

TEST_F(WindowTest, EscapeHandsTheFocusBackToTheWindowInFrontBeforeTheLauncher) {
    core.setup.stayontop = true;
    core.setup.hide = false;
    dir.fake.activeWindow = 0x3a00007;
    open();
    window->showAndFocus();
    type("abc");
    edit().setSelection(1, 2); // partly selected: not cleared
    dir.fake.clearCalls();
    key(Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(edit().text(), s("abc")) << "the search is not reset";
    EXPECT_EQ(dir.fake.calls(), QStringList{s("activateWindow 60817415")});

    // Shown again while the launcher itself is in front: the earlier window stays.
    dir.fake.activeWindow = window->internalWinId();
    window->showAndFocus();
    dir.fake.clearCalls();
    key(Qt::Key_Escape);
    EXPECT_EQ(dir.fake.calls(), QStringList{s("activateWindow 60817415")});

    // A window closed since is forgotten.
    dir.fake.goneWindows = {0x3a00007};
    key(Qt::Key_Escape);
    EXPECT_EQ(window->previousWindow().handle(), 0u);

    core.setup.hide = true;
    dir.fake.goneWindows.clear();
    dir.fake.clearCalls();
    key(Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()) << "with auto-hide it hides as usual";
    EXPECT_TRUE(dir.fake.calls().filter(s("activateWindow")).isEmpty());
}

// "$GW$" remembers the window in front the same way, passing over none and
// the program's own.
TEST_F(WindowTest, GrabbingTheWindowInFrontPassesOverTheLaunchersOwn) {
    open();
    window->showInfoText(s("the pane is a window of its own"), false);
    ASSERT_NE(window->pane().internalWinId(), 0u);
    DesktopExpansionServices desktop;
    desktop.rememberForegroundWindow(); // before the window is bound: nothing
    desktop.bind(*window, window->previousWindow());
    dir.fake.activeWindow = 0x1c00003;
    desktop.rememberForegroundWindow();
    EXPECT_EQ(window->previousWindow().handle(), 0x1c00003u);
    for (platform::WindowHandle ignored :
         {platform::WindowHandle(0), window->internalWinId(), window->pane().internalWinId()}) {
        dir.fake.activeWindow = ignored;
        desktop.rememberForegroundWindow();
        EXPECT_EQ(window->previousWindow().handle(), 0x1c00003u) << ignored;
    }
}

TEST_F(WindowTest, ErasingWhileASuggestionIsCurrentLooksForOneAgain) {
    core.setup.autofuzz = 1;
    keyword("thunderbird", "x");
    keyword("firefox", "y");
    open();
    type("frfox");
    ASSERT_EQ(fuzzyName(), s("firefox"));
    key(Qt::Key_Backspace);
    EXPECT_EQ(edit().text(), s("frfo"));
    EXPECT_EQ(fuzzyName(), s("firefox")) << "Backspace looks for the suggestion again";
    key(Qt::Key_Left);
    key(Qt::Key_Delete);
    EXPECT_EQ(edit().text(), s("frf"));
    EXPECT_EQ(fuzzyName(), s("firefox")) << "and so does Delete";
    key(Qt::Key_Backspace);
    EXPECT_EQ(edit().text(), s("fr"));
    EXPECT_EQ(current(), nullptr) << "too short for a suggestion";
}

TEST_F(WindowTest, SlashWithoutASelectionIsTypedWithoutCompleting) {
    const QString base = dir.root() + s("/base");
    QDir().mkpath(base + s("/inner"));
    open();
    edit().setText(base);
    edit().setCursorPosition(int(base.size()));
    type("/");
    EXPECT_EQ(edit().text(), base + u'/') << "no completion to the folder's first entry";
    EXPECT_FALSE(edit().hasSelectedText());

    // With a completed tail selected, "/" accepts it and follows it.
    core.setup.autofilesystem = true;
    edit().clear();
    const QString file = dir.root() + s("/notes.txt");
    lorvanta::test::writeFile(file, "x");
    type((dir.root() + s("/no")).toUtf8().constData());
    ASSERT_EQ(edit().text(), file);
    type("/");
    EXPECT_EQ(edit().text(), file + u'/');
}

TEST_F(WindowTest, AListWithoutRowsHidesThePane) {
    history("alpha one");
    ASSERT_TRUE(core.setup.listfixedsize);
    open();
    type("alp");
    ASSERT_TRUE(window->pane().isVisible());
    type("hz");
    EXPECT_TRUE(window->engine().list.rows().empty());
    EXPECT_FALSE(window->pane().isVisible()) << "no empty box under the input";
    key(Qt::Key_Down); // the list asked for by key: still nothing to show
    EXPECT_FALSE(window->pane().isVisible());
}

TEST_F(WindowTest, ARefreshedListIsAsHighAsItsRowsWithoutFixedSize) {
    core.setup.listfixedsize = false;
    history("alpha one");
    history("alpha two");
    open();
    type("alp");
    ASSERT_TRUE(window->pane().isVisible());
    const int rows = window->pane().list().count();
    ASSERT_EQ(rows, 3);
    const int perRow =
        std::max(window->pane().list().sizeHintForRow(0), window->fontMetrics().height() + 4);
    EXPECT_LT(window->pane().height(), perRow * 6) << "not " << core.setup.maxvisible << " rows";
}

TEST_F(WindowTest, ARefreshLeavesAShownTextInPlace) {
    history("alpha one");
    open();
    type("alp");
    window->showInfoText(s("command output"), false);
    window->refreshListQuietly(s("aftercommand"));
    EXPECT_TRUE(window->pane().infoShown()) << "the list refreshes under the text";
    type("zz"); // no rows: the pane stays for the text
    EXPECT_TRUE(window->pane().isVisible());
    EXPECT_TRUE(window->pane().infoShown());
}

// A command's output shown focused keeps the focus through the refresh that
// ends the command; any other refresh brings it back to the input box.
TEST_F(WindowTest, TheRefreshAfterACommandLeavesTheFocusWhereItIs) {
    history("alpha one");
    open();
    type("alp");
    const auto inPane = [&] { return window->pane().isAncestorOf(QApplication::focusWidget()); };
    window->showInfoText(s("command output"), true);
    QApplication::processEvents(); // the activation the text box asked for
    ASSERT_TRUE(inPane());
    window->refreshListQuietly(s("aftercommand"));
    QApplication::processEvents();
    EXPECT_TRUE(inPane()) << "the output keeps the focus";
    window->refreshListQuietly(QString());
    QApplication::processEvents();
    EXPECT_TRUE(edit().hasFocus());
}

// The rebuild after the typing pause is for the input box with the focus;
// nothing of a key's release happens while the program closes.
TEST_F(WindowTest, TheListFollowsTheInputOnlyWithItsFocusAndNotWhileClosing) {
    history("alpha one");
    core.setup.autodelay = 300;
    open();
    QApplication::processEvents(); // the activation asked for
    type("alp");
    ASSERT_FALSE(window->pane().isVisible());
    edit().clearFocus();
    window->controller().listTimerFired();
    EXPECT_FALSE(window->pane().isVisible()) << "the focus is elsewhere";
    edit().setFocus();
    window->controller().listTimerFired();
    EXPECT_TRUE(window->pane().isVisible());

    window->hideList();
    core.setup.autodelay = 0;
    window->setClosing();
    edit().clear();
    type("alp");
    EXPECT_FALSE(window->pane().isVisible()) << "no refresh on the key's release";
    window->controller().listTimerFired();
    EXPECT_FALSE(window->pane().isVisible());
}

TEST_F(WindowTest, EscapeInTheEditorGivesTheBoxItsCaretAndTheList) {
    history("alpha one");
    open();
    edit().setText(s("alpha"));
    key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(window->pane().editShown());
    auto* editor = window->pane().findChild<QPlainTextEdit*>(s("ExpandedEdit"));
    ASSERT_NE(editor, nullptr);
    QTextCursor caret = editor->textCursor();
    caret.setPosition(2);
    editor->setTextCursor(caret);
    QTest::keyClick(editor, Qt::Key_Escape);
    QApplication::processEvents(); // the activation asked for
    EXPECT_FALSE(window->pane().editShown());
    EXPECT_TRUE(edit().hasFocus());
    EXPECT_EQ(edit().cursorPosition(), 2);
    EXPECT_TRUE(window->pane().isVisible()) << "the list follows the input again";
    EXPECT_EQ(window->engine().list.rows().texts(),
              (QStringList{s("===== History ====="), s("alpha one")}));
}

// A pane hidden by a command forgets its rows: their numbers take nothing.
TEST_F(WindowTest, AHiddenListTakesNoRowsByNumber) {
    history("beta one");
    core.setup.launchusingalt = true;
    open();
    type("bet");
    key(Qt::Key_Down);
    ASSERT_TRUE(window->pane().isVisible());
    window->hideListPane();
    edit().setText(s("typed"));
    window->takeNumberedRow(1);
    EXPECT_EQ(edit().text(), s("typed"));
}
