// Opens the two pickers on the handheld as the settings page opens them, each with a choice made,
// and holds each for a screenshot: scripts/run.sh's headless run takes them.
//   picker_tour.exe      for each picker: writes \picker-N.ready once it is arranged, waits for
//                        \picker-N.taken (at most 20 s), then cancels it
#include "utils/app_globals.h"
#include "pickers/pickers.h"
#include "tests/support/program_strip.h"

#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

struct Search {
    const wchar_t *prefix;
    HWND found;
};

static BOOL CALLBACK MatchPrefix(HWND window, LPARAM param)
{
    Search *search = (Search *)param;
    WCHAR name[64] = {0};
    GetClassNameW(window, name, ARRAYSIZE(name));
    if (wcsncmp(name, search->prefix, wcslen(search->prefix)) == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static HWND WaitForPicker(const wchar_t *prefix)
{
    Search search = {prefix, NULL};
    for (int i = 0; i < 500 && !search.found; i++) {
        Sleep(20);
        EnumWindows(MatchPrefix, (LPARAM)&search);
    }
    DWORD_PTR answer; // answered once the picker's loop runs, its windows all made
    if (search.found)
        SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
    return search.found;
}

// The item at a path of texts from the first level.
static HTREEITEM Item(HWND tree, const std::vector<std::wstring> &texts)
{
    HTREEITEM item = NULL;
    for (const std::wstring &t : texts) {
        HTREEITEM child = item ? TreeView_GetChild(tree, item) : TreeView_GetRoot(tree);
        for (; child; child = TreeView_GetNextSibling(tree, child)) {
            WCHAR text[MAX_PATH] = {0};
            TVITEMW it = {TVIF_TEXT | TVIF_HANDLE, child};
            it.pszText = text;
            it.cchTextMax = MAX_PATH;
            TreeView_GetItem(tree, &it);
            if (t == text)
                break;
        }
        if (!child)
            return NULL;
        item = child;
    }
    return item;
}

static void Arrange(int shot, const wchar_t *prefix, int treeId, const std::vector<std::vector<std::wstring>> &open,
                    const std::vector<std::wstring> &select)
{
    HWND picker = WaitForPicker(prefix);
    HWND tree = picker ? GetDlgItem(picker, treeId) : NULL;
    if (!tree)
        return;
    for (const auto &path : open)
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)Item(tree, path));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)Item(tree, select));
    Sleep(300); // painted
    std::wstring ready = L"\\picker-" + std::to_wstring(shot) + L".ready";
    std::wstring taken = L"\\picker-" + std::to_wstring(shot) + L".taken";
    CloseHandle(CreateFileW(ready.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    for (int i = 0; i < 200 && GetFileAttributesW(taken.c_str()) == INVALID_FILE_ATTRIBUTES; i++)
        Sleep(100);
    PostMessageW(picker, WM_COMMAND, 105, 0);
}

int main()
{
    AppInstance = (HINSTANCE)LoadLibraryExW(QM_INSTALLED_PROGRAM, NULL, LOAD_LIBRARY_AS_DATAFILE);
    WCHAR choice[PICKER_TEXT_CHARS], text[PICKER_TEXT_CHARS];
    const std::wstring images = L"C:\\Program Files\\Quillmark\\Images\\";

    std::thread first(Arrange, 1, L"browsefile:", 701,
                      std::vector<std::vector<std::wstring>>{{L"\\"}, {L"\\", L"Program Files"},
                                                             {L"\\", L"Program Files", L"Quillmark"}},
                      std::vector<std::wstring>{L"\\", L"Program Files", L"Quillmark", L"quillmark.exe"});
    ShowFileBrowser(GetModuleHandleW(NULL), NULL, L"Add Shortcut or Program", L"exe.|knl.", choice, text,
                    (images + L"imgBrowseShortcuts.jpg").c_str());
    first.join();

    std::thread second(Arrange, 2, L"browseapplet:", 702, std::vector<std::vector<std::wstring>>{{L"sample.cpl"}},
                       std::vector<std::wstring>{L"sample.cpl", L"Clock"});
    ShowAppletBrowser(GetModuleHandleW(NULL), NULL, L"Add Applet", L"lpc.", choice, text,
                      (images + L"imgBrowseApplets.jpg").c_str());
    second.join();
    return 0;
}
