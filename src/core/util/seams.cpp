#include "seams.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>

namespace lorvanta {

quint32 SystemRandom::below(quint32 bound) {
    return bound == 0 ? 0 : QRandomGenerator::system()->bounded(bound);
}

void EventLoopScheduler::after(int milliseconds, std::function<void()> work) {
    QTimer::singleShot(std::max(0, milliseconds), QCoreApplication::instance(), std::move(work));
}

void ManualScheduler::after(int milliseconds, std::function<void()> work) {
    queue_.push_back(Item{now_ + std::max(0, milliseconds), counter_++, std::move(work)});
}

void ManualScheduler::run() {
    while (!queue_.empty()) {
        const auto first =
            std::min_element(queue_.begin(), queue_.end(), [](const Item& a, const Item& b) {
                return a.at != b.at ? a.at < b.at : a.order < b.order;
            });
        Item item = std::move(*first);
        queue_.erase(first);
        now_ = std::max(now_, item.at);
        item.work();
    }
}

} // namespace lorvanta
