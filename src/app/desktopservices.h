#pragma once

#include "core/expand/expansion.h"

namespace lorvanta {

class ExecutionHost;

// The desktop services expansion reaches for, as far as this build has them:
// the clipboard is real; the others belong to subsystems still to come and
// say so instead of pretending.
class DesktopExpansionServices final : public ExpansionServices {
public:
    explicit DesktopExpansionServices(ExecutionHost& host) : host_(host) {}

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
    void rememberForegroundWindow() override {}
    void playSound(const QString&) override { unavailable(QStringLiteral("Sound playback")); }
    void copyAction() override { unavailable(QStringLiteral("Copying from other windows")); }
    void cutAction() override { unavailable(QStringLiteral("Cutting from other windows")); }
    void pasteAction() override { unavailable(QStringLiteral("Pasting into other windows")); }

private:
    void unavailable(const QString& what);
    ExecutionHost& host_;
};

} // namespace lorvanta
