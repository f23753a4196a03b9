#include "idleinfo.h"

#include "core/settings/setup.h"
#include "core/util/seams.h"

#include <algorithm>

namespace lorvanta {

namespace {
constexpr int kRefreshMs = 1000;
constexpr int kFocusRefreshMs = 2000;
} // namespace

IdleInfo::IdleInfo(const Setup& setup, IdleInfoView& view, Scheduler& scheduler, Expand expand)
    : setup_(setup), view_(view), scheduler_(scheduler), expand_(std::move(expand)) {}

void IdleInfo::DisplayIdleInfo(bool doshow) {
    if (!doshow) {
        stopRefresh();
        if (shown_) view_.restoreDecorations();
        shown_ = false;
        view_.focusInput();
        return;
    }
    if (!saved_.saved()) {
        saved_ = {view_.inputText(), std::max(0, view_.selectionStart()), view_.selectionLength()};
    }
    view_.setInputQuietly(expand_(setup_.infosyntax));
    // Only the first show hides the decorations: a refresh would otherwise
    // remember them as hidden and never bring them back.
    if (!shown_) view_.hideDecorations();
    shown_ = true;
    armRefresh();
}

void IdleInfo::armRefresh() {
    const quint64 generation = ++refreshGeneration_;
    std::weak_ptr<int> alive = alive_;
    scheduler_.after(kRefreshMs, [this, alive, generation] {
        if (!alive.expired() && generation == refreshGeneration_) DisplayIdleInfo(true);
    });
}

void IdleInfo::leaveIdle(bool keepInput) {
    stopRefresh();
    // Kept input was put there by the caller: the saved one is stale, and
    // restoring it at a later show would overwrite the newer text.
    if (!keepInput && saved_.saved())
        view_.restoreInput(saved_.text, saved_.selectionStart, saved_.selectionLength);
    saved_ = {};
}

bool IdleInfo::showsFocusLine() const {
    return view_.inputText() == focusLine_ && view_.selectionStart() == 0 &&
           view_.selectionLength() == focusLine_.size();
}

void IdleInfo::startFocusRefresh() {
    focusLine_ = expand_(setup_.infosyntax);
    view_.setInputSelected(focusLine_);
    armFocusRefresh();
}

void IdleInfo::armFocusRefresh() {
    const quint64 generation = ++focusGeneration_;
    std::weak_ptr<int> alive = alive_;
    scheduler_.after(kFocusRefreshMs, [this, alive, generation] {
        if (alive.expired() || generation != focusGeneration_) return;
        // The user typed or moved the caret: the line is no longer the
        // input's, so it is left alone from now on.
        if (!showsFocusLine()) return;
        startFocusRefresh();
    });
}

} // namespace lorvanta
