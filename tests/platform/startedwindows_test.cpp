// The show command of a launch reaches the started program's first window:
// real programs (tests/platform/window_probe) started through the launcher
// under the test X server and its window manager, their states read back
// with xprop.

#include "platform/linux/linuxlauncher.h"
#include "platform/linux/processtree.h"
#include "platform/linux/startedwindows.h"
#include "platform/linux/x11desktop.h"
#include "testsupport.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace lorvanta::platform;
using lorvanta::test::s;
using lorvanta::test::waitUntil;
using lorvanta::test::writeFile;

namespace {

const QString kProbe = QStringLiteral(WINDOW_PROBE);

// What a probe reported: its process and its windows by kind.
struct Probe {
    pid_t pid = 0;
    QHash<QString, WindowId> windows;
};

class StartedWindowsTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const QString& report : reports_) {
            const Probe probe = read(report);
            if (probe.pid > 0) ::kill(probe.pid, SIGTERM);
        }
    }

    // A fresh report file for one probe.
    QString reportFile() {
        reports_.append(dir_.filePath(QStringLiteral("probe%1").arg(reports_.size())));
        return reports_.last();
    }

    static Probe read(const QString& report) {
        Probe probe;
        QFile file(report);
        if (!file.open(QIODevice::ReadOnly)) return probe;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (words.size() != 2) continue;
            if (words[0] == "pid")
                probe.pid = pid_t(words[1].toInt());
            else
                probe.windows.insert(QString::fromLatin1(words[0]), words[1].toUInt());
        }
        return probe;
    }

    // Waits until the probe has mapped its windows and the window manager lists them.
    Probe mapped(const QString& report) {
        Probe probe;
        EXPECT_TRUE(waitUntil(
            [&] {
                probe = read(report);
                return probe.windows.contains(s("normal")) &&
                       desktop_.clientWindows().contains(probe.windows.value(s("normal")));
            },
            20000))
            << "the probe did not show its window";
        return probe;
    }

    // The window's state atoms and ICCCM state, as xprop prints them.
    static QString state(WindowId window) {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {s("-id"), QString::number(window), s("_NET_WM_STATE"), s("WM_STATE")});
        xprop.waitForFinished(10000);
        return QString::fromUtf8(xprop.readAllStandardOutput());
    }

    static bool has(WindowId window, const QStringList& atoms) {
        const QString now = state(window);
        for (const QString& a : atoms)
            if (!now.contains(a)) return false;
        return true;
    }

    int launch(const QString& file, const QString& parameters, ShowCommand show) {
        LaunchRequest request;
        request.file = file;
        request.parameters = parameters;
        request.show = show;
        return launcher_.shellExecute(request);
    }

    // A shell script that starts the probe as its child and waits for it.
    QString wrapperScript() {
        const QString path = dir_.filePath(s("wrapper.sh"));
        writeFile(path, "#!/bin/sh\n\"" + QFile::encodeName(kProbe) + "\" \"$@\" &\nwait\n");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        return path;
    }

    QTemporaryDir dir_;
    QStringList reports_;
    X11Desktop desktop_;
    LinuxLauncher launcher_;
};

const QStringList kMinimized = {s("_NET_WM_STATE_HIDDEN"), s("Iconic")};
const QStringList kMaximized = {s("_NET_WM_STATE_MAXIMIZED_VERT"),
                                s("_NET_WM_STATE_MAXIMIZED_HORZ")};
const QStringList kHidden = {s("_NET_WM_STATE_HIDDEN"), s("_NET_WM_STATE_SKIP_TASKBAR"),
                             s("_NET_WM_STATE_SKIP_PAGER"), s("Iconic")};

TEST_F(StartedWindowsTest, TheFirstWindowOfTheStartedProgramGetsTheShowCommand) {
    ASSERT_TRUE(desktop_.connected()) << "no X server";
    struct Case {
        const char* name;
        ShowCommand show;
        bool throughScript; // the window belongs to a child of the started process
        QStringList extra;  // probe options
        QStringList expected;
    };
    const Case cases[] = {
        {"minimised", ShowCommand::Minimized, false, {}, kMinimized},
        {"maximised", ShowCommand::Maximized, false, {}, kMaximized},
        {"hidden", ShowCommand::Hidden, false, {}, kHidden},
        {"maximised, window of a child", ShowCommand::Maximized, true, {}, kMaximized},
        {"minimised, child, no _NET_WM_PID",
         ShowCommand::Minimized,
         true,
         {s("--no-pid")},
         kMinimized},
    };
    for (const Case& c : cases) {
        const QString report = reportFile();
        ASSERT_EQ(launch(c.throughScript ? wrapperScript() : kProbe,
                         (QStringList{report} + c.extra).join(u' '), c.show),
                  result::Started)
            << c.name;
        const Probe probe = mapped(report);
        const WindowId window = probe.windows.value(s("normal"));
        EXPECT_TRUE(waitUntil([&] { return has(window, c.expected); }, 10000))
            << c.name << ": " << state(window).toStdString();
    }
}

TEST_F(StartedWindowsTest, NormalLeavesTheWindowAsTheProgramShowsIt) {
    ASSERT_TRUE(desktop_.connected()) << "no X server";
    const QString report = reportFile();
    ASSERT_EQ(launch(kProbe, report, ShowCommand::Normal), result::Started);
    const WindowId window = mapped(report).windows.value(s("normal"));
    // Several polls' worth of time: nothing may come.
    waitUntil([] { return false; }, 600);
    const QString now = state(window);
    EXPECT_FALSE(now.contains(s("MAXIMIZED")) || now.contains(s("Iconic"))) << now.toStdString();
}

TEST_F(StartedWindowsTest, ASplashScreenIsPassedOverForTheProgramsWindow) {
    ASSERT_TRUE(desktop_.connected()) << "no X server";
    const QString report = reportFile();
    ASSERT_EQ(launch(kProbe, report + s(" --splash"), ShowCommand::Minimized), result::Started);
    const Probe probe = mapped(report);
    EXPECT_TRUE(
        waitUntil([&] { return has(probe.windows.value(s("normal")), kMinimized); }, 10000));
    EXPECT_FALSE(state(probe.windows.value(s("splash"))).contains(s("Iconic")));
}

TEST_F(StartedWindowsTest, OtherProgramsWindowsAreLeftAlone) {
    ASSERT_TRUE(desktop_.connected()) << "no X server";
    // A program the launcher did not start shows its window at the same time.
    const QString otherReport = reportFile();
    ASSERT_TRUE(QProcess::startDetached(kProbe, {otherReport}));
    const QString report = reportFile();
    ASSERT_EQ(launch(kProbe, report, ShowCommand::Maximized), result::Started);
    const WindowId ours = mapped(report).windows.value(s("normal"));
    const WindowId other = mapped(otherReport).windows.value(s("normal"));
    EXPECT_TRUE(waitUntil([&] { return has(ours, kMaximized); }, 10000));
    EXPECT_FALSE(state(other).contains(s("MAXIMIZED"))) << state(other).toStdString();
}

TEST_F(StartedWindowsTest, ADesktopEntrysProgramWindowGetsTheShowCommand) {
    ASSERT_TRUE(desktop_.connected()) << "no X server";
    const QString report = reportFile();
    const QString entry = dir_.filePath(s("probe.desktop"));
    writeFile(entry, "[Desktop Entry]\nType=Application\nName=Probe\nExec=\"" +
                         QFile::encodeName(kProbe) + "\" %f\n");
    ASSERT_EQ(launch(entry, report, ShowCommand::Maximized), result::Started);
    const WindowId window = mapped(report).windows.value(s("normal"));
    EXPECT_TRUE(waitUntil([&] { return has(window, kMaximized); }, 10000));
}

TEST(StartedWindowsWatch, EndsWhenTheProgramEndsWithoutAWindow) {
    X11Desktop desktop;
    ASSERT_TRUE(desktop.connected()) << "no X server";
    StartedWindows watcher(desktop);
    qint64 pid = 0;
    ASSERT_TRUE(QProcess::startDetached(s("sleep"), {s("0.2")}, {}, &pid));
    watcher.beforeStart();
    watcher.watch(pid_t(pid), ShowCommand::Minimized);
    EXPECT_EQ(watcher.pending(), 1);
    // Well before the 30 s limit: what it could start is init's once it is gone.
    EXPECT_TRUE(waitUntil([&] { return watcher.pending() == 0; }, 5000));
}

TEST(ProcessTree, AProcessDescendsFromItselfAndItsAncestorsOnly) {
    EXPECT_TRUE(descendsFrom(::getpid(), ::getpid()));
    EXPECT_TRUE(descendsFrom(::getpid(), ::getppid()));
    EXPECT_EQ(parentProcess(::getpid()), ::getppid());
    QProcess child;
    child.start(s("sleep"), {s("5")});
    ASSERT_TRUE(child.waitForStarted());
    const pid_t pid = pid_t(child.processId());
    EXPECT_TRUE(descendsFrom(pid, ::getpid()));
    EXPECT_FALSE(descendsFrom(::getpid(), pid));
    EXPECT_FALSE(descendsFrom(0, ::getpid()));
    child.kill();
    child.waitForFinished();
    EXPECT_EQ(parentProcess(pid), 0) << "a process that is gone has no parent";
}

} // namespace
