#include "platform/notify_icon.h"
#include "platform/device.h"
#include "platform/tray_wire.h"

#undef Shell_NotifyIconW

// The shell's tray strip, or null while no shell runs.
static HWND ShellTray()
{
    HWND desktop = FindWindowW(PPC_SHELL_DESKTOP_CLASS, L"Desktop");
    return desktop ? FindWindowExW(desktop, NULL, TRAY_WINDOW_CLASS, NULL) : NULL;
}

// The handheld's tray shows small icons: 16 pixels at 96 DPI.
static int TrayIconSide()
{
    HDC screen = GetDC(NULL);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(NULL, screen);
    return MulDiv(16, dpi, 96);
}

static bool ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height, uint32_t *pixels)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return GetDIBits(dc, bitmap, 0, height, pixels, &info, DIB_RGB_COLORS) == height;
}

static const size_t HeaderWords = sizeof(TrayRequest) / sizeof(uint32_t);

// A request with the icon's picture at the tray's size (the resource's own small picture when it
// has one) after room for the header, to be freed with LocalFree; null when the picture cannot be
// read, and then the request goes without it.
static uint32_t *IconRequest(HICON icon, TrayRequest *header, size_t *words)
{
    int side = TrayIconSide();
    HICON sized = (HICON)CopyImage(icon, IMAGE_ICON, side, side, LR_COPYFROMRESOURCE);
    if (!sized)
        sized = (HICON)CopyImage(icon, IMAGE_ICON, side, side, 0);
    if (!sized)
        return NULL;
    ICONINFO info = {};
    bool ok = GetIconInfo(sized, &info) && info.hbmColor;
    BITMAP shape = {};
    ok = ok && GetObjectW(info.hbmColor, sizeof(shape), &shape) && shape.bmWidth > 0 &&
         shape.bmWidth <= TRAY_ICON_MAX_SIDE && shape.bmHeight > 0 && shape.bmHeight <= TRAY_ICON_MAX_SIDE;
    uint32_t *request = NULL;
    if (ok) {
        size_t count = (size_t)shape.bmWidth * shape.bmHeight;
        request = (uint32_t *)LocalAlloc(LMEM_FIXED, (HeaderWords + 2 * count) * sizeof(uint32_t));
        HDC screen = request ? GetDC(NULL) : NULL;
        if (screen && ReadBitmap(screen, info.hbmColor, shape.bmWidth, shape.bmHeight, request + HeaderWords) &&
            ReadBitmap(screen, info.hbmMask, shape.bmWidth, shape.bmHeight, request + HeaderWords + count)) {
            header->width = shape.bmWidth;
            header->height = shape.bmHeight;
            *words = HeaderWords + 2 * count;
        } else if (request) {
            LocalFree(request);
            request = NULL;
        }
        if (screen)
            ReleaseDC(NULL, screen);
    }
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    DestroyIcon(sized);
    return request;
}

BOOL PpcShell_NotifyIconW(DWORD operation, NOTIFYICONDATAW *data)
{
    HWND tray = ShellTray();
    if (!tray)
        return Shell_NotifyIconW(operation, data);
    if (!data || operation > NIM_DELETE)
        return FALSE; // the handheld's shell knows adding, changing and removing only

    TrayRequest header = {};
    header.operation = operation;
    header.window = (uint32_t)(UINT_PTR)data->hWnd;
    header.id = data->uID;
    header.flags = data->uFlags & (NIF_MESSAGE | NIF_ICON);
    header.callback = data->uCallbackMessage;
    size_t words = HeaderWords;
    uint32_t *request = NULL;
    if (operation != NIM_DELETE && (header.flags & NIF_ICON) && data->hIcon)
        request = IconRequest(data->hIcon, &header, &words);
    if (request)
        memcpy(request, &header, sizeof(header));

    COPYDATASTRUCT copy = {TRAY_COPYDATA_TAG, (DWORD)(words * sizeof(uint32_t)), request ? (void *)request : &header};
    DWORD_PTR result = FALSE;
    BOOL sent = SendMessageTimeoutW(tray, WM_COPYDATA, (WPARAM)data->hWnd, (LPARAM)&copy, SMTO_ABORTIFHUNG,
                                    TRAY_REPLY_WAIT_MS, &result) != 0;
    if (request)
        LocalFree(request);
    return sent && result ? TRUE : FALSE;
}
