#pragma once

#include <sys/types.h>

namespace lorvanta::platform {

// The parent of a process as /proc shows it; 0 when the process is gone or
// cannot be read.
pid_t parentProcess(pid_t pid);

// Whether `pid` is `ancestor` itself or one of its descendants. Processes
// whose parent has ended belong to init (or a subreaper) and no longer count.
bool descendsFrom(pid_t pid, pid_t ancestor);

} // namespace lorvanta::platform
