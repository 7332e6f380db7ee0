#include "table/random.h"

#include <chrono>

namespace coppix {

void Random::Randomize()
{
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    std::seed_seq seed{std::uint32_t(ticks), std::uint32_t(std::uint64_t(ticks) >> 32)};
    m_engine.seed(seed);
    ++m_reseeds;
}

float Random::Rnd()
{
    if (m_source)
        return m_source();
    return unitFromBits(std::uint32_t(m_engine()));
}

} // namespace coppix
