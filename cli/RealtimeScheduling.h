#pragma once

#include <string>

// --realtime: the memory the program holds is locked and it runs SCHED_FIFO, so that neither
// paging nor ordinary programs delay an edge. Needs privilege (root, CAP_SYS_NICE and
// CAP_IPC_LOCK, or rlimits that allow it), so it comes before privilege is given up.
// Returns what was refused, or empty.
std::string EnterRealtime();
