// Takes the README's screenshot: the launcher window with a typed input and
// its candidate list, on a demo data folder, grabbed from the X screen.
// Usage (under an X server): lorvanta-screenshot OUTPUT.png

#include "app/launcherwindow.h"
#include "commands/engine.h"
#include "core/exec/recording.h"
#include "pane/resultpane.h"
#include "platform/fake/fakeplatform.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace lorvanta;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) return 2;
    QTemporaryDir dir;
    platform::FakePlatform fake;
    const DataFolder folder = DataFolder::at(dir.path());
    CoreState core(folder, fake.platform());
    core.file.ReadSettings(true);
    core.setup.hide = false;
    const auto add = [&](const char* names, const char* command, const char* comment) {
        auto w = std::make_unique<TExeWord>();
        w->keywords = QString::fromUtf8(names);
        w->command = QString::fromUtf8(command);
        w->comment = QString::fromUtf8(comment);
        core.store.append(std::move(w));
    };
    add("google,g", "https://www.google.com/search?q=$U$", "Search the web");
    add("gimp", "gimp", "Image editor");
    add("git-gui", "git gui", "Git");
    add("github", "https://github.com/search?q=$U$", "Code search");
    for (const char* h : {"google weather oslo", "gimp ~/Pictures/holiday.jpg", "git-gui"})
        core.history.AddToHistory(QString::fromUtf8(h), nullptr, false, core.setup);

    RecordingExpansionServices expansion;
    ExecutionServices services;
    ManualScheduler scheduler;
    SystemClock clock;
    SystemRandom random;
    LauncherWindow window(core, folder, fake.platform(), expansion, services, scheduler, clock,
                          random, ListSources{});
    window.move(80, 60);
    window.showAndFocus();
    QTest::qWait(300);
    QTest::keyClicks(&window.input(), QStringLiteral("gi"));
    QTest::qWait(500);
    const QRect area =
        window.frameGeometry().united(window.pane().frameGeometry()).adjusted(-20, -20, 20, 20);
    const QPixmap shot =
        window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
