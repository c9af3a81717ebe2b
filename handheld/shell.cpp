// Stands in for the handheld's shell: a process named shell32.exe with the full-screen window
// titled "Desktop" (the Today screen) and the task bar along the top. Both are ordinary windows
// of this process, so that other programs find, raise and send them back as on the device.
#include <windows.h>

static LRESULT CALLBACK ShellWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        WCHAR title[32] = {0};
        GetWindowTextW(window, title, ARRAYSIZE(title));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
        DrawTextW(dc, title[0] ? L"Today" : L"Start", -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_CLOSE: // the shell is never closed from outside
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static ATOM RegisterShellClass(HINSTANCE instance, const WCHAR *name, COLORREF colour)
{
    WNDCLASSW wc = {0};
    wc.lpfnWndProc = ShellWindow;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(colour);
    wc.lpszClassName = name;
    return RegisterClassW(&wc);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
{
    if (FindWindowW(L"DesktopExplorerWindow", L"Desktop"))
        return 0; // one shell per handheld

    RegisterShellClass(instance, L"DesktopExplorerWindow", RGB(0x20, 0x50, 0x90));
    RegisterShellClass(instance, L"HHTaskBar", RGB(0x00, 0x20, 0x60));

    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(NULL);
    int barHeight = MulDiv(26, GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(NULL, screen);

    HWND desktop = CreateWindowExW(0, L"DesktopExplorerWindow", L"Desktop", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                   height, NULL, NULL, instance, NULL);
    CreateWindowExW(0, L"HHTaskBar", L"", WS_POPUP | WS_VISIBLE, 0, 0, width, barHeight, NULL, NULL, instance,
                    NULL);
    if (!desktop)
        return 1;

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
