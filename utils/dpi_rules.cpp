#include "utils/dpi_rules.h"

int ScaleForDpi(int v, int dpi)
{
    // 64-bit so that no value of v or dpi can overflow before the division.
    long long magnitude = v < 0 ? -(long long)v : (long long)v;
    long long scaled = (magnitude * dpi + 48) / 96;
    return (int)(v < 0 ? -scaled : scaled);
}
