// The index folder editor's test scan on real folders and a real pool thread.

#include "core/list/sources.h"
#include "index/indexlist.h"
#include "index/testscan.h"
#include "testsupport.h"

#include <QEventLoop>
#include <QSemaphore>
#include <QThreadPool>
#include <QTimer>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

TMyScanItem scanItem(const QString& path, const char* ext, const char* level) {
    TMyScanItem item;
    item.path = path;
    item.extensions = s(ext);
    item.level = s(level);
    return item;
}

// Runs the event loop until `scan` emits `signal` (and `until` holds for
// its argument); a hang fails the test instead of blocking it.
template <typename Signal>
void waitFor(IndexTestScan& scan, Signal signal,
             const std::function<bool(const QString&)>& until = {}) {
    QEventLoop loop;
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(&scan, signal, &loop, [&](auto... text) {
        if (!until || (until(text) && ...)) loop.quit();
    });
    guard.start(30'000);
    loop.exec();
    ASSERT_FALSE(timedOut);
}

// X/ holds a.txt, b.exe, sub/c.txt and sub/deeper/d.txt.
struct ScanTree : ::testing::Test {
    TempDataFolder dir;
    QString root = dir.root() + s("/X/");
    void SetUp() override {
        for (const char* f : {"a.txt", "b.exe", "sub/c.txt", "sub/deeper/d.txt"})
            writeFile(root + s(f), "x");
    }
};

// A pool of one thread that the test holds busy until it lets go.
struct HeldPool {
    HeldPool() {
        pool.setMaxThreadCount(1);
        pool.start([this] { gate.acquire(); });
    }
    ~HeldPool() { release(); }
    void release() {
        if (!released) gate.release();
        released = true;
        pool.waitForDone();
    }
    QThreadPool pool;
    QSemaphore gate;
    bool released = false;
};

} // namespace

TEST_F(ScanTree, FindsWhatTheIndexWouldAndCountsTheVisitedEntries) {
    struct Case {
        const char* path; // "$X$" stands for the tree, as a variable would
        const char* ext;
        const char* level;
        QStringList found;
        const char* label;
        QStringList excludes = {};
    };
    const Case cases[] = {
        // Level 1 visits the root's 3 entries and sub's 2, but not deeper's.
        {"$X$", "txt", "1", {s("a.txt"), s("sub/c.txt")}, "Items found: 2 (scanned 5)"},
        {"$X$", "", "0", {s("a.txt"), s("b.exe"), s("sub")}, "Items found: 3 (scanned 3)"},
        {"$X$sub",
         "txt;\\",
         "9",
         {s("sub/c.txt"), s("sub/deeper/d.txt"), s("sub/deeper")},
         "Items found: 3 (scanned 3)"},
        {"$X$missing", "", "0", {}, "Items found: 0 (scanned 0)"},
        {"$X$", "txt", "many", {}, "Items found: 0 (scanned 0)"},
        // Never "/" or the working folder.
        {"", "", "0", {}, "Items found: 0 (scanned 0)"},
        {"relative/x", "", "0", {}, "Items found: 0 (scanned 0)"},
        {"$X$", "txt", "9", {s("a.txt")}, "Items found: 1 (scanned 3)", {s("/SUB/")}},
    };
    const auto expand = [this](const QString& path) {
        return QString(path).replace(s("$X$"), root);
    };
    for (const Case& c : cases) {
        IndexTestScan scan;
        QStringList labels;
        QObject::connect(&scan, &IndexTestScan::labelChanged,
                         [&](const QString& l) { labels << l; });
        ASSERT_TRUE(scan.start(scanItem(s(c.path), c.ext, c.level), expand, c.excludes));
        EXPECT_EQ(scan.label(), s("Items found: ...")) << c.path;
        EXPECT_TRUE(scan.running());
        EXPECT_FALSE(scan.start(scanItem(root, "", "0"))) << "one scan at a time";
        waitFor(scan, &IndexTestScan::finished);
        QStringList found;
        for (const QString& line : scan.lines())
            found << line.mid(root.size());
        found.sort();
        QStringList want = c.found;
        want.sort();
        EXPECT_EQ(found, want) << c.path << " " << c.ext << " " << c.level;
        EXPECT_EQ(scan.label(), s(c.label)) << c.path;
        EXPECT_EQ(labels.first(), s("Items found: ..."));
        EXPECT_EQ(labels.last(), s(c.label));
        EXPECT_FALSE(scan.running());
        EXPECT_TRUE(scan.canClose());
    }
}

TEST_F(ScanTree, ProgressCountsTheEntriesTheScanReturns) {
    IndexList list;
    std::atomic<int> progress{0};
    const int visited = scanIndexFolder(scanItem(root, "txt", "9"), list, nullptr, {}, &progress);
    EXPECT_EQ(visited, 6);
    EXPECT_EQ(progress.load(), visited);
}

TEST_F(ScanTree, StopAndCloseWhileCounting) {
    HeldPool held;
    IndexTestScan scan(&held.pool);
    ASSERT_TRUE(scan.start(scanItem(root, "", "9")));
    // The scan waits for the pool; the timer still reports every second.
    waitFor(scan, &IndexTestScan::labelChanged,
            [](const QString& l) { return l.startsWith(s("Scanning...")); });
    EXPECT_EQ(scan.label(), s("Scanning... items scanned: 0"));
    EXPECT_FALSE(scan.canClose()) << "closing asks the scan to stop and waits for it";
    EXPECT_TRUE(scan.running());
    held.release();
    waitFor(scan, &IndexTestScan::finished);
    // The stop flag was set before the first folder: nothing was walked.
    EXPECT_TRUE(scan.lines().isEmpty());
    EXPECT_EQ(scan.label(), s("Items found: 0 (scanned 0)"));
    EXPECT_TRUE(scan.canClose());

    // A new test after a stopped one scans in full.
    ASSERT_TRUE(scan.start(scanItem(root, "", "9")));
    waitFor(scan, &IndexTestScan::finished);
    EXPECT_EQ(scan.label(), s("Items found: 6 (scanned 6)"));
}

TEST_F(ScanTree, ExplicitStopAndDestructionWhileRunning) {
    {
        HeldPool held;
        IndexTestScan scan(&held.pool);
        scan.stop(); // nothing running: no effect on the next scan
        ASSERT_TRUE(scan.start(scanItem(root, "txt", "9")));
        scan.stop();
        held.release();
        waitFor(scan, &IndexTestScan::finished);
        EXPECT_EQ(scan.label(), s("Items found: 0 (scanned 0)"));
    }
    // Going away mid-scan stops and waits for it, so the scan never touches
    // a freed object (the sanitizer build checks).
    for (int i = 0; i < 20; ++i) {
        auto scan = std::make_unique<IndexTestScan>();
        ASSERT_TRUE(scan->start(scanItem(root, "", "9")));
        scan.reset();
    }
}

TEST(IndexedItemsView, ListsEveryPathAndTheCount) {
    MemoryIndex index;
    for (const char* path : {"/a/one", "/b/two words", "/c/three"}) {
        TMyShellItem item;
        item.path = s(path);
        item.name = item.path.section(u'/', -1);
        index.add(item);
    }
    const IndexedItemsView view = indexedItemsView(index);
    EXPECT_EQ(view.lines, (QStringList{s("/a/one"), s("/b/two words"), s("/c/three")}));
    EXPECT_EQ(view.label, s("Items found: 3"));
    EXPECT_EQ(indexedItemsView(MemoryIndex()).label, s("Items found: 0"));
}
