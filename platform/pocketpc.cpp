#include "platform/pocketpc.h"
#include "platform/shortcut_file.h"

#undef SystemParametersInfoW
#undef SetForegroundWindow
#undef ShellExecuteExW
#undef RegOpenKeyExW
#undef RegCreateKeyExW
#undef ReleaseDC
#undef GetWindowLongPtrW
#undef SetWindowLongPtrW
#undef StretchBlt

BOOL PpcSystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni)
{
    if (action != SPI_GETOEMINFO)
        return SystemParametersInfoW(action, param, data, winIni);

    // param is the buffer's size in bytes; the name must fit with its terminator.
    if (!data || param < sizeof(WCHAR))
        return FALSE;
    DWORD type = 0, size = param;
    LSTATUS rc = RegGetValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"DeviceName", RRF_RT_REG_SZ,
                              &type, data, &size);
    if (rc != ERROR_SUCCESS) {
        ((WCHAR *)data)[0] = 0;
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK RaiseOwnedWindow(HWND window, LPARAM owner)
{
    if (GetWindow(window, GW_OWNER) == (HWND)owner && IsWindowVisible(window))
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

// The frontmost shown window of *found that takes the activation (a box or a dialog, not a bar).
static BOOL CALLBACK FindActivePopup(HWND window, LPARAM found)
{
    HWND owner = *(HWND *)found;
    if (GetWindow(window, GW_OWNER) != owner || !IsWindowVisible(window) || !IsWindowEnabled(window) ||
        (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_NOACTIVATE))
        return TRUE;
    *(HWND *)found = window;
    return FALSE;
}

BOOL PpcSetForegroundWindow(HWND window)
{
    UINT_PTR value = (UINT_PTR)window;
    HWND real = (HWND)(value & ~(UINT_PTR)1);
    BOOL ok = SetForegroundWindow(real);
    if (value & 1) {
        EnumWindows(RaiseOwnedWindow, (LPARAM)real);
        // A window of another program comes to the front once its own thread gets to it, over
        // the owned windows raised here. A window disabled under its own box or dialog hands the
        // foreground to that box after it, so that the box ends in front, as on the handheld.
        HWND popup = real;
        if (!IsWindowEnabled(real))
            EnumWindows(FindActivePopup, (LPARAM)&popup);
        if (popup != real)
            SetForegroundWindow(popup);
    }
    return ok;
}

// The handheld finds a program named without a folder in its Windows folder first; the desktop
// would look through its own lists of applications (and start its own browser for iexplore.exe).
static bool InWindowsFolder(const WCHAR *file, WCHAR *path, size_t chars)
{
    if (!file || !file[0] || wcspbrk(file, L"\\/:"))
        return false;
    UINT n = GetWindowsDirectoryW(path, (UINT)chars);
    if (n == 0 || n + 1 + wcslen(file) >= chars)
        return false;
    path[n] = L'\\';
    wcscpy(path + n + 1, file);
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

static BOOL ExecuteProgram(SHELLEXECUTEINFOW *info)
{
    WCHAR path[MAX_PATH];
    const WCHAR *asked = info->lpFile;
    if (InWindowsFolder(asked, path, ARRAYSIZE(path)))
        info->lpFile = path;
    BOOL ok = ShellExecuteExW(info);
    info->lpFile = asked;
    return ok;
}

// The handheld's shortcut is a text file naming a program and its arguments; the desktop's shell
// takes a .lnk for its own binary format and finds nothing in it. The shortcut's arguments come
// first, the caller's after them.
static BOOL ExecuteShortcut(SHELLEXECUTEINFOW *info)
{
    WCHAR program[MAX_PATH], arguments[2 * MAX_PATH + 2];
    if (!ReadShortcut(info->lpFile, program, ARRAYSIZE(program), arguments, MAX_PATH))
        return FALSE;
    const WCHAR *given = info->lpParameters;
    if (given && given[0]) {
        if (arguments[0])
            wcscat(arguments, L" ");
        wcsncat(arguments, given, MAX_PATH);
    }
    SHELLEXECUTEINFOW target = *info;
    target.lpFile = program;
    target.lpParameters = arguments;
    BOOL ok = ExecuteProgram(&target);
    info->hInstApp = target.hInstApp;
    info->hProcess = target.hProcess;
    return ok;
}

BOOL PpcShellExecuteExW(SHELLEXECUTEINFOW *info)
{
    info->fMask |= SEE_MASK_FLAG_NO_UI;
    return IsShortcutName(info->lpFile) ? ExecuteShortcut(info) : ExecuteProgram(info);
}

static LPCWSTR DesktopKeyPath(LPCWSTR path)
{
    return path && path[0] == L'\\' ? path + 1 : path;
}

LSTATUS PpcRegOpenKeyExW(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY key)
{
    return RegOpenKeyExW(root, DesktopKeyPath(path), options, access, key);
}

LSTATUS PpcRegCreateKeyExW(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR keyClass, DWORD options,
                           REGSAM access, const LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition)
{
    return RegCreateKeyExW(root, DesktopKeyPath(path), reserved, keyClass, options, access, security, key,
                           disposition);
}

int PpcReleaseDC(HWND window, HDC dc)
{
    if (!window && dc)
        GetPixel(dc, 0, 0);
    return ReleaseDC(window, dc);
}

BOOL PpcTransparentImage(HDC destination, int x, int y, int width, int height, HDC source, int xSource,
                         int ySource, int widthSource, int heightSource, COLORREF transparent)
{
    return TransparentBlt(destination, x, y, width, height, source, xSource, ySource, widthSource,
                          heightSource, transparent);
}

DWORD PpcThreadIdOf(HANDLE thread)
{
    return GetThreadId(thread);
}

LONG_PTR PpcGetWindowLongPtrW(HWND window, int index)
{
    return GetWindowLongPtrW(window, index);
}

LONG_PTR PpcSetWindowLongPtrW(HWND window, int index, LONG_PTR value)
{
    return SetWindowLongPtrW(window, index, value);
}

BOOL PpcStretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                   int widthSource, int heightSource, DWORD rop)
{
    int oldMode = SetStretchBltMode(destination, HALFTONE);
    BOOL done = StretchBlt(destination, x, y, width, height, source, xSource, ySource, widthSource, heightSource, rop);
    SetStretchBltMode(destination, oldMode);
    return done;
}

FARPROC PpcGetProcAddressW(HMODULE library, LPCWSTR name)
{
    char narrow[256];
    if (!WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof(narrow), NULL, NULL))
        return NULL; // no export has a name that long
    return GetProcAddress(library, narrow);
}
