// Stands in for the handheld's shell: a process named shell32.exe with the full-screen window
// titled "Desktop" (the Today screen), the task bar along the top, and the programs' notification
// icons along the bottom of the Today screen. The windows are ordinary windows of this process, so
// that other programs find, raise and send them back as on the device.
#include "platform/tray_wire.h"

#include <windows.h>
#include <shellapi.h>

#define BAR_COLOUR RGB(0x00, 0x20, 0x60)

// An icon window's extra bytes: its callback message and its picture.
#define ICON_CALLBACK 0
#define ICON_PICTURE (ICON_CALLBACK + sizeof(LONG_PTR))
#define ICON_EXTRA_BYTES (ICON_PICTURE + sizeof(LONG_PTR))

static int BarHeight()
{
    HDC screen = GetDC(NULL);
    int height = MulDiv(26, GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(NULL, screen);
    return height;
}

static HWND TaskBar, Desktop;
#define TITLE_TIMER 1
#define TITLE_LOOK_MS 100

// The task bar says what is in front: the title of the foreground window, "Start" while the Today
// screen (or nothing, or a window without a title) is. Kept as the bar's own text, so that what it
// shows can be read as well as seen.
static void ShowTitleOf(HWND front)
{
    WCHAR title[64] = {0};
    if (front && front != Desktop && front != TaskBar)
        GetWindowTextW(front, title, ARRAYSIZE(title));
    const WCHAR *shown = title[0] ? title : L"Start";
    WCHAR current[64] = {0};
    GetWindowTextW(TaskBar, current, ARRAYSIZE(current));
    if (wcscmp(current, shown) != 0) {
        SetWindowTextW(TaskBar, shown);
        InvalidateRect(TaskBar, NULL, TRUE);
    }
}

static LRESULT CALLBACK ShellWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        WCHAR title[64] = {0};
        GetWindowTextW(window, title, ARRAYSIZE(title));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
        // The Today screen's own heading; the bar shows its text.
        DrawTextW(dc, window == Desktop ? L"Today" : title, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        if (wParam == TITLE_TIMER)
            ShowTitleOf(GetForegroundWindow());
        return 0;
    case WM_CLOSE: // the shell is never closed from outside
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The notification icons, one window each on the tray strip, side by side leftwards from the right
// end in the order they came.
static HWND OwnerOf(HWND icon) { return (HWND)GetWindowLongPtrW(icon, GWLP_USERDATA); }

static void PlaceIcons(HWND tray)
{
    RECT strip;
    GetClientRect(tray, &strip);
    int side = strip.bottom, x = strip.right;
    // Each icon is put below the others when it comes: from the top down, the oldest first.
    for (HWND icon = GetWindow(tray, GW_CHILD); icon; icon = GetWindow(icon, GW_HWNDNEXT)) {
        x -= side;
        SetWindowPos(icon, NULL, x, 0, side, side, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The icons of windows that are gone go with them.
static void DropOrphans(HWND tray)
{
    HWND next;
    for (HWND icon = GetWindow(tray, GW_CHILD); icon; icon = next) {
        next = GetWindow(icon, GW_HWNDNEXT);
        if (!IsWindow(OwnerOf(icon)))
            DestroyWindow(icon);
    }
}

static HWND FindIcon(HWND tray, HWND owner, UINT id)
{
    for (HWND icon = GetWindow(tray, GW_CHILD); icon; icon = GetWindow(icon, GW_HWNDNEXT))
        if (OwnerOf(icon) == owner && (UINT)GetWindowLongPtrW(icon, GWLP_ID) == id)
            return icon;
    return NULL;
}

// The picture of a request; null when it has none.
static HICON MakePicture(const TrayRequest &request, const uint32_t *pixels)
{
    if (!request.width)
        return NULL;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = request.width;
    info.bmiHeader.biHeight = -(LONG)request.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    size_t count = (size_t)request.width * request.height;
    HDC screen = GetDC(NULL);
    void *bits = NULL;
    HBITMAP colour = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HBITMAP mask = CreateBitmap(request.width, request.height, 1, 1, NULL);
    HICON icon = NULL;
    if (colour && mask) {
        memcpy(bits, pixels, count * sizeof(uint32_t));
        SetDIBits(screen, mask, 0, request.height, pixels + count, &info, DIB_RGB_COLORS);
        ICONINFO parts = {TRUE, 0, 0, mask, colour};
        icon = CreateIconIndirect(&parts);
    }
    ReleaseDC(NULL, screen);
    if (colour)
        DeleteObject(colour);
    if (mask)
        DeleteObject(mask);
    return icon;
}

static void SetPicture(HWND icon, HICON picture)
{
    HICON old = (HICON)SetWindowLongPtrW(icon, ICON_PICTURE, (LONG_PTR)picture);
    if (old)
        DestroyIcon(old);
    InvalidateRect(icon, NULL, TRUE);
}

// One Shell_NotifyIcon call of a program (platform/tray_wire.h); any process may send anything,
// so the request is checked before it is read.
static BOOL TrayCall(HWND tray, const COPYDATASTRUCT *copy)
{
    TrayRequest request;
    if (!copy || copy->dwData != TRAY_COPYDATA_TAG || copy->cbData < sizeof(request) || !copy->lpData)
        return FALSE;
    memcpy(&request, copy->lpData, sizeof(request));
    const uint32_t *pixels = (const uint32_t *)((const BYTE *)copy->lpData + sizeof(request));
    if (request.width > TRAY_ICON_MAX_SIDE || request.height > TRAY_ICON_MAX_SIDE || !request.width != !request.height ||
        copy->cbData != sizeof(request) + 2 * sizeof(uint32_t) * request.width * request.height)
        return FALSE;

    DropOrphans(tray);
    HWND owner = (HWND)(LONG_PTR)(LONG)request.window;
    HWND icon = FindIcon(tray, owner, request.id);
    switch (request.operation) {
    case NIM_ADD:
        if (icon || !IsWindow(owner))
            return FALSE;
        // Shown once it is in its place with its picture, below.
        icon = CreateWindowExW(0, TRAY_ICON_CLASS, L"", WS_CHILD, 0, 0, 0, 0, tray, (HMENU)(UINT_PTR)request.id,
                               GetModuleHandleW(NULL), NULL);
        if (!icon)
            return FALSE;
        SetWindowPos(icon, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowLongPtrW(icon, GWLP_USERDATA, (LONG_PTR)owner);
        break;
    case NIM_MODIFY:
        if (!icon)
            return FALSE;
        break;
    case NIM_DELETE:
        if (!icon)
            return FALSE;
        DestroyWindow(icon);
        PlaceIcons(tray);
        return TRUE;
    default:
        return FALSE;
    }
    if (request.flags & NIF_MESSAGE)
        SetWindowLongPtrW(icon, ICON_CALLBACK, request.callback);
    if (request.flags & NIF_ICON)
        SetPicture(icon, MakePicture(request, pixels));
    PlaceIcons(tray);
    ShowWindow(icon, SW_SHOWNA);
    return TRUE;
}

static LRESULT CALLBACK TrayWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPYDATA:
        return TrayCall(window, (const COPYDATASTRUCT *)lParam);
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Tells the icon's window about a press or a release: posted, so that a busy program never holds
// up the shell.
static void NotifyOwner(HWND icon, UINT mouseMessage)
{
    HWND owner = OwnerOf(icon);
    UINT callback = (UINT)GetWindowLongPtrW(icon, ICON_CALLBACK);
    if (callback && IsWindow(owner))
        PostMessageW(owner, callback, (WPARAM)GetWindowLongPtrW(icon, GWLP_ID), mouseMessage);
}

// A tap: the press is told at once, the release only when it comes over the icon.
static LRESULT CALLBACK TrayIcon(HWND icon, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE; // the window in front stays there
    case WM_LBUTTONDOWN:
        SetCapture(icon);
        NotifyOwner(icon, WM_LBUTTONDOWN);
        return 0;
    case WM_LBUTTONUP: {
        bool pressed = GetCapture() == icon;
        ReleaseCapture();
        RECT area;
        GetClientRect(icon, &area);
        POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        if (pressed && PtInRect(&area, at))
            NotifyOwner(icon, WM_LBUTTONUP);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(icon, &paint);
        RECT area;
        GetClientRect(icon, &area);
        HICON picture = (HICON)GetWindowLongPtrW(icon, ICON_PICTURE);
        int side = MulDiv(16, GetDeviceCaps(dc, LOGPIXELSY), 96);
        if (picture)
            DrawIconEx(dc, (area.right - side) / 2, (area.bottom - side) / 2, picture, side, side, 0, NULL, DI_NORMAL);
        EndPaint(icon, &paint);
        return 0;
    }
    case WM_DESTROY:
        SetPicture(icon, NULL);
        return 0;
    }
    return DefWindowProcW(icon, message, wParam, lParam);
}

static ATOM RegisterShellClass(HINSTANCE instance, const WCHAR *name, COLORREF colour, WNDPROC procedure,
                               int extraBytes = 0)
{
    WNDCLASSW wc = {0};
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = extraBytes;
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

    RegisterShellClass(instance, L"DesktopExplorerWindow", RGB(0x20, 0x50, 0x90), ShellWindow);
    RegisterShellClass(instance, L"HHTaskBar", BAR_COLOUR, ShellWindow);
    RegisterShellClass(instance, TRAY_WINDOW_CLASS, BAR_COLOUR, TrayWindow);
    RegisterShellClass(instance, TRAY_ICON_CLASS, BAR_COLOUR, TrayIcon, ICON_EXTRA_BYTES);

    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    int barHeight = BarHeight();

    HWND desktop = CreateWindowExW(0, L"DesktopExplorerWindow", L"Desktop", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                   0, 0, width, height, NULL, NULL, instance, NULL);
    Desktop = desktop;
    TaskBar = CreateWindowExW(0, L"HHTaskBar", L"Start", WS_POPUP | WS_VISIBLE, 0, 0, width, barHeight, NULL, NULL,
                              instance, NULL);
    if (!desktop)
        return 1;
    // Wine 8 tells no other process of foreground or title changes (its out-of-context event
    // hooks stay silent across processes), so the bar looks at the window in front ten times a
    // second; it repaints only when the title it shows changes.
    ShowTitleOf(GetForegroundWindow());
    SetTimer(TaskBar, TITLE_TIMER, TITLE_LOOK_MS, NULL);
    CreateWindowExW(0, TRAY_WINDOW_CLASS, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, height - barHeight, width,
                    barHeight, desktop, NULL, instance, NULL);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
