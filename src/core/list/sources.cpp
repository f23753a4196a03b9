#include "sources.h"

#include "fuzzy.h"
#include "recentdocs.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace lorvanta {

void NameTable::reserve(size_t names, size_t characters) {
    entries_.reserve(names);
    pool_.reserve(characters);
}

void NameTable::add(QStringView name) {
    const quint32 at = quint32(pool_.size());
    record(at, appendFuzzyPrepared(name, pool_));
}

bool NameTable::addAscii(QByteArrayView name) {
    const quint32 at = quint32(pool_.size());
    const std::optional<PreparedName> facts = appendFuzzyPreparedAscii(name, pool_);
    if (facts) record(at, *facts);
    return facts.has_value();
}

void NameTable::record(quint32 at, const PreparedName& facts) {
    const auto clamp = [](int v) { return quint16(std::min(v, 65535)); };
    entries_.push_back({facts.mask, at, clamp(facts.words), clamp(facts.longestWord)});
}

void NameTable::append(const NameTable& other) {
    const quint32 shift = quint32(pool_.size());
    reserve(entries_.size() + other.entries_.size(), pool_.size() + other.pool_.size());
    pool_.insert(pool_.end(), other.pool_.begin(), other.pool_.end());
    for (Entry e : other.entries_) {
        e.at += shift;
        entries_.push_back(e);
    }
}

void MemoryIndex::add(TMyShellItem item) {
    names_.add(item.name);
    items_.push_back(std::move(item));
}

namespace {

// The lines of utf8[from, to) that are not empty, each ended by a line break
// or by `to`, with their prepared names, read in one pass
// without a string each. Lines of plain ASCII (nearly all) are prepared
// straight from the bytes; the others are decoded on their own, which gives
// what decoding the whole text would, as a line break is never inside a
// sequence. Room is made for the lines up to `roomTo` (at least `to`), so
// that the lines after `to` can be appended without moving these.
void readLines(const QByteArray& utf8, qsizetype from, qsizetype to, qsizetype roomTo,
               std::vector<quint32>& starts, NameTable& names) {
    const char* text = utf8.constData();
    const size_t lines = size_t(std::count(text + from, text + roomTo, '\n')) + 1;
    starts.reserve(lines);
    names.reserve(lines, size_t(roomTo - from));
    for (qsizetype at = from; at < to;) {
        const void* br = memchr(text + at, '\n', size_t(to - at));
        const qsizetype end = br ? static_cast<const char*>(br) - text : to;
        qsizetype length = end - at;
        if (length > 0 && text[end - 1] == '\r') --length;
        if (length > 0) {
            starts.push_back(quint32(at));
            const QByteArrayView line(text + at, length);
            if (!names.addAscii(line)) names.add(QString::fromUtf8(line));
        }
        at = end + 1;
    }
}

} // namespace

NameListIndex::NameListIndex(const QByteArray& utf8Lines) : utf8_(utf8Lines) {
    // A long list is read in two halves at once, split after a line break.
    const qsizetype size = utf8_.size();
    const qsizetype half = size < 200000 ? -1 : utf8_.indexOf('\n', size / 2);
    if (half < 0) {
        readLines(utf8_, 0, size, size, starts_, names_);
        return;
    }
    std::vector<quint32> secondStarts;
    NameTable secondNames;
    std::thread second([&] { readLines(utf8_, half + 1, size, size, secondStarts, secondNames); });
    readLines(utf8_, 0, half + 1, size, starts_, names_);
    second.join();
    starts_.insert(starts_.end(), secondStarts.begin(), secondStarts.end());
    names_.append(secondNames);
}

TMyShellItem NameListIndex::item(size_t i) const {
    const char* text = utf8_.constData() + starts_[i];
    const qsizetype left = utf8_.size() - starts_[i];
    const void* br = memchr(text, '\n', size_t(left));
    qsizetype length = br ? static_cast<const char*>(br) - text : left;
    if (text[length - 1] == '\r') --length;
    TMyShellItem item;
    item.name = QString::fromUtf8(text, length);
    return item;
}

std::vector<TMyShellItem> XbelRecentDocuments::recent() const {
    return readRecentDocuments(path_);
}

} // namespace lorvanta
