#include "exeword.h"

#include <atomic>

namespace lorvanta {

quint64 KeywordUid::next() {
    // Keywords may be read on a worker (imports), so the counter is shared safely.
    static std::atomic<quint64> counter{0};
    return ++counter;
}

QString TExeWord::DefaultKeyword() const {
    const qsizetype comma = keywords.indexOf(u',');
    return (comma < 0 ? keywords : keywords.left(comma)).toLower();
}

bool TExeWord::matchesName(QStringView s) const {
    if (s.isEmpty()) return false;
    for (QStringView name : QStringView(keywords).tokenize(u','))
        if (name.compare(s, Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool TakesParameters(const TExeWord& w) {
    static const char16_t* const kCommandMarks[] = {u"$p$",  u"$ps", u"$pp",
                                                    u"$p1$", u"$u$", u"$u1$"};
    static const char16_t* const kFieldMarks[] = {u"$p$", u"$p1$", u"$u$", u"$u1$"};
    for (const char16_t* m : kCommandMarks)
        if (w.command.contains(QStringView(m), Qt::CaseInsensitive)) return true;
    for (const char16_t* m : kFieldMarks)
        if (w.parameters.contains(QStringView(m), Qt::CaseInsensitive) ||
            w.path.contains(QStringView(m), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace lorvanta
