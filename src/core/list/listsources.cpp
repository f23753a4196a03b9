// The standard sources of the candidate list, in the order the list runs them.

#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/text/textkinds.h"
#include "emitter.h"
#include "folderlisting.h"
#include "fuzzy.h"
#include "matching.h"
#include "platform/environment.h"

namespace lorvanta {

namespace {

// Index items whose names look like helpers of an application rather than
// the application: listed after the others.
const char16_t* const kHeldBack[] = {
    u"manual", u"read ",  u"readm",   u"repair", u"setup",  u"website",  u"homepage", u"regist",
    u"update", u"config", u"check ",  u"guide",  u"help",   u"user ",    u"forum",    u" web",
    u"order ", u"remove", u"support", u"buy ",   u"safe m", u"documenta"};

} // namespace

void CandidateList::runStandardSources(bool searchEmpty) {
    if (searchEmpty) addPinned();
    addPluginKeywords();
    if (!setup_.commandslast) addMinusCommands();
    const QStringList order = sourceOrder(setup_.comboorder);
    for (int i = 0; i < std::min<qsizetype>(4, order.size()); ++i)
        runSource(order[i]);
    if (setup_.commandslast) addMinusCommands();
}

void CandidateList::runSource(const QString& name) {
    const auto is = [&](const char16_t* n) {
        return name.compare(QStringView(n), Qt::CaseInsensitive) == 0;
    };
    if (is(u"History")) {
        addHistory();
    } else if (is(u"Keywords")) {
        addKeywords();
    } else if (is(u"File system")) {
        addFileSystem();
    } else if (is(u"Indexed items")) {
        if (fuzzyKeywordsOn() && !suggestions_.empty() && !incognitoSuppresses(setup_, u"4"))
            addSuggestions();
        addIndexed();
    }
}

void CandidateList::addPinned() {
    if (!setup_.pinnedshow || incognitoSuppresses(setup_, u"p") ||
        incognitoSuppresses(setup_, u"4"))
        return;
    pinnedRan_ = true;
    Emitter e(*this, headerRow(QStringLiteral("Pinned")), true,
              setup_.comboheaders && setup_.pinnedheader);
    addEntries(pinned_.entries(), e);
}

void CandidateList::addEntries(const std::vector<HistoryEntry>& entries, Emitter& e) {
    const ExclusionFilter filter(setup_);
    for (const HistoryEntry& h : entries) {
        if (!textMatch(h.text, search_, contains_) || filter.dropsFromList(h.text)) continue;
        std::unique_ptr<TListObject> item = h.item ? h.item->Clone() : nullptr;
        if (setup_.noduplicates && rows_.isDuplicate(h.text, item.get())) continue;
        if (!e.add(h.text, std::move(item))) break;
    }
}

void CandidateList::addPluginKeywords() {
    if (!sources_.plugins || search_.isEmpty() || search_.contains(u' ')) return;
    Emitter e(*this, headerRow(QStringLiteral("Plugins")), false, setup_.comboheaders);
    for (const QString& k : sources_.plugins->pluginKeywords()) {
        const bool match = contains_ ? k.contains(search_, Qt::CaseInsensitive)
                                     : k.startsWith(search_, Qt::CaseInsensitive);
        if (!match || store_.FindKeyword(k, false)) continue;
        if (setup_.noduplicates && rows_.isDuplicate(k, nullptr)) continue;
        e.add(k);
    }
}

void CandidateList::addMinusCommands() {
    if (!search_.startsWith(u'-')) return;
    Emitter e(*this, headerRow(QStringLiteral("Commands")), false, setup_.comboheaders);
    for (const QString& c : kMinusCommands)
        e.add(c);
}

void CandidateList::addHistory() {
    if (!setup_.drophistory || incognitoSuppresses(setup_, u"2") ||
        incognitoSuppresses(setup_, u"4"))
        return;
    Emitter e(*this, headerRow(QStringLiteral("History")), true, setup_.comboheaders);
    addEntries(history_.entries(), e);
}

void CandidateList::addKeywords() {
    if (!setup_.dropwords || incognitoSuppresses(setup_, u"4")) return;
    const bool anyTags = !store_.tagList().isEmpty();
    Emitter e(*this, headerRow(QStringLiteral("Keywords")), true, setup_.comboheaders);
    for (int i = 0; i < store_.size(); ++i) {
        const TExeWord& w = store_.at(i);
        if (w.disabled) continue;
        QString text = keywordMatch(w, search_, contains_);
        if (text.isNull() && anyTags && hasTag(w, search_)) text = w.DefaultKeyword();
        if (text.isNull()) continue;
        if (setup_.noduplicates && rows_.isDuplicate(text, nullptr)) continue;
        if (!e.add(text)) break;
    }
}

void CandidateList::addFileSystem() {
    if (!setup_.dropfilesystem || incognitoSuppresses(setup_, u"5") || !looksLikeFilePath(search_))
        return;
    const ExclusionFilter filter(setup_);
    Emitter e(*this, headerRow(QStringLiteral("File system")), false, setup_.comboheaders);
    for (FolderEntry& f : listTypedPath(search_, env_.homeFolder(), setup_.ignorenetwork)) {
        if (filter.dropsFromList(f.text, true)) continue;
        e.add(std::move(f.text), std::make_unique<TMyShellItem>(std::move(f.item)));
    }
}

void CandidateList::addSuggestions() {
    const ExclusionFilter filter(setup_);
    Emitter e(*this, headerRow(QStringLiteral("Suggestions")), true, setup_.comboheaders);
    for (const ListRow& s : suggestions_.rows()) {
        if (filter.dropsFromList(s.text)) continue;
        if (setup_.noduplicates && rows_.isDuplicate(s.text, s.object.get())) continue;
        if (!e.add(s.text, CloneListObject(s.object.get()))) break;
    }
}

void CandidateList::addIndexed() {
    const IndexCollection* index = sources_.index;
    if (!index || index->size() == 0) return;
    const bool folders = index->hasIndexFolders();
    if (!(setup_.dropprograms || folders) || search_.isEmpty() || incognitoSuppresses(setup_, u"4"))
        return;
    // Fuzzy suggestions stand in for the index list when they cover it.
    if (folders && fuzzyIndexOn() && setup_.autoshortalways) return;

    const ExclusionFilter filter(setup_);
    const QString needle = search_.toLower();
    const quint64 needleMask = fuzzyCharMask(needle);
    std::vector<TMyShellItem> helpers, installers;
    Emitter e(*this, headerRow(QStringLiteral("Indexed items")), true, setup_.comboheaders);
    const auto take = [&](TMyShellItem&& it) {
        auto item = std::make_unique<TMyShellItem>(std::move(it));
        if (setup_.noduplicates && rows_.isDuplicate(item->name, item.get())) return true;
        QString name = item->name;
        return e.add(std::move(name), std::move(item));
    };
    const NameTable& names = index->names();
    // The packed names match like the lower-cased ones unless the search
    // itself holds blanks, which the packing trims and reduces.
    const bool packed = !needle.contains(u' ');
    for (size_t i = 0; i < index->size(); ++i) {
        if (e.full()) break;
        if (!maskHolds(names.entry(i).mask, needleMask)) continue;
        if (packed && !wordMatch(names.prepared(i), needle, contains_, Qt::CaseSensitive)) continue;
        TMyShellItem it = index->item(i);
        // A name that would read as a header row never matches.
        if (it.name.startsWith(u"==")) continue;
        const QString lower = it.name.toLower();
        if (!packed && !wordMatch(lower, needle, contains_, Qt::CaseSensitive)) continue;
        if (filter.dropsFromList(it.name)) continue;
        if (!it.isSettingsPage()) {
            if (lower.contains(u"inst")) {
                installers.push_back(std::move(it));
                continue;
            }
            const auto helper = [&](const char16_t* h) { return lower.contains(QStringView(h)); };
            if (std::any_of(std::begin(kHeldBack), std::end(kHeldBack), helper)) {
                helpers.push_back(std::move(it));
                continue;
            }
        }
        if (!take(std::move(it))) break;
    }
    for (TMyShellItem& it : helpers)
        if (!take(std::move(it))) break;
    for (TMyShellItem& it : installers)
        if (!take(std::move(it))) break;
}

void CandidateList::addTagKeywords() {
    Emitter e(*this, headerRow(QStringLiteral("Tag keywords")), true, setup_.comboheaders);
    for (int i = 0; i < store_.size(); ++i) {
        const TExeWord& w = store_.at(i);
        if (!w.disabled && hasTag(w, search_))
            if (!e.add(w.DefaultKeyword())) break;
    }
}

} // namespace lorvanta
