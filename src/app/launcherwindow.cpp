#include "launcherwindow.h"

#include "commands/engine.h"
#include "core/history/pinning.h"
#include "pane/resultpane.h"
#include "shell/showhide/showhide.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>

namespace lorvanta {

QColor settingColour(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// The line edit as input handling sees it.
class LauncherWindow::Box final : public InputBox {
public:
    explicit Box(QLineEdit& e) : e_(e) {}
    QString text() const override { return e_.text(); }
    void setText(const QString& t) override { e_.setText(t); }
    int cursorPosition() const override { return e_.cursorPosition(); }
    void setCursorPosition(int p) override { e_.setCursorPosition(p); }
    void setSelection(int start, int length) override { e_.setSelection(start, length); }
    int selectionStart() const override { return e_.hasSelectedText() ? e_.selectionStart() : -1; }
    int selectionLength() const override {
        return e_.hasSelectedText() ? int(e_.selectedText().size()) : 0;
    }

private:
    QLineEdit& e_;
};

namespace {

InputKey inputKey(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return InputKey::Enter;
    case Qt::Key_Escape:
        return InputKey::Escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return InputKey::Tab;
    case Qt::Key_Down:
        return InputKey::Down;
    case Qt::Key_Up:
        return InputKey::Up;
    case Qt::Key_Left:
        return InputKey::Left;
    case Qt::Key_Right:
        return InputKey::Right;
    case Qt::Key_Backspace:
        return InputKey::Backspace;
    case Qt::Key_Delete:
        return InputKey::Delete;
    case Qt::Key_F3:
        return InputKey::F3;
    case Qt::Key_F4:
        return InputKey::F4;
    case Qt::Key_F5:
        return InputKey::F5;
    case Qt::Key_F8:
        return InputKey::F8;
    case Qt::Key_F10:
        return InputKey::F10;
    case Qt::Key_A:
        return InputKey::A;
    case Qt::Key_E:
        return InputKey::E;
    case Qt::Key_R:
        return InputKey::R;
    default:
        return key >= Qt::Key_0 && key <= Qt::Key_9 ? InputKey::Digit : InputKey::Other;
    }
}

// The key event as input handling reads it; what it means is decided there.
KeyStroke keyStroke(const QKeyEvent& e) {
    KeyStroke k;
    k.key = inputKey(e.key());
    const auto mods = e.modifiers();
    k.ctrl = mods & Qt::ControlModifier;
    k.shift = (mods & Qt::ShiftModifier) || e.key() == Qt::Key_Backtab;
    k.alt = mods & Qt::AltModifier;
    k.keypad = mods & Qt::KeypadModifier;
    if (k.key == InputKey::Digit) k.digit = e.key() - Qt::Key_0;
    return k;
}

} // namespace

void WordEdit::keyPressEvent(QKeyEvent* event) {
    if (!controller) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (window && window->handleMenuKey(event)) return;
    const KeyStroke key = keyStroke(*event);
    if (controller->keyDown(key)) return;
    const QString t = event->text();
    const bool printable = t.size() == 1 && t[0].isPrint() && !key.ctrl && !key.alt;
    if (!(printable && controller->keyPress(t[0]))) QLineEdit::keyPressEvent(event);
    controller->keyUp(key);
}

LauncherWindow::LauncherWindow(CoreState& core, const DataFolder& folder,
                               platform::Platform& platform, ExpansionServices& expansion,
                               ExecutionServices& services, Scheduler& scheduler,
                               const Clock& clock, Random& random, const ListSources& sources)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), core_(core),
      enginePtr_(std::make_unique<Engine>(core, folder, platform, *this, expansion, services,
                                          scheduler, clock, random, sources)),
      engine_(*enginePtr_), previous_(platform.focus) {
    Engine& engine = engine_;
    setWindowTitle(QStringLiteral("Lorvanta"));
    setObjectName(QStringLiteral("TMainForm"));
    edit_ = new WordEdit(this);
    edit_->setObjectName(QStringLiteral("WordEdit"));
    edit_->setFrame(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(edit_);
    pane_ = new ResultPane(nullptr);
    box_ = std::make_unique<Box>(*edit_);
    controller_ =
        std::make_unique<InputController>(core.setup, core.store, core.history, engine.list,
                                          engine.execution, engine.environment, *box_, *this);
    controller_->setIndex(sources.index);
    edit_->controller = controller_.get();
    listTimer_.setSingleShot(true);
    connect(&listTimer_, &QTimer::timeout, this, [this] { controller_->listTimerFired(); });
    setAcceptDrops(true);
    setMouseTracking(true); // the sizing cursor at the right edge
    edit_->window = this;
    connectPane();
    connectInput();
    applyLook();
}

// The list's keys and the editor's Execute reach execution and the pinned list.
void LauncherWindow::connectPane() {
    connect(&pane_->list(), &ResultList::moved, this, [this](int row) { takeRowAsInput(row); });
    connect(&pane_->list(), &ResultList::activated, this, [this](int row) {
        takeRowAsInput(row);
        ExecuteFlags f;
        f.iskeydown = true;
        engine_.execution.DoExecute(edit_->text(), f);
    });
    connect(&pane_->list(), &ResultList::escape, this, [this] {
        activateWindow();
        edit_->setFocus();
    });
    connect(&pane_->list(), &ResultList::deleteRow, this, [this](int row) {
        if (DeleteListRow(core_.pinned, core_.history, core_.setup, engine_.list.rows(), row))
            controller_->ProcessInput(3);
    });
    connect(pane_, &ResultPane::editClosed, this, [this](int caret) { closeExpandedEdit(caret); });
    connect(pane_, &ResultPane::executeEdit, this, [this](const QString& text) {
        pane_->dismissCustomElements();
        engine_.execution.DoExecute(text);
    });
    connect(&pane_->list(), &ResultList::movePinned, this, [this](int row, bool up, int position) {
        const PinOutcome o =
            MoveSelectedPinned(core_.pinned, core_.setup, engine_.list.rows(), row, up, position);
        if (o.refresh == PinOutcome::Refresh::None) return;
        controller_->ProcessInput(3, QStringLiteral("refreshpinned"));
        if (o.selectRow >= 0) pane_->list().setCurrentRow(o.selectRow);
    });
}

void LauncherWindow::connectInput() {
    // An open editor follows what is typed in the box, caret and all; the
    // caret is placed after the text changes.
    const auto follow = [this] {
        if (!controller_->infoLine() && pane_->editShown() && edit_->hasFocus())
            pane_->setEditText(edit_->text(), edit_->cursorPosition());
    };
    connect(edit_, &QLineEdit::cursorPositionChanged, this, follow);
    connect(edit_, &QLineEdit::textChanged, this, [this, follow](const QString& text) {
        follow();
        // Without the focus, no key of ours made the change.
        if (!edit_->hasFocus()) controller_->textChangedElsewhere(text);
        // Typing up to the right edge opens the editor, which has room.
        if (core_.setup.autoexpand && edit_->hasFocus() && edit_->cursorPosition() == text.size() &&
            edit_->caretRight() > edit_->width() - 5)
            openExpandedEdit();
        if (core_.setup.fastbrowserhide && text.isEmpty()) pane_->dismissCustomElements();
    });
}

LauncherWindow::~LauncherWindow() {
    delete pane_;
}

void LauncherWindow::applyLook() {
    const Setup& s = core_.setup;
    QFont font(s.fontname.isEmpty() ? QStringLiteral("DejaVu Sans") : s.fontname);
    if (s.fontsize > 0) font.setPointSize(s.fontsize);
    font.setBold(s.fontbold);
    edit_->setFont(font);
    setFailColour(false);
    applyWidth();
    placeWindow();
}

void LauncherWindow::applyWidth() {
    const Setup& s = core_.setup;
    // `customwidth` is pixels (set by resizing); `width` is the older,
    // narrower measure.
    const int w = s.customwidth > 0 ? s.customwidth : std::max(s.width, 130) * 3;
    resize(w, edit_->sizeHint().height() + 12);
}

void LauncherWindow::mousePressEvent(QMouseEvent* event) {
    resizing_ = showHide_ && event->button() == Qt::LeftButton &&
                onResizeEdge(int(event->position().x()), width());
    if (!resizing_) QWidget::mousePressEvent(event);
}

void LauncherWindow::mouseMoveEvent(QMouseEvent* event) {
    const int x = int(event->position().x());
    if (resizing_ && !dragHolds(x, width())) resizing_ = false;
    if (resizing_) showHide_->placer().dragRightEdge(x);
    setCursor(resizing_ || onResizeEdge(x, width()) ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void LauncherWindow::mouseReleaseEvent(QMouseEvent* event) {
    resizing_ = false;
    QWidget::mouseReleaseEvent(event);
}

void LauncherWindow::setInputQuietly(const QString& text) {
    const QSignalBlocker quiet(edit_);
    edit_->setText(text);
}

void LauncherWindow::placeWindow() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
    QPoint p(core_.setup.posx, core_.setup.posy);
    if (core_.setup.center != 0) p = area.center() - QPoint(width() / 2, height() * 3);
    // Kept on screen, whatever the stored position says.
    p.setX(std::clamp(p.x(), area.left(), std::max(area.left(), area.right() - width())));
    p.setY(std::clamp(p.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    move(p);
}

void LauncherWindow::placePane(bool callerIsList) {
    const QScreen* screen = this->screen();
    const QRect monitor = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
    const int rowHeight = std::max(pane_->list().sizeHintForRow(0), fontMetrics().height() + 4);
    const int h = ListDisplayModel::height(core_.setup, int(display_.rows().size()), rowHeight,
                                           callerIsList, pane_->infoShown() || pane_->editShown()) +
                  2;
    pane_->resize(width(), h);
    pane_->move(ListDisplayModel::place(frameGeometry(), h, monitor));
}

void LauncherWindow::showAndFocus() {
    if (showHide_) {
        showHide_->ManageShowHide(true, false, ShowHide::kLockMs);
        return;
    }
    previous_.remember(); // before the launcher is the window in front
    show();
    raise();
    activateWindow();
    edit_->setFocus();
}

void LauncherWindow::externalInput(const QString& text, bool execute, bool selectAll) {
    showAndFocus();
    controller_->SetNewWord(text, selectAll);
    if (!selectAll) edit_->setCursorPosition(int(text.size()));
    if (execute) engine_.execution.DoExecute(text);
}

// ------------------------------------------------------------ ExecutionHost

QString LauncherWindow::inputText() const {
    return edit_->text();
}

void LauncherWindow::setNewWord(const QString& text) {
    controller_->SetNewWord(text, true);
}

void LauncherWindow::setFailColour(bool failed) {
    failed_ = failed;
    QPalette p = edit_->palette();
    p.setColor(QPalette::Text,
               settingColour(failed ? core_.setup.failcolor : core_.setup.textcolor));
    edit_->setPalette(p);
}

void LauncherWindow::selectInput(bool selected) {
    if (selected)
        edit_->selectAll();
    else
        edit_->deselect();
}

void LauncherWindow::putBackInput(const QString& text) {
    edit_->setText(text);
    edit_->setCursorPosition(int(text.size()));
    showAndFocus();
}

void LauncherWindow::toast(const QString& text) {
    lastToast_ = text;
    if (isVisible()) QToolTip::showText(mapToGlobal(QPoint(0, height())), text, this, {}, 2750);
}

void LauncherWindow::messageBox(const QString& caption, const QString& text) {
    QMessageBox::information(this, caption, text);
}

void LauncherWindow::inputDialog(const QString& caption, const QString& prompt,
                                 const QString& value) {
    QInputDialog::getText(this, caption, prompt, QLineEdit::Normal, value);
}

void LauncherWindow::showInfoText(const QString& text, bool focus) {
    placePane(false);
    pane_->showInfoText(text, focus);
}

void LauncherWindow::showListForInput() {
    controller_->ProcessInput(3);
}
void LauncherWindow::refreshListQuietly(const QString& sender) {
    controller_->ProcessInput(4, sender);
}
bool LauncherWindow::takeFirstCandidate(bool force) {
    return controller_->TakeFirstCandidate(force);
}
void LauncherWindow::hideListPane() {
    hideList();
}

void LauncherWindow::stopListTimer() {
    listTimer_.stop();
}

void LauncherWindow::hideWindow() {
    if (showHide_) {
        showHide_->ManageShowHide(false, false, ShowHide::kLockMs);
        return;
    }
    pane_->hide();
    hide();
}

void LauncherWindow::closeProgram() {
    Q_EMIT closeRequested();
}

// ------------------------------------------------------------ InputView

void LauncherWindow::showList(ListFocus focus) {
    const bool toList = focus == ListFocus::List;
    // A list asked for by key replaces a shown text or editor; a refresh leaves them.
    if (toList) pane_->dismissCustomElements();
    display_.update(engine_.list.rows());
    if (display_.rows().empty() && !customElementShown()) {
        hideList(); // no empty box under the input
        return;
    }
    placePane(true);
    if (!isVisible()) return;
    const int selected =
        toList ? ListDisplayModel::initialSelection(core_.setup, int(display_.rows().size()),
                                                    engine_.list.pinnedRan(), core_.pinned.size())
               : -1;
    pane_->showRows(display_, selected, toList);
    if (!display_.rows().empty()) Q_EMIT listShown();
    if (toList && selected >= 0) takeRowAsInput(selected);
    if (focus == ListFocus::Input) {
        activateWindow();
        edit_->setFocus();
    }
}

void LauncherWindow::hideList() {
    pane_->hide();
    display_.clear();
}
bool LauncherWindow::listVisible() const {
    return pane_->isVisible();
}

void LauncherWindow::takeNumberedRow(int number) {
    for (int i = 0; i < int(display_.rows().size()); ++i)
        if (display_.rows()[size_t(i)].number == QString::number(number)) {
            pane_->list().setCurrentRow(i);
            takeRowAsInput(i);
            return;
        }
}

void LauncherWindow::activatePreviousWindow() {
    previous_.activate();
}

void LauncherWindow::dismissCustomElements() {
    pane_->dismissCustomElements();
}

bool LauncherWindow::customElementShown() const {
    return pane_->infoShown() || pane_->editShown();
}

// Back from the editor: the box takes its caret and the focus, and the list
// follows the input again.
void LauncherWindow::closeExpandedEdit(int caret) {
    edit_->setCursorPosition(caret);
    activateWindow();
    edit_->setFocus();
    if (core_.setup.autodropdown) controller_->ProcessInput(4);
}

void LauncherWindow::scheduleListRefresh(int ms) {
    listTimer_.start(ms);
}

void LauncherWindow::takeRowAsInput(int row) {
    if (row < 0 || row >= engine_.list.rows().size()) return;
    const ListRow& r = engine_.list.rows().at(row);
    if (r.isHeader()) return;
    // The row's text replaces the segment the list completed after.
    const QString text = engine_.list.keptPrefix() + r.text;
    std::unique_ptr<TListObject> object = CloneListObject(r.object.get());
    edit_->setText(text);
    edit_->selectAll();
    engine_.list.setCurrentItem(std::move(object));
}

} // namespace lorvanta
