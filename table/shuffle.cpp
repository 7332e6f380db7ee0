// The shuffle: a random permutation of 1..N in cardOrder(1..N), drawn slot by slot.
#include "table/form1.h"

#include <cassert>
#include <cmath>

namespace coppix {

void Form1::Mescola(Integer N)
{
    const int m = N;
    assert(m <= 80 && "the shuffle's arrays end at 80");
    for (int i = 1; i <= m; ++i)
        drawPool[std::size_t(i)] = Integer(i);
    random.Randomize();
    for (int i = 1; i <= m; ++i) {
        // r < 1, so the draw k lies in 1..m.
        const double r = random.Rnd();
        const int k = int(std::floor(r * double(m))) + 1;
        if (drawPool[std::size_t(k)] == 0) {
            --i; // that slot is gone: draw again for the same place
            continue;
        }
        cardOrder[std::size_t(i)] = drawPool[std::size_t(k)];
        drawPool[std::size_t(k)] = 0;
    }
}

} // namespace coppix
