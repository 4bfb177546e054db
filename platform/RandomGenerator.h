#pragma once

#include <cstdint>

namespace kalvora::platform {

// The program's random-number runtime. Deterministic on every machine and
// build: the state is one 64-bit counter advanced by a fixed odd step, and
// each value is the SplitMix64 mix of the counter cut to its top 24 bits,
// so a draw is an exact single-precision value in [0, 1).
//
// Three operations: next() draws the next value; reseedFromClock() starts a
// sequence from the clock; reseedFromNumber(n) starts the sequence that n
// determines. next(arg) follows the classic rules: a negative argument
// restarts the sequence of that number (every bit of it, fractions
// included) and returns its first value; 0 repeats the last value; a
// positive argument draws the next value.
class RandomGenerator {
public:
    RandomGenerator();

    float next();
    float next(double argument);
    void reseedFromClock();
    void reseedFromNumber(double number);

    float lastValue() const { return m_last; }

    // The instance used by everything that does not own one (the editor's
    // filters, the "Randomize" button, the splash pauses).
    static RandomGenerator& processDefault();

private:
    void seedState(uint64_t seed);

    uint64_t m_state = 0;
    float m_last = 0.0f;
};

}  // namespace kalvora::platform
