#include "sources.h"

#include "fuzzy.h"
#include "recentdocs.h"

namespace lorvanta {

void MemoryIndex::add(TMyShellItem item) {
    IndexItem e;
    e.lowerName = item.name.toLower();
    e.prepared = fuzzyPrepare(item.name);
    e.item = std::move(item);
    items_.push_back(std::move(e));
}

std::vector<TMyShellItem> XbelRecentDocuments::recent() const {
    return readRecentDocuments(path_);
}

} // namespace lorvanta
