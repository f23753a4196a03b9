#include "pinning.h"

#include "core/keywords/exeword.h"
#include "core/list/listitems.h"
#include "core/list/rowlist.h"
#include "core/settings/setup.h"
#include "history.h"

namespace lorvanta {

namespace {

// Rows before the first pinned row.
int pinnedOffset(const Setup& s) {
    return s.comboheaders && s.pinnedheader ? 1 : 0;
}

// Whether `selected` is one of the pinned rows at the top of the list.
bool isPinnedRow(const Pinned& pinned, const Setup& setup, int selected) {
    const int inPinned = selected - pinnedOffset(setup);
    return setup.pinnedshow && inPinned >= 0 && inPinned < pinned.size();
}

PinOutcome afterPin(const Pinned& pinned, const Setup& setup, const QString& text, int result,
                    int selected, bool fromPinnedRows) {
    PinOutcome o;
    switch (result) {
    case 1:
        o.toast = QStringLiteral("Pinned: ") + text;
        if (setup.pinnedshow) {
            o.refresh = PinOutcome::Refresh::RebuildPinned;
            o.selectRow = pinnedOffset(setup) + pinned.indexOf(text);
        }
        break;
    case -1:
        o.toast = QStringLiteral("Unpinned: ") + text;
        if (pinned.empty()) {
            o.refresh = PinOutcome::Refresh::ResetSearch;
        } else {
            o.refresh = PinOutcome::Refresh::RebuildPinned;
            o.selectRow = std::max(0, fromPinnedRows ? selected : selected - 1);
        }
        break;
    case 2:
        o.toast = QStringLiteral("Already pinned");
        break;
    default:
        break;
    }
    return o;
}

} // namespace

PinOutcome PinSelectedFromInput(Pinned& pinned, const Setup& setup, const QString& input,
                                const TListObject* current) {
    QString text = input.trimmed();
    const TListObject* item = current;
    if (const auto* fuzzy = dynamic_cast<const TMyFuzzyItem*>(current)) {
        if (const auto* w = dynamic_cast<const TExeWord*>(fuzzy->obj.get())) {
            text = w->DefaultKeyword();
            item = nullptr;
        } else {
            item = fuzzy->obj.get();
        }
    }
    if (dynamic_cast<const TMyNoteItem*>(item)) {
        PinOutcome o;
        o.note = item;
        return o;
    }
    const int result = pinned.AddToPinned(text, item, false);
    return afterPin(pinned, setup, text, result, -1, false);
}

PinOutcome PinSelectedFromList(Pinned& pinned, const Setup& setup, const RowList& rows,
                               int selected) {
    if (selected < 0 || selected >= rows.size() || rows.at(selected).text.startsWith(u"===="))
        return {};
    const auto& row = rows.at(selected);
    if (dynamic_cast<const TMyNoteItem*>(row.object.get())) {
        PinOutcome o;
        o.note = row.object.get();
        return o;
    }
    const bool withinPinned = isPinnedRow(pinned, setup, selected);
    const QString text = row.text.trimmed();
    const int result = pinned.AddToPinned(row.text, row.object.get(), withinPinned);
    return afterPin(pinned, setup, text, result, selected, withinPinned);
}

bool DeleteListRow(Pinned& pinned, History& history, const Setup& setup, const RowList& rows,
                   int selected) {
    if (selected < 0 || selected >= rows.size()) return false;
    const auto& row = rows.at(selected);
    if (isPinnedRow(pinned, setup, selected) && pinned.indexOf(row.text.trimmed()) >= 0)
        return setup.pinneddelete && pinned.AddToPinned(row.text, row.object.get(), true) == -1;
    return history.KillHist(row.text);
}

PinOutcome MoveSelectedPinned(Pinned& pinned, const Setup& setup, const RowList& rows, int selected,
                              bool up, int position) {
    if (selected < 0 || selected >= rows.size()) return {};
    const int result = pinned.MovePinned(rows.at(selected).text, up, position);
    if (result == 0) return {};
    PinOutcome o;
    o.refresh = PinOutcome::Refresh::RebuildPinned;
    const int first = pinnedOffset(setup);
    if (result == 1)
        o.selectRow = first;
    else if (result == 2)
        o.selectRow = first + pinned.size() - 1;
    else
        o.selectRow = up ? selected - 1 : selected + 1;
    return o;
}

} // namespace lorvanta
