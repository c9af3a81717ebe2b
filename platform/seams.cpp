#include "platform/seams.h"

#undef mouse_event
#undef keybd_event
#undef Sleep

// The handheld places every absolute event at its coordinates, a tap as much as a move; the
// desktop honours them only with the move flag, so the stand-in adds it.
static void WINAPI HandheldMouseEvent(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extraInfo)
{
    if (flags & MOUSEEVENTF_ABSOLUTE)
        flags |= MOUSEEVENTF_MOVE;
    mouse_event(flags, dx, dy, data, extraInfo);
}

const PpcSeamTable PpcSystemSeams = {HandheldMouseEvent, keybd_event, Sleep};
PpcSeamTable PpcSeams = PpcSystemSeams;
