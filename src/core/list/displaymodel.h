#pragma once

#include "rowlist.h"

#include <QRect>
#include <QString>
#include <vector>

namespace lorvanta {

struct Setup;

// What the result pane shows of the candidate list, worked out without a
// window: the rows with their numbers, the pane's height and place, and the
// row selected first. The pane widget only draws this.
class ListDisplayModel {
public:
    struct Row {
        QString text;
        QString number; // "1" to "9" for the first nine rows that are no headers
        std::unique_ptr<TListObject> object;
        bool header = false;
    };

    // Takes a copy of `rows` unless their texts equal those shown last;
    // returns whether the shown rows changed.
    bool update(const RowList& rows);
    const std::vector<Row>& rows() const { return rows_; }
    void clear() {
        rows_.clear();
        shownTexts_.clear();
    }

    // The pane's height: `maxvisible` rows when the size is fixed, when the
    // list itself did not ask, or while a custom element is shown; otherwise
    // the rows there are, up to `maxvisible`. A `newHeight` of 1 or more wins.
    static int height(const Setup& setup, int rowCount, int rowHeight, bool callerIsList,
                      bool customElementShown, int newHeight = 0);
    // Below the input window, or above it when there is no room below but
    // there is above; horizontally at its left edge. A skin may give offsets.
    static QPoint place(const QRect& input, int paneHeight, const QRect& monitor,
                        int skinOffsetY = -1, int skinOffsetX = 0);
    // The row selected when the list takes the focus: the first pinned row
    // when pinned entries were listed, else the first row under the header.
    static int initialSelection(const Setup& setup, int rowCount, bool pinnedRan, int pinnedCount);

private:
    std::vector<Row> rows_;
    QStringList shownTexts_;
};

} // namespace lorvanta
