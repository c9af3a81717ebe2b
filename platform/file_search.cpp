// File search as the handheld's file system answers it (see pocketpc.h).
#include "platform/pocketpc.h"

#undef FindFirstFileW
#undef FindNextFileW

static bool IsDotEntry(const WIN32_FIND_DATAW *found)
{
    const WCHAR *n = found->cFileName;
    return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0));
}

BOOL PpcFindNextFileW(HANDLE search, LPWIN32_FIND_DATAW found)
{
    while (FindNextFileW(search, found))
        if (!IsDotEntry(found))
            return TRUE;
    return FALSE;
}

HANDLE PpcFindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found)
{
    HANDLE search = FindFirstFileW(pattern, found);
    if (search == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    if (!IsDotEntry(found) || PpcFindNextFileW(search, found))
        return search;
    // Nothing but the two entries: an empty folder.
    DWORD error = GetLastError();
    FindClose(search);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}
