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
