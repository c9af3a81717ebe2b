// Applets that misbehave or report how they are called, for the applet picker's tests; one source,
// one applet per TEST_APPLET:
//   million.cpl       reports 5,000,000 entries, "Entry 0", "Entry 1", ...
//   unterminated.cpl  "Fine", then a name that runs past its field (the whole record filled, no
//                     terminator anywhere), then "Also fine"
//   noexport.cpl      a library without CPlApplet
//   probe.cpl         entries "One" and "Two"; records every call in the event record as
//                     "probe MESSAGE window=CLASS|none cursor=wait|other shown=COUNT"
//   modal.cpl         entries "One" and "Two"; CPL_INIT shows a message box, titled "Modal
//                     applet", owned by the window it is given, and starts once it is closed
//   twins.cpl         entries "Clo\u00ADck" (with a soft hyphen) and "Clock"
//   overrun.cpl       entries "Near" and "Far"; each inquiry writes 1024 bytes past the record,
//                     first recording "overrun room=zero" when they were zero-filled room to write
//                     into, "overrun room=dirty" when they were not
#include "platform/events.h"

#include <cpl.h>
#include <stdio.h>

#define MILLION 1
#define UNTERMINATED 2
#define NOEXPORT 3
#define PROBE 4
#define MODAL 5
#define TWINS 6
#define OVERRUN 7
#define OVERRUN_BYTES 1024

static const WCHAR *const Names[][2] = {
    {}, {}, {}, {}, {L"One", L"Two"}, {L"One", L"Two"}, {L"Clo\u00ADck", L"Clock"}, {L"Near", L"Far"},
};

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
        if (TEST_APPLET == MODAL)
            MessageBoxW(window, L"Starting", L"Modal applet", MB_OK);
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
            if (TEST_APPLET == OVERRUN) {
                BYTE *past = (BYTE *)(info + 1);
                bool zero = true;
                for (int i = 0; i < OVERRUN_BYTES; i++)
                    zero = zero && past[i] == 0;
                AppendHandheldEvent(zero ? L"overrun room=zero" : L"overrun room=dirty");
                for (int i = 0; i < OVERRUN_BYTES; i++)
                    past[i] = 0xEE;
            }
            lstrcpyW(info->szName, Names[TEST_APPLET][param1 == 0 ? 0 : 1]);
        }
        return 0;
    }
    return 0;
}

#endif
