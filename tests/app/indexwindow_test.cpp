// The launcher window over the real index: an installed application is
// found by its first letters under the index's header and started by Enter,
// and the refresh command reports in the input.

#include "app/launcherwindow.h"
#include "commands/engine.h"
#include "core/exec/recording.h"
#include "index/indexcommands.h"
#include "index/indexservice.h"
#include "testsupport.h"

#include <QTest>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::waitUntil;
using lorvanta::test::writeFile;

namespace {

struct IndexWindowTest : ::testing::Test {
    TempDataFolder dir;
    DataFolder folder = DataFolder::at(dir.path());
    CoreState core{folder, dir.fake.platform()};
    RecordingExpansionServices expansion;
    ExecutionServices services;
    ManualScheduler scheduler;
    SystemClock clock;
    SequenceRandom random{{0}};
    FileIndex index;
    std::unique_ptr<IndexService> service;
    std::unique_ptr<LauncherWindow> window;

    void SetUp() override {
        core.file.ReadSettings(false);
        core.setup.hide = false;
        const QString apps = dir.root() + s("/share/applications/");
        writeFile(apps + s("zebrapaint.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Zebra Paint\nExec=zebrapaint\n");
        writeFile(apps + s("graphics/zeal.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Zeal\nExec=zeal\n");
        IndexService::Context context;
        context.dataFolder = dir.path();
        context.env.insert(s("HOME"), dir.root() + s("/home"));
        context.env.insert(s("XDG_DATA_HOME"), dir.root() + s("/share"));
        context.env.insert(s("XDG_DATA_DIRS"), dir.root() + s("/none"));
        service = std::make_unique<IndexService>(core.setup, index, clock, std::move(context));
        window =
            std::make_unique<LauncherWindow>(core, folder, dir.fake.platform(), expansion, services,
                                             scheduler, clock, random, ListSources{&index});
        registerIndexCommands(window->engine().dispatcher, *service, *window, scheduler);
        window->show();
        window->input().setFocus();
    }
    void type(const char* text) { QTest::keyClicks(&window->input(), s(text)); }
    // One launch since the calls were cleared, of `file`.
    void expectStarted(const QString& file) {
        const QStringList launches = dir.fake.calls().filter(s("shellExecute"));
        ASSERT_EQ(launches.size(), 1) << dir.fake.calls().join(u'\n').toStdString();
        EXPECT_TRUE(launches[0].contains(file)) << launches[0].toStdString();
    }
};

TEST_F(IndexWindowTest, AnInstalledApplicationIsFoundByItsFirstLettersAndStarted) {
    core.setup.autoindex = 1;
    // Without short-input suggestions, which otherwise offer the same item first.
    core.setup.autoshort = 0;
    service->start();
    ASSERT_TRUE(waitUntil([&] { return index.size() > 0 && !index.rebuilding(); }));
    type("zeb");
    scheduler.run();
    QTRY_VERIFY_WITH_TIMEOUT(window->engine().list.rows().texts().contains(s("Zebra Paint")), 5000);
    const QStringList rows = window->engine().list.rows().texts();
    const qsizetype header = rows.indexOf(s("===== Indexed items ====="));
    ASSERT_GE(header, 0) << rows.join(u',').toStdString();
    EXPECT_EQ(rows.indexOf(s("Zebra Paint")), header + 1);
    EXPECT_FALSE(rows.contains(s("Zeal"))) << "a name that does not begin with the word";

    dir.fake.clearCalls();
    QTest::keyClick(&window->input(), Qt::Key_Down);
    QTest::keyClick(&window->input(), Qt::Key_Return);
    scheduler.run();
    expectStarted(s("zebrapaint.desktop"));
}

TEST_F(IndexWindowTest, WithDefaultSettingsTheSuggestionStartsTheApplication) {
    service->start();
    ASSERT_TRUE(waitUntil([&] { return index.size() > 0 && !index.rebuilding(); }));
    type("zebra");
    scheduler.run();
    QTRY_VERIFY_WITH_TIMEOUT(window->engine().list.rows().texts().contains(s("Zebra Paint")), 5000);
    dir.fake.clearCalls();
    QTest::keyClick(&window->input(), Qt::Key_Return);
    scheduler.run();
    expectStarted(s("zebrapaint.desktop"));
}

TEST_F(IndexWindowTest, RefreshIndexShowsItsProgressAndTheCount) {
    auto w = std::make_unique<TExeWord>();
    w->keywords = s("ri");
    w->command = s("$REFRESHINDEX$");
    core.store.append(std::move(w));
    core.store.rebuildTagList();
    window->input().setText(s("ri"));
    QTest::keyClick(&window->input(), Qt::Key_Return);
    EXPECT_EQ(window->input().text(), s("Started refreshing index.."));
    ASSERT_TRUE(waitUntil([&] { return !index.rebuilding(); }));
    scheduler.run();
    EXPECT_EQ(window->input().text(), s("Indexed items: 2"));
}

} // namespace
