#pragma once

#include "core/exec/executionhost.h"
#include "core/input/inputbox.h"
#include "core/input/inputcontroller.h"
#include "core/list/displaymodel.h"
#include "previouswindow.h"

#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace lorvanta {

struct Engine;
struct CoreState;
struct ListSources;
class ResultPane;
class ShowHide;
class DataFolder;
class ExpansionServices;
class Scheduler;
class Clock;
class Random;
namespace platform {
struct Platform;
}

// The input box: a line edit that hands its keys to input handling first.
class WordEdit final : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    InputController* controller = nullptr;
    class LauncherWindow* window = nullptr;
    int caretRight() const { return cursorRect().right(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A colour setting (0x00BBGGRR) as a colour.
QColor settingColour(int value);

// The launcher window: the input box, the result pane under it, and the
// host that execution and the commands report to.
class LauncherWindow final : public QWidget, public ExecutionHost, public InputView {
    Q_OBJECT
public:
    // The window builds the engine it hosts.
    LauncherWindow(CoreState& core, const DataFolder& folder, platform::Platform& platform,
                   ExpansionServices& expansion, ExecutionServices& services, Scheduler& scheduler,
                   const Clock& clock, Random& random, const ListSources& sources);
    ~LauncherWindow() override;

    WordEdit& input() { return *edit_; }
    Engine& engine() { return engine_; }
    ResultPane& pane() { return *pane_; }
    InputController& controller() { return *controller_; }
    PreviousWindow& previousWindow() { return previous_; }
    // Shows and focuses the window (a second start, the first start),
    // remembering the window that had the focus; through the show/hide logic
    // when one is set.
    void showAndFocus();
    // The logic that decides about showing and hiding; nullptr: the window
    // shows and hides itself.
    void setShowHide(ShowHide* showHide) { showHide_ = showHide; }
    // Lays the window out for the `customwidth` or `width` setting.
    void applyWidth();
    // Sets the input without the change handling: no completion, no list.
    void setInputQuietly(const QString& text);
    // Text from another program: put into the box (selected when asked), or run.
    void externalInput(const QString& text, bool execute, bool selectAll);
    void setClosing() { closing_ = true; }
    // A file or folder dropped on the window, or handed over by a second
    // start, becomes a keyword; until the keyword editor exists it is added
    // with its derived name and saved.
    void addDroppedPath(const QString& path);

    // ExecutionHost
    QString inputText() const override;
    void setNewWord(const QString& text) override;
    void setFailColour(bool failed) override;
    bool showsFailColour() const override { return failed_; }
    void selectInput(bool selected) override;
    void putBackInput(const QString& text) override;
    void toast(const QString& text) override;
    void messageBox(const QString& caption, const QString& text) override;
    void inputDialog(const QString& caption, const QString& prompt, const QString& value) override;
    void showInfoText(const QString& text, bool focus) override;
    void bringToFront() override { showAndFocus(); }
    void openEditText() override { openExpandedEdit(); }
    void showListForInput() override;
    void refreshListQuietly(const QString& sender) override;
    bool takeFirstCandidate(bool force) override;
    void hideListPane() override;
    void stopListTimer() override;
    void hideWindow() override;
    void closeProgram() override;
    bool closing() const override { return closing_; }

    // InputView
    void showList(ListFocus focus) override;
    void hideList() override;
    bool listVisible() const override;
    void takeNumberedRow(int number) override;
    void activatePreviousWindow() override;
    void dismissCustomElements() override;
    bool customElementShown() const override;
    void openExpandedEdit() override;
    void scheduleListRefresh(int ms) override;
    void focusInput() override { edit_->setFocus(); }
    bool inputFocused() const override { return edit_->hasFocus(); }

    // The toast shown last (for tests and the title line to come).
    const QString& lastToast() const { return lastToast_; }

    // The menu actions of the input window that the launcher core owns.
    void copyFullPath(bool intoInput) override;
    void openFolderOfItem();
    void browseFiles();
    void pinItem();
    void deleteCurrentFromHistory() override;
    void openCurrentKeywordInEditor();
    void addKeyword();
    // The menu's shortcuts typed in the input box that input handling does
    // not take, and the keys of parts still to come; true when the key was
    // one of them.
    bool handleMenuKey(QKeyEvent* event);
    // The input window's menu.
    class QMenu& menu();

Q_SIGNALS:
    void closeRequested();
    // The candidate list was shown with rows.
    void listShown();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    // Dragging the right edge sets the width.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenu();
    void connectPane();
    void connectInput();
    void notAvailable(const QString& feature);
    class Box;
    void applyLook();
    void placeWindow();
    void placePane(bool callerIsList);
    void takeRowAsInput(int row);
    void closeExpandedEdit(int caret);

    CoreState& core_;
    std::unique_ptr<Engine> enginePtr_;
    Engine& engine_;
    WordEdit* edit_;
    ResultPane* pane_;
    std::unique_ptr<Box> box_;
    std::unique_ptr<InputController> controller_;
    ListDisplayModel display_;
    PreviousWindow previous_;
    ShowHide* showHide_ = nullptr;
    bool resizing_ = false;
    QTimer listTimer_;
    bool failed_ = false;
    bool closing_ = false;
    QString lastToast_;
    class QMenu* menu_ = nullptr;
};

} // namespace lorvanta
