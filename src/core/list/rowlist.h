#pragma once

#include "listobject.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace lorvanta {

// One candidate row: its text and the object it owns, if any.
struct ListRow {
    QString text;
    std::unique_ptr<TListObject> object;

    bool isHeader() const { return text.startsWith(u"==="); }
};

// Header rows name a source: "===== " + name + " =====".
QString headerRow(const QString& name);

// An ordered list of rows.
class RowList {
public:
    int size() const { return int(rows_.size()); }
    bool empty() const { return rows_.empty(); }
    const ListRow& at(int i) const { return rows_[size_t(i)]; }
    ListRow& at(int i) { return rows_[size_t(i)]; }
    void clear() { rows_.clear(); }
    void append(QString text, std::unique_ptr<TListObject> object = nullptr) {
        rows_.push_back(ListRow{std::move(text), std::move(object)});
    }
    void insert(int pos, QString text) {
        rows_.insert(rows_.begin() + pos, ListRow{std::move(text), nullptr});
    }
    void removeAt(int i) { rows_.erase(rows_.begin() + i); }
    std::vector<ListRow>& rows() { return rows_; }
    const std::vector<ListRow>& rows() const { return rows_; }

    // A row with this text (ignoring case) that both have no object, or both
    // carry file items of the same path, is already there.
    bool isDuplicate(QStringView text, const TListObject* object) const;
    QStringList texts() const;
    // Index of the first row that is no header; -1 when there is none.
    int firstNonHeader() const;

private:
    std::vector<ListRow> rows_;
};

} // namespace lorvanta
