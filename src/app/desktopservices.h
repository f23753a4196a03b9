#pragma once

#include "core/exec/executionhost.h"
#include "core/expand/expansion.h"
#include "previouswindow.h"

namespace lorvanta {

// The desktop services expansion reaches for, as far as this build has them:
// the clipboard is real; the others belong to subsystems still to come and
// say so instead of pretending.
class DesktopExpansionServices final : public ExpansionServices {
public:
    // The window and the previous window it keeps, once it exists (it needs
    // these services to be built); until then what goes to them is dropped.
    void bind(ExecutionHost& host, PreviousWindow& previous) {
        host_ = &host;
        previous_ = &previous;
    }

    QString clipboardText() override;
    void setClipboardText(const QString& text) override;
    QStringList clipboardFiles() override;
    void clearClipboard() override;
    QString grabSelection(bool cut, bool allowFiles) override;
    bool inputWindowActive() override;
    QString inputSelectedText() override { return {}; }
    void putInInput(const QString& text, bool caretToStart) override;
    void clearInput() override;
    std::optional<QString> noteText(const QString&) override { return std::nullopt; }
    std::optional<QString> noteFile(const QString&) override { return std::nullopt; }
    QStringList newestClips(int) override { return {}; }
    void toast(const QString& text) override;
    void minimizeAll() override { unavailable(QStringLiteral("Minimising all windows")); }
    void undoMinimizeAll() override { unavailable(QStringLiteral("Restoring all windows")); }
    void rememberForegroundWindow() override;
    void playSound(const QString&) override { unavailable(QStringLiteral("Sound playback")); }
    void copyAction() override { unavailable(QStringLiteral("Copying from other windows")); }
    void cutAction() override { unavailable(QStringLiteral("Cutting from other windows")); }
    void pasteAction() override { unavailable(QStringLiteral("Pasting into other windows")); }

private:
    void unavailable(const QString& what);
    ExecutionHost* host_ = nullptr;
    PreviousWindow* previous_ = nullptr;
};

// What execution hands to other subsystems, as far as this build has them.
// The minus commands ("-s", "-n", ...) come with their own subsystems; until
// then each is recognised and, with the window in front, says which feature
// is not there yet ("The settings dialog is not available yet"), so that one
// arriving from a keyword or a second start ("lorvanta -r -s") is seen.
class DesktopExecutionServices final : public ExecutionServices {
public:
    // The window, once it exists; until then no minus command is taken.
    void bind(ExecutionHost& host) { host_ = &host; }
    bool CheckMinusCommand(const QString& line) override;

private:
    ExecutionHost* host_ = nullptr;
};

} // namespace lorvanta
