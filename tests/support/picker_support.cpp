#include "tests/support/picker_support.h"
#include "utils/app_globals.h"
#include "pickers/pickers.h"
#include "tests/support/program_strip.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <atomic>
#include <string.h>
#include <thread>

namespace wt {

const wchar_t ShortcutsStrip[] = QM_INSTALLED_FOLDER L"Images\\imgBrowseShortcuts.jpg";
const wchar_t AppletsStrip[] = QM_INSTALLED_FOLDER L"Images\\imgBrowseApplets.jpg";

void UseProgramResources()
{
    static HMODULE program = LoadLibraryExW(QM_INSTALLED_PROGRAM, NULL, LOAD_LIBRARY_AS_DATAFILE);
    AppInstance = (HINSTANCE)program;
}

struct KindValues {
    const wchar_t *classPrefix, *title, *filter, *strip;
    int tree, topLine, bottomLine;
};

static KindValues Values(PickerKindName kind)
{
    if (kind == FILE_PICKER)
        return {L"browsefile:", L"Add Shortcut or Program", L"exe.|knl.", ShortcutsStrip, 701, 501, 502};
    return {L"browseapplet:", L"Add Applet", L"lpc.", AppletsStrip, 702, 503, 504};
}

struct PrefixSearch {
    const wchar_t *prefix;
    HWND found;
};

static BOOL CALLBACK MatchPrefix(HWND window, LPARAM param)
{
    PrefixSearch *search = (PrefixSearch *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    WCHAR name[128] = {0};
    GetClassNameW(window, name, ARRAYSIZE(name));
    if (pid == GetCurrentProcessId() && wcsncmp(name, search->prefix, wcslen(search->prefix)) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowByClassPrefix(const wchar_t *prefix)
{
    PrefixSearch search = {prefix, NULL};
    EnumWindows(MatchPrefix, (LPARAM)&search);
    return search.found;
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

static BOOL CALLBACK MatchMenuBar(HWND window, LPARAM param)
{
    OwnedSearch *search = (OwnedSearch *)param;
    WCHAR name[64] = {0};
    GetClassNameW(window, name, ARRAYSIZE(name));
    if (GetWindow(window, GW_OWNER) == search->owner && wcscmp(name, L"menu_worker") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

Picker WaitForPicker(PickerKindName kind, DWORD timeoutMs)
{
    KindValues v = Values(kind);
    Picker p;
    HWND window = NULL;
    if (!WaitFor([&] { return (window = FindWindowByClassPrefix(v.classPrefix)) != NULL && IsWindowVisible(window); },
                 timeoutMs))
        return p;
    // Answered once the picker's thread runs its loop, when its windows are all made.
    DWORD_PTR answer;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer);
    p.window = window;
    p.tree = GetDlgItem(window, v.tree);
    p.topLine = GetDlgItem(window, v.topLine);
    p.bottomLine = GetDlgItem(window, v.bottomLine);
    OwnedSearch bar = {window, NULL};
    EnumWindows(MatchMenuBar, (LPARAM)&bar);
    p.menuBar = bar.found;
    WCHAR name[128] = {0};
    GetClassNameW(window, name, ARRAYSIZE(name));
    p.className = name;
    return p;
}

PickerResult RunWithPicker(PickerKindName kind, const std::function<void()> &open,
                           const std::function<void(const Picker &)> &drive)
{
    KindValues v = Values(kind);
    PickerResult result;
    std::atomic<bool> returned(false);
    DWORD caller = GetCurrentThreadId();
    std::atomic<bool> driven(false);
    // Left open by a failed step, or by a step that never ends: cancelled, and failing that the
    // caller's loop is ended, so that a failing test never hangs.
    auto rescue = [&](DWORD afterMs) {
        if (WaitFor([&] { return returned.load(); }, afterMs))
            return;
        result.rescued = true;
        HWND open = FindWindowByClassPrefix(v.classPrefix);
        if (open)
            PostMessageW(open, WM_COMMAND, 105, 0);
        if (!WaitFor([&] { return returned.load(); }, 3000))
            PostThreadMessageW(caller, WM_QUIT, 0, 0);
    };
    std::thread driver([&] {
        Picker p = WaitForPicker(kind);
        if (p.Found())
            drive(p);
        driven = true;
        rescue(5000);
    });
    std::thread watchdog([&] {
        if (!WaitFor([&] { return driven.load(); }, 60000))
            rescue(0);
    });
    open();
    returned = true;
    driver.join();
    watchdog.join();
    // A picker ends by itself once the steps are done (OK, Cancel, a close, a quit): one that had
    // to be ended from outside did not, whatever its results say.
    if (result.rescued)
        ADD_FAILURE() << Utf8(v.title) << ": still open 5 s after the steps; cancelled from outside";
    MSG quit;
    if (PeekMessageW(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        result.quit = true;
        result.quitCode = quit.wParam;
    }
    return result;
}

PickerResult RunPicker(PickerKindName kind, const std::function<void(const Picker &)> &drive, HWND owner,
                       const wchar_t *filter, const wchar_t *strip)
{
    KindValues v = Values(kind);
    WCHAR choice[PICKER_TEXT_CHARS] = L"junk", text[PICKER_TEXT_CHARS] = L"junk";
    const wchar_t *f = filter ? filter : v.filter, *s = strip ? strip : v.strip;
    PickerResult result = RunWithPicker(
        kind,
        [&] {
            if (kind == FILE_PICKER)
                ShowFileBrowser(GetModuleHandleW(NULL), owner, v.title, f, choice, text, s);
            else
                ShowAppletBrowser(GetModuleHandleW(NULL), owner, v.title, f, choice, text, s);
        },
        drive);
    result.choice = choice;
    result.text = text;
    return result;
}

std::wstring ItemText(HWND tree, HTREEITEM item)
{
    WCHAR text[MAX_PATH] = {0};
    TVITEMW it = {};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = item;
    it.pszText = text;
    it.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&it);
    return text;
}

static TVITEMW ItemFields(HWND tree, HTREEITEM item)
{
    TVITEMW it = {};
    it.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
    it.stateMask = TVIS_EXPANDED | TVIS_SELECTED;
    it.hItem = item;
    SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&it);
    return it;
}

int ItemImage(HWND tree, HTREEITEM item) { return ItemFields(tree, item).iImage; }
int ItemChildrenFlag(HWND tree, HTREEITEM item) { return ItemFields(tree, item).cChildren; }
bool IsExpanded(HWND tree, HTREEITEM item) { return (ItemFields(tree, item).state & TVIS_EXPANDED) != 0; }

static HTREEITEM Next(HWND tree, UINT how, HTREEITEM item)
{
    return (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, how, (LPARAM)item);
}

std::vector<std::wstring> ChildTexts(HWND tree, HTREEITEM item)
{
    std::vector<std::wstring> texts;
    HTREEITEM child = item ? Next(tree, TVGN_CHILD, item) : Next(tree, TVGN_ROOT, NULL);
    for (; child; child = Next(tree, TVGN_NEXT, child))
        texts.push_back(ItemText(tree, child));
    return texts;
}

HTREEITEM Child(HWND tree, HTREEITEM item, const std::wstring &text)
{
    HTREEITEM child = item ? Next(tree, TVGN_CHILD, item) : Next(tree, TVGN_ROOT, NULL);
    for (; child; child = Next(tree, TVGN_NEXT, child))
        if (ItemText(tree, child) == text)
            return child;
    return NULL;
}

HTREEITEM WaitForItem(HWND tree, const std::vector<std::wstring> &texts, DWORD timeoutMs)
{
    HTREEITEM found = NULL;
    WaitFor([&] {
        found = NULL;
        for (const std::wstring &t : texts)
            if (!(found = Child(tree, found, t)))
                return false;
        return true;
    }, timeoutMs);
    return found;
}

HTREEITEM Selected(HWND tree) { return Next(tree, TVGN_CARET, NULL); }

std::wstring WindowText(HWND window)
{
    WCHAR text[1024] = {0};
    // From another thread GetWindowText of an edit control asks the control itself.
    SendMessageW(window, WM_GETTEXT, ARRAYSIZE(text), (LPARAM)text);
    return text;
}

static POINT ScreenPoint(HWND tree, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(tree, &p);
    return p;
}

static bool GetItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT *r)
{
    memcpy(r, &item, sizeof(item)); // the item goes in, its rectangle comes out
    return SendMessageW(tree, TVM_GETITEMRECT, textOnly, (LPARAM)r) != 0;
}

// The item's rectangle, scrolled into view as a person would: up or down to it, and all the way
// left, where the buttons are.
static RECT ItemRect(HWND tree, HTREEITEM item, bool textOnly)
{
    RECT client, r;
    GetClientRect(tree, &client);
    if (!GetItemRect(tree, item, false, &r) || r.top < 0 || r.bottom > client.bottom)
        SendMessageW(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, (LPARAM)item);
    SendMessageW(tree, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    GetItemRect(tree, item, textOnly, &r);
    return r;
}

// The middle of the part of the item's row where the tree finds flags (its label, its button).
static bool PartOfItem(HWND tree, HTREEITEM item, UINT flags, POINT *at)
{
    RECT row = ItemRect(tree, item, false);
    int y = (row.top + row.bottom) / 2, first = -1, last = -1;
    for (int x = row.left; x < row.right; x++) {
        TVHITTESTINFO hit = {};
        hit.pt = {x, y};
        SendMessageW(tree, TVM_HITTEST, 0, (LPARAM)&hit);
        if (hit.hItem == item && (hit.flags & flags)) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    if (first < 0)
        return false;
    *at = ScreenPoint(tree, (first + last) / 2, y);
    return true;
}

void TapItem(HWND tree, HTREEITEM item)
{
    POINT p;
    if (item && PartOfItem(tree, item, TVHT_ONITEMLABEL, &p))
        Tap(p.x, p.y);
}

void DoubleTapItem(HWND tree, HTREEITEM item)
{
    POINT p;
    if (item && PartOfItem(tree, item, TVHT_ONITEMLABEL, &p)) {
        Tap(p.x, p.y);
        Tap(p.x, p.y);
    }
}

void TapButton(HWND tree, HTREEITEM item)
{
    POINT p;
    if (item && PartOfItem(tree, item, TVHT_ONITEMBUTTON, &p))
        Tap(p.x, p.y);
}

void TapMenu(const Picker &p, int command)
{
    HWND button = GetDlgItem(p.menuBar, command);
    if (!button)
        return;
    POINT c = CentreOf(button);
    Tap(c.x, c.y);
}

void Key(WORD vk)
{
    keybd_event((BYTE)vk, 0, 0, 0);
    keybd_event((BYTE)vk, 0, KEYEVENTF_KEYUP, 0);
}

void TypeText(const std::wstring &text)
{
    for (wchar_t c : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = c;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
}

bool Select(HWND tree, HTREEITEM item)
{
    TapItem(tree, item);
    return WaitFor([&] { return Selected(tree) == item; }, 5000);
}

bool Expand(HWND tree, HTREEITEM item)
{
    TapButton(tree, item);
    return WaitFor([&] { return IsExpanded(tree, item); }, 5000);
}

} // namespace wt
