#pragma once

#include "iostatus.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace lorvanta {

// The ini file object used for lorvanta.ini, keyword files, the clip store
// and the plugin approvals. It has two modes:
//
// - Loading mode (`Create`): the file as an ordered list of sections, each an
//   ordered list of lines. Several sections may share a name; lookups by name
//   find the first one. Section and key lookups ignore case and are hashed.
// - Streaming mode (`CreateFast`): an ordered list of output lines and the
//   section written last; it only writes, and writes exactly what it is told,
//   in order (the same key twice gives two lines).
//
// Files are read as UTF-8 or UTF-16 by their byte order mark, else as UTF-8
// with Windows-1252 for invalid bytes, with CR LF or LF line ends. They are
// written as UTF-8 with byte order mark and CR LF, atomically.
class TMemIniFile {
public:
    static TMemIniFile Create(const QString& fileName);
    static TMemIniFile CreateFast(const QString& fileName);
    // Loading mode over text already in memory (keyword files from a URL, tests).
    static TMemIniFile FromText(const QString& text, const QString& fileName = {});

    bool isStreaming() const { return streaming_; }
    const QString& fileName() const { return fileName_; }

    // --- loading mode ---
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    double ReadFloat(const QString& section, const QString& key, double def) const;

    QStringList ReadSections() const;                            // in order, repeats included
    QStringList ReadSection(const QString& section) const;       // key names of the first section
    QStringList ReadSectionValues(const QString& section) const; // its lines as stored
    void EraseSection(const QString& section);                   // the first section of that name
    void DeleteKey(const QString& section, const QString& key);
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    // --- both modes (streaming appends, loading replaces or appends) ---
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);
    void WriteFloat(const QString& section, const QString& key, double value);
    // A value with line breaks kept on one line through the "{BR}" marking.
    void WriteMultiLineString(const QString& section, const QString& key, const QString& value);

    void Clear();
    void Rename(const QString& fileName, bool reload);
    // Every keyword section header ("[W...") becomes "[W]".
    void MyFlattenSections();

    // The text the file would hold (without the byte order mark).
    QString text() const;
    // Saves atomically; `beforeRename` is a test seam (see writeFileAtomically).
    IoStatus UpdateFile(const std::function<void()>& beforeRename = {}) const;

private:
    struct Line {
        QString key;   // part before "=", trimmed; the whole line when there is no "="
        QString value; // part after the first "=", trimmed
        bool hasValue = false;
    };
    struct Section {
        QString name;
        std::vector<Line> lines;
        bool erased = false;
        mutable QHash<QString, int> keyIndex; // lower-cased key -> first line; built on demand
        mutable bool indexed = false;
    };

    TMemIniFile() = default;
    void parse(const QString& text);
    void rebuildSectionIndex();
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    Section& sectionForWrite(const QString& name);
    static const Line* findLine(const Section& s, const QString& key);
    static int findLineIndex(const Section& s, const QString& key);
    void streamLine(const QString& section, const QString& line);

    QString fileName_;
    bool streaming_ = false;
    // loading mode
    std::vector<Section> sections_;
    // lower-cased name -> sections of that name in order; erasing only ever
    // removes the first, so a head offset is enough
    struct NameEntry {
        std::vector<int> sections;
        size_t head = 0;
    };
    QHash<QString, NameEntry> sectionIndex_;
    // Readers ask for many keys of one section in a row; remembering the last
    // section found spares the lower-casing and hashing of its name.
    mutable QString lastLookup_;
    mutable int lastLookupIndex_ = -1;
    // streaming mode
    QStringList out_;
    QString lastSection_;
    bool wroteAny_ = false;
};

// The "{BR}" marking of line breaks inside one-line values.
QString EncodeMultiLineValue(const QString& value);
QString DecodeMultiLineValue(const QString& text);

// Integer reading of the ini layer: decimal, or hexadecimal after "0x"/"0X".
bool parseIniInteger(const QString& text, int& out);

} // namespace lorvanta
