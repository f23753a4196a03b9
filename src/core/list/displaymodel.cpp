#include "displaymodel.h"

#include "core/settings/setup.h"

namespace lorvanta {

bool ListDisplayModel::update(const RowList& rows) {
    const QStringList texts = rows.texts();
    if (texts == shownTexts_) return false;
    shownTexts_ = texts;
    rows_.clear();
    int number = 0;
    for (const ListRow& r : rows.rows()) {
        Row row;
        row.text = r.text;
        row.header = r.isHeader();
        row.object = CloneListObject(r.object.get());
        if (!row.header && number < 9) row.number = QString::number(++number);
        rows_.push_back(std::move(row));
    }
    return true;
}

int ListDisplayModel::height(const Setup& setup, int rowCount, int rowHeight, bool callerIsList,
                             bool customElementShown, int newHeight) {
    if (newHeight >= 1) return newHeight;
    const bool full = setup.listfixedsize || !callerIsList || customElementShown;
    const int rows = full ? setup.maxvisible : std::min(rowCount, setup.maxvisible);
    return rows * rowHeight + (setup.listrowheight >= 33 ? 1 : 0);
}

QPoint ListDisplayModel::place(const QRect& input, int paneHeight, const QRect& monitor,
                               int skinOffsetY, int skinOffsetX) {
    const int below = input.top() + (skinOffsetY >= 0 ? skinOffsetY : input.height() + 1);
    int y = below;
    if (below + paneHeight > monitor.bottom() + 1 && input.top() - paneHeight >= monitor.top())
        y = input.top() - paneHeight;
    return QPoint(input.left() + skinOffsetX, y);
}

int ListDisplayModel::initialSelection(const Setup& setup, int rowCount, bool pinnedRan,
                                       int pinnedCount) {
    if (rowCount <= 0) return -1;
    int row = 0;
    if (pinnedRan && pinnedCount > 0)
        row = setup.comboheaders && setup.pinnedheader ? 1 : 0;
    else
        row = setup.comboheaders ? 1 : 0;
    return std::min(row, rowCount - 1);
}

} // namespace lorvanta
