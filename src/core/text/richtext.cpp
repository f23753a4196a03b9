// Plain text out of RTF and HTML, read character by character: enough for
// the text of a letter or a web snippet, with no layout kept.

#include "richtext.h"

#include "core/ini/textcodec.h"
#include "textkinds.h"

#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace lorvanta {

using namespace Qt::StringLiterals;

namespace {

// One pass over an RTF document. Each group inherits the state of the group
// around it: whether its text is hidden and how many characters stand in
// for a "\uN" character.
class RtfReader {
public:
    explicit RtfReader(const QString& rtf) : rtf_(rtf) {}

    QString read() {
        while (i_ < rtf_.size()) {
            const QChar c = rtf_[i_];
            if (c == u'{') {
                groups_.push_back(groups_.back());
                skip_ = 0;
            } else if (c == u'}') {
                if (groups_.size() > 1) groups_.pop_back();
                skip_ = 0;
            } else if (c == u'\\' && i_ + 1 < rtf_.size()) {
                control();
                continue;
            } else if (c != u'\r' && c != u'\n') { // line ends of the source are no text
                put(c);
            }
            ++i_;
        }
        return out_.trimmed();
    }

private:
    struct Group {
        bool hidden = false;
        int fallback = 1; // characters after \uN that stand in for it
    };

    void put(QChar c) {
        if (skip_ > 0)
            --skip_;
        else if (!groups_.back().hidden)
            out_ += c;
    }

    // A control symbol ("\{", "\'e9", "\*", ...) or a control word.
    void control() {
        const QChar d = rtf_[i_ + 1];
        i_ += 2;
        if (d == u'\\' || d == u'{' || d == u'}') {
            put(d);
        } else if (d == u'\'') {
            // Two hex digits; a cut-off one is no character.
            bool ok = false;
            const QString hex = rtf_.mid(i_, 2);
            const int byte = hex.toInt(&ok, 16);
            if (ok && hex.size() == 2) put(windows1252Char(uchar(byte)));
            i_ += 2;
        } else if (d == u'*') {
            groups_.back().hidden = true;
        } else if (d == u'~') {
            put(QChar(0x00A0));
        } else if (d == u'\n' || d == u'\r') { // "\" and a line end: "\par" in short
            put(u'\n');
        } else if (isAsciiLetter(d)) {
            --i_;
            controlWord();
        }
    }

    // A word of letters, an optional signed number, and a blank that ends it.
    void controlWord() {
        static const QStringList kHidden = {
            u"fonttbl"_s, u"colortbl"_s, u"stylesheet"_s, u"info"_s,      u"pict"_s,
            u"header"_s,  u"footer"_s,   u"object"_s,     u"themedata"_s, u"listtable"_s};
        const qsizetype n = rtf_.size();
        const qsizetype start = i_;
        while (i_ < n && isAsciiLetter(rtf_[i_]))
            ++i_;
        const QStringView word = QStringView(rtf_).sliced(start, i_ - start);
        const qsizetype digits = i_;
        if (i_ < n && rtf_[i_] == u'-') ++i_;
        while (i_ < n && rtf_[i_].isDigit())
            ++i_;
        const int number = rtf_.mid(digits, i_ - digits).toInt();
        if (i_ < n && rtf_[i_] == u' ') ++i_;

        if (word == u"par" || word == u"line") {
            put(u'\n');
        } else if (word == u"tab") {
            put(u'\t');
        } else if (word == u"u") {
            put(QChar(char16_t(number < 0 ? number + 65536 : number)));
            skip_ = groups_.back().fallback;
        } else if (word == u"uc") {
            groups_.back().fallback = std::max(0, number);
        } else if (kHidden.contains(word)) {
            groups_.back().hidden = true;
        }
    }

    const QString& rtf_;
    qsizetype i_ = 0;
    std::vector<Group> groups_{Group{}};
    int skip_ = 0; // stand-in characters still to drop
    QString out_;
};

// The text of an entity name (between "&" and ";"); null when it is none.
QString entityText(const QString& name) {
    if (name == u"amp") return u"&"_s;
    if (name == u"lt") return u"<"_s;
    if (name == u"gt") return u">"_s;
    if (name == u"quot") return u"\""_s;
    if (name == u"apos") return u"'"_s;
    if (name == u"nbsp") return u"\u00A0"_s;
    if (!name.startsWith(u'#')) return QString();
    bool ok = false;
    const char32_t code = name.startsWith(u"#x", Qt::CaseInsensitive) ? name.mid(2).toUInt(&ok, 16)
                                                                      : name.mid(1).toUInt(&ok);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (!ok || code == 0 || code > 0x10FFFF || surrogate) return QString();
    return QString::fromUcs4(&code, 1);
}

// Reads the tag at `i` (a "<"), moves `i` past it, or past the end of an
// element whose content is no text, and returns whether it ends a line.
bool readTag(const QString& html, qsizetype& i) {
    static const QStringList kBreaks = {u"br"_s,  u"/p"_s,  u"/div"_s, u"/li"_s, u"/tr"_s, u"/h1"_s,
                                        u"/h2"_s, u"/h3"_s, u"/h4"_s,  u"/h5"_s, u"/h6"_s};
    static const QStringList kHidden = {u"head"_s, u"script"_s, u"style"_s};
    const qsizetype n = html.size();
    qsizetype close = html.indexOf(u'>', i);
    // A tag that never closes runs to the end of the text.
    if (close < 0) close = n;
    QStringView inner = QStringView(html).sliced(i + 1, close - i - 1).trimmed();
    const bool closing = inner.startsWith(u'/');
    if (closing) inner = inner.sliced(1);
    qsizetype end = 0;
    while (end < inner.size() && inner[end].isLetterOrNumber())
        ++end;
    const QString tag = (closing ? u"/"_s : QString()) + inner.first(end).toString().toLower();
    i = close + 1;
    if (kHidden.contains(tag)) {
        const qsizetype endTag = html.indexOf(u"</"_s + tag, i, Qt::CaseInsensitive);
        i = endTag < 0 ? n : endTag;
    }
    return kBreaks.contains(tag);
}

} // namespace

QString rtfToPlain(const QString& rtf) {
    return RtfReader(rtf).read();
}

QString htmlToPlain(const QString& html) {
    QString out;
    const qsizetype n = html.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = html[i];
        if (c == u'<') {
            if (readTag(html, i)) out += u'\n';
            continue;
        }
        if (c == u'&') {
            const qsizetype semi = html.indexOf(u';', i);
            const QString text =
                semi > i && semi - i <= 10 ? entityText(html.mid(i + 1, semi - i - 1)) : QString();
            if (!text.isNull()) {
                out += text;
                i = semi + 1;
                continue;
            }
        }
        // Source line breaks and indentation are layout, not text.
        if (!c.isSpace())
            out += c;
        else if (!out.isEmpty() && !out.back().isSpace())
            out += u' ';
        ++i;
    }
    out.replace(u" \n"_s, u"\n"_s);
    out.replace(u"\n "_s, u"\n"_s);
    return out.trimmed();
}

QString richToPlain(const QString& text, const QString& path) {
    if (text.startsWith(u"{\\rtf")) return rtfToPlain(text);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"html" || suffix == u"htm" || text.trimmed().startsWith(u'<'))
        return htmlToPlain(text);
    return text;
}

} // namespace lorvanta
