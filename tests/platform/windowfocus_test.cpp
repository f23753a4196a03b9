// The window in front and handing the focus back, on the test X server and
// its window manager: real windows of window_probe processes.

#include "platform/linux/linuxplatform.h"
#include "platform/linux/x11desktop.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace lorvanta::platform;
using lorvanta::test::s;
using lorvanta::test::waitUntil;

namespace {

const QString kProbe = QStringLiteral(WINDOW_PROBE);

// A probe started for the test, ended with it.
struct ProbeWindow {
    qint64 pid = 0;
    WindowId window = 0;
    ~ProbeWindow() { end(); }
    void end() {
        if (pid > 0) ::kill(pid_t(pid), SIGTERM);
        pid = 0;
    }
};

class WindowFocusTest : public ::testing::Test {
protected:
    // Starts a probe and waits until the window manager manages its window.
    void start(ProbeWindow& probe) {
        const QString report = dir_.filePath(QString::number(++probes_));
        ASSERT_TRUE(QProcess::startDetached(kProbe, {report}, {}, &probe.pid));
        ASSERT_TRUE(waitUntil(
            [&] {
                QFile file(report);
                if (!file.open(QIODevice::ReadOnly)) return false;
                for (const QByteArray& line : file.readAll().split('\n'))
                    if (line.startsWith("normal ")) probe.window = line.mid(7).toUInt();
                return probe.window != 0 && desktop_.clientWindows().contains(probe.window);
            },
            20000))
            << "the probe did not show its window";
    }
    bool becomesActive(WindowId window) {
        return waitUntil([&] { return focus().activeWindow() == window; }, 10000);
    }
    WindowFocus& focus() { return os_.platform().focus; }

    QTemporaryDir dir_;
    int probes_ = 0;
    X11Desktop desktop_;
    LinuxPlatform os_;
};

} // namespace

TEST_F(WindowFocusTest, TheWindowInFrontIsReadAndActivatedAgain) {
    ASSERT_TRUE(desktop_.connected()) << "no X server";
    ProbeWindow first, second;
    start(first);
    ASSERT_TRUE(focus().activate(first.window));
    ASSERT_TRUE(becomesActive(first.window));
    const WindowHandle previous = focus().activeWindow();
    EXPECT_EQ(previous, first.window);

    start(second);
    ASSERT_TRUE(focus().activate(second.window));
    ASSERT_TRUE(becomesActive(second.window)) << "another window took the focus";
    EXPECT_TRUE(focus().activate(previous));
    EXPECT_TRUE(becomesActive(first.window)) << "the focus went back";
}

TEST_F(WindowFocusTest, AClosedWindowIsNotActivated) {
    ASSERT_TRUE(desktop_.connected()) << "no X server";
    ProbeWindow probe;
    start(probe);
    const WindowId window = probe.window;
    probe.end();
    ASSERT_TRUE(waitUntil([&] { return !desktop_.exists(window); }, 10000));
    EXPECT_FALSE(focus().activate(window));
    EXPECT_FALSE(focus().activate(0));
    EXPECT_FALSE(focus().geometry(window).has_value());
}

// Centring on the previous window's screen asks where that window is; the
// window manager's frame moved it, so the place is asked of the root.
TEST_F(WindowFocusTest, AWindowsPlaceOnTheScreenIsRead) {
    ASSERT_TRUE(desktop_.connected()) << "no X server";
    ProbeWindow probe;
    start(probe);
    const std::optional<QRect> place = focus().geometry(probe.window);
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->size(), QSize(320, 200));
    EXPECT_TRUE(QRect(0, 0, 1280, 1024).contains(*place)) << "on the test screen";
}
