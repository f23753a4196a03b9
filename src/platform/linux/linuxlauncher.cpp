#include "linuxlauncher.h"

#include "core/ini/textcodec.h"
#include "desktopfile.h"
#include "mimeapps.h"
#include "startedwindows.h"
#include "x11desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvanta::platform {

namespace {

// Links that point at links stop here rather than loop.
constexpr int kMaxLinkDepth = 4;
// How long a stopped capture's processes get between SIGTERM and SIGKILL.
constexpr int kGraceMs = 1000;

bool isUrl(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(text).hasMatch() || text.startsWith(u"mailto:", Qt::CaseInsensitive);
}

// Empty keeps the launcher's own folder; one that does not exist gives the home folder.
// Programs started without a folder of their own start in the home folder,
// as they would from a new terminal, not wherever the launcher was started.
QString workingFolder(const QString& folder) {
    if (folder.isEmpty()) return QDir::homePath();
    const QString path = expandTilde(folder);
    return QFileInfo(path).isDir() ? path : QDir::homePath();
}

// The result code for a path that cannot be used, or 0 when it exists.
int pathProblem(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) return 0;
    switch (errno) {
    case EACCES:
        return result::AccessDenied;
    case ENOTDIR:
        return result::PathNotFound;
    case ENOENT:
        return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? result::FileNotFound
                                                                 : result::PathNotFound;
    default:
        return result::FileNotFound;
    }
}

// A compiled program or library without its run bit: no application opens
// those, and running them needs a permission the user lacks.
bool isBinaryProgram(const QString& path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    return (type.inherits(QStringLiteral("application/x-executable")) ||
            type.inherits(QStringLiteral("application/x-sharedlib"))) &&
           !type.inherits(QStringLiteral("text/plain"));
}

// The user's environment without what concerned the launcher alone: its Qt
// platform choice, and the start-up and activation tokens the desktop gave
// it, which a child would otherwise take for its own.
QProcessEnvironment childEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DESKTOP_AUTOSTART_ID", "XDG_ACTIVATION_TOKEN"})
        env.remove(QString::fromLatin1(name));
    return env;
}

// The processes one launch started, so that their windows can be found.
using StartedProcesses = QList<pid_t>;

int startDetached(QStringList argv, const QString& folder, bool elevated,
                  StartedProcesses& started) {
    if (elevated) {
        const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
        if (pkexec.isEmpty()) return result::AccessDenied;
        argv.prepend(pkexec);
    }
    QProcess process;
    process.setProgram(argv.takeFirst());
    process.setArguments(argv);
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(childEnvironment());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) return result::Failed;
    started.append(pid_t(pid));
    return result::Started;
}

// A terminal program, and what comes before a command it is to run.
struct Terminal {
    QStringList argv;
    QStringList runFlag;
};

// The user's terminal: $TERMINAL, then the generic names, then the common
// terminals, each with its own way of taking a command.
std::optional<Terminal> findTerminal() {
    QStringList chosen = splitCommandLine(qEnvironmentVariable("TERMINAL"));
    if (!chosen.isEmpty()) {
        chosen.first() = findProgram(chosen.first());
        if (!chosen.first().isEmpty()) return Terminal{chosen, {QStringLiteral("-e")}};
    }
    static const struct {
        const char* name;
        const char* runFlag;
    } kTerminals[] = {{"xdg-terminal-exec", ""},
                      {"x-terminal-emulator", "-e"},
                      {"gnome-terminal", "--"},
                      {"konsole", "-e"},
                      {"xfce4-terminal", "-x"},
                      {"kitty", ""},
                      {"alacritty", "-e"},
                      {"foot", ""},
                      {"xterm", "-e"}};
    for (const auto& t : kTerminals) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(t.name));
        if (program.isEmpty()) continue;
        Terminal found{{program}, {}};
        if (*t.runFlag) found.runFlag.append(QString::fromLatin1(t.runFlag));
        return found;
    }
    return std::nullopt;
}

// The terminal itself; a command after "-e" is given to it its own way.
int startTerminal(const LaunchRequest& request, StartedProcesses& started) {
    const auto terminal = findTerminal();
    if (!terminal) return result::NoTerminal;
    QStringList args = splitCommandLine(request.parameters);
    if (!args.isEmpty() && args.first() == u"-e") args = terminal->runFlag + args.mid(1);
    return startDetached(terminal->argv + args, workingFolder(request.folder), request.elevated,
                         started);
}

int execute(const LaunchRequest& request, int depth, StartedProcesses& started);

int launchEntry(const DesktopFile& entry, const QStringList& items, const LaunchRequest& request,
                int depth, StartedProcesses& started) {
    if (entry.type == u"Link") {
        if (entry.url.isEmpty() || depth >= kMaxLinkDepth) return result::NoApplication;
        LaunchRequest link = request;
        link.file = entry.url;
        link.parameters.clear();
        return execute(link, depth + 1, started);
    }
    if (!entry.type.isEmpty() && entry.type != u"Application") return result::NoApplication;
    if (!entry.tryExec.isEmpty() && findProgram(entry.tryExec).isEmpty())
        return result::FileNotFound;
    QList<QStringList> commands = execCommands(entry, items);
    if (commands.isEmpty()) return result::NoApplication;
    // Every program is found before any starts, so that a failure starts nothing.
    for (QStringList& argv : commands) {
        argv.first() = findProgram(argv.first());
        if (argv.first().isEmpty()) return result::FileNotFound;
    }
    QStringList prefix;
    // Hidden runs a console program without any window, so without its terminal.
    if (entry.terminal && request.show != ShowCommand::Hidden) {
        const auto terminal = findTerminal();
        if (!terminal) return result::NoTerminal;
        prefix = terminal->argv + terminal->runFlag;
    }
    const QString path = expandTilde(entry.path);
    const QString folder =
        !path.isEmpty() && QFileInfo(path).isDir() ? path : workingFolder(request.folder);
    for (const QStringList& argv : std::as_const(commands)) {
        const int code = startDetached(prefix + argv, folder, request.elevated, started);
        if (code != result::Started) return code;
    }
    return result::Started;
}

int openWithDefault(const QString& target, const QList<QStringList>& types,
                    const LaunchRequest& request, int depth, StartedProcesses& started) {
    if (const auto app = defaultApplication(types))
        return launchEntry(*app, {target}, request, depth, started);
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) return result::NoApplication;
    return startDetached({xdgOpen, target}, workingFolder(request.folder), request.elevated,
                         started);
}

int execute(const LaunchRequest& request, int depth, StartedProcesses& started) {
    QString file = request.file;
    if (file.isEmpty()) return result::FileNotFound;
    if (isUrl(file)) {
        const QUrl url(file);
        if (!url.isLocalFile()) {
            const QString type = QStringLiteral("x-scheme-handler/") + url.scheme().toLower();
            return openWithDefault(file, {{type}}, request, depth, started);
        }
        file = url.toLocalFile();
    }

    QString path = expandTilde(file);
    if (path == kTerminalName) return startTerminal(request, started);
    if (!path.contains(u'/')) {
        // A bare name: a program on $PATH, else a file in the working folder,
        // else the id of an installed desktop entry.
        const QString inFolder = QDir(expandTilde(request.folder)).filePath(path);
        if (const QString program = QStandardPaths::findExecutable(path); !program.isEmpty())
            path = program;
        else if (!request.folder.isEmpty() && QFileInfo::exists(inFolder))
            path = inFolder;
        else if (const QString entry =
                     path.endsWith(u".desktop") ? findDesktopEntry(path) : QString();
                 !entry.isEmpty())
            path = entry;
        else
            return result::FileNotFound;
    } else if (QDir::isRelativePath(path)) {
        const QString base =
            request.folder.isEmpty() ? QDir::currentPath() : expandTilde(request.folder);
        path = QDir(base).absoluteFilePath(path);
    }

    if (const int problem = pathProblem(path)) return problem;
    const QFileInfo info(path);
    if (info.isDir())
        return openWithDefault(path, {{QStringLiteral("inode/directory")}}, request, depth,
                               started);
    if (path.endsWith(u".desktop", Qt::CaseInsensitive)) {
        const auto entry = readDesktopFile(path);
        if (!entry) return result::NoApplication;
        // An entry is never elevated: its own Exec line says how it runs.
        LaunchRequest asUser = request;
        asUser.elevated = false;
        return launchEntry(*entry, splitCommandLine(request.parameters), asUser, depth, started);
    }
    if (info.isExecutable())
        return startDetached(QStringList{path} + splitCommandLine(request.parameters),
                             workingFolder(request.folder), request.elevated, started);
    if (!info.isReadable() || isBinaryProgram(path)) return result::AccessDenied;
    return openWithDefault(path, mimeTypesForFile(path), request, depth, started);
}

// One program whose output is gathered. It runs in its own process group so
// that a time limit ends everything it started, not just the program.
class Capture final : public QObject {
public:
    Capture(QObject* parent, int timeoutMs, std::function<void(const QString&)> done)
        : QObject(parent), timeoutMs_(timeoutMs), done_(std::move(done)) {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setStandardInputFile(QProcess::nullDevice());
        process_.setChildProcessModifier([] { ::setpgid(0, 0); });
        connect(&process_, &QProcess::started, this,
                [this] { group_ = pid_t(process_.processId()); });
        connect(&process_, &QProcess::readyReadStandardOutput, this, [this] { read(); });
        connect(&process_, &QProcess::finished, this, [this] { exited(); });
        connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) deliver(QStringLiteral("Error"));
        });
        limit_.setSingleShot(true);
        grace_.setSingleShot(true);
        connect(&limit_, &QTimer::timeout, this, [this] { stop(); });
        connect(&grace_, &QTimer::timeout, this, [this] { kill(); });
    }

    ~Capture() override {
        disconnect(&process_, nullptr, this, nullptr);
        if (process_.state() != QProcess::NotRunning) signalGroup(SIGKILL);
    }

    void start(const QString& program, const QStringList& arguments, const QString& folder) {
        if (program.isEmpty()) {
            deliver(QStringLiteral("Error"));
            return;
        }
        process_.setProgram(program);
        process_.setArguments(arguments);
        process_.setWorkingDirectory(folder);
        process_.setProcessEnvironment(childEnvironment());
        process_.start();
        if (timeoutMs_ > 0) limit_.start(timeoutMs_);
    }

private:
    void read() {
        const QByteArray chunk = process_.readAllStandardOutput();
        const qsizetype room = LinuxLauncher::kCaptureLimit - output_.size();
        if (chunk.size() > room) {
            output_ += QByteArrayView(chunk).first(room);
            cut_ = true; // the rest is read and dropped, so the program is not blocked
        } else {
            output_ += chunk;
        }
    }

    void exited() {
        read();
        // Children that outlive the program after SIGTERM get their grace period.
        if (stopping_ && !killed_ && group_ > 0 && ::kill(-group_, 0) == 0) return;
        report();
    }

    void stop() {
        stopping_ = true;
        signalGroup(SIGTERM);
        grace_.start(kGraceMs);
    }

    void kill() {
        killed_ = true;
        signalGroup(SIGKILL);
        if (process_.state() == QProcess::NotRunning) report();
    }

    void signalGroup(int signal) {
        if (group_ <= 0) return;
        if (::kill(-group_, signal) != 0 && process_.state() != QProcess::NotRunning)
            ::kill(group_, signal);
    }

    void report() {
        limit_.stop();
        grace_.stop();
        QString text = decodeText(output_);
        const auto addLine = [&text](const QString& line) {
            if (!text.isEmpty() && !text.endsWith(u'\n')) text += u'\n';
            text += line + u'\n';
        };
        if (cut_) addLine(QStringLiteral("[output cut at 16 MiB]"));
        if (stopping_) {
            QString seconds = QLocale::c().toString(timeoutMs_ / 1000.0, 'f', 1);
            if (seconds.endsWith(u".0")) seconds.chop(2);
            addLine(QStringLiteral("[stopped after %1 s]").arg(seconds));
        }
        deliver(text);
    }

    // Always later, from the event loop, and only once.
    void deliver(const QString& text) {
        if (delivered_) return;
        delivered_ = true;
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                done_(text);
                deleteLater();
            },
            Qt::QueuedConnection);
    }

    const int timeoutMs_;
    std::function<void(const QString&)> done_;
    QProcess process_;
    QTimer limit_, grace_;
    QByteArray output_;
    pid_t group_ = 0;
    bool cut_ = false, stopping_ = false, killed_ = false, delivered_ = false;
};

// The desktop's proxy settings, as web access elsewhere on the system uses them.
class SystemProxies final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return systemProxyForQuery(query);
    }
};

} // namespace

LinuxLauncher::LinuxLauncher()
    : desktop_(std::make_unique<X11Desktop>()), context_(std::make_unique<QObject>()) {
    // Callbacks run on the thread of the application object.
    if (const QCoreApplication* app = QCoreApplication::instance())
        context_->moveToThread(app->thread());
    startedWindows_ = new StartedWindows(*desktop_, context_.get());
}

LinuxLauncher::~LinuxLauncher() = default;

int LinuxLauncher::shellExecute(const LaunchRequest& request) {
    const bool watch = request.show != ShowCommand::Normal;
    if (watch) startedWindows_->beforeStart();
    StartedProcesses started;
    const int code = execute(request, 0, started);
    if (watch)
        for (pid_t pid : std::as_const(started))
            startedWindows_->watch(pid, request.show);
    return code;
}

QString LinuxLauncher::defaultBrowserEntry() {
    const auto browser = defaultApplication({{QStringLiteral("x-scheme-handler/http")}});
    return browser ? browser->file : QString();
}

void LinuxLauncher::runAndCapture(const QString& file, const QString& parameters,
                                  const QString& folder, int timeoutMs,
                                  std::function<void(const QString&)> done) {
    QMetaObject::invokeMethod(
        context_.get(),
        [this, file, parameters, folder, timeoutMs, done] {
            QString program = expandTilde(file);
            if (program.contains(u'/') && QDir::isRelativePath(program) && !folder.isEmpty())
                program = QDir(expandTilde(folder)).absoluteFilePath(program);
            auto* capture = new Capture(context_.get(), timeoutMs, done);
            capture->start(findProgram(program), splitCommandLine(parameters),
                           workingFolder(folder));
        },
        Qt::QueuedConnection);
}

QNetworkAccessManager* LinuxLauncher::network() {
    if (!network_) {
        network_ = new QNetworkAccessManager(context_.get());
        network_->setProxyFactory(new SystemProxies);
    }
    return network_;
}

void LinuxLauncher::fetchUrlText(const QString& url, int timeoutMs,
                                 std::function<void(const QString&)> done) {
    QMetaObject::invokeMethod(
        context_.get(),
        [this, url, timeoutMs, done] {
            const QUrl target(url, QUrl::StrictMode);
            const QString scheme = target.scheme().toLower();
            if (!target.isValid() || (scheme != u"http" && scheme != u"https")) {
                done(QString());
                return;
            }
            QNetworkRequest request(target);
            request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                 QNetworkRequest::AlwaysNetwork);
            request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
            request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                 QNetworkRequest::NoLessSafeRedirectPolicy);
            request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Lorvanta"));

            QNetworkReply* reply = network()->get(request);
            struct State {
                QByteArray body;
                bool tooLong = false;
                bool delivered = false;
            };
            auto state = std::make_shared<State>();
            QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, state] {
                state->body += reply->readAll();
                if (state->body.size() > kFetchLimit) {
                    state->tooLong = true;
                    reply->abort();
                }
            });
            QObject::connect(reply, &QNetworkReply::finished, reply, [reply, state, done] {
                if (state->delivered) return;
                state->delivered = true;
                const int status =
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                const bool ok =
                    !state->tooLong && reply->error() == QNetworkReply::NoError && status == 200;
                if (ok) state->body += reply->readAll();
                reply->deleteLater();
                done(ok ? decodeText(state->body) : QString());
            });
            // A whole-request limit: the transfer timeout alone restarts with every byte.
            if (timeoutMs > 0) QTimer::singleShot(timeoutMs, reply, [reply] { reply->abort(); });
        },
        Qt::QueuedConnection);
}

} // namespace lorvanta::platform
