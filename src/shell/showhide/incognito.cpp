#include "incognito.h"

#include "core/history/entrylist.h"
#include "core/settings/settingsfile.h"
#include "core/settings/setup.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <filesystem>

namespace lorvanta {

namespace fs = std::filesystem;

namespace {

constexpr int kAttempts = 10;
constexpr int kRetryMs = 500;

fs::path incognitoPath(const QString& dataFolder) {
    return fs::path(QFile::encodeName(dataFolder).toStdString()) / "incognito";
}

bool entryExists(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

// A real folder named "incognito" whose resolved path is directly inside the
// resolved data folder (a folder or link further up cannot lead elsewhere).
bool insideDataFolder(const fs::path& path, const QString& dataFolder) {
    std::error_code ec;
    const fs::path folder = fs::canonical(QFile::encodeName(dataFolder).toStdString(), ec);
    if (ec) return false;
    const fs::path resolved = fs::canonical(path, ec);
    return !ec && resolved.parent_path() == folder && resolved.filename() == "incognito";
}

} // namespace

bool incognitoFolderExists(const QString& dataFolder) {
    return entryExists(incognitoPath(dataFolder));
}

bool removeIncognitoFolder(const QString& dataFolder) {
    // Without a data folder of its own, "incognito" would name a folder
    // relative to wherever the program runs.
    if (dataFolder.isEmpty() || !QDir::isAbsolutePath(dataFolder)) return false;
    const fs::path path = incognitoPath(dataFolder);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec || status.type() == fs::file_type::not_found) return true;
    if (fs::is_symlink(status) || !fs::is_directory(status)) {
        fs::remove(path, ec); // the link itself; its target stays
    } else if (insideDataFolder(path, dataFolder)) {
        // remove_all unlinks symbolic links inside the tree without
        // following them.
        fs::remove_all(path, ec);
    }
    return !entryExists(path);
}

Incognito::Incognito(Setup& setup, SettingsFile& settings, QString dataFolder, IncognitoView& view)
    : setup_(setup), settings_(settings), dataFolder_(std::move(dataFolder)), view_(view) {}

Incognito::~Incognito() {
    if (!worker_) return;
    {
        const QMutexLocker lock(&cancelMutex_);
        cancel_ = true;
        cancelled_.wakeAll();
    }
    worker_->wait();
    delete worker_;
}

void Incognito::pause(int ms) {
    if (wait_) return wait_(ms);
    const QMutexLocker lock(&cancelMutex_);
    if (!cancel_) cancelled_.wait(&cancelMutex_, QDeadlineTimer(ms));
}

bool Incognito::cancelled() {
    const QMutexLocker lock(&cancelMutex_);
    return cancel_;
}

bool Incognito::IncognitoApplies(QStringView letter, bool ignoreMode) const {
    return ignoreMode ? incognitoConfigured(setup_, letter) : incognitoSuppresses(setup_, letter);
}

void Incognito::setIncognitoMode(bool state, bool toast) {
    setup_.incognito = state;
    settings_.WriteSettings(false);
    view_.updateStateLetters();
    view_.reapplyInput();
    if (toast)
        view_.showToast(state ? QStringLiteral("Incognito mode: enabled")
                              : QStringLiteral("Incognito mode: disabled"));
    const bool browserLetter = IncognitoApplies(u"b", true);
    const bool folderExists = incognitoFolderExists(dataFolder_);
    if (browserLetter) dirty_ = state || folderExists;
    if (state || !folderExists) return;
    dirty_ = true;
    if (browserLetter) view_.endIncognitoBrowser();
    ClearIncognitoFolder(false);
}

void Incognito::ClearIncognitoFolder(bool atStart) {
    if (setup_.incognito || !(atStart || dirty_) || clearing_) return;
    if (!incognitoFolderExists(dataFolder_)) return;
    if (worker_) {
        worker_->wait(); // finished: its result is already queued
        delete worker_;
    }
    // Marked here, on the main thread, so that two requests in a row can
    // never start two workers.
    clearing_ = true;
    worker_ = QThread::create([this, folder = dataFolder_, atStart] {
        bool gone = false;
        for (int attempt = 0; attempt < kAttempts && !gone && !cancelled(); ++attempt) {
            if (attempt > 0 || !atStart) pause(kRetryMs);
            gone = removeIncognitoFolder(folder);
        }
        QMetaObject::invokeMethod(
            &receiver_, [this, gone] { cleared(gone); }, Qt::QueuedConnection);
    });
    worker_->start();
}

void Incognito::cleared(bool gone) {
    if (gone) dirty_ = false;
    clearing_ = false;
}

} // namespace lorvanta
