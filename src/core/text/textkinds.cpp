#include "textkinds.h"

#include <QStringList>

namespace lorvanta {

bool isUrl(QStringView t) {
    return t.startsWith(u"http:", Qt::CaseInsensitive) ||
           t.startsWith(u"https:", Qt::CaseInsensitive) ||
           t.startsWith(u"www.", Qt::CaseInsensitive);
}

bool looksLikeFilePath(QStringView t) {
    return t.startsWith(u'/') || t == u"~" || t.startsWith(u"~/") || t.startsWith(u"./") ||
           t.startsWith(u"../");
}

bool isNetworkPath(QStringView t) {
    return t.startsWith(u"//") || t.startsWith(u"smb://", Qt::CaseInsensitive) ||
           t.startsWith(u"sftp://", Qt::CaseInsensitive) ||
           t.startsWith(u"nfs://", Qt::CaseInsensitive);
}

namespace {

bool isDottedIpv4(QStringView t) {
    const auto parts = t.split(u'.');
    if (parts.size() != 4) return false;
    for (QStringView p : parts) {
        if (p.isEmpty() || p.size() > 3) return false;
        for (QChar c : p)
            if (!c.isDigit()) return false;
    }
    return true;
}

} // namespace

bool isBareDomain(QStringView t) {
    if (t.size() <= 4 || t.contains(u' ') || !t.contains(u'.') || t.endsWith(u'.')) return false;
    static constexpr char16_t kBadStarts[] = u".#\\/ ?\"";
    for (char16_t c : kBadStarts)
        if (c && t.front() == QChar(c)) return false;
    if (t.contains(u"mailto:", Qt::CaseInsensitive) || t.contains(u":/") || t.contains(u":\\"))
        return false;
    if (t.startsWith(u"www.", Qt::CaseInsensitive)) return false;
    return !isDottedIpv4(t);
}

QString firstWord(const QString& text) {
    return text.section(u' ', 0, 0);
}

QString afterFirstSpace(const QString& text) {
    const qsizetype sp = text.indexOf(u' ');
    return sp < 0 ? QString() : text.mid(sp + 1);
}

InputSegment currentSegment(const QString& input, int caret, const QString& separator) {
    InputSegment s{QString(), input, caret};
    if (const qsizetype last = separator.isEmpty() ? -1 : input.lastIndexOf(separator);
        last >= 0 && last < caret) {
        s.kept = input.left(last + separator.size());
        s.text = input.mid(last + separator.size());
        s.caret = std::max(0, caret - int(s.kept.size()));
    }
    if (const qsizetype sp = s.text.indexOf(u' ');
        sp >= 0 && looksLikeFilePath(QStringView(s.text).sliced(sp + 1))) {
        s.kept += s.text.left(sp + 1);
        s.text = s.text.mid(sp + 1);
        s.caret = std::max(0, s.caret - int(sp) - 1);
    }
    return s;
}

QString leftTrimmed(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    return text.mid(i);
}

QString rightTrimmed(const QString& text) {
    qsizetype e = text.size();
    while (e > 0 && text[e - 1].isSpace())
        --e;
    return text.left(e);
}

QString expandTilde(const QString& path, const QString& home) {
    if (path == u"~") return home;
    if (path.startsWith(u"~/")) return home + path.mid(1);
    return path;
}

} // namespace lorvanta
