// From the main hotkey to the keyboard focus on the launcher, measured from
// outside: a real launcher process, real key presses through XTest, and the
// X server's own answer about who has the focus. It also types straight after
// the hotkey and checks that no key was lost.
//
// Needs an X server with a window manager on $DISPLAY; without $DISPLAY it
// starts Xvfb and openbox itself.

#include "core/corestate.h"
#include "platform/fake/fakeplatform.h"
#include "xkeyboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <X11/keysym.h>
#include <algorithm>
#include <unistd.h>
#include <vector>

using namespace lorvanta;

namespace {

QTextStream out(stdout);

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QThread::usleep(200);
    }
    return true;
}

// An X server of our own when there is none.
struct OwnDisplay {
    QProcess xvfb, wm;
    bool start(const QString& folder) {
        if (!qEnvironmentVariableIsEmpty("DISPLAY")) return true;
        for (int n = 90; n < 100; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) continue;
            xvfb.start(QStringLiteral("Xvfb"),
                       {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!xvfb.waitForStarted()) return false;
            qputenv("DISPLAY", QStringLiteral(":%1").arg(n).toLatin1());
            QThread::msleep(500);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("HOME"), folder);
            wm.setProcessEnvironment(env);
            wm.start(QStringLiteral("openbox"), {});
            QThread::msleep(800);
            return wm.waitForStarted();
        }
        return false;
    }
    ~OwnDisplay() {
        // Terminated, not killed: the server removes its lock file.
        wm.terminate();
        wm.waitForFinished();
        xvfb.terminate();
        xvfb.waitForFinished();
    }
};

// A data folder whose launcher hides on Escape and has a keyword "mark" that
// writes its parameters to a file.
void prepare(const QString& data, const QString& marks) {
    const QString script = data + QStringLiteral("mark.sh");
    QDir().mkpath(data);
    QFile f(script);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\necho \"$*\" >> \"" + marks.toUtf8() + "\"\n");
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    platform::FakePlatform fake;
    CoreState core(DataFolder::at(data), fake.platform());
    core.file.ReadSettings(false);
    auto w = std::make_unique<TExeWord>();
    w->keywords = QStringLiteral("mark");
    w->command = script;
    core.store.append(std::move(w));
    core.setup.hide = true;
    core.file.WriteSettings(false);
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

void pressHotkey(test::XKeyboard& keys) {
    keys.chord({XK_Shift_L, XK_Super_L, XK_z});
}

// A running launcher on its own data folder, and a keyboard to drive it.
struct Session {
    QString marks;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess launcher;
    test::XKeyboard keys;
    quint32 window = 0; // the launcher's window

    bool start(const QString& folder) {
        const QString data = folder + QStringLiteral("/data/");
        const QString runtime = folder + QStringLiteral("/runtime");
        marks = folder + QStringLiteral("/marks.txt");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        prepare(data, marks);
        env.insert(QStringLiteral("LORVANTA_HOME"), data);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        launcher.setProcessEnvironment(env);
        launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launcher.start(QStringLiteral(LORVANTA_BIN), {});
        return launcher.waitForStarted() &&
               waitFor([&] { return (window = keys.windowOfProcess(launcher.processId())) != 0; },
                       20000);
    }
    void stop() {
        QProcess exit;
        exit.setProcessEnvironment(env);
        exit.start(QStringLiteral(LORVANTA_BIN), {QStringLiteral("-exit")});
        exit.waitForFinished(10000);
        launcher.waitForFinished(10000);
    }
    void hide() {
        keys.chord({XK_Escape});
        if (!waitFor([&] { return !keys.viewable(window) && keys.focusWindow() != window; }, 3000))
            out << "hotkey_bench: Escape did not hide the launcher\n";
        // Past the guard that ignores a hotkey right after a show or hide.
        QThread::msleep(300);
    }
    // What the keyword "mark" received; empty when nothing ran.
    QString marked() {
        QString got;
        waitFor(
            [&] {
                QFile f(marks);
                if (!f.open(QIODevice::ReadOnly)) return false;
                got = QString::fromUtf8(f.readAll()).trimmed();
                return !got.isEmpty();
            },
            5000);
        return got;
    }
};

// From the press to the X server's keyboard focus on the launcher's window.
bool timeTheFocus(Session& s) {
    std::vector<double> ms;
    int missed = 0;
    for (int i = 0; i < 50; ++i) {
        s.hide();
        QElapsedTimer t;
        t.start();
        pressHotkey(s.keys);
        if (waitFor([&] { return s.keys.focusWindow() == s.window; }, 3000))
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        else
            ++missed;
    }
    if (ms.empty()) {
        out << "hotkey_bench: the hotkey never brought the launcher up\n";
        return false;
    }
    out << "hotkey to focus over " << ms.size() << " presses: median "
        << QString::number(percentile(ms, 0.5), 'f', 2) << " ms, 95th percentile "
        << QString::number(percentile(ms, 0.95), 'f', 2) << " ms"
        << (missed ? QStringLiteral(", %1 presses never focused").arg(missed) : QString()) << "\n";
    return true;
}

// Typing at once after the hotkey: every character must arrive. The number
// of rounds that lost a key.
int typeStraightAway(Session& s) {
    const QStringList words{QStringLiteral("abcdefghijklmno"), QStringLiteral("pqrstuvwxyzabcd"),
                            QStringLiteral("zyxwvutsrqponml")};
    int lost = 0;
    for (const QString& word : words) {
        QFile::remove(s.marks);
        s.hide();
        pressHotkey(s.keys);
        s.keys.type(QStringLiteral("mark ") + word); // 20 characters
        s.keys.chord({XK_Return});
        const QString got = s.marked();
        if (got != word) {
            ++lost;
            out << "typed \"mark " << word << "\", the keyword received \"" << got << "\"\n";
        }
    }
    out << "typing 20 characters straight after the hotkey: " << (words.size() - lost) << " of "
        << words.size() << " rounds arrived whole\n";
    return lost;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    OwnDisplay display;
    if (!display.start(dir.path())) {
        out << "hotkey_bench: no X server and Xvfb could not be started\n";
        return 1;
    }
    Session session;
    if (!session.start(dir.path())) {
        out << "hotkey_bench: the launcher window never appeared\n";
        return 1;
    }
    const bool focused = timeTheFocus(session);
    const int lost = focused ? typeStraightAway(session) : 0;
    session.stop();
    return !focused ? 1 : lost == 0 ? 0 : 2;
}
