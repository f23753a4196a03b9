#pragma once

// Stand-ins for the launcher window and the desktop services that record
// what execution asks of them: dry runs print from them, tests read them.

#include "core/expand/expansion.h"
#include "executionhost.h"

#include <QStringList>

namespace lorvanta {

class RecordingHost final : public ExecutionHost {
public:
    QStringList calls;
    QString input;
    bool fail = false;
    bool isClosing = false;
    bool firstCandidate = false;

    QString inputText() const override { return input; }
    void setNewWord(const QString& t) override { input = t, note(u"setNewWord", t); }
    void setFailColour(bool f) override { fail = f; }
    bool showsFailColour() const override { return fail; }
    void selectInput(bool) override {}
    void putBackInput(const QString& t) override { input = t, note(u"putBackInput", t); }
    void toast(const QString& t) override { note(u"toast", t); }
    void messageBox(const QString& c, const QString& t) override {
        note(u"messageBox", c + u": " + t);
    }
    void inputDialog(const QString& c, const QString&, const QString& v) override {
        note(u"inputDialog", c + u": " + v);
    }
    void showInfoText(const QString& t, bool) override { note(u"showInfoText", t); }
    void bringToFront() override { note(u"bringToFront", {}); }
    void openEditText() override { note(u"openEditText", input); }
    void showListForInput() override { note(u"showListForInput", input); }
    void refreshListQuietly(const QString& s) override { note(u"refreshList", s); }
    bool takeFirstCandidate(bool) override { return firstCandidate; }
    void hideListPane() override { note(u"hideListPane", {}); }
    void stopListTimer() override {}
    void hideWindow() override { note(u"hideWindow", {}); }
    void closeProgram() override { isClosing = true, note(u"closeProgram", {}); }
    bool closing() const override { return isClosing; }

private:
    void note(const char16_t* what, const QString& text) {
        calls.append(text.isEmpty() ? QString::fromUtf16(what)
                                    : QString::fromUtf16(what) + u' ' + text);
    }
};

// Desktop services that have nothing: empty clipboard, no selection, no notes.
class RecordingExpansionServices final : public ExpansionServices {
public:
    QStringList calls;
    QString clipboard;

    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString& t) override { clipboard = t; }
    QStringList clipboardFiles() override { return {}; }
    void clearClipboard() override { clipboard.clear(); }
    QString grabSelection(bool, bool) override { return {}; }
    bool inputWindowActive() override { return false; }
    QString inputSelectedText() override { return {}; }
    void putInInput(const QString& t, bool) override {
        calls.append(QStringLiteral("putInInput ") + t);
    }
    void clearInput() override { calls.append(QStringLiteral("clearInput")); }
    std::optional<QString> noteText(const QString&) override { return std::nullopt; }
    std::optional<QString> noteFile(const QString&) override { return std::nullopt; }
    QStringList newestClips(int) override { return {}; }
    void toast(const QString& t) override { calls.append(QStringLiteral("toast ") + t); }
    void minimizeAll() override { calls.append(QStringLiteral("minimizeAll")); }
    void undoMinimizeAll() override { calls.append(QStringLiteral("undoMinimizeAll")); }
    void rememberForegroundWindow() override {
        calls.append(QStringLiteral("rememberForegroundWindow"));
    }
    void playSound(const QString& p) override { calls.append(QStringLiteral("playSound ") + p); }
    void copyAction() override { calls.append(QStringLiteral("copy")); }
    void cutAction() override { calls.append(QStringLiteral("cut")); }
    void pasteAction() override { calls.append(QStringLiteral("paste")); }
};

} // namespace lorvanta
