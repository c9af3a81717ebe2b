// Prints what expanding a folder of 10,000 programs costs in the program picker, beside the floor:
// the folder's search and the same number of bare TVM_INSERTITEMW calls, with the same names,
// into the same tree; and the same inserts in the order the search finds the names.
// Run: scripts/bench.sh (qvga and vga).
#include "utils/app_globals.h"
#include "pickers/file_picker.h"
#include "tests/bench/figure.h"
#include "tests/support/program_strip.h"

#include <stdio.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#define FILES 10000
#define ROUNDS 5
#define BENCH_FOLDER L"\\bench10k"

enum { DO_EXPAND = WM_APP, DO_LIST, DO_SEARCH, DO_BARE, DO_BARE_AS_FOUND, DO_RESET };

static HWND Tree;
static std::vector<std::wstring> Found;  // in the order the folder's search gives them
static std::vector<std::wstring> Listed; // in the order the listing inserts them

static int Children(HTREEITEM item)
{
    int n = 0;
    for (HTREEITEM c = TreeView_GetChild(Tree, item); c; c = TreeView_GetNextSibling(Tree, c))
        n++;
    return n;
}

// Runs on the picker's own thread, inside its loop; answers the time taken in microseconds.
static LRESULT CALLBACK OnPickerThread(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HTREEITEM item = (HTREEITEM)lParam;
    double start = Seconds();
    switch (message) {
    case DO_EXPAND: // as a person's tap does, through the tree's own expansion
        SendMessageW(Tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
        break;
    case DO_LIST: // the listing alone
        BrowseFile(Tree, BENCH_FOLDER L"\\*.*", item);
        break;
    case DO_SEARCH: { // the folder's search alone, which every listing makes
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(BENCH_FOLDER L"\\*.*", &found);
        while (FindNextFileW(search, &found)) {
        }
        FindClose(search);
        return (LRESULT)((Seconds() - start) * 1e6);
    }
    case DO_BARE:
    case DO_BARE_AS_FOUND:
        for (const std::wstring &name : message == DO_BARE ? Listed : Found) {
            TVINSERTSTRUCTW insert = {};
            insert.hParent = item;
            insert.hInsertAfter = TVI_SORT;
            insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            insert.item.pszText = (LPWSTR)name.c_str();
            insert.item.iImage = insert.item.iSelectedImage = IMAGE_LEAF;
            SendMessageW(Tree, TVM_INSERTITEMW, 0, (LPARAM)&insert);
        }
        break;
    case DO_RESET: // closed and emptied, to be listed again by the next expansion
        SendMessageW(Tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, (LPARAM)item);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
    double took = Seconds() - start;
    if (Children(item) != FILES)
        printf("listed %d, not %d\n", Children(item), FILES);
    return (LRESULT)(took * 1e6);
}

static bool MakeFolder()
{
    CreateDirectoryW(BENCH_FOLDER, NULL);
    for (int i = 0; i < FILES; i++) {
        WCHAR path[64];
        _snwprintf(path, ARRAYSIZE(path), BENCH_FOLDER L"\\program%05d.exe", i);
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(BENCH_FOLDER L"\\*.*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do
        Found.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    // The listing inserts from the end of the tree's order, each entry then placed at once.
    Listed = Found;
    std::sort(Listed.begin(), Listed.end(),
              [](const std::wstring &a, const std::wstring &b) { return _wcsicmp(a.c_str(), b.c_str()) > 0; });
    return Found.size() == FILES;
}

static BOOL CALLBACK FindPicker(HWND window, LPARAM found)
{
    WCHAR name[64] = {0};
    GetClassNameW(window, name, ARRAYSIZE(name));
    if (wcsncmp(name, L"browsefile:", 11) == 0 && IsWindowVisible(window)) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

int main()
{
    AppInstance = (HINSTANCE)LoadLibraryExW(QM_INSTALLED_PROGRAM, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!MakeFolder()) {
        printf("could not make %d files\n", FILES);
        return 1;
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OnPickerThread;
    wc.lpszClassName = L"PickerBench";
    RegisterClassW(&wc);
    HWND helper = CreateWindowExW(0, L"PickerBench", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);

    double expand = 1e9, list = 1e9, search = 1e9, bare = 1e9, asFound = 0;
    std::thread driver([&] {
        HWND picker = NULL;
        for (int i = 0; i < 500 && !picker; i++) {
            Sleep(20);
            EnumWindows(FindPicker, (LPARAM)&picker);
        }
        DWORD_PTR answer;
        if (picker) // answered once the picker's loop runs, its windows all made
            SendMessageTimeoutW(picker, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
        Tree = picker ? GetDlgItem(picker, 701) : NULL;
        HTREEITEM root = Tree ? TreeView_GetRoot(Tree) : NULL;
        if (root) {
            SendMessageW(Tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)root);
            HTREEITEM folder = TreeView_GetChild(Tree, root);
            WCHAR text[MAX_PATH];
            for (; folder; folder = TreeView_GetNextSibling(Tree, folder)) {
                TVITEMW it = {TVIF_TEXT | TVIF_HANDLE, folder};
                it.pszText = text;
                it.cchTextMax = MAX_PATH;
                TreeView_GetItem(Tree, &it);
                if (lstrcmpW(text, BENCH_FOLDER + 1) == 0)
                    break;
            }
            // Alternated, the fastest of each: the machine is shared.
            for (int round = 0; folder && round < ROUNDS; round++) {
                expand = std::min(expand, SendMessageW(helper, DO_EXPAND, 0, (LPARAM)folder) / 1e6);
                SendMessageW(helper, DO_RESET, 0, (LPARAM)folder);
                list = std::min(list, SendMessageW(helper, DO_LIST, 0, (LPARAM)folder) / 1e6);
                SendMessageW(helper, DO_RESET, 0, (LPARAM)folder);
                search = std::min(search, SendMessageW(helper, DO_SEARCH, 0, (LPARAM)folder) / 1e6);
                bare = std::min(bare, SendMessageW(helper, DO_BARE, 0, (LPARAM)folder) / 1e6);
                SendMessageW(helper, DO_RESET, 0, (LPARAM)folder);
            }
            // Once: the same calls in the order the folder is found, as a listing that inserts
            // each entry when it finds it makes them (slow: every entry is compared with all before).
            if (folder) {
                asFound = SendMessageW(helper, DO_BARE_AS_FOUND, 0, (LPARAM)folder) / 1e6;
                SendMessageW(helper, DO_RESET, 0, (LPARAM)folder);
            }
        }
        if (picker)
            PostMessageW(picker, WM_COMMAND, IDM_PICKER_CANCEL, 0);
    });
    WCHAR path[PICKER_TEXT_CHARS], arguments[PICKER_TEXT_CHARS];
    ShowFileBrowser(GetModuleHandleW(NULL), NULL, L"Add Shortcut or Program", L"exe.|knl.", path, arguments,
                    L"C:\\Program Files\\Quillmark\\Images\\imgBrowseShortcuts.jpg");
    driver.join();
    DestroyWindow(helper);
    if (bare >= 1e9) {
        printf("no picker to measure\n");
        return 1;
    }
    // The floor: the folder's search and the bare inserts, which no listing can do without.
    printf("a folder of %d programs, fastest of %d\n", FILES, ROUNDS);
    printf("expansion (a tap on its button):  %9.1f ms\n", expand * 1e3);
    printf("  the listing in it (BrowseFile): %9.1f ms\n", list * 1e3);
    printf("floor: the folder's search       %9.1f ms\n", search * 1e3);
    printf("       + %d bare TVM_INSERTITEMW  %9.1f ms (in the listing's order)\n", FILES, bare * 1e3);
    printf("the same inserts as found:        %9.1f ms (the search's order)\n", asFound * 1e3);
    printf("ratio listing / floor:            %9.2f\n", list / (search + bare));
    printf("ratio expansion / floor:          %9.2f (the rest is the tree showing the new rows)\n",
           expand / (search + bare));
    printf("ratio expansion / inserts as found:%8.3f\n", expand / asFound);
    Figure("picker.expand", expand * 1e3, 1, "ms", "program picker: expanding a folder of 10,000");
    FigureWithFloor("picker.list", list * 1e3, (search + bare) * 1e3, 1, "ms",
                    "  the listing in it (BrowseFile); floor: the search + bare inserts");
    Figure("picker.ratio", list / (search + bare), 2, "x", "  listing / floor");
    return 0;
}
