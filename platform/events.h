#pragma once
// The handheld's event record, "\handheld-events.txt": one UTF-8 line per event, appended by
// the stand-in programs so that a test or a person can see what happened on the device.
#include <windows.h>

#include <stdio.h>

static inline BOOL AppendHandheldEvent(const WCHAR *line)
{
    char bytes[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof(bytes) - 2, NULL, NULL);
    if (n <= 0)
        return FALSE;
    n--; // the terminator
    bytes[n++] = '\r';
    bytes[n++] = '\n';

    // Several programs may write at once: retry while another writer holds the file.
    for (int attempt = 0; attempt < 50; attempt++) {
        HANDLE file = CreateFileW(L"\\handheld-events.txt", FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written;
            BOOL ok = WriteFile(file, bytes, n, &written, NULL) && written == (DWORD)n;
            CloseHandle(file);
            return ok;
        }
        Sleep(20);
    }
    return FALSE;
}

// "<subject> <what>", as the stand-ins record what happens to their windows.
static inline BOOL AppendHandheldEventOf(const WCHAR *subject, const WCHAR *what)
{
    WCHAR line[400];
    _snwprintf(line, ARRAYSIZE(line) - 1, L"%ls %ls", subject, what);
    line[ARRAYSIZE(line) - 1] = 0;
    return AppendHandheldEvent(line);
}
