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
    const bool top = !flags.ischild;
    // Tags started by a piece go at once, as they would from inside a busy run.
    if (top && running_ > 0 && flags.tagDepth == 0) {
        queued_.append({mycmdline, flags});
        return true;
    }
    host_.stopListTimer();
    childExtraWait_ = 0;
    if (top) parentKeyword_ = nullptr;
    if (mycmdline.startsWith(u"->")) return false;
    if (flags.ischild && !flags.forcasync) flags.asyncpause = 0;
    if (top && setup_.dontwait) flags.forcasync = true;
    if (!flags.ischild && !flags.forceSilent) {
        host_.setFailColour(false);
        host_.selectInput(true);
    }
    if (top && services_.CheckMinusCommand(mycmdline)) return false;
    if (top && !setup_.separator.isEmpty() && mycmdline.contains(setup_.separator)) {
        runMultiCommand(mycmdline, nullptr, mycmdline, flags);
        return true;
    }
    if (flags.ischild && mycmdline.contains(u"$SKIP$", Qt::CaseInsensitive)) return true;

    QString input = expander_.ApplyInlineMarkers(mycmdline, false);
    const TExeWord* exw = flags.forcedexeword;
    const bool fuzzyOn = setup_.autofuzz > 0 || setup_.autoshort > 0;
    if (!flags.forcedexeword && fuzzyOn)
        if (const auto* fuzzy = dynamic_cast<const TMyFuzzyItem*>(list_.currentItem())) {
            input = fuzzy->name;
            if (const auto* w = dynamic_cast<const TExeWord*>(fuzzy->obj.get()))
                exw = store_.FindKeyword(w->DefaultKeyword(), true);
            else if (fuzzy->obj)
                list_.setCurrentItem(fuzzy->obj->Clone());
        }
    if (!exw && !flags.forcedexeword) exw = store_.FindKeyword(firstWord(input), true);

    const QString historyInput = input;
    if (exw && !(setup_.separator.size() && exw->command.contains(setup_.separator))) {
        bool skip = false;
        forward(exw, input, skip);
        if (skip) return true;
    }
    if (exw && top && !setup_.separator.isEmpty() && exw->command.contains(setup_.separator)) {
        runMultiCommand(exw->command, exw, input, flags);
        return true;
    }
    const QString p = afterFirstSpace(input).trimmed();

    if (!flags.forcedexeword && store_.isTagName(input.trimmed())) {
        host_.showListForInput();
        return true;
    }

    // The current item decides before the text does.
    if (!flags.forcedexeword && list_.currentItem()) {
        const TListObject* cur = list_.currentItem();
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
        if (const auto* shell = dynamic_cast<const TMyShellItem*>(cur)) {
            const TMyShellItem item = *shell;
            const int r = OpenShellItem(item, flags.forcerunas);
            if (r > 32) {
                if (top && !setup_.noindexhist && !flags.forcenohist)
                    history_.AddToHistory(item.name, std::make_unique<TMyShellItem>(item), false,
                                          setup_);
                if (top) Aftercommand(flags.forcenosound);
                finishTopLevel(true);
                return true;
            }
            failed(flags);
            return false;
        }
    }

    const QString trimmed = input.trimmed();
    if (!flags.forcedexeword && !setup_.calcchar.isEmpty() &&
        input.startsWith(setup_.calcchar.front()))
        return runCalculation(input, true, flags);
    if (!flags.forcedexeword && isUrl(trimmed)) {
        const int r =
            LaunchCommand(trimmed, {}, {}, nullptr, flags.forcerunas, false, flags.forcasync,
                          setup_.urlmaxed ? ShowCommand::Maximized : ShowCommand::Normal,
                          flags.asyncpause, flags.forcebrowser);
        return launchSucceeded(r, historyInput, flags);
    }
    const QString expanded = expander_.ExpandBasic(trimmed, false);
    if (!flags.forcedexeword && looksLikeFilePath(expanded)) {
        const int r =
            LaunchCommand(expanded, {}, {}, nullptr, flags.forcerunas, false, flags.forcasync,
                          ShowCommand::Normal, flags.asyncpause, flags.forcebrowser);
        return launchSucceeded(r, historyInput, flags);
    }
    if (exw) return keywordLaunch(*exw, input, historyInput, p, flags);
    if (top && setup_.autocalc && services_.hasCalculator() &&
        std::any_of(input.begin(), input.end(), [](QChar c) { return c.isDigit(); }) &&
        services_.calculate(input))
        return runCalculation(input, false, flags);

    // Unknown input: a piece of a multi-command may name an indexed item.
    if (flags.ischild && setup_.resolveindexed != u"off" && setup_.resolveindexed != u"0")
        if (const auto item = ResolveInIndex(input))
            return OpenShellItem(*item, flags.forcerunas) > 32;
    const int r = LaunchCommand(expander_.ExpandBasic(firstWord(input), false).trimmed(), p, {},
                                nullptr, flags.forcerunas, true, flags.forcasync,
                                ShowCommand::Normal, flags.asyncpause, flags.forcebrowser);
    return launchSucceeded(r, historyInput, flags);
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

bool Execution::forward(const TExeWord*& exw, QString& input, bool& skip) {
    const QString c = exw->command;
    const QString p = afterFirstSpace(input).trimmed();
    const QString t =
        leftTrimmed(Expander::ApplyDefaultBlock(expander_.ExpandBasic(c, true).trimmed(), p));
    const TExeWord* w = store_.FindKeyword(firstWord(t), true);
    if (!w || w == exw) return false;
    if (c.contains(u"$SKIP$", Qt::CaseInsensitive)) {
        skip = true;
        return true;
    }
    if (input.isEmpty()) input = w->DefaultKeyword();

    bool forwarded = false, triedOwn = false;
    const bool stepThree = setup_.forwardlogic > 0 && !c.contains(u"$i$", Qt::CaseInsensitive) &&
                           !input.contains(u"$i$", Qt::CaseInsensitive);
    const QString tRest = afterFirstSpace(t).trimmed();
    if (stepThree) {
        if (!tRest.isEmpty()) {
            const QString fp = leftTrimmed(expander_.SubstituteParameters(
                expander_.ExpandBasic(tRest, false), afterFirstSpace(input), true));
            if (!fp.isEmpty()) {
                input = firstWord(input) + u' ' + fp;
                forwarded = true;
            }
        }
        if (!forwarded && !exw->parameters.isEmpty()) {
            triedOwn = true;
            const QString own = leftTrimmed(expander_.SubstituteParameters(
                expander_.ExpandBasic(exw->parameters, false), p, true));
            if (!own.isEmpty()) {
                input = firstWord(input) + u' ' + own;
                forwarded = true;
            }
        }
    }
    if (!forwarded) {
        if (afterFirstSpace(input).trimmed().isEmpty() && (tRest.isEmpty() || !stepThree))
            input = rightTrimmed(input) + u' ' +
                    leftTrimmed(expander_.SubstituteParameters(
                        expander_.ExpandBasic(exw->parameters, false), QString(), true));
        const QString cRest = afterFirstSpace(c).trimmed();
        if (afterFirstSpace(input).trimmed().isEmpty() && !cRest.isEmpty() && !triedOwn)
            input = rightTrimmed(input) + u' ' +
                    leftTrimmed(expander_.SubstituteParameters(expander_.ExpandBasic(cRest, false),
                                                               QString(), true));
    }
    exw = w;
    return true;
}

// ---------------------------------------------------------- keyword launch

std::optional<LaunchPlan> Execution::planKeywordLaunch(const QString& line) {
    QString input = expander_.ApplyInlineMarkers(line, false);
    const TExeWord* exw = store_.FindKeyword(firstWord(input), true);
    if (!exw) return std::nullopt;
    bool skip = false;
    forward(exw, input, skip);
    const QString p = afterFirstSpace(input).trimmed();
    QString command = exw->command;
    Expander::TakeWaitMarkers(command);
    LaunchPlan plan;
    plan.file =
        expander_.SubstituteParameters(expander_.ExpandBasic(command, false), p, true).trimmed();
    plan.folder = expander_.SubstituteParameters(expander_.ExpandBasic(exw->path, false), p, true);
    const QString params =
        expander_.SubstituteParameters(expander_.ExpandBasic(exw->parameters, false), p, true);
    // The typed text is appended unless a marker in the keyword placed it.
    const auto marked = [&](const QString& field) {
        return expander_.SubstituteParameters(field, QStringLiteral("\x01"), false) != field;
    };
    const bool placed = marked(exw->parameters) || marked(command) || marked(exw->path);
    plan.parameters = placed ? params : params + p;
    return plan;
}

bool Execution::keywordLaunch(const TExeWord& exw, const QString& input,
                              const QString& historyInput, const QString& p,
                              const ExecuteFlags& flags) {
    const bool top = !flags.ischild;
    const bool forced = flags.forcedexeword != nullptr;
    if (exw.command.contains(u"$SKIP$", Qt::CaseInsensitive)) return true;
    const ShowCommand show = showFromOpen(exw.open);
    QString command = exw.command;
    Expander::TakeWaitMarkers(command);
    int typingKind = 0;
    const int typingWait = Expander::TakeTypingMarkers(command, typingKind);

    if (containsAny(Expander::ApplyDefaultBlock(command, p), kListCommands)) {
        host_.showListForInput();
        if (!p.isEmpty() && host_.takeFirstCandidate(true)) {
            ExecuteFlags again = flags;
            again.forcedexeword = nullptr;
            return DoExecute(host_.inputText(), again);
        }
        if (setup_.inputfocusedworkflow == 1 && input.trimmed().isEmpty())
            host_.putBackInput(host_.inputText().trimmed() + u' ');
        return true;
    }
    if (flags.ischild &&
        (command.contains(u"$NOHIDE$", Qt::CaseInsensitive) || hasBrowserMarker(command)))
        childKeep_ = true;

    bool noaddhistory = false, noaftercommand = false;
    int result = 0;
    try {
        dispatch_.setTagDepth(flags.tagDepth);
        if (dispatch_.CheckDoInternalCMD(command, p, noaddhistory, noaftercommand, flags.iskeydown,
                                         &exw, false))
            result =
                dispatch_.lastLineFailed() ? platform::result::Failed : platform::result::Handled;
    } catch (const InvalidInteger& e) {
        host_.messageBox(QStringLiteral("Lorvanta"), e.message());
        if (top) finishTopLevel(false);
        return false;
    }
    if (result == 0) {
        const QString file =
            expander_.SubstituteParameters(expander_.ExpandBasic(command, false), p, true)
                .trimmed();
        const QString folder =
            expander_.SubstituteParameters(expander_.ExpandBasic(exw.path, false), p, true);
        const QString params =
            expander_.SubstituteParameters(expander_.ExpandBasic(exw.parameters, false), p, true);
        const auto marked = [&](const QString& field) {
            return expander_.SubstituteParameters(field, QStringLiteral("\x01"), false) != field;
        };
        const bool placed = marked(exw.parameters) || marked(command) || marked(exw.path);
        const QString a = forced || placed ? params : params + p;
        const bool runas = exw.runas || flags.forcerunas;
        if (forced)
            result = LaunchCommand(file, a, folder, &exw, runas, false, false, show, 0, false,
                                   exw.onlyone);
        else
            result = LaunchCommand(file, a, folder, &exw, runas, false, flags.forcasync, show,
                                   flags.asyncpause, flags.forcebrowser, exw.onlyone);
        if (forced && result <= 32 && flags.forcenohist)
            host_.messageBox(QStringLiteral("Lorvanta"), QStringLiteral("Seems broken.."));
    }
    startAfterTimer();
    if (result <= 32) {
        failed(flags);
        return false;
    }
    if (forced) {
        if (top) finishTopLevel(true);
        return true;
    }
    // History keeps the input as typed, before any forwarding.
    const QString typed = afterFirstSpace(historyInput).trimmed();
    if (top && !noaddhistory && exw.addtohistory && !flags.forcenohist)
        history_.AddToHistory(typed.isEmpty() ? firstWord(historyInput)
                                              : QString(firstWord(historyInput) + u' ' + typed),
                              nullptr, false, setup_);
    if (!noaftercommand && result != platform::result::InBrowser) {
        if (top) Aftercommand(flags.forcenosound);
        if (typingWait > 0 && !p.isEmpty() && !hasBrowserMarker(command)) {
            // The extra wait is the typing's own; a piece's pause only delays its start.
            childExtraWait_ =
                typingKind >= 2 ? typingWait + 870
                                : std::max(typingWait + 1111, typingWait + 20 * int(p.size()) + 75);
            scheduler_.after(typingWait + flags.asyncpause, [this, p, typingKind, exw] {
                const TextTemplate t = expander_.ExpandTextTemplate(
                    typingKind == 1 ? p + QStringLiteral("{BR}") : p, &exw, typingKind >= 2);
                if (!services_.sendText(t.text, typingKind, t.richFile))
                    host_.toast(QStringLiteral("Typing into other windows is not available yet"));
            });
        }
    }
    if (top) finishTopLevel(true);
    return true;
}

bool Execution::hasBrowserMarker(const QString& text) {
    return containsAny(text, kBrowserMarkers);
}

void Execution::startAfterTimer() {
    if (dispatch_.PendingAfterCommand().isEmpty() || afterTimerRunning_) return;
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
