#include "execution.h"

#include "core/expand/expansion.h"
#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/list/candidatelist.h"
#include "core/settings/settingsfile.h"
#include "core/settings/setup.h"
#include "core/text/textkinds.h"
#include "core/util/seams.h"
#include "platform/platform.h"

#include <QFileInfo>

namespace lorvanta {

using platform::ShowCommand;

namespace {

const char16_t* const kListCommands[] = {
    u"$RECENT$",  u"$GROUPS$",    u"$TAGS$",     u"$CLIPBOARD$",  u"$APPS$",
    u"$HISTORY$", u"$KWHISTORY$", u"$NOTELIST$", u"$NOTESEARCH$", u"$PLUGINS$"};
// The words that open a page (the dispatcher passes them on and keeps the window).
const char16_t* const kPaneWords[] = {u"$B$",       u"$BN$",      u"$BROWSER$", u"$BROWSERNOFOCUS$",
                                      u"$BNEWWIN$", u"$BNEWFULL$"};
const char16_t* const kBrowserMarkers[] = {
    u"$B$",         u"$BN$",        u"$BROWSER$",     u"$BROWSERNOFOCUS$",
    u"$STARTPAGE$", u"$BSETFOCUS$", u"$BROWSERBACK$", u"$BROWSERFORWARD$"};

bool containsAny(const QString& text, std::span<const char16_t* const> words) {
    for (const char16_t* w : words)
        if (text.contains(QStringView(w), Qt::CaseInsensitive)) return true;
    return false;
}

ShowCommand showFromOpen(int open) {
    switch (open) {
    case 1:
        return ShowCommand::Minimized;
    case 2:
        return ShowCommand::Maximized;
    case 3:
        return ShowCommand::Hidden;
    default:
        return ShowCommand::Normal;
    }
}

} // namespace

Execution::Execution(const Setup& setup, const KeywordStore& store, History& history,
                     CandidateList& list, Expander& expander, BuiltinDispatch& dispatch,
                     platform::Platform& platform, ExecutionHost& host, ExecutionServices& services,
                     Scheduler& scheduler, SettingsFile* settings)
    : setup_(setup), store_(store), history_(history), list_(list), expander_(expander),
      dispatch_(dispatch), platform_(platform), host_(host), services_(services),
      scheduler_(scheduler), settings_(settings) {}

// ------------------------------------------------------------------ DoExecute

bool Execution::DoExecute(const QString& mycmdline, const ExecuteFlags& flagsIn) {
    ExecuteFlags flags = flagsIn;
    if (queueBehindRun(mycmdline, flags)) return true;
    if (!beginExecution(mycmdline, flags)) return false;
    const bool top = !flags.ischild;
    if (top && services_.CheckMinusCommand(mycmdline)) return false;
    if (top && holdsSeparator(mycmdline)) {
        runMultiCommand(mycmdline, nullptr, mycmdline, flags);
        return true;
    }
    if (flags.ischild && mycmdline.contains(u"$SKIP$", Qt::CaseInsensitive)) return true;

    Target t;
    t.input = expander_.ApplyInlineMarkers(mycmdline, false);
    t.keyword = resolveKeyword(t.input, flags);
    t.historyInput = t.input;
    if (t.keyword && !holdsSeparator(t.keyword->command)) {
        bool skip = false;
        forward(t.keyword, t.input, skip);
        if (skip) return true;
    }
    if (t.keyword && top && holdsSeparator(t.keyword->command)) {
        runMultiCommand(t.keyword->command, t.keyword, t.input, flags);
        return true;
    }
    t.parameters = parameterText(t.input);

    if (!flags.forcedexeword && store_.isTagName(t.input.trimmed())) {
        host_.showListForInput();
        return true;
    }
    if (const std::optional<bool> done = runCurrentItem(flags)) return *done;
    return runByText(t, flags);
}

bool Execution::queueBehindRun(const QString& line, const ExecuteFlags& flags) {
    // Tags started by a piece go at once, as they would from inside a busy run.
    if (flags.ischild || running_ == 0 || flags.tagDepth > 0) return false;
    queued_.append({line, flags});
    return true;
}

// False for an input that is not to run ("->...").
bool Execution::beginExecution(const QString& line, ExecuteFlags& flags) {
    const bool top = !flags.ischild;
    host_.stopListTimer();
    childExtraWait_ = 0;
    if (top) parentKeyword_ = nullptr;
    if (line.startsWith(u"->")) return false;
    if (!top && !flags.forcasync) flags.asyncpause = 0;
    if (top && setup_.dontwait) flags.forcasync = true;
    if (top && !flags.forceSilent) {
        host_.setFailColour(false);
        host_.selectInput(true);
    }
    return true;
}

bool Execution::holdsSeparator(const QString& text) const {
    return !setup_.separator.isEmpty() && text.contains(setup_.separator);
}

const TExeWord* Execution::resolveKeyword(QString& input, const ExecuteFlags& flags) {
    if (flags.forcedexeword) return flags.forcedexeword;
    const bool fuzzyOn = setup_.autofuzz > 0 || setup_.autoshort > 0;
    const TExeWord* exw = nullptr;
    // The chosen row decided the input only; a piece is the keyword's own text.
    if (fuzzyOn && !flags.ischild)
        if (const auto* fuzzy = dynamic_cast<const TMyFuzzyItem*>(list_.currentItem())) {
            input = fuzzy->name;
            if (const auto* w = dynamic_cast<const TExeWord*>(fuzzy->obj.get()))
                exw = store_.FindKeyword(w->DefaultKeyword(), true);
            else if (fuzzy->obj)
                list_.setCurrentItem(fuzzy->obj->Clone());
        }
    return exw ? exw : store_.FindKeyword(firstWord(input), true);
}

// The current item decides before the text does; nothing when it does not.
std::optional<bool> Execution::runCurrentItem(const ExecuteFlags& flags) {
    const TListObject* cur = flags.forcedexeword || flags.ischild ? nullptr : list_.currentItem();
    if (!cur) return std::nullopt;
    if (const auto* clip = dynamic_cast<const TMyClipItem*>(cur)) {
        if (!services_.useClip(*clip))
            host_.toast(QStringLiteral("The clipboard history is not available yet"));
        list_.clearCurrentItem();
        host_.selectInput(true);
        return true;
    }
    if (const auto* script = dynamic_cast<const TMyScriptItem*>(cur)) {
        const TMyScriptItem copy = *script;
        if (!services_.runScriptItem(copy, 0))
            host_.toast(QStringLiteral("Plugins are not available yet"));
        return true;
    }
    if (const auto* note = dynamic_cast<const TMyNoteItem*>(cur)) {
        if (!services_.openNote(*note))
            host_.toast(QStringLiteral("Note not found: ") + note->filename);
        return true;
    }
    if (const auto* win = dynamic_cast<const TMyWindowItem*>(cur)) {
        if (!services_.activateWindow(*win))
            host_.toast(QStringLiteral("The window list is not available yet"));
        return true;
    }
    if (const auto* shell = dynamic_cast<const TMyShellItem*>(cur))
        return openCurrentFile(TMyShellItem(*shell), flags);
    return std::nullopt;
}

// Only a top-level input has a chosen row to open.
bool Execution::openCurrentFile(const TMyShellItem& item, const ExecuteFlags& flags) {
    if (reportFailure(OpenShellItem(item, flags.forcerunas), item.path) <= 32) {
        failed(flags);
        return false;
    }
    if (!setup_.noindexhist && !flags.forcenohist)
        history_.AddToHistory(item.name, std::make_unique<TMyShellItem>(item), false, setup_);
    Aftercommand(flags.forcenosound);
    finishTopLevel(true);
    return true;
}

bool Execution::runByText(const Target& t, const ExecuteFlags& flags) {
    const bool typed = !flags.forcedexeword; // no keyword forced: the text decides
    const QString trimmed = t.input.trimmed();
    if (typed && !setup_.calcchar.isEmpty() && t.input.startsWith(setup_.calcchar.front()))
        return runCalculation(t.input, true, flags);
    if (typed && isUrl(trimmed)) {
        const int r =
            LaunchCommand(trimmed, {}, {}, nullptr, flags.forcerunas, false, flags.forcasync,
                          setup_.urlmaxed ? ShowCommand::Maximized : ShowCommand::Normal,
                          flags.asyncpause, flags.forcebrowser);
        return launchSucceeded(r, t.historyInput, flags);
    }
    const QString expanded = expander_.ExpandBasic(trimmed, false);
    if (typed && looksLikeFilePath(expanded)) {
        const int r =
            LaunchCommand(expanded, {}, {}, nullptr, flags.forcerunas, false, flags.forcasync,
                          ShowCommand::Normal, flags.asyncpause, flags.forcebrowser);
        return launchSucceeded(r, t.historyInput, flags);
    }
    if (t.keyword) return keywordLaunch(t, flags);
    if (!flags.ischild && setup_.autocalc && services_.hasCalculator() &&
        std::any_of(t.input.begin(), t.input.end(), [](QChar c) { return c.isDigit(); }) &&
        services_.calculate(t.input))
        return runCalculation(t.input, false, flags);
    return launchUnknown(t, flags);
}

bool Execution::launchUnknown(const Target& t, const ExecuteFlags& flags) {
    // A piece of a multi-command may name an indexed item.
    if (flags.ischild && resolvesInIndex())
        if (const auto item = ResolveInIndex(t.input))
            return reportFailure(OpenShellItem(*item, flags.forcerunas), item->path) > 32;
    const int r = LaunchCommand(expander_.ExpandBasic(firstWord(t.input), false).trimmed(),
                                t.parameters, {}, nullptr, flags.forcerunas, true, flags.forcasync,
                                ShowCommand::Normal, flags.asyncpause, flags.forcebrowser);
    return launchSucceeded(r, t.historyInput, flags);
}

bool Execution::launchSucceeded(int result, const QString& historyInput,
                                const ExecuteFlags& flags) {
    if (result <= 32) {
        failed(flags);
        return false;
    }
    if (!flags.ischild) {
        if (!flags.forcenohist) history_.AddToHistory(historyInput, nullptr, false, setup_);
        if (result != platform::result::InBrowser) Aftercommand(flags.forcenosound);
        finishTopLevel(true);
    }
    return true;
}

void Execution::failed(const ExecuteFlags& flags) {
    if (flags.ischild || flags.forceSilent) return;
    host_.setFailColour(true);
    host_.selectInput(false);
    if (!flags.forcenosound) PlayEventSound(0);
    finishTopLevel(false);
}

void Execution::finishTopLevel(bool success) {
    if (finished_) finished_(success);
}

bool Execution::runCalculation(const QString& input, bool prefixed, const ExecuteFlags& flags) {
    // The prefix is recognised by its first character, so that is what goes.
    const QString expr = prefixed ? input.mid(1) : input;
    const std::optional<QString> value = services_.calculate(expr);
    if (!services_.hasCalculator()) {
        host_.toast(QStringLiteral("The calculator is not available yet"));
        failed(flags);
        return false;
    }
    if (!value) {
        failed(flags);
        return false;
    }
    if (setup_.calcdisplaystyle == 1)
        host_.setNewWord(setup_.calcchar + *value);
    else if (setup_.calcdisplaystyle == 2)
        host_.setNewWord(input + QStringLiteral(" = ") + *value);
    else
        host_.inputDialog(QStringLiteral("Lorvanta - Calculation result"),
                          QStringLiteral("Result: "), *value);
    if (setup_.addcalculationtohistory && !flags.ischild)
        history_.AddToHistory(prefixed ? input : setup_.calcchar + input, nullptr, false, setup_);
    finishTopLevel(true);
    return true;
}

// ------------------------------------------------------------- forwarding

// Keyword forwarding: a keyword whose command names another keyword runs
// that one, with the parameters the command gives it.
void Execution::forward(const TExeWord*& exw, QString& input, bool& skip) {
    const QString c = exw->command;
    const QString p = parameterText(input);
    const QString t =
        leftTrimmed(Expander::ApplyDefaultBlock(expander_.ExpandBasic(c, true).trimmed(), p));
    const TExeWord* w = store_.FindKeyword(firstWord(t), true);
    if (!w || w == exw) return;
    if (c.contains(u"$SKIP$", Qt::CaseInsensitive)) {
        skip = true;
        return;
    }
    if (input.isEmpty()) input = w->DefaultKeyword();
    const auto expanded = [this](const QString& text, const QString& parameters) {
        return leftTrimmed(
            expander_.SubstituteParameters(expander_.ExpandBasic(text, false), parameters, true));
    };
    const auto withParameters = [&input](const QString& parameters) {
        input = firstWord(input) + u' ' + parameters;
    };

    bool forwarded = false, triedOwn = false;
    const bool stepThree = setup_.forwardlogic > 0 && !c.contains(u"$i$", Qt::CaseInsensitive) &&
                           !input.contains(u"$i$", Qt::CaseInsensitive);
    const QString tRest = parameterText(t);
    if (stepThree) {
        const QString fp = tRest.isEmpty() ? QString() : expanded(tRest, afterFirstSpace(input));
        if ((forwarded = !fp.isEmpty())) withParameters(fp);
        if (!forwarded && !exw->parameters.isEmpty()) {
            triedOwn = true;
            const QString own = expanded(exw->parameters, p);
            if ((forwarded = !own.isEmpty())) withParameters(own);
        }
    }
    if (!forwarded) {
        if (parameterText(input).isEmpty() && (tRest.isEmpty() || !stepThree))
            input = rightTrimmed(input) + u' ' + expanded(exw->parameters, QString());
        const QString cRest = parameterText(c);
        if (parameterText(input).isEmpty() && !cRest.isEmpty() && !triedOwn)
            input = rightTrimmed(input) + u' ' + expanded(cRest, QString());
    }
    exw = w;
}

// ---------------------------------------------------------- keyword launch

// The keyword's command as the launch works on it, and what the dispatcher
// and the launch made of it.
struct Execution::KeywordRun {
    QString command; // without its wait markers
    ShowCommand show = ShowCommand::Normal;
    int typingWait = 0, typingKind = 0;
    bool noaddhistory = false, noaftercommand = false;
    int result = 0;
};

LaunchPlan Execution::keywordPlan(const TExeWord& exw, const QString& command, const QString& p,
                                  bool appendTyped) {
    LaunchPlan plan;
    plan.file =
        expander_.SubstituteParameters(expander_.ExpandBasic(command, false), p, true).trimmed();
    plan.folder = expander_.SubstituteParameters(expander_.ExpandBasic(exw.path, false), p, true);
    plan.parameters =
        expander_.SubstituteParameters(expander_.ExpandBasic(exw.parameters, false), p, true);
    // The typed text is appended unless a marker in the keyword placed it.
    const auto marked = [&](const QString& field) {
        return expander_.SubstituteParameters(field, QStringLiteral("\x01"), false) != field;
    };
    const bool placed = marked(exw.parameters) || marked(command) || marked(exw.path);
    if (appendTyped && !placed) plan.parameters += p;
    return plan;
}

std::optional<LaunchPlan> Execution::planKeywordLaunch(const QString& line) {
    QString input = expander_.ApplyInlineMarkers(line, false);
    const TExeWord* exw = store_.FindKeyword(firstWord(input), true);
    if (!exw) return std::nullopt;
    bool skip = false;
    forward(exw, input, skip);
    QString command = exw->command;
    Expander::TakeWaitMarkers(command);
    return keywordPlan(*exw, command, parameterText(input), true);
}

bool Execution::keywordLaunch(const Target& t, const ExecuteFlags& flags) {
    const TExeWord& exw = *t.keyword;
    if (exw.command.contains(u"$SKIP$", Qt::CaseInsensitive)) return true;
    KeywordRun run;
    run.show = showFromOpen(exw.open);
    run.command = exw.command;
    Expander::TakeWaitMarkers(run.command);
    run.typingWait = Expander::TakeTypingMarkers(run.command, run.typingKind);
    if (containsAny(Expander::ApplyDefaultBlock(run.command, t.parameters), kListCommands))
        return showKeywordList(t, flags);
    if (flags.ischild &&
        (run.command.contains(u"$NOHIDE$", Qt::CaseInsensitive) || keepsForPane(run.command)))
        childKeep_ = true;
    if (!offerToDispatcher(exw, t.parameters, flags, run)) return false;
    if (run.result == 0) {
        // Without the pane a browser line is launched like any other line.
        if (!services_.hasBrowserPane() && containsAny(run.command, kPaneWords))
            run.noaftercommand = false;
        launchKeyword(exw, t.parameters, flags, run);
    }
    startAfterTimer();
    return keywordDone(t, flags, run);
}

bool Execution::showKeywordList(const Target& t, const ExecuteFlags& flags) {
    host_.showListForInput();
    if (!t.parameters.isEmpty() && host_.takeFirstCandidate(true)) {
        ExecuteFlags again = flags;
        again.forcedexeword = nullptr;
        return DoExecute(host_.inputText(), again);
    }
    if (setup_.inputfocusedworkflow == 1 && t.input.trimmed().isEmpty())
        host_.putBackInput(host_.inputText().trimmed() + u' ');
    return true;
}

// False when the line aborted on a bad number. A piece of a multi-command
// passes that on: the whole multi-command stops.
bool Execution::offerToDispatcher(const TExeWord& exw, const QString& p, const ExecuteFlags& flags,
                                  KeywordRun& run) {
    try {
        dispatch_.setTagDepth(flags.tagDepth);
        if (dispatch_.CheckDoInternalCMD(run.command, p, run.noaddhistory, run.noaftercommand,
                                         flags.iskeydown, &exw, false))
            run.result =
                dispatch_.lastLineFailed() ? platform::result::Failed : platform::result::Handled;
        return true;
    } catch (const InvalidInteger& e) {
        if (flags.ischild) throw;
        host_.messageBox(QStringLiteral("Lorvanta"), e.message());
        finishTopLevel(false);
        return false;
    }
}

void Execution::launchKeyword(const TExeWord& exw, const QString& p, const ExecuteFlags& flags,
                              KeywordRun& run) {
    const bool forced = flags.forcedexeword != nullptr;
    const LaunchPlan plan = keywordPlan(exw, run.command, p, !forced);
    // The expansion did all there was to do (put a selection into the box,
    // found nothing to run): the launch is done, and the box stays as it is.
    if (plan.file == kNothingToRun) {
        run.result = platform::result::Handled;
        run.noaftercommand = run.noaddhistory = true;
        return;
    }
    // A forced keyword (a hotkey, a start-up entry) runs synchronously,
    // without the browser, and without the typed text appended.
    run.result =
        LaunchCommand(plan.file, plan.parameters, plan.folder, &exw, exw.runas || flags.forcerunas,
                      false, !forced && flags.forcasync, run.show, forced ? 0 : flags.asyncpause,
                      !forced && flags.forcebrowser, exw.onlyone);
    if (forced && run.result <= 32 && flags.forcenohist)
        host_.messageBox(QStringLiteral("Lorvanta"), QStringLiteral("Seems broken.."));
}

bool Execution::keywordDone(const Target& t, const ExecuteFlags& flags, const KeywordRun& run) {
    const bool top = !flags.ischild;
    if (run.result <= 32) {
        failed(flags);
        return false;
    }
    if (flags.forcedexeword) {
        if (top) finishTopLevel(true);
        return true;
    }
    // History keeps the input as typed, before any forwarding.
    const QString typed = parameterText(t.historyInput);
    if (top && !run.noaddhistory && t.keyword->addtohistory && !flags.forcenohist)
        history_.AddToHistory(typed.isEmpty() ? firstWord(t.historyInput)
                                              : QString(firstWord(t.historyInput) + u' ' + typed),
                              nullptr, false, setup_);
    if (!run.noaftercommand && run.result != platform::result::InBrowser) {
        if (top) Aftercommand(flags.forcenosound);
        if (run.typingWait > 0 && !t.parameters.isEmpty() && !hasBrowserMarker(run.command))
            startTyping(*t.keyword, t.parameters, flags, run);
    }
    if (top) finishTopLevel(true);
    return true;
}

void Execution::startTyping(const TExeWord& exw, const QString& p, const ExecuteFlags& flags,
                            const KeywordRun& run) {
    const int kind = run.typingKind, wait = run.typingWait;
    // The extra wait is the typing's own; a piece's pause only delays its start.
    childExtraWait_ =
        kind >= 2 ? wait + 870 : std::max(wait + 1111, wait + 20 * int(p.size()) + 75);
    // The keyword is copied: it may be edited or removed before the typing.
    scheduler_.after(wait + flags.asyncpause, [this, p, kind, word = exw] {
        const TextTemplate t = expander_.ExpandTextTemplate(
            kind == 1 ? p + QStringLiteral("{BR}") : p, &word, kind >= 2);
        if (!services_.sendText(t.text, kind, t.richFile))
            host_.toast(QStringLiteral("Typing into other windows is not available yet"));
    });
}

bool Execution::hasBrowserMarker(const QString& text) {
    return containsAny(text, kBrowserMarkers);
}

bool Execution::keepsForPane(const QString& text) const {
    return services_.hasBrowserPane() && hasBrowserMarker(text);
}

void Execution::startAfterTimer() {
    // A power command of a multi-command waits until all its pieces ran.
    if (running_ > 0 || dispatch_.PendingAfterCommand().isEmpty() || afterTimerRunning_) return;
    afterTimerRunning_ = true;
    scheduler_.after(210, [this] {
        afterTimerRunning_ = false;
        if (!host_.closing()) dispatch_.runPending();
    });
}

// ------------------------------------------------------------ after-command

void Execution::Aftercommand(bool forcenosound) {
    if (!forcenosound) PlayEventSound(1);
    if (setup_.autodropdown && setup_.listbehaveslikedropdown) host_.hideListPane();
    if (setup_.hide) host_.hideWindow();
    if (settings_) settings_->WriteSettings(false);
    if (setup_.close) host_.closeProgram();
    if (setup_.autodropdown && !setup_.listbehaveslikedropdown)
        host_.refreshListQuietly(QStringLiteral("aftercommand"));
}

void Execution::PlayEventSound(int kind) {
    const QString& file = kind == 0   ? setup_.failsound
                          : kind == 1 ? setup_.successsound
                                      : setup_.alarmsound;
    if (file.isEmpty() || (kind < 2 && !setup_.usesound)) return;
    QString path = expander_.ExpandBasic(file, true);
    // A relative sound file is taken from the program's folder.
    if (QFileInfo(path).isRelative()) path = platform_.environment.programFolder() + path;
    if (QFileInfo::exists(path)) services_.playSoundFile(path);
}

} // namespace lorvanta
