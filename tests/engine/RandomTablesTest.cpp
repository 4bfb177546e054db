#include <gtest/gtest.h>

#include <cstdint>
#include <cmath>
#include <limits>

#include "engine/LayoutRandomTables.h"
#include "platform/RandomGenerator.h"

namespace kalvora {
namespace {

bool sameSeedState(const LayoutRandomTables& a, const LayoutRandomTables& b)
{
    for (int i = 0; i < LayoutRandomTables::kTableSize; ++i)
        if (a.seedTable(i) != b.seedTable(i)) return false;
    for (int k = 0; k < LayoutRandomTables::kChannels; ++k)
        if (a.seedPos(k) != b.seedPos(k) || a.timePos(k) != b.timePos(k)) return false;
    return true;
}

TEST(RandomTables, SeedTableDependsOnTheSeedsMagnitudeAlone)
{
    LayoutRandomTables a;
    LayoutRandomTables b;
    a.InitRandomTables(5);
    // Another user of the process-wide generator does not disturb the tables.
    platform::RandomGenerator::processDefault().reseedFromNumber(-123.0);
    platform::RandomGenerator::processDefault().next();
    b.InitRandomTables(-5);
    EXPECT_TRUE(sameSeedState(a, b));

    b.InitRandomTables(6);
    EXPECT_FALSE(sameSeedState(a, b));

    a.InitRandomTables(0);
    b.InitRandomTables(0);
    EXPECT_TRUE(sameSeedState(a, b));
}

TEST(RandomTables, SmallestSeedIsTakenInSixtyFourBits)
{
    LayoutRandomTables a;
    LayoutRandomTables b;
    a.InitRandomTables(std::numeric_limits<int32_t>::min());
    b.InitRandomTables(-static_cast<int64_t>(std::numeric_limits<int32_t>::min()));
    EXPECT_TRUE(sameSeedState(a, b));
}

TEST(RandomTables, TimeTableChangesFromRunToRun)
{
    LayoutRandomTables a;
    LayoutRandomTables b;
    a.InitRandomTables(1);
    b.InitRandomTables(1);
    int differing = 0;
    for (int i = 0; i < LayoutRandomTables::kTableSize; ++i) differing += a.timeTable(i) != b.timeTable(i);
    EXPECT_GT(differing, 100);
}

TEST(RandomTables, ChannelPositionsComeFromChannelZero)
{
    LayoutRandomTables t;
    t.InitRandomTables(42);
    // 255 pairs of values of two bytes each, starting at position 1.
    EXPECT_EQ(t.seedPos(0), 1021);
    EXPECT_EQ(t.timePos(0), 1);
    for (int k = 1; k < LayoutRandomTables::kChannels; ++k) {
        EXPECT_GE(t.seedPos(k), 0);
        EXPECT_LE(t.seedPos(k), 1023);
        EXPECT_GE(t.timePos(k), 0);
        EXPECT_LE(t.timePos(k), 1023);
    }
    // Channel 1's positions are the first pair of values read from position 1.
    const double v = (t.seedTable(1) * 256 + t.seedTable(2)) / 65535.0;
    const double w = (t.seedTable(3) * 256 + t.seedTable(4)) / 65535.0;
    EXPECT_EQ(t.timePos(1), static_cast<int32_t>(std::nearbyint(static_cast<double>(static_cast<float>(v)) * 1023)));
    EXPECT_EQ(t.seedPos(1), static_cast<int32_t>(std::nearbyint(static_cast<double>(static_cast<float>(w)) * 1023)));
}

TEST(RandomTables, PositionsAdvanceModulo1023)
{
    LayoutRandomTables t;
    t.InitRandomTables(7);

    t.setPosition(true, 2, 1022);
    EXPECT_EQ(t.GetRandomByte(true, 2), t.seedTable(1022));
    EXPECT_EQ(t.seedPos(2), 0);

    // Entry 1023 is read once, then the channel goes on at position 1.
    t.setPosition(false, 3, 1023);
    EXPECT_EQ(t.GetRandomByte(false, 3), t.timeTable(1023));
    EXPECT_EQ(t.timePos(3), 1);
    EXPECT_EQ(t.GetRandomByte(false, 3), t.timeTable(1));

    // A full cycle of 1023 reads comes back to the start without entry 1023.
    t.setPosition(true, 1, 0);
    for (int i = 0; i < 1023; ++i) EXPECT_EQ(t.GetRandomByte(true, 1), t.seedTable(i));
    EXPECT_EQ(t.seedPos(1), 0);
}

TEST(RandomTables, ValueIsTwoBytesOver65535)
{
    LayoutRandomTables t;
    t.InitRandomTables(3);
    for (int p : {0, 17, 500, 1021}) {
        t.setPosition(true, 9, p);
        const float expected = static_cast<float>((t.seedTable(p) * 256 + t.seedTable(p + 1)) / 65535.0);
        EXPECT_EQ(t.GetRandomValue(true, 9), expected);
        EXPECT_EQ(t.seedPos(9), (p + 2) % 1023);
    }
    // Channels keep separate positions.
    t.setPosition(true, 4, 10);
    t.setPosition(true, 5, 10);
    t.GetRandomValue(true, 4);
    EXPECT_EQ(t.seedPos(5), 10);
}

}  // namespace
}  // namespace kalvora
