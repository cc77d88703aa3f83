#include "HandleRegistry.h"

#include "Handle.h"

#include <mutex>
#include <pthread.h>
#include <unordered_set>
#include <vector>

namespace {

std::mutex g_mutex;
std::unordered_set<const zelvane *> *g_handles; // never freed: exit handlers still look

void lockForFork()
{
    g_mutex.lock();
}

void unlockAfterFork()
{
    g_mutex.unlock();
}

void closeAtExit()
{
    HandleRegistry::closeAll();
}

// Set up once, at the first opening: the exit handler and fork's lock.
std::unordered_set<const zelvane *> &handles()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_handles = new std::unordered_set<const zelvane *>;
        pthread_atfork(lockForFork, unlockAfterFork, unlockAfterFork);
        std::atexit(closeAtExit);
    });
    return *g_handles;
}

} // namespace

void HandleRegistry::add(zelvane *handle)
{
    std::unordered_set<const zelvane *> &all = handles();
    std::lock_guard lock(g_mutex);
    all.insert(handle);
}

bool HandleRegistry::known(const zelvane *handle)
{
    std::lock_guard lock(g_mutex);
    return g_handles && g_handles->count(handle) != 0;
}

void HandleRegistry::closeAll()
{
    std::vector<const zelvane *> open;
    {
        std::lock_guard lock(g_mutex);
        if (g_handles)
            open.assign(g_handles->begin(), g_handles->end());
    }
    for (const zelvane *handle : open)
        const_cast<zelvane *>(handle)->closeAtProcessEnd();
}

// The library unloaded by dlclose, or a process ending past its atexit handlers.
__attribute__((destructor)) static void closeAtUnload()
{
    HandleRegistry::closeAll();
}
