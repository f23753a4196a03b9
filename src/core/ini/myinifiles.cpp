#include "myinifiles.h"

#include "atomicfile.h"
#include "textcodec.h"

#include <QFile>
#include <QLocale>

namespace lorvanta {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kBr = QStringLiteral("{BR}");
const QString kEscapedBr = QStringLiteral("{\\BR}");

// Every character up to the blank counts as space, as the file format has
// always trimmed control characters along with blanks.
QStringView trimIni(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.sliced(b, e - b);
}

} // namespace

bool parseIniInteger(const QString& text, int& out) {
    bool ok = false;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        const qulonglong v = QStringView(text).sliced(2).toULongLong(&ok, 16);
        if (!ok || v > 0xFFFFFFFFull) return false;
        out = int(quint32(v)); // colour values up to 0xFFFFFFFF wrap as they always have
        return true;
    }
    const qlonglong v = text.toLongLong(&ok, 10);
    if (!ok || v < INT_MIN || v > INT_MAX) return false;
    out = int(v);
    return true;
}

QString EncodeMultiLineValue(const QString& value) {
    // A bare LF or CR would split the value over two lines of the file and
    // lose its tail on the next read, so they count as line breaks too.
    if (!value.contains(u'\n') && !value.contains(u'\r')) return value;
    QString v = value;
    if (v.contains(kBr)) v.replace(kBr, kEscapedBr);
    v.replace(kCrLf, kBr);
    v.replace(u'\n', kBr);
    v.replace(u'\r', kBr);
    return v;
}

QString DecodeMultiLineValue(const QString& text) {
    if (!text.contains(kBr)) return text;
    QString v = text;
    v.replace(kBr, kCrLf);
    v.replace(kEscapedBr, kBr);
    return v;
}

// ---------------------------------------------------------------- creation

TMemIniFile TMemIniFile::Create(const QString& fileName) {
    TMemIniFile ini;
    ini.fileName_ = fileName;
    QFile f(fileName);
    if (!fileName.isEmpty() && f.open(QIODevice::ReadOnly)) ini.parse(decodeText(f.readAll()));
    return ini;
}

TMemIniFile TMemIniFile::CreateFast(const QString& fileName) {
    TMemIniFile ini;
    ini.fileName_ = fileName;
    ini.streaming_ = true;
    return ini;
}

TMemIniFile TMemIniFile::FromText(const QString& text, const QString& fileName) {
    TMemIniFile ini;
    ini.fileName_ = fileName;
    ini.parse(text);
    return ini;
}

void TMemIniFile::parse(const QString& text) {
    sections_.clear();
    Section* current = nullptr;
    for (QStringView raw : QStringView(text).tokenize(u'\n')) {
        const QStringView line = trimIni(raw);
        if (line.isEmpty() || line.front() == u';') continue;
        if (line.front() == u'[' && line.back() == u']') {
            sections_.emplace_back();
            sections_.back().name = trimIni(line.sliced(1, line.size() - 2)).toString();
            current = &sections_.back();
            continue;
        }
        if (!current) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            current->lines.push_back(Line{line.toString(), {}, false});
        else
            current->lines.push_back(Line{trimIni(line.first(eq)).toString(),
                                          trimIni(line.sliced(eq + 1)).toString(), true});
    }
    rebuildSectionIndex();
}

void TMemIniFile::rebuildSectionIndex() {
    lastLookupIndex_ = -1;
    sectionIndex_.clear();
    for (int i = 0; i < int(sections_.size()); ++i)
        if (!sections_[i].erased) sectionIndex_[sections_[i].name.toLower()].sections.push_back(i);
}

// ---------------------------------------------------------------- lookups

const TMemIniFile::Section* TMemIniFile::findSection(const QString& name) const {
    if (lastLookupIndex_ >= 0 && lastLookup_ == name) return &sections_[lastLookupIndex_];
    const auto it = sectionIndex_.constFind(name.toLower());
    if (it == sectionIndex_.cend() || it->head >= it->sections.size()) return nullptr;
    lastLookup_ = name;
    lastLookupIndex_ = it->sections[it->head];
    return &sections_[lastLookupIndex_];
}

TMemIniFile::Section* TMemIniFile::findSection(const QString& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

int TMemIniFile::findLineIndex(const Section& s, const QString& key) {
    // Small sections are scanned; large ones (Setup) get a hash on first use.
    if (s.lines.size() < 16) {
        for (int i = 0; i < int(s.lines.size()); ++i)
            if (s.lines[i].hasValue && s.lines[i].key.compare(key, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    if (!s.indexed) {
        s.keyIndex.clear();
        for (int i = int(s.lines.size()) - 1; i >= 0; --i)
            if (s.lines[i].hasValue) s.keyIndex.insert(s.lines[i].key.toLower(), i);
        s.indexed = true;
    }
    return s.keyIndex.value(key.toLower(), -1);
}

const TMemIniFile::Line* TMemIniFile::findLine(const Section& s, const QString& key) {
    const int i = findLineIndex(s, key);
    return i < 0 ? nullptr : &s.lines[i];
}

QString TMemIniFile::ReadString(const QString& section, const QString& key,
                                const QString& def) const {
    const Section* s = findSection(section);
    if (!s) return def;
    const Line* l = findLine(*s, key);
    return l ? l->value : def;
}

int TMemIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const Section* s = findSection(section);
    const Line* l = s ? findLine(*s, key) : nullptr;
    int v = 0;
    return l && parseIniInteger(l->value, v) ? v : def;
}

bool TMemIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TMemIniFile::ReadFloat(const QString& section, const QString& key, double def) const {
    const QString text = ReadString(section, key, QString());
    // Written with "." everywhere so a file moves between locales; files
    // written in a locale with a decimal comma still read.
    bool ok = false;
    double v = QLocale::c().toDouble(text, &ok);
    if (!ok) v = QLocale::system().toDouble(text, &ok);
    return ok ? v : def;
}

QStringList TMemIniFile::ReadSections() const {
    QStringList names;
    for (const Section& s : sections_)
        if (!s.erased) names.append(s.name);
    return names;
}

QStringList TMemIniFile::ReadSection(const QString& section) const {
    QStringList keys;
    if (const Section* s = findSection(section))
        for (const Line& l : s->lines)
            if (l.hasValue) keys.append(l.key);
    return keys;
}

QStringList TMemIniFile::ReadSectionValues(const QString& section) const {
    QStringList lines;
    if (const Section* s = findSection(section))
        for (const Line& l : s->lines)
            lines.append(l.hasValue ? l.key + u'=' + l.value : l.key);
    return lines;
}

bool TMemIniFile::SectionExists(const QString& section) const {
    return findSection(section);
}

bool TMemIniFile::ValueExists(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    return s && findLine(*s, key);
}

// ---------------------------------------------------------------- changes

void TMemIniFile::EraseSection(const QString& section) {
    const auto it = sectionIndex_.find(section.toLower());
    if (it == sectionIndex_.end() || it->head >= it->sections.size()) return;
    lastLookupIndex_ = -1;
    Section& s = sections_[it->sections[it->head++]];
    s.erased = true;
    s.lines.clear();
    s.keyIndex.clear();
}

void TMemIniFile::DeleteKey(const QString& section, const QString& key) {
    Section* s = findSection(section);
    if (!s) return;
    const int i = findLineIndex(*s, key);
    if (i < 0) return;
    s->lines.erase(s->lines.begin() + i);
    s->indexed = false;
}

TMemIniFile::Section& TMemIniFile::sectionForWrite(const QString& name) {
    if (Section* s = findSection(name)) return *s;
    lastLookupIndex_ = -1; // the vector may move
    sections_.emplace_back();
    sections_.back().name = name;
    sectionIndex_[name.toLower()].sections.push_back(int(sections_.size()) - 1);
    return sections_.back();
}

void TMemIniFile::streamLine(const QString& section, const QString& line) {
    if (!wroteAny_ || section != lastSection_) {
        if (wroteAny_) out_.append(QString());
        out_.append(u'[' + section + u']');
        lastSection_ = section;
        wroteAny_ = true;
    }
    out_.append(line);
}

void TMemIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    if (streaming_) {
        streamLine(section, key + u'=' + value);
        return;
    }
    Section& s = sectionForWrite(section);
    const int i = findLineIndex(s, key);
    if (i >= 0) {
        s.lines[i].value = value;
        return;
    }
    s.lines.push_back(Line{key, value, true});
    if (s.indexed) s.keyIndex.insert(key.toLower(), int(s.lines.size()) - 1);
}

void TMemIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void TMemIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TMemIniFile::WriteFloat(const QString& section, const QString& key, double value) {
    WriteString(section, key, QLocale::c().toString(value, 'g', 15));
}

void TMemIniFile::WriteMultiLineString(const QString& section, const QString& key,
                                       const QString& value) {
    WriteString(section, key, EncodeMultiLineValue(value));
}

void TMemIniFile::Clear() {
    lastLookupIndex_ = -1;
    sections_.clear();
    sectionIndex_.clear();
    out_.clear();
    lastSection_.clear();
    wroteAny_ = false;
}

void TMemIniFile::Rename(const QString& fileName, bool reload) {
    fileName_ = fileName;
    if (!reload) return;
    Clear();
    QFile f(fileName);
    if (f.open(QIODevice::ReadOnly)) parse(decodeText(f.readAll()));
}

void TMemIniFile::MyFlattenSections() {
    if (streaming_) {
        for (QString& line : out_)
            if (line.startsWith(QStringLiteral("[W"))) line = QStringLiteral("[W]");
        return;
    }
    for (Section& s : sections_)
        if (s.name.startsWith(u'W')) s.name = QStringLiteral("W");
    rebuildSectionIndex();
}

// ---------------------------------------------------------------- saving

QString TMemIniFile::text() const {
    QString t;
    if (streaming_) {
        for (const QString& line : out_)
            t += line + kCrLf;
        if (wroteAny_) t += kCrLf;
        return t;
    }
    for (const Section& s : sections_) {
        if (s.erased) continue;
        t += u'[' + s.name + u']' + kCrLf;
        for (const Line& l : s.lines)
            t += (l.hasValue ? l.key + u'=' + l.value : l.key) + kCrLf;
        t += kCrLf;
    }
    return t;
}

IoStatus TMemIniFile::UpdateFile(const std::function<void()>& beforeRename) const {
    if (fileName_.isEmpty())
        return IoStatus::failure(IoStatus::Code::OpenFailed, QStringLiteral("no file name"));
    return writeFileAtomically(fileName_, encodeUtf8WithBom(text()), beforeRename);
}

} // namespace lorvanta
