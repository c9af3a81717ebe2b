#pragma once
// One figure of a benchmark, as a line of its own that scripts/bench.sh gathers into its table:
//   figure NAME VALUE UNIT LABEL
#include <stdio.h>

inline void Figure(const char *name, double value, int decimals, const char *unit, const char *label)
{
    printf("figure %s %.*f %s %s\n", name, decimals, value, unit, label);
}
