#include "index/indexlist.h"
#include "index/scanitems.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

TMyScanItem scanItem(const QString& path, const QString& ext, const QString& level) {
    TMyScanItem item;
    item.path = path;
    item.extensions = ext;
    item.level = level;
    return item;
}

// The items' paths relative to `root`, in index order.
QStringList relPaths(const IndexList& list, const QString& root) {
    QStringList out;
    for (const IndexList::Entry& e : list.entries())
        if (e.item) out << e.item->path.mid(root.size());
    return out;
}

const TMyShellItem* byPath(const IndexList& list, const QString& path) {
    for (const IndexList::Entry& e : list.entries())
        if (e.item && e.item->path == path) return e.item.get();
    return nullptr;
}

void makeLink(const QString& target, const QString& link) {
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
              0);
}

} // namespace

TEST(ScanDirs, RoundTripKeepsPathCaseAndLowersTheRest) {
    const QVector<TMyScanItem> items{
        scanItem(s("/home/Ann/My Apps"), s("EXE;Lnk"), s("2")),
        scanItem(s("/data/Tools,Old"), s("\\;txt"), s("0")),
        scanItem(s("/x/Pipe|Name"), s(""), s("abc")),
    };
    const QVector<TMyScanItem> back = readScanDirs(writeScanDirs(items));
    ASSERT_EQ(back.size(), 3);
    EXPECT_EQ(back[0].path, s("/home/Ann/My Apps"));
    EXPECT_EQ(back[0].extensions, s("exe;lnk"));
    EXPECT_EQ(back[0].level, s("2"));
    EXPECT_EQ(back[1].path, s("/data/Tools,Old"));
    EXPECT_EQ(back[1].extensions, s("\\;txt"));
    EXPECT_EQ(back[2].path, s("/x/PipeName")); // "|" is the entry separator
    EXPECT_EQ(back[2].level, s("abc"));
}

TEST(ScanDirs, ReadingIgnoresTextAfterTheLastBarAndSplitsAtBlanks) {
    const QVector<TMyScanItem> items = readScanDirs(s("/A/B exe 1|\"/C\",\"\",\"0\"|tail"));
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].path, s("/A/B"));
    EXPECT_EQ(items[0].extensions, s("exe"));
    EXPECT_EQ(items[0].level, s("1"));
    EXPECT_EQ(items[1].path, s("/C"));
    EXPECT_TRUE(readScanDirs(QString()).isEmpty());
}

TEST(ScanDirs, LevelMaskAndFolderRules) {
    struct LevelCase {
        const char* level;
        std::optional<int> want;
    };
    for (const LevelCase& c : {LevelCase{"0", 0},
                               {"3", 3},
                               {" 2 ", 2},
                               {"-1", -1},
                               {"abc", std::nullopt},
                               {"", std::nullopt},
                               {"1.5", std::nullopt}})
        EXPECT_EQ(scanLevel(scanItem(s("/"), {}, s(c.level))), c.want) << c.level;

    struct MaskCase {
        const char* ext;
        const char* mask;
    };
    for (const MaskCase& c : {MaskCase{"exe;lnk", ".exe.lnk"},
                              {"lnk;\\;exe", ".lnk.\\.exe"},
                              {"EXE", ".exe"},
                              {"", ""},
                              {"*", ""}})
        EXPECT_EQ(extensionMask(s(c.ext)), s(c.mask)) << c.ext;
    EXPECT_TRUE(includesFolders(s("lnk;\\")));
    EXPECT_FALSE(includesFolders(s("lnk")));

    struct PassCase {
        const char* name;
        const char* mask;
        bool passes;
    };
    for (const PassCase& c : {PassCase{"a.exe", ".exe.lnk", true},
                              {"A.EXE", ".exe", true},
                              {"a.ex", ".exe", true},
                              {"README", ".exe", false},
                              {"a.", ".exe", false},
                              {"c.txt", ".exe.lnk", false},
                              {".bashrc", ".bashrc", true},
                              {"x.tar.gz", ".gz", true},
                              {"Ä.ÜBER", ".über", true}})
        EXPECT_EQ(passesMask(s(c.name), s(c.mask)), c.passes) << c.name << " " << c.mask;
}

// X/ holds files of several kinds, two levels of sub-folders and hidden entries.
struct Tree : ::testing::Test {
    TempDataFolder dir;
    QString root = dir.root() + s("/X/");
    void SetUp() override {
        for (const char* f : {"a.exe", "b.lnk", "c.txt", "README", "a.ex", ".hidden.exe",
                              "sub/d.exe", "sub/deeper/e.exe", "tools/bin/f.exe", ".hid/g.exe"})
            writeFile(root + s(f), "x");
    }
    IndexList scan(const char* ext, const char* level) {
        IndexList list;
        EXPECT_GE(scanIndexFolder(scanItem(root, s(ext), s(level)), list), 0);
        return list;
    }
};

TEST_F(Tree, MaskAndDepthDecideWhatIsIndexed) {
    struct Case {
        const char* ext;
        const char* level;
        std::vector<const char*> want;
    };
    const Case cases[] = {
        {"exe;lnk", "0", {"a.exe", "a.ex", "b.lnk", ".hidden.exe"}},
        {"exe;lnk", "1", {"a.exe", "a.ex", "b.lnk", ".hidden.exe", "sub/d.exe", ".hid/g.exe"}},
        {"exe", "0", {"a.exe", "a.ex", ".hidden.exe"}},
        {"exe",
         "9",
         {"a.exe", "a.ex", ".hidden.exe", "sub/d.exe", "sub/deeper/e.exe", "tools/bin/f.exe",
          ".hid/g.exe"}},
        {"exe", "-1", {"a.exe", "a.ex", ".hidden.exe"}},
        {"exe;\\",
         "1",
         {"a.exe", "a.ex", ".hidden.exe", "sub/d.exe", "sub/deeper", "sub", "tools/bin", "tools",
          ".hid/g.exe", ".hid"}},
        {"",
         "0",
         {"a.exe", "b.lnk", "c.txt", "README", "a.ex", ".hidden.exe", "sub", "tools", ".hid"}},
        {"*",
         "0",
         {"a.exe", "b.lnk", "c.txt", "README", "a.ex", ".hidden.exe", "sub", "tools", ".hid"}},
    };
    for (const Case& c : cases) {
        QStringList got = relPaths(scan(c.ext, c.level), root);
        QStringList want;
        for (const char* w : c.want)
            want << s(w);
        got.sort();
        want.sort();
        EXPECT_EQ(got, want) << c.ext << " level " << c.level;
    }
}

TEST_F(Tree, SubFolderEntriesComeBeforeTheFolderItself) {
    const QStringList order = relPaths(scan("exe;\\", "1"), root);
    EXPECT_LT(order.indexOf(s("sub/d.exe")), order.indexOf(s("sub")));
    EXPECT_LT(order.indexOf(s("sub/deeper")), order.indexOf(s("sub")));
}

TEST_F(Tree, TitlesNameTheSubFolderOrTheIndexFolder) {
    const IndexList list = scan("exe", "9");
    struct Case {
        const char* rel;
        const char* title;
    };
    for (const Case& c : {Case{"a.exe", "X"},
                          {"sub/d.exe", "sub"},
                          {"sub/deeper/e.exe", "sub/deeper"},
                          {"tools/bin/f.exe", "tools/bin"}}) {
        const TMyShellItem* item = byPath(list, root + s(c.rel));
        ASSERT_NE(item, nullptr) << c.rel;
        EXPECT_EQ(item->title, s(c.title)) << c.rel;
        EXPECT_EQ(item->root, root);
        EXPECT_EQ(item->name, QFileInfo(item->path).fileName());
        EXPECT_EQ(item->liconid, -2);
    }
}

TEST_F(Tree, FoldersThatCannotBeScannedAreSkipped) {
    IndexList list;
    EXPECT_EQ(scanIndexFolder(scanItem(root, s("exe"), s("abc")), list), -1);
    EXPECT_EQ(scanIndexFolder(scanItem(root + s("missing"), s("exe"), s("0")), list), -1);
    EXPECT_EQ(list.size(), 0u);
    // The next folder still scans.
    EXPECT_GT(scanIndexFolder(scanItem(root, s("exe"), s("0")), list), 0);
    EXPECT_EQ(list.size(), 3u);
}

TEST_F(Tree, StopFlagAndExcludedFoldersScanNothing) {
    IndexList list;
    std::atomic<bool> stop{true};
    EXPECT_EQ(scanIndexFolder(scanItem(root, s("exe"), s("9")), list, &stop), 0);
    EXPECT_EQ(list.size(), 0u);

    FolderScan excl;
    excl.recurse = true;
    excl.mask = s(".exe");
    excl.excludes = {s("/SUB/")};
    ScanFolder(root, excl, list);
    QStringList got = relPaths(list, root);
    EXPECT_FALSE(got.contains(s("sub/d.exe")));
    EXPECT_TRUE(got.contains(s("tools/bin/f.exe")));
}

TEST(IndexScan, SameNameInSameNamedFolderIsIndexedOnceFirstWins) {
    TempDataFolder dir;
    const QString user = dir.root() + s("/user/"), common = dir.root() + s("/common/");
    writeFile(user + s("Accessories/Notepad.lnk"), "u");
    writeFile(common + s("ACCESSORIES/notepad.LNK"), "c");
    writeFile(common + s("Other/Notepad.lnk"), "o");
    IndexList list;
    FolderScan scan;
    scan.recurse = true;
    scan.mask = s(".lnk");
    ScanFolder(user, scan, list);
    ScanFolder(common, scan, list);
    QStringList paths;
    for (const auto& e : list.entries())
        paths << e.item->path;
    paths.sort();
    EXPECT_EQ(paths,
              (QStringList{common + s("Other/Notepad.lnk"), user + s("Accessories/Notepad.lnk")}));
    EXPECT_FALSE(list.add(s("notepad.lnkaccessories"), std::make_unique<TMyShellItem>()));
}

TEST(IndexScan, SymbolicLinkLoopsAreNotFollowedAndDepthIsBounded) {
    TempDataFolder dir;
    const QString root = dir.root() + s("/L/");
    writeFile(root + s("a/b/file.txt"), "x");
    makeLink(root, root + s("a/b/up"));          // back to the top
    makeLink(s("../.."), root + s("a/b/rel"));   // relative, the same loop
    makeLink(root + s("a/b"), root + s("side")); // no loop: a second way in, other key
    IndexList list;
    FolderScan scan;
    scan.recurse = true;
    scan.mask = s(".txt");
    scan.titlePrefix = root;
    // L: a, side; a: b; a/b and side: file.txt, up, rel. Each loop link is seen, not entered.
    EXPECT_EQ(ScanFolder(root, scan, list), 9);
    QStringList got = relPaths(list, root);
    got.sort();
    EXPECT_EQ(got, (QStringList{s("a/b/file.txt"), s("side/file.txt")}));

    // A chain deeper than the limit: the scan stops there even without a level.
    QString deep = dir.root() + s("/D/");
    const QString top = deep;
    for (int depth = 0; depth <= kScanDepthLimit; ++depth) {
        writeFile(deep + QStringLiteral("f%1.txt").arg(depth), "x");
        deep += s("d/");
    }
    IndexList deepList;
    ScanFolder(top, scan, deepList);
    EXPECT_EQ(deepList.size(), static_cast<size_t>(kScanDepthLimit));
    EXPECT_TRUE(deepList.contains(QStringLiteral("f%1.txtd").arg(kScanDepthLimit - 1)));
}

// A link that leads out of the index folder (Wine's "z:" to "/", a link
// to the home folder) is listed but not entered; one within it is.
TEST(IndexScan, LinksOutOfTheIndexFolderAreNotEntered) {
    TempDataFolder dir;
    const QString root = dir.root() + s("/R/");
    writeFile(root + s("inside/a.txt"), "x");
    writeFile(dir.root() + s("/outside/b.txt"), "x");
    makeLink(dir.root() + s("/outside"), root + s("out"));
    makeLink(s("/"), root + s("z:"));
    makeLink(root + s("inside"), root + s("again"));
    IndexList list;
    FolderScan scan;
    scan.recurse = true;
    scan.includeFolders = true;
    scan.mask = s(".txt");
    ScanFolder(root, scan, list);
    QStringList got = relPaths(list, root);
    got.sort();
    EXPECT_EQ(got, (QStringList{s("again"), s("again/a.txt"), s("inside"), s("inside/a.txt"),
                                s("out"), s("z:")}));
}

// More folders near the top than the process may hold open at once.
TEST(IndexScan, ManyFoldersDoNotRunOutOfDescriptors) {
    TempDataFolder dir;
    const QString root = dir.root() + s("/M/");
    for (int i = 0; i < 300; ++i)
        writeFile(root + QStringLiteral("d%1/f.txt").arg(i), "x");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    struct rlimit low = old;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    IndexList list;
    FolderScan scan;
    scan.recurse = true;
    scan.mask = s(".txt");
    const int visited = ScanFolder(root, scan, list);
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(visited, 600);
    EXPECT_EQ(list.size(), 300u);
}

// A folder whose entries take many reads from the kernel loses none of them.
TEST(IndexScan, FolderLargerThanOneReadListsEveryEntry) {
    TempDataFolder dir;
    const QString root = dir.root() + s("/Large/");
    const int n = 3000; // about 300 KB of directory records
    for (int i = 0; i < n; ++i)
        writeFile(root +
                      QStringLiteral("a rather long file name to fill the records %1.txt").arg(i),
                  "x");
    IndexList list;
    EXPECT_EQ(scanIndexFolder(scanItem(root, s("txt"), s("0")), list), n);
    QSet<QString> names;
    for (const IndexList::Entry& e : list.entries())
        names.insert(e.item->name);
    EXPECT_EQ(names.size(), n);
}

TEST(IndexScan, ThousandsOfNestedFilesWithOddNames) {
    TempDataFolder dir;
    const QString root = dir.root() + s("/Big/");
    int files = 0, folders = 0;
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b) {
            const QString folder = root + QStringLiteral("A%1/B%2/").arg(a).arg(b);
            for (int f = 0; f < 30; ++f, ++files)
                writeFile(folder + QStringLiteral("n%1.txt").arg(f), "x");
            writeFile(folder + s(".dot.txt"), "x");
            ++files;
        }
    folders = 10 + 100;
    writeFile(root + s("line\nbreak.txt"), "x");
    writeFile(root + s("Ünïcode ü.TXT"), "x");
    files += 2;
    IndexList list;
    const int visited = scanIndexFolder(scanItem(root, s("txt"), s("5")), list);
    EXPECT_EQ(visited, files + folders);
    // The key is the name with its folder's name: A0/B3/n1.txt and A7/B3/n1.txt are one.
    EXPECT_EQ(list.size(), 10u * 31u + 2u);
    EXPECT_NE(byPath(list, root + s("line\nbreak.txt")), nullptr);
    EXPECT_NE(byPath(list, root + s("Ünïcode ü.TXT")), nullptr);
}

// What a plain single-threaded depth-first walk in directory order indexes:
// a sub-folder's entries before the folder itself, the first key winning.
void referenceWalk(const QByteArray& dir, int depth, int maxDepth, QStringList& paths,
                   QSet<QString>& keys) {
    DIR* d = opendir(dir.constData());
    if (!d) return;
    const QString path = QFile::decodeName(dir);
    const QString parent = path.chopped(1).section(u'/', -1);
    while (const dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        if (e->d_type == DT_DIR && depth < maxDepth)
            referenceWalk(dir + e->d_name + '/', depth + 1, maxDepth, paths, keys);
        const QString name = QFile::decodeName(e->d_name);
        const QString key = QString(name + parent).toCaseFolded();
        if (!keys.contains(key)) {
            keys.insert(key);
            paths << path + name;
        }
    }
    closedir(d);
}

// The scan shares the tree between threads; its result is still that of the
// plain walk, entry for entry, where equal names in equal folders (ignoring
// case) sit in different sub-trees at every depth and the first one wins.
TEST(IndexScan, ScanOrderAndFirstKeyWinsAsInAPlainWalk) {
    TempDataFolder dir;
    const QString root = dir.root() + s("/Wide/");
    for (int a = 0; a < 6; ++a)
        for (int b = 0; b < 5; ++b)
            for (int c = 0; c < 4; ++c) {
                const QString folder =
                    root + QStringLiteral("t%1/%2/%3/Deep/").arg(a).arg(b).arg(c);
                const QString shared = c % 2 ? s("Shared/") : s("SHARED/");
                for (int f = 0; f < 5; ++f) {
                    writeFile(folder + QStringLiteral("f%1_%2.txt").arg(a * 20 + b * 4 + c).arg(f),
                              "x");
                    writeFile(folder + shared + QStringLiteral("Same%1.txt").arg(f), "x");
                }
                writeFile(root + QStringLiteral("t%1/%2/Same%3.txt").arg(a).arg(b).arg(c), "x");
            }
    for (const int level : {1, 3, 6}) {
        QStringList expected;
        QSet<QString> keys;
        referenceWalk(QFile::encodeName(root), 0, level, expected, keys);
        IndexList list;
        scanIndexFolder(scanItem(root, QString(), QString::number(level)), list);
        QStringList got;
        for (const IndexList::Entry& e : list.entries())
            got << e.item->path;
        EXPECT_EQ(got, expected) << level;
    }
}

TEST(IndexScan, CapitalisedFolderFromTheSettingIsFound) {
    TempDataFolder dir;
    const QString root = dir.root() + s("/My Apps/");
    writeFile(root + s("Tool.exe"), "x");
    const QVector<TMyScanItem> items =
        readScanDirs(writeScanDirs({scanItem(root, s("exe"), s("0"))}));
    IndexList list;
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(scanIndexFolder(items[0], list), 1);
    EXPECT_EQ(list.size(), 1u);
}

// Keys are taken ignoring case exactly as full case folding says, ASCII or
// not, and the first of equal keys wins however large the list grows.
TEST(IndexList, KeysAreTakenAsTheirCaseFoldingSays) {
    const std::pair<QString, QString> pairs[] = {
        {s("Report.TXT"), s("report.txt")},
        {s("report.txt"), s("report.txz")},
        {s(""), s("")},
        {s("ÄRGER.txt"), s("ärger.txt")},
        {s("aÉb"), s("AéB")},
        {s("abé"), s("acé")},
        {QString(QChar(0x212A)), s("k")}, // the Kelvin sign folds to ASCII
        {s("straße"), s("STRASSE")},
        {s("ς"), s("Σ")},
        {s("İ"), s("i")},
        {QString::fromUcs4(U"\U00010400"), QString::fromUcs4(U"\U00010428")},
    };
    for (const auto& [first, second] : pairs) {
        IndexList list;
        EXPECT_TRUE(list.add(first, std::make_unique<TMyShellItem>()));
        const bool same = first.toCaseFolded() == second.toCaseFolded();
        EXPECT_EQ(list.contains(second), same)
            << first.toStdString() << " " << second.toStdString();
        EXPECT_EQ(list.add(second, std::make_unique<TMyShellItem>()), !same);
        EXPECT_EQ(list.size(), same ? 1u : 2u);
    }

    IndexList list;
    const int n = 5000; // the key table grows several times
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(
            list.add(QStringLiteral("File%1.Txt").arg(i), std::make_unique<TMyShellItem>()));
    for (int i = 0; i < n; ++i)
        EXPECT_FALSE(
            list.add(QStringLiteral("FILE%1.TXT").arg(i), std::make_unique<TMyShellItem>()));
    list.append(s("file7.txt"), std::make_unique<TMyShellItem>()); // kept, though taken
    list.append(s("Fresh"), std::make_unique<TMyShellItem>());
    EXPECT_TRUE(list.contains(s("FRESH")));
    EXPECT_FALSE(list.contains(s("File5000.txt")));
    ASSERT_EQ(list.size(), size_t(n + 2));
    EXPECT_EQ(list.at(7).key, s("File7.Txt"));
    EXPECT_EQ(list.at(n).key, s("file7.txt"));
    list.clear();
    EXPECT_FALSE(list.contains(s("File7.txt")));
    EXPECT_TRUE(list.add(s("file7.TXT"), std::make_unique<TMyShellItem>()));
}
