// Stands in for the handheld's Bluetooth HID driver: serves the stream device "BHI0:", learns
// the receiving thread from control code 15 and posts it one data message per mouse report that
// arrives on the report feed (see README.md). Started by the device manager (ActivateDeviceEx);
// runs until the handheld ends.
#include "handheld/driver_link.h"
#include "handheld/driver_log.h"
#include "handheld/driver_servers.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
{
    // One driver per handheld. Two started at once would each take some of the pipes' instances
    // and both give up, so the first to hold the name is the driver and any other ends here.
    HANDLE claim = CreateMutexW(NULL, FALSE, L"Local\\BHI0.driver");
    if (!claim || GetLastError() == ERROR_ALREADY_EXISTS) {
        DriverLog("gives way: another driver holds the name");
        return 0;
    }
    LinkInit();
    // The feed first: once the device opens, a feeder finds the feed there too.
    if (!StartFeedServers() || !StartControlServer()) {
        DriverLog("gives way: the device's pipes are another's (error %lu)", GetLastError());
        return 0; // another driver serves the device already
    }
    DriverLog("serves BHI0:");
    for (;;)
        Sleep(INFINITE);
}
