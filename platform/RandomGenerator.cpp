#include "platform/RandomGenerator.h"

#include <chrono>
#include <cstring>

namespace kalvora::platform {

namespace {

constexpr uint64_t kStep = 0x9E3779B97F4A7C15ull;
constexpr uint64_t kInitialState = 0x4B616C766F726121ull;

uint64_t mix(uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float toUnit(uint64_t bits) { return static_cast<float>(bits >> 40) * (1.0f / 16777216.0f); }

uint64_t bitsOf(double number)
{
    // -0.0 and 0.0 start the same sequence.
    if (number == 0.0) number = 0.0;
    uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return bits;
}

}  // namespace

RandomGenerator::RandomGenerator() { seedState(kInitialState); }

void RandomGenerator::seedState(uint64_t seed)
{
    m_state = mix(seed ^ 0xD1B54A32D192ED03ull);
    // The value a draw with 0 repeats right after reseeding: defined by the seed.
    m_last = toUnit(mix(m_state ^ kStep));
}

float RandomGenerator::next()
{
    m_state += kStep;
    m_last = toUnit(mix(m_state));
    return m_last;
}

float RandomGenerator::next(double argument)
{
    if (argument == 0.0) return m_last;
    // A negative argument restarts the sequence that number defines.
    if (argument < 0.0) reseedFromNumber(argument);
    return next();
}

void RandomGenerator::reseedFromClock()
{
    auto now = std::chrono::system_clock::now().time_since_epoch();
    seedState(static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

void RandomGenerator::reseedFromNumber(double number) { seedState(bitsOf(number)); }

RandomGenerator& RandomGenerator::processDefault()
{
    static RandomGenerator instance;
    return instance;
}

}  // namespace kalvora::platform
