#include "rowlist.h"

#include "listitems.h"

namespace lorvanta {

QString headerRow(const QString& name) {
    return QStringLiteral("===== ") + name + QStringLiteral(" =====");
}

bool RowList::isDuplicate(QStringView text, const TListObject* object) const {
    const auto* shell = dynamic_cast<const TMyShellItem*>(object);
    for (const ListRow& r : rows_) {
        if (r.text.compare(text, Qt::CaseInsensitive) != 0) continue;
        if (!object && !r.object) return true;
        const auto* other = dynamic_cast<const TMyShellItem*>(r.object.get());
        if (shell && other && shell->path == other->path) return true;
    }
    return false;
}

QStringList RowList::texts() const {
    QStringList out;
    out.reserve(size());
    for (const ListRow& r : rows_)
        out.append(r.text);
    return out;
}

int RowList::firstNonHeader() const {
    for (int i = 0; i < size(); ++i)
        if (!rows_[size_t(i)].isHeader()) return i;
    return -1;
}

} // namespace lorvanta
