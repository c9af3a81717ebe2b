#include "utils/log.h"
#include "pickers/applet_list.h"
#include "pickers/picker_rules.h"
#include "pickers/picker_window.h"

BrowserState AppletBrowser;

static void ListEntries(HWND tree, HTREEITEM item, const WCHAR *pattern)
{
    LogPrintf(L"cursor on, list applets for [%s]", pattern);
    GetAppletContents(tree, pattern, item);
}

// An entry gives "\windows\x.cpl,N" and may be returned; an applet file "\windows\x.cpl", which
// may not.
static void Select(BrowserState *s, HWND tree, HTREEITEM item)
{
    WCHAR text[MAX_PATH], file[MAX_PATH];
    ReadItemText(tree, item, text);
    HTREEITEM parent = ParentItem(tree, item);
    if (parent && ReadItemText(tree, parent, file)) {
        int index = FindAppletIndex(file, text);
        s->acceptable = FormatAppletReference((char16_t *)s->choice, PICKER_TEXT_CHARS, (const char16_t *)file,
                                              index, true);
    } else {
        FormatAppletReference((char16_t *)s->choice, PICKER_TEXT_CHARS, (const char16_t *)text, 0, false);
        s->acceptable = false;
    }
}

// OK follows a double tap on any item; it accepts only an entry.
static bool DoubleTap(BrowserState *s, HWND tree, HTREEITEM item)
{
    Select(s, tree, item);
    return true;
}

static void FillFirstLevel(HWND tree)
{
    ListAppletFiles(tree);
}

static const PickerKind AppletKind = {
    L"browseapplet", 702, 503, 504,
    true, true, true,
    &AppletBrowser, FillFirstLevel, ListEntries, Select, DoubleTap,
};

void ShowAppletBrowser(HINSTANCE instance, HWND owner, const WCHAR *title, const WCHAR *filter,
                       WCHAR reference[PICKER_TEXT_CHARS], WCHAR text[PICKER_TEXT_CHARS], const WCHAR *imageStrip)
{
    RunPicker(&AppletKind, instance, owner, title, filter, reference, text, imageStrip);
}
