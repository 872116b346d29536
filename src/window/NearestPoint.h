#pragma once
// The point of a time-sorted series nearest to a time, found without scanning the series:
// an index estimated from the mean spacing of the points, then a walk towards the time for only
// as long as the next point is not farther away. On an equal distance the walk moves on, so a
// time halfway between two points picks the one the walk reaches second.

#include <algorithm>
#include <cmath>

// `keyAt(i)` gives the time of point i (0 <= i < count), ascending. count must be > 0.
template <class KeyAt>
int NearestPointIndex(int count, double x, KeyAt keyAt) {
    const double first = keyAt(0);
    const double last = keyAt(count - 1);
    const double step = (last - first) / count;
    int i = 0;
    // One point, or all at one time, have no spacing to estimate from: the walk starts at 0.
    if (step > 0) {
        const double estimate = std::trunc((x - first) / step);
        if (estimate > 0)
            i = estimate >= count - 1 ? count - 1 : static_cast<int>(estimate);
    }
    const double gap = x - keyAt(i);
    const int direction = gap > 0 ? 1 : gap < 0 ? -1 : 0;
    if (direction == 0)
        return i;
    for (;;) {
        const int j = i + direction;
        if (j < 0 || j >= count)
            break;
        if (std::abs(x - keyAt(j)) <= std::abs(x - keyAt(i)))
            i = j;
        else
            break;
    }
    return i;
}
