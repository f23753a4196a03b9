#include "scancache.h"

#include "core/ini/atomicfile.h"
#include "core/ini/textcodec.h"

#include <QFile>
#include <array>

namespace lorvanta {

namespace {

struct Escape {
    QStringView text;
    QChar ch;
};
// "&amp;" first: an "&" is escaped only where it would otherwise read as one of these.
constexpr std::array<Escape, 4> kEscapes{{
    {u"&amp;", u'&'},
    {u"&lt;", u'<'},
    {u"&#10;", u'\n'},
    {u"&#13;", u'\r'},
}};

QString escaped(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        bool ampEscape = false;
        if (c == u'&')
            for (const Escape& e : kEscapes)
                ampEscape = ampEscape || QStringView(value).mid(i).startsWith(e.text);
        if (c == u'&' && !ampEscape)
            out += c;
        else if (c == u'&' || c == u'<' || c == u'\n' || c == u'\r')
            for (const Escape& e : kEscapes) {
                if (e.ch == c) out += e.text;
            }
        else
            out += c;
    }
    return out;
}

QString unescaped(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size();) {
        const Escape* hit = nullptr;
        if (value[i] == u'&')
            for (const Escape& e : kEscapes)
                if (value.mid(i).startsWith(e.text)) hit = &e;
        if (hit) {
            out += hit->ch;
            i += hit->text.size();
        } else {
            out += value[i++];
        }
    }
    return out;
}

QString tagged(const char* tag, const QString& value) {
    const QString t = QString::fromLatin1(tag);
    return u'<' + t + u'>' + escaped(value) + u"</" + t + u'>';
}

// The text between the first opening tag and the first closing tag after it.
QString field(const QString& line, const char* tag) {
    const QString t = QString::fromLatin1(tag);
    const QString open = u'<' + t + u'>';
    const qsizetype start = line.indexOf(open);
    if (start < 0) return {};
    const qsizetype from = start + open.size();
    const qsizetype end = line.indexOf(u"</" + t + u'>', from);
    return unescaped(QStringView(line).mid(from, end < 0 ? -1 : end - from));
}

} // namespace

QString formatIndexCache(const IndexList& list) {
    QString out;
    for (const IndexList::Entry& e : list.entries()) {
        if (e.item) {
            const TMyShellItem& it = *e.item;
            out += tagged("exet", QStringLiteral("1")) + tagged("exe1", it.name) +
                   tagged("exe2", it.root) + tagged("exe3", it.path) +
                   tagged("exe4", QString::fromLatin1(it.ps));
        }
        out += u"\r\n";
    }
    return out;
}

void parseIndexCache(const QString& text, IndexList& list) {
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        const QString name = field(line, "exe1");
        std::unique_ptr<TMyShellItem> item;
        if (field(line, "exet") == u"1") {
            item = std::make_unique<TMyShellItem>();
            item->name = name;
            item->root = field(line, "exe2");
            item->path = field(line, "exe3");
            item->ps = field(line, "exe4").toLatin1();
        }
        list.append(name, std::move(item));
    }
}

IoStatus SaveIndexCache(const QString& file, const IndexList& list) {
    return writeFileAtomically(file, encodeUtf8WithBom(formatIndexCache(list)));
}

bool LoadIndexCache(const QString& file, IndexList& list) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    list.clear();
    parseIndexCache(decodeText(f.readAll()), list);
    return true;
}

} // namespace lorvanta
