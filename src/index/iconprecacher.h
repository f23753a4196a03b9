#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace lorvanta {

struct Setup;
class History;
class KeywordStore;
class Clock;

// Warms the list's icon cache in the background so that the first rows
// shown after start-up draw at once: the icon of every history row without
// an item and of every keyword that is not disabled goes through the list's
// icon lookup once, and the lookup's own cache keeps them.
class IconPreCacher {
public:
    // Looks up (and caches) the icon of one command text. It runs on the
    // worker thread, so it may read files and fill a thread-safe cache of
    // answers, but must not make QIcon or QPixmap objects or touch widgets.
    using Lookup = std::function<void(const QString& text)>;

    // No lookup: the list has no icon cache, and the pre-cacher nothing to do.
    IconPreCacher(const Setup& setup, const Clock& clock, Lookup lookup, bool safeMode);
    ~IconPreCacher();
    IconPreCacher(const IconPreCacher&) = delete;
    IconPreCacher& operator=(const IconPreCacher&) = delete;

    // Start-up and settings applied: starts a run unless `nolisticoncache`,
    // the list shows neither icons nor titles, one runs, the last started
    // within the hour, or in safe mode. False when none started.
    bool start(const History& history, const KeywordStore& keywords);
    bool running() const;
    // Exit: the worker stops at the next text; waits for it.
    void stop();

private:
    const Setup& setup_;
    const Clock& clock_;
    Lookup lookup_;
    bool safeMode_;
    QDateTime lastStart_;
    QThread* worker_ = nullptr;
    std::shared_ptr<std::atomic<bool>> closing_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace lorvanta
