#include "keywordstore.h"

#include "core/ini/myinifiles.h"

#include <algorithm>

namespace lorvanta {

int KeywordStore::indexOf(const TExeWord* word) const {
    for (int i = 0; i < size(); ++i)
        if (words_[size_t(i)].get() == word) return i;
    return -1;
}

std::vector<const TExeWord*> KeywordStore::all() const {
    std::vector<const TExeWord*> out;
    out.reserve(words_.size());
    for (const auto& w : words_)
        out.push_back(w.get());
    return out;
}

TExeWord& KeywordStore::append(std::unique_ptr<TExeWord> word) {
    words_.push_back(std::move(word));
    return *words_.back();
}

TExeWord& KeywordStore::prepend(std::unique_ptr<TExeWord> word) {
    words_.insert(words_.begin(), std::move(word));
    return *words_.front();
}

template <class Pred> void KeywordStore::eraseIf(Pred doomed) {
    std::erase_if(words_, [&](const auto& w) {
        if (!doomed(*w)) return false;
        if (removalWatch_) removalWatch_(*w);
        return true;
    });
}

void KeywordStore::remove(const TExeWord* word) {
    eraseIf([word](const TExeWord& w) { return &w == word; });
}

void KeywordStore::clear() {
    eraseIf([](const TExeWord&) { return true; });
}

TExeWord* KeywordStore::findByUid(quint64 uid) const {
    for (const auto& w : words_)
        if (w->uid() == uid) return w.get();
    return nullptr;
}

TExeWord* KeywordStore::FindKeyword(QStringView s, bool skipDisabled) const {
    for (const auto& w : words_)
        if ((!skipDisabled || !w->disabled) && w->matchesName(s)) return w.get();
    return nullptr;
}

TExeWord* KeywordStore::KeywordExistsEx(const QString& s, bool allowfullmatch,
                                        bool disableCheck) const {
    if (TExeWord* w = FindKeyword(s, disableCheck)) return w;
    if (!allowfullmatch || s.isEmpty()) return nullptr;
    for (const auto& w : words_)
        if ((!disableCheck || !w->disabled) && w->keywords == s) return w.get();
    return nullptr;
}

TExeWord* KeywordStore::MultiKeywordeExistCheck(const QString& s) const {
    QString names = s;
    names.remove(u' ');
    for (const QString& piece : names.split(u','))
        if (TExeWord* w = KeywordExistsEx(piece, true, false)) return w;
    return nullptr;
}

void KeywordStore::rebuildTagList() {
    tags_.clear();
    tagKeys_.clear();
    for (const auto& w : words_) {
        if (w->disabled) continue;
        for (QStringView tag : QStringView(w->group).tokenize(u' ', Qt::SkipEmptyParts)) {
            const QString key = tag.toString().toLower();
            if (tagKeys_.contains(key)) continue;
            tagKeys_.insert(key);
            tags_.append(tag.toString());
        }
    }
    std::stable_sort(tags_.begin(), tags_.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
}

bool KeywordStore::isTagName(const QString& text) const {
    return !tagKeys_.isEmpty() && tagKeys_.contains(text.trimmed().toLower());
}

void KeywordStore::sortForEditor() {
    std::stable_sort(words_.begin(), words_.end(), [](const auto& a, const auto& b) {
        const bool qa = a->keywords.startsWith(u'?'), qb = b->keywords.startsWith(u'?');
        if (qa != qb) return qb;
        return a->keywords.compare(b->keywords, Qt::CaseInsensitive) < 0;
    });
}

bool KeywordStore::finishEditing(bool autosort) {
    eraseIf([](const TExeWord& w) { return w.IsDefault(); });
    if (autosort) sortForEditor();
    return std::any_of(words_.begin(), words_.end(),
                       [](const auto& w) { return w->keywords.isEmpty(); });
}

void KeywordStore::ReadWords(TMemIniFile& ini, bool isImport) {
    lorvanta::ReadWords(ini, words_, isImport);
}

// ------------------------------------------------------------------ file form

namespace {

std::unique_ptr<TExeWord> readRecord(const TMemIniFile& ini, const QString& sec, bool isImport) {
    auto w = std::make_unique<TExeWord>();
    const QString none;
    w->keywords = ini.ReadString(sec, QStringLiteral("keywords"), none);
    w->command = ini.ReadString(sec, QStringLiteral("command"), none);
    w->path = ini.ReadString(sec, QStringLiteral("path"), none);
    w->open = ini.ReadInteger(sec, QStringLiteral("open"), 0);
    w->comment = ini.ReadString(sec, QStringLiteral("comment"), none);
    w->parameters = ini.ReadString(sec, QStringLiteral("param"), none);
    w->runas = ini.ReadBool(sec, QStringLiteral("runas"), false);
    w->addtohistory = ini.ReadBool(sec, QStringLiteral("hist"), true);
    w->key = ini.ReadInteger(sec, QStringLiteral("key"), -1);
    w->keymod = ini.ReadInteger(sec, QStringLiteral("keymod"), -1);
    w->group = ini.ReadString(sec, QStringLiteral("group"), none);
    const QString tags = ini.ReadString(sec, QStringLiteral("tags"), none);
    w->iconpath = ini.ReadString(sec, QStringLiteral("iconpath"), none);
    w->iconidx = ini.ReadInteger(sec, QStringLiteral("iconidx"), 0);
    w->onlyone = ini.ReadBool(sec, QStringLiteral("one"), false);
    w->disabled = ini.ReadBool(sec, QStringLiteral("disabled"), false);
    if (!isImport) w->permissionlevel = ini.ReadInteger(sec, QStringLiteral("plevel"), -1);

    // Older files kept tags in "group" with blanks inside a tag; newer ones
    // write "tags", which wins.
    if (w->group.contains(u' ')) w->group = w->group.trimmed().replace(u' ', u'-');
    if (!tags.isEmpty()) w->group = tags.trimmed();
    return w;
}

} // namespace

void ReadWords(TMemIniFile& ini, std::vector<std::unique_ptr<TExeWord>>& list, bool isImport) {
    std::vector<std::unique_ptr<TExeWord>> front; // in reading order; each goes before the last
    std::vector<std::unique_ptr<TExeWord>> back;
    for (const QString& name : ini.ReadSections()) {
        if (!name.startsWith(u'W', Qt::CaseInsensitive)) continue;
        auto w = readRecord(ini, name, isImport);
        (name == u"W" || name == u"w" ? front : back).push_back(std::move(w));
        ini.EraseSection(name);
    }
    if (front.empty() && back.empty()) return;
    std::vector<std::unique_ptr<TExeWord>> merged;
    merged.reserve(front.size() + list.size() + back.size());
    for (auto it = front.rbegin(); it != front.rend(); ++it)
        merged.push_back(std::move(*it));
    for (auto& w : list)
        merged.push_back(std::move(w));
    for (auto& w : back)
        merged.push_back(std::move(w));
    list = std::move(merged);
}

void WriteWords(TMemIniFile& ini, std::span<const TExeWord* const> list, bool isExport,
                bool includeTags, bool includeHotkeys, bool includeIcons) {
    for (size_t i = 0; i < list.size(); ++i) {
        const TExeWord& w = *list[i];
        const QString sec = u'W' + QString::number(i);
        ini.WriteString(sec, QStringLiteral("keywords"), w.keywords);
        ini.WriteString(sec, QStringLiteral("command"), w.command);
        if (!w.path.isEmpty()) ini.WriteString(sec, QStringLiteral("path"), w.path);
        if (w.open != 0) ini.WriteInteger(sec, QStringLiteral("open"), w.open);
        if (!w.comment.isEmpty()) ini.WriteString(sec, QStringLiteral("comment"), w.comment);
        if (!w.parameters.isEmpty()) ini.WriteString(sec, QStringLiteral("param"), w.parameters);
        if (w.runas) ini.WriteString(sec, QStringLiteral("runas"), QStringLiteral("1"));
        if (!w.addtohistory) ini.WriteString(sec, QStringLiteral("hist"), QStringLiteral("0"));
        if (w.key != -1 && includeHotkeys) ini.WriteInteger(sec, QStringLiteral("key"), w.key);
        if (w.keymod != -1 && includeHotkeys)
            ini.WriteInteger(sec, QStringLiteral("keymod"), w.keymod);
        if (!w.group.isEmpty() && includeTags)
            ini.WriteString(sec, QStringLiteral("tags"), w.group);
        if (!w.iconpath.isEmpty() && includeIcons) {
            ini.WriteString(sec, QStringLiteral("iconpath"), w.iconpath);
            ini.WriteInteger(sec, QStringLiteral("iconidx"), w.iconidx);
        }
        if (w.onlyone) ini.WriteString(sec, QStringLiteral("one"), QStringLiteral("1"));
        if (w.disabled) ini.WriteString(sec, QStringLiteral("disabled"), QStringLiteral("1"));
        if (!isExport && w.permissionlevel != -1)
            ini.WriteInteger(sec, QStringLiteral("plevel"), w.permissionlevel);
    }
}

void WriteWords(TMemIniFile& ini, const KeywordStore& store, bool isExport, bool includeTags,
                bool includeHotkeys, bool includeIcons) {
    const auto list = store.all();
    WriteWords(ini, list, isExport, includeTags, includeHotkeys, includeIcons);
}

void WriteWordsToFlatFile(TMemIniFile& ini, const KeywordStore& store, bool isExport,
                          bool includeTags, bool includeHotkeys, bool includeIcons) {
    auto list = store.all();
    std::reverse(list.begin(), list.end());
    WriteWords(ini, list, isExport, includeTags, includeHotkeys, includeIcons);
}

} // namespace lorvanta
