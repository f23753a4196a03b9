// Real launcher processes on one temporary data folder, under the test X
// server: second starts hand over their text, quick ones all arrive, the
// orderly shutdown after "-exit" or SIGTERM leaves a whole settings file, and
// help, version and unknown switches are answered by the start itself.
// "-toggle" hides and shows the launcher, observed through the window
// manager, and a second start needs no display at all.

#include "core/corestate.h"
#include "platform/linux/x11desktop.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace lorvanta;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

struct Instances {
    TempDataFolder dir;
    QString marks = dir.root() + s("/marks.txt");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess first;

    // `args` are those of the first start.
    explicit Instances(const QStringList& args = {}) {
        // A keyword that notes its parameters: it shows that a command arrived and ran.
        const QString script = dir.root() + s("/mark.sh");
        writeFile(script, "#!/bin/sh\necho \"$*\" >> \"" + marks.toUtf8() + "\"\n");
        QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        CoreState core(DataFolder::at(dir.path()), dir.fake.platform());
        core.file.ReadSettings(false);
        auto w = std::make_unique<TExeWord>();
        w->keywords = s("mark");
        w->command = script;
        core.store.append(std::move(w));
        core.setup.hide = false;
        // Tests run side by side on one X server: no instance takes the hotkey.
        core.setup.hotkey = 0;
        EXPECT_TRUE(core.file.WriteSettings(false).ok());

        env.insert(s("LORVANTA_HOME"), dir.path());
        env.insert(s("XDG_RUNTIME_DIR"), dir.root() + s("/runtime"));
        QDir().mkpath(dir.root() + s("/runtime"));
        QFile::setPermissions(dir.root() + s("/runtime"), QFileDevice::ReadOwner |
                                                              QFileDevice::WriteOwner |
                                                              QFileDevice::ExeOwner);
        env.remove(s("QT_QPA_PLATFORM"));
        first.setProcessEnvironment(env);
        first.setStandardOutputFile(dir.root() + s("/first.log"));
        first.setStandardErrorFile(dir.root() + s("/first.err"));
        first.start(s(LORVANTA_BIN), args);
        EXPECT_TRUE(first.waitForStarted());
        // Ready once it listens; a second start before that would become the instance itself.
        const QString socket = dir.root() + s("/runtime/LorvantaMB") + QString::number(::getuid());
        EXPECT_TRUE(waitFor([&] { return QFile::exists(socket); }))
            << "the instance never listened";
        EXPECT_EQ(second({}), 0);
    }
    ~Instances() {
        if (first.state() != QProcess::NotRunning) {
            first.kill();
            first.waitForFinished();
        }
    }
    // A second start in `folder`, with what it printed.
    struct Ran {
        int code = -1;
        QString out, err;
    };
    Ran secondIn(const QString& folder, const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder);
        p.start(s(LORVANTA_BIN), args);
        EXPECT_TRUE(p.waitForFinished(20000));
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    int second(const QStringList& args, bool display = true) {
        QProcess p;
        QProcessEnvironment e = env;
        if (!display) e.remove(s("DISPLAY"));
        p.setProcessEnvironment(e);
        p.start(s(LORVANTA_BIN), args);
        p.waitForFinished(20000);
        return p.exitCode();
    }
    QStringList marked() const {
        return QString::fromUtf8(readFile(marks)).split(u'\n', Qt::SkipEmptyParts);
    }
    static bool waitFor(const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > 20000) return false;
            QThread::msleep(50);
        }
        return true;
    }
};

} // namespace

TEST(TwoInstances, SecondStartsHandOverTheirCommands) {
    Instances i;
    EXPECT_EQ(i.second({s("-r"), s("mark"), s("one"), s("two")}), 0);
    EXPECT_TRUE(Instances::waitFor([&] { return i.marked().contains(s("one two")); }))
        << "the arguments after -r arrive joined by blanks";
    // Quick second starts, without a display, each with its own message.
    QList<QProcess*> quick;
    for (int n = 0; n < 4; ++n) {
        auto* p = new QProcess;
        QProcessEnvironment e = i.env;
        e.remove(s("DISPLAY"));
        p->setProcessEnvironment(e);
        p->start(s(LORVANTA_BIN), {s("-r"), s("mark"), QStringLiteral("quick%1").arg(n)});
        quick.append(p);
    }
    for (QProcess* p : quick) {
        EXPECT_TRUE(p->waitForFinished(20000));
        EXPECT_EQ(p->exitCode(), 0);
        delete p;
    }
    EXPECT_TRUE(Instances::waitFor([&] { return i.marked().size() == 5; }))
        << i.marked().join(u',').toStdString();
    EXPECT_EQ(i.second({s("-i"), s("some text")}), 0);
    EXPECT_EQ(i.second({s("-I"), s("more")}), 0);

    i.second({s("-exit")}, false);
    EXPECT_TRUE(i.first.waitForFinished(20000));
    const QByteArray ini = readFile(i.dir.file(s("lorvanta.ini")));
    EXPECT_TRUE(ini.contains("shutdowns=1")) << "the exit was counted and saved";
    EXPECT_TRUE(ini.endsWith("cefilefolders=1\r\n\r\n")) << "the file is whole";
}

// The arguments are the launcher's own: words of a "-r" text that Qt would
// take for its options ("-display" would make it connect elsewhere and give
// up) reach the command and nothing else.
TEST(TwoInstances, AFirstStartRunsItsTextWhateverItsWords) {
    Instances i({s("-r"), s("mark"), s("-display"), s("nowhere:99"), s("-reverse")});
    EXPECT_TRUE(Instances::waitFor([&] {
        return i.marked().contains(s("-display nowhere:99 -reverse"));
    })) << readFile(i.dir.root() + s("/first.err")).toStdString();
    i.second({s("-exit")}, false);
    EXPECT_TRUE(i.first.waitForFinished(20000));
    EXPECT_EQ(i.first.exitStatus(), QProcess::NormalExit);
}

TEST(TwoInstances, SigtermLeavesACompleteSettingsFile) {
    Instances i;
    ::kill(pid_t(i.first.processId()), SIGTERM);
    EXPECT_TRUE(i.first.waitForFinished(20000));
    EXPECT_EQ(i.first.exitStatus(), QProcess::NormalExit);
    const QByteArray ini = readFile(i.dir.file(s("lorvanta.ini")));
    EXPECT_TRUE(ini.contains("keywords=mark"));
    EXPECT_TRUE(ini.contains("shutdowns=1"));
    EXPECT_TRUE(ini.endsWith("cefilefolders=1\r\n\r\n"));
}

// The start answers these itself, whether or not an instance runs and
// without a display.
TEST(Switches, HelpVersionAndUnknownSwitchesAreAnsweredAtOnce) {
    TempDataFolder dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(s("LORVANTA_HOME"), dir.path());
    env.insert(s("XDG_RUNTIME_DIR"), dir.root());
    env.remove(s("DISPLAY"));
    env.remove(s("WAYLAND_DISPLAY"));
    struct Case {
        QStringList args;
        int code;
        bool usageOnOut, usageOnErr;
    };
    const Case cases[] = {
        {{s("--help")}, 0, true, false},     {{s("-h")}, 0, true, false},
        {{s("-foo")}, 2, false, true},       {{s("-EXIT")}, 2, false, true},
        {{s("--version")}, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(s(LORVANTA_BIN), c.args);
        ASSERT_TRUE(p.waitForFinished(20000));
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), c.code) << err.toStdString();
        EXPECT_EQ(out.startsWith(s("usage: lorvanta")), c.usageOnOut) << out.toStdString();
        EXPECT_EQ(err.contains(s("usage: lorvanta")), c.usageOnErr) << err.toStdString();
        if (c.usageOnErr) {
            EXPECT_TRUE(err.startsWith(s("lorvanta: unknown switch: ")));
        }
        if (c.usageOnOut) {
            for (const char* sw : {"-exit", "-r TEXT", "-i TEXT", "-I TEXT", "-s ", "-safemode",
                                   "-wizard", "--help", "--version", "-- PATH"})
                EXPECT_TRUE(out.contains(s(sw))) << sw;
        }
    }
    QProcess v;
    v.setProcessEnvironment(env);
    v.start(s(LORVANTA_BIN), {s("--version")});
    ASSERT_TRUE(v.waitForFinished(20000));
    EXPECT_TRUE(QRegularExpression(s("^lorvanta \\d+\\.\\d+"))
                    .match(QString::fromLocal8Bit(v.readAllStandardOutput()))
                    .hasMatch());
}

TEST(TwoInstances, SwitchesNeverReachTheInstanceAsPaths) {
    Instances i;
    // Files of these names exist, so a hand-over would make keywords of them.
    const QString folder = i.dir.root();
    writeFile(folder + s("/--help"), "x");
    writeFile(folder + s("/-notes.txt"), "x");

    const Instances::Ran help = i.secondIn(folder, {s("--help")});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith(s("usage: lorvanta"))) << help.out.toStdString();
    const Instances::Ran unknown = i.secondIn(folder, {s("-foo")});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains(s("usage: lorvanta")));
    // After "--" a path may begin with "-": that one is handed over.
    EXPECT_EQ(i.secondIn(folder, {s("--"), s("-notes.txt")}).code, 0);
    const QString ini = i.dir.file(s("lorvanta.ini"));
    EXPECT_TRUE(Instances::waitFor([&] { return readFile(ini).contains("/-notes.txt"); }));

    i.second({s("-exit")}, false);
    EXPECT_TRUE(i.first.waitForFinished(20000));
    const QByteArray saved = readFile(ini);
    EXPECT_TRUE(saved.contains((s("command=") + folder + s("/-notes.txt")).toUtf8()));
    EXPECT_FALSE(saved.contains("/--help")) << "the switch was not handed over";
}

// A start that finds the instance's lock taken but no one listening (an
// instance still starting, or hung) hands nothing over, and says so.
TEST(Switches, AHandOverThatFailsSaysWhy) {
    TempDataFolder dir;
    const QString runtime = dir.root() + s("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QLockFile held(runtime + s("/LorvantaMB.lock"));
    ASSERT_TRUE(held.tryLock(0));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(s("LORVANTA_HOME"), dir.path());
    env.insert(s("XDG_RUNTIME_DIR"), runtime);
    env.remove(s("DISPLAY"));
    env.remove(s("WAYLAND_DISPLAY"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(s(LORVANTA_BIN), {s("-r"), s("mark")});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(err.startsWith(s("lorvanta: ")) && err.contains(runtime)) << err.toStdString();
}

namespace {

// The launcher's windows as the X server and window manager see them.
struct Observed {
    lorvanta::platform::X11Desktop desktop;
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    pid_t pid = 0;
    ~Observed() { xcb_disconnect(x); }
    bool shown() {
        for (const auto w : desktop.clientWindows())
            if (desktop.windowProcess(w) == pid) return true;
        return false;
    }
    // The keyboard focus, not _NET_ACTIVE_WINDOW: the window manager may
    // leave that naming a window it has just hidden.
    bool active() {
        xcb_get_input_focus_reply_t* r =
            xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr);
        const xcb_window_t focus = r ? r->focus : 0;
        std::free(r);
        return focus > XCB_INPUT_FOCUS_POINTER_ROOT && desktop.windowProcess(focus) == pid;
    }
};

// Another program's window, mapped and given the focus.
struct OtherWindow {
    QTemporaryDir dir;
    QProcess probe;
    quint32 window = 0;
    explicit OtherWindow(lorvanta::platform::X11Desktop& desktop) {
        const QString report = dir.filePath(s("report"));
        probe.start(s(WINDOW_PROBE), {report});
        EXPECT_TRUE(Instances::waitFor([&] {
            for (const QByteArray& line : readFile(report).split('\n'))
                if (line.startsWith("normal ")) window = line.mid(7).toUInt();
            return window != 0 && desktop.clientWindows().contains(window);
        })) << "the other window never came up";
        desktop.activate(window);
    }
    ~OtherWindow() {
        probe.kill();
        probe.waitForFinished();
    }
};

} // namespace

TEST(TwoInstances, ToggleHidesTheLauncherInFrontAndShowsItOtherwise) {
    Instances i;
    Observed x;
    ASSERT_TRUE(x.desktop.connected());
    // The front program becomes the full one in the same process.
    x.pid = pid_t(i.first.processId());
    ASSERT_TRUE(Instances::waitFor([&] { return x.shown() && x.active(); }))
        << "the first start shows the launcher in front";

    // Each step: the environment of the second start, and what it leaves.
    // Without a display, or with one that does not exist, the hand-over
    // still works: a second start never connects to the X server.
    struct Step {
        const char* what;
        const char* display; // nullptr: unset
        bool shown;
    };
    const Step steps[] = {
        {"hides the launcher in front", ":0", false},
        {"shows the hidden launcher", ":0", true},
        {"hides it without a display", nullptr, false},
        {"shows it with a display that does not exist", ":9999", true},
    };
    const QString display = i.env.value(s("DISPLAY"));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        // A show within 70 ms of a hide is a bounce and ignored, as the
        // gestures' show is.
        QThread::msleep(150);
        QProcessEnvironment e = i.env;
        e.remove(s("QT_QPA_PLATFORM"));
        e.remove(s("DISPLAY"));
        if (step.display)
            e.insert(s("DISPLAY"), qstrcmp(step.display, ":0") == 0 ? display : s(step.display));
        QProcess p;
        p.setProcessEnvironment(e);
        p.start(s(LORVANTA_BIN), {s("-toggle")});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        EXPECT_TRUE(Instances::waitFor([&] {
            return x.shown() == step.shown && (!step.shown || x.active());
        })) << readFile(i.dir.root() + s("/first.err")).toStdString();
    }

    // Shown behind another window: the toggle brings it forward, not away.
    {
        OtherWindow other(x.desktop);
        ASSERT_TRUE(Instances::waitFor([&] { return !x.active(); }));
        ASSERT_TRUE(x.shown());
        EXPECT_EQ(i.second({s("-toggle")}), 0);
        EXPECT_TRUE(Instances::waitFor([&] { return x.active(); }));
        EXPECT_TRUE(x.shown());
    }

    i.second({s("-exit")}, false);
    EXPECT_TRUE(i.first.waitForFinished(20000));
}

// "lorvanta" alone hands over to a running launcher; only a start that finds
// none needs "lorvanta-main" beside it, and says so when it is missing.
TEST(TwoInstances, TheFrontProgramNeedsTheFullOneOnlyToBecomeTheInstance) {
    Instances i;
    QTemporaryDir alone;
    const QString front = alone.filePath(s("lorvanta"));
    ASSERT_TRUE(QFile::copy(s(LORVANTA_BIN), front));
    auto run = [&](const QProcessEnvironment& env, const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(front, args);
        EXPECT_TRUE(p.waitForFinished(20000));
        return std::make_pair(p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError()));
    };
    EXPECT_EQ(run(i.env, {s("-r"), s("mark"), s("alone")}).first, 0);
    EXPECT_TRUE(Instances::waitFor([&] { return i.marked().contains(s("alone")); }));

    QProcessEnvironment none = i.env;
    const QString otherRuntime = alone.filePath(s("runtime"));
    QDir().mkpath(otherRuntime);
    QFile::setPermissions(otherRuntime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    none.insert(s("XDG_RUNTIME_DIR"), otherRuntime);
    const auto [code, err] = run(none, {});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.startsWith(s("lorvanta: ")) && err.contains(alone.filePath(s("lorvanta-main"))))
        << err.toStdString();

    i.second({s("-exit")}, false);
    EXPECT_TRUE(i.first.waitForFinished(20000));
}
