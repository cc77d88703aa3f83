#pragma once

struct zelvane;

// Every handle ever opened in this process, closed ones too: a closed handle's memory is kept
// so that a stale pointer is told apart from a live one and never read after a free.
namespace HandleRegistry {

void add(zelvane *handle);
bool known(const zelvane *handle);
// Closes every handle this process opened: at exit and when the library is unloaded.
void closeAll();

} // namespace HandleRegistry
