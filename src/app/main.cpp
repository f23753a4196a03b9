// The launcher's entry point: the single instance, the start-up order, the
// messages of second starts and the orderly shutdown that saves everything.

#include "app/desktopservices.h"
#include "app/launchershell.h"
#include "app/launcherwindow.h"
#include "commands/engine.h"
#include "core/corestate.h"
#include "core/list/candidatelist.h"
#include "core/list/recentdocs.h"
#include "index/fileindex.h"
#include "index/iconprecacher.h"
#include "index/indexcommands.h"
#include "index/indexservice.h"
#include "pane/resultpane.h"
#include "platform/linux/inotifywatch.h"
#include "platform/linux/linuxplatform.h"
#include "shell/commandline.h"
#include "shell/desktopfiles.h"
#include "shell/dropword.h"
#include "shell/instance.h"
#include "shell/priority.h"
#include "shell/signals.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>
#include <QTextStream>
#include <memory>
#include <optional>

using namespace lorvanta;

namespace {

// The single instance once it runs: everything it owns, built in start-up
// order and taken apart by shutdown().
class Launcher {
public:
    Launcher(const FirstStart& start, platform::LinuxPlatform& os, SingleInstance& instance)
        : start_(start), os_(os), folder_(os.platform().environment), core_(folder_, os.platform()),
          recent_(recentDocumentsPath(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath())) {
        Q_UNUSED(instance);
    }

    // False when the user chose to leave (the backup prompt's "Open folder").
    bool start(SingleInstance& instance) {
        if (core_.file.ReadSettings(false) == SettingsFile::ReadResult::Exit) return false;
        Setup& s = core_.setup;
        if (start_.safeMode) s.ignorenetwork = true;
        // Steps of subsystems still to come: first-run wizard, skin, import
        // worker, clipboard history, alarm timer, plugins. The hotkeys and the
        // Super-key gestures start with the shell, the index after it.
        applyPriority(s.priority);
        const QString program =
            os_.platform().environment.programFolder() + QStringLiteral("lorvanta");
        setAutostart(s.autostart, program);
        setOpenWithEntry(s.sendtomenu, program);

        window_ = std::make_unique<LauncherWindow>(
            core_, folder_, os_.platform(), expansion_, services_, scheduler_, clock_, random_,
            ListSources{&index_, nullptr, nullptr, nullptr, nullptr, &recent_});
        // The services need the window, and the window needs them first.
        expansion_.bind(*window_, window_->previousWindow());
        services_.bind(*window_);
        QObject::connect(window_.get(), &LauncherWindow::closeRequested, [this] { shutdown(); });
        QObject::connect(&instance, &SingleInstance::messageReceived,
                         [this](int number, const QString& text) { message(number, text); });
        QObject::connect(&signals_, &SignalBridge::shutdownRequested, [this] { shutdown(); });
        QObject::connect(qApp, &QGuiApplication::commitDataRequest,
                         [this](QSessionManager&) { core_.file.WriteSettings(false); });

        shell_ = std::make_unique<LauncherShell>(core_, folder_, os_.platform(), *window_,
                                                 scheduler_, clock_);
        if (start_.safeMode) window_->setNewWord(QStringLiteral(" Started in safemode"));
        const bool silent = start_.silent && s.hide;
        shell_->start(silent, start_.safeMode);
        if (!silent) window_->showAndFocus();
        if (!start_.sentPath.isEmpty()) window_->addDroppedPath(start_.sentPath);
        startIndex();
        if (!start_.safeMode) fireStartUpKeys();
        return true;
    }

    // The orderly exit: once, whatever asked for it.
    void shutdown() {
        if (closing_) return;
        closing_ = true;
        window_->setClosing();
        shell_->stop();
        window_->hide();
        window_->pane().hide();
        if (indexService_) indexService_->shutdown();
        if (iconCacher_) iconCacher_->stop();
        // Background work ends with the event loop; nothing is freed under it.
        const IoStatus saved = core_.file.saveAtExit();
        if (!saved.ok())
            QTextStream(stderr) << "lorvanta: the settings could not be saved: " << saved.detail()
                                << "\n";
        QCoreApplication::quit();
    }

private:
    void message(int number, const QString& text) {
        if (closing_) return;
        switch (number) {
        case message::SendTo:
            window_->showAndFocus();
            window_->addDroppedPath(text);
            break;
        case message::Open:
            shell_->openMessage();
            break;
        case message::HotOpen:
            shell_->hotOpenMessage();
            break;
        case message::Command:
            runExternal(text);
            break;
        case message::Hide:
            shell_->hideMessage();
            break;
        case message::Input:
            window_->externalInput(text, false, false);
            break;
        case message::InputSelect:
            window_->externalInput(text, false, true);
            break;
        case message::Close:
            shutdown();
            break;
        case message::Toggle:
            shell_->toggle();
            break;
        default:
            break;
        }
    }

    // Run as the input, without history, sound or waiting.
    void runExternal(const QString& text) {
        if (text.trimmed().isEmpty()) return;
        ExecuteFlags f;
        f.forcenohist = f.forcasync = f.forcenosound = true;
        window_->engine().execution.DoExecute(text, f);
    }

    // The index: its cache, its rebuilds on start-up, focus and idle time,
    // and its commands.
    void startIndex() {
        IndexService::Context context;
        context.dataFolder = folder_.path();
        context.programFolder = os_.platform().environment.programFolder();
        context.env = QProcessEnvironment::systemEnvironment();
        context.safeMode = start_.safeMode;
        context.expand = [this](const QString& text) {
            return window_->engine().expander.ExpandBasic(text, false);
        };
        context.idleTime = [this] { return os_.platform().system.idleMilliseconds(); };
        context.folderWatch = &folderWatch_;
        indexService_ =
            std::make_unique<IndexService>(core_.setup, index_, clock_, std::move(context));
        registerIndexCommands(window_->engine().dispatcher, *indexService_, *window_, scheduler_);
        shell_->setFocusHook([this] { indexService_->activated(); });
        indexService_->start();
        // The list draws no icons yet, so there is no icon cache to warm.
        iconCacher_ = std::make_unique<IconPreCacher>(core_.setup, clock_, IconPreCacher::Lookup{},
                                                      start_.safeMode);
        iconCacher_->start(core_.history, core_.store);
    }

    void fireStartUpKeys() {
        using T = FirstStart::Text;
        if (start_.textAction == T::Execute)
            runExternal(start_.text);
        else if (start_.textAction == T::Input)
            window_->externalInput(start_.text, false, false);
        else if (start_.textAction == T::InputSelectAll)
            window_->externalInput(start_.text, false, true);
        for (const QString& line : startupLines(core_.setup.startup))
            runExternal(line);
    }

    FirstStart start_;
    platform::LinuxPlatform& os_;
    DataFolder folder_;
    CoreState core_;
    XbelRecentDocuments recent_;
    FileIndex index_;
    platform::InotifyWatch folderWatch_;
    std::unique_ptr<IndexService> indexService_;
    std::unique_ptr<IconPreCacher> iconCacher_;
    DesktopExpansionServices expansion_;
    DesktopExecutionServices services_;
    EventLoopScheduler scheduler_;
    SystemClock clock_;
    SystemRandom random_;
    SignalBridge signals_;
    std::unique_ptr<LauncherWindow> window_;
    std::unique_ptr<LauncherShell> shell_;
    bool closing_ = false;
};

// The hand-over of a second start; it needs no application object.
int handOver(SingleInstance& instance, const InstanceMessage& m) {
    if (!instance.errorString().isEmpty() && !QFileInfo::exists(instance.lockPath())) {
        QTextStream(stderr) << "lorvanta: " << instance.errorString() << "\n";
        return 1;
    }
    if (instance.send(m)) return 0;
    QTextStream(stderr) << "lorvanta: nothing was handed over: " << instance.errorString() << "\n";
    return 1;
}

} // namespace

// Usually started by the front program "lorvanta" when no instance listens.
// Whether this process is the instance is settled before any application
// object exists, so that a second start opens no display connection.
int main(int argc, char** argv) {
    const CommandLine cl = readCommandLine(argc, argv);
    if (const std::optional<int> code = answerByItself(cl, QStringLiteral(PROJECT_VERSION_TEXT)))
        return *code;
    // The lock file records the application's name.
    QCoreApplication::setApplicationName(QStringLiteral("Lorvanta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));

    std::unique_ptr<QApplication> app; // outlives the instance's socket
    SingleInstance instance;
    if (!instance.takeLock()) return handOver(instance, cl.second);
    if (cl.first.exitAtOnce) return 0;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        QTextStream(stderr) << "lorvanta: no display to show the launcher on\n";
        return 1;
    }
    // The arguments are the launcher's own: Qt gets none of them, or a "-r"
    // text such as "xterm -display :1" would move the launcher elsewhere.
    int qtArgc = 1;
    app = std::make_unique<QApplication>(qtArgc, argv);
    app->setQuitOnLastWindowClosed(false);
    if (!instance.listen()) {
        QTextStream(stderr) << "lorvanta: " << instance.errorString() << "\n";
        return 1;
    }

    platform::LinuxPlatform os;
    Launcher launcher(cl.first, os, instance);
    if (!launcher.start(instance)) return 0;
    return QCoreApplication::exec();
}
