#pragma once
// The cursor record as the program holds it once started: the installed cursor strip and the
// screen's size; the benchmarks that centre the cursor say so.
#include "pointer/cursor_state.h"
#include "tests/support/program_strip.h"

#include <stdio.h>

inline bool BenchCursorReady(bool centred)
{
    CursorState.hbmStrip = LoadInstalledCursorStrip();
    if (!CursorState.hbmStrip) {
        printf("no cursor strip\n");
        return false;
    }
    CursorState.cxScreen = GetSystemMetrics(SM_CXSCREEN);
    CursorState.cyScreen = GetSystemMetrics(SM_CYSCREEN);
    if (centred) {
        CursorState.x = CursorState.cxScreen / 2;
        CursorState.y = CursorState.cyScreen / 2;
    }
    return true;
}
