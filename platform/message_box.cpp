// The handheld's message box: as wide as the screen, its text wrapped to that width, its buttons
// in a row below it. The desktop's box grows as wide as its longest line, past a handheld's screen,
// so the stand-in lets the desktop build the box and fits it to the screen before it is shown.
#include "platform/pocketpc.h"

#undef MessageBoxW
#undef GetDC

#define BOX_TEXT_ID 0xFFFF // the desktop box's text control
#define BOX_MARGIN_96DPI 8

static HHOOK FitHook;

static int Scaled(HWND window, int v)
{
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(window, dc);
    return MulDiv(v, dpi, 96);
}

static void Place(HWND box, HWND child, int x, int y, int width, int height)
{
    SetWindowPos(child, NULL, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

static RECT ChildRect(HWND box, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(NULL, box, (POINT *)&r, 2);
    return r;
}

struct Buttons {
    HWND list[8];
    int count;
};

static BOOL CALLBACK CollectButton(HWND child, LPARAM found)
{
    Buttons *b = (Buttons *)found;
    WCHAR name[16];
    if (GetClassNameW(child, name, ARRAYSIZE(name)) && lstrcmpiW(name, L"Button") == 0 && b->count < 8 &&
        (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE))
        b->list[b->count++] = child;
    return TRUE;
}

// Fits a box that the desktop has laid out: the screen's width, the text wrapped to what is left
// beside the icon, the buttons centred below the text and the icon, the whole centred on the screen.
static void FitToScreen(HWND box)
{
    HWND text = GetDlgItem(box, BOX_TEXT_ID);
    if (!text)
        return;
    int margin = Scaled(box, BOX_MARGIN_96DPI);
    int cxScreen = GetSystemMetrics(SM_CXSCREEN), cyScreen = GetSystemMetrics(SM_CYSCREEN);
    RECT outer, client;
    GetWindowRect(box, &outer);
    GetClientRect(box, &client);
    int frameX = (outer.right - outer.left) - client.right, frameY = (outer.bottom - outer.top) - client.bottom;
    int width = cxScreen - frameX;

    // The text, wrapped as the box's text control draws it.
    RECT at = ChildRect(box, text);
    int left = at.left < margin ? margin : at.left;
    WCHAR words[1024];
    GetWindowTextW(text, words, ARRAYSIZE(words));
    HDC dc = GetDC(text);
    HGDIOBJ oldFont = SelectObject(dc, (HFONT)SendMessageW(text, WM_GETFONT, 0, 0));
    RECT wrapped = {0, 0, width - left - margin, 0};
    DrawTextW(dc, words, -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(text, dc);
    int textWidth = width - left - margin;
    Place(box, text, left, at.top, textWidth, wrapped.bottom);
    int bottom = at.top + wrapped.bottom;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r = ChildRect(box, child);
        WCHAR name[16];
        if (child != text && GetClassNameW(child, name, ARRAYSIZE(name)) && lstrcmpiW(name, L"Static") == 0 &&
            r.bottom > bottom)
            bottom = r.bottom; // the icon
    }

    // The buttons in a row, centred, narrower when the row would not fit.
    Buttons buttons = {};
    EnumChildWindows(box, CollectButton, (LPARAM)&buttons);
    int buttonTop = bottom + margin, height = buttonTop;
    if (buttons.count) {
        RECT first = ChildRect(box, buttons.list[0]);
        int bw = first.right - first.left, bh = first.bottom - first.top, gap = margin;
        int room = width - 2 * margin - (buttons.count - 1) * gap;
        if (bw * buttons.count > room)
            bw = room / buttons.count;
        int rowWidth = bw * buttons.count + gap * (buttons.count - 1);
        // In the order the desktop put them, left to right.
        for (int i = 1; i < buttons.count; i++)
            for (int j = i; j > 0 && ChildRect(box, buttons.list[j]).left < ChildRect(box, buttons.list[j - 1]).left;
                 j--) {
                HWND swap = buttons.list[j];
                buttons.list[j] = buttons.list[j - 1];
                buttons.list[j - 1] = swap;
            }
        int x = (width - rowWidth) / 2;
        for (int i = 0; i < buttons.count; i++, x += bw + gap)
            Place(box, buttons.list[i], x, buttonTop, bw, bh);
        height = buttonTop + bh + margin;
    }
    int boxHeight = height + frameY < cyScreen ? height + frameY : cyScreen;
    SetWindowPos(box, NULL, 0, (cyScreen - boxHeight) / 2, cxScreen, boxHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Once the desktop's box has laid itself out (its WM_INITDIALOG has returned), before it is shown.
static LRESULT CALLBACK FitBox(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *call = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && call->message == WM_INITDIALOG) {
        WCHAR name[16];
        if (GetClassNameW(call->hwnd, name, ARRAYSIZE(name)) && lstrcmpW(name, L"#32770") == 0 &&
            GetDlgItem(call->hwnd, BOX_TEXT_ID)) {
            HHOOK hook = FitHook;
            FitHook = NULL;
            UnhookWindowsHookEx(hook); // once: a box the box's owner opens later fits itself
            FitToScreen(call->hwnd);
            return 0;
        }
    }
    return CallNextHookEx(FitHook, code, wParam, lParam);
}

int PpcMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    if (!FitHook)
        FitHook = SetWindowsHookExW(WH_CALLWNDPROCRET, FitBox, NULL, GetCurrentThreadId());
    int result = MessageBoxW(owner, text, caption, type);
    if (FitHook) { // the box never came up
        UnhookWindowsHookEx(FitHook);
        FitHook = NULL;
    }
    return result;
}
