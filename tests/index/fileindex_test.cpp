#include "core/list/fuzzy.h"
#include "index/fileindex.h"
#include "testsupport.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::waitUntil;

namespace {

std::vector<TMyShellItem> named(int count, const QString& prefix) {
    std::vector<TMyShellItem> items(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        items[size_t(i)].name = prefix + QString::number(i);
        items[size_t(i)].path = QStringLiteral("/x/") + items[size_t(i)].name;
    }
    return items;
}

QString describe(const TMyShellItem& i) {
    return QStringList{QString::number(i.mtype),
                       i.name,
                       i.root,
                       i.path,
                       QString::number(i.liconid),
                       QString::number(i.siconid),
                       i.title,
                       QString::fromLatin1(i.ps.toHex())}
        .join(u'|');
}

// The snapshot packs its items; each comes back as it was given, whatever
// its name has to do with its path, in order, with icons still to look up.
TEST(FileIndex, ItemsComeBackAsTheyWereGiven) {
    struct Case {
        const char16_t *name, *path, *root, *title;
        const char* ps;
        int mtype;
    };
    const Case cases[] = {
        {u"report.pdf", u"/home/u/Docs/report.pdf", u"/home/u/", u"Docs", "", 0},
        {u"Firefox", u"/usr/share/applications/firefox.desktop", u"apps", u"Applications", "", 0},
        {u"Display", u"display", u"rfSettings", u"Settings", "ms-settings:display", 3},
        {u"b/c", u"/a/b/c", u"/a/", u"a", "", 0}, // the name holds a "/"
        {u"c", u"c", u"", u"", "", 0},            // no folder in the path
        {u"", u"/a/", u"/a/", u"", "", -1},       // blank name
        {u"x", u"/a/xx", u"/a/", u"a", "", 0},    // the path only ends like it
        {u"Été ☃", u"/home/Été ☃", u"/home/", u"home", "id\xff", 0},
        {u"report.pdf", u"/home/u/Docs/report.pdf", u"/home/u/", u"Docs", "", 0}, // again
    };
    std::vector<TMyShellItem> items;
    for (const Case& c : cases) {
        TMyShellItem i;
        i.name = QString::fromUtf16(c.name);
        i.path = QString::fromUtf16(c.path);
        i.root = QString::fromUtf16(c.root);
        i.title = QString::fromUtf16(c.title);
        i.ps = QByteArray(c.ps);
        i.mtype = c.mtype;
        i.liconid = i.siconid = 7; // icons are looked up again
        items.push_back(i);
    }
    FileIndex index;
    index.publish(makeIndexSnapshot(items));
    ASSERT_EQ(index.size(), items.size());
    const std::vector<TMyShellItem> back = index.items();
    ASSERT_EQ(back.size(), items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].liconid = items[i].siconid = -2;
        EXPECT_EQ(describe(index.item(i)), describe(items[i])) << i;
        EXPECT_EQ(describe(back[i]), describe(items[i])) << i;
        EXPECT_EQ(index.names().prepared(i), fuzzyPrepare(items[i].name)) << i;
    }
}

// The list reads the index on the main thread while a worker builds the
// next one: it always sees one whole snapshot, names and items agreeing.
TEST(FileIndex, ARebuildIsPublishedWholeWhileTheListReads) {
    FileIndex index;
    index.publish(makeIndexSnapshot(named(500, QStringLiteral("old"))));
    bool done = false;
    ASSERT_TRUE(
        index.rebuild([] { return named(20000, QStringLiteral("new")); }, [&] { done = true; }));
    EXPECT_FALSE(index.rebuild([] { return named(1, QStringLiteral("x")); }))
        << "one rebuild at a time";
    int reads = 0;
    ASSERT_TRUE(waitUntil([&] {
        ++reads;
        const size_t n = index.size();
        EXPECT_TRUE(n == 500 || n == 20000) << n;
        EXPECT_EQ(index.names().size(), n);
        if (n > 0) {
            const QString last = index.item(n - 1).name;
            EXPECT_TRUE(last == QStringLiteral("old499") || last == QStringLiteral("new19999"));
        }
        return done;
    }));
    EXPECT_EQ(index.size(), 20000u);
    EXPECT_TRUE(waitUntil([&] { return !index.rebuilding(); }));
    EXPECT_TRUE(index.rebuild([] { return named(3, QStringLiteral("again")); }));
    EXPECT_TRUE(waitUntil([&] { return index.size() == 3; }));
}

// At exit the program waits for the worker; what it found is not published
// into a program that is going away.
TEST(FileIndex, WaitingAtExitDropsTheRunningRebuild) {
    auto index = std::make_unique<FileIndex>();
    ASSERT_TRUE(index->rebuild([] { return named(50000, QStringLiteral("n")); }));
    index->waitForRebuild();
    EXPECT_FALSE(index->rebuilding());
    EXPECT_EQ(index->size(), 0u);
    index.reset();
    waitUntil([] { return false; }, 100); // nothing queued reaches the gone index
}

} // namespace

namespace {

// A scan stuck in the file system (a hung mount) must not hang the exit:
// the wait gives up, and what the scan finds later goes nowhere.
TEST(FileIndex, AScanThatNeverEndsIsLeftBehindAtExit) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto index = std::make_unique<FileIndex>();
    ASSERT_TRUE(index->rebuild([release, finished] {
        while (!release->load())
            QThread::msleep(5);
        finished->store(true);
        return named(10, QStringLiteral("late"));
    }));
    EXPECT_FALSE(index->waitForRebuild(200));
    EXPECT_FALSE(index->rebuilding());
    index.reset();
    release->store(true);
    EXPECT_TRUE(waitUntil([&] { return finished->load(); }));
    waitUntil([] { return false; }, 100); // nothing reaches the gone index
}

} // namespace
