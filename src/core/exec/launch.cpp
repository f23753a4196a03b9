// The launcher behind execution: markers that route a launch (output
// capture, URL text, browser pane), the shell launch through the platform,
// its retries, and the pieces of multi-commands.

#include "core/expand/expansion.h"
#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/list/fuzzy.h"
#include "core/list/sources.h"
#include "core/settings/setup.h"
#include "core/text/programsearch.h"
#include "core/text/textkinds.h"
#include "core/util/seams.h"
#include "execution.h"
#include "platform/platform.h"

#include <QFileInfo>

namespace lorvanta {

using platform::ShowCommand;

namespace {

bool takeWord(QString& f, const char16_t* word) {
    return Expander::TakeMarker(f, QString::fromUtf16(word));
}

} // namespace

int Execution::LaunchCommand(QString f, QString a, QString d, const TExeWord* keyword, bool runas,
                             bool retryAsDomain, bool async, ShowCommand show, int asyncpause,
                             bool forcebrowser, bool onlyone) {
    // The window searches are the dispatcher's; what remains is launched.
    Expander::TakeBlock(f, QStringLiteral("$WFINDACTIVE$"));
    Expander::TakeBlock(f, QStringLiteral("$WFINDCLOSE$"));
    f = f.trimmed();
    resolveTarget(f, a, d, runas);
    if (onlyone && looksLikeFilePath(f) &&
        services_.bringRunningInstanceToFront(expandTilde(f, platform_.environment.homeFolder())))
        return platform::result::Handled;
    if (const int r = captureLaunch(f, a, d)) return r;
    if (const int r = urlTextLaunch(f)) return r;
    const QString withBrowserWords = f;
    if (const int r = browserLaunch(f, a, keyword, forcebrowser)) return r;
    // What the browser words leave is a program and its arguments.
    if (f != withBrowserWords) splitProgram(f, a);
    if (!async) return shellLaunchWithRetries(f, a, d, runas, retryAsDomain, show);
    // A background launch: reported at once, started after its pause.
    scheduler_.after(5 + asyncpause, [this, f, a, d, runas, retryAsDomain, show] {
        shellLaunchWithRetries(f, a, d, runas, retryAsDomain, show);
    });
    return platform::result::Async;
}

// The file, its arguments, its folder and whether it may be elevated, as
// the typed command means them.
void Execution::resolveTarget(QString& f, QString& a, QString& d, bool& runas) const {
    const QString home = platform_.environment.homeFolder();
    if (!setup_.explore.isEmpty() && QFileInfo(expandTilde(f, home)).isDir()) {
        QString program = expander_.ExpandBasic(setup_.explore, false).trimmed();
        if (!program.startsWith(u'"')) program = u'"' + program + u'"';
        f = program + QStringLiteral(" \"") + f + u'"';
    }
    bool quoted = false;
    if (f.startsWith(u'"')) {
        const qsizetype close = f.indexOf(u'"', 1);
        if (close > 0) {
            a = f.mid(close + 1).trimmed();
            f = f.mid(1, close - 1).trimmed();
            quoted = true;
        }
    }
    // A quoted file is whole: its blanks do not separate arguments.
    if (!quoted && !f.contains(u'$')) splitProgram(f, a);
    // A desktop entry opens with its own Exec line, never elevated.
    if (f.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive)) runas = false;
    folderFromFile(d, f);
}

// Without a folder of its own, a file starts in the folder it lies in.
void Execution::folderFromFile(QString& d, const QString& f) const {
    if (d.isEmpty() && looksLikeFilePath(f) && !setup_.dontsetdefaultdir)
        d = QFileInfo(expandTilde(f, platform_.environment.homeFolder())).absolutePath();
}

void Execution::splitProgram(QString& f, QString& a) const {
    // "program arguments" typed as one command: the first word is the
    // program when it is one, the rest its arguments.
    const QString home = platform_.environment.homeFolder();
    if (isUrl(f) || !f.contains(u' ') || QFileInfo::exists(expandTilde(f, home))) return;
    const QString word = f.section(u' ', 0, 0);
    // The terminal's name is a program even where none is installed by it.
    const bool program = word.contains(u'/')
                             ? QFileInfo(expandTilde(word, home)).isExecutable()
                             : word == platform::kTerminalName ||
                                   !findProgram(word, platform_.environment.searchPath()).isEmpty();
    if (!program && !looksLikeFilePath(word)) return;
    const QString rest = f.mid(word.size()).trimmed();
    a = a.isEmpty() ? rest : rest + u' ' + a;
    f = word;
}

// Output capture: the output arrives later; the window is never blocked for it.
int Execution::captureLaunch(QString& f, QString& a, QString& d) {
    const bool grabInput = takeWord(f, u"$GRABTOINPUT$");
    const bool grabList = takeWord(f, u"$GRABTOLIST$");
    const bool grabQuiet = takeWord(f, u"$GRABTOLISTNOFOCUS$");
    if (!grabInput && !grabList && !grabQuiet) return 0;
    f = f.trimmed();
    splitProgram(f, a);
    folderFromFile(d, f);
    // A program that is not there fails now, before anything is recorded.
    if (!f.contains(u'/') && findProgram(f, platform_.environment.searchPath()).isEmpty()) {
        host_.toast(QStringLiteral("Could not start: ") + f);
        return platform::result::Failed;
    }
    platform_.launcher.runAndCapture(f, a, d, kCaptureTimeoutMs,
                                     [this, grabInput, grabList, f](const QString& text) {
                                         if (text == u"Error") {
                                             host_.setFailColour(true);
                                             host_.toast(QStringLiteral("Could not start: ") + f);
                                         } else if (grabInput) {
                                             host_.setNewWord(text);
                                         } else {
                                             host_.showInfoText(text, grabList);
                                         }
                                     });
    return platform::result::Handled;
}

int Execution::urlTextLaunch(QString& f) {
    const bool urlInput = takeWord(f, u"$URLTOINPUT$");
    const bool urlList = takeWord(f, u"$URLTOLIST$");
    const bool urlQuiet = takeWord(f, u"$URLTOLISTNOFOCUS$");
    if (!urlInput && !urlList && !urlQuiet) return 0;
    platform_.launcher.fetchUrlText(f.trimmed(), kFetchTimeoutMs,
                                    [this, urlInput, urlList](const QString& text) {
                                        if (urlInput)
                                            host_.setNewWord(text);
                                        else
                                            host_.showInfoText(text, urlList);
                                    });
    return platform::result::Handled;
}

int Execution::browserLaunch(QString& f, const QString& a, const TExeWord* keyword,
                             bool forcebrowser) {
    if (const int r = maintenanceLaunch(f)) return r;
    if (const int r = paneLaunch(f, a, keyword, forcebrowser)) return r;
    return pageActionLaunch(f);
}

namespace {

// The browser's answer: done, or not (said, and a failure).
int browserOutcome(ExecutionHost& host, bool pane, bool done) {
    if (!done)
        host.toast(pane ? QStringLiteral("The browser pane could not do that")
                        : QStringLiteral("The browser pane is not available yet"));
    return done ? platform::result::Handled : platform::result::Failed;
}

} // namespace

// The maintenance markers; each ends the launch when nothing else remains.
int Execution::maintenanceLaunch(QString& f) {
    for (const char16_t* m : {u"$BROWSERFLUSHALL$", u"$BROWSERFLUSHCURRENT$", u"$BROWSEREND$",
                              u"$BROWSERCLEAR$", u"$BROWSERTOGGLE$"}) {
        if (!takeWord(f, m)) continue;
        // The rest is launched as written, without the blank the marker left.
        f = f.trimmed();
        const bool done = services_.browserMaintenance(QString::fromUtf16(m));
        if (f.isEmpty()) return browserOutcome(host_, services_.hasBrowserPane(), done);
    }
    return 0;
}

// A page in the pane, or in a window of its own. While there is no pane,
// the address opens in the user's browser instead.
int Execution::paneLaunch(QString& f, const QString& a, const TExeWord* keyword,
                          bool forcebrowser) {
    const auto has = [&f](const char16_t* m) {
        return f.contains(QStringView(m), Qt::CaseInsensitive);
    };
    const bool pane = forcebrowser || has(u"$BROWSER$") || has(u"$BROWSERNOFOCUS$") ||
                      has(u"$B$") || has(u"$BN$");
    const bool newWindow = !pane && (has(u"$BNEWWIN$") || has(u"$BNEWFULL$"));
    if (!pane && !newWindow) return 0;
    QString target = f;
    const std::optional<QString> click = Expander::TakeBlock(target, QStringLiteral("$BCLICK$"));
    const QString url = expander_.ExpandBasic(target, true).trimmed();
    if (!services_.hasBrowserPane()) {
        f = url;
        return 0;
    }
    if (newWindow) {
        if (services_.openBrowserWindow(url, has(u"$BNEWFULL$"))) return platform::result::Handled;
    } else {
        BrowserRequest r;
        r.focus = has(u"$BROWSER$") || has(u"$B$") || has(u"$BSETFOCUS$") ||
                  (forcebrowser && setup_.altenter > 0);
        r.connect = has(u"$BCONNECT$");
        r.noReload = has(u"$BNORELOAD$");
        r.click = click.value_or(QString());
        r.url = url;
        r.parameters = a;
        r.keyword = keyword ? keyword : parentKeyword_;
        r.input = host_.inputText();
        if (services_.openInBrowser(r))
            return forcebrowser ? platform::result::InBrowser : platform::result::Handled;
    }
    return browserOutcome(host_, true, false);
}

// A lone click block or focus request acts on the page already open.
int Execution::pageActionLaunch(QString& f) {
    QString rest = f;
    const std::optional<QString> click = Expander::TakeBlock(rest, QStringLiteral("$BCLICK$"));
    const bool focus = takeWord(rest, u"$BSETFOCUS$");
    if (!click && !focus) return 0;
    bool done = !click || services_.browserClick(*click);
    if (focus) done = services_.browserMaintenance(QStringLiteral("$BSETFOCUS$")) && done;
    f = rest.trimmed();
    return f.isEmpty() ? browserOutcome(host_, services_.hasBrowserPane(), done) : 0;
}

int Execution::shellLaunchWithRetries(const QString& f, const QString& a, const QString& d,
                                      bool runas, bool retryAsDomain, ShowCommand show) {
    int r = shellLaunch(f, a, d, runas, show);
    if (r <= 32 && retryAsDomain && isBareDomain(f))
        r = shellLaunch(QStringLiteral("https://") + f, a, d, false,
                        setup_.urlmaxed ? ShowCommand::Maximized : show);
    if (r <= 32 && resolvesInIndex())
        if (const auto item = ResolveInIndex(f)) r = OpenShellItem(*item, runas);
    return reportFailure(r, f);
}

int Execution::shellLaunch(const QString& f, const QString& a, const QString& d, bool runas,
                           ShowCommand show) {
    platform::LaunchRequest r;
    r.file = f;
    r.parameters = a;
    r.folder = d;
    r.show = show;
    r.elevated = runas;
    if (!isUrl(f)) return platform_.launcher.shellExecute(r);
    // An address opens as the user: an elevated browser would run as root.
    r.elevated = false;
    r.parameters = platform::quotedParameter(f);
    if (!setup_.simplebrowser && !setup_.browser.isEmpty()) {
        r.file = expander_.ExpandBasic(setup_.browser, true).trimmed();
        r.folder = QFileInfo(r.file).absolutePath();
        return platform_.launcher.shellExecute(r);
    }
    // The default browser's desktop entry runs by its own Exec line.
    if (const QString entry =
            setup_.simplebrowser ? QString() : platform_.launcher.defaultBrowserEntry();
        !entry.isEmpty()) {
        r.file = entry;
        r.folder.clear();
        return platform_.launcher.shellExecute(r);
    }
    // The desktop opens the address, in a window shown as usual. An address
    // without a scheme names none the desktop could route.
    r.parameters.clear();
    r.show = ShowCommand::Normal;
    if (f.startsWith(u"www.", Qt::CaseInsensitive)) r.file = QStringLiteral("https://") + f;
    return platform_.launcher.shellExecute(r);
}

// A failed launch says why, from its result code.
int Execution::reportFailure(int result, const QString& target) {
    if (result > 32) return result;
    QString why;
    switch (result) {
    case platform::result::FileNotFound:
    case platform::result::PathNotFound:
        why = QStringLiteral("File or folder not found: ");
        break;
    case platform::result::AccessDenied:
        why = QStringLiteral("Access denied: ");
        break;
    case platform::result::NoApplication:
        why = QStringLiteral("No application for this type of file or address: ");
        break;
    case platform::result::NoTerminal:
        host_.toast(QStringLiteral("No terminal found"));
        return result;
    default:
        why = QStringLiteral("Could not start: ");
    }
    host_.toast(why + target);
    return result;
}

int Execution::OpenShellItem(const TMyShellItem& item, bool runas) {
    platform::LaunchRequest r;
    r.file = item.path;
    r.elevated = runas && !item.path.endsWith(QStringLiteral(".desktop"));
    if (item.isSettingsPage()) {
        r.elevated = false;
        return platform_.launcher.shellExecute(r) > 32 ? platform::result::Handled
                                                       : platform::result::Failed;
    }
    return platform_.launcher.shellExecute(r);
}

bool Execution::resolvesInIndex() const {
    return setup_.resolveindexed != u"off" && setup_.resolveindexed != u"0";
}

std::unique_ptr<TMyShellItem> Execution::ResolveInIndex(const QString& text) const {
    if (!index_) return nullptr;
    const QString want = text.trimmed().toLower();
    // The index keeps names prepared for fuzzy search; the same preparation of
    // the text is a quick filter before the exact comparison.
    const QString wantPrepared = fuzzyPrepare(want);
    const bool shortcutsOnly = setup_.resolveindexed.compare(u"shortcut", Qt::CaseInsensitive) == 0;
    std::unique_ptr<TMyShellItem> last;
    for (size_t i = 0; i < index_->size(); ++i) {
        if (index_->names().prepared(i) != wantPrepared) continue;
        TMyShellItem item = index_->item(i);
        if (item.name.toLower() != want) continue;
        // Desktop entries play the part of shortcuts here.
        if (item.path.endsWith(QStringLiteral(".desktop")))
            return std::make_unique<TMyShellItem>(item);
        if (!shortcutsOnly) last = std::make_unique<TMyShellItem>(item);
    }
    return last;
}

// --------------------------------------------------------- multi-commands

struct Execution::MultiRun {
    QStringList pieces;
    QString parameters; // the text after the first space of the caller's line
    QString line;
    const TExeWord* keyword = nullptr;
    ExecuteFlags flags;
    bool async = false;
    bool keep = false;
    bool anySucceeded = false;
    bool anyFailed = false;
    int accumulated = 0;
    int next = 0;
};

void Execution::runMultiCommand(const QString& lineIn, const TExeWord* keyword,
                                const QString& callerLine, const ExecuteFlags& flags) {
    auto run = std::make_shared<MultiRun>();
    QString line = lineIn;
    run->async = Expander::TakeMarker(line, QStringLiteral("$ASYNC$"));
    run->keep = Expander::TakeMarker(line, QStringLiteral("$NOHIDE$")) || keepsForPane(line);
    childKeep_ = false;
    parentKeyword_ = keyword;
    run->pieces = line.split(setup_.separator);
    const qsizetype sp = callerLine.indexOf(u' ');
    run->parameters = sp < 0 ? QString() : callerLine.mid(sp + 1);
    run->line = callerLine;
    run->keyword = keyword;
    run->flags = flags;
    ++running_;
    runPiece(run);
}

void Execution::runQueued() {
    if (queued_.isEmpty() || running_ > 0) return;
    const auto [line, flags] = queued_.takeFirst();
    // A keyword removed while it waited is not run.
    if (!flags.forcedexeword || store_.indexOf(flags.forcedexeword) >= 0) DoExecute(line, flags);
    // A queued multi-command runs the rest when it is done; anything else ran now.
    if (running_ == 0) runQueued();
}

void Execution::runPiece(std::shared_ptr<MultiRun> run) {
    // The keyword may have been removed while the pieces waited.
    if (run->keyword && store_.indexOf(run->keyword) < 0) run->keyword = nullptr;
    parentKeyword_ = run->keyword;
    if (run->next >= run->pieces.size()) {
        finishRun(*run);
        return;
    }
    const bool last = run->next == run->pieces.size() - 1;
    QString piece = expander_.SubstituteParameters(
        expander_.ExpandBasic(leftTrimmed(run->pieces[run->next]), false), run->parameters, false);
    ++run->next;
    const int wait = Expander::TakeWaitMarkers(piece);
    // A piece takes only these of the caller's flags: not Alt's browser, not silence.
    ExecuteFlags child;
    child.forcenosound = run->flags.forcenosound;
    child.forcenohist = run->flags.forcenohist;
    child.iskeydown = run->flags.iskeydown;
    child.forcerunas = run->flags.forcerunas;
    child.tagDepth = run->flags.tagDepth;
    child.ischild = true;
    child.forcasync = run->async;
    child.asyncpause = wait + run->accumulated;
    bool ok = false;
    try {
        ok = DoExecute(piece, child);
    } catch (const InvalidInteger& e) {
        abortRun(e);
        return;
    }
    run->anySucceeded = run->anySucceeded || ok;
    run->anyFailed = run->anyFailed || !ok;
    if (childKeep_) run->keep = true;
    if (last) {
        runPiece(run);
        return;
    }
    const int extra = childExtraWait_;
    if (run->async) {
        run->accumulated += extra;
        scheduler_.after(100, [this, run] { runPiece(run); });
    } else {
        scheduler_.after(wait + run->accumulated + 100 + std::max(0, extra),
                         [this, run] { runPiece(run); });
    }
}

void Execution::finishRun(MultiRun& run) {
    --running_;
    ExecuteFlags f = run.flags;
    if (run.keyword && !f.forcenohist) f.forcenohist = !run.keyword->addtohistory;
    if (run.anySucceeded) {
        if (!f.forcenohist) history_.AddToHistory(run.line, nullptr, false, setup_);
        if (!run.keep) Aftercommand(f.forcenosound);
    } else {
        host_.setFailColour(true);
        host_.selectInput(false);
    }
    if ((run.anyFailed || !run.anySucceeded) && !f.forcenosound) PlayEventSound(0);
    if (run.anyFailed) host_.setFailColour(true);
    startAfterTimer();
    finishTopLevel(run.anySucceeded);
    scheduler_.after(0, [this] { runQueued(); });
}

// A bad number stops the whole multi-command: no later piece, no history,
// no after-command step, and no power command of an earlier piece.
void Execution::abortRun(const InvalidInteger& error) {
    --running_;
    host_.messageBox(QStringLiteral("Lorvanta"), error.message());
    dispatch_.dropPending();
    finishTopLevel(false);
    scheduler_.after(0, [this] { runQueued(); });
}

} // namespace lorvanta
