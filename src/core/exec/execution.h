#pragma once

#include "executionhost.h"
#include "platform/launcher.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace lorvanta {

namespace platform {
struct Platform;
}
struct Setup;
class KeywordStore;
class History;
class CandidateList;
class Expander;
class Scheduler;
class SettingsFile;
class IndexCollection;
class TExeWord;
class TMyShellItem;

// The flags of one execution, as Enter and its modifiers give them.
struct ExecuteFlags {
    const TExeWord* forcedexeword = nullptr; // run this keyword whatever the input
    bool ischild = false;                    // one piece of a multi-command
    bool forcerunas = false;                 // Shift held: elevated
    bool iskeydown = false;                  // started by the Enter key
    bool forcenohist = false;
    bool forcasync = false;
    bool forcenosound = false;
    bool forcebrowser = false; // Alt held: in the browser pane
    int asyncpause = 0;
    bool forceSilent = false; // leave the input box alone
    int tagDepth = 0;         // tag launches that led here
};

// What a keyword launch would pass to the launcher (lorvanta-cli expand).
struct LaunchPlan {
    QString file, parameters, folder;
};

// Enter: turns the input line (or a forced keyword) into an action and
// reports success. Launches go through the platform launcher; waits between
// the pieces of a multi-command and background launches go through the
// scheduler, so the window never freezes.
class Execution {
public:
    Execution(const Setup& setup, const KeywordStore& store, History& history, CandidateList& list,
              Expander& expander, BuiltinDispatch& dispatch, platform::Platform& platform,
              ExecutionHost& host, ExecutionServices& services, Scheduler& scheduler,
              SettingsFile* settings);

    void setIndex(const IndexCollection* index) { index_ = index; }

    bool DoExecute(const QString& mycmdline, const ExecuteFlags& flags = {});
    // The launcher of one resolved target; a result code.
    int LaunchCommand(QString f, QString a, QString d, const TExeWord* keyword, bool runas,
                      bool retryAsDomain, bool async, platform::ShowCommand show,
                      int asyncpause = 0, bool forcebrowser = false, bool onlyone = false);
    int OpenShellItem(const TMyShellItem& item, bool runas);
    std::unique_ptr<TMyShellItem> ResolveInIndex(const QString& text) const;
    void Aftercommand(bool forcenosound);
    void PlayEventSound(int kind); // 0 failure, 1 success, 2 alarm

    // What the keyword launch of `input` would pass to the launcher, after
    // forwarding; nothing when the input names no keyword.
    std::optional<LaunchPlan> planKeywordLaunch(const QString& input);

    // Called when a top-level execution, multi-commands included, is over.
    void setFinishedHandler(std::function<void(bool success)> f) { finished_ = std::move(f); }
    // Whether a multi-command is still running its pieces. Top-level
    // executions that arrive meanwhile wait and run after it, in order, as
    // they would behind a window that is busy; keywords its pieces start
    // through $LAUNCHTAG$ do not wait.
    bool busy() const { return running_ > 0; }

    // Time limits of the capturing and fetching launches.
    static constexpr int kCaptureTimeoutMs = 60000;
    static constexpr int kFetchTimeoutMs = 20000;

private:
    struct MultiRun;
    struct KeywordRun;
    // One input on its way through the steps of an execution.
    struct Target {
        QString input;        // after the inline markers and forwarding
        QString historyInput; // before forwarding: what the history records
        QString parameters;   // the parameter text of `input`
        const TExeWord* keyword = nullptr;
    };

    // DoExecute's steps.
    bool queueBehindRun(const QString& line, const ExecuteFlags& flags);
    bool beginExecution(const QString& line, ExecuteFlags& flags);
    bool holdsSeparator(const QString& text) const;
    const TExeWord* resolveKeyword(QString& input, const ExecuteFlags& flags);
    std::optional<bool> runCurrentItem(const ExecuteFlags& flags);
    bool openCurrentFile(const TMyShellItem& item, const ExecuteFlags& flags);
    bool runByText(const Target& t, const ExecuteFlags& flags);
    bool launchUnknown(const Target& t, const ExecuteFlags& flags);
    void forward(const TExeWord*& exw, QString& input, bool& skip);

    // The keyword launch and its steps.
    bool keywordLaunch(const Target& t, const ExecuteFlags& flags);
    bool showKeywordList(const Target& t, const ExecuteFlags& flags);
    bool offerToDispatcher(const TExeWord& exw, const QString& p, const ExecuteFlags& flags,
                           KeywordRun& run);
    void launchKeyword(const TExeWord& exw, const QString& p, const ExecuteFlags& flags,
                       KeywordRun& run);
    LaunchPlan keywordPlan(const TExeWord& exw, const QString& command, const QString& p,
                           bool appendTyped);
    bool keywordDone(const Target& t, const ExecuteFlags& flags, const KeywordRun& run);
    void startTyping(const TExeWord& exw, const QString& p, const ExecuteFlags& flags,
                     const KeywordRun& run);

    // Multi-commands.
    // `callerLine` is the input line the multi-command runs for: its
    // parameter text goes to the pieces and it is what the history records.
    void runMultiCommand(const QString& line, const TExeWord* keyword, const QString& callerLine,
                         const ExecuteFlags& flags);
    void runQueued();
    void runPiece(std::shared_ptr<MultiRun> run);
    void finishRun(MultiRun& run);
    void abortRun(const InvalidInteger& error);
    // Whether the text holds a browser marker, and whether that keeps the
    // window for the pane.
    static bool hasBrowserMarker(const QString& text);
    bool keepsForPane(const QString& text) const;

    bool launchSucceeded(int result, const QString& historyInput, const ExecuteFlags& flags);
    void failed(const ExecuteFlags& flags);
    void startAfterTimer();
    void finishTopLevel(bool success);
    bool runCalculation(const QString& input, bool prefixed, const ExecuteFlags& flags);

    // LaunchCommand's steps.
    void resolveTarget(QString& f, QString& a, QString& d, bool& runas) const;
    void folderFromFile(QString& d, const QString& f) const;
    void splitProgram(QString& f, QString& a) const;
    int captureLaunch(QString& f, QString& a, QString& d);
    int urlTextLaunch(QString& f);
    // The browser's part of a launch: maintenance markers, a page in the
    // pane, separate windows, a lone click or focus. Its result code, or 0
    // when the rest of `f` is left to the shell launch.
    int browserLaunch(QString& f, const QString& a, const TExeWord* keyword, bool forcebrowser);
    int maintenanceLaunch(QString& f);
    int paneLaunch(QString& f, const QString& a, const TExeWord* keyword, bool forcebrowser);
    int pageActionLaunch(QString& f);
    // The shell launch with its retry as a domain and the index fallback;
    // a failure says why.
    int shellLaunchWithRetries(const QString& f, const QString& a, const QString& d, bool runas,
                               bool retryAsDomain, platform::ShowCommand show);
    int shellLaunch(const QString& f, const QString& a, const QString& d, bool runas,
                    platform::ShowCommand show);
    int reportFailure(int result, const QString& target);
    // Whether a failed launch may look for its text in the index (`resolveindexed`).
    bool resolvesInIndex() const;

    const Setup& setup_;
    const KeywordStore& store_;
    History& history_;
    CandidateList& list_;
    Expander& expander_;
    BuiltinDispatch& dispatch_;
    platform::Platform& platform_;
    ExecutionHost& host_;
    ExecutionServices& services_;
    Scheduler& scheduler_;
    SettingsFile* settings_;
    const IndexCollection* index_ = nullptr;
    std::function<void(bool)> finished_;

    // Multi-command state: the keyword whose pieces run, and what a piece asks of it.
    const TExeWord* parentKeyword_ = nullptr;
    int childExtraWait_ = 0;
    bool childKeep_ = false;
    bool afterTimerRunning_ = false;
    int running_ = 0;
    // Top-level executions that arrived while a multi-command ran.
    QList<std::pair<QString, ExecuteFlags>> queued_;
};

} // namespace lorvanta
