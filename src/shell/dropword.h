#pragma once

#include "core/keywords/exeword.h"
#include "core/text/commatext.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace lorvanta {

// Where a drop comes from: the launcher window, the keyword editor's fields,
// the keyword editor's list.
enum class DropSender { Window = 0, EditorFields = 1, EditorList = 2 };

// What a dropped (or sent) file, folder or desktop entry becomes.
struct DroppedItem {
    enum class Kind {
        NewKeyword,     // `word` is a new, unsaved record
        ImportKeywords, // `path` is a keyword file to import
    };
    Kind kind = Kind::NewKeyword;
    TExeWord word;
    QString path;
};

// The keyword name a file name (without its extension) or an entry's Name
// gives: "new..." when it holds ":", "/" or "\" or nothing is left, otherwise
// lower-cased with the blanks removed.
QString dropKeywordName(const QString& name);

// GetDrag. A ".exc" file dropped on the editor's list is imported. Anything
// else becomes a record named after the file name without extension (a
// leading dot is no extension: ".bashrc" stays), with that name as comment
// and the path as command. A desktop entry, the shortcut of this desktop,
// gives its Name instead, and its Exec program, parameters and Path.
DroppedItem GetDrag(const QString& path, DropSender sender);

// GetSendToWord: the record for a path handed over by a second start or at
// start-up; nothing when it names no existing file or folder.
std::optional<TExeWord> GetSendToWord(const QString& path);

// A drop on the editor's fields: the dropped record's fields go into the
// edited one, the name only while it is still "new...".
void fillDroppedFields(TExeWord& edited, const TExeWord& dropped);

// FireStartUpKeys: the `startup` setting as the lines to run, in order;
// empty items are left out.
QStringList startupLines(const QString& startup);

} // namespace lorvanta
