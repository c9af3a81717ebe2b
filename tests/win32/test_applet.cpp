// Applets that misbehave or report how they are called, for the applet picker's tests; one source,
// one applet per TEST_APPLET:
//   million.cpl       reports 5,000,000 entries, "Entry 0", "Entry 1", ...
//   unterminated.cpl  "Fine", then a name that runs past its field (the whole record filled, no
//                     terminator anywhere), then "Also fine"
//   noexport.cpl      a library without CPlApplet
//   probe.cpl         entries "One" and "Two"; records every call in the event record as
//                     "probe MESSAGE window=CLASS|none cursor=wait|other shown=COUNT"
#include "platform/events.h"

#include <cpl.h>
#include <stdio.h>

#define MILLION 1
#define UNTERMINATED 2
#define NOEXPORT 3
#define PROBE 4

#if TEST_APPLET != NOEXPORT

static void Probe(HWND window, UINT message)
{
    WCHAR name[64] = L"none";
    if (window)
        GetClassNameW(window, name, ARRAYSIZE(name));
    // The show count, read without changing it.
    int shown = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    bool waiting = GetCursor() == LoadCursorW(NULL, (LPCWSTR)IDC_WAIT);
    WCHAR line[160];
    _snwprintf(line, ARRAYSIZE(line) - 1, L"probe %u window=%ls cursor=%ls shown=%d", message, name,
               waiting ? L"wait" : L"other", shown);
    line[ARRAYSIZE(line) - 1] = 0;
    AppendHandheldEvent(line);
}

extern "C" __declspec(dllexport) LONG WINAPI CPlApplet(HWND window, UINT message, LPARAM param1, LPARAM param2)
{
    if (TEST_APPLET == PROBE)
        Probe(window, message);
    NEWCPLINFOW *info = (NEWCPLINFOW *)param2;
    switch (message) {
    case CPL_INIT:
        return 1;
    case CPL_GETCOUNT:
        return TEST_APPLET == MILLION ? 5000000 : TEST_APPLET == UNTERMINATED ? 3 : 2;
    case CPL_NEWINQUIRE:
        if (TEST_APPLET == MILLION) {
            _snwprintf(info->szName, ARRAYSIZE(info->szName) - 1, L"Entry %d", (int)param1);
        } else if (TEST_APPLET == UNTERMINATED) {
            if (param1 == 1) {
                WCHAR *from = info->szName, *end = (WCHAR *)(info + 1);
                while (from < end)
                    *from++ = L'N';
            } else {
                lstrcpyW(info->szName, param1 == 0 ? L"Fine" : L"Also fine");
            }
        } else {
            lstrcpyW(info->szName, param1 == 0 ? L"One" : L"Two");
        }
        return 0;
    }
    return 0;
}

#endif
