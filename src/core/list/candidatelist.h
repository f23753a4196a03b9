#pragma once

#include "rowlist.h"
#include "sources.h"

#include <QString>
#include <memory>

namespace lorvanta {

struct HistoryEntry;

namespace platform {
class Environment;
}
struct Setup;
class KeywordStore;
class History;
class Pinned;
class TExeWord;
class Expander;

// What the input box holds when the list is built.
struct InputState {
    QString text;
    int caret = -1;    // -1: at the end
    int selStart = -1; // -1: no selection (the caret counts)
    int selLength = 0;
    bool infoLine = false; // the box shows the information line, not typed text

    int caretPos() const { return caret < 0 || caret > text.size() ? int(text.size()) : caret; }
};

// The minus commands offered when the search text begins with "-", in order.
extern const QStringList kMinusCommands;
// The minus command an input line begins with (lower-cased), or nothing.
QString minusCommandOf(const QString& line);

// The candidate list: the rows offered for the input, the fuzzy suggestions
// and the current item. Rebuilt from scratch for every input change; the
// current item survives a rebuild.
class CandidateList {
public:
    CandidateList(const Setup& setup, const KeywordStore& store, const History& history,
                  const Pinned& pinned, const platform::Environment& env, ListSources sources = {});
    ~CandidateList();

    // Rebuilds the rows for `in`. `matchall` lists everything regardless of
    // the text, `reverse` matches anywhere instead of at the start, and a
    // non-empty `forceinput` lists that folder.
    void BuildListContent(const InputState& in, bool matchall = false, bool reverse = false,
                          bool translateinputtopath = false, const QString& forceinput = {});

    // Fills the suggestion list with the 20 best fuzzy matches of `text`:
    // source 0 over the keywords and the index (while typing), source 1 over
    // the rows of the list (re-ranking a special list). With mode 2 and
    // `autoApply` the best suggestion becomes the current item; returns true
    // then, also when none could be picked.
    bool FuzzySearch(const QString& text, int mode, bool autoApply, int source,
                     bool infoLine = false);
    // Whether `text` is something the launcher recognises by itself (a URL,
    // path, command, keyword with parameters, tag, program...), so that no
    // fuzzy suggestion is looked for. `keywordAlone` also counts a first word
    // that is a keyword when the text holds no space.
    bool isRecognised(const QString& text, bool infoLine, bool keywordAlone = false) const;

    const RowList& rows() const { return rows_; }
    const RowList& suggestions() const { return suggestions_; }
    void clearSuggestions() { suggestions_.clear(); }

    // Reads keyword commands for GetPathFromItem; without it only their
    // environment variables are expanded.
    void setExpander(Expander* expander) { expander_ = expander; }

    const TListObject* currentItem() const { return current_.get(); }
    void setCurrentItem(std::unique_ptr<TListObject> item) { current_ = std::move(item); }
    void clearCurrentItem() { current_.reset(); }

    // The part of the input the rows complete after: the command segments
    // before the last separator and the words before a typed path.
    const QString& keptPrefix() const { return keptPrefix_; }
    // Whether a special source (recent documents, tags, windows, clips,
    // notes, plugins, a folder) made the list.
    bool isSpecial() const { return special_; }
    // Whether the pinned source ran, which decides the row selected first.
    bool pinnedRan() const { return pinnedRan_; }
    // The text the sources matched against.

    // The folder (or, with `inclfilename`, the file) the current item or the
    // input refers to, "/"-terminated for folders; empty when none.
    QString GetPathFromItem(const QString& input, bool inclfilename) const;

private:
    struct Emitter;
    enum class Special {
        None,
        Recent,
        Tags,
        Apps,
        Clipboard,
        Notes,
        NoteSearch,
        Plugins,
        KeywordHistory,
        HistoryOnly
    };

    Special specialFor(const TExeWord& w) const;
    void runSpecial(Special kind, const QString& input);
    void runFolderListing(const QString& folder, const QString& input);
    void rerankSpecial(const QString& input, const QString& header);
    void runStandardSources(bool searchEmpty);
    void runSource(const QString& name);

    void addPinned();
    void addPluginKeywords();
    void addMinusCommands();
    void addHistory();
    // The matching entries of the history or the pinned list, with their items.
    void addEntries(const std::vector<HistoryEntry>& entries, Emitter& e);
    void addKeywords();
    void addFileSystem();
    void addSuggestions();
    void addIndexed();
    void addTagKeywords();

    bool fuzzyKeywordsOn() const;
    bool fuzzyIndexOn() const;

    const Setup& setup_;
    const KeywordStore& store_;
    const History& history_;
    const Pinned& pinned_;
    const platform::Environment& env_;
    Expander* expander_ = nullptr;
    ListSources sources_;

    RowList rows_;
    RowList suggestions_;
    std::unique_ptr<TListObject> current_;
    QString keptPrefix_;
    QString search_;
    bool contains_ = false;
    bool special_ = false;
    bool pinnedRan_ = false;
};

} // namespace lorvanta
