#include "index/scancache.h"
#include "testsupport.h"

using namespace lorvanta;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

std::unique_ptr<TMyShellItem> item(const QString& name, const QString& path,
                                   const QString& root = s("/r/")) {
    auto it = std::make_unique<TMyShellItem>();
    it->name = name;
    it->path = path;
    it->root = root;
    it->title = s("kept only in memory");
    it->liconid = 4;
    it->siconid = 5;
    return it;
}

} // namespace

TEST(ScanCache, ThreeItemsGiveThreeLinesAndLoadWithoutTitlesOrIcons) {
    TempDataFolder dir;
    IndexList list;
    list.add(s("ak"), item(s("A"), s("/r/A.desktop")));
    list.add(s("bk"), item(s("B"), s("/r/B")));
    list.add(s("ck"), item(s("C"), s("/r/C")));
    const QString file = dir.file(s("scancache.dat"));
    ASSERT_TRUE(SaveIndexCache(file, list).ok());
    const QByteArray bytes = readFile(file);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(bytes.count("\r\n"), 3);
    EXPECT_TRUE(bytes.contains("<exet>1</exet><exe1>A</exe1><exe2>/r/</exe2>"
                               "<exe3>/r/A.desktop</exe3><exe4></exe4>\r\n"));

    IndexList back;
    ASSERT_TRUE(LoadIndexCache(file, back));
    ASSERT_EQ(back.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const TMyShellItem& it = *back.at(i).item;
        EXPECT_EQ(back.at(i).key, it.name);
        EXPECT_EQ(it.path, list.at(i).item->path);
        EXPECT_EQ(it.root, s("/r/"));
        EXPECT_TRUE(it.title.isEmpty());
        EXPECT_EQ(it.liconid, -2);
        EXPECT_EQ(it.siconid, -2);
    }
}

TEST(ScanCache, OddNamesAndPathsSurviveTheRoundTrip) {
    const char* odd[] = {"line\nbreak",    "cr\rlf\r\n", "x<exe1>y", "</exe3>tail",
                         "<exet>0</exet>", "&lt;",       "&amp;",    "&#10;",
                         "Tom & Jerry",    "a&&b&",      "Ünï<>",    ""};
    IndexList list;
    for (const char* t : odd)
        list.append(s(t), item(s(t), s("/p/") + s(t), s(t)));
    const QString text = formatIndexCache(list);
    EXPECT_EQ(text.count(u'\n'), static_cast<qsizetype>(std::size(odd)));
    EXPECT_TRUE(text.contains(s("<exe1>Tom & Jerry</exe1>"))); // ordinary names stay as they are
    IndexList back;
    parseIndexCache(text, back);
    ASSERT_EQ(back.size(), std::size(odd));
    for (size_t i = 0; i < std::size(odd); ++i) {
        ASSERT_TRUE(back.at(i).item) << odd[i];
        EXPECT_EQ(back.at(i).item->name, s(odd[i]));
        EXPECT_EQ(back.at(i).item->path, s("/p/") + s(odd[i]));
        EXPECT_EQ(back.at(i).item->root, s(odd[i]));
    }
}

TEST(ScanCache, ForeignLinesAndEntriesWithoutItem) {
    struct Case {
        const char* line;
        const char* key;
        bool hasItem;
        const char* path;
    };
    const Case cases[] = {
        {"", "", false, ""},
        {"<exet>0</exet><exe1>Off</exe1>", "Off", false, ""},
        {"<exe1>NoType</exe1><exe3>/x</exe3>", "NoType", false, ""},
        {"<exet>1</exet><exe1>Open</exe1><exe3>/rest of line", "Open", true, "/rest of line"},
        {"junk<exe3>/a</exe3><exe3>/b</exe3><exet>1</exet><exe1>N</exe1>", "N", true, "/a"},
        {"<exet>1</exet><exe1>Same</exe1><exe3>/one</exe3>", "Same", true, "/one"},
        {"<exet>1</exet><exe1>Same</exe1><exe3>/two</exe3>", "Same", true, "/two"},
    };
    QString text;
    for (const Case& c : cases)
        text += s(c.line) + s("\r\n");
    IndexList list;
    parseIndexCache(text, list);
    ASSERT_EQ(list.size(), std::size(cases)); // a cache keeps same-named items of two folders
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(list.at(i).key, s(c.key)) << c.line;
        ASSERT_EQ(list.at(i).item != nullptr, c.hasItem) << c.line;
        if (c.hasItem) {
            EXPECT_EQ(list.at(i).item->path, s(c.path)) << c.line;
        }
    }
    // An entry without item is written back as an empty line.
    EXPECT_TRUE(formatIndexCache(list).startsWith(s("\r\n\r\n\r\n<exet>1</exet><exe1>Open")));
}

TEST(ScanCache, MissingFileLeavesTheListAlone) {
    TempDataFolder dir;
    IndexList list;
    list.add(s("k"), item(s("K"), s("/k")));
    EXPECT_FALSE(LoadIndexCache(dir.file(s("scancache.dat")), list));
    EXPECT_EQ(list.size(), 1u);
    writeFile(dir.file(s("scancache.dat")), "");
    EXPECT_TRUE(LoadIndexCache(dir.file(s("scancache.dat")), list));
    EXPECT_EQ(list.size(), 0u);
}
