#include "pickers/file_picker.h"
#include "utils/log.h"
#include "pickers/picker_rules.h"

#include <stdlib.h>
#include <wchar.h>

BrowserState FileBrowser;

HTREEITEM AddFileItem(HWND tree, const WCHAR *name, HTREEITEM parent, bool isFolder)
{
    if (!isFolder && !PassesExtensionFilter((const char16_t *)FileBrowser.filter, (const char16_t *)name))
        return NULL;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)))
        return NULL; // "." and ".."
    return InsertPickerItem(tree, parent, TVI_SORT, name, isFolder);
}

// A folder's entry, kept until the whole folder has been read.
struct FoundEntry {
    bool isFolder;
    WCHAR name[1]; // as long as the name
};

static FoundEntry *KeepEntry(const WIN32_FIND_DATAW *found)
{
    size_t chars = lstrlenW(found->cFileName) + 1;
    FoundEntry *e = (FoundEntry *)HeapAlloc(GetProcessHeap(), 0, sizeof(FoundEntry) + chars * sizeof(WCHAR));
    if (e) {
        e->isFolder = (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        lstrcpyW(e->name, found->cFileName);
    }
    return e;
}

// Close enough to the tree's own order for each entry to land at the front at once, and far
// cheaper to compare; an entry the two orders disagree on only costs a few more comparisons.
static int Descending(const void *a, const void *b)
{
    return _wcsicmp((*(FoundEntry *const *)b)->name, (*(FoundEntry *const *)a)->name);
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
    // The whole folder is read first and inserted from the end of the order: the tree's sorted
    // insertion compares a new item with its siblings from the first on, so each entry then
    // finds its place at once, where a folder read in order would cost a comparison with every
    // entry before it (20 s for 10,000 programs on the desktop). The order is the tree's own.
    // An entry's path is the pattern without its "*.*" followed by the name; one that does not
    // fit is not listed, since it could be neither returned nor searched.
    int folderChars = lstrlenW(pattern) - 3;
    HANDLE heap = GetProcessHeap();
    FoundEntry **entries = NULL;
    size_t count = 0, room = 0;
    do {
        if (folderChars + lstrlenW(found.cFileName) >= MAX_PATH)
            continue;
        if (count == room) {
            size_t more = room ? room * 2 : 64;
            void *grown = entries ? HeapReAlloc(heap, 0, entries, more * sizeof(*entries))
                                  : HeapAlloc(heap, 0, more * sizeof(*entries));
            if (grown) {
                entries = (FoundEntry **)grown;
                room = more;
            }
        }
        FoundEntry *e = count < room ? KeepEntry(&found) : NULL;
        if (e)
            entries[count++] = e;
        else // out of memory: listed as found, only slower
            AddFileItem(tree, found.cFileName, parent, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(search, &found));
    FindClose(search);

    if (count)
        qsort(entries, count, sizeof(*entries), Descending);
    for (size_t i = 0; i < count; i++) {
        AddFileItem(tree, entries[i]->name, parent, entries[i]->isFolder);
        HeapFree(heap, 0, entries[i]);
    }
    if (entries)
        HeapFree(heap, 0, entries);
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
