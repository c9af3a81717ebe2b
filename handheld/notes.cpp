// An ordinary application of the handheld (\windows\notes.exe): one window over the screen
// between the shell's bars, by default titled "Notes". It records its life in "\handheld-events.txt": its command line when it
// starts, "<title> IDOK" when its caption's OK button is used, "<title> closed" when its window is
// destroyed.
//   notes.exe [-ok] [title]     -ok gives the caption an OK button, as a Pocket PC dialog has
#include "platform/events.h"

#include <stdio.h>

#define WS_EX_CAPTIONOKBTN 0x80000000L

static WCHAR Title[200] = L"Notes";

static void Record(const WCHAR *what)
{
    AppendHandheldEventOf(Title, what);
}

static LRESULT CALLBACK NotesWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            Record(L"IDOK");
            return 0; // recorded only: the window stays, so a test sees it was not destroyed
        }
        break;
    case WM_DESTROY:
        Record(L"closed");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
{
    AppendHandheldEvent(GetCommandLineW());

    DWORD exStyle = 0;
    const WCHAR *rest = commandLine;
    while (*rest == L' ')
        rest++;
    if (wcsncmp(rest, L"-ok", 3) == 0 && (rest[3] == 0 || rest[3] == L' ')) {
        exStyle |= WS_EX_CAPTIONOKBTN;
        rest += 3;
        while (*rest == L' ')
            rest++;
    }
    if (*rest) {
        wcsncpy(Title, rest, ARRAYSIZE(Title) - 1);
        Title[ARRAYSIZE(Title) - 1] = 0;
    }

    WNDCLASSW wc = {0};
    wc.lpfnWndProc = NotesWindow;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = L"HandheldNotes";
    RegisterClassW(&wc);
    // An application lies between the shell's two bars, which stay where they are: the navigation
    // bar along the top and the menu bar along the bottom, each 26 pixels high at 96 DPI.
    HDC screen = GetDC(NULL);
    int bar = MulDiv(26, GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(NULL, screen);
    HWND window = CreateWindowExW(exStyle, L"HandheldNotes", Title, WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 0, bar,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 2 * bar, NULL,
                                  NULL, instance, NULL);
    if (!window)
        return 1;
    SetForegroundWindow(window);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
