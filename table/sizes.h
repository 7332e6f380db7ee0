#pragma once
// The three sizes of the table and the face library, written once: the rules deal from
// them, the table window keeps one card-back set and one "&Options" entry for each size,
// and the pictures hold one back for each size and the library's faces.
#include <array>
#include <cstdint>

namespace coppix {

using Integer = std::int16_t;
using Long = std::int32_t;

struct TableSize {
    Integer cards;
    Integer rows;
    constexpr int columns() const { return cards / rows; }
    constexpr int pairs() const { return cards / 2; }
};

// Smallest first; the table opens at the first.
inline constexpr std::array<TableSize, 3> tableSizes{{{20, 4}, {48, 6}, {80, 8}}};

// The place in tableSizes of the size with that many cards, or -1 when there is none.
constexpr int sizeIndex(int cards)
{
    for (std::size_t i = 0; i < tableSizes.size(); ++i)
        if (tableSizes[i].cards == cards)
            return int(i);
    return -1;
}

// The largest table, and the size of the arrays indexed by card (element 0 unused).
inline constexpr int maxCards = tableSizes.back().cards;

// The face library the pairs are drawn from.
inline constexpr int faceLibrarySize = 40;

static_assert(tableSizes.back().pairs() <= faceLibrarySize, "every pair of the largest table needs a face of its own");

} // namespace coppix
