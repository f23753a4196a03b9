#include "core/history/history.h"
#include "enginefixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

using namespace lorvanta;
using lorvanta::test::EngineFixture;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::writeFile;

namespace {

struct ExecutionTest : ::testing::Test {
    EngineFixture f;
    QStringList launches() const { return f.dir.fake.calls().filter(s("shellExecute")); }
};

QString launch(const char* file, const char* params = "", const char* folder = "",
               const char* show = "normal") {
    return QStringLiteral("shellExecute file=%1 parameters=%2 folder=%3 show=%4")
        .arg(s(file), s(params), s(folder), s(show));
}

} // namespace

TEST_F(ExecutionTest, AnArrowInputRunsNothing) {
    f.keyword("g", "https://x/?q=$U$");
    EXPECT_FALSE(f.enter(s("->g a")));
    EXPECT_TRUE(f.dir.fake.calls().isEmpty());
}

TEST_F(ExecutionTest, AKeywordSearchLaunchesRecordsAndAutoHides) {
    f.keyword("g", "https://www.google.com/search?q=$U$");
    EXPECT_TRUE(f.enter(s("g a b")));
    EXPECT_EQ(launches(), QStringList{launch("https://www.google.com/search?q=a%20b")});
    EXPECT_EQ(f.newestHistory(), s("g a b"));
    EXPECT_TRUE(f.host.calls.contains(s("hideWindow")));
    EXPECT_TRUE(readFile(f.dir.file(s("lorvanta.ini"))).contains("H0=g a b")) << "settings written";

    // With a browser program known, URLs go to it.
    f.dir.fake.clearCalls();
    f.dir.fake.browserProgram = s("/usr/bin/firefox");
    f.enter(s("g c"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/firefox",
                                             "https://www.google.com/search?q=c", "/usr/bin")});
}

TEST_F(ExecutionTest, TypedParametersFollowTheKeywordsOwn) {
    const QString bin = f.dir.root() + s("/bin");
    writeFile(bin + s("/tool"), "#!/bin/sh\n");
    QFile::setPermissions(bin + s("/tool"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    f.keyword("t", qPrintable(bin + s("/tool")), "--name=");
    f.enter(s("t y"));
    EXPECT_EQ(launches(),
              QStringList{launch(qPrintable(bin + s("/tool")), "--name=y", qPrintable(bin))});
    // A marker places them instead.
    f.dir.fake.clearCalls();
    f.keyword("u", qPrintable(bin + s("/tool")), "--a=$P$ --b");
    f.enter(s("u y"));
    EXPECT_EQ(launches(),
              QStringList{launch(qPrintable(bin + s("/tool")), "--a=y --b", qPrintable(bin))});
}

TEST_F(ExecutionTest, AKeywordNamingAnotherForwardsToIt) {
    f.keyword("other", "/usr/bin/echo", "$P$");
    f.keyword("k", "other $P$ more");
    f.enter(s("k z"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/echo", "z more", "/usr/bin")});
    EXPECT_EQ(f.newestHistory(), s("k z")) << "the input as typed";
    // Forwarding is off for "$i$".
    f.dir.fake.clearCalls();
    f.keyword("plain", "other $i$");
    f.enter(s("plain q"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/echo", "q", "/usr/bin")})
        << "the other keyword runs with the typed text only";
}

TEST_F(ExecutionTest, MultiCommandsKeepTheirWaitsWithoutBlocking) {
    struct Timed final : platform::Launcher {
        ManualScheduler* clock = nullptr;
        std::vector<std::pair<QString, qint64>> seen;
        int shellExecute(const platform::LaunchRequest& r) override {
            seen.emplace_back(r.file, clock->elapsed());
            return 42;
        }
        QString defaultBrowserProgram() override { return {}; }
        void runAndCapture(const QString&, const QString&, const QString&, int,
                           std::function<void(const QString&)>) override {}
        void fetchUrlText(const QString&, int, std::function<void(const QString&)>) override {}
    } timed;
    timed.clock = &f.scheduler;
    platform::Platform p = f.dir.fake.platform();
    platform::Platform withTimes{p.environment, p.dialogs, p.shell, p.process, timed, p.system};
    Engine engine(f.core, f.folder, withTimes, f.host, f.expansion, f.services, f.scheduler,
                  f.clock, f.random);

    engine.executor.DoExecute(s("/bin/first $W2$||/bin/second"));
    ASSERT_TRUE(timed.seen.empty() || timed.seen.size() == 1) << "the second waits";
    f.scheduler.run();
    ASSERT_EQ(timed.seen.size(), 2u);
    EXPECT_EQ(timed.seen[1].second - timed.seen[0].second, 2100);
    EXPECT_EQ(f.newestHistory(), s("/bin/first $W2$||/bin/second"));

    timed.seen.clear();
    const qint64 start = f.scheduler.elapsed();
    engine.executor.DoExecute(s("$ASYNC$/bin/first $W2$||/bin/second"));
    f.scheduler.run();
    ASSERT_EQ(timed.seen.size(), 2u);
    // Each piece starts its own background launch: the second 100 ms after the
    // first, the first after its own pause.
    EXPECT_EQ(timed.seen[0].first, s("/bin/second"));
    EXPECT_EQ(timed.seen[0].second - start, 105);
    EXPECT_EQ(timed.seen[1].second - start, 2005);
}

TEST_F(ExecutionTest, UnknownInputAndItsDomainRetry) {
    f.dir.fake.launchResults.insert(s("example.com"), 2);
    EXPECT_TRUE(f.enter(s("example.com")));
    EXPECT_EQ(launches(), (QStringList{launch("example.com"), launch("https://example.com")}));
    EXPECT_EQ(f.newestHistory(), s("example.com"));

    f.dir.fake.clearCalls();
    f.dir.fake.launchResult = 2;
    EXPECT_FALSE(f.enter(s("nosuchthing --x")));
    EXPECT_EQ(launches(), QStringList{launch("nosuchthing", "--x")});
    EXPECT_TRUE(f.host.fail) << "the failure colour";
    EXPECT_EQ(f.newestHistory(), s("example.com")) << "a failure records nothing";
}

TEST_F(ExecutionTest, DesktopEntriesAreNeverElevated) {
    TExeWord& w = f.keyword("app", "/usr/share/applications/app.desktop");
    w.runas = true;
    f.enter(s("app"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/share/applications/app.desktop", "",
                                             "/usr/share/applications")});
    f.dir.fake.clearCalls();
    f.keyword("root", "/usr/bin/editor").runas = true;
    f.enter(s("root"));
    EXPECT_EQ(launches(), QStringList{launch("/usr/bin/editor", "", "/usr/bin") + s(" elevated")});
}

TEST_F(ExecutionTest, BuiltInCommandsAndTheirOutcomes) {
    f.keyword("time", "$TIME$");
    f.core.setup.customtime = s("hh:nn");
    EXPECT_TRUE(f.enter(s("time")));
    EXPECT_EQ(f.host.input, s("14:05"));
    EXPECT_TRUE(f.newestHistory().isEmpty()) << "handled commands stay out of the history";
    EXPECT_FALSE(f.host.calls.contains(s("hideWindow"))) << "the result stays visible";

    f.keyword("rnd", "$RANDOM$");
    f.host.calls.clear();
    EXPECT_FALSE(f.enter(s("rnd lots")));
    EXPECT_TRUE(
        f.host.calls.contains(s("messageBox Lorvanta: 'lots' is not a valid integer value")));

    f.keyword("off", "$SHUTDOWN$");
    f.host.input = s("off");
    f.engine.executor.DoExecute(s("off"));
    EXPECT_TRUE(f.dir.fake.calls().filter(s("power")).isEmpty());
    f.scheduler.run();
    EXPECT_EQ(f.dir.fake.calls().filter(s("power")), QStringList{s("power poweroff")});
    EXPECT_EQ(f.scheduler.elapsed(), 210);
}

TEST_F(ExecutionTest, CapturedOutputAndListKeywords) {
    f.dir.fake.captureOutput = s("hello");
    f.keyword("hi", "$GRABTOINPUT$ /bin/echo hello");
    EXPECT_TRUE(f.enter(s("hi")));
    EXPECT_TRUE(f.dir.fake.calls().contains(
        s("runAndCapture file=/bin/echo parameters=hello folder=/bin timeout=60000")))
        << f.dir.fake.calls().join(u'\n').toStdString();
    EXPECT_EQ(f.host.input, s("hello"));

    f.keyword("cb", "$CLIPBOARD$");
    f.host.calls.clear();
    EXPECT_TRUE(f.enter(s("cb")));
    EXPECT_TRUE(f.host.calls.contains(s("showListForInput cb")));
}

TEST_F(ExecutionTest, APieceHoldingSkipCountsAsDone) {
    EXPECT_TRUE(f.enter(s("/bin/a||$SKIP$ /bin/b")));
    EXPECT_EQ(launches(), QStringList{launch("/bin/a", "", "/bin")});
}

TEST_F(ExecutionTest, TheCurrentFileItemIsOpenedAndRecordedWithItsItem) {
    auto item = std::make_unique<TMyShellItem>();
    item->name = s("Report");
    item->path = s("/docs/report.odt");
    f.engine.list.setCurrentItem(std::move(item));
    EXPECT_TRUE(f.enter(s("Report")));
    EXPECT_EQ(launches(), QStringList{launch("/docs/report.odt")});
    ASSERT_FALSE(f.core.history.empty());
    ASSERT_TRUE(f.core.history.at(0).item);
    EXPECT_EQ(f.core.history.at(0).item->path, s("/docs/report.odt"));
}

TEST_F(ExecutionTest, PlanOfAKeywordLaunch) {
    f.keyword("ed", "/usr/bin/editor", "--line $P1$", "");
    f.core.store.at(0).path = s("~/work");
    const auto plan = f.engine.executor.planKeywordLaunch(s("ed 12 file"));
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->file, s("/usr/bin/editor"));
    EXPECT_EQ(plan->parameters, s("--line 12"));
    EXPECT_EQ(plan->folder, s("~/work"));
    EXPECT_FALSE(f.engine.executor.planKeywordLaunch(s("nokeyword x")));
}

namespace {

struct RecordingServices final : ExecutionServices {
    QStringList calls;
    bool useClip(const TMyClipItem& c) override {
        calls.append(s("useClip ") + c.clipb);
        return true;
    }
    void playSoundFile(const QString& path) override { calls.append(s("sound ") + path); }
};

} // namespace

TEST_F(ExecutionTest, AClipItemGoesToTheClipboardHistory) {
    RecordingServices services;
    Engine engine(f.core, f.folder, f.dir.fake.platform(), f.host, f.expansion, services,
                  f.scheduler, f.clock, f.random);
    auto clip = std::make_unique<TMyClipItem>();
    clip->clipb = s("copied text");
    engine.list.setCurrentItem(std::move(clip));
    EXPECT_TRUE(engine.executor.DoExecute(s("copied text")));
    EXPECT_EQ(services.calls, QStringList{s("useClip copied text")});
    EXPECT_EQ(engine.list.currentItem(), nullptr) << "the clip is used up";
    EXPECT_TRUE(launches().isEmpty());
}

TEST_F(ExecutionTest, FailureColourAndSound) {
    RecordingServices services;
    Engine engine(f.core, f.folder, f.dir.fake.platform(), f.host, f.expansion, services,
                  f.scheduler, f.clock, f.random);
    writeFile(f.dir.programFolder() + s("fail.wav"), "RIFF");
    writeFile(f.dir.programFolder() + s("ok.wav"), "RIFF");
    f.core.setup.usesound = true;
    f.core.setup.failsound = s("fail.wav");
    f.core.setup.successsound = s("$H$/ok.wav");
    f.dir.fake.launchResult = 3;
    f.host.input = s("/missing/thing");
    EXPECT_FALSE(engine.executor.DoExecute(s("/missing/thing")));
    EXPECT_TRUE(f.host.fail);
    EXPECT_EQ(services.calls, QStringList{s("sound ") + f.dir.programFolder() + s("fail.wav")});

    services.calls.clear();
    f.dir.fake.launchResult = 42;
    EXPECT_TRUE(engine.executor.DoExecute(s("/found/thing")));
    EXPECT_FALSE(f.host.fail) << "a new execution starts in the normal colour";
    EXPECT_EQ(services.calls, QStringList{s("sound ") + f.dir.programFolder() + s("ok.wav")});
    ExecuteFlags quiet;
    quiet.forcenosound = true;
    services.calls.clear();
    f.dir.fake.launchResult = 2;
    engine.executor.DoExecute(s("/missing/again"), quiet);
    EXPECT_TRUE(services.calls.isEmpty());
}

TEST(ExecutionUnderAnEventLoop, TheDeferredShutdownComesFromTheTimer) {
    EngineFixture f;
    EventLoopScheduler loop;
    Engine engine(f.core, f.folder, f.dir.fake.platform(), f.host, f.expansion, f.services, loop,
                  f.clock, f.random);
    f.keyword("off", "$SHUTDOWN$");
    f.host.input = s("off");
    EXPECT_TRUE(engine.executor.DoExecute(s("off")));
    EXPECT_TRUE(f.dir.fake.calls().filter(s("power")).isEmpty()) << "not during the execution";
    QElapsedTimer waited;
    waited.start();
    while (f.dir.fake.calls().filter(s("power")).isEmpty() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(f.dir.fake.calls().filter(s("power")), QStringList{s("power poweroff")});
}
