#include "sources.h"

#include "fuzzy.h"
#include "recentdocs.h"

namespace lorvanta {

void NameTable::reserve(size_t names, size_t characters) {
    entries_.reserve(names);
    pool_.reserve(characters);
}

void NameTable::add(QStringView name) {
    Entry e;
    e.at = quint32(pool_.size());
    appendFuzzyPrepared(name, pool_);
    const QStringView prepared(pool_.data() + e.at, qsizetype(pool_.size() - e.at));
    e.mask = fuzzyCharMask(prepared);
    e.words = int(prepared.count(u' ')) + 1;
    entries_.push_back(e);
}

void MemoryIndex::add(TMyShellItem item) {
    names_.add(item.name);
    items_.push_back(std::move(item));
}

NameListIndex::NameListIndex(const QByteArray& utf8Lines) : text_(QString::fromUtf8(utf8Lines)) {
    const qsizetype lines = text_.count(u'\n') + 1;
    spans_.reserve(size_t(lines));
    names_.reserve(size_t(lines), size_t(text_.size()));
    for (qsizetype at = 0; at < text_.size();) {
        qsizetype end = text_.indexOf(u'\n', at);
        if (end < 0) end = text_.size();
        qsizetype length = end - at;
        if (length > 0 && text_[end - 1] == u'\r') --length;
        if (length > 0) {
            spans_.emplace_back(at, length);
            names_.add(QStringView(text_).sliced(at, length));
        }
        at = end + 1;
    }
}

TMyShellItem NameListIndex::item(size_t i) const {
    TMyShellItem item;
    item.name = text_.mid(spans_[i].first, spans_[i].second);
    return item;
}

std::vector<TMyShellItem> XbelRecentDocuments::recent() const {
    return readRecentDocuments(path_);
}

} // namespace lorvanta
