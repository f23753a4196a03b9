#include "candidatelist.h"

#include "core/expand/expansion.h"
#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/setup.h"
#include "core/text/desktopentry.h"
#include "core/text/envexpand.h"
#include "core/text/programsearch.h"
#include "core/text/textkinds.h"
#include "emitter.h"
#include "folderlisting.h"
#include "platform/environment.h"

#include <QDir>
#include <QFileInfo>

namespace lorvanta {

const QStringList kMinusCommands = {
    QStringLiteral("-s"),         QStringLiteral("-k"),      QStringLiteral("-a"),
    QStringLiteral("-x"),         QStringLiteral("-?"),      QStringLiteral("-n"),
    QStringLiteral("-an"),        QStringLiteral("-i"),      QStringLiteral("-if"),
    QStringLiteral("-is"),        QStringLiteral("-export"), QStringLiteral("-v"),
    QStringLiteral("-m"),         QStringLiteral("-p"),      QStringLiteral("-pf"),
    QStringLiteral("-ab"),        QStringLiteral("-edit"),   QStringLiteral("-folder"),
    QStringLiteral("-exefolder"), QStringLiteral("-report"), QStringLiteral("-skin"),
    QStringLiteral("-c")};

QString minusCommandOf(const QString& line) {
    const QString word = line.trimmed().section(u' ', 0, 0).toLower();
    return kMinusCommands.contains(word) ? word : QString();
}

CandidateList::CandidateList(const Setup& setup, const KeywordStore& store, const History& history,
                             const Pinned& pinned, const platform::Environment& env,
                             ListSources sources)
    : setup_(setup), store_(store), history_(history), pinned_(pinned), env_(env),
      sources_(sources) {}

CandidateList::~CandidateList() = default;

bool CandidateList::fuzzyKeywordsOn() const {
    return setup_.autofuzz > 0 || setup_.autoshort > 0;
}
bool CandidateList::fuzzyIndexOn() const {
    return setup_.autofuzz > 1 || setup_.autoshort > 1;
}

void CandidateList::BuildListContent(const InputState& in, bool matchall, bool reverse, bool,
                                     const QString& forceinput) {
    rows_.clear();
    keptPrefix_.clear();
    special_ = pinnedRan_ = false;
    contains_ = reverse;
    const QString& input = in.text;
    // Only the command after the last separator is listed (unless the caret
    // stands in an earlier one), and a path typed as a parameter on its own.
    InputSegment segment = currentSegment(input, in.caretPos(), setup_.separator);
    keptPrefix_ = segment.kept;
    QString search = std::move(segment.text);
    int caret = segment.caret;
    if (!forceinput.isEmpty())
        search = forceinput;
    else if (matchall)
        search.clear();
    else
        search = search.left(caret);

    const bool inputIsTag = store_.isTagName(input);
    if (inputIsTag) search = input.trimmed();
    search_ = search;

    if (search.isEmpty() && incognitoSuppresses(setup_, u"3")) return;
    if (search.isEmpty() && incognitoSuppresses(setup_, u"7")) {
        addPinned();
        return;
    }
    if (inputIsTag && setup_.listisolatetags) {
        addTagKeywords();
        return;
    }

    const QString word = firstWord(input);
    const TExeWord* w = store_.FindKeyword(word, true);
    const bool pluginQuery = sources_.plugins && forceinput.isEmpty() && in.selLength <= 0 &&
                             sources_.plugins->addressesPlugin(input);
    if (pluginQuery) {
        special_ = true;
        sources_.plugins->addResults(input, rows_);
    } else if (word == u"-p" || (w && w->command.contains(u"$PLUGINS$", Qt::CaseInsensitive))) {
        special_ = true;
        if (sources_.plugins) sources_.plugins->addManagement(rows_);
    } else if (w && forceinput.isEmpty()) {
        // While a completion of one or two typed letters is shown, the
        // keyword is not settled yet and its special list would flash up.
        const int pos = in.selLength > 0 ? in.selStart : in.caretPos();
        const bool completing = pos <= 2 && pos != input.size() && in.selLength != input.size();
        if (!completing)
            if (const Special kind = specialFor(*w); kind != Special::None) runSpecial(kind, input);
    }
    if (!forceinput.isEmpty()) runFolderListing(forceinput, input);

    if (special_ && setup_.specialsolo && !contains_) return;
    if (setup_.searchtype == 1) contains_ = true;
    runStandardSources(search.isEmpty());
}

CandidateList::Special CandidateList::specialFor(const TExeWord& w) const {
    const auto has = [&](QStringView marker) {
        return w.command.contains(marker, Qt::CaseInsensitive);
    };
    if (has(u"$RECENT$")) return Special::Recent;
    if (has(u"$TAGS$") || has(u"$GROUPS$")) return Special::Tags;
    if (has(u"$APPS$")) return Special::Apps;
    if (has(u"$CLIPBOARD$")) return Special::Clipboard;
    if (has(u"$NOTELIST$")) return Special::Notes;
    if (has(u"$NOTESEARCH$")) return Special::NoteSearch;
    if (has(u"$PLUGINS$")) return Special::Plugins;
    if (has(u"$KWHISTORY$")) return Special::KeywordHistory;
    if (has(u"$HISTORY$")) return Special::HistoryOnly;
    return Special::None;
}

void CandidateList::runSpecial(Special kind, const QString& input) {
    special_ = true;
    const bool historyOn = setup_.drophistory;
    const bool noParameter = parameterText(input).isEmpty();
    switch (kind) {
    case Special::Recent: {
        Emitter e(*this, headerRow(QStringLiteral("Recent docs")), false, false);
        if (sources_.recent)
            for (TMyShellItem& item : sources_.recent->recent()) {
                QString name = item.name;
                e.add(std::move(name), std::make_unique<TMyShellItem>(std::move(item)));
            }
        rerankSpecial(input, e.header);
        return;
    }
    case Special::Tags: {
        if (incognitoSuppresses(setup_, u"6")) return;
        Emitter e(*this, headerRow(QStringLiteral("Tags")), true, false);
        for (const QString& tag : store_.tagList())
            if (!e.add(tag)) break;
        rerankSpecial(input, e.header);
        return;
    }
    case Special::Apps: {
        Emitter e(*this, headerRow(QStringLiteral("Applications")), false, false);
        if (sources_.windows)
            for (TMyWindowItem& win : sources_.windows->windows())
                if (!win.name.isEmpty()) e.add(win.name, std::make_unique<TMyWindowItem>(win));
        rerankSpecial(input, e.header);
        return;
    }
    case Special::Clipboard: {
        Emitter e(*this, headerRow(QStringLiteral("Clipboard")), false, false);
        if (sources_.clips)
            for (TMyClipItem& clip : sources_.clips->clips())
                e.add(clip.clipb, std::make_unique<TMyClipItem>(clip));
        rerankSpecial(input, e.header);
        return;
    }
    case Special::Notes: {
        Emitter e(*this, headerRow(QStringLiteral("Notes")), false, false);
        if (sources_.notes)
            for (TMyNoteItem& note : sources_.notes->notes())
                e.add(note.name, std::make_unique<TMyNoteItem>(note));
        rerankSpecial(input, e.header);
        return;
    }
    case Special::NoteSearch: {
        const QString text = parameterText(input);
        Emitter e(*this,
                  text.isEmpty() ? headerRow(QStringLiteral("Notes"))
                                 : QStringLiteral("===== Notes containing \"") + text +
                                       QStringLiteral("\" ====="),
                  false, setup_.comboheaders);
        if (sources_.notes && !text.isEmpty())
            for (TMyNoteItem& note : sources_.notes->search(text))
                e.add(note.name, std::make_unique<TMyNoteItem>(note));
        return;
    }
    case Special::Plugins:
        if (sources_.plugins) sources_.plugins->addManagement(rows_);
        return;
    case Special::KeywordHistory: {
        if (!historyOn) return;
        Emitter e(*this, headerRow(QStringLiteral("History")), false, false);
        for (const HistoryEntry& h : history_.entries())
            if (store_.KeywordExistsEx(firstWord(h.text), true, true))
                e.add(h.text, h.item ? h.item->Clone() : nullptr);
        rerankSpecial(input, e.header);
        return;
    }
    case Special::HistoryOnly: {
        if (!historyOn || incognitoSuppresses(setup_, u"2") || incognitoSuppresses(setup_, u"4"))
            return;
        Emitter e(*this, headerRow(QStringLiteral("History")), noParameter, false);
        for (const HistoryEntry& h : history_.entries())
            if (!e.add(h.text, h.item ? h.item->Clone() : nullptr)) break;
        rerankSpecial(input, e.header);
        return;
    }
    case Special::None:
        return;
    }
}

void CandidateList::runFolderListing(const QString& folder, const QString& input) {
    special_ = true;
    QString shown = expandEnvironmentVariables(folder, env_);
    const QString resolved = resolveTypedPath(shown, env_.homeFolder());
    if (QFileInfo(resolved).isFile()) shown = QFileInfo(shown).path();
    QString listed = shown;
    if (!listed.endsWith(u'/')) listed += u'/';
    Emitter e(*this, headerRow(shown), false, false);
    for (FolderEntry& entry : listTypedPath(listed, env_.homeFolder(), setup_.ignorenetwork))
        e.add(std::move(entry.text), std::make_unique<TMyShellItem>(std::move(entry.item)));
    rerankSpecial(input, e.header);
}

void CandidateList::rerankSpecial(const QString& input, const QString& header) {
    const QString param = parameterText(input);
    if (!param.isEmpty()) {
        FuzzySearch(param, 0, false, 1);
        rows_.clear();
        for (const ListRow& s : suggestions_.rows()) {
            // Plain texts were wrapped only for ranking.
            const bool plain = dynamic_cast<const TMySimpleItem*>(s.object.get()) != nullptr;
            rows_.append(s.text, plain ? nullptr : CloneListObject(s.object.get()));
        }
    }
    if (setup_.comboheaders && !rows_.empty()) rows_.insert(0, header);
}

// ------------------------------------------------------------------ paths

QString CandidateList::GetPathFromItem(const QString& input, bool inclfilename) const {
    const TListObject* cur = current_.get();
    const auto* fuzzy = dynamic_cast<const TMyFuzzyItem*>(cur);
    if (fuzzy) cur = fuzzy->obj.get();
    const QString home = env_.homeFolder();

    QString path;
    if (const auto* shell = dynamic_cast<const TMyShellItem*>(cur)) {
        path = expandEnvironmentVariables(shell->path, env_);
        // A desktop entry stands for the program it starts.
        if (path.endsWith(QStringLiteral(".desktop")))
            if (const auto entry = readDesktopEntry(path)) {
                const QStringList args = execArguments(entry->exec);
                if (!args.isEmpty()) {
                    const QString program = args.first().contains(u'/')
                                                ? args.first()
                                                : findProgram(args.first(), env_.searchPath());
                    if (!program.isEmpty()) path = program;
                }
            }
    } else {
        const TExeWord* w = dynamic_cast<const TExeWord*>(cur);
        if (!w) w = store_.FindKeyword(input.trimmed(), true);
        if (w)
            path = expander_ ? expander_->CommandPath(w->command, parameterText(input))
                             : expandEnvironmentVariables(w->command, env_);
        if (!looksLikeFilePath(path)) path = expandEnvironmentVariables(input.trimmed(), env_);
    }
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
        path = path.mid(1, path.size() - 2);
    if (!looksLikeFilePath(path)) return path;

    const QString local = resolveTypedPath(path, home);
    if (QFileInfo(local).isDir()) return path.endsWith(u'/') ? path : path + u'/';
    if (inclfilename) return path;
    return path.left(path.lastIndexOf(u'/') + 1);
}

} // namespace lorvanta
