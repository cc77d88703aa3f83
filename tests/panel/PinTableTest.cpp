#include "PinTable.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(PinTable, LookupsByNumberAndControlId)
{
    EXPECT_EQ(findPinByNumber(1)->label, "C0");
    EXPECT_EQ(findPinByNumber(14)->label, "C1");
    EXPECT_EQ(findPinByNumber(25)->label, "G7");
    EXPECT_EQ(findPinByNumber(0), nullptr);
    EXPECT_EQ(findPinByNumber(26), nullptr);

    EXPECT_EQ(findPinByControlId(1038), nullptr) << "no control has 1038";
    EXPECT_EQ(findPinByControlId(1008), nullptr) << "a button is no pin";
    EXPECT_EQ(findPinByControlId(0x10000 + 1042), nullptr) << "no truncation to 16 bits";
    const ConnectorPin *s3 = findPinByControlId(1052);
    ASSERT_NE(s3, nullptr);
    EXPECT_EQ(s3->label, "S3");
    EXPECT_FALSE(s3->clickable);
}

TEST(PinTable, EveryPinIsDistinctAndDataIdsAreConsecutive)
{
    std::set<unsigned> numbers, ids;
    for (const auto &p : kConnectorPins) {
        numbers.insert(p.number);
        ids.insert(p.controlId);
    }
    EXPECT_EQ(numbers.size(), 25u);
    EXPECT_EQ(ids.size(), 25u);
    for (unsigned n = 0; n < 8; ++n) {
        EXPECT_EQ(kDataPins[n]->controlId, 1039 + n);
        EXPECT_EQ(kDataPins[n]->bit, n);
    }
}

TEST(PinTable, TheClickableSetIsExactlyTheTwelveOutputs)
{
    std::set<unsigned> clickable;
    for (const auto &p : kConnectorPins)
        if (p.clickable)
            clickable.insert(p.controlId);
    EXPECT_EQ(clickable, (std::set<unsigned>{1037, 1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046,
                                             1051, 1053, 1054}));
}

TEST(PinTable, GroupOrdersAndImages)
{
    auto labels = [](const auto &pins) {
        std::string text;
        for (const ConnectorPin *p : pins)
            text += std::string(p->label) + " ";
        return text;
    };
    EXPECT_EQ(labels(kControlPins), "C0 C1 C2 C3 ");
    EXPECT_EQ(labels(kControlReadOrder), "C3 C2 C1 C0 ");
    EXPECT_EQ(labels(kStatusUpdateOrder), "S6 S7 S5 S4 S3 ");
    EXPECT_EQ(kControlPins[0]->controlId, 1037);
    EXPECT_EQ(kControlPins[1]->controlId, 1051);

    EXPECT_EQ(findPinByLabel("D0")->imageForLevel(1), IDB_HIGH);
    EXPECT_EQ(findPinByLabel("D0")->imageForLevel(0), IDB_OUT_LOW);
    EXPECT_EQ(findPinByLabel("C2")->imageForLevel(1), IDB_CTRL_HIGH);
    EXPECT_EQ(findPinByLabel("C2")->imageForLevel(0), IDB_OUT_LOW);
    EXPECT_EQ(findPinByLabel("S7")->imageForLevel(0), IDB_IN_LOW);
    EXPECT_EQ(findPinByLabel("G3")->imageForLevel(1), IDB_IN_LOW) << "ground is always low";
}

TEST(PinTable, GroundPinsHaveNoRegisterAndInversionsMatchTheHardware)
{
    for (const auto &p : kConnectorPins) {
        SCOPED_TRACE(std::string(p.label));
        EXPECT_EQ(p.group == PinGroup::Ground, !p.reg.has_value());
        if (p.group == PinGroup::Ground) {
            EXPECT_FALSE(p.clickable);
            EXPECT_FALSE(p.imageHigh.has_value());
        }
    }
    EXPECT_EQ(invertedMask(PortRegister::Control), 0x0B);
    EXPECT_EQ(invertedMask(PortRegister::Status), 0x80);
}

} // namespace
