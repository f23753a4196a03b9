#pragma once

#include <QString>
#include <functional>

namespace lorvanta {

class CommandDispatcher;
class ExecutionHost;
class IndexService;
class Scheduler;

// The index's commands:
// "$REFRESHINDEX$" starts a forced rebuild, shows "Started refreshing
// index.." in the input and, once a second, replaces it by the count when the
// rebuild has ended (unless the user typed over it meanwhile).
// "$FLUSHUWP$" shows "Flushing and scanning for UWP Apps", rebuilds the
// "Apps" folder from scratch with `flushStoreApps` (the number of apps as
// text), shows "UWP Apps found: " + that number and starts a forced rebuild.
void registerIndexCommands(CommandDispatcher& dispatcher, IndexService& index, ExecutionHost& host,
                           Scheduler& scheduler, std::function<QString()> flushStoreApps);

} // namespace lorvanta
