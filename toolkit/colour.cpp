#include "toolkit/colour.h"

#include <cmath>
#include <limits>

namespace tk {

int toPixel(double value)
{
    const double r = std::nearbyint(value);
    if (!(r >= std::numeric_limits<int>::min() && r <= std::numeric_limits<int>::max()))
        return value < 0 ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    return int(r);
}

int pointsToPixels(double points) { return toPixel(points * 96.0 / 72.0); }

} // namespace tk
