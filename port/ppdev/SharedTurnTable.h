#pragma once

#include <string>
#include <sys/types.h>

struct TurnTable;

// The turn table of one port, in System V shared memory under a key made of the port's device
// number (0x5A74MMmm: major MM, minor mm), open to every user. Not a file: a file mapped from
// a directory every user writes could be truncated by any of them, and every copy mapping it
// would die of SIGBUS at its next turn; a segment's size is fixed when it is made. Made zeroed
// at the first opening after boot and kept until the next boot (or `ipcrm -M KEY`).
// Null, with why set, where it cannot be had.
TurnTable *AttachTurnTable(dev_t device, std::string &why);
void DetachTurnTable(TurnTable *table);
