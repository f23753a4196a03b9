#pragma once

#include "exeword.h"

#include <QString>
#include <optional>

namespace lorvanta {

namespace platform {
class Dialogs;
class Environment;
} // namespace platform
class KeywordStore;

// The keyword editor, as the store sees it: it edits one record in place.
class KeywordEditor {
public:
    virtual ~KeywordEditor() = default;
    virtual void editKeyword(TExeWord& record) = 0;
};

// The current list item when it is a file or folder.
struct FileItemRef {
    QString path;
    QString name;
};

// What "Add Keyword..." does with the input.
struct AddKeywordPlan {
    enum class Action {
        OpenEditor, // open the editor on a new record with `name` and `command`
        Drop,       // the item exists on disk: make a keyword of it as a dropped file
    };
    Action action = Action::OpenEditor;
    QString name = QStringLiteral("new...");
    QString command;
    QString dropPath;
};

// Works out the new record from the input and the current item: a path or URL
// is taken whole; otherwise the first word is looked up on the program search
// path; a file or folder item supplies its path and its lower-cased name
// without spaces; a bare domain becomes an https address.
AddKeywordPlan planAddKeyword(const QString& input, const std::optional<FileItemRef>& item,
                              const platform::Environment& env);

// Creates a record (`nam`, or "new..." when empty), puts it at the end of the
// store and opens the editor on it.
TExeWord& AddNewKeyWord(KeywordStore& store, KeywordEditor& editor, const QString& nam,
                        const QString& defcmd, const QString& param);

// What closing the editor does to the store; warns once when a record without
// a name remains. The caller writes the settings afterwards.
void keywordEditorClosed(KeywordStore& store, bool autosort, platform::Dialogs& dialogs);

inline const QString kNoNameWarning = QStringLiteral(
    "A keyword with no name was detected, this can cause problems with auto-completion. "
    "Please give the keyword a name.");

} // namespace lorvanta
