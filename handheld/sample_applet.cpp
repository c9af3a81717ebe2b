// Control-panel applets of the handheld (in \windows), answering the control-panel protocol
// (CPlApplet). One source, three applets (SAMPLE_APPLET names the variant):
//   sample.cpl     entries "Buttons", "" (no name), "Clock", "Power", "Power"
//   refusing.cpl   refuses CPL_INIT
//   empty.cpl      reports no entries
// CPL_DBLCLK opens the entry: a full-screen window titled with its name (class SampleApplet) that
// stays until it is closed; "<name> opened" and "<name> closed" go to the event record.
#include "platform/events.h"

#include <cpl.h>
#include <stdio.h>

#define SAMPLE 1
#define REFUSING 2
#define EMPTY 3

#if SAMPLE_APPLET == SAMPLE
static const WCHAR *const Entries[] = {L"Buttons", L"", L"Clock", L"Power", L"Power"};
#else
static const WCHAR *const Entries[] = {L""};
#endif
#define ENTRY_COUNT (SAMPLE_APPLET == SAMPLE ? (LONG)ARRAYSIZE(Entries) : 0)

static HINSTANCE Module;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        Module = instance;
    return TRUE;
}

static LRESULT CALLBACK EntryWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        WCHAR title[40] = {0};
        GetWindowTextW(window, title, ARRAYSIZE(title));
        RECT area;
        GetClientRect(window, &area);
        DrawTextW(dc, title, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY: {
        WCHAR title[40] = {0};
        GetWindowTextW(window, title, ARRAYSIZE(title));
        AppendHandheldEventOf(title, L"closed");
        PostQuitMessage(0);
        return 0;
    }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The entry's window, until it is closed: the control panel waits in CPL_DBLCLK meanwhile.
static LONG OpenEntry(HWND parent, LONG index)
{
    if (index < 0 || index >= ENTRY_COUNT)
        return 1;
    WNDCLASSW wc = {0};
    wc.lpfnWndProc = EntryWindow;
    wc.hInstance = Module;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = L"SampleApplet";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"SampleApplet", Entries[index], WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), parent, NULL, Module,
                                  NULL);
    if (!window)
        return 1;
    AppendHandheldEventOf(Entries[index], L"opened");
    SetForegroundWindow(window);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    UnregisterClassW(L"SampleApplet", Module);
    return 0;
}

extern "C" __declspec(dllexport) LONG WINAPI CPlApplet(HWND window, UINT message, LPARAM param1, LPARAM param2)
{
    switch (message) {
    case CPL_INIT:
        return SAMPLE_APPLET == REFUSING ? 0 : 1;
    case CPL_GETCOUNT:
        return ENTRY_COUNT;
    case CPL_NEWINQUIRE: {
        NEWCPLINFOW *info = (NEWCPLINFOW *)param2;
        if (param1 < 0 || param1 >= ENTRY_COUNT || !info)
            return 1;
        info->dwSize = sizeof(*info);
        info->lData = param1;
        lstrcpynW(info->szName, Entries[param1], ARRAYSIZE(info->szName));
        return 0;
    }
    case CPL_DBLCLK:
        return OpenEntry(window, (LONG)param1);
    }
    return 0;
}
