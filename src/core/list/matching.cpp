#include "matching.h"

#include "core/keywords/exeword.h"
#include "core/settings/setup.h"

namespace lorvanta {

bool textMatch(QStringView entry, QStringView search, bool contains) {
    if (entry.startsWith(u"==")) return false;
    if (search.isEmpty()) return true;
    return contains ? entry.contains(search, Qt::CaseInsensitive)
                    : entry.startsWith(search, Qt::CaseInsensitive);
}

bool wordMatch(QStringView entry, QStringView search, bool contains, Qt::CaseSensitivity cs) {
    if (search.isEmpty() || contains) return entry.contains(search, cs);
    if (entry.startsWith(search, cs)) return true;
    for (qsizetype i = entry.indexOf(u' '); i >= 0; i = entry.indexOf(u' ', i + 1))
        if (entry.sliced(i + 1).startsWith(search, cs)) return true;
    return false;
}

QString keywordMatch(const TExeWord& word, QStringView search, bool contains) {
    for (QStringView name : QStringView(word.keywords).tokenize(u','))
        if (textMatch(name, search, contains)) return name.toString().toLower();
    return {};
}

bool hasTag(const TExeWord& word, QStringView tag) {
    if (tag.isEmpty()) return false;
    for (QStringView t : QStringView(word.group).tokenize(u' ', Qt::SkipEmptyParts))
        if (t.compare(tag, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QStringList sourceOrder(const QString& order) {
    QStringList names;
    for (QString n : order.split(u',')) {
        n = n.trimmed();
        if (n.size() >= 2 && n.startsWith(u'"') && n.endsWith(u'"')) n = n.mid(1, n.size() - 2);
        names.append(n);
    }
    return names;
}

ExclusionFilter::ExclusionFilter(const Setup& setup)
    : type_(setup.excludetype), fileSystem_(setup.excludefilesystem) {
    // Pieces keep their blanks; an empty piece (a trailing ";") would match
    // every entry and empty the list, so it is ignored.
    pieces_ = setup.excludelist.split(u';', Qt::SkipEmptyParts);
}

bool ExclusionFilter::drops(QStringView entry, bool fileSystem) const {
    if (fileSystem && !fileSystem_) return false;
    for (const QString& p : pieces_)
        if (entry.contains(p, Qt::CaseInsensitive)) return true;
    return false;
}

bool ExclusionFilter::dropsFromList(QStringView entry, bool fileSystem) const {
    return (type_ == 0 || type_ == 1) && drops(entry, fileSystem);
}

bool ExclusionFilter::dropsFromCompletion(QStringView entry, bool fileSystem) const {
    return (type_ == 1 || type_ == 2) && drops(entry, fileSystem);
}

} // namespace lorvanta
