#include "engine/LayoutRandomTables.h"

#include "platform/Numeric.h"

namespace kalvora {

namespace {

// Position 0..1023 from a value 0..1.
int32_t positionFromValue(float v)
{
    return platform::roundToInt32(static_cast<double>(v) * 1023.0);
}

uint8_t byteFromValue(float r)
{
    return platform::roundToByte(static_cast<double>(r) * 255.0);
}

}  // namespace

void LayoutRandomTables::InitRandomTables(int64_t Seed)
{
    m_random.reseedFromClock();
    m_random.next();
    for (auto& entry : TimeTable)
        entry = byteFromValue(m_random.next());

    // The seed's magnitude in 64 bits, so the smallest 32-bit seed has one too.
    const uint64_t magnitude = Seed < 0 ? 0 - static_cast<uint64_t>(Seed) : static_cast<uint64_t>(Seed);
    const double argument = -static_cast<double>(magnitude);
    m_random.reseedFromNumber(argument);
    m_random.next(argument);
    for (auto& entry : SeedTable)
        entry = byteFromValue(m_random.next());

    TimePos[0] = 1;
    SeedPos[0] = 1;
    for (int k = 1; k < kChannels; ++k) {
        TimePos[k] = positionFromValue(GetRandomValue(true, kChannelBrick));
        SeedPos[k] = positionFromValue(GetRandomValue(true, kChannelBrick));
    }
}

int32_t LayoutRandomTables::channelIndex(int32_t Channel)
{
    return static_cast<int32_t>(static_cast<uint32_t>(Channel) % kChannels);
}

uint8_t LayoutRandomTables::GetRandomByte(bool Seeded, int32_t Channel)
{
    const int32_t k = channelIndex(Channel);
    auto& table = Seeded ? SeedTable : TimeTable;
    int32_t& pos = Seeded ? SeedPos[k] : TimePos[k];
    const uint8_t value = table[static_cast<size_t>(pos) % kTableSize];
    pos = (pos + 1) % kPositionModulus;
    return value;
}

float LayoutRandomTables::GetRandomValue(bool Seeded, int32_t Channel)
{
    const int32_t b1 = GetRandomByte(Seeded, Channel);
    const int32_t b2 = GetRandomByte(Seeded, Channel);
    return static_cast<float>(static_cast<double>(b1 * 256 + b2) / 65535.0);
}

void LayoutRandomTables::setPosition(bool Seeded, int32_t Channel, int32_t position)
{
    const int32_t k = channelIndex(Channel);
    const int32_t clamped = platform::clampInt(position, 0, kTableSize - 1);
    (Seeded ? SeedPos : TimePos)[k] = clamped;
}

}  // namespace kalvora
