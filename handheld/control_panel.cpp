// The handheld's control panel host (\windows\ctlpnl.exe): appends its whole command line to the
// event record, then opens the applet entry the command line names, as the handheld does:
//   ctlpnl.exe FILE,INDEX[,PAGE]      e.g. \windows\sample.cpl,2 or cplmain.cpl,23,1
// It loads FILE (a bare name is found in \windows), sends CPL_INIT, CPL_GETCOUNT, CPL_NEWINQUIRE
// for the entry and CPL_DBLCLK with its index, which shows the entry until the user closes it,
// then CPL_STOP and CPL_EXIT. Exit codes: 0 opened, 1 no such applet, 2 it refused to start,
// 3 no such entry, 4 no reference on the command line.
#include "platform/events.h"

#include <cpl.h>
#include <stdlib.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
{
    AppendHandheldEvent(GetCommandLineW());

    // FILE is everything up to the first comma, INDEX the number after it.
    WCHAR file[MAX_PATH] = {0};
    const WCHAR *at = commandLine;
    while (*at == L' ')
        at++;
    bool quoted = *at == L'"';
    if (quoted)
        at++;
    size_t n = 0;
    while (*at && *at != L',' && !(quoted && *at == L'"') && n < MAX_PATH - 1)
        file[n++] = *at++;
    if (quoted && *at == L'"')
        at++;
    if (n == 0 || *at != L',')
        return 4;
    WCHAR *end = NULL;
    long index = wcstol(at + 1, &end, 10);
    if (end == at + 1)
        return 4;

    HMODULE library = LoadLibraryW(file);
    APPLET_PROC applet = library ? (APPLET_PROC)GetProcAddress(library, "CPlApplet") : NULL;
    if (!applet) {
        if (library)
            FreeLibrary(library);
        return 1;
    }
    int result = 2;
    if (applet(NULL, CPL_INIT, 0, 0)) {
        result = 3;
        if (index >= 0 && index < applet(NULL, CPL_GETCOUNT, 0, 0)) {
            NEWCPLINFOW info;
            ZeroMemory(&info, sizeof(info));
            info.dwSize = sizeof(info);
            applet(NULL, CPL_NEWINQUIRE, index, (LPARAM)&info);
            applet(NULL, CPL_DBLCLK, index, info.lData);
            applet(NULL, CPL_STOP, index, info.lData);
            result = 0;
        }
        applet(NULL, CPL_EXIT, 0, 0);
    }
    FreeLibrary(library);
    return result;
}
