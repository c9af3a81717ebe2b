// The handheld's event record comes first, so that it keeps the system's own Sleep.
#include "platform/events.h"
#include "platform/pocketpc.h"

#undef ChangeDisplaySettingsExW
#undef CreateToolhelp32Snapshot
#undef GetDesktopWindow
#undef DestroyWindow
#undef ShowWindow

#define FOREGROUND_SETTLE_MS 1000

BOOL KernelIoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned)
{
    if (returned)
        *returned = 0;
    if (code == IOCTL_HAL_REBOOT) {
        AppendHandheldEvent(L"KernelIoControl IOCTL_HAL_REBOOT");
        return TRUE;
    }
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

static DWORD ReadOrientation()
{
    DWORD value = DMDO_0, size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, PPC_DISPLAY_KEY, L"Orientation", RRF_RT_REG_DWORD, NULL, &value, &size) !=
        ERROR_SUCCESS)
        return DMDO_0;
    return value;
}

LONG PpcChangeDisplaySettingsExW(LPCWSTR device, DEVMODEW *mode, HWND window, DWORD flags, LPVOID param)
{
    if (!mode || !(mode->dmFields & DM_DISPLAYORIENTATION))
        return ChangeDisplaySettingsExW(device, mode, window, flags, param);

    if (flags & CDS_TEST) {
        mode->dmDisplayOrientation = ReadOrientation();
        return DISP_CHANGE_SUCCESSFUL;
    }
    DWORD next = mode->dmDisplayOrientation;
    if (next != DMDO_0 && next != DMDO_90 && next != DMDO_180 && next != DMDO_270)
        return DISP_CHANGE_BADMODE;
    if (RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_DISPLAY_KEY, L"Orientation", REG_DWORD, &next, sizeof(next)) !=
        ERROR_SUCCESS)
        return DISP_CHANGE_FAILED;
    WCHAR line[80];
    wsprintfW(line, L"ChangeDisplaySettingsEx orientation %u", (unsigned)next);
    AppendHandheldEvent(line);
    // A window that does not answer holds up the caller for a moment at most.
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_ABORTIFHUNG, 1000, NULL);
    return DISP_CHANGE_SUCCESSFUL;
}

HANDLE PpcCreateToolhelp32Snapshot(DWORD flags, DWORD processId)
{
    DWORD missing = 0, size = sizeof(missing);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, PPC_TOOLHELP_KEY, L"Missing", RRF_RT_REG_DWORD, NULL, &missing, &size) ==
            ERROR_SUCCESS && missing) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return CreateToolhelp32Snapshot(flags & ~(DWORD)TH32CS_SNAPNOHEAPS, processId);
}

BOOL CloseToolhelp32Snapshot(HANDLE snapshot)
{
    return CloseHandle(snapshot);
}

HWND PpcGetDesktopWindow()
{
    HWND shell = FindWindowW(PPC_SHELL_DESKTOP_CLASS, L"Desktop");
    return shell ? shell : GetDesktopWindow();
}

BOOL PpcDestroyWindow(HWND window)
{
    DWORD thread = GetWindowThreadProcessId(window, NULL);
    if (!thread || thread == GetCurrentThreadId())
        return DestroyWindow(window);
    return PostMessageW(window, WM_CLOSE, 0, 0);
}

// The window the handheld brings to the front when the front one goes: the next one shown.
static HWND NextShownWindow(HWND leaving)
{
    for (HWND w = GetTopWindow(NULL); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w != leaving && IsWindowVisible(w) && IsWindowEnabled(w))
            return w;
    return NULL;
}

BOOL PpcShowWindow(HWND window, int command)
{
    bool handOver = command == SW_HIDE && window == GetForegroundWindow() &&
                    GetWindowThreadProcessId(window, NULL) != GetCurrentThreadId();
    BOOL wasVisible = ShowWindow(window, command);
    HWND next = handOver ? NextShownWindow(window) : NULL;
    if (next) {
        SetForegroundWindow(next);
        DWORD start = GetTickCount();
        while (GetForegroundWindow() != next && GetTickCount() - start < FOREGROUND_SETTLE_MS)
            PpcSystemSeams.Pause(10);
    }
    return wasVisible;
}
