#include "history.h"

namespace lorvanta {

void History::AddToHistory(const QString& s, std::unique_ptr<TMyShellItem> ob, bool noadd,
                           const Setup& setup) {
    if (s.startsWith(u"->") || noadd || incognitoSuppresses(setup, u"1")) return;
    const QString t = s.trimmed();
    std::erase_if(entries_, [&](const HistoryEntry& e) {
        return e.text.compare(t, Qt::CaseInsensitive) == 0;
    });
    if (!t.isEmpty()) entries_.insert(entries_.begin(), HistoryEntry{t, std::move(ob)});
}

bool History::KillHist(const QString& s) {
    const int i = indexOf(s);
    if (i < 0) return false;
    entries_.erase(entries_.begin() + i);
    return true;
}

int History::savedCount(const Setup& setup) const {
    return setup.savehistory ? std::max(0, setup.maxhistory) : 0;
}

int Pinned::AddToPinned(const QString& s, const TListObject* ob, bool allowRemove) {
    if (s.startsWith(u"->")) return 0;
    const auto* shell = dynamic_cast<const TMyShellItem*>(ob);
    if (ob && !shell) return 0;
    const QString t = s.trimmed();
    if (indexOf(t) >= 0) {
        if (!allowRemove) return 2;
        std::erase_if(entries_, [&](const HistoryEntry& e) {
            return e.text.compare(t, Qt::CaseInsensitive) == 0;
        });
        return -1;
    }
    if (t.isEmpty()) return 0;
    entries_.push_back(HistoryEntry{t, shell ? std::make_unique<TMyShellItem>(*shell) : nullptr});
    return 1;
}

int Pinned::MovePinned(const QString& s, bool up, int posi) {
    if (s.startsWith(u"->")) return 0;
    const int i = indexOf(s);
    if (i < 0) return 0;
    auto it = entries_.begin() + i;
    if (posi == 1) {
        std::rotate(entries_.begin(), it, it + 1);
        return 1;
    }
    if (posi == 2) {
        std::rotate(it, it + 1, entries_.end());
        return 2;
    }
    if (up) {
        if (i == 0) return 0;
        std::swap(entries_[size_t(i)], entries_[size_t(i - 1)]);
        return 3;
    }
    if (i == size() - 1) return 0;
    std::swap(entries_[size_t(i)], entries_[size_t(i + 1)]);
    return 3;
}

} // namespace lorvanta
