#pragma once

#include <QString>

namespace lorvanta {

struct Setup;
class History;
class Pinned;
class RowList;
class TListObject;

// What a pin command asks of the window after it changed the pinned list.
struct PinOutcome {
    enum class Refresh { None, RebuildPinned, ResetSearch };
    QString toast;                     // "Pinned: x", "Unpinned: x", "Already pinned"
    Refresh refresh = Refresh::None;   // rebuild the list ("refreshpinned"), or reset the search
    int selectRow = -1;                // the row to select after the rebuild
    const TListObject* note = nullptr; // a note to pin in the notes window instead
};

// Ctrl+P in the input box: pins the input with the current item. A fuzzy
// suggestion pins the keyword's name, or the file it suggests.
PinOutcome PinSelectedFromInput(Pinned& pinned, const Setup& setup, const QString& input,
                                const TListObject* current);
// Ctrl+P on a row of the list: pins it, or unpins it when it is a pinned row.
PinOutcome PinSelectedFromList(Pinned& pinned, const Setup& setup, const RowList& rows,
                               int selected);
// Delete on a row of the list: a pinned row is unpinned when `pinneddelete`
// is on (and left alone when it is off); any other row's text leaves the
// history. Whether anything was removed.
bool DeleteListRow(Pinned& pinned, History& history, const Setup& setup, const RowList& rows,
                   int selected);
// Ctrl+(Shift+)Up/Down on a pinned row: `position` 1 top, 2 bottom, 0 one place.
PinOutcome MoveSelectedPinned(Pinned& pinned, const Setup& setup, const RowList& rows, int selected,
                              bool up, int position);

} // namespace lorvanta
