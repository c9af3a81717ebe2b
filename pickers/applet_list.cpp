#include "pickers/applet_list.h"
#include "utils/log.h"
#include "pickers/picker_rules.h"
#include "pickers/picker_window.h"

#include <cpl.h>
#include <stdio.h>
#include <wchar.h>

#define APPLET_FOLDER L"\\windows"
#define APPLET_NAME_CHARS ARRAYSIZE(((NEWCPLINFOW *)0)->szName)
// The record is handed out with zero-filled room behind it: an applet that writes past the record
// writes into that room instead of over the stack.
#define INQUIRY_BYTES 4096

int ListAppletFiles(HWND tree)
{
    WCHAR pattern[MAX_PATH];
    _snwprintf(pattern, MAX_PATH - 1, L"%ls\\*", APPLET_FOLDER);
    pattern[MAX_PATH - 1] = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!IsAppletFileName((const char16_t *)found.cFileName))
            continue;
        // A file whose references could not all be returned whole is not listed.
        WCHAR reference[MAX_PATH];
        if (!FormatAppletReference((char16_t *)reference, MAX_PATH, (const char16_t *)found.cFileName,
                                   APPLET_MAX_ENTRIES - 1, true))
            continue;
        InsertPickerItem(tree, NULL, TVI_SORT, found.cFileName, true);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return 1;
}

// The applet's entry point, or null; the library stays loaded until the caller frees it.
static APPLET_PROC EntryPoint(HMODULE library)
{
    return library ? (APPLET_PROC)GetProcAddressW(library, L"CPlApplet") : NULL;
}

// Entry i's name as the applet gives it; false when the applet ran past the field.
static bool Inquire(APPLET_PROC applet, HWND window, int i, WCHAR name[APPLET_NAME_CHARS + 1], bool log)
{
    union {
        NEWCPLINFOW record;
        BYTE room[INQUIRY_BYTES];
    } inquiry;
    ZeroMemory(&inquiry, sizeof(inquiry));
    applet(window, CPL_NEWINQUIRE, i, (LPARAM)&inquiry.record);
    const NEWCPLINFOW &info = inquiry.record;
    bool whole = AppletEntryName((const char16_t *)info.szName, APPLET_NAME_CHARS, (char16_t *)name);
    if (log)
        LogPrintf(whole ? L"cplInfo.szName=%s" : L"cplInfo.szName=%.32s (not terminated, left out)",
                  whole ? name : info.szName);
    return whole;
}

static int BoundedCount(LONG count)
{
    return count < 0 ? 0 : count > APPLET_MAX_ENTRIES ? APPLET_MAX_ENTRIES : (int)count;
}

void GetAppletContents(HWND tree, const WCHAR *path, HTREEITEM fileItem)
{
    LogPrintf(L"GetAppletContents 1");
    WCHAR libraryName[MAX_PATH];
    if (!AppletLibraryName((const char16_t *)path, (char16_t *)libraryName, MAX_PATH))
        return;
    HMODULE library = LoadLibraryW(libraryName);
    LogPrintf(L"GetAppletContents loaded [%s]", libraryName);
    APPLET_PROC applet = EntryPoint(library);
    if (applet && applet(tree, CPL_INIT, 0, 0)) {
        LONG count = applet(tree, CPL_GETCOUNT, 0, 0);
        LogPrintf(L"GetAppletContents items=%d", (int)count);
        for (int i = 0; i < BoundedCount(count); i++) {
            WCHAR name[APPLET_NAME_CHARS + 1];
            if (!Inquire(applet, tree, i, name, true) || !name[0])
                continue;
            LogPrintf(L"add to tree");
            InsertPickerItem(tree, fileItem, TVI_LAST, name, false);
            LogPrintf(L"add to tree out");
        }
    }
    if (library)
        FreeLibrary(library);
}

int FindAppletIndex(const WCHAR *file, const WCHAR *entry)
{
    HMODULE library = LoadLibraryW(file);
    APPLET_PROC applet = EntryPoint(library);
    int index = -1;
    if (applet && applet(NULL, CPL_INIT, 0, 0)) {
        LONG count = applet(NULL, CPL_GETCOUNT, 0, 0);
        for (int i = 0; i < BoundedCount(count) && index < 0; i++) {
            WCHAR name[APPLET_NAME_CHARS + 1];
            // Unit by unit: a linguistic comparison finds "Clo\u00ADck" (a soft hyphen) equal to "Clock".
            if (Inquire(applet, NULL, i, name, false) && name[0] && wcscmp(name, entry) == 0)
                index = i;
        }
    }
    if (library)
        FreeLibrary(library);
    return index;
}
