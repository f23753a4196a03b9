// The launcher window's keys around the input box, its menu and the menu
// actions that the launcher core owns.

#include "app/launcherwindow.h"
#include "commands/engine.h"
#include "core/history/pinning.h"
#include "core/keywords/addkeyword.h"
#include "core/text/textkinds.h"
#include "pane/resultpane.h"
#include "shell/dropword.h"
#include "shell/showhide/showhide.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace lorvanta {

namespace {

// Keys of parts still to come: F1 with `startf1`, Shift+F2, F11, Alt+Menu,
// Ctrl+Space, and the menu entries not built yet. The feature as the user
// knows it, with its verb; empty for other keys.
QString comingKey(int k, bool ctrl, bool shift, bool alt, bool startf1) {
    if (k == Qt::Key_F1 && startf1) return QStringLiteral("The start page is");
    if (k == Qt::Key_F2 && shift) return QStringLiteral("The browser pane is");
    if (k == Qt::Key_Menu && alt) return QStringLiteral("The context menu of items is");
    if (!ctrl || alt) return {};
    switch (k) {
    case Qt::Key_Space:
        return QStringLiteral("Input assist is");
    case Qt::Key_N:
        return QStringLiteral("Notes are");
    case Qt::Key_S:
        return QStringLiteral("The settings dialog is");
    case Qt::Key_K:
        return QStringLiteral("The keyword editor is");
    case Qt::Key_F5:
        return QStringLiteral("Skins are");
    default:
        return {};
    }
}

} // namespace

bool LauncherWindow::handleMenuKey(QKeyEvent* e) {
    const auto mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier, shift = mods & Qt::ShiftModifier,
               alt = mods & Qt::AltModifier;
    const int k = e->key();
    if (k == Qt::Key_F11 && showHide_) {
        showHide_->placer().f11(shift, ctrl);
        return true;
    }
    if (const QString coming = comingKey(k, ctrl, shift, alt, core_.setup.startf1);
        !coming.isEmpty()) {
        notAvailable(coming);
        return true;
    }
    if (!ctrl) return false;
    std::function<void()> action;
    if (alt && k == Qt::Key_K)
        action = [this] { addKeyword(); };
    else if (!alt && k == Qt::Key_D)
        action = [this] { openFolderOfItem(); };
    else if (!alt && k == Qt::Key_P)
        action = [this] { pinItem(); };
    else if (!alt && k == Qt::Key_O)
        action = [this] { openCurrentKeywordInEditor(); };
    else if (!alt && k == Qt::Key_B)
        action = [this] { browseFiles(); };
    if (!action) return false;
    action();
    return true;
}

// `feature` names what is missing with its verb: "Notes are", "The keyword editor is".
void LauncherWindow::notAvailable(const QString& feature) {
    toast(feature + QStringLiteral(" not available yet"));
}

void LauncherWindow::buildMenu() {
    menu_ = new QMenu(this);
    const auto add = [this](const QString& text, const char* keys, std::function<void()> fn) {
        QAction* a = menu_->addAction(text, this, std::move(fn));
        // Shown for the user; the keys themselves go through the input box.
        if (keys) a->setShortcut(QKeySequence(QString::fromLatin1(keys)));
        a->setShortcutContext(Qt::WidgetShortcut);
    };
    // An entry of a feature still to come says so when chosen.
    const auto later = [&](const QString& text, const char* keys, const char* feature) {
        add(text, keys, [this, feature] { notAvailable(QString::fromLatin1(feature)); });
    };
    add(QStringLiteral("Add Keyword..."), "Ctrl+Alt+K", [this] { addKeyword(); });
    later(QStringLiteral("Keywords..."), "Ctrl+K", "The keyword editor is");
    later(QStringLiteral("Settings..."), "Ctrl+S", "The settings dialog is");
    add(QStringLiteral("Browse Files..."), "Ctrl+B", [this] { browseFiles(); });
    later(QStringLiteral("Windows Context Menu"), "F9", "The context menu of items is");
    add(QStringLiteral("Expand Input Area"), "F10", [this] { openExpandedEdit(); });
    later(QStringLiteral("Toggle Internal Browser"), "F2", "The browser pane is");
    menu_->addSeparator();
    add(QStringLiteral("Copy Full Path of Item"), "F8", [this] { copyFullPath(false); });
    add(QStringLiteral("Open Folder of Item"), "Ctrl+D", [this] { openFolderOfItem(); });
    add(QStringLiteral("Expand Folder of Item"), "Ctrl+E",
        [this] { controller_->ProcessInput(6); });
    add(QStringLiteral("Pin item"), "Ctrl+P", [this] { pinItem(); });
    later(QStringLiteral("Notes"), "Ctrl+N", "Notes are");
    add(QStringLiteral("Delete Current Text from History"), "Shift+Del",
        [this] { deleteCurrentFromHistory(); });
    add(QStringLiteral("Open Current Keyword in Editor"), "Ctrl+O",
        [this] { openCurrentKeywordInEditor(); });
    add(QStringLiteral("Reverse"), "Ctrl+R", [this] { controller_->ProcessInput(5); });
    later(QStringLiteral("Show Hint"), "Ctrl+T", "Hints are");
    later(QStringLiteral("Reload Skin"), "Ctrl+F5", "Skins are");
    later(QStringLiteral("Import from Start-Menu..."), "Ctrl+I", "Keyword import is");
    later(QStringLiteral("Import From a URL..."), "Ctrl+U", "Keyword import is");
    later(QStringLiteral("Help"), "F1", "The online help is");
    menu_->addSeparator();
    add(QStringLiteral("Hide (Shift+Esc)"), nullptr, [this] { hideWindow(); });
    add(QStringLiteral("Fit on screen if oversized (panic)"), nullptr, [this] {
        if (showHide_) showHide_->placer().fitOnScreenPanic();
    });
    add(QStringLiteral("Exit"), nullptr, [this] { closeProgram(); });
}

QMenu& LauncherWindow::menu() {
    if (!menu_) buildMenu();
    return *menu_;
}

void LauncherWindow::contextMenuEvent(QContextMenuEvent* event) {
    menu().popup(event->globalPos());
}

void LauncherWindow::copyFullPath(bool intoInput) {
    const QString input = edit_->text().trimmed();
    QString path = engine_.expander.ExpandBasic(input, true);
    if (!looksLikeFilePath(path)) path.clear();
    const TListObject* cur = engine_.list.currentItem();
    if (const auto* f = dynamic_cast<const TMyFuzzyItem*>(cur)) cur = f->obj.get();
    const TExeWord* w = dynamic_cast<const TExeWord*>(cur);
    if (!w && !cur) w = core_.store.FindKeyword(input.section(u' ', 0, 0), true);
    if (w) path = engine_.expander.CommandPath(w->command, input.section(u' ', 1).trimmed());
    if (dynamic_cast<const TMyShellItem*>(cur)) path = engine_.list.GetPathFromItem(input, true);
    if (path.isEmpty() || !looksLikeFilePath(path)) {
        toast(intoInput ? QStringLiteral("Current input does not have a file/folder path")
                        : QStringLiteral("Copy path to clipboard failed, no path detected"));
        return;
    }
    if (intoInput) {
        controller_->SetNewWord(path, false);
        return;
    }
    QGuiApplication::clipboard()->setText(path);
    toast(QStringLiteral("Path copied to clipboard"));
}

void LauncherWindow::openFolderOfItem() {
    const QString folder = engine_.list.GetPathFromItem(edit_->text(), false);
    if (!looksLikeFilePath(folder)) {
        toast(QStringLiteral("Could not detect a folder path to open"));
        return;
    }
    engine_.execution.LaunchCommand(folder, {}, {}, nullptr, false, false, core_.setup.dontwait,
                                    platform::ShowCommand::Normal);
}

void LauncherWindow::browseFiles() {
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("Browse Files"), QDir::homePath(),
        QStringLiteral("Programs (*.desktop *.sh *.AppImage);;All files (*)"));
    if (file.isEmpty()) return;
    controller_->ResetCurrentSearch(false);
    controller_->SetNewWord(file, true);
}

void LauncherWindow::pinItem() {
    const PinOutcome o =
        PinSelectedFromInput(core_.pinned, core_.setup, edit_->text(), engine_.list.currentItem());
    if (o.note) {
        notAvailable(QStringLiteral("Pinning notes is"));
        return;
    }
    if (!o.toast.isEmpty()) toast(o.toast);
    if (o.refresh != PinOutcome::Refresh::None) core_.file.WriteSettings(false);
}

void LauncherWindow::deleteCurrentFromHistory() {
    if (!core_.history.KillHist(edit_->text())) return;
    controller_->ResetCurrentSearch(true);
}

void LauncherWindow::openCurrentKeywordInEditor() {
    const TExeWord* w = core_.store.FindKeyword(edit_->text().section(u' ', 0, 0), true);
    if (const auto* f = dynamic_cast<const TMyFuzzyItem*>(engine_.list.currentItem()))
        if (const auto* fw = dynamic_cast<const TExeWord*>(f->obj.get())) w = fw;
    if (!w) {
        messageBox(QStringLiteral("Info"), QStringLiteral("Keyword not found..."));
        return;
    }
    notAvailable(QStringLiteral("The keyword editor is"));
}

void LauncherWindow::addKeyword() {
    std::optional<FileItemRef> item;
    if (const auto* shell = dynamic_cast<const TMyShellItem*>(engine_.list.currentItem()))
        item = FileItemRef{shell->path, shell->name};
    const AddKeywordPlan plan = planAddKeyword(edit_->text(), item, engine_.environment);
    if (plan.action == AddKeywordPlan::Action::Drop) {
        addDroppedPath(plan.dropPath);
        return;
    }
    notAvailable(QStringLiteral("The keyword editor is"));
}

void LauncherWindow::addDroppedPath(const QString& path) {
    std::optional<TExeWord> w = GetSendToWord(path);
    if (!w) {
        toast(QStringLiteral("Not a file or folder: ") + path);
        return;
    }
    const QString name = w->keywords;
    core_.store.append(std::make_unique<TExeWord>(*w));
    core_.store.rebuildTagList();
    core_.file.WriteSettings(false);
    toast(QStringLiteral("Keyword added: ") + name);
}

void LauncherWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void LauncherWindow::dropEvent(QDropEvent* event) {
    for (const QUrl& u : event->mimeData()->urls())
        if (u.isLocalFile()) addDroppedPath(u.toLocalFile());
}

void LauncherWindow::openExpandedEdit() {
    placePane(false);
    pane_->resize(width(), std::max(pane_->height(), 200));
    QFont f = edit_->font();
    if (core_.setup.expandfontsize > 0) f.setPointSize(core_.setup.expandfontsize);
    pane_->setFont(f);
    pane_->openExpandedEdit(edit_->text(), edit_->cursorPosition(), true, core_.setup.expandf4);
}

} // namespace lorvanta
