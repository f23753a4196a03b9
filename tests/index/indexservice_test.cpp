#include "core/settings/setup.h"
#include "enginefixture.h"
#include "index/indexcommands.h"
#include "index/indexservice.h"
#include "index/scancache.h"
#include "platform/linux/inotifywatch.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::waitUntil;
using lorvanta::test::writeFile;

namespace {

const QDateTime kNoon(QDate(2026, 5, 4), QTime(12, 0));

// A service over one index folder of three files and nothing else, with
// virtual time and a settable idle time.
struct ServiceFixture {
    explicit ServiceFixture(bool safeMode = false, platform::FolderWatch* watch = nullptr)
        : clock(kNoon) {
        for (const char* f : {"a.txt", "b.txt", "c.txt"})
            writeFile(dir.root() + s("/tree/") + s(f), "");
        setup.scanwindowsitems = false;
        setup.indexwinsettings = false;
        setup.indexuwp = false;
        setup.scandirs = s("\"") + dir.root() + s("/tree\",\"\",\"0\"|");
        IndexService::Context context;
        context.dataFolder = dir.path();
        context.programFolder = dir.programFolder();
        context.safeMode = safeMode;
        context.idleTime = [this]() -> std::optional<qint64> { return idle; };
        context.folderWatch = watch;
        context.env.insert(s("HOME"), dir.root() + s("/home"));
        context.env.insert(s("XDG_DATA_HOME"), dir.root() + s("/share"));
        context.env.insert(s("XDG_DATA_DIRS"), dir.root() + s("/flatpak/exports/share"));
        service = std::make_unique<IndexService>(setup, index, clock, std::move(context));
    }
    // Starts an unforced refresh and lets it end; whether one started.
    bool refresh(bool force = false) {
        const bool started = service->RefreshIndex(force);
        EXPECT_TRUE(waitUntil([&] { return !index.rebuilding(); }));
        return started;
    }
    void later(int minutes, int seconds = 0) {
        clock.set(clock.now().addSecs(minutes * 60 + seconds));
    }

    TempDataFolder dir;
    lorvanta::Setup setup;
    FileIndex index;
    FixedClock clock;
    std::optional<qint64> idle;
    std::unique_ptr<IndexService> service;
};

TEST(IndexService, AutoIndexSaysWhenRebuildsStart) {
    struct Case {
        int autoindex;
        bool noindexrefresh;
        int mode;
        bool atStart, onFocus;
    };
    const Case cases[] = {
        {-1, false, 3, true, true},  {-1, true, 1, true, false}, {0, false, 0, false, false},
        {1, false, 1, true, false},  {2, false, 2, false, true}, {3, false, 3, true, true},
        {4, false, 4, false, false}, {5, false, 5, true, false},
    };
    for (const Case& c : cases) {
        ServiceFixture f;
        f.setup.autoindex = c.autoindex;
        f.setup.noindexrefresh = c.noindexrefresh;
        EXPECT_EQ(f.service->autoIndexMode(), c.mode) << c.autoindex;
        f.service->start();
        EXPECT_EQ(f.index.rebuilding(), c.atStart) << c.autoindex;
        EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
        f.later(5); // past the spacing
        f.service->activated();
        EXPECT_EQ(f.index.rebuilding(), c.onFocus) << c.autoindex;
        EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
    }
}

TEST(IndexService, UnforcedRefreshesAreSpacedByIndexRefreshMinutes) {
    struct Case {
        int indexrefresh;
        int spacingMinutes;
    };
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{2, 2}, Case{5, 5}}) {
        ServiceFixture f;
        f.setup.indexrefresh = c.indexrefresh;
        EXPECT_TRUE(f.refresh());
        EXPECT_EQ(f.index.size(), 3u);
        f.later(c.spacingMinutes - 1, 59);
        EXPECT_FALSE(f.refresh()) << c.indexrefresh;
        EXPECT_TRUE(f.refresh(true)) << "a forced one always starts";
        f.later(c.spacingMinutes);
        EXPECT_TRUE(f.refresh()) << c.indexrefresh;
    }
}

TEST(IndexService, OneRebuildAtATimeAndNoneInSafeMode) {
    ServiceFixture f;
    ASSERT_TRUE(f.service->RefreshIndex(true));
    EXPECT_FALSE(f.service->RefreshIndex(true));
    EXPECT_EQ(f.service->countText(true), s("Indexed items: indexing.."));
    EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
    EXPECT_EQ(f.service->countText(true), s("Indexed items: 3"));

    // Lost changes during a rebuild: one more follows it.
    int rebuilds = 0;
    QObject::connect(f.service.get(), &IndexService::rebuilt, [&] { ++rebuilds; });
    ASSERT_TRUE(f.service->RefreshIndex(true));
    f.service->requestRebuild();
    f.service->requestRebuild();
    EXPECT_TRUE(waitUntil([&] { return rebuilds == 2 && !f.index.rebuilding(); }));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(rebuilds, 2) << "the requests made one rebuild";

    EXPECT_EQ(f.service->indexNow(), s("Indexed items: indexing..."));
    EXPECT_TRUE(f.index.rebuilding()) << "Index now forces a rebuild";
    EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));

    ServiceFixture safe(true);
    EXPECT_EQ(safe.service->countText(), s("Indexed items: None"));
    EXPECT_FALSE(safe.service->RefreshIndex(true));
    safe.service->start();
    EXPECT_FALSE(safe.index.rebuilding());
}

// The cache gives the list its items at once; the exit writes what the
// index holds, whatever the rebuild was doing.
TEST(IndexService, CacheIsLoadedAtStartAndWrittenAtExit) {
    ServiceFixture f;
    f.setup.autoindex = 0;
    writeFile(f.dir.file(s("scancache.dat")),
              "\xEF\xBB\xBF<exet>1</exet><exe1>one</exe1><exe2>r</exe2><exe3>/p/one</exe3>"
              "<exe4></exe4>\n\n<exet>1</exet><exe1>two</exe1><exe2>r</exe2><exe3>/p/two</exe3>"
              "<exe4></exe4>\n");
    f.service->start();
    ASSERT_EQ(f.index.size(), 2u) << "the empty line has no item";
    EXPECT_EQ(f.index.item(1).path, s("/p/two"));
    EXPECT_EQ(f.index.item(0).title, s("p")) << "the cache keeps no titles: the folder's name";
    EXPECT_EQ(f.index.item(1).liconid, -2);
    EXPECT_TRUE(f.service->hasIndex());

    EXPECT_TRUE(f.refresh(true));
    f.service->shutdown();
    IndexList saved;
    ASSERT_TRUE(LoadIndexCache(f.service->cacheFile(), saved));
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved.at(0).item->root, f.dir.root() + s("/tree/"));
    EXPECT_FALSE(f.service->RefreshIndex(true)) << "nothing starts once the exit began";
}

TEST(IndexService, NoCacheWithoutCacheIndexOrAnIndex) {
    ServiceFixture f;
    f.setup.cacheindex = false;
    f.setup.autoindex = 1;
    f.service->start();
    EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
    f.service->shutdown();
    EXPECT_FALSE(QFile::exists(f.service->cacheFile()));

    ServiceFixture none;
    none.setup.autoindex = 0;
    none.service->start();
    none.service->shutdown();
    EXPECT_FALSE(QFile::exists(none.service->cacheFile())) << "no index, nothing to write";
}

// With 15 idle minutes: a refresh once the user has been away between 15
// minutes and 15 minutes 30 seconds, and not again for 15 minutes.
TEST(IndexService, IdleRefreshesInTheirWindow) {
    ServiceFixture f;
    f.setup.autoindex = 4;
    f.setup.indexidle = 15;
    f.service->start();
    EXPECT_FALSE(f.index.rebuilding()) << "mode 4 does not rebuild at start";
    struct Step {
        qint64 idleSeconds;
        int minutesLater;
        bool refreshes;
    };
    const Step steps[] = {
        {14 * 60, 0, false},     {15 * 60 + 31, 0, false},
        {15 * 60 + 10, 0, true}, {15 * 60 + 20, 3, false}, // the last idle refresh is too recent
        {15 * 60 + 5, 16, true},
    };
    for (const Step& st : steps) {
        f.later(st.minutesLater);
        f.idle = st.idleSeconds * 1000;
        f.service->idleTick();
        EXPECT_EQ(f.index.rebuilding(), st.refreshes) << st.idleSeconds << " " << st.minutesLater;
        EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
    }
    f.idle.reset();
    f.later(60);
    f.service->idleTick();
    EXPECT_FALSE(f.index.rebuilding()) << "no idle time known";
}

TEST(IndexService, SettingsAppliedStartsAFirstIndexOnly) {
    ServiceFixture f;
    f.setup.autoindex = 0;
    f.setup.scanwindowsitems = true;
    f.service->start();
    f.service->settingsApplied();
    EXPECT_TRUE(f.index.rebuilding());
    EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
    f.later(10);
    f.service->settingsApplied();
    EXPECT_FALSE(f.index.rebuilding()) << "there is an index now";
}

// Between rebuilds the folders are watched: a file saved into an index
// folder is listed without another scan, after the cache or a rebuild.
TEST(IndexService, WatchesTheFoldersOfThePublishedIndex) {
    platform::InotifyWatch inotify;
    ServiceFixture f(false, &inotify);
    f.setup.autoindex = 1;
    f.service->start();
    ASSERT_TRUE(waitUntil([&] { return f.index.size() == 3 && !f.index.rebuilding(); }));
    ASSERT_NE(f.service->folderWatch(), nullptr);
    EXPECT_GT(f.service->folderWatch()->watchCount(), 0);
    writeFile(f.dir.root() + s("/tree/d.txt"), "");
    EXPECT_TRUE(waitUntil([&] { return f.index.size() == 4; }));
    QStringList names;
    for (const TMyShellItem& item : f.index.items())
        names << item.name;
    EXPECT_TRUE(names.contains(s("d.txt"))) << names.join(u',').toStdString();
    f.service->shutdown();
    EXPECT_EQ(f.service->folderWatch()->watchCount(), 0);

    // Without a start-up rebuild, the cached index is watched.
    platform::InotifyWatch inotify2;
    ServiceFixture cached(false, &inotify2);
    cached.setup.autoindex = 0;
    writeFile(cached.dir.file(s("scancache.dat")),
              "<exet>1</exet><exe1>a.txt</exe1><exe2>r</exe2><exe3>/p/a.txt</exe3><exe4></exe4>\n");
    cached.service->start();
    EXPECT_FALSE(cached.index.rebuilding());
    EXPECT_GT(cached.service->folderWatch()->watchCount(), 0);
}

// The commands report in the input: the start text, then the count once
// the rebuild ended, unless the user typed over the text meanwhile.
TEST(IndexCommands, RefreshIndexShowsItsProgressInTheInput) {
    lorvanta::test::EngineFixture e;
    ServiceFixture f;
    registerIndexCommands(e.engine.dispatcher, *f.service, e.host, e.scheduler);
    e.keyword("ri", "$REFRESHINDEX$");
    e.engine.execution.DoExecute(s("ri"), {});
    EXPECT_EQ(e.host.input, s("Started refreshing index.."));
    EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
    e.scheduler.run();
    EXPECT_EQ(e.host.input, s("Indexed items: 3"));

    e.engine.execution.DoExecute(s("ri"), {});
    e.host.input = s("typed over");
    EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
    e.scheduler.run();
    EXPECT_EQ(e.host.input, s("typed over"));

    // The flush runs on the worker as a forced rebuild, after the running one.
    writeFile(f.dir.root() + s("/flatpak/exports/share/applications/org.gimp.GIMP.desktop"),
              "[Desktop Entry]\nType=Application\nName=GIMP\nExec=gimp\n");
    writeFile(f.dir.file(s("Apps/Stale.desktop")), "[Desktop Entry]\nName=Stale\n");
    e.keyword("fu", "$FLUSHUWP$");
    ASSERT_TRUE(f.service->RefreshIndex(true));
    e.engine.execution.DoExecute(s("fu"), {});
    EXPECT_EQ(e.host.input, s("Flushing and scanning for UWP Apps"));
    EXPECT_TRUE(waitUntil([&] { return e.host.input == s("UWP Apps found: 1"); }))
        << e.host.input.toStdString();
    EXPECT_TRUE(waitUntil([&] { return !f.index.rebuilding(); }));
    EXPECT_FALSE(QFile::exists(f.dir.file(s("Apps/Stale.desktop"))));
    QStringList names;
    for (const TMyShellItem& item : f.index.items())
        names << item.name;
    EXPECT_TRUE(names.contains(s("GIMP"))) << names.join(u',').toStdString();
}

} // namespace
