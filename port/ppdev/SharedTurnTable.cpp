#include "SharedTurnTable.h"

#include "TurnTable.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/sysmacros.h>

namespace {

key_t keyOf(dev_t device)
{
    return static_cast<key_t>(0x5A740000u | (major(device) & 0xFFu) << 8 | (minor(device) & 0xFFu));
}

std::string hexKey(key_t key)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(key));
    return text;
}

} // namespace

TurnTable *AttachTurnTable(dev_t device, std::string &why)
{
    const key_t key = keyOf(device);
    const std::string name = "the copies' turn table (shared memory key " + hexKey(key) + ")";
    const std::string fix = "; fix: ipcs -m shows who made it, ipcrm -M " + hexKey(key) +
                            " (as its maker or root) frees it";
    const auto refuse = [&](const std::string &what) {
        why = name + what;
        return nullptr;
    };
    // Mode 0666 stands as given: System V memory knows no umask.
    const int id = shmget(key, sizeof(TurnTable), IPC_CREAT | 0666);
    void *mapped = id < 0 ? reinterpret_cast<void *>(-1) : shmat(id, nullptr, 0);
    if (mapped == reinterpret_cast<void *>(-1)) {
        if (errno == EACCES)
            return refuse(" is not open to this user" + fix);
        if (errno == EINVAL)
            return refuse(": the key is another program's" + fix);
        return refuse(std::string(": ") + std::strerror(errno));
    }
    auto *table = static_cast<TurnTable *>(mapped);
    std::uint32_t magic = 0;
    if (!table->magic.compare_exchange_strong(magic, TurnTable::kMagic) &&
        magic != TurnTable::kMagic) {
        shmdt(mapped);
        return refuse(" holds something else" + fix);
    }
    return table;
}

void DetachTurnTable(TurnTable *table)
{
    if (table)
        shmdt(table);
}
