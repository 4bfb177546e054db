#pragma once

#include <array>
#include <cstdint>

#include "platform/RandomGenerator.h"

namespace kalvora {

// The two byte tables every layout draws its random numbers from.
// TimeTable changes on every run (seeded from the clock); SeedTable depends
// on the project's seed alone. Each of 256 channels keeps its own read
// position in each table, so the draws of one purpose (row heights, brick
// widths, row offsets, per-brick values) never disturb another's sequence.
//
// The tables own their random generator: nothing else in the program
// (a "Randomize" click during a run's yield) can change their numbers.
class LayoutRandomTables {
public:
    static constexpr int kTableSize = 1024;
    static constexpr int kChannels = 256;
    // Positions advance modulo 1023, not 1024: stored projects' layouts
    // depend on this, so it must never change.
    static constexpr int kPositionModulus = 1023;

    // Channels the layouts use.
    static constexpr int kChannelBrick = 0;
    static constexpr int kChannelRowHeight = 1;
    static constexpr int kChannelBrickWidth = 2;
    static constexpr int kChannelRowOffset = 3;

    // Fills both tables and all channel positions; the seed's absolute
    // value (taken in 64 bits) selects SeedTable.
    void InitRandomTables(int64_t Seed);

    // One byte of the chosen table at the channel's position; the position
    // then advances.
    uint8_t GetRandomByte(bool Seeded, int32_t Channel);

    // Two bytes b1, b2 of the channel: (b1 * 256 + b2) / 65535, in 0..1.
    float GetRandomValue(bool Seeded, int32_t Channel);

    uint8_t timeTable(int index) const { return TimeTable[index]; }
    uint8_t seedTable(int index) const { return SeedTable[index]; }
    int32_t timePos(int channel) const { return TimePos[channel]; }
    int32_t seedPos(int channel) const { return SeedPos[channel]; }
    void setPosition(bool Seeded, int32_t Channel, int32_t position);

private:
    static int32_t channelIndex(int32_t Channel);

    platform::RandomGenerator m_random;
    std::array<uint8_t, kTableSize> TimeTable{};
    std::array<uint8_t, kTableSize> SeedTable{};
    std::array<int32_t, kChannels> TimePos{};
    std::array<int32_t, kChannels> SeedPos{};
};

}  // namespace kalvora
