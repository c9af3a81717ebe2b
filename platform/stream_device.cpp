// The device manager and the HID driver's stream device "BHI0:" on the desktop. The driver
// stand-in is a process of its own serving the device as a named pipe (platform/driver_pipe.h);
// these stand-ins start it, open it and carry control calls to it.
#include "platform/pocketpc.h"
#include "platform/driver_contract.h"
#include "platform/driver_pipe.h"

#undef CreateFileW
#undef DeviceIoControl

DWORD(WINAPI *PpcDeviceManagerClock)(void) = GetTickCount;

// The driver program that a device key's "Dll" names. A bare name lives in the Windows folder,
// where the handheld keeps its drivers; a path starting with one backslash is on the current drive.
static bool DriverProgram(LPCWSTR deviceKey, WCHAR program[MAX_PATH])
{
    WCHAR dll[MAX_PATH];
    DWORD size = sizeof(dll);
    if (!deviceKey || RegGetValueW(HKEY_LOCAL_MACHINE, deviceKey, L"Dll", RRF_RT_REG_SZ, NULL, dll, &size) !=
                          ERROR_SUCCESS || !dll[0])
        return false;
    if (!wcschr(dll, L'\\') && !wcschr(dll, L'/')) {
        UINT n = GetWindowsDirectoryW(program, MAX_PATH);
        if (n == 0 || n + 1 + wcslen(dll) >= MAX_PATH)
            return false;
        program[n] = 0;
        wcscat(program, L"\\");
        wcscat(program, dll);
    } else {
        wcscpy(program, dll);
    }
    DWORD attributes = GetFileAttributesW(program);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A control connection to the driver, or INVALID_HANDLE_VALUE when no driver serves the device.
static HANDLE OpenDriverPipe()
{
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE pipe = CreateFileW(DRIVER_PIPE_NAME, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            SetNamedPipeHandleState(pipe, &mode, NULL, NULL);
            return pipe;
        }
        // Every instance serving another caller: wait a bounded time for one to come free.
        DWORD error = GetLastError();
        DWORD spent = GetTickCount() - start;
        if (error != ERROR_PIPE_BUSY || spent >= DRIVER_BUSY_WAIT_MS)
            return INVALID_HANDLE_VALUE;
        WaitNamedPipeW(DRIVER_PIPE_NAME, DRIVER_BUSY_WAIT_MS - spent);
    }
}

static bool IsDriverHandle(HANDLE device)
{
    if (device == NULL || device == INVALID_HANDLE_VALUE || GetFileType(device) != FILE_TYPE_PIPE)
        return false;
    union {
        FILE_NAME_INFO info;
        BYTE bytes[sizeof(FILE_NAME_INFO) + 64 * sizeof(WCHAR)];
    } name;
    if (!GetFileInformationByHandleEx(device, FileNameInfo, &name, sizeof(name)))
        return false;
    const WCHAR *want = DRIVER_PIPE_FILE_NAME;
    size_t chars = name.info.FileNameLength / sizeof(WCHAR);
    return chars == wcslen(want) && _wcsnicmp(name.info.FileName, want, chars) == 0;
}

HANDLE PpcActivateDeviceEx(LPCWSTR deviceKey, LPCVOID regEntries, DWORD count, LPVOID startParam)
{
    // The driver stand-in takes no registry entries and no start parameter.
    WCHAR program[MAX_PATH];
    if (!DriverProgram(deviceKey, program)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return NULL;
    }

    HANDLE pipe = OpenDriverPipe();
    if (pipe == INVALID_HANDLE_VALUE) {
        WCHAR line[MAX_PATH + 2];
        wsprintfW(line, L"\"%s\"", program);
        STARTUPINFOW si = {sizeof(si)};
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(program, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
            return NULL;
        CloseHandle(pi.hThread);
        // Up once its device opens. A copy that lost a race to start ends at once, giving way to
        // the other, whose device may still be a moment away: a program that ended is no driver
        // only when no device comes within a short grace.
        DWORD start = PpcDeviceManagerClock(), endedAt = 0;
        bool ended = false;
        for (;;) {
            if ((pipe = OpenDriverPipe()) != INVALID_HANDLE_VALUE ||
                PpcDeviceManagerClock() - start >= DRIVER_START_WAIT_MS)
                break;
            if (!ended && WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
                ended = true;
                endedAt = PpcDeviceManagerClock();
            }
            if (ended && PpcDeviceManagerClock() - endedAt >= DRIVER_ENDED_GRACE_MS)
                break;
            PpcSystemSeams.Pause(20); // the system's own pause: a test's recorder sees only the program's
        }
        CloseHandle(pi.hProcess);
        if (pipe == INVALID_HANDLE_VALUE) {
            SetLastError(ERROR_SERVICE_NOT_ACTIVE);
            return NULL;
        }
    }

    // The device handle is the driver's process: a caller may wait on it, or end the driver with it.
    ULONG pid = 0;
    BOOL known = GetNamedPipeServerProcessId(pipe, &pid);
    CloseHandle(pipe);
    if (!known)
        return NULL;
    return OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
}

HANDLE PpcCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD creation,
                      DWORD flags, HANDLE templateFile)
{
    if (name && _wcsicmp(name, DRIVER_DEVICE_NAME) == 0) {
        HANDLE pipe = OpenDriverPipe();
        if (pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
            SetLastError(ERROR_DEV_NOT_EXIST); // no driver serves the device
        return pipe;
    }
    return CreateFileW(name, access, share, security, creation, flags, templateFile);
}

BOOL PpcDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                        LPDWORD returned, LPOVERLAPPED overlapped)
{
    if (!IsDriverHandle(device))
        return DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);

    // The caller hands over its thread handle in place of the input pointer; the driver, in
    // another process, can only use the thread's id. A value that is no thread handle gives id 0.
    DriverRequest request = {code, inSize, 0};
    if (code == DRIVER_IOCTL_SET_THREAD)
        request.value = GetThreadId((HANDLE)in);

    DriverReply reply = ERROR_GEN_FAILURE;
    DWORD done = 0;
    if (!WriteFile(device, &request, sizeof(request), &done, NULL) || done != sizeof(request))
        return FALSE;
    BOOL read = ReadFile(device, &reply, sizeof(reply), &done, NULL);
    if (!read || done != sizeof(reply)) {
        if (read || GetLastError() == ERROR_MORE_DATA)
            SetLastError(ERROR_GEN_FAILURE); // not a reply of this device
        return FALSE;
    }
    if (returned)
        *returned = 0;
    if (reply != 0) {
        SetLastError(reply);
        return FALSE;
    }
    return TRUE;
}
