#include "pickers/picker_window.h"
#include "utils/app_globals.h"
#include "utils/display.h"
#include "utils/log.h"
#include "pickers/picker_rules.h"

#include <stdio.h>
#include <stdlib.h>
#include <windowsx.h>

#define LINE_HEIGHT_96DPI 20
#define TREE_FONT_HEIGHT_96DPI 14
#define TREE_FONT_WEIGHT 200

// s(v): lengths of the layout, given for a 96-DPI screen.
static int Scaled(int v) { return DRAY(v); }

bool ReadItemText(HWND tree, HTREEITEM item, WCHAR text[MAX_PATH], int *image)
{
    text[0] = 0;
    TVITEMW it = {};
    it.mask = TVIF_TEXT | TVIF_HANDLE | (image ? TVIF_IMAGE : 0);
    it.hItem = item;
    it.pszText = text;
    it.cchTextMax = MAX_PATH;
    if (!item || !SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&it))
        return false;
    text[MAX_PATH - 1] = 0;
    if (image)
        *image = it.iImage;
    return true;
}

HTREEITEM ParentItem(HWND tree, HTREEITEM item)
{
    return (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, (LPARAM)item);
}

int ComposeItemPath(HWND tree, HTREEITEM item, WCHAR out[MAX_PATH], bool trace)
{
    out[0] = 0;
    for (HTREEITEM at = item; at; at = ParentItem(tree, at)) {
        WCHAR text[MAX_PATH];
        if (!ReadItemText(tree, at, text) || !PrependPathPart((char16_t *)out, MAX_PATH, (const char16_t *)text)) {
            out[0] = 0;
            return 0;
        }
        if (trace && at != item) {
            // Logged reversed, as the path reads while it is composed from the item upwards.
            WCHAR reversed[MAX_PATH];
            lstrcpyW(reversed, text);
            ReverseText((char16_t *)reversed);
            LogPrintf(L"![%s]", reversed);
            lstrcpyW(reversed, out);
            ReverseText((char16_t *)reversed);
            LogPrintf(L"!$[%s]", reversed);
        }
    }
    return 1;
}

int BuildSearchPattern(HWND tree, HTREEITEM item, WCHAR out[MAX_PATH])
{
    if (!ComposeItemPath(tree, item, out, false))
        return 0;
    if (!FinishSearchPattern((char16_t *)out, MAX_PATH)) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

HTREEITEM InsertPickerItem(HWND tree, HTREEITEM parent, HTREEITEM after, const WCHAR *text, bool container)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | (container ? TVIF_CHILDREN : 0);
    insert.item.pszText = (LPWSTR)text;
    insert.item.iImage = insert.item.iSelectedImage = container ? IMAGE_CLOSED_CONTAINER : IMAGE_LEAF;
    insert.item.cChildren = 1;
    return (HTREEITEM)SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&insert);
}

static void SetItemImages(HWND tree, HTREEITEM item, int image)
{
    TVITEMW it = {};
    it.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = item;
    it.iImage = it.iSelectedImage = image;
    SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&it);
}

static HTREEITEM FirstChild(HWND tree, HTREEITEM item)
{
    return (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item);
}

static void Reset(BrowserState *s, HINSTANCE instance, HWND owner, const WCHAR *filter)
{
    DWORD lastEnterTime = s->lastEnterTime; // not reset: a pair of Enters may span two openings
    ZeroMemory(s, sizeof(*s));
    s->lastEnterTime = lastEnterTime;
    s->instance = instance;
    s->owner = owner;
    // A filter that does not fit is dropped whole: a cut one could pass other extensions.
    if (filter && lstrlenW(filter) < PICKER_TEXT_CHARS)
        lstrcpyW(s->filter, filter);
}

// The end of the loop without OK: nothing is returned.
static void Cancel(BrowserState *s)
{
    s->choice[0] = 0;
    s->typedText[0] = 0;
    s->done = true;
}

static void Layout(BrowserState *s)
{
    RECT client;
    GetClientRect(s->window, &client);
    int w = client.right, h = client.bottom, line = Scaled(LINE_HEIGHT_96DPI);
    if (s->tree)
        MoveWindow(s->tree, 0, line, w, h - 2 * line, FALSE);
    if (s->topLine)
        MoveWindow(s->topLine, 0, 0, w, line, FALSE);
    if (s->bottomLine)
        MoveWindow(s->bottomLine, 0, h - line, w, line, FALSE);
}

static void Ok(BrowserState *s)
{
    if (!s->acceptable)
        return;
    s->typedText[0] = 0;
    if (s->bottomLine)
        GetWindowTextW(s->bottomLine, s->typedText, PICKER_TEXT_CHARS);
    s->done = true;
    SendMessageW(s->window, WM_CLOSE, 0, 0);
}

// Whether item lies below ancestor.
static bool IsBelow(HWND tree, HTREEITEM item, HTREEITEM ancestor)
{
    for (HTREEITEM at = ParentItem(tree, item); at; at = ParentItem(tree, at))
        if (at == ancestor)
            return true;
    return false;
}

static void Expanding(const PickerKind *kind, BrowserState *s, const NMTREEVIEWW *nm)
{
    HTREEITEM item = nm->itemNew.hItem;
    if ((nm->action & TVE_TOGGLE) == TVE_COLLAPSE) {
        SetItemImages(s->tree, item, IMAGE_CLOSED_CONTAINER);
        return;
    }
    SetItemImages(s->tree, item, IMAGE_OPEN_CONTAINER);
    // A working buffer of its own: the choice of a selected item survives expanding another.
    WCHAR pattern[MAX_PATH];
    HCURSOR previous = SetCursor(LoadCursorW(NULL, IDC_WAIT));
    ShowCursor(TRUE);
    if (BuildSearchPattern(s->tree, item, pattern))
        kind->ListChildren(s->tree, item, pattern);
    SetCursor(kind->restoreCursorAfterListing ? previous : NULL);
    ShowCursor(FALSE);
    // Nothing listed: the tree does not open the item, so it keeps the closed picture.
    if (!FirstChild(s->tree, item))
        SetItemImages(s->tree, item, IMAGE_CLOSED_CONTAINER);
}

static void Collapsed(BrowserState *s, HTREEITEM item)
{
    // A selection inside moves to the item first, so that the choice follows it and the deletions
    // below do not walk the selection through every child.
    HTREEITEM selected = (HTREEITEM)SendMessageW(s->tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (selected && IsBelow(s->tree, selected, item))
        SendMessageW(s->tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
    HTREEITEM child = FirstChild(s->tree, item);
    while (child) {
        HTREEITEM next = (HTREEITEM)SendMessageW(s->tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)child);
        SendMessageW(s->tree, TVM_DELETEITEM, 0, (LPARAM)child);
        child = next;
    }
    // The control drops the expand button with the last child; the next expansion reads anew.
    TVITEMW it = {};
    it.mask = TVIF_HANDLE | TVIF_CHILDREN;
    it.hItem = item;
    it.cChildren = 1;
    SendMessageW(s->tree, TVM_SETITEMW, 0, (LPARAM)&it);
}

static void TreeNotification(const PickerKind *kind, BrowserState *s, const NMHDR *header)
{
    const NMTREEVIEWW *nm = (const NMTREEVIEWW *)header;
    switch (header->code) {
    case TVN_ITEMEXPANDINGW:
        Expanding(kind, s, nm);
        break;
    case TVN_ITEMEXPANDEDW:
        if ((nm->action & TVE_TOGGLE) == TVE_COLLAPSE)
            Collapsed(s, nm->itemNew.hItem);
        break;
    case TVN_SELCHANGEDW:
        s->choice[0] = 0;
        s->acceptable = false;
        if (nm->itemNew.hItem)
            kind->Select(s, s->tree, nm->itemNew.hItem);
        SetWindowTextW(s->topLine, s->choice);
        break;
    // OK that comes from inside the tree's own handling of a key or a tap is posted, so that the
    // picker and its tree are destroyed after the tree has finished with it.
    case NM_RETURN: {
        DWORD now = GetTickCount();
        if (IsSecondEnter(now, s->lastEnterTime))
            PostMessageW(s->window, WM_COMMAND, IDM_PICKER_OK, 0);
        s->lastEnterTime = now;
        break;
    }
    case NM_DBLCLK: {
        DWORD pos = GetMessagePos();
        TVHITTESTINFO hit = {};
        hit.pt.x = GET_X_LPARAM(pos);
        hit.pt.y = GET_Y_LPARAM(pos);
        ScreenToClient(s->tree, &hit.pt);
        HTREEITEM item = (HTREEITEM)SendMessageW(s->tree, TVM_HITTEST, 0, (LPARAM)&hit);
        if (item && kind->DoubleTap(s, s->tree, item))
            PostMessageW(s->window, WM_COMMAND, IDM_PICKER_OK, 0);
        break;
    }
    }
}

static LRESULT CALLBACK PickerWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)((CREATESTRUCTW *)lParam)->lpCreateParams);
    const PickerKind *kind = (const PickerKind *)GetWindowLongPtrW(window, GWLP_USERDATA);
    if (!kind)
        return DefWindowProcW(window, message, wParam, lParam);
    BrowserState *s = kind->state;

    switch (message) {
    case WM_CREATE: {
        SHMENUBARINFO bar = {};
        bar.cbSize = sizeof(bar);
        bar.hwndParent = window;
        bar.nToolBarId = PICKER_MENU_BAR;
        bar.hInstRes = AppInstance;
        s->menuBar = SHCreateMenuBar(&bar) ? bar.hwndMB : NULL;
        return 0;
    }
    case WM_DESTROY:
        if (s->menuBar)
            DestroyWindow(s->menuBar);
        s->menuBar = NULL;
        if (!s->done) {
            // Destroyed without OK or Cancel: ends as Cancel; the loop may be waiting for a message.
            Cancel(s);
            PostMessageW(NULL, WM_NULL, 0, 0);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTINGCHANGE:
        Layout(s);
        return 0;
    case WM_NOTIFY: {
        const NMHDR *header = (const NMHDR *)lParam;
        if (s->tree && header->hwndFrom == s->tree) {
            s->inNotification++;
            TreeNotification(kind, s, header);
            s->inNotification--;
        }
        return 0;
    }
    case WM_CLOSE:
        // Inside the tree's own notification (an applet that pumps messages while it is listed or
        // looked up) the window and its tree stay, marked done: the tree is still using itself,
        // and the loop destroys both once the dispatch has returned. A close ends it as Cancel.
        if (s->inNotification) {
            if (!s->done)
                Cancel(s);
            return 0;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_PICKER_OK:
            Ok(s);
            break;
        case IDM_PICKER_CANCEL:
            Cancel(s);
            SendMessageW(window, WM_CLOSE, 0, 0);
            break;
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The window, full screen above the task bar and above its own menu bar; false, with its class
// gone again, when none was made.
static bool CreatePickerWindow(const PickerKind *kind, WCHAR *className, size_t classChars, const WCHAR *title)
{
    BrowserState *s = kind->state;
    // A class of its own for every opening.
    _snwprintf(className, classChars - 1, L"%ls:%X:%X", kind->baseName, (unsigned)GetTickCount(), (unsigned)rand());
    className[classChars - 1] = 0;
    HWND existing = FindWindowW(className, title);
    if (existing) {
        SetForegroundWindow(existing);
        return false;
    }
    WNDCLASSW wc = {};
    if (!GetClassInfoW(s->instance, className, &wc)) {
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = PickerWindow;
        wc.hInstance = s->instance;
        wc.hIcon = LoadIconW(s->instance, MAKEINTRESOURCEW(PICKER_ICON));
        wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
        wc.lpszClassName = className;
        if (!RegisterClassW(&wc))
            return false;
    }
    s->window = CreateWindowExW(0, className, title, WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                GetSystemMetrics(SM_CYSCREEN), NULL, NULL, s->instance, (LPVOID)kind);
    if (!s->window) {
        UnregisterClassW(className, s->instance);
        return false;
    }
    SHFullScreen(s->window, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON);
    if (s->menuBar) {
        RECT r, bar;
        GetWindowRect(s->window, &r);
        GetWindowRect(s->menuBar, &bar);
        MoveWindow(s->window, r.left, r.top, r.right - r.left, (r.bottom - (bar.bottom - bar.top)) - r.top, FALSE);
    }
    ShowWindow(s->window, SW_SHOWNORMAL);
    UpdateWindow(s->window);
    return true;
}

static void CreateControls(const PickerKind *kind)
{
    BrowserState *s = kind->state;
    LOGFONTW font = {};
    font.lfHeight = Scaled(TREE_FONT_HEIGHT_96DPI);
    font.lfWeight = TREE_FONT_WEIGHT;
    lstrcpyW(font.lfFaceName, L"verdana");
    s->font = CreateFontIndirectW(&font);

    RECT client;
    GetClientRect(s->window, &client);
    int w = client.right, h = client.bottom, line = Scaled(LINE_HEIGHT_96DPI);
    s->tree = CreateWindowExW(0, WC_TREEVIEWW, L"TreeView",
                              WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 0, line, w,
                              h - 2 * line, s->window, (HMENU)(INT_PTR)kind->treeId, s->instance, NULL);
    if (!s->tree)
        return;
    SendMessageW(s->tree, WM_SETFONT, (WPARAM)s->font, 1);

    s->topLine = CreateWindowExW(0, L"edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL,
                                 0, 0, w, line, s->window, (HMENU)(INT_PTR)kind->topLineId, s->instance, NULL);
    s->bottomLine = CreateWindowExW(0, L"edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 0, h - line,
                                    w, line, s->window, (HMENU)(INT_PTR)kind->bottomLineId, s->instance, NULL);
    // Typed text longer than the result buffer could only be cut, so it cannot be typed.
    SendMessageW(s->bottomLine, EM_LIMITTEXT, PICKER_TEXT_CHARS - 1, 0);

    s->images = ImageList_Create(PICKER_IMAGE_SIDE, PICKER_IMAGE_SIDE, ILC_MASK, IMAGE_COUNT, 0);
    if (!s->images || ImageList_AddMasked(s->images, s->strip, PICKER_MASK_COLOUR) == -1 ||
        ImageList_GetImageCount(s->images) < IMAGE_COUNT) {
        DestroyWindow(s->tree);
        s->tree = NULL;
        return;
    }
    SendMessageW(s->tree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)s->images);
    kind->FillFirstLevel(s->tree);
    // The keyboard last, once the first level is there: taking the focus, the tree puts its caret
    // on the first item, and a tree without a caret ignores the navigation pad until a tap.
    SetFocus(s->tree);
}

static void RunLoop(BrowserState *s)
{
    MSG msg;
    for (;;) {
        BOOL got = GetMessageW(&msg, NULL, 0, 0);
        if (got == 0) {
            // The thread's quit: the picker ends as Cancel and the quit goes on to the caller's loop.
            Cancel(s);
            PostQuitMessage((int)msg.wParam);
            break;
        }
        if (got == -1) {
            Cancel(s);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (s->done)
            break;
    }
    if (s->tree && IsWindow(s->tree))
        DestroyWindow(s->tree);
    if (s->window && IsWindow(s->window))
        DestroyWindow(s->window);
}

void RunPicker(const PickerKind *kind, HINSTANCE instance, HWND owner, const WCHAR *title, const WCHAR *filter,
               WCHAR choice[PICKER_TEXT_CHARS], WCHAR typedText[PICKER_TEXT_CHARS], const WCHAR *imageStrip)
{
    BrowserState *s = kind->state;
    choice[0] = 0;
    typedText[0] = 0;
    // Opened again from inside its own loop (the settings page is reachable while the program
    // picker is open): the open one stays and keeps its state.
    if (s->window) {
        SetForegroundWindow(s->window);
        return;
    }
    static bool controlsReady;
    if (!controlsReady) {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
        controlsReady = InitCommonControlsEx(&controls) != FALSE;
    }

    HCURSOR previous = NULL;
    if (kind->waitWhileBuilding) {
        previous = SetCursor(LoadCursorW(NULL, IDC_WAIT));
        ShowCursor(TRUE);
    }
    Reset(s, instance, owner, filter);
    s->strip = SHLoadImageFile(imageStrip);
    if (kind->disableOwner && owner)
        EnableWindow(owner, FALSE);
    WCHAR className[64];
    bool open = CreatePickerWindow(kind, className, ARRAYSIZE(className), title);
    if (open)
        CreateControls(kind);
    if (kind->waitWhileBuilding) {
        SetCursor(previous);
        ShowCursor(FALSE);
    }
    if (open)
        RunLoop(s);
    else
        Cancel(s);

    // The buffers hold as much as the picker's own; nothing is cut.
    if (s->typedText[0])
        lstrcpynW(typedText, s->typedText, PICKER_TEXT_CHARS);
    if (s->choice[0])
        lstrcpynW(choice, s->choice, PICKER_TEXT_CHARS);
    if (owner) {
        if (kind->disableOwner)
            EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
        SetFocus(owner);
    }
    if (s->images)
        ImageList_Destroy(s->images);
    if (s->strip)
        DeleteObject(s->strip);
    if (s->font)
        DeleteObject(s->font);
    if (open)
        UnregisterClassW(className, s->instance); // a class per opening would otherwise pile up
    s->images = NULL;
    s->strip = NULL;
    s->font = NULL;
    s->window = s->tree = s->topLine = s->bottomLine = s->menuBar = NULL;
}
