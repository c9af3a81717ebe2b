// The handheld's two bars, as its shell draws them: the navigation bar along the top of the
// screen, which shows a dialog's title and its "ok" button, and the menu bar along the bottom,
// made from a menu-bar resource. Both belong to the window they serve (they are owned by it), so
// they stay above it and go with it; the menu bar is shown and hidden with its owner.
#include "platform/aygshell.h"

#include <commctrl.h>

#undef CreateWindowExW

HFONT PpcSystemFont(); // platform/system_font.cpp

#define BAR_COLOUR RGB(0x1C, 0x3C, 0x7C)
#define BAR_PRESSED_COLOUR RGB(0xE8, 0xEC, 0xF4)
#define BUTTON_PADDING_96DPI 8
#define BUTTON_MIN_WIDTH_96DPI 36

// Where a bar sits (its GWLP_USERDATA): along the bottom of the screen or along its top.
enum { AT_BOTTOM, AT_TOP };

static int Scaled(int v)
{
    HDC screen = GetDC(NULL);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(NULL, screen);
    return MulDiv(v, dpi, 96);
}

int PpcBarHeight()
{
    return Scaled(PPC_BAR_HEIGHT_96DPI);
}

HWND PpcCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                        int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    if (!(style & (WS_CHILD | WS_POPUP))) {
        style = (style & ~(WS_CAPTION | WS_THICKFRAME)) | WS_POPUP;
        if (x == (int)CW_USEDEFAULT) {
            x = 0;
            y = PpcBarHeight();
        }
        if (width == (int)CW_USEDEFAULT) {
            width = GetSystemMetrics(SM_CXSCREEN);
            height = GetSystemMetrics(SM_CYSCREEN) - PpcBarHeight();
        }
    }
    // The handheld clips every window against its siblings: overlapping controls never paint
    // over one another, and the one on top is the one seen.
    style |= WS_CLIPSIBLINGS;
    HWND window = CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu, instance, param);
    // A control draws in the handheld's system font until it is given another.
    if (window && (style & WS_CHILD))
        SendMessageW(window, WM_SETFONT, (WPARAM)PpcSystemFont(), FALSE);
    return window;
}

// The bars' font, made once and kept for the process's life.
static HFONT BarFont()
{
    static HFONT font;
    if (!font) {
        LOGFONTW lf = {0};
        lf.lfHeight = -Scaled(12);
        lf.lfWeight = FW_BOLD;
        lstrcpyW(lf.lfFaceName, L"Tahoma");
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

// A button tells the window its bar serves: the bar's owner. A window that is disabled (under a
// message box or a dialog of its own) is told nothing, as on the handheld: its bar must not run a
// command again, or hide the window, while the box waits for an answer.
static void NotifyOwner(HWND button)
{
    HWND bar = GetParent(button);
    HWND owner = GetWindow(bar, GW_OWNER);
    if (owner && IsWindowEnabled(owner))
        SendMessageW(owner, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), 0), (LPARAM)bar);
}

// A text button of a bar. It never takes the focus or the activation: a tap on the bar leaves
// the window it serves active, as on the handheld. GWLP_USERDATA is 1 while it shows pressed.
static LRESULT CALLBACK MenuButton(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
        SetCapture(button);
        SetWindowLongPtrW(button, GWLP_USERDATA, 1);
        InvalidateRect(button, NULL, FALSE);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == button) {
            RECT area;
            GetClientRect(button, &area);
            POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
            LONG_PTR inside = PtInRect(&area, at);
            if (GetWindowLongPtrW(button, GWLP_USERDATA) != inside) {
                SetWindowLongPtrW(button, GWLP_USERDATA, inside);
                InvalidateRect(button, NULL, FALSE);
            }
        }
        return 0;
    case WM_LBUTTONUP: {
        bool tapped = GetCapture() == button && GetWindowLongPtrW(button, GWLP_USERDATA);
        ReleaseCapture(); // clears the pressed look through WM_CAPTURECHANGED
        if (tapped)
            NotifyOwner(button); // may destroy the bar and this button: nothing after it
        return 0;
    }
    case WM_CAPTURECHANGED:
        SetWindowLongPtrW(button, GWLP_USERDATA, 0);
        InvalidateRect(button, NULL, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(button, &paint);
        RECT area;
        GetClientRect(button, &area);
        bool pressed = GetWindowLongPtrW(button, GWLP_USERDATA) != 0;
        HBRUSH brush = CreateSolidBrush(pressed ? BAR_PRESSED_COLOUR : BAR_COLOUR);
        FillRect(dc, &area, brush);
        DeleteObject(brush);
        WCHAR text[64] = {0};
        GetWindowTextW(button, text, ARRAYSIZE(text));
        HGDIOBJ oldFont = SelectObject(dc, BarFont());
        SetBkMode(dc, TRANSPARENT);
        COLORREF ink = !IsWindowEnabled(button) ? RGB(0x80, 0x90, 0xB0) : pressed ? BAR_COLOUR : RGB(0xFF, 0xFF, 0xFF);
        SetTextColor(dc, ink);
        DrawTextW(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, oldFont);
        EndPaint(button, &paint);
        return 0;
    }
    }
    return DefWindowProcW(button, message, wParam, lParam);
}

// Puts a shown bar right above its owner, as the handheld keeps owned windows. The desktop leaves
// them behind when the owner comes to the front (as it does when a dialog it owned ends), at
// times without telling either window (when a message box of the owner closes, Wine restacks the
// owner from the X server's side): so a bar also checks its place a few times a second.
#define KEEP_ABOVE_TIMER 1
#define KEEP_ABOVE_EVERY_MS 100
static void KeepAbove(HWND bar, HWND owner)
{
    if (!IsWindowVisible(bar))
        return;
    HWND above = GetWindow(owner, GW_HWNDPREV);
    if (above != bar)
        SetWindowPos(bar, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Wine may also list the bar above its owner while the X server shows the owner over it (after a
// drop-down list of the owner closed, for one). Raising the bar to the top of the topmost windows
// and back reaches the X server whatever Wine's list says; it is done only while the owner is in
// front, where the top is the bar's place.
static void RaiseBar(HWND bar, HWND owner)
{
    if (!IsWindowVisible(bar) || GetForegroundWindow() != owner)
        return;
    const UINT only = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(bar, HWND_TOPMOST, 0, 0, 0, 0, only);
    SetWindowPos(bar, HWND_NOTOPMOST, 0, 0, 0, 0, only);
}

// Posted to a bar to raise it once what its owner is doing is done.
#define WM_RAISE_BAR (WM_APP + 1)

// The navigation bar paints its owner's title; both bars are otherwise plain strips.
static LRESULT CALLBACK BarWindow(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_TIMER:
        if (wParam == KEEP_ABOVE_TIMER)
            KeepAbove(bar, GetWindow(bar, GW_OWNER));
        return 0;
    case WM_RAISE_BAR:
        RaiseBar(bar, GetWindow(bar, GW_OWNER));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(bar, &paint);
        WCHAR title[128] = {0};
        HWND owner = GetWindow(bar, GW_OWNER);
        if (owner && GetWindowLongPtrW(bar, GWLP_USERDATA) == AT_TOP)
            GetWindowTextW(owner, title, ARRAYSIZE(title));
        RECT area;
        GetClientRect(bar, &area);
        area.left += Scaled(BUTTON_PADDING_96DPI);
        HGDIOBJ oldFont = SelectObject(dc, BarFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
        DrawTextW(dc, title, -1, &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, oldFont);
        EndPaint(bar, &paint);
        return 0;
    }
    }
    return DefWindowProcW(bar, message, wParam, lParam);
}

static bool RegisterBarClasses()
{
    static bool registered;
    if (registered)
        return true;
    HINSTANCE module = GetModuleHandleW(NULL);
    WNDCLASSW wc = {0};
    wc.hInstance = module;
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    HBRUSH background = CreateSolidBrush(BAR_COLOUR);
    wc.hbrBackground = background;
    wc.lpfnWndProc = BarWindow;
    wc.lpszClassName = PPC_MENU_BAR_CLASS;
    bool ok = RegisterClassW(&wc) != 0;
    wc.lpszClassName = PPC_NAV_BAR_CLASS;
    ok = ok && RegisterClassW(&wc) != 0;
    wc.lpfnWndProc = MenuButton;
    wc.lpszClassName = PPC_MENU_BUTTON_CLASS;
    ok = ok && RegisterClassW(&wc) != 0;
    if (!ok) {
        HINSTANCE m = module;
        UnregisterClassW(PPC_MENU_BAR_CLASS, m);
        UnregisterClassW(PPC_NAV_BAR_CLASS, m);
        UnregisterClassW(PPC_MENU_BUTTON_CLASS, m);
        DeleteObject(background);
        return false;
    }
    registered = true;
    return true;
}

// A text button sized to its text, at x on the bar; returns its width, 0 when it could not be made.
static int AddBarButton(HWND bar, const WCHAR *text, UINT command, bool enabled, int x)
{
    HDC dc = GetDC(bar);
    HGDIOBJ oldFont = SelectObject(dc, BarFont());
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
    SelectObject(dc, oldFont);
    ReleaseDC(bar, dc);
    int width = extent.cx + 2 * Scaled(BUTTON_PADDING_96DPI);
    if (width < Scaled(BUTTON_MIN_WIDTH_96DPI))
        width = Scaled(BUTTON_MIN_WIDTH_96DPI);
    DWORD style = WS_CHILD | WS_VISIBLE | (enabled ? 0 : WS_DISABLED);
    HWND button = CreateWindowExW(0, PPC_MENU_BUTTON_CLASS, text, style, x, 0, width, PpcBarHeight(), bar,
                                  (HMENU)(UINT_PTR)command, GetModuleHandleW(NULL), NULL);
    return button ? width : 0;
}

static void PlaceBar(HWND bar)
{
    int y = GetWindowLongPtrW(bar, GWLP_USERDATA) == AT_TOP ? 0 : GetSystemMetrics(SM_CYSCREEN) - PpcBarHeight();
    SetWindowPos(bar, NULL, 0, y, GetSystemMetrics(SM_CXSCREEN), PpcBarHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// Whether a window is one of the bars that serve owner.
static bool IsBarOf(HWND window, HWND owner)
{
    WCHAR className[32] = {0};
    if (!window || GetWindow(window, GW_OWNER) != owner || !GetClassNameW(window, className, ARRAYSIZE(className)))
        return false;
    return lstrcmpW(className, PPC_MENU_BAR_CLASS) == 0 || lstrcmpW(className, PPC_NAV_BAR_CLASS) == 0;
}

// The window right in front of owner, its own bars passed over; null when it is at the top.
static HWND WindowInFront(HWND owner)
{
    HWND above = GetWindow(owner, GW_HWNDPREV);
    while (IsBarOf(above, owner))
        above = GetWindow(above, GW_HWNDPREV);
    return above;
}

// A bar follows its owner: shown and hidden with it, kept right above it, and kept at its edge of
// the screen when the screen's size changes.
static LRESULT CALLBACK FollowOwner(HWND owner, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data)
{
    HWND bar = (HWND)data;
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    switch (message) {
    case WM_WINDOWPOSCHANGED: {
        const WINDOWPOS *pos = (const WINDOWPOS *)lParam;
        // The desktop keeps a window's bars above it and tells the window it was put behind one of
        // them, wherever the bar went; on the handheld the window hears of the window it was put
        // behind.
        WINDOWPOS told = *pos;
        bool behindBar = !(pos->flags & SWP_NOZORDER) && IsBarOf(pos->hwndInsertAfter, owner);
        if (behindBar)
            told.hwndInsertAfter = WindowInFront(owner);
        if (pos->flags & SWP_SHOWWINDOW)
            SetWindowPos(bar, NULL, 0, 0, 0, 0, keep | SWP_SHOWWINDOW);
        else if (pos->flags & SWP_HIDEWINDOW)
            SetWindowPos(bar, NULL, 0, 0, 0, 0, keep | SWP_HIDEWINDOW);
        if (!(pos->flags & SWP_NOZORDER)) {
            KeepAbove(bar, owner);
            RaiseBar(bar, owner);
        }
        if (behindBar)
            return DefSubclassProc(owner, message, wParam, (LPARAM)&told);
        break;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == CBN_CLOSEUP) {
            LRESULT result = DefSubclassProc(owner, message, wParam, lParam);
            RaiseBar(bar, owner);
            return result;
        }
        // A drop-down list tells its owner before it opens; the desktop shows the owner over the
        // bar as the list opens, so the bar is raised again once it is open.
        if (HIWORD(wParam) == CBN_DROPDOWN)
            PostMessageW(bar, WM_RAISE_BAR, 0, 0);
        break;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
        PlaceBar(bar);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(owner, FollowOwner, id);
        break;
    }
    return DefSubclassProc(owner, message, wParam, lParam);
}

// A bar of the screen's width at one edge, owned by owner and following it.
static HWND CreateBar(const WCHAR *className, HWND owner, int edge)
{
    if (!RegisterBarClasses())
        return NULL;
    HWND bar = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, className, L"", WS_POPUP | WS_CLIPCHILDREN, 0,
                               0, 0, 0, owner, NULL, GetModuleHandleW(NULL), NULL);
    if (!bar)
        return NULL;
    SetWindowLongPtrW(bar, GWLP_USERDATA, edge);
    PlaceBar(bar);
    // Shown without taking the activation from the window it serves.
    if (IsWindowVisible(owner))
        SetWindowPos(bar, NULL, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (!SetWindowSubclass(owner, FollowOwner, (UINT_PTR)bar, (DWORD_PTR)bar)) {
        DestroyWindow(bar);
        return NULL;
    }
    SetTimer(bar, KEEP_ABOVE_TIMER, KEEP_ABOVE_EVERY_MS, NULL);
    return bar;
}

struct MenuBarButton {
    UINT command, state, stringId, menu;
};
#define TBSTATE_ENABLED_BIT 0x04
#define TBSTATE_HIDDEN_BIT 0x08
#define MENU_BAR_BUTTON_WORDS 7

// Reads button i of a menu-bar resource; false when the resource is too short for it.
static bool ReadMenuBarButton(const WORD *words, DWORD size, int i, MenuBarButton *button)
{
    DWORD end = (2 + (DWORD)(i + 1) * MENU_BAR_BUTTON_WORDS) * sizeof(WORD);
    if (end > size)
        return false;
    const WORD *w = words + 2 + i * MENU_BAR_BUTTON_WORDS;
    button->command = w[1];
    button->state = w[2];
    button->stringId = w[4];
    button->menu = w[6];
    return true;
}

BOOL SHCreateMenuBar(SHMENUBARINFO *info)
{
    if (!info || info->cbSize < sizeof(*info))
        return FALSE;
    info->hwndMB = NULL;
    if (!IsWindow(info->hwndParent))
        return FALSE;

    const WORD *words = NULL;
    DWORD size = 0;
    int count = 0;
    if (!(info->dwFlags & SHCMBF_EMPTYBAR)) {
        HRSRC found = FindResourceW(info->hInstRes, MAKEINTRESOURCEW(info->nToolBarId), (LPCWSTR)RT_RCDATA);
        HGLOBAL loaded = found ? LoadResource(info->hInstRes, found) : NULL;
        words = loaded ? (const WORD *)LockResource(loaded) : NULL;
        size = found ? SizeofResource(info->hInstRes, found) : 0;
        if (!words || size < 2 * sizeof(WORD))
            return FALSE;
        count = words[1];
        MenuBarButton button = {};
        for (int i = 0; i < count; i++) {
            // Buttons that open a menu are not part of the stand-in; a bar of them is refused whole.
            if (!ReadMenuBarButton(words, size, i, &button) || button.menu != NOMENU)
                return FALSE;
        }
    }

    HWND owner = info->hwndParent;
    HWND bar = CreateBar(PPC_MENU_BAR_CLASS, owner, AT_BOTTOM);
    if (!bar)
        return FALSE;
    int x = 0;
    for (int i = 0; i < count; i++) {
        MenuBarButton button = {};
        ReadMenuBarButton(words, size, i, &button);
        if (button.state & TBSTATE_HIDDEN_BIT)
            continue;
        WCHAR text[64] = {0};
        LoadStringW(info->hInstRes, button.stringId, text, ARRAYSIZE(text));
        int width = AddBarButton(bar, text, button.command, (button.state & TBSTATE_ENABLED_BIT) != 0, x);
        if (!width) {
            DestroyWindow(bar);
            return FALSE;
        }
        x += width;
    }
    info->hwndMB = bar;
    return TRUE;
}

BOOL SHHandleWMActivate(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *info, DWORD flags)
{
    return TRUE; // nothing to do without a soft input panel
}

BOOL SHHandleWMSettingChange(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *info)
{
    return TRUE;
}

BOOL SHFullScreen(HWND window, DWORD state)
{
    if (!IsWindow(window))
        return FALSE;
    // Hiding the task bar is being in front of it: the window already covers the whole screen.
    if (state & SHFS_HIDETASKBAR)
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

BOOL SHInitDialog(SHINITDLGINFO *info)
{
    if (!info || !(info->dwMask & SHIDIM_FLAGS) || !IsWindow(info->hDlg))
        return FALSE;
    HWND dialog = info->hDlg;
    DWORD flags = info->dwFlags;
    int bar = PpcBarHeight();

    if (flags & (SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN)) {
        // The dialog's caption is the navigation bar's; the dialog itself is all client area.
        LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE) & ~(LONG_PTR)(WS_CAPTION | WS_THICKFRAME);
        SetWindowLongPtrW(dialog, GWL_STYLE, style);
        LONG_PTR exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE) &
                           ~(LONG_PTR)(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
        SetWindowLongPtrW(dialog, GWL_EXSTYLE, exStyle);
        int bottom = GetSystemMetrics(SM_CYSCREEN) - (flags & SHIDIF_FULLSCREENNOMENUBAR ? 0 : bar);
        SetWindowPos(dialog, NULL, 0, bar, GetSystemMetrics(SM_CXSCREEN), bottom - bar,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }

    HWND navigation = CreateBar(PPC_NAV_BAR_CLASS, dialog, AT_TOP);
    if (navigation && (flags & SHIDIF_DONEBUTTON)) {
        const WCHAR *done = L"ok";
        int width = AddBarButton(navigation, done, IDOK, true, 0);
        SetWindowPos(GetDlgItem(navigation, IDOK), NULL, GetSystemMetrics(SM_CXSCREEN) - width, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (flags & SHIDIF_EMPTYMENU) {
        SHMENUBARINFO menu = {sizeof(menu)};
        menu.hwndParent = dialog;
        menu.dwFlags = SHCMBF_EMPTYBAR;
        SHCreateMenuBar(&menu);
    }
    return TRUE;
}
