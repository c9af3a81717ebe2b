#pragma once
// One figure of a benchmark, as a line of its own that scripts/bench.sh gathers into its table:
//   figure NAME VALUE UNIT LABEL
// and, for a cost that has a floor the handheld imposes (the same system calls alone), the floor
// beside it in the table's floor column:
//   floor NAME VALUE
#include <windows.h>

#include <stdio.h>

// The performance counter's time, in seconds.
inline double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / frequency.QuadPart;
}

inline void Figure(const char *name, double value, int decimals, const char *unit, const char *label)
{
    printf("figure %s %.*f %s %s\n", name, decimals, value, unit, label);
}

inline void FigureWithFloor(const char *name, double value, double floor, int decimals, const char *unit,
                            const char *label)
{
    Figure(name, value, decimals, unit, label);
    printf("floor %s %.*f\n", name, decimals, floor);
}
