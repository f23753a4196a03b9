#pragma once

// Stand-ins for the show/hide tests: virtual time that moves only when a
// test advances it, and a launcher window that records what it was asked
// to do and answers queries from plain fields.

#include "core/util/seams.h"
#include "shell/showhide/showhide.h"

#include <QStringList>
#include <algorithm>
#include <vector>

namespace lorvanta::test {

// A clock and a scheduler sharing one virtual time.
class VirtualTime final : public Clock, public Scheduler {
public:
    QDateTime now() const override { return start_.addMSecs(elapsed_); }
    void after(int milliseconds, std::function<void()> work) override {
        queue_.push_back({elapsed_ + std::max(0, milliseconds), counter_++, std::move(work)});
    }
    // Moves time forward, running due work in time order on the way.
    void advance(qint64 ms) {
        const qint64 end = elapsed_ + ms;
        for (;;) {
            auto first = std::min_element(queue_.begin(), queue_.end(), [](auto& a, auto& b) {
                return a.at != b.at ? a.at < b.at : a.order < b.order;
            });
            if (first == queue_.end() || first->at > end) break;
            Item item = std::move(*first);
            queue_.erase(first);
            elapsed_ = item.at;
            item.work();
        }
        elapsed_ = end;
    }
    size_t pending() const { return queue_.size(); }

private:
    struct Item {
        qint64 at;
        quint64 order;
        std::function<void()> work;
    };
    QDateTime start_ = QDateTime(QDate(2026, 3, 9), QTime(9, 0));
    qint64 elapsed_ = 0;
    quint64 counter_ = 0;
    std::vector<Item> queue_;
};

class RecordingView final : public ShowHideView {
public:
    // What the window did, one entry per call that changes something.
    QStringList calls;
    int count(const char* call) const { return int(calls.count(QString::fromUtf8(call))); }
    bool did(const char* call) const { return calls.contains(QString::fromUtf8(call)); }

    // Answers.
    bool visible = false;
    bool foreground = false;
    bool settingsOpen = false;
    bool settingsForeground = false;
    bool browserOrNotesActive = false;
    bool listBefore = false;
    bool customElement = false;
    bool paneActivating = false;
    bool startPage = false;
    bool calcInput = false;
    bool paneVisible = false;
    FocusedPart focused = FocusedPart::Elsewhere;
    Monitors screens;
    std::optional<QPoint> cursor;
    QRect window{0, 0, 400, 40};
    std::optional<QRect> previous;
    double scale = 1.0;
    int border = 0;

    // The input box.
    QString text;
    int selStart = 0;
    int selLength = 0;
    // Icon, arrow and title: hiding remembers whether they were visible,
    // restoring brings back what was remembered, as the window does.
    bool decorationsVisible = true;
    bool decorationsRemembered = true;

    // The last opacity set; the pane's stays untouched when not inherited.
    Opacity windowOpacity;
    Opacity paneOpacity;

    Monitors monitors() const override { return screens; }
    std::optional<QPoint> cursorPosition() const override { return cursor; }
    QRect launcherGeometry() const override { return window; }
    std::optional<QRect> previousWindowGeometry() const override { return previous; }
    bool resultPaneVisible() const override { return paneVisible; }
    double designScale() const override { return scale; }
    int listBorderWidth() const override { return border; }
    void moveLauncher(QPoint p) override {
        window.moveTopLeft(p);
        log(QStringLiteral("move %1,%2").arg(p.x()).arg(p.y()));
    }
    void applyDesignForResize() override { log("applyDesign"); }
    void layoutListForHeight(int h) override { log(QStringLiteral("layoutList %1").arg(h)); }
    void redisplayList() override { log("redisplayList"); }

    QString inputText() const override { return text; }
    int selectionStart() const override { return selStart; }
    int selectionLength() const override { return selLength; }
    void setInputQuietly(const QString& t) override {
        text = t;
        selStart = selLength = 0;
        log(QStringLiteral("setInputQuietly ") + t);
    }
    void restoreInput(const QString& t, int start, int length) override {
        text = t;
        selStart = start;
        selLength = length;
        log(QStringLiteral("restoreInput %1 %2 %3").arg(t).arg(start).arg(length));
    }
    void setInputSelected(const QString& t) override {
        text = t;
        selStart = 0;
        selLength = int(t.size());
        log(QStringLiteral("setInputSelected ") + t);
    }
    void hideDecorations() override {
        decorationsRemembered = decorationsVisible;
        decorationsVisible = false;
        log("hideDecorations");
    }
    void restoreDecorations() override {
        decorationsVisible = decorationsRemembered;
        log("restoreDecorations");
    }
    void focusInput() override { log("focusInput"); }

    bool mainWindowVisible() const override { return visible; }
    bool mainWindowIsForeground() const override { return foreground; }
    bool settingsDialogOpen() const override { return settingsOpen; }
    bool settingsDialogIsForeground() const override { return settingsForeground; }
    bool browserOrNotesWindowActive() const override { return browserOrNotesActive; }
    bool listShownBefore() const override { return listBefore; }
    bool customElementShown() const override { return customElement; }
    bool paneBeingActivated() const override { return paneActivating; }
    FocusedPart focusedPart() const override { return focused; }

    void closeInputAssist() override { log("closeInputAssist"); }
    void clearInput() override {
        text.clear();
        selStart = selLength = 0;
        log("clearInput");
    }
    void hideLauncher() override {
        visible = foreground = false;
        log("hideLauncher");
    }
    void keepNotesWindowOnTop() override { log("keepNotesWindowOnTop"); }
    void showTrayIcon() override { log("showTrayIcon"); }
    void removeTrayIcon() override { log("removeTrayIcon"); }

    void rememberPreviousWindow() override { log("rememberPreviousWindow"); }
    void makeLauncherTopmost() override { log("makeLauncherTopmost"); }
    bool startPageWouldShow() const override { return startPage; }
    void showMainWindow() override {
        visible = true;
        log("showMainWindow");
    }
    void showResultPane() override {
        paneVisible = true;
        log("showResultPane");
    }
    void activateMainWindow() override {
        foreground = true;
        log("activateMainWindow");
    }
    bool inputBeginsWithCalcChar() const override { return calcInput; }
    void resetSearch() override {
        text.clear();
        log("resetSearch");
    }
    void showStartPage() override { log("showStartPage"); }
    void showListControl() override { log("showListControl"); }
    void focusPaneEditor() override { log("focusPaneEditor"); }
    void focusBrowserPage() override { log("focusBrowserPage"); }
    void keepDialogsInFront(bool onTop) override {
        log(onTop ? "keepDialogsInFront topmost" : "keepDialogsInFront");
    }
    void restoreSkinIcon() override { log("restoreSkinIcon"); }

    void setOpacity(Opacity w, std::optional<Opacity> pane) override {
        windowOpacity = w;
        if (pane) paneOpacity = *pane;
        log("setOpacity");
    }
    void restoreInputColours() override { log("restoreInputColours"); }
    void hideTaskbarWindow() override { log("hideTaskbarWindow"); }
    void clearListSelection() override { log("clearListSelection"); }
    void hideResultPane() override {
        paneVisible = false;
        log("hideResultPane");
    }
    void repaintAsOneWindow() override { log("repaintAsOneWindow"); }
    void closeCustomHint() override { log("closeCustomHint"); }
    void rejoinClipboardViewer() override { log("rejoinClipboardViewer"); }
    void refreshIndexOnFocus() override { log("refreshIndexOnFocus"); }

private:
    void log(const QString& call) { calls.append(call); }
    void log(const char* call) { calls.append(QString::fromUtf8(call)); }
};

} // namespace lorvanta::test
