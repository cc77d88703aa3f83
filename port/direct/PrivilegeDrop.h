#pragma once

#include <string>

// Leaves the process with no capability in any set and no way to get one back: no_new_privs
// set and, where the process holds CAP_SETPCAP (root), the bounding set emptied and root's
// special treatment locked off. Every step is checked; returns what failed, empty when none.
std::string DropAllPrivilege();
