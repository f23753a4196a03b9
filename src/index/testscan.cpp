#include "testscan.h"

#include "core/list/sources.h"
#include "indexlist.h"

#include <QThreadPool>

namespace lorvanta {

namespace {

constexpr int kProgressMs = 1000;

QString foundLabel(qsizetype lines) {
    return QStringLiteral("Items found: ") + QString::number(lines);
}

} // namespace

IndexTestScan::IndexTestScan(QThreadPool* pool, QObject* parent)
    : QObject(parent), pool_(pool ? pool : QThreadPool::globalInstance()) {
    progressTimer_.setInterval(kProgressMs);
    connect(&progressTimer_, &QTimer::timeout, this, &IndexTestScan::showProgress);
}

IndexTestScan::~IndexTestScan() {
    if (!running_) return;
    stop_.store(true);
    done_.acquire();
}

bool IndexTestScan::start(TMyScanItem folder, const std::function<QString(const QString&)>& expand,
                          const QStringList& excludes) {
    if (running_) return false;
    if (expand) folder.path = expand(folder.path);
    running_ = true;
    stop_.store(false);
    visited_.store(0);
    lines_.clear();
    setLabel(QStringLiteral("Items found: ..."));
    progressTimer_.start();
    pool_->start([this, folder, excludes] {
        IndexList list;
        scanIndexFolder(folder, list, &stop_, excludes, &visited_);
        QStringList lines;
        lines.reserve(qsizetype(list.size()));
        for (const IndexList::Entry& e : list.entries())
            if (e.item) lines.append(e.item->path);
        QMetaObject::invokeMethod(
            this, [this, lines = std::move(lines)] { finish(lines); }, Qt::QueuedConnection);
        done_.release();
    });
    return true;
}

void IndexTestScan::stop() {
    if (running_) stop_.store(true);
}

bool IndexTestScan::canClose() {
    stop();
    return !running_;
}

void IndexTestScan::setLabel(const QString& text) {
    label_ = text;
    Q_EMIT labelChanged(label_);
}

void IndexTestScan::showProgress() {
    setLabel(QStringLiteral("Scanning... items scanned: ") + QString::number(visited()));
}

void IndexTestScan::finish(const QStringList& lines) {
    // The scan posted this just before its last step; wait for that step.
    done_.acquire();
    progressTimer_.stop();
    running_ = false;
    lines_ = lines;
    setLabel(foundLabel(lines_.size()) + QStringLiteral(" (scanned ") + QString::number(visited()) +
             u')');
    Q_EMIT finished();
}

IndexedItemsView indexedItemsView(const IndexCollection& index) {
    IndexedItemsView view;
    view.lines.reserve(qsizetype(index.size()));
    for (size_t i = 0; i < index.size(); ++i)
        view.lines.append(index.item(i).path);
    view.label = foundLabel(view.lines.size());
    return view;
}

} // namespace lorvanta
