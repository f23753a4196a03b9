#pragma once

// Incognito mode: switching it (saved in the settings, announced by a
// toast), asking whether it applies to a feature letter of
// `incognitoconfig`, and clearing the browser's "incognito" folder in the
// data folder on a worker thread once the mode is off.

#include <QMutex>
#include <QObject>
#include <QString>
#include <QWaitCondition>
#include <functional>

class QThread;

namespace lorvanta {

struct Setup;
class SettingsFile;

// What incognito mode needs of the launcher window.
class IncognitoView {
public:
    virtual ~IncognitoView() = default;
    virtual void showToast(const QString& text) = 0;
    // Shows the state letters again (the "I" badge).
    virtual void updateStateLetters() = 0;
    // SetNewWord(current input, selected): the list is rebuilt under the
    // new rules.
    virtual void reapplyInput() = 0;
    // Ends the pane's browser when it has one, so the next page uses the
    // normal profile folder.
    virtual void endIncognitoBrowser() = 0;
};

// Deletes `dataFolder` + "incognito" and nothing else: a symbolic link of
// that name is removed as a link, links inside the tree are unlinked, never
// followed, and a folder that resolves outside the data folder is left
// alone. True when no "incognito" entry is left.
bool removeIncognitoFolder(const QString& dataFolder);

// Whether the data folder holds an "incognito" entry (a dangling link too).
bool incognitoFolderExists(const QString& dataFolder);

class Incognito {
public:
    // Waits between clean-up attempts on the worker; tests replace it. The
    // built-in wait ends early when the object is destroyed.
    using Wait = std::function<void(int ms)>;

    Incognito(Setup& setup, SettingsFile& settings, QString dataFolder, IncognitoView& view);
    ~Incognito();
    Incognito(const Incognito&) = delete;
    Incognito& operator=(const Incognito&) = delete;

    void setIncognitoMode(bool state, bool toast);
    // Whether incognito mode affects the feature `letter` (or would, when
    // `ignoreMode`).
    bool IncognitoApplies(QStringView letter, bool ignoreMode = false) const;
    // Starts the clean-up when the mode is off, the folder exists and
    // either `atStart` or the folder is dirty, unless one is running.
    void ClearIncognitoFolder(bool atStart);

    bool dirty() const { return dirty_; }
    void markDirty() { dirty_ = true; }
    bool clearing() const { return clearing_; }
    // Set before any clean-up starts.
    void setWait(Wait wait) { wait_ = std::move(wait); }

private:
    void cleared(bool gone);
    void pause(int ms);
    bool cancelled();

    Setup& setup_;
    SettingsFile& settings_;
    QString dataFolder_;
    IncognitoView& view_;
    Wait wait_;
    bool dirty_ = false;
    bool clearing_ = false;
    QThread* worker_ = nullptr;
    QMutex cancelMutex_;
    QWaitCondition cancelled_;
    bool cancel_ = false;
    // Receives the worker's queued result on the main thread.
    QObject receiver_;
};

} // namespace lorvanta
