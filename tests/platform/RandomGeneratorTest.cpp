#include <gtest/gtest.h>

#include <set>

#include "platform/Numeric.h"
#include "platform/RandomGenerator.h"

using namespace kalvora::platform;

TEST(RandomGenerator, SequencesAreDeterminedByTheirNumber)
{
    RandomGenerator a;
    RandomGenerator b;
    float first = a.next(-0.3333);
    float second = a.next();
    EXPECT_EQ(b.next(-0.3333), first);
    EXPECT_EQ(b.next(), second);
    // Fractions matter: a nearby number starts another sequence.
    EXPECT_NE(b.next(-0.3334), first);
    // Zero repeats the last value without advancing.
    float last = b.next();
    EXPECT_EQ(b.next(0.0), last);
    EXPECT_EQ(b.next(0.0), last);
    EXPECT_NE(b.next(1.0), last);
}

TEST(RandomGenerator, ReseedFromNumberRepeatsAndValuesStayInRange)
{
    RandomGenerator a;
    a.reseedFromNumber(-42);
    float zeroAfterReseed = a.next(0.0);
    float v1 = a.next();
    a.reseedFromNumber(-42);
    EXPECT_EQ(a.next(0.0), zeroAfterReseed);
    EXPECT_EQ(a.next(), v1);

    std::set<float> seen;
    for (int i = 0; i < 100000; ++i) {
        float v = a.next();
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
        seen.insert(v);
    }
    EXPECT_GT(seen.size(), 99000u);
}

TEST(Numeric, RoundsHalfToEvenAndClamps)
{
    EXPECT_EQ(roundToInt32(2.5), 2);
    EXPECT_EQ(roundToInt32(3.5), 4);
    EXPECT_EQ(roundToInt32(-2.5), -2);
    EXPECT_EQ(roundToByte(127.5), 128);
    EXPECT_EQ(roundToByte(126.5), 126);
    EXPECT_EQ(roundToByte(-3), 0);
    EXPECT_EQ(roundToByte(300), 255);
    EXPECT_EQ(roundToInt16(40000), 32767);
}
