#include "index/indexwatch.h"
#include "platform/fake/fakefolderwatch.h"
#include "platform/linux/inotifywatch.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::waitUntil;
using lorvanta::test::writeFile;
using Kind = platform::FolderChange::Kind;

namespace {

QByteArray desktopEntry(const char* name) {
    return QByteArray("[Desktop Entry]\nType=Application\nExec=true\nName=") + name + "\n";
}

// A home, an XDG data home with its applications folder and one index
// folder "docs", all in a temporary folder; the index is built once by the
// real scan and then kept fresh by the watch alone.
class IndexWatchTest : public ::testing::Test {
protected:
    IndexWatchTest() {
        home = tmp.path() + u"/home/";
        apps = home + u".local/share/applications/";
        docs = home + u"docs/";
        for (const QString& f : {apps, docs, QString(tmp.path() + u"/sys/")})
            QDir().mkpath(f);
        plan.env.insert(s("HOME"), home);
        plan.env.insert(s("XDG_DATA_HOME"), home + u".local/share");
        // Keeps the machine's own menus out of the test.
        plan.env.insert(s("XDG_DATA_DIRS"), tmp.path() + u"/sys");
        plan.env.insert(s("XDG_CONFIG_HOME"), home + u".config");
        plan.systemItems = false;
        plan.storeApps = false;
        plan.settingsPages = false;
        plan.dataFolder = tmp.path() + u"/data/";
        watch.setQuietTime(50);
    }

    void addIndexFolder(const QString& path, const char* extensions, const char* level) {
        TMyScanItem item;
        item.path = path;
        item.extensions = s(extensions);
        item.level = s(level);
        plan.folders.append(item);
    }

    void start() {
        IndexList list;
        BuildIndex(plan, list);
        std::vector<TMyShellItem> items;
        for (const IndexList::Entry& e : list.entries())
            items.push_back(*e.item);
        index.publish(makeIndexSnapshot(std::move(items)));
        watch.watch(plan);
    }

    std::optional<TMyShellItem> find(const QString& path) const {
        for (const TMyShellItem& item : index.items())
            if (item.path == path) return item;
        return std::nullopt;
    }
    bool has(const QString& path) const { return find(path).has_value(); }
    int count(const QString& path) const {
        int n = 0;
        for (const TMyShellItem& item : index.items())
            n += item.path == path;
        return n;
    }
    // Waits until the index holds `present` and lacks `absent` (both may
    // be empty), keeping the event loop going.
    bool settles(const QStringList& present, const QStringList& absent = {}) {
        return waitUntil([&] {
            return std::all_of(present.begin(), present.end(), [&](auto& p) { return has(p); }) &&
                   std::none_of(absent.begin(), absent.end(), [&](auto& p) { return has(p); });
        });
    }
    QStringList names() const {
        QStringList out;
        for (const TMyShellItem& item : index.items())
            out << item.name;
        return out;
    }

    QTemporaryDir tmp;
    QString home, apps, docs;
    IndexPlan plan;
    FileIndex index;
    platform::InotifyWatch inotify;
    int rebuildsAsked = 0;
    IndexWatch watch{index, inotify, [this] { ++rebuildsAsked; }};
};

// New files in the index folder and in sub-folders within its level come
// in with the scan's own rules: the mask, the depth, the title, excluded
// folders; a sub-folder made later is watched too. No rebuild is involved.
TEST_F(IndexWatchTest, NewFilesAppearWithTheIndexFolderRules) {
    QDir().mkpath(docs + u"sub");
    writeFile(docs + u"a.txt", "a");
    addIndexFolder(docs, "txt", "2");
    plan.excludes = {s("skipme")};
    start();
    ASSERT_TRUE(has(docs + u"a.txt"));
    const int watchedAtStart = watch.watchCount();
    EXPECT_EQ(watchedAtStart, 2);

    writeFile(docs + u"other.bin", "outside the mask");
    writeFile(docs + u"new.txt", "n");
    writeFile(docs + u"sub/inner.txt", "i");
    QDir().mkpath(docs + u"sub/deep/deeper");
    writeFile(docs + u"sub/deep/c.txt", "level 2 is listed");
    writeFile(docs + u"sub/deep/deeper/d.txt", "level 3 is not");
    QDir().mkpath(docs + u"skipme");
    writeFile(docs + u"skipme/z.txt", "excluded");
    ASSERT_TRUE(settles({docs + u"new.txt", docs + u"sub/inner.txt", docs + u"sub/deep/c.txt"}))
        << names().join(u", ").toStdString();
    EXPECT_FALSE(has(docs + u"other.bin"));
    EXPECT_FALSE(has(docs + u"sub/deep/deeper/d.txt"));
    EXPECT_FALSE(has(docs + u"skipme/z.txt"));
    EXPECT_EQ(watch.watchCount(), watchedAtStart + 1) << "deep, but neither deeper nor skipme";

    const TMyShellItem fresh = *find(docs + u"sub/deep/c.txt");
    EXPECT_EQ(fresh.name, s("c.txt"));
    EXPECT_EQ(fresh.title, s("sub/deep"));
    EXPECT_EQ(fresh.root, docs);
    EXPECT_EQ(find(docs + u"new.txt")->title, s("docs"));

    // The folder that came later is watched: a file saved in it arrives.
    // A folder made there lies past the level: neither watched nor scanned.
    writeFile(docs + u"sub/deep/deeper/f.txt", "still too deep");
    writeFile(docs + u"sub/deep/later/g.txt", "too deep as well");
    writeFile(docs + u"sub/deep/e.txt", "e");
    ASSERT_TRUE(settles({docs + u"sub/deep/e.txt"}));
    EXPECT_FALSE(has(docs + u"sub/deep/deeper/f.txt"));
    EXPECT_FALSE(has(docs + u"sub/deep/later/g.txt"));
    EXPECT_EQ(watch.watchCount(), watchedAtStart + 1);
    EXPECT_EQ(rebuildsAsked, 0);
    EXPECT_FALSE(index.rebuilding());
}

// Deleting, renaming and moving files and folders: what left goes, what
// arrived comes with its new title, a deleted tree takes its items and
// watches with it. Folder items ("\") follow their folders.
TEST_F(IndexWatchTest, DeletedRenamedAndMovedEntriesFollow) {
    QDir().mkpath(docs + u"sub/inner");
    QDir().mkpath(docs + u"keep");
    for (const char* f : {"a.txt", "b.txt", "x.txt", "sub/s.txt", "sub/inner/i.txt"})
        writeFile(docs + s(f), "x");
    addIndexFolder(docs, "txt;\\", "3");
    start();
    ASSERT_TRUE(has(docs + u"sub/inner/i.txt"));
    ASSERT_TRUE(has(docs + u"sub")) << "folders are items";
    EXPECT_EQ(watch.watchCount(), 4);

    QFile::remove(docs + u"a.txt");
    QFile::rename(docs + u"b.txt", docs + u"renamed.txt");
    QFile::rename(docs + u"x.txt", docs + u"keep/x.txt");
    ASSERT_TRUE(settles({docs + u"renamed.txt", docs + u"keep/x.txt"},
                        {docs + u"a.txt", docs + u"b.txt", docs + u"x.txt"}));
    EXPECT_EQ(find(docs + u"keep/x.txt")->title, s("keep"));

    ASSERT_TRUE(QDir(docs + u"sub").removeRecursively());
    ASSERT_TRUE(settles({}, {docs + u"sub", docs + u"sub/s.txt", docs + u"sub/inner/i.txt"}));
    EXPECT_TRUE(waitUntil([&] { return watch.watchCount() == 2; })) << watch.watchCount();

    // A folder moved in from outside brings its whole tree.
    QDir().mkpath(tmp.path() + u"/outside/tree");
    writeFile(tmp.path() + u"/outside/tree/t.txt", "t");
    ASSERT_TRUE(QDir().rename(tmp.path() + u"/outside", docs + u"moved"));
    ASSERT_TRUE(settles({docs + u"moved", docs + u"moved/tree/t.txt"}));
    EXPECT_EQ(find(docs + u"moved/tree/t.txt")->title, s("moved/tree"));

    // The index folder itself going takes all of its items.
    ASSERT_TRUE(QDir(docs).removeRecursively());
    ASSERT_TRUE(waitUntil([&] { return index.items().empty(); }))
        << names().join(u", ").toStdString();
    EXPECT_TRUE(waitUntil([&] { return watch.watchCount() == 0; })) << watch.watchCount();
    EXPECT_EQ(rebuildsAsked, 0);
}

// Two index folders see the same file: it is in the index once, under the
// first folder, as a rebuild would have it; the other folders' items keep
// their places in the order.
TEST_F(IndexWatchTest, AnEntryAlreadyInTheIndexIsNotAddedTwice) {
    QDir().mkpath(docs + u"sub");
    const QString other = home + u"other/";
    QDir().mkpath(other);
    writeFile(other + u"o.txt", "o");
    writeFile(docs + u"sub/old.txt", "s");
    addIndexFolder(docs, "txt", "1");
    addIndexFolder(docs + u"sub/", "txt", "0");
    addIndexFolder(other, "txt", "0");
    start();
    ASSERT_EQ(names(), QStringList({s("old.txt"), s("o.txt")}));

    writeFile(docs + u"sub/n.txt", "n");
    writeFile(other + u"p.txt", "p");
    ASSERT_TRUE(settles({docs + u"sub/n.txt", other + u"p.txt"}));
    EXPECT_EQ(count(docs + u"sub/n.txt"), 1);
    EXPECT_EQ(find(docs + u"sub/n.txt")->root, docs);
    // Within a folder the order is the folder's own, as in a scan.
    const QStringList order = names();
    EXPECT_EQ(QSet<QString>(order.begin() + 2, order.end()),
              QSet<QString>({s("o.txt"), s("p.txt")}))
        << order.join(u", ").toStdString();
}

// A desktop entry installed, changed or removed in XDG_DATA_HOME changes
// the applications in place; the other items stay where they were.
TEST_F(IndexWatchTest, InstalledApplicationsAppearWithoutARebuild) {
    writeFile(apps + u"editor.desktop", desktopEntry("Editor"));
    writeFile(docs + u"a.txt", "a");
    plan.systemItems = true;
    addIndexFolder(docs, "txt", "0");
    start();
    ASSERT_TRUE(has(apps + u"editor.desktop"));
    ASSERT_TRUE(has(docs + u"a.txt"));

    writeFile(apps + u"firefox.desktop", desktopEntry("Firefox"));
    QDir().mkpath(apps + u"vendor");
    writeFile(apps + u"vendor/tool.desktop", desktopEntry("Tool"));
    writeFile(apps + u"hidden.desktop", desktopEntry("Hidden") + "NoDisplay=true\n");
    ASSERT_TRUE(settles({apps + u"firefox.desktop", apps + u"vendor/tool.desktop"}));
    const TMyShellItem firefox = *find(apps + u"firefox.desktop");
    EXPECT_EQ(firefox.name, s("Firefox"));
    EXPECT_EQ(firefox.root, QString::fromUtf16(kApplicationsRoot));
    EXPECT_EQ(find(apps + u"vendor/tool.desktop")->title, s("vendor"));
    EXPECT_FALSE(has(apps + u"hidden.desktop"));
    const QStringList order = names();
    EXPECT_LT(order.indexOf(s("Firefox")), order.indexOf(s("a.txt")))
        << "applications keep their place: " << order.join(u", ").toStdString();

    // Rewritten in place: only the file's closing after writing tells.
    writeFile(apps + u"editor.desktop", desktopEntry("Text Editor"));
    ASSERT_TRUE(waitUntil([&] { return names().contains(s("Text Editor")); }));
    EXPECT_FALSE(names().contains(s("Editor")));

    // Removed and added in one burst.
    QFile::remove(apps + u"firefox.desktop");
    writeFile(apps + u"vendor/later.desktop", desktopEntry("Later"));
    ASSERT_TRUE(settles({apps + u"vendor/later.desktop"}, {apps + u"firefox.desktop"}));
    EXPECT_EQ(rebuildsAsked, 0);
    EXPECT_FALSE(index.rebuilding());
}

// Settings panels are replaced like the applications; a store export that
// changed asks for a rebuild, whose store step brings the app in.
TEST_F(IndexWatchTest, SettingsPanelsFollowAndStoreExportsAskForARebuild) {
    const QString store = tmp.path() + u"/flatpak/exports/share/";
    QDir().mkpath(store + u"applications");
    plan.env.insert(s("XDG_DATA_DIRS"), tmp.path() + u"/sys:" + store);
    plan.systemItems = true;
    plan.settingsPages = true;
    plan.storeApps = true;
    plan.syncStoreApps = [](const IndexPlan&, const std::atomic<bool>*) {};
    start();

    // A GNOME panel: hidden from the menu, so a settings page only.
    writeFile(apps + u"display.desktop",
              desktopEntry("Display") + "NoDisplay=true\nCategories=X-GNOME-Settings-Panel;\n");
    ASSERT_TRUE(waitUntil([&] {
        const auto panel = find(apps + u"display.desktop");
        return panel && panel->isSettingsPage();
    })) << names().join(u", ").toStdString();
    EXPECT_EQ(find(apps + u"display.desktop")->title, s("System settings"));
    EXPECT_EQ(rebuildsAsked, 0);

    writeFile(store + u"applications/org.example.App.desktop", desktopEntry("Store app"));
    ASSERT_TRUE(waitUntil([&] { return rebuildsAsked == 1; }));
    EXPECT_FALSE(names().contains(s("Store app"))) << "it comes through the \"Apps\" folder";
}

// Past its budget the watch adds no more folders (nearest the root first)
// and says how many it left; changes there wait for the timed refresh.
TEST_F(IndexWatchTest, ABudgetLeavesTheRestUnwatchedAndSaysSo) {
    for (const char* f : {"s1", "s2", "s3", "s4", "s5", "s6"})
        QDir().mkpath(docs + s(f));
    addIndexFolder(docs, "txt", "5");
    watch.setBudget(3);
    start();
    EXPECT_EQ(watch.watchCount(), 3);
    EXPECT_EQ(inotify.count(), 3);
    EXPECT_EQ(watch.unwatchedFolders(), 4) << "s3 to s6";

    writeFile(docs + u"s6/unseen.txt", "u");
    writeFile(docs + u"s1/seen.txt", "s");
    ASSERT_TRUE(settles({docs + u"s1/seen.txt"}));
    EXPECT_FALSE(has(docs + u"s6/unseen.txt"));

    // Watching again starts from nothing; clearing gives every watch back.
    watch.setBudget(0);
    watch.watch(plan);
    EXPECT_EQ(watch.watchCount(), 7);
    EXPECT_EQ(watch.unwatchedFolders(), 0);
    watch.clear();
    EXPECT_EQ(inotify.count(), 0);
}

// Lost changes (the kernel's queue overflowed) ask the owner for a rebuild;
// changes that arrive while a rebuild runs wait for it and are applied to
// what it published, since it may have passed their folder before.
TEST_F(IndexWatchTest, OverflowAsksForARebuildAndChangesWaitForARunningOne) {
    platform::FakeFolderWatch fake;
    IndexWatch faked(index, fake, [this] { ++rebuildsAsked; });
    faked.setQuietTime(10);
    addIndexFolder(docs, "txt", "0");
    IndexList list;
    BuildIndex(plan, list);
    faked.watch(plan);
    ASSERT_TRUE(fake.folders.contains(docs));

    fake.happen({Kind::Overflow, {}, {}, false});
    EXPECT_EQ(rebuildsAsked, 1);

    std::atomic<bool> release = false;
    ASSERT_TRUE(index.rebuild([&] {
        while (!release)
            QThread::msleep(1);
        return std::vector<TMyShellItem>{};
    }));
    writeFile(docs + u"during.txt", "d");
    fake.happen({Kind::Created, docs, s("during.txt"), false});
    waitUntil([] { return false; }, 500); // the quiet time passes many times over
    EXPECT_FALSE(has(docs + u"during.txt"));
    release = true;
    ASSERT_TRUE(waitUntil([&] { return !index.rebuilding(); }));
    EXPECT_FALSE(has(docs + u"during.txt")) << "the rebuild had passed the folder";
    faked.watch(plan); // as the owner does after each publish
    ASSERT_TRUE(settles({docs + u"during.txt"}));

    writeFile(docs + u"after.txt", "a");
    fake.happen({Kind::Created, docs, s("after.txt"), false});
    ASSERT_TRUE(settles({docs + u"after.txt"}));
    EXPECT_EQ(rebuildsAsked, 1);
}

// The watch itself: changes come with their folder, name and kind.
TEST(InotifyWatch, ReportsTheChangesOfAWatchedFolder) {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + u'/';
    platform::InotifyWatch watch;
    ASSERT_TRUE(watch.valid());
    EXPECT_FALSE(watch.add(folder + u"missing/"));
    writeFile(folder + u"file", "not a folder");
    EXPECT_FALSE(watch.add(folder + u"file/"));
    ASSERT_TRUE(watch.add(folder));
    EXPECT_TRUE(watch.add(folder)) << "twice is fine";
    EXPECT_EQ(watch.count(), 1);
    EXPECT_GE(watch.capacity(), 1);
    EXPECT_LE(watch.capacity(), 8192);

    QStringList seen;
    watch.setHandler([&](const platform::FolderChange& c) {
        static const char* const kinds[] = {"created",  "deleted", "moved-in", "moved-out",
                                            "modified", "gone",    "overflow"};
        seen << s(kinds[int(c.kind)]) + u' ' + c.folder.mid(folder.size()) + c.name +
                    (c.isFolder && !c.name.isEmpty() ? u"/" : u"");
    });
    writeFile(folder + u"new", "n");
    QFile::rename(folder + u"new", folder + u"renamed");
    QFile::remove(folder + u"renamed");
    QDir().mkdir(folder + u"dir");
    ASSERT_TRUE(waitUntil([&] { return seen.size() >= 6; })) << seen.join(u"; ").toStdString();
    const QStringList expected = {s("created new"),      s("modified new"),    s("moved-out new"),
                                  s("moved-in renamed"), s("deleted renamed"), s("created dir/")};
    EXPECT_EQ(seen, expected) << seen.join(u"; ").toStdString();

    // The folder itself going is the last word about it.
    seen.clear();
    ASSERT_TRUE(watch.add(folder + u"dir/"));
    QDir().rmdir(folder + u"dir");
    ASSERT_TRUE(waitUntil([&] { return seen.contains(s("gone dir/")); }))
        << seen.join(u"; ").toStdString();
    EXPECT_TRUE(waitUntil([&] { return watch.count() == 1; }));
}

} // namespace
