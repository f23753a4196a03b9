#include "settingsfile.h"

#include "core/ini/atomicfile.h"
#include "core/ini/myinifiles.h"
#include "core/keywords/keywordstore.h"
#include "platform/platform.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>

namespace lorvanta {

namespace {

// One save at a time in the whole process; a save asked for during another is skipped.
std::atomic_bool gSaving{false};

constexpr qint64 kBackupAgeSeconds = 2 * 24 * 60 * 60;
constexpr int kBackupMinShutdowns = 5;

} // namespace

IoStatus copyFileAtomically(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return IoStatus::failure(IoStatus::Code::ReadFailed,
                                 source + QStringLiteral(": ") + in.errorString());
    const QByteArray data = in.readAll();
    const QDateTime modified = QFileInfo(in).lastModified();
    in.close();
    IoStatus status = writeFileAtomically(target, data);
    if (!status.ok()) return status;
    const qint64 ms = modified.toMSecsSinceEpoch();
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(ms / 1000), long(ms % 1000) * 1000000}};
    ::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), times, 0);
    return status;
}

SettingsFile::SettingsFile(const DataFolder& folder, platform::Platform& platform,
                           KeywordStore& store, Setup& setup)
    : folder_(folder), platform_(platform), store_(store), setup_(setup) {}

QString SettingsFile::migrationPath() const {
    return folder_.file(QStringLiteral("lorvanta.ini.migrate.backup.") +
                        QString::number(kSettingsVersion));
}

QString SettingsFile::backupPromptText(const QString& backupPath) {
    return QStringLiteral(
               "Now this is a bit odd.. Lorvanta could not locate the settings file "
               "\"lorvanta.ini\". This means all previous settings/keywords/history will be "
               "lost.\n"
               "However a backup was found at the following location, should your lorvanta.ini "
               "have been accidently deleted or corrupted: \n\n") +
           backupPath +
           QStringLiteral("\n\n"
                          "Click \"Restore\" to restore backup.\n"
                          "Click \"Ignore\" to continue (with default settings).\n"
                          "Click \"Open folder\" to open folder with backup and exit Lorvanta.");
}

std::optional<TMemIniFile> SettingsFile::openSettingsFile(bool& firstRun) {
    const QString path = settingsPath();
    firstRun = false;
    if (QFileInfo::exists(path)) {
        const QFileInfo info(path);
        if (info.isReadable()) {
            TMemIniFile ini = TMemIniFile::Create(path);
            // A file that holds bytes but no section is damaged, not a settings file.
            if (info.size() == 0 || !ini.ReadSections().isEmpty()) return ini;
        }
        // Keep an unreadable or damaged file for the user instead of letting
        // the next save overwrite it, and go on as if it were missing.
        if (readOnly_) return TMemIniFile::Create(QString());
        const QString aside = path + QStringLiteral(".damaged");
        QFile::remove(aside);
        QFile::rename(path, aside);
    }
    const QString backup = backupPath();
    if (readOnly_ && QFileInfo::exists(backup)) return TMemIniFile::Create(backup);
    if (QFileInfo::exists(backup)) {
        const int answer = platform_.dialogs.question(
            QStringLiteral("Lorvanta settings file problem"), backupPromptText(backup),
            {QStringLiteral("Restore"), QStringLiteral("Ignore"), QStringLiteral("Open folder")});
        if (answer == 0) {
            // Should the copy fail, the backup itself is read so nothing is lost.
            const bool copied = copyFileAtomically(backup, path).ok();
            TMemIniFile ini = TMemIniFile::Create(copied ? path : backup);
            ini.Rename(path, false);
            return ini;
        }
        if (answer == 2) {
            platform_.shell.openFolder(QFileInfo(backup).absolutePath());
            platform_.process.exitProcess(0);
            return std::nullopt;
        }
    }
    firstRun = true;
    return TMemIniFile::Create(QString());
}

SettingsFile::ReadResult SettingsFile::ReadSettings(bool onlysetup) {
    bool firstRun = false;
    std::optional<TMemIniFile> ini = openSettingsFile(firstRun);
    if (!ini) return ReadResult::Exit;

    if (!onlysetup) {
        const int version =
            ini->ReadInteger(QString::fromUtf16(kSetupSection), QStringLiteral("version"), 0);
        if (!firstRun && version < 20000 && !readOnly_)
            copyFileAtomically(settingsPath(), migrationPath());
        if (firstRun && firstRunKeywords_) {
            TMemIniFile defaults = TMemIniFile::Create(platform_.environment.programFolder() +
                                                       QStringLiteral("default.exc"));
            store_.ReadWords(defaults, false);
        }
        store_.ReadWords(*ini, false);
        for (SettingsSection* section : sections_)
            section->load(*ini);
        store_.rebuildTagList();
    }
    ReadSetup(*ini, setup_);
    return firstRun ? ReadResult::FirstRun : ReadResult::Loaded;
}

IoStatus SettingsFile::WriteSettings(bool def) {
    if (readOnly_)
        return IoStatus::failure(IoStatus::Code::OpenFailed, QStringLiteral("read-only"));
    if (gSaving.exchange(true))
        return IoStatus::failure(IoStatus::Code::Busy, QStringLiteral("another save is running"));
    struct Release {
        ~Release() { gSaving = false; }
    } release;

    TMemIniFile ini = TMemIniFile::CreateFast(QString());
    ini.Clear();
    WriteWordsToFlatFile(ini, store_, false, true, true, true);
    for (const SettingsSection* section : sections_)
        section->save(ini, setup_);
    if (!def) WriteSetup(ini);
    ini.Rename(settingsPath(), false);
    ini.MyFlattenSections();
    return ini.UpdateFile(beforeRename_);
}

void SettingsFile::restoreDefaults() {
    WriteSettings(true);
    ReadSettings(true);
}

IoStatus SettingsFile::saveAtExit() {
    ++setup_.shutdowns;
    IoStatus status = WriteSettings(false);
    BackupDataFiles(false);
    return status;
}

bool SettingsFile::copyIfDue(const QString& source, const QString& target, bool force,
                             const std::function<bool()>& extraCondition) {
    const QFileInfo src(source);
    if (!src.exists()) return false;
    const QFileInfo dst(target);
    bool due = force || !dst.exists();
    if (!due) {
        const qint64 age = dst.lastModified().secsTo(src.lastModified());
        due = age > kBackupAgeSeconds && setup_.shutdowns > kBackupMinShutdowns;
    }
    if (due && !force && extraCondition) due = extraCondition();
    return due && copyFileAtomically(source, target).ok();
}

void SettingsFile::BackupDataFiles(bool force) {
    if (readOnly_ || (!setup_.backup && !force)) return;
    copyIfDue(settingsPath(), backupPath(), force, {});

    QString note;
    if (notes_)
        note = notes_->defaultNotePath();
    else
        note = setup_.noteslocation.isEmpty() ? folder_.file(QStringLiteral("notes.txt"))
                                              : setup_.noteslocation;
    // An almost empty editor over the default note may mean it was just
    // wiped; such a state must not replace a good backup.
    copyIfDue(note, noteBackupPath(), force, [&] {
        if (!notes_) return true;
        const std::optional<int> lines = notes_->openEditorLineCount(note);
        return !lines || *lines > 3;
    });
}

} // namespace lorvanta
