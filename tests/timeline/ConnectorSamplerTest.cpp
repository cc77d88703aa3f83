#include "ConnectorSampler.h"
#include "ConnectorLevels.h"
#include "WinIo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

// A shared port that the sampler may or may not have at once; the registers read as set.
struct SharedPort final : PortBackend {
    SharedPort(Calls &calls, bool &free) : calls(calls), free(free) {}

    bool readRegister(PortRegister reg, std::uint8_t &value) override
    {
        calls.push_back("read " + std::to_string(static_cast<unsigned>(reg)));
        value = registers[static_cast<unsigned>(reg) - 0x378];
        return true;
    }
    bool writeRegister(PortRegister, std::uint8_t) override { return false; }
    std::string describe() const override { return "shared port"; }
    DirectionAbility dataDirectionAbility() override { return {DirectionAbility::Able}; }
    bool setDataDirection(DataDirection) override { return true; }
    bool holdNow() override
    {
        calls.push_back(free ? "hold" : "hold refused");
        return free;
    }
    void letGo() override { calls.push_back("let go"); }

    Calls &calls;
    bool &free;
    std::uint8_t registers[3] = {0x5A, 0x80, 0x0B}; // data, status, control
};

// A sample is one hold with its reads inside; the data lines are read only while they are
// inputs; a port that cannot be had at once is not waited for, and its registers stay as last
// read.
TEST(ConnectorSampler, ReadsASampleInOneHoldAndKeepsTheLastReadingsWhereThePortIsBusy)
{
    Calls calls;
    bool free = true;
    SharedPort *port = nullptr;
    SetPortOpener([&] {
        auto opened = std::make_unique<SharedPort>(calls, free);
        port = opened.get();
        return PortOpening{std::move(opened), {}};
    });
    ASSERT_TRUE(InitializeWinIo());
    ConnectorSampler sampler;
    const std::uint32_t outputs = sampler.sample(0x0F).levels;
    port->registers[1] = 0x00; // S7 high
    free = false;
    const std::uint32_t busy = sampler.sample(0x0F).levels;
    free = true;
    ASSERT_TRUE(SetDataDirection(DataDirection::In));
    const std::uint32_t inputs = sampler.sample(0x0F).levels;
    ShutdownWinIo();
    SetPortOpener(nullptr);

    EXPECT_EQ(calls, (Calls{"hold", "read 889", "read 890", "let go", "hold refused", "hold",
                            "read 889", "read 890", "read 888", "let go"}));
    EXPECT_EQ(outputs, ConnectorLevels(0x0F, 0x80, 0x0B)) << "the data byte as written";
    EXPECT_EQ(busy, outputs) << "the last readings, not a wait";
    EXPECT_EQ(inputs, ConnectorLevels(0x5A, 0x00, 0x0B)) << "the data lines as read";
}

} // namespace
