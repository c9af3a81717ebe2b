#pragma once
// The driver stand-in's own record, "\hid-driver.txt": its start and end of service, each
// receiver it is told and each time the link goes up or down, one line each with the process and
// the tick, so that a test that fails can show what the driver did meanwhile. Never per report.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>

#define DRIVER_LOG_FILE L"\\hid-driver.txt"

static inline void DriverLog(const char *format, ...)
{
    char line[300];
    int n = snprintf(line, sizeof(line), "[%lu pid %lu] ", GetTickCount(), GetCurrentProcessId());
    va_list args;
    va_start(args, format);
    int m = vsnprintf(line + n, sizeof(line) - n - 2, format, args);
    va_end(args);
    n = m < 0 ? n : n + m < (int)sizeof(line) - 2 ? n + m : (int)sizeof(line) - 3;
    line[n++] = '\r';
    line[n++] = '\n';
    // Appends are whole lines; another writer of the moment costs this line, never the driver.
    HANDLE file = CreateFileW(DRIVER_LOG_FILE, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, (DWORD)n, &written, NULL);
    CloseHandle(file);
}
