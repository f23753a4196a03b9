#include "core/corestate.h"
#include "core/history/history.h"
#include "core/history/pinning.h"
#include "core/keywords/exeword.h"
#include "core/list/listitems.h"
#include "core/list/rowlist.h"
#include "testsupport.h"

using namespace lorvanta;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

using Refresh = PinOutcome::Refresh;

QStringList texts(const EntryList& list) {
    QStringList out;
    for (const HistoryEntry& e : list.entries())
        out.append(e.text);
    return out;
}

QStringList split(const char* bars) {
    return bars[0] ? s(bars).split(u'|') : QStringList();
}

std::unique_ptr<TMyShellItem> shellItem(const char* name, const char* path) {
    auto item = std::make_unique<TMyShellItem>();
    item->name = s(name);
    item->root = s("/usr/share/applications");
    item->path = s(path);
    item->ps = "id-" + QByteArray(name);
    return item;
}

void fill(History& history, const QStringList& oldestFirst) {
    const lorvanta::Setup setup;
    for (const QString& t : oldestFirst)
        history.AddToHistory(t, nullptr, false, setup);
}

void fill(Pinned& pinned, const QStringList& inOrder) {
    for (const QString& t : inOrder)
        ASSERT_EQ(pinned.AddToPinned(t, nullptr, false), 1) << t.toStdString();
}

// One start of the program on a data folder.
struct Start {
    explicit Start(TempDataFolder& d) : state(DataFolder::at(d.path()), d.fake.platform()) {}
    CoreState state;

    QByteArray save() {
        EXPECT_TRUE(state.file.WriteSettings(false).ok());
        return readFile(state.file.settingsPath());
    }
    void load() { ASSERT_EQ(state.file.ReadSettings(false), SettingsFile::ReadResult::Loaded); }
};

// A settings file as a user's machine would hold it: current version, CR LF.
void writeSettings(TempDataFolder& d, const char* sections) {
    writeFile(d.file(s("lorvanta.ini")),
              QByteArray(sections).replace("\n", "\r\n") + "[Setup]\r\nversion=20502\r\n");
}

} // namespace

// ------------------------------------------------------------------ history

TEST(AddToHistory, PutsTheTrimmedTextFirstAndKeepsOneEntryPerTextIgnoringCase) {
    History h;
    fill(h, {s("notepad"), s("calc"), s("  Notepad  ")});
    EXPECT_EQ(texts(h), split("Notepad|calc"));
    fill(h, {s("CALC")});
    EXPECT_EQ(texts(h), split("CALC|Notepad"));
}

TEST(AddToHistory, KeepsTheItemItWasLaunchedFrom) {
    History h;
    h.AddToHistory(s("gedit"), shellItem("Text Editor", "/apps/gedit.desktop"), false,
                   lorvanta::Setup{});
    ASSERT_EQ(h.size(), 1);
    ASSERT_TRUE(h.at(0).item);
    EXPECT_EQ(h.at(0).item->path, s("/apps/gedit.desktop"));
}

TEST(AddToHistory, RecordsNothingForCommandsNoaddOrBlankText) {
    struct Case {
        const char* text;
        bool noadd;
    };
    const Case cases[] = {{"->calc", false}, {"calc", true}, {"   ", false}, {"", false}};
    for (const Case& c : cases) {
        History h;
        fill(h, {s("calc"), s("old")});
        h.AddToHistory(s(c.text), nullptr, c.noadd, lorvanta::Setup{});
        EXPECT_EQ(texts(h), split("old|calc")) << c.text << " noadd " << c.noadd;
    }
}

TEST(AddToHistory, IncognitoSuppressesItWhenItsConfigNamesHistory) {
    struct Case {
        bool incognito;
        const char* config;
        bool recorded;
    };
    const Case cases[] = {
        {true, "1", false}, {true, "12", false}, {true, "all", false}, {true, "ALL", false},
        {true, "2", true},  {true, "", true},    {false, "1", true},   {false, "all", true},
    };
    for (const Case& c : cases) {
        lorvanta::Setup setup;
        setup.incognito = c.incognito;
        setup.incognitoconfig = s(c.config);
        History h;
        h.AddToHistory(s("secret"), nullptr, false, setup);
        EXPECT_EQ(h.size(), c.recorded ? 1 : 0)
            << "incognito " << c.incognito << " config " << c.config;
    }
}

TEST(KillHist, RemovesTheEntryEqualToTheTrimmedTextIgnoringCase) {
    History h;
    fill(h, {s("a"), s("b"), s("c")});
    EXPECT_TRUE(h.KillHist(s(" B ")));
    EXPECT_EQ(texts(h), split("c|a"));
    EXPECT_FALSE(h.KillHist(s("zz")));
    EXPECT_EQ(texts(h), split("c|a"));
}

TEST(KillHist, RemovesOnlyTheFirstOfEqualEntriesReadFromTheFile) {
    TempDataFolder d;
    writeSettings(d, "[History]\nH0=a\nH1=b\nH2=A\n\n");
    Start start(d);
    start.load();
    EXPECT_TRUE(start.state.history.KillHist(s("a")));
    EXPECT_EQ(texts(start.state.history), split("b|A"));
}

// ------------------------------------------------------------ settings file

TEST(HistoryFile, SavesOnlyMaxhistoryEntriesAndRestoresThemInOrder) {
    TempDataFolder d;
    {
        Start first(d);
        first.state.setup.maxhistory = 2;
        fill(first.state.history, split("e0|e1|e2|e3|e4"));
        const QByteArray bytes = first.save();
        EXPECT_TRUE(bytes.contains("[History]\r\nH0=e4\r\nH1=e3\r\n\r\n")) << bytes.data();
        EXPECT_FALSE(bytes.contains("H2=")) << bytes.data();
    }
    Start second(d);
    second.load();
    EXPECT_EQ(texts(second.state.history), split("e4|e3"));
}

TEST(HistoryFile, SavehistoryOffWritesNoHistoryButEveryPinnedEntry) {
    TempDataFolder d;
    {
        Start first(d);
        first.state.setup.savehistory = false;
        first.state.setup.maxhistory = 1;
        fill(first.state.history, split("h0|h1"));
        fill(first.state.pinned, split("p0|p1|p2"));
        const QByteArray bytes = first.save();
        EXPECT_FALSE(bytes.contains("[History]")) << bytes.data();
        EXPECT_FALSE(bytes.contains("H0=")) << bytes.data();
        EXPECT_TRUE(bytes.contains("[Pinned]\r\nP0=p0\r\nP1=p1\r\nP2=p2\r\n")) << bytes.data();
    }
    Start second(d);
    second.load();
    EXPECT_TRUE(second.state.history.empty());
    EXPECT_EQ(texts(second.state.pinned), split("p0|p1|p2"));
}

TEST(HistoryFile, LineBreaksAreMarkedAndComeBackAsCrLf) {
    TempDataFolder d;
    {
        Start first(d);
        fill(first.state.history, {s("a\r\nb"), s("c\nd")});
        fill(first.state.pinned, {s("x\ny")});
        const QByteArray bytes = first.save();
        EXPECT_TRUE(bytes.contains("H0=c{BR}d\r\nH1=a{BR}b\r\n")) << bytes.data();
        EXPECT_TRUE(bytes.contains("P0=x{BR}y\r\n")) << bytes.data();
    }
    Start second(d);
    second.load();
    EXPECT_EQ(texts(second.state.history), QStringList({s("c\r\nd"), s("a\r\nb")}));
    EXPECT_EQ(texts(second.state.pinned), QStringList({s("x\r\ny")}));
}

TEST(HistoryFile, FileItemsAreStoredTaggedAndRestoredWithTheirItem) {
    TempDataFolder d;
    {
        Start first(d);
        first.state.history.AddToHistory(s("text"), shellItem("Text Editor", "/apps/gedit.desktop"),
                                         false, first.state.setup);
        const QByteArray bytes = first.save();
        EXPECT_TRUE(
            bytes.contains("H0=<exet>1</exet><exe1>Text Editor</exe1>"
                           "<exe2>/usr/share/applications</exe2>"
                           "<exe3>/apps/gedit.desktop</exe3><exe4>id-Text Editor</exe4>\r\n"))
            << bytes.data();
    }
    Start second(d);
    second.load();
    ASSERT_EQ(second.state.history.size(), 1);
    const HistoryEntry& e = second.state.history.at(0);
    // The item's name stands for the entry once it has been through the file.
    EXPECT_EQ(e.text, s("Text Editor"));
    ASSERT_TRUE(e.item);
    EXPECT_EQ(e.item->name, s("Text Editor"));
    EXPECT_EQ(e.item->root, s("/usr/share/applications"));
    EXPECT_EQ(e.item->path, s("/apps/gedit.desktop"));
    EXPECT_EQ(e.item->ps, QByteArray("id-Text Editor"));
}

TEST(HistoryFile, ReadsTaggedPlainAndEmptyValuesInFileOrder) {
    TempDataFolder d;
    writeSettings(
        d, "[History]\n"
           "H0=<exet>0</exet><exe1>stale</exe1><exe2>r</exe2><exe3>/s</exe3><exe4></exe4>\n"
           "H1=\n"
           "H2=plain\n"
           "H3=<exet>1</exet><exe1>Doc</exe1><exe2>r</exe2><exe3>/d.txt</exe3><exe4></exe4>\n"
           "\n"
           "[Pinned]\n"
           "P0=z\n"
           "P1=\n"
           "P2=y\n"
           "\n");
    Start start(d);
    start.load();
    const History& h = start.state.history;
    ASSERT_EQ(texts(h), split("stale|plain|Doc"));
    EXPECT_FALSE(h.at(0).item);
    EXPECT_FALSE(h.at(1).item);
    ASSERT_TRUE(h.at(2).item);
    EXPECT_EQ(h.at(2).item->path, s("/d.txt"));
    EXPECT_EQ(texts(start.state.pinned), split("z|y"));
}

TEST(HistoryFile, PinnedOrderAndItemsSurviveARestart) {
    TempDataFolder d;
    {
        Start first(d);
        Pinned& p = first.state.pinned;
        ASSERT_EQ(p.AddToPinned(s("zeta"), nullptr, false), 1);
        const auto item = shellItem("Files", "/apps/files.desktop");
        ASSERT_EQ(p.AddToPinned(s("Files"), item.get(), false), 1);
        ASSERT_EQ(p.AddToPinned(s("alpha"), nullptr, false), 1);
        first.save();
    }
    Start second(d);
    second.load();
    const Pinned& p = second.state.pinned;
    ASSERT_EQ(texts(p), split("zeta|Files|alpha"));
    ASSERT_TRUE(p.at(1).item);
    EXPECT_EQ(p.at(1).item->path, s("/apps/files.desktop"));
    EXPECT_FALSE(p.at(0).item);
}

// ------------------------------------------------------------------- pinned

TEST(AddToPinned, Outcomes) {
    enum class Object { None, Shell, Clip };
    struct Case {
        const char* text;
        Object object;
        bool allowRemove;
        int result;
        const char* after;
    };
    const Case cases[] = {
        {"->alpha", Object::None, true, 0, "alpha|Beta"},
        {"gamma", Object::Clip, false, 0, "alpha|Beta"},
        {"alpha", Object::Clip, true, 0, "alpha|Beta"},
        {"", Object::None, false, 0, "alpha|Beta"},
        {"   ", Object::None, true, 0, "alpha|Beta"},
        {" gamma ", Object::None, false, 1, "alpha|Beta|gamma"},
        {"gamma", Object::Shell, false, 1, "alpha|Beta|gamma"},
        {"gamma", Object::None, true, 1, "alpha|Beta|gamma"},
        {" ALPHA ", Object::None, false, 2, "alpha|Beta"},
        {"beta", Object::Shell, false, 2, "alpha|Beta"},
        {" beta", Object::None, true, -1, "alpha"},
    };
    for (const Case& c : cases) {
        Pinned p;
        fill(p, split("alpha|Beta"));
        const auto shell = shellItem("Gamma", "/apps/gamma.desktop");
        TMyClipItem clip;
        const TListObject* ob = nullptr;
        if (c.object == Object::Shell) ob = shell.get();
        if (c.object == Object::Clip) ob = &clip;
        EXPECT_EQ(p.AddToPinned(s(c.text), ob, c.allowRemove), c.result) << c.text;
        EXPECT_EQ(texts(p), split(c.after)) << c.text;
    }
}

TEST(AddToPinned, KeepsItsOwnCopyOfTheItem) {
    Pinned p;
    auto item = shellItem("Files", "/apps/files.desktop");
    ASSERT_EQ(p.AddToPinned(s("files"), item.get(), false), 1);
    item->path = s("/elsewhere");
    item.reset();
    ASSERT_TRUE(p.at(0).item);
    EXPECT_EQ(p.at(0).item->path, s("/apps/files.desktop"));
}

TEST(AddToPinned, UnpinningRemovesEveryEqualEntry) {
    TempDataFolder d;
    writeSettings(d, "[Pinned]\nP0=x\nP1=y\nP2=X \n\n");
    Start start(d);
    start.load();
    ASSERT_EQ(texts(start.state.pinned), split("x|y|X"));
    EXPECT_EQ(start.state.pinned.AddToPinned(s("x"), nullptr, true), -1);
    EXPECT_EQ(texts(start.state.pinned), split("y"));
}

TEST(MovePinned, Outcomes) {
    struct Case {
        const char* text;
        bool up;
        int posi;
        int result;
        const char* after;
    };
    const Case cases[] = {
        {"->c", true, 1, 0, "a|b|c|d"}, {"zz", true, 0, 0, "a|b|c|d"},
        {"C", true, 1, 1, "c|a|b|d"},   {"c", false, 1, 1, "c|a|b|d"},
        {"b", true, 2, 2, "a|c|d|b"},   {" B ", false, 2, 2, "a|c|d|b"},
        {"a", true, 0, 0, "a|b|c|d"},   {"d", false, 0, 0, "a|b|c|d"},
        {"c", true, 0, 3, "a|c|b|d"},   {"b", false, 0, 3, "a|c|b|d"},
        {"d", true, 0, 3, "a|b|d|c"},   {"a", false, 0, 3, "b|a|c|d"},
    };
    for (const Case& c : cases) {
        Pinned p;
        fill(p, split("a|b|c|d"));
        EXPECT_EQ(p.MovePinned(s(c.text), c.up, c.posi), c.result)
            << c.text << " up " << c.up << " posi " << c.posi;
        EXPECT_EQ(texts(p), split(c.after)) << c.text << " up " << c.up << " posi " << c.posi;
    }
}

// ------------------------------------------------------------- pin commands

namespace {

// The list as shown with pinned rows: an optional pinned header, the pinned
// entries, then the history.
RowList listWithPinned(const Pinned& pinned, bool pinnedHeader, const QStringList& history) {
    RowList rows;
    if (pinnedHeader) rows.append(headerRow(s("Pinned")));
    for (const HistoryEntry& e : pinned.entries())
        rows.append(e.text);
    rows.append(headerRow(s("History")));
    for (const QString& t : history)
        rows.append(t);
    return rows;
}

} // namespace

TEST(PinSelectedFromInput, PinsTheInputAndSelectsItsRow) {
    struct Case {
        bool comboheaders, pinnedheader;
        int selectRow;
    };
    const Case cases[] = {{true, true, 3}, {true, false, 2}, {false, true, 2}, {false, false, 2}};
    for (const Case& c : cases) {
        lorvanta::Setup setup;
        setup.comboheaders = c.comboheaders;
        setup.pinnedheader = c.pinnedheader;
        Pinned p;
        fill(p, split("alpha|beta"));
        const PinOutcome o = PinSelectedFromInput(p, setup, s("  delta "), nullptr);
        EXPECT_EQ(o.toast, s("Pinned: delta"));
        EXPECT_EQ(o.refresh, Refresh::RebuildPinned);
        EXPECT_EQ(o.selectRow, c.selectRow)
            << "comboheaders " << c.comboheaders << " pinnedheader " << c.pinnedheader;
        EXPECT_EQ(texts(p), split("alpha|beta|delta"));
    }
}

TEST(PinSelectedFromInput, AnAlreadyPinnedTextIsNotPinnedAgain) {
    Pinned p;
    fill(p, split("alpha|beta"));
    const PinOutcome o = PinSelectedFromInput(p, lorvanta::Setup{}, s("BETA"), nullptr);
    EXPECT_EQ(o.toast, s("Already pinned"));
    EXPECT_EQ(o.refresh, Refresh::None);
    EXPECT_EQ(texts(p), split("alpha|beta"));
}

TEST(PinSelectedFromInput, PinsTheCurrentFileItemWithTheInput) {
    Pinned p;
    const auto item = shellItem("Files", "/apps/files.desktop");
    const PinOutcome o = PinSelectedFromInput(p, lorvanta::Setup{}, s("files"), item.get());
    EXPECT_EQ(o.toast, s("Pinned: files"));
    ASSERT_EQ(texts(p), split("files"));
    ASSERT_TRUE(p.at(0).item);
    EXPECT_EQ(p.at(0).item->path, s("/apps/files.desktop"));
}

TEST(PinSelectedFromInput, AFuzzySuggestionPinsTheKeywordNameOrItsFile) {
    Pinned p;
    auto word = std::make_unique<TExeWord>();
    word->keywords = s("FireFox,ff");
    word->command = s("firefox");
    const TMyFuzzyItem keyword(s("FireFox"), std::move(word));
    const PinOutcome o = PinSelectedFromInput(p, lorvanta::Setup{}, s("firfox"), &keyword);
    EXPECT_EQ(o.toast, s("Pinned: firefox"));
    ASSERT_EQ(texts(p), split("firefox"));
    EXPECT_FALSE(p.at(0).item);

    const TMyFuzzyItem file(s("Files"), shellItem("Files", "/apps/files.desktop"));
    PinSelectedFromInput(p, lorvanta::Setup{}, s("Files"), &file);
    ASSERT_EQ(texts(p), split("firefox|Files"));
    ASSERT_TRUE(p.at(1).item);
    EXPECT_EQ(p.at(1).item->path, s("/apps/files.desktop"));
}

TEST(PinSelectedFromInput, ANoteGoesToTheNotesWindow) {
    Pinned p;
    TMyNoteItem note;
    note.name = s("shopping");
    const PinOutcome o = PinSelectedFromInput(p, lorvanta::Setup{}, s("shopping"), &note);
    EXPECT_EQ(o.note, &note);
    EXPECT_TRUE(o.toast.isEmpty());
    EXPECT_EQ(o.refresh, Refresh::None);
    EXPECT_TRUE(p.empty());
}

TEST(PinSelectedFromList, PinnedRowsAreUnpinnedOtherRowsPinned) {
    struct Case {
        bool comboheaders, pinnedheader;
        int selected;
        const char* toast;
        Refresh refresh;
        int selectRow;
        const char* after;
    };
    // Rows under a pinned header: [header] alpha beta [History] gamma Alpha.
    // Without it: alpha beta [History] gamma Alpha. Where the selection goes
    // after unpinning the last pinned row is left open.
    constexpr int kAnyRow = -2;
    const Case cases[] = {
        {true, true, 1, "Unpinned: alpha", Refresh::RebuildPinned, 1, "beta"},
        {true, true, 2, "Unpinned: beta", Refresh::RebuildPinned, kAnyRow, "alpha"},
        {true, true, 4, "Pinned: gamma", Refresh::RebuildPinned, 3, "alpha|beta|gamma"},
        {true, true, 5, "Already pinned", Refresh::None, -1, "alpha|beta"},
        {true, true, 0, "", Refresh::None, -1, "alpha|beta"},
        {true, true, 3, "", Refresh::None, -1, "alpha|beta"},
        {true, false, 0, "Unpinned: alpha", Refresh::RebuildPinned, 0, "beta"},
        {true, false, 1, "Unpinned: beta", Refresh::RebuildPinned, kAnyRow, "alpha"},
        {true, false, 3, "Pinned: gamma", Refresh::RebuildPinned, 2, "alpha|beta|gamma"},
        {false, true, 0, "Unpinned: alpha", Refresh::RebuildPinned, 0, "beta"},
        {false, true, 4, "Already pinned", Refresh::None, -1, "alpha|beta"},
    };
    for (const Case& c : cases) {
        lorvanta::Setup setup;
        setup.comboheaders = c.comboheaders;
        setup.pinnedheader = c.pinnedheader;
        Pinned p;
        fill(p, split("alpha|beta"));
        const RowList rows =
            listWithPinned(p, c.comboheaders && c.pinnedheader, split("gamma|Alpha"));
        const PinOutcome o = PinSelectedFromList(p, setup, rows, c.selected);
        const std::string what = "row " + std::to_string(c.selected) + " comboheaders " +
                                 std::to_string(c.comboheaders) + " pinnedheader " +
                                 std::to_string(c.pinnedheader);
        EXPECT_EQ(o.toast, s(c.toast)) << what;
        EXPECT_EQ(o.refresh, c.refresh) << what;
        if (c.selectRow != kAnyRow) {
            EXPECT_EQ(o.selectRow, c.selectRow) << what;
        }
        EXPECT_EQ(texts(p), split(c.after)) << what;
    }
}

TEST(DeleteListRow, UnpinsPinnedRowsAndRemovesHistoryEntriesOnly) {
    struct Case {
        bool pinneddelete;
        int selected;
        bool removed;
        const char* pinnedAfter;
        const char* historyAfter; // newest first
    };
    // Rows: [Pinned] alpha beta [History] gamma delta; the history holds
    // gamma and alpha, and delta is a row of some other source.
    const Case cases[] = {
        {true, 1, true, "beta", "alpha|gamma"},         // a pinned row is unpinned, not forgotten
        {false, 1, false, "alpha|beta", "alpha|gamma"}, // pinneddelete off: left alone
        {true, 4, true, "alpha|beta", "alpha"},         // a history row leaves the history
        {true, 5, false, "alpha|beta", "alpha|gamma"},  // anything else is never pinned
        {true, 3, false, "alpha|beta", "alpha|gamma"},  // nor is a header
        {true, 9, false, "alpha|beta", "alpha|gamma"},  // past the end
    };
    for (const Case& c : cases) {
        lorvanta::Setup setup;
        setup.comboheaders = setup.pinnedheader = true;
        setup.pinneddelete = c.pinneddelete;
        Pinned p;
        fill(p, split("alpha|beta"));
        History h;
        fill(h, split("gamma|alpha"));
        const RowList rows = listWithPinned(p, true, split("gamma|delta"));
        EXPECT_EQ(DeleteListRow(p, h, setup, rows, c.selected), c.removed) << c.selected;
        EXPECT_EQ(texts(p), split(c.pinnedAfter)) << c.selected;
        EXPECT_EQ(texts(h), split(c.historyAfter)) << c.selected;
    }
}

TEST(PinSelectedFromList, UnpinningTheLastPinnedEntryResetsTheSearch) {
    Pinned p;
    fill(p, split("alpha"));
    const RowList rows = listWithPinned(p, true, split("gamma"));
    const PinOutcome o = PinSelectedFromList(p, lorvanta::Setup{}, rows, 1);
    EXPECT_EQ(o.toast, s("Unpinned: alpha"));
    EXPECT_EQ(o.refresh, Refresh::ResetSearch);
    EXPECT_TRUE(p.empty());
}

TEST(PinSelectedFromList, PinsARowWithItsFileItem) {
    Pinned p;
    RowList rows;
    rows.append(headerRow(s("Files")));
    rows.append(s("Files"), shellItem("Files", "/apps/files.desktop"));
    const PinOutcome o = PinSelectedFromList(p, lorvanta::Setup{}, rows, 1);
    EXPECT_EQ(o.toast, s("Pinned: Files"));
    ASSERT_EQ(texts(p), split("Files"));
    ASSERT_TRUE(p.at(0).item);
    EXPECT_EQ(p.at(0).item->path, s("/apps/files.desktop"));
}

TEST(PinSelectedFromList, ANoteRowGoesToTheNotesWindow) {
    Pinned p;
    RowList rows;
    rows.append(headerRow(s("Notes")));
    rows.append(s("shopping"), std::make_unique<TMyNoteItem>());
    const PinOutcome o = PinSelectedFromList(p, lorvanta::Setup{}, rows, 1);
    EXPECT_EQ(o.note, rows.at(1).object.get());
    EXPECT_TRUE(o.toast.isEmpty());
    EXPECT_TRUE(p.empty());
}

TEST(MoveSelectedPinned, SelectsTheMovedRow) {
    struct Case {
        bool pinnedheader;
        int selected;
        bool up;
        int position;
        Refresh refresh;
        int selectRow;
        const char* after;
    };
    // Rows under a pinned header: [header] a b c d [History] x; without it: a b c d [History] x.
    const Case cases[] = {
        {true, 3, true, 1, Refresh::RebuildPinned, 1, "c|a|b|d"},
        {true, 2, false, 2, Refresh::RebuildPinned, 4, "a|c|d|b"},
        {true, 3, true, 0, Refresh::RebuildPinned, 2, "a|c|b|d"},
        {true, 2, false, 0, Refresh::RebuildPinned, 3, "a|c|b|d"},
        {true, 1, true, 0, Refresh::None, -1, "a|b|c|d"},
        {true, 4, false, 0, Refresh::None, -1, "a|b|c|d"},
        {true, 0, false, 0, Refresh::None, -1, "a|b|c|d"},
        {true, 6, true, 1, Refresh::None, -1, "a|b|c|d"},
        {false, 2, true, 1, Refresh::RebuildPinned, 0, "c|a|b|d"},
        {false, 1, false, 2, Refresh::RebuildPinned, 3, "a|c|d|b"},
        {false, 1, true, 0, Refresh::RebuildPinned, 0, "b|a|c|d"},
    };
    for (const Case& c : cases) {
        lorvanta::Setup setup;
        setup.pinnedheader = c.pinnedheader;
        Pinned p;
        fill(p, split("a|b|c|d"));
        const RowList rows = listWithPinned(p, c.pinnedheader, split("x"));
        const PinOutcome o = MoveSelectedPinned(p, setup, rows, c.selected, c.up, c.position);
        const std::string what = "row " + std::to_string(c.selected) + " up " +
                                 std::to_string(c.up) + " position " + std::to_string(c.position);
        EXPECT_EQ(o.refresh, c.refresh) << what;
        EXPECT_EQ(o.selectRow, c.selectRow) << what;
        EXPECT_EQ(texts(p), split(c.after)) << what;
    }
}
