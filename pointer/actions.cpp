#include "pointer/actions.h"
#include "utils/launch.h"
#include "utils/log.h"
#include "settings/settings_store.h"

const WCHAR ButtonNames[][BUTTON_NAME_CHARS] = {
    L"Left Button", L"Middle Button", L"Right Button", L"Wheel Up", L"Wheel Down",
};
const LONG ButtonNameCount = ARRAYSIZE(ButtonNames);

const WCHAR ActionNames[][ACTION_NAME_CHARS] = {
    L"Left Click",   L"Middle Click", L"Right Click",   L"Double Click",  L"Scroll Up",  L"Scroll Down",
    L"Scroll Left",  L"Scroll Right", L"Tap and Hold",  L"Open Program",  L"Open Applet", L"Close Task",
    L"Reset Device", L"Suspend",      L"Rotate Screen", L"Show Desktop",  L"Switch Task",
};
const LONG ActionNameCount = ARRAYSIZE(ActionNames);

#define SWP_TO_BOTTOM_SHOWN (SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW)

// Down, 20 ms, up: the cursor thread waits for the key as a finger would.
static void PressKey(BYTE vk)
{
    keybd_event(vk, 0, 0, 0);
    Sleep(20);
    keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
}

// Hidden and shown again at the bottom of the z-order, so the next window comes to the front.
static void SendToBottom(HWND window)
{
    ShowWindow(window, SW_HIDE);
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_TO_BOTTOM_SHOWN);
}

// The first running process with this executable name: false when the processes cannot be
// listed at all, which is not the same as the name not running (*pid 0).
static bool FindProcess(const WCHAR *exeName, DWORD *pid)
{
    *pid = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPNOHEAPS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry = {0};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, exeName) == 0) {
            *pid = entry.th32ProcessID;
            break;
        }
    }
    CloseToolhelp32Snapshot(snapshot);
    return true;
}

DWORD FindProcessId(const WCHAR *exeName)
{
    DWORD pid;
    FindProcess(exeName, &pid);
    return pid;
}

void CloseTask()
{
    HWND fg = GetForegroundWindow();
    LogPrintf(L"Close Task: %X", (unsigned)(UINT_PTR)fg);
    if (fg == GetDesktopWindow()) {
        LogPrintf(L"Abort - this is Desktop");
        MessageBeep(MB_OK);
        return;
    }
    if ((DWORD)GetWindowLongW(fg, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN) {
        LogPrintf(L"sent OK");
        PostMessageW(fg, WM_COMMAND, IDOK, 0);
        return;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(fg, &pid);
    DWORD shell;
    bool listed = FindProcess(L"shell32.exe", &shell);
    LogPrintf(L"Real Close wnd=%X shell=%X", (unsigned)pid, (unsigned)shell);
    if (!listed) {
        // Without the process list any window could be the shell's: close nothing.
        LogPrintf(L"Abort - shell unknown");
        MessageBeep(MB_OK);
    } else if (pid == shell) {
        LogPrintf(L"Minimize");
        SendToBottom(fg);
    } else {
        LogPrintf(L"Destroy Window");
        DestroyWindow(fg);
    }
}

void ResetDevice()
{
    KernelIoControl(IOCTL_HAL_REBOOT, NULL, 0, NULL, 0, NULL);
}

void RotateScreen()
{
    DEVMODEW mode = {0};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_DISPLAYORIENTATION;
    ChangeDisplaySettingsExW(NULL, &mode, NULL, CDS_TEST, NULL);

    // 0, 90, 180 and 270 degrees are 0, 1, 2 and 4.
    mode.dmSize = sizeof(mode);
    DWORD next = mode.dmDisplayOrientation + 1;
    if (next == 3)
        next = DMDO_270;
    else if (next > DMDO_270)
        next = DMDO_0;
    mode.dmDisplayOrientation = next;
    mode.dmFields = DM_DISPLAYORIENTATION;
    ChangeDisplaySettingsExW(NULL, &mode, NULL, 0, NULL);
}

void RunButtonAction(int slot, DWORD &actionFlags, int &sequence)
{
    if (slot < SLOT_LEFT_BUTTON || slot > SLOT_WHEEL_DOWN)
        return;
    const SettingSlot &setting = SettingTable[slot];
    switch ((DWORD)setting.NumVal) { // a missing value (-1) is out of range like any other
    case ACTION_LEFT_CLICK: actionFlags |= MOUSEEVENTF_LEFTDOWN; sequence = SEQUENCE_NONE; break;
    case ACTION_MIDDLE_CLICK: actionFlags |= MOUSEEVENTF_MIDDLEDOWN; sequence = SEQUENCE_NONE; break;
    case ACTION_RIGHT_CLICK: actionFlags |= MOUSEEVENTF_RIGHTDOWN; sequence = SEQUENCE_NONE; break;
    case ACTION_DOUBLE_CLICK: actionFlags = 0; sequence = SEQUENCE_DOUBLE_CLICK; break;
    case ACTION_SCROLL_UP: sequence = SEQUENCE_SCROLL_UP; break;
    case ACTION_SCROLL_DOWN: sequence = SEQUENCE_SCROLL_DOWN; break;
    case ACTION_TAP_AND_HOLD: sequence = SEQUENCE_TAP_AND_HOLD; break;
    case ACTION_SCROLL_LEFT: PressKey(VK_LEFT); break;
    case ACTION_SCROLL_RIGHT: PressKey(VK_RIGHT); break;
    case ACTION_SUSPEND: PressKey(VK_OFF); break;
    case ACTION_OPEN_PROGRAM: LaunchProgram(setting.Param, setting.Param2); break;
    case ACTION_OPEN_APPLET: LaunchProgram(L"\\windows\\ctlpnl.exe", setting.Param); break;
    case ACTION_CLOSE_TASK: CloseTask(); break;
    case ACTION_RESET_DEVICE: ResetDevice(); break;
    case ACTION_ROTATE_SCREEN: RotateScreen(); break;
    case ACTION_SHOW_DESKTOP: SetForegroundWindow(GetDesktopWindow()); break;
    case ACTION_SWITCH_TASK: SendToBottom(GetForegroundWindow()); break;
    }
}
