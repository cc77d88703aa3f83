#include "SharedTurnTable.h"
#include "TurnTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/sysmacros.h>

namespace {

// A port no machine has (ppdev's major, minor 251), so that the test's segments are its own.
const dev_t kPort = makedev(99, 251);
const key_t kKey = 0x5A7463FB;

void removeSegment()
{
    if (const int id = shmget(kKey, 0, 0); id >= 0)
        shmctl(id, IPC_RMID, nullptr);
}

// Every copy of the port maps the one table, made fresh once; a segment under the key that
// is not a turn table is refused, with how to free it, and nothing is written to it.
TEST(SharedTurnTable, CopiesShareOneTableAndASegmentOfAnotherKindIsRefused)
{
    removeSegment();
    std::string why;
    TurnTable *first = AttachTurnTable(kPort, why);
    TurnTable *second = AttachTurnTable(kPort, why);
    ASSERT_TRUE(first && second) << why;
    first->next = 7;
    EXPECT_EQ(second->next, 7u) << "one table, two mappings";
    EXPECT_EQ(second->magic, TurnTable::kMagic);
    DetachTurnTable(first);
    DetachTurnTable(second);
    removeSegment();

    struct Case {
        const char *what;
        std::size_t size;
        std::uint32_t magic;
        const char *refusal;
    };
    const Case cases[] = {
        {"another program's, smaller", 16, 0,
         "the copies' turn table (shared memory key 0x5a7463fb): the key is another program's; "
         "fix: ipcs -m shows who made it, ipcrm -M 0x5a7463fb (as its maker or root) frees it"},
        {"another program's, as large", sizeof(TurnTable), 0xDEADBEEF,
         "the copies' turn table (shared memory key 0x5a7463fb) holds something else; fix: ipcs "
         "-m shows who made it, ipcrm -M 0x5a7463fb (as its maker or root) frees it"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const int id = shmget(kKey, c.size, IPC_CREAT | IPC_EXCL | 0600);
        ASSERT_GE(id, 0) << std::strerror(errno);
        auto *bytes = static_cast<unsigned char *>(shmat(id, nullptr, 0));
        std::memset(bytes, 0x5A, c.size);
        std::memcpy(bytes, &c.magic, c.magic ? sizeof c.magic : 0);
        std::string refused;
        EXPECT_EQ(AttachTurnTable(kPort, refused), nullptr);
        EXPECT_EQ(refused, c.refusal);
        EXPECT_EQ(bytes[sizeof c.magic], 0x5A) << "nothing written to it";
        shmdt(bytes);
        removeSegment();
    }
}

} // namespace
