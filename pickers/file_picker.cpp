#include "pickers/file_picker.h"
#include "app/log.h"
#include "pickers/picker_rules.h"

BrowserState FileBrowser;

HTREEITEM AddFileItem(HWND tree, const WCHAR *name, HTREEITEM parent, bool isFolder)
{
    if (!isFolder && !PassesExtensionFilter((const char16_t *)FileBrowser.filter, (const char16_t *)name))
        return NULL;
    if (lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0)
        return NULL;
    return InsertPickerItem(tree, parent, TVI_SORT, name, isFolder);
}

int BrowseFile(HWND tree, const WCHAR *pattern, HTREEITEM parent)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_NO_MORE_FILES) {
            TVITEMW it = {};
            it.mask = TVIF_CHILDREN;
            it.hItem = parent;
            it.cChildren = 0;
            if (!SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&it))
                LogPrintf(L"BrowseFile: setting item for no children.\r\n");
        } else {
            LogPrintf(L"BrowseFile: FindFirstFile returned invalid handle");
        }
        return 1;
    }
    // An entry's path is the pattern without its "*.*" followed by the name; one that does not
    // fit is not listed, since it could be neither returned nor searched.
    int folderChars = lstrlenW(pattern) - 3;
    do {
        if (folderChars + lstrlenW(found.cFileName) < MAX_PATH)
            AddFileItem(tree, found.cFileName, parent, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return 1;
}

static void FillFirstLevel(HWND tree)
{
    AddFileItem(tree, L"\\", NULL, true);
}

static void ListFolder(HWND tree, HTREEITEM item, const WCHAR *pattern)
{
    BrowseFile(tree, pattern, item);
}

// Any item whose text passes the filter is acceptable, a folder too; its path is the choice.
static void Select(BrowserState *s, HWND tree, HTREEITEM item)
{
    WCHAR text[MAX_PATH];
    ReadItemText(tree, item, text);
    LogPrintf(L"SELCHANGED");
    bool composed = ComposeItemPath(tree, item, s->choice, false) != 0;
    s->acceptable = composed && PassesExtensionFilter((const char16_t *)s->filter, (const char16_t *)text);
}

// A file accepts at once; a folder is left to the tree, which opens or closes it.
static bool DoubleTap(BrowserState *s, HWND tree, HTREEITEM item)
{
    WCHAR text[MAX_PATH];
    int image = 0;
    if (!ReadItemText(tree, item, text, &image) || image != IMAGE_LEAF)
        return false;
    bool composed = ComposeItemPath(tree, item, s->choice, true) != 0;
    s->acceptable = composed && PassesExtensionFilter((const char16_t *)s->filter, (const char16_t *)text);
    return true;
}

static const PickerKind FileKind = {
    L"browsefile", 701, 501, 502,
    false, false, false,
    &FileBrowser, FillFirstLevel, ListFolder, Select, DoubleTap,
};

void ShowFileBrowser(HINSTANCE instance, HWND owner, const WCHAR *title, const WCHAR *filter,
                     WCHAR path[PICKER_TEXT_CHARS], WCHAR arguments[PICKER_TEXT_CHARS], const WCHAR *imageStrip)
{
    RunPicker(&FileKind, instance, owner, title, filter, path, arguments, imageStrip);
}
