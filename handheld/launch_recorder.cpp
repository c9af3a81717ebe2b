// Stands in for the handheld's control-panel host (\windows\ctlpnl.exe) and browser
// (\windows\iexplore.exe): appends its whole command line to "\handheld-events.txt", so that a
// test or a person can see what the program started.
#include "platform/events.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
{
    return AppendHandheldEvent(GetCommandLineW()) ? 0 : 1;
}
