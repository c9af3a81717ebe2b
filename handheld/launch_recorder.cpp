// Stands in for the handheld's control-panel host (\windows\ctlpnl.exe) and browser
// (\windows\iexplore.exe): appends its whole command line to "\handheld-events.txt", so that a
// test or a person can see what the program started.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
{
    const WCHAR *line = GetCommandLineW();
    char bytes[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof(bytes) - 2, NULL, NULL);
    if (n <= 0)
        return 1;
    n--; // the terminator
    bytes[n++] = '\r';
    bytes[n++] = '\n';

    // Several launches may land at once: retry while another writer holds the file.
    for (int attempt = 0; attempt < 50; attempt++) {
        HANDLE file = CreateFileW(L"\\handheld-events.txt", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written;
            WriteFile(file, bytes, n, &written, NULL);
            CloseHandle(file);
            return 0;
        }
        Sleep(20);
    }
    return 1;
}
