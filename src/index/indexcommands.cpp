#include "indexcommands.h"

#include "commands/dispatcher.h"
#include "core/util/seams.h"
#include "indexservice.h"

namespace lorvanta {

namespace {

const QString kStarted = QStringLiteral("Started refreshing index..");

// One tick of the progress shown in the input; re-arms itself while the
// input still reads the start text and the rebuild goes on.
void progressTick(IndexService& index, ExecutionHost& host, Scheduler& scheduler) {
    scheduler.after(1000, [&index, &host, &scheduler] {
        if (host.inputText() != kStarted) return;
        if (index.rebuilding()) return progressTick(index, host, scheduler);
        host.setNewWord(index.countText());
    });
}

} // namespace

void registerIndexCommands(CommandDispatcher& dispatcher, IndexService& index, ExecutionHost& host,
                           Scheduler& scheduler) {
    dispatcher.registerRow(QStringLiteral("$REFRESHINDEX$"),
                           [&index, &host, &scheduler](const CommandCall&) {
                               index.RefreshIndex(true);
                               host.setNewWord(kStarted);
                               progressTick(index, host, scheduler);
                               return RowResult{};
                           });
    dispatcher.registerRow(QStringLiteral("$FLUSHUWP$"), [&index, &host](const CommandCall&) {
        host.setNewWord(QStringLiteral("Flushing and scanning for UWP Apps"));
        index.flushStoreApps([&host](const QString& count) {
            host.setNewWord(QStringLiteral("UWP Apps found: ") + count);
        });
        return RowResult{};
    });
}

} // namespace lorvanta
