#include "utils/log.h"
#include "utils/log_text.h"

#include <stdarg.h>
#include <stdio.h>

bool LogEnabled;

// Available physical memory when the first entry was written; 0 until then.
static SIZE_T LogMemBaseline;

// Takes the whole file's lock, waiting at most LOG_LOCK_WAIT_MS: a writer that never lets go (a
// thread ended while writing) costs an entry, never the program.
static bool LockLogFile(HANDLE file)
{
    DWORD start = GetTickCount();
    for (;;) {
        OVERLAPPED whole = {};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole))
            return true;
        if (GetLastError() != ERROR_LOCK_VIOLATION || GetTickCount() - start >= LOG_LOCK_WAIT_MS)
            return false;
        PpcSystemSeams.Pause(1);
    }
}

static void WriteLogEntry(const WCHAR *message)
{
    SYSTEMTIME now;
    GetLocalTime(&now);

    if (LogMemBaseline == 0) {
        MEMORYSTATUS status = {sizeof(status)};
        GlobalMemoryStatus(&status);
        LogMemBaseline = status.dwAvailPhys;
    }

    HANDLE file = CreateFileW(LOG_FILE, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;

    MEMORYSTATUS a = {sizeof(a)}, b = {sizeof(b)};
    GlobalMemoryStatus(&a);
    GlobalMemoryStatus(&b);
    // Negative when more memory is free than at the first entry.
    double used = (double)(INT_PTR)(LogMemBaseline - a.dwAvailPhys) / 1048576.0;
    double freeMb = (double)b.dwAvailPhys / 1048576.0;

    WCHAR header[128];
    int headerLen = _snwprintf(header, ARRAYSIZE(header) - 1,
                               L"\n[%2d:%2d:%2d] [mem: free=%3.3fMB, used=%3.3fMB] >>>\n", now.wHour,
                               now.wMinute, now.wSecond, freeMb, used);
    if (headerLen < 0)
        headerLen = ARRAYSIZE(header) - 1;
    header[headerLen] = 0;

    size_t messageLen = wcslen(message);
    static const size_t cap = LogTextMaxBytes(ARRAYSIZE(header) + LOG_MESSAGE_CHARS + 1);
    char bytes[cap];
    size_t n = EncodeLogText((const char16_t *)header, headerLen, bytes, cap);
    n += EncodeLogText((const char16_t *)message, messageLen, bytes + n, cap - n);
    n += EncodeLogText(u"\n", 1, bytes + n, cap - n);

    // Both threads (and a second instance) append: the lock keeps one writer at the end of the
    // file at a time, so that no entry overwrites another or mixes with it.
    if (LockLogFile(file)) {
        OVERLAPPED whole = {};
        DWORD written = 0;
        SetFilePointer(file, 0, NULL, FILE_END);
        WriteFile(file, bytes, (DWORD)n, &written, NULL);
        UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    }
    CloseHandle(file);
}

void LogPrintf(const WCHAR *format, ...)
{
    if (!LogEnabled)
        return;

    // _vsnwprintf is the C runtime's own: %s in a wide format takes a wide string there.
    WCHAR message[LOG_MESSAGE_CHARS];
    va_list args;
    va_start(args, format);
    _vsnwprintf(message, LOG_MESSAGE_CHARS - 1, format, args);
    va_end(args);
    message[LOG_MESSAGE_CHARS - 1] = 0;

    WriteLogEntry(message);
}
