#pragma once

#include "listobject.h"

#include <QDateTime>
#include <QString>
#include <QVector>
#include <optional>

namespace lorvanta {

// A file or folder (or a desktop entry) found by the index, a folder listing,
// the recent documents, or stored with a history or pinned entry.
class TMyShellItem : public TClonable<TMyShellItem> {
public:
    int mtype = 0;
    QString name;     // display name
    QString root;     // where it was found: the scanned folder, or "rfSettings" for a settings page
    QString path;     // the file or folder path
    int liconid = -2; // icon indexes; -2 means not looked up yet
    int siconid = -2;
    QString title; // its description line ("Places", the folder it lives in)
    QByteArray ps; // persisted identifier, kept as stored

    bool isSettingsPage() const { return root == u"rfSettings"; }
};

// One index folder definition; never a row.
class TMyScanItem : public TClonable<TMyScanItem> {
public:
    QString path, extensions, subdirs, level;
};

// A fuzzy suggestion made the current item: the suggested name and a clone
// of the keyword or file item behind it.
class TMyFuzzyItem : public TListObject {
public:
    QString name;
    std::unique_ptr<TListObject> obj;

    TMyFuzzyItem() = default;
    TMyFuzzyItem(QString n, std::unique_ptr<TListObject> o)
        : name(std::move(n)), obj(std::move(o)) {}
    std::unique_ptr<TListObject> Clone() const override {
        return std::make_unique<TMyFuzzyItem>(name, CloneListObject(obj.get()));
    }
};

// An application's top-level window.
class TMyWindowItem : public TClonable<TMyWindowItem> {
public:
    quint64 hand = 0; // the window's id
    QString name;     // its title
    QString moreinfo; // lines of window facts; "Filename: " names its program
};

// Plain text wrapped as an object while text rows are re-ranked.
class TMySimpleItem : public TClonable<TMySimpleItem> {
public:
    QString name;
};

// One clipboard history entry: its text with line breaks marked, and when it was taken.
class TMyClipItem : public TClonable<TMyClipItem> {
public:
    QString clipb;
    QDateTime ts;
};

// One note, or a note found by a search.
class TMyNoteItem : public TClonable<TMyNoteItem> {
public:
    QString name;
    QString filename;
    QDateTime modified;
    bool pinned = false;
    bool isdefault = false;
    QString searchtext;
    QString hitline;
    int hitcount = 0;

    QString Description() const;
};

struct TScriptAction {
    QString Id, Name, Data;
    bool DataIsJson = false;
    QString Text, Url, Path, Message, Command, Note;
    bool SendEnter = false, Focus = false, Connect = false;
    QString Json;
};

struct TScriptItem {
    QString Title, Subtitle, Icon;
    int Score = 0;
    QVector<TScriptAction> Actions;
};

// One answer of a script plugin.
class TMyScriptItem : public TClonable<TMyScriptItem> {
public:
    QString pluginid;
    TScriptItem item;
};

// A request to open a page of the settings dialog; never a row.
class TMyOpenSettingsItem : public TClonable<TMyOpenSettingsItem> {
public:
    QString t;
    QString param;
};

// The tagged text form of a file item kept by the history, the pinned items
// and the index cache: <exet>1</exet><exe1>name</exe1><exe2>root</exe2>
// <exe3>path</exe3><exe4>ps</exe4>, without escaping.
QString ShellItemToText(const TMyShellItem& item);
// Whether `text` is in the tagged form at all (begins with "<exet>").
bool IsShellItemText(QStringView text);
// The value of one tag: the text between its first opening tag and the
// following closing tag; empty when absent.
QString ShellItemTag(QStringView text, QStringView tag);
// The item of a tagged text; nothing unless its "exet" value is "1".
std::optional<TMyShellItem> ShellItemFromText(QStringView text);

} // namespace lorvanta
