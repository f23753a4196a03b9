#pragma once

#include <QString>
#include <QStringList>

namespace lorvanta {

struct Setup;
class TExeWord;

// The ways list sources compare an entry with the search text; all ignore case.

// History, pinned, plugin keywords: contains (or begins with) the search
// text; an empty search matches all, an entry beginning with "==" never.
bool textMatch(QStringView entry, QStringView search, bool contains);
// Index items, folder listings: contains, or begins with the search text or
// holds it right after a space. Callers that keep lower-cased names pass
// Qt::CaseSensitive with a lower-cased search, which is much faster.
bool wordMatch(QStringView entry, QStringView search, bool contains,
               Qt::CaseSensitivity cs = Qt::CaseInsensitive);
// The first of the keyword's names that text-matches, lower-cased; null when none does.
QString keywordMatch(const TExeWord& word, QStringView search, bool contains);
// Whether one of the keyword's space-separated tags equals `tag`.
bool hasTag(const TExeWord& word, QStringView tag);

// The source names of `comboorder` or `autoorder`, unquoted, by position.
QStringList sourceOrder(const QString& order);

// The user's exclusion list: ";"-separated texts; an entry containing one of
// them is left out where `excludetype` says the filter applies.
class ExclusionFilter {
public:
    explicit ExclusionFilter(const Setup& setup);
    // In the candidate list (excludetype 0 or 1).
    bool dropsFromList(QStringView entry, bool fileSystem = false) const;
    // In inline completion and the fuzzy pick (excludetype 1 or 2).
    bool dropsFromCompletion(QStringView entry, bool fileSystem = false) const;
    bool empty() const { return pieces_.isEmpty(); }

private:
    bool drops(QStringView entry, bool fileSystem) const;
    QStringList pieces_;
    int type_ = 0;
    bool fileSystem_ = false;
};

} // namespace lorvanta
