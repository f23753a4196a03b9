#include "core/history/history.h"
#include "core/ini/myinifiles.h"
#include "core/keywords/keywordstore.h"
#include "core/list/candidatelist.h"
#include "core/list/fuzzy.h"
#include "core/settings/setup.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

struct Clips final : ClipCollection {
    QStringList texts;
    std::vector<TMyClipItem> clips() const override {
        std::vector<TMyClipItem> out;
        for (const QString& t : texts) {
            TMyClipItem c;
            c.clipb = t;
            out.push_back(c);
        }
        return out;
    }
};

struct Windows final : WindowCollection {
    QStringList titles;
    std::vector<TMyWindowItem> windows() const override {
        std::vector<TMyWindowItem> out;
        for (const QString& t : titles) {
            TMyWindowItem w;
            w.name = t;
            out.push_back(w);
        }
        return out;
    }
};

struct Notes final : NoteCollection {
    QStringList titles;
    std::vector<TMyNoteItem> notes() const override {
        std::vector<TMyNoteItem> out;
        for (const QString& t : titles) {
            TMyNoteItem n;
            n.name = t;
            out.push_back(n);
        }
        return out;
    }
    std::vector<TMyNoteItem> search(const QString& text) const override {
        std::vector<TMyNoteItem> out;
        for (TMyNoteItem& n : notes())
            if (n.name.contains(text, Qt::CaseInsensitive)) out.push_back(n);
        return out;
    }
};

struct Recent final : RecentCollection {
    QStringList names;
    std::vector<TMyShellItem> recent() const override {
        std::vector<TMyShellItem> out;
        for (const QString& n : names) {
            TMyShellItem i;
            i.name = n;
            i.path = QStringLiteral("/docs/") + n;
            out.push_back(i);
        }
        return out;
    }
};

struct ListTest : ::testing::Test {
    TempDataFolder dir;
    lorvanta::Setup setup;
    KeywordStore store;
    History history;
    Pinned pinned;
    MemoryIndex index;
    Clips clips;
    Windows windows;
    Notes notes;
    Recent recent;
    CandidateList list{setup,
                       store,
                       history,
                       pinned,
                       dir.fake.platform().environment,
                       ListSources{&index, &windows, &clips, &notes, nullptr, &recent}};

    ListTest() { dir.fake.homeFolder = dir.root(); }

    void keyword(const char* names, const char* command = "", const char* tags = "") {
        auto w = std::make_unique<TExeWord>();
        w->keywords = s(names);
        w->command = s(command);
        w->group = s(tags);
        store.append(std::move(w));
        store.rebuildTagList();
    }
    // Entries in the given order, as loaded from the file.
    static void fill(EntryList& list, const char* section, QStringList texts) {
        QString ini = u'[' + s(section) + s("]\n");
        for (int i = 0; i < texts.size(); ++i)
            ini += QStringLiteral("X%1=%2\n").arg(i).arg(texts[i]);
        list.load(TMemIniFile::FromText(ini));
    }
    void indexItem(const char* name, const char* root = "/apps") {
        TMyShellItem item;
        item.name = s(name);
        item.root = s(root);
        item.path = s(root) + u'/' + s(name);
        index.add(item);
    }
    QStringList build(const QString& text, int caret = -1, int selStart = -1, int selLength = 0) {
        InputState in;
        in.text = text;
        in.caret = caret;
        in.selStart = selStart;
        in.selLength = selLength;
        list.BuildListContent(in);
        return list.rows().texts();
    }
    QStringList build(const char* text) { return build(s(text)); }
};

QStringList rows(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out.append(s(t));
    return out;
}

} // namespace

TEST_F(ListTest, KeywordsMatchByPrefixOrAnywhere) {
    keyword("g,google");
    keyword("gmail");
    keyword("xg");
    keyword("gone", "", "");
    store.at(3).disabled = true;
    setup.searchtype = 0;
    EXPECT_EQ(build("g"), rows({"===== Keywords =====", "g", "gmail"}));
    setup.searchtype = 1;
    EXPECT_EQ(build("g"), rows({"===== Keywords =====", "g", "gmail", "xg"}));
    EXPECT_EQ(build("OOG"), rows({"===== Keywords =====", "google"}));
}

TEST_F(ListTest, HistoryMatchesAnywhereOnlyInContainsMode) {
    fill(history, "History", {s("firefox"), s("fox news")});
    setup.searchtype = 1;
    EXPECT_EQ(build("fox"), rows({"===== History =====", "firefox", "fox news"}));
    setup.searchtype = 0;
    EXPECT_EQ(build("fox"), rows({"===== History =====", "fox news"}));
    list.BuildListContent(InputState{s("fox"), -1, -1, 0, false}, false, true);
    EXPECT_EQ(list.rows().texts(), rows({"===== History =====", "firefox", "fox news"}))
        << "the reverse flag is contains mode too";
}

TEST_F(ListTest, SourcesFollowTheConfiguredOrder) {
    keyword("alpha");
    fill(history, "History", {s("alpha two")});
    setup.comboorder = s("Keywords,History,\"File system\",\"Indexed items\"");
    EXPECT_EQ(build("alp"),
              rows({"===== Keywords =====", "alpha", "===== History =====", "alpha two"}));
    setup.comboorder = s("History,Keywords");
    EXPECT_EQ(build("alp"),
              rows({"===== History =====", "alpha two", "===== Keywords =====", "alpha"}));
    // Only the first four positions count.
    setup.comboorder = s("\"File system\",\"Indexed items\",Nothing,Else,Keywords");
    EXPECT_EQ(build("alp"), QStringList());
    setup.comboorder = s("History,Keywords");
    setup.comboheaders = false;
    EXPECT_EQ(build("alp"), rows({"alpha two", "alpha"}));
}

TEST_F(ListTest, LimitedSourcesStopPastMaxdropdown) {
    QStringList many;
    for (int i = 0; i < 10; ++i)
        many.append(QStringLiteral("entry %1").arg(i));
    fill(history, "History", many);
    for (int i = 0; i < 10; ++i)
        keyword(qPrintable(QStringLiteral("entry%1").arg(i)));
    setup.maxdropdown = 5;
    // The header counts: it and five rows make six, more than five, and every later source stops.
    const QStringList got = build("entry");
    EXPECT_EQ(got.size(), 6);
    EXPECT_EQ(got.first(), s("===== History ====="));
    EXPECT_FALSE(got.contains(s("===== Keywords =====")));
    // Minus commands are not limited.
    EXPECT_EQ(build("-").size(), 1 + kMinusCommands.size());
}

TEST_F(ListTest, DuplicatesAreListedOnceUnderTheFirstSource) {
    fill(pinned, "Pinned", {s("abc")});
    fill(history, "History", {s("ABC"), s("other")});
    EXPECT_EQ(build(""), rows({"===== Pinned =====", "abc", "===== History =====", "other"}));
    EXPECT_TRUE(list.pinnedRan());
    setup.noduplicates = false;
    EXPECT_EQ(build(""),
              rows({"===== Pinned =====", "abc", "===== History =====", "ABC", "other"}));
    EXPECT_EQ(build("ab"), rows({"===== History =====", "ABC"})) << "pinned rows only without text";
    setup.pinnedheader = false;
    EXPECT_EQ(build("").first(), s("abc"));
}

TEST_F(ListTest, ExclusionListAppliesWhereItsTypeSays) {
    fill(history, "History", {s("my secret plan"), s("my plan")});
    QDir().mkpath(dir.root() + s("/secretdir"));
    setup.excludelist = s("SECRET;;nothing");
    struct Case {
        int type;
        bool fileSystemToo;
        QStringList historyRows;
        bool folderListed;
    };
    const Case cases[] = {
        {0, false, rows({"===== History =====", "my plan"}), true},
        {1, false, rows({"===== History =====", "my plan"}), true},
        {1, true, rows({"===== History =====", "my plan"}), false},
        {2, true, rows({"===== History =====", "my secret plan", "my plan"}), true},
    };
    for (const Case& c : cases) {
        setup.excludetype = c.type;
        setup.excludefilesystem = c.fileSystemToo;
        EXPECT_EQ(build("my"), c.historyRows) << c.type;
        EXPECT_EQ(build(s("~/sec")).contains(s("~/secretdir")), c.folderListed) << c.type;
    }
}

TEST_F(ListTest, IncognitoLettersSuppressTheirSources) {
    keyword("note,n");
    keyword("tagged", "", "work");
    fill(history, "History", {s("note this")});
    fill(pinned, "Pinned", {s("pinned note")});
    setup.incognito = true;
    struct Case {
        const char* config;
        const char* input;
        QStringList rows;
    };
    const QStringList all =
        rows({"===== History =====", "note this", "===== Keywords =====", "note"});
    const Case cases[] = {
        {"", "note", all},
        {"2", "note", rows({"===== Keywords =====", "note"})},
        {"4", "note", QStringList()},
        {"all", "note", QStringList()},
        {"3", "", QStringList()},
        {"3", "note", all},
        {"7", "", rows({"===== Pinned =====", "pinned note"})},
        {"p", "",
         rows({"===== History =====", "note this", "===== Keywords =====", "note", "tagged"})},
    };
    for (const Case& c : cases) {
        setup.incognitoconfig = s(c.config);
        EXPECT_EQ(build(c.input), c.rows) << c.config << " / " << c.input;
    }
    QDir().mkpath(dir.root() + s("/notesdir"));
    keyword("tags", "$TAGS$");
    setup.incognitoconfig = s("5");
    EXPECT_EQ(build("~/note"), QStringList()) << "no file system";
    setup.incognitoconfig = s("");
    EXPECT_EQ(build("~/note"), rows({"===== File system =====", "~/notesdir"}));
    setup.incognitoconfig = s("6");
    EXPECT_EQ(build("tags"), QStringList()) << "no tags";

    setup.incognito = false;
    setup.incognitoconfig = s("4");
    EXPECT_EQ(build("note"), all) << "letters mean nothing while incognito mode is off";
}

TEST_F(ListTest, TagsListTheirKeywords) {
    keyword("mail,m", "", "work office");
    keyword("chat", "", "Work");
    keyword("game");
    EXPECT_EQ(build("work"), rows({"===== Keywords =====", "mail", "chat"})) << "by default name";
    setup.listisolatetags = true;
    keyword("workbench");
    EXPECT_EQ(build(" WORK "), rows({"===== Tag keywords =====", "mail", "chat"}));
    keyword("tags", "$TAGS$");
    EXPECT_EQ(build("tags"), rows({"===== Tags =====", "office", "work"}));
}

TEST_F(ListTest, OnlyTheCommandAfterTheLastSeparatorIsListed) {
    keyword("google");
    keyword("gmail");
    keyword("notes");
    EXPECT_EQ(build("notes||gm"), rows({"===== Keywords =====", "gmail"}));
    EXPECT_EQ(list.keptPrefix(), s("notes||"));
    // With the caret in the first command, the whole input up to the caret is searched.
    EXPECT_EQ(build(s("no||gm"), 2), rows({"===== Keywords =====", "notes"}));
    EXPECT_EQ(list.keptPrefix(), QString());
    // The caret decides how much of the text is searched.
    EXPECT_EQ(build(s("gmail"), 1), rows({"===== Keywords =====", "google", "gmail"}));
}

TEST_F(ListTest, APathTypedAsParameterListsItsFolder) {
    const QString root = dir.root() + s("/tree");
    for (const char* d : {"Sub", "sample"})
        QDir().mkpath(root + u'/' + s(d));
    writeFile(root + s("/skip.txt"), "x");
    writeFile(root + s("/other.txt"), "x");
    keyword("open", "$P$");
    EXPECT_EQ(build(s("open ") + root + s("/s")),
              (QStringList{s("===== File system ====="), root + s("/sample"), root + s("/Sub"),
                           root + s("/skip.txt")}));
    EXPECT_EQ(list.keptPrefix(), s("open "));
    const auto* item = dynamic_cast<const TMyShellItem*>(list.rows().at(1).object.get());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->path, root + s("/sample"));
    setup.dropfilesystem = false;
    EXPECT_EQ(build(s("open ") + root + s("/s")), QStringList());
}

TEST_F(ListTest, SpecialSourcesStandAloneAndAreReRankedByTheParameter) {
    keyword("cb", "$CLIPBOARD$");
    fill(history, "History", {s("cb grape")});
    clips.texts = {s("apple pie"), s("banana"), s("grape")};
    EXPECT_EQ(build("cb"), rows({"===== Clipboard =====", "apple pie", "banana", "grape"}));
    EXPECT_TRUE(list.isSpecial());
    // "grape" 1030 beats "apple pie" 1029; "banana" lacks the letters.
    EXPECT_EQ(build("cb ape"), rows({"===== Clipboard =====", "grape", "apple pie"}));
    ASSERT_NE(dynamic_cast<const TMyClipItem*>(list.rows().at(1).object.get()), nullptr);
    // Without standing alone, the standard sources follow (the re-ranking
    // above left its suggestions, which a fresh keystroke would clear).
    list.clearSuggestions();
    setup.specialsolo = false;
    EXPECT_EQ(build("cb"), rows({"===== Clipboard =====", "apple pie", "banana", "grape",
                                 "===== History =====", "cb grape", "===== Keywords =====", "cb"}));
}

TEST_F(ListTest, ASpecialListWaitsWhileAShortCompletionIsShown) {
    keyword("cb", "$CLIPBOARD$");
    clips.texts = {s("x")};
    // "c" typed, "b" completed and selected: the keyword is not settled yet.
    EXPECT_EQ(build(s("cb"), 1, 1, 1), rows({"===== Keywords =====", "cb"}));
    EXPECT_EQ(build(s("cb"), 2), rows({"===== Clipboard =====", "x"}));
    EXPECT_EQ(build(s("cb"), 0, 0, 2), rows({"===== Clipboard =====", "x"})) << "all selected";
}

TEST_F(ListTest, EachSpecialSource) {
    keyword("apps", "$APPS$");
    keyword("notes", "$NOTELIST$");
    keyword("find", "$NOTESEARCH$");
    keyword("recent", "$RECENT$");
    keyword("kh", "$KWHISTORY$");
    keyword("hist", "$HISTORY$");
    windows.titles = {s("Terminal"), QString(), s("Editor")};
    notes.titles = {s("Shopping"), s("Ideas")};
    recent.names = {s("b.txt"), s("a.odt")};
    fill(history, "History", {s("apps"), s("hello world"), s("notes x")});
    struct Case {
        const char* input;
        QStringList rows;
    };
    const Case cases[] = {
        {"apps", rows({"===== Applications =====", "Terminal", "Editor"})},
        {"notes", rows({"===== Notes =====", "Shopping", "Ideas"})},
        {"find ide", rows({"===== Notes containing \"ide\" =====", "Ideas"})},
        {"find", QStringList()},
        {"recent", rows({"===== Recent docs =====", "b.txt", "a.odt"})},
        {"kh", rows({"===== History =====", "apps", "notes x"})},
        {"hist", rows({"===== History =====", "apps", "hello world", "notes x"})},
        {"hist wrld", rows({"===== History =====", "hello world"})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(build(c.input), c.rows) << c.input;
}

TEST_F(ListTest, IndexedItemsHoldBackHelpersAndInstallers) {
    indexItem("Foo Uninstall");
    indexItem("Foo Help");
    indexItem("Foo");
    indexItem("Foo Setup Guide");
    indexItem("Foo Help Center", "rfSettings");
    EXPECT_EQ(build("foo"), rows({"===== Indexed items =====", "Foo", "Foo Help Center", "Foo Help",
                                  "Foo Setup Guide", "Foo Uninstall"}));
    // Index folders with fuzzy matching of indexed items: the suggestions stand in.
    index.setIndexFolders(true);
    EXPECT_EQ(build("foo"), QStringList());
    setup.autoshortalways = false;
    EXPECT_EQ(build("foo").size(), 6);
}

// A file named like a header row is never offered: the list would take it
// for one.
TEST_F(ListTest, IndexedNamesBeginningWithTwoEqualsSignsNeverMatch) {
    indexItem("==notes.txt");
    indexItem("===== x");
    indexItem("=note");
    EXPECT_EQ(build("="), rows({"===== Indexed items =====", "=note"}));
    setup.searchtype = 1; // match anywhere
    EXPECT_EQ(build("note"), rows({"===== Indexed items =====", "=note"}));
}

TEST_F(ListTest, SuggestionsComeRightBeforeTheIndexedItems) {
    keyword("firefox");
    keyword("thunderbird");
    indexItem("Files");
    setup.comboorder = s("Keywords,\"Indexed items\"");
    ASSERT_FALSE(list.FuzzySearch(s("ffx"), 0, false, 0));
    EXPECT_EQ(list.suggestions().texts(), rows({"firefox"}));
    // A suggestion carries its keyword, a keyword row carries nothing: no duplicates.
    EXPECT_EQ(build("f"), rows({"===== Keywords =====", "firefox", "===== Suggestions =====",
                                "firefox", "===== Indexed items =====", "Files"}));
    list.clearSuggestions();
    EXPECT_EQ(build("f"),
              rows({"===== Keywords =====", "firefox", "===== Indexed items =====", "Files"}));
}

TEST_F(ListTest, MinusCommandsBeforeOrAfterTheOtherSources) {
    keyword("-mine");
    QStringList expected = rows({"===== Commands ====="}) + kMinusCommands;
    expected += rows({"===== Keywords =====", "-mine"});
    EXPECT_EQ(build("-"), expected);
    setup.commandslast = true;
    const QStringList last = build("-");
    EXPECT_EQ(last.first(), s("===== Keywords ====="));
    EXPECT_EQ(last.last(), s("-c"));
}

TEST_F(ListTest, FolderListingOfAGivenFolder) {
    const QString root = dir.root() + s("/f");
    QDir().mkpath(root + s("/inner"));
    writeFile(root + s("/file.txt"), "x");
    list.BuildListContent(InputState{s("anything")}, false, false, true, root + s("/file.txt"));
    EXPECT_EQ(list.rows().texts(), (QStringList{s("===== ") + root + s(" ====="),
                                                root + s("/inner"), root + s("/file.txt")}))
        << "a file is reduced to its folder";
    EXPECT_TRUE(list.isSpecial());
}

// A long index is scored in parts at once; the suggestions are still those of
// one pass in index order, ties at the edge of the twenty best included.
TEST_F(ListTest, LongIndexGivesTheSuggestionsOfOnePassInOrder) {
    static const char* const parts[] = {"fi", "re", "fox", "ab", "cd", "x", "ff", " ", "zz"};
    unsigned seed = 7;
    QStringList names;
    for (int i = 0; i < 60000; ++i) {
        QString name;
        for (int p = 0, n = 2 + int(seed % 4); p < n; ++p) {
            seed = seed * 1103515245u + 12345u;
            name += QString::fromLatin1(parts[(seed >> 16) % 9]);
        }
        names << name;
        TMyShellItem item;
        item.name = name;
        index.add(item);
    }
    // Long queries meet few names in order, so most are scored word by word.
    for (const char* query :
         {"ffx", "fire", "ab cd", "zzx", "fox", "firefoxab", "refoxfirex", "zzabfix"}) {
        FuzzyTable table;
        const QString q = s(query);
        for (int i = 0; i < names.size(); ++i)
            table.offer(FuzzyScore(q, names[i]), i);
        std::vector<std::pair<int, QString>> held;
        for (const FuzzyTable::Slot& slot : table.slots())
            if (slot.score > 0)
                held.emplace_back(fuzzyRank(slot.score, int(names[slot.candidate].size())),
                                  names[slot.candidate]);
        std::stable_sort(held.begin(), held.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        QStringList expected;
        for (const auto& h : held)
            expected << h.second;
        list.FuzzySearch(q, 0, false, 0);
        EXPECT_EQ(list.suggestions().texts(), expected) << query;
    }
}

TEST_F(ListTest, FuzzySuggestionsWhileTyping) {
    keyword("firefox");
    keyword("firefoxbeta");
    keyword("thunderbird");
    indexItem("Firefox Profile Manager");
    EXPECT_TRUE(list.FuzzySearch(s("ffx"), 2, true, 0));
    // 1030, then 1029 (a word scores 1030, minus one for three words), then 1020.
    EXPECT_EQ(list.suggestions().texts(),
              rows({"firefox", "Firefox Profile Manager", "firefoxbeta"}));
    const auto* cur = dynamic_cast<const TMyFuzzyItem*>(list.currentItem());
    ASSERT_NE(cur, nullptr);
    EXPECT_EQ(cur->name, s("firefox"));
    EXPECT_NE(dynamic_cast<const TExeWord*>(cur->obj.get()), nullptr);

    // Index items are scored only from autoshort 2 on.
    setup.autoshort = 1;
    list.FuzzySearch(s("ffx"), 0, false, 0);
    EXPECT_EQ(list.suggestions().texts(), rows({"firefox", "firefoxbeta"}));
    setup.autoshort = 2;

    // The pick skips excluded names and can be switched off.
    list.clearCurrentItem();
    setup.excludelist = s("firefox");
    setup.excludetype = 0;
    EXPECT_TRUE(list.FuzzySearch(s("ffx"), 2, true, 0));
    EXPECT_EQ(dynamic_cast<const TMyFuzzyItem*>(list.currentItem())->name, s("firefox"))
        << "the list-only filter does not stop the pick";
    list.clearCurrentItem();
    setup.excludetype = 2;
    EXPECT_TRUE(list.FuzzySearch(s("ffx"), 2, true, 0));
    EXPECT_EQ(list.currentItem(), nullptr) << "every suggestion is excluded";
    setup.excludelist.clear();
    setup.autoshortlistonly = true;
    EXPECT_TRUE(list.FuzzySearch(s("ffx"), 2, true, 0));
    EXPECT_EQ(list.currentItem(), nullptr);
    EXPECT_FALSE(list.FuzzySearch(s("ffx"), 1, true, 0)) << "only mode 2 picks";
}

TEST_F(ListTest, RecognisedInputGetsNoSuggestions) {
    keyword("firefox");
    keyword("gg", "x", "web");
    const QString bin = dir.root() + s("/bin");
    writeFile(bin + s("/ffxtool"), "#!/bin/sh\n");
    QFile::setPermissions(bin + s("/ffxtool"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    dir.fake.searchPath = {bin};
    for (const char* text :
         {"ff", "https://ffx", "www.ffx", "ffx.com", "/ffx", "~/ffx", "-ffx", "#ffx", "\"ffx",
          "mailto:ffx", "ffx||x", "gg ffx", "web", "ffxtool", "ffxtool --x"}) {
        list.FuzzySearch(s(text), 0, false, 0);
        EXPECT_TRUE(list.suggestions().empty()) << text;
    }
    list.FuzzySearch(s("ffx"), 0, false, 0, true);
    EXPECT_TRUE(list.suggestions().empty()) << "the information line is not typed text";
    list.FuzzySearch(s("ffx"), 0, false, 0);
    EXPECT_FALSE(list.suggestions().empty());
}

TEST_F(ListTest, PathOfTheCurrentItemOrTheInput) {
    const QString root = dir.root() + s("/p");
    QDir().mkpath(root + s("/folder"));
    writeFile(root + s("/file.txt"), "x");
    const auto shell = [&](const QString& path) {
        auto i = std::make_unique<TMyShellItem>();
        i->path = path;
        return i;
    };
    list.setCurrentItem(shell(root + s("/folder")));
    EXPECT_EQ(list.GetPathFromItem(QString(), false), root + s("/folder/"));
    list.setCurrentItem(shell(root + s("/file.txt")));
    EXPECT_EQ(list.GetPathFromItem(QString(), false), root + s("/"));
    EXPECT_EQ(list.GetPathFromItem(QString(), true), root + s("/file.txt"));

    // A desktop entry stands for the program it starts.
    const QString bin = dir.root() + s("/bin");
    writeFile(bin + s("/mytool"), "#!/bin/sh\n");
    QFile::setPermissions(bin + s("/mytool"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    dir.fake.searchPath = {bin};
    writeFile(root + s("/tool.desktop"),
              "[Desktop Entry]\nType=Application\nExec=mytool --new %U\n");
    list.setCurrentItem(shell(root + s("/tool.desktop")));
    EXPECT_EQ(list.GetPathFromItem(QString(), true), bin + s("/mytool"));

    // Without an item: the keyword named by the input, else the input.
    list.clearCurrentItem();
    keyword("docs", "~/p/folder");
    EXPECT_EQ(list.GetPathFromItem(s("docs"), false), s("~/p/folder/"));
    dir.fake.variables.insert(s("PROJ"), root);
    EXPECT_EQ(list.GetPathFromItem(s("%PROJ%/file.txt"), true), root + s("/file.txt"));
    EXPECT_EQ(list.GetPathFromItem(s("\"") + root + s("/folder\""), false), root + s("/folder/"));
}
