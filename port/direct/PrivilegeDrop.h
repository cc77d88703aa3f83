#pragma once

#include <string>

// Leaves the process with no capability in any set and no way to get one back: no_new_privs
// set and, where the process holds CAP_SETPCAP (root), the bounding set emptied and root's
// special treatment locked off. Every step is checked; returns what failed, empty when none.
std::string DropAllPrivilege();

// Leaves the process without raw I/O and no way to get it back: CAP_SYS_RAWIO out of every
// set (the bounding set too, where the process holds CAP_SETPCAP) and no_new_privs set; the
// rest of what the user runs with, root's file access included, stays. Returns what failed,
// empty when none.
std::string DropRawIoPrivilege();
