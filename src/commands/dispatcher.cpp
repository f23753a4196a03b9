#include "dispatcher.h"

#include "core/expand/expansion.h"
#include "core/ini/myinifiles.h"
#include "core/keywords/keywordstore.h"
#include "core/list/matching.h"
#include "core/settings/setup.h"
#include "platform/platform.h"

#include <QLocale>
#include <initializer_list>
#include <string_view>

namespace lorvanta {

int commandInteger(const QString& text) {
    int v = 0;
    if (!parseIniInteger(text.trimmed(), v)) throw InvalidInteger{text};
    return v;
}

CommandDispatcher::CommandDispatcher(const Setup& setup, const KeywordStore& store,
                                     Expander& expander, platform::Platform& platform,
                                     ExecutionHost& host, const DataFolder& folder,
                                     const Clock& clock, Random& random)
    : setup_(setup), store_(store), expander_(expander), platform_(platform), host_(host),
      folder_(folder), clock_(clock), random_(random) {
    registerOwnRows();
}

void CommandDispatcher::registerRow(const QString& name, RowHandler handler) {
    handlers_.insert(name, std::move(handler));
}

namespace {

// The enclosed form of a row's name and the line without it; nothing when
// the line holds no such block.
struct Enclosed {
    QString text, rest;
};
std::optional<Enclosed> enclosedForm(const QString& line, const QString& name) {
    Enclosed e{{}, line};
    const auto inner = Expander::TakeBlock(e.rest, name);
    if (!inner) return std::nullopt;
    e.text = *inner;
    return e;
}

// The subsystem of a command as the user knows it, with its verb, for the
// message of a command whose subsystem is not built yet.
QString featureOf(const CommandRow& row) {
    if (row.windowGate) return QStringLiteral("Window commands are");
    struct Group {
        const char16_t* feature;
        std::initializer_list<std::u16string_view> words;
    };
    static const Group groups[] = {
        {u"Notes are",
         {u"$NOTES$", u"$NOTEOPEN$", u"$CLIPBOARDTONOTES$", u"$ALLCLIPBOARDTONOTES$",
          u"$COPYTONOTES$"}},
        {u"The clipboard history is", {u"$SAVECLIPBOARD$", u"$CLEARCLIPBOARD$"}},
        {u"The browser pane is",
         {u"$BROWSERURL$", u"$BROWSEREXPAND$", u"$BROWSERWIN$", u"$BROWSERWINEXE$",
          u"$BROWSERWINFULL$", u"$STARTPAGE$", u"$BROWSERFORWARD$", u"$BROWSERBACK$",
          u"$BROWSERREFRESH$"}},
        {u"Pinning an image is", {u"$PIN$"}},
        {u"Reminders are", {u"$REMINDER$"}},
        {u"The stopwatch is", {u"$STOPWATCH$"}},
        {u"The countdown timer is", {u"$TIMER$"}},
        {u"The alarm is", {u"$ALARM$"}},
        {u"Text cleaning is",
         {u"$TEXTCLEAN$", u"$TEXTCLEANPASTE$", u"$TEXTCLEANPASTE2$", u"$TEXTREGEX$",
          u"$TEXTREGEXPASTE2$", u"$TEXTREGEXPASTE$"}},
        {u"Pasting into other windows is", {u"$PASTE1$", u"$PASTE2$", u"$PASTE3$", u"$PASTE4$"}},
        {u"Typing into other windows is",
         {u"$SENDTEXT$", u"$SENDTEXT2$", u"$SENDTEXT3$", u"$BACK$", u"$KEYS$", u"$SENDKEYS$"}},
        {u"The file index is", {u"$REFRESHINDEX$", u"$FLUSHUWP$"}},
        {u"The backup command is", {u"$BACKUP$"}},
        {u"Volume control is", {u"$VOLUMEDOWN$", u"$VOLUMEUP$", u"$VOLUME$", u"$MUTE$"}},
        {u"Media keys are", {u"$PAUSE$", u"$NEXT$", u"$PREV$", u"$PLAY$", u"$STOP$", u"$MEDIA$"}},
        {u"Ejecting drives is", {u"$EJECT$"}},
        {u"Mouse commands are",
         {u"$GETMOUSEPOS", u"$GETMOUSEPOSCOLOR", u"$SETMOUSEPOS", u"$MOUSELEFTCLICK",
          u"$MOUSECLICK", u"$MOUSERIGHTCLICK"}},
        {u"Moving the launcher window is", {u"$SETPOS$"}},
        {u"Incognito mode is", {u"$INCOGNITO$"}},
        {u"Settings commands are",
         {u"$SETDEFBROWSER$", u"$SETDEFEXPLORER$", u"$SETOPENTEXTKEYWORD$", u"$SETAUTOHIDE$",
          u"$SETSTAYONTOP$", u"$SETLOCKWINDOW$", u"$HOLDTEXT$", u"$GAMINGTWICE$",
          u"$GAMINGTWICESM$", u"$GAMINGWINOFF$", u"$SHOWPINNED$", u"$SETAUTOCENTER$"}},
    };
    for (const Group& g : groups)
        for (std::u16string_view word : g.words)
            if (word == row.name) return QString::fromUtf16(g.feature);
    return QStringLiteral("This command is");
}

} // namespace

bool CommandDispatcher::rowFires(const CommandRow& row, const QString& upper,
                                 const QString& line) const {
    const QString name = QString::fromUtf16(row.name);
    switch (row.match) {
    case RowMatch::WholeLine:
        return upper == name;
    case RowMatch::Alone:
        return upper.trimmed() == name;
    case RowMatch::Leading:
        return upper.startsWith(name);
    case RowMatch::Enclosed: {
        const auto block = enclosedForm(line, name);
        if (!block) return false;
        // Sound and click blocks act only as the whole line.
        const bool aloneOnly = name == u"$SOUND$" || name == u"$BCLICK$";
        return !aloneOnly || block->rest.trimmed().isEmpty();
    }
    case RowMatch::Substring:
    case RowMatch::Prefix:
    case RowMatch::Power:
        return upper.contains(name);
    }
    return false;
}

RowResult CommandDispatcher::runRow(const CommandRow& row, const CommandCall& call) {
    const QString name = QString::fromUtf16(row.name);
    if (const auto it = handlers_.constFind(name); it != handlers_.cend()) return (*it)(call);
    if (row.outcome & outcome::PassOn) return {};
    // A command whose subsystem is not built yet says so instead of pretending,
    // once for a line even when several of its words fire.
    const QString message = featureOf(row) + QStringLiteral(" not available yet");
    if (!toldUnavailable_.contains(message)) {
        host_.toast(message);
        toldUnavailable_.append(message);
    }
    RowResult r;
    r.keep = true;
    r.forceNoHistory = true;
    r.failed = true;
    return r;
}

bool CommandDispatcher::CheckDoInternalCMD(const QString& mycmdline, const QString& para,
                                           bool& noaddhistory, bool& noaftercommand, bool,
                                           const TExeWord* exw, bool forcebrowser) {
    const QString upper = QLocale().toUpper(mycmdline);
    QString currentName;
    CommandCall call{upper, mycmdline, para, exw, {}, {}, {}, {}};
    call.keywordArgument = [&](bool lower, bool trim) {
        const auto normalised = [&](QString a) {
            if (lower) a = a.toLower();
            return trim ? a.trimmed() : a;
        };
        if (exw) {
            const QString fromKeyword = expander_.SubstituteParameters(
                expander_.ExpandBasic(exw->parameters, false), para, false);
            if (!fromKeyword.isEmpty()) return normalised(fromKeyword);
        }
        return normalised(para);
    };
    call.secondArgument = [&] {
        return exw ? expander_.ApplyInlineMarkers(exw->parameters, true) : QString();
    };
    call.enclosed = [&] {
        const auto block = enclosedForm(mycmdline, currentName);
        return block ? block->text : QString();
    };
    call.restOfLine = [&] {
        const auto block = enclosedForm(mycmdline, currentName);
        return block ? block->rest : mycmdline;
    };

    failed_ = false;
    toldUnavailable_.clear();
    Outcome out;
    out.keep = noaftercommand;
    try {
        walk(upper, call, currentName, forcebrowser, out);
    } catch (const InvalidInteger&) {
        // An aborted line must not leave its power command to go off later.
        if (pending_ == upper) pending_.clear();
        throw;
    }
    noaftercommand = out.keep;
    noaddhistory = out.handled;
    if (out.forceNoHistory) noaddhistory = true;
    if (out.forceHistory) noaddhistory = false;
    if (noaftercommand && setup_.autodropdown && setup_.listbehaveslikedropdown)
        host_.hideListPane();
    return out.handled;
}

void CommandDispatcher::walk(const QString& upper, const CommandCall& call, QString& currentName,
                             bool forcebrowser, Outcome& out) {
    const bool windowGate = upper.contains(u"$W");
    bool powerStored = false;
    for (const CommandRow& row : commandTable()) {
        if (row.windowGate && !windowGate) continue;
        const bool browserRow = QStringView(row.name) == u"$BROWSER$";
        if (!rowFires(row, upper, call.line) && !(browserRow && forcebrowser)) continue;
        if (row.match == RowMatch::Power) {
            if (powerStored) continue;
            powerStored = true;
            pending_ = upper;
            out.handled = true;
            continue;
        }
        currentName = QString::fromUtf16(row.name);
        if (row.outcome & outcome::Handled) out.handled = true;
        if (row.outcome & outcome::PassOn) out.handled = false;
        if (row.outcome & outcome::Keep) out.keep = true;
        if (row.outcome & outcome::NoHistory) out.forceNoHistory = true;
        if (row.outcome & outcome::History) out.forceHistory = true;
        const RowResult r = runRow(row, call);
        if (r.handled) out.handled = *r.handled;
        if (r.keep) out.keep = *r.keep;
        out.forceHistory = (out.forceHistory || r.forceHistory) && !r.cancelForcedHistory;
        out.forceNoHistory = out.forceNoHistory || r.forceNoHistory;
        failed_ = failed_ || r.failed;
    }
}

bool CommandDispatcher::CheckDoInternalCMDAfter(const QString& mycmdline) {
    const QString line = mycmdline; // may be pending_ itself
    pending_.clear();
    bool ran = false;
    const auto power = [&](platform::PowerAction action, const char* what) {
        ran = true;
        if (!platform_.system.power(action))
            host_.toast(
                QStringLiteral("The session manager did not %1").arg(QString::fromLatin1(what)));
    };
    if (line.contains(u"$LOGOFF$") || line.contains(u"$SIGNOUT$"))
        power(platform::PowerAction::LogOut, "log out");
    if (line.contains(u"$STANDBY$")) power(platform::PowerAction::Suspend, "suspend");
    if (line.contains(u"$HIBERNATE$")) power(platform::PowerAction::Hibernate, "hibernate");
    if (line.contains(u"$RESTART$")) power(platform::PowerAction::Reboot, "restart");
    if (line.contains(u"$SHUTDOWN$")) power(platform::PowerAction::PowerOff, "shut down");
    if (line.contains(u"$MONITOR$")) {
        ran = true;
        if (!platform_.system.monitorOff())
            host_.toast(QStringLiteral("The monitor could not be switched off"));
    }
    if (line.contains(u"$QUIT$")) {
        ran = true;
        host_.closeProgram();
    }
    return ran;
}

void CommandDispatcher::runPending() {
    if (host_.closing() || pending_.isEmpty()) return;
    CheckDoInternalCMDAfter(pending_);
}

} // namespace lorvanta
