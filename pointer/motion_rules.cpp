#include "pointer/motion_rules.h"

void SpeedFactors(int speedIndex, int *multiplier, int *divisor)
{
    static const int slow[3][2] = {{1, 10}, {1, 5}, {1, 2}};
    if (speedIndex < 0 || speedIndex > 10)
        speedIndex = DEFAULT_SPEED_INDEX;
    if (speedIndex < 3) {
        *multiplier = slow[speedIndex][0];
        *divisor = slow[speedIndex][1];
    } else {
        *multiplier = speedIndex - 2;
        *divisor = 1;
    }
}

int MoveAxis(int position, int delta, int multiplier, int divisor, int limit)
{
    // Widened: a position from an earlier, larger screen plus a full-speed report stays exact.
    long long next = (long long)position + (long long)delta * multiplier / divisor;
    if (next < 0)
        return 0;
    if (next > limit)
        return limit;
    return (int)next;
}

int AbsoluteUnits(int position, int size)
{
    if (size <= 0)
        return 0;
    return (int)((long long)position * ABSOLUTE_UNITS_MAX / size);
}
