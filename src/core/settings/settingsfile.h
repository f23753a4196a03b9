#pragma once

#include "core/datafolder.h"
#include "core/ini/iostatus.h"
#include "setup.h"

#include <functional>
#include <optional>
#include <vector>

namespace lorvanta {

namespace platform {
struct Platform;
}
class KeywordStore;
class TMemIniFile;

// A list kept in lorvanta.ini besides the keywords and the settings (history,
// pinned items). Sections are read and written in the order they were added.
class SettingsSection {
public:
    virtual ~SettingsSection() = default;
    virtual void load(const TMemIniFile& ini) = 0;
    virtual void save(TMemIniFile& ini, const Setup& setup) const = 0;
};

// What the settings backup needs to know of the notes.
class NotesBackupSource {
public:
    virtual ~NotesBackupSource() = default;
    virtual QString defaultNotePath() const = 0;
    // Lines in the notes window's editor when it shows `path`; nothing when
    // the window does not show that file.
    virtual std::optional<int> openEditorLineCount(const QString& path) const = 0;
};

// lorvanta.ini as a whole: reading it at start (with the backup prompt and the
// migration copy), writing it after every change and at exit, and the backup
// copies of the settings file and the default note.
class SettingsFile {
public:
    enum class ReadResult {
        Loaded,   // lorvanta.ini (or its restored backup) was read
        FirstRun, // no settings file: defaults, plus the first-run keywords
        Exit,     // the user chose to open the backup folder; the process ends
    };

    SettingsFile(const DataFolder& folder, platform::Platform& platform, KeywordStore& store,
                 Setup& setup);

    void addSection(SettingsSection& section) { sections_.push_back(&section); }
    void setNotesBackupSource(const NotesBackupSource* source) { notes_ = source; }
    // Read-only use (lorvanta-cli): nothing is ever written, copied or moved,
    // no question is asked (a lone backup is read in place), and saves fail.
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // Whether a first run adds the keywords shipped next to the program.
    void setLoadFirstRunKeywords(bool load) { firstRunKeywords_ = load; }
    // A test seam: runs between writing the new file and renaming it into place.
    void setBeforeRenameHook(std::function<void()> hook) { beforeRename_ = std::move(hook); }

    QString settingsPath() const { return folder_.file(QStringLiteral("lorvanta.ini")); }
    QString backupPath() const { return folder_.file(QStringLiteral("lorvanta.ini.bak")); }
    QString migrationPath() const;
    QString noteBackupPath() const { return folder_.file(QStringLiteral("notes.txt.bak")); }

    ReadResult ReadSettings(bool onlysetup);
    // Saves keywords, lists and (unless `def`) the settings; skipped with
    // Code::Busy while another save runs.
    IoStatus WriteSettings(bool def);
    void WriteSetup(TMemIniFile& ini) const { lorvanta::WriteSetup(ini, setup_); }
    void BackupDataFiles(bool force);
    // The "Default settings" action: every setting back to its default.
    void restoreDefaults();
    // The orderly exit: count it, save, make the unforced backups.
    IoStatus saveAtExit();

    // The text of the prompt shown when only a backup of the settings exists.
    static QString backupPromptText(const QString& backupPath);

private:
    std::optional<TMemIniFile> openSettingsFile(bool& firstRun);
    bool copyIfDue(const QString& source, const QString& target, bool force,
                   const std::function<bool()>& extraCondition);

    DataFolder folder_;
    platform::Platform& platform_;
    KeywordStore& store_;
    Setup& setup_;
    std::vector<SettingsSection*> sections_;
    const NotesBackupSource* notes_ = nullptr;
    std::function<void()> beforeRename_;
    bool readOnly_ = false;
    bool firstRunKeywords_ = true;
};

// Copies a file atomically and gives the copy the source's modification time,
// as a plain copy of the file would.
IoStatus copyFileAtomically(const QString& source, const QString& target);

} // namespace lorvanta
