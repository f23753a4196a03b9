#include "iconprecacher.h"

#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/setup.h"
#include "core/util/seams.h"

#include <QThread>
#include <sys/resource.h>

namespace lorvanta {

namespace {

constexpr qint64 kMinutesBetweenRuns = 60;

} // namespace

IconPreCacher::IconPreCacher(const Setup& setup, const Clock& clock, Lookup lookup, bool safeMode)
    : setup_(setup), clock_(clock), lookup_(std::move(lookup)), safeMode_(safeMode) {}

IconPreCacher::~IconPreCacher() {
    stop();
}

bool IconPreCacher::running() const {
    return worker_ && !worker_->isFinished();
}

bool IconPreCacher::start(const History& history, const KeywordStore& keywords) {
    if (!lookup_ || safeMode_ || setup_.nolisticoncache) return false;
    if (!setup_.listicons && !setup_.listtitles) return false;
    if (running()) return false;
    const QDateTime now = clock_.now();
    if (lastStart_.isValid() && lastStart_.secsTo(now) < kMinutesBetweenRuns * 60) return false;
    lastStart_ = now;
    // The texts are gathered here, on the main thread that owns them.
    QStringList texts;
    for (const HistoryEntry& h : history.entries())
        if (!h.item) texts.append(h.text);
    for (int i = 0; i < keywords.size(); ++i)
        if (!keywords.at(i).disabled) texts.append(keywords.at(i).command);
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
    worker_ = QThread::create([texts = std::move(texts), lookup = lookup_, closing = closing_] {
        ::setpriority(PRIO_PROCESS, 0, 10);
        for (const QString& t : texts) {
            if (closing->load(std::memory_order_relaxed)) return;
            lookup(t);
        }
    });
    worker_->start(QThread::LowPriority);
    return true;
}

void IconPreCacher::stop() {
    closing_->store(true);
    if (!worker_) return;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
}

} // namespace lorvanta
