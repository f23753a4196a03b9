#pragma once

namespace lorvanta {

class CommandDispatcher;
class ExecutionHost;
class IndexService;
class Scheduler;

// The index's commands:
// "$REFRESHINDEX$" starts a forced rebuild, shows "Started refreshing
// index.." in the input and, once a second, replaces it by the count when the
// rebuild has ended (unless the user typed over it meanwhile).
// "$FLUSHUWP$" shows "Flushing and scanning for UWP Apps", then a forced
// rebuild syncs the "Apps" folder from scratch on the worker, and once it is
// published the input shows "UWP Apps found: " + the number of store apps.
void registerIndexCommands(CommandDispatcher& dispatcher, IndexService& index, ExecutionHost& host,
                           Scheduler& scheduler);

} // namespace lorvanta
