#pragma once
#include <cstdint>
#include <functional>
#include <random>

namespace coppix {

// The random source the shuffle draws from: Randomize reseeds it from the clock, Rnd gives
// the next number r with 0 <= r < 1 in single precision. It belongs to the rules and knows
// no window.
class Random {
public:
    void Randomize();
    float Rnd();
    // Makes Rnd answer from the given source (tests); an empty function restores the generator.
    void setSource(std::function<float()> source) { m_source = std::move(source); }
    int reseedCount() const { return m_reseeds; }

    // A float in [0, 1) from 24 random bits: never 1.0.
    static float unitFromBits(std::uint32_t bits) { return float(bits >> 8) * (1.0f / 16777216.0f); }

private:
    std::mt19937 m_engine{std::random_device{}()};
    std::function<float()> m_source;
    int m_reseeds = 0;
};

} // namespace coppix
