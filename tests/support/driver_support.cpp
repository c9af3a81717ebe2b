#include "tests/support/driver_support.h"
#include "handheld/feed.h"
#include "platform/driver_contract.h"
#include "platform/driver_pipe.h"
#include "platform/pocketpc.h"
#include "tests/support/wintest.h"

#include <stdio.h>

namespace wt {

static UINT DataMessage() { return RegisterWindowMessageW(DRIVER_MSG_DATA); }
static UINT CursorMessage() { return RegisterWindowMessageW(DRIVER_MSG_CURSOR); }
static const UINT DrainMessage = WM_APP + 1;

std::string Describe(const DriverMessage &m)
{
    char text[64];
    snprintf(text, sizeof(text), "%c(%08X,%X)", m.message, m.wParam, m.lParam);
    return text;
}

std::string Describe(const std::vector<DriverMessage> &messages)
{
    std::string out;
    for (const DriverMessage &m : messages)
        out += Describe(m) + " ";
    return out;
}

Receiver::Receiver()
{
    InitializeCriticalSection(&lock_);
    drained_ = CreateEventW(NULL, FALSE, FALSE, NULL);
    thread_ = CreateThread(NULL, 0, Run, this, 0, &id_);
    // Ready once its queue exists.
    WaitFor([&] { return PostThreadMessageW(id_, WM_NULL, 0, 0) != FALSE; });
}

Receiver::~Receiver()
{
    End();
    CloseHandle(thread_);
    CloseHandle(drained_);
    DeleteCriticalSection(&lock_);
}

void Receiver::End()
{
    if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) {
        PostThreadMessageW(id_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 10000);
    }
}

DWORD WINAPI Receiver::Run(LPVOID parameter)
{
    Receiver *self = (Receiver *)parameter;
    UINT data = DataMessage(), cursor = CursorMessage();
    MSG msg;
    PeekMessageW(&msg, NULL, 0, 0, PM_NOREMOVE);
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        if (msg.message == data || msg.message == cursor) {
            DriverMessage m = {msg.message == data ? 'D' : 'C', (unsigned)msg.wParam, (unsigned)msg.lParam};
            EnterCriticalSection(&self->lock_);
            self->messages_.push_back(m);
            LeaveCriticalSection(&self->lock_);
        } else if (msg.message == DrainMessage) {
            SetEvent(self->drained_);
        }
    }
    return 0;
}

std::vector<DriverMessage> Receiver::Messages() const
{
    EnterCriticalSection(&lock_);
    std::vector<DriverMessage> copy = messages_;
    LeaveCriticalSection(&lock_);
    return copy;
}

size_t Receiver::Count() const
{
    EnterCriticalSection(&lock_);
    size_t n = messages_.size();
    LeaveCriticalSection(&lock_);
    return n;
}

bool Receiver::WaitForCount(size_t count, DWORD timeoutMs) const
{
    return WaitFor([&] { return Count() >= count; }, timeoutMs);
}

bool Receiver::Drain(DWORD timeoutMs) const
{
    ResetEvent(drained_);
    return PostThreadMessageW(id_, DrainMessage, 0, 0) && WaitForSingleObject(drained_, timeoutMs) == WAIT_OBJECT_0;
}

HANDLE StartDriver() { return ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, (LPVOID)DRIVER_CLASS_KEY); }

DWORD DriverProcessId()
{
    HANDLE device = CreateFileW(DRIVER_DEVICE_NAME, 0, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE)
        return 0;
    ULONG pid = 0;
    GetNamedPipeServerProcessId(device, &pid);
    CloseHandle(device);
    return pid;
}

void StopDriver()
{
    DWORD pid = DriverProcessId();
    if (!pid)
        return;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
    WaitFor([] { return DriverProcessId() == 0; });
}

BOOL NameReceiver(HANDLE thread, DWORD *error)
{
    HANDLE device = CreateFileW(DRIVER_DEVICE_NAME, 0, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE) {
        if (error)
            *error = GetLastError();
        return FALSE;
    }
    BOOL ok = DeviceIoControl(device, DRIVER_IOCTL_SET_THREAD, (LPVOID)thread, 4, NULL, 0, NULL, NULL);
    if (error)
        *error = ok ? 0 : GetLastError();
    CloseHandle(device);
    return ok;
}

HANDLE OpenFeed(DWORD timeoutMs)
{
    HANDLE feed = INVALID_HANDLE_VALUE;
    WaitFor([&] {
        feed = CreateFileW(FEED_PIPE_NAME, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        return feed != INVALID_HANDLE_VALUE;
    }, timeoutMs);
    return feed;
}

bool WriteAll(HANDLE feed, const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(feed, bytes.data() + sent, (DWORD)(bytes.size() - sent), &written, NULL))
            return false;
        sent += written;
    }
    return true;
}

std::string Report(int buttons, int dx, int dy, int wheel)
{
    return std::string{(char)(unsigned char)buttons, (char)(signed char)dx, (char)(signed char)dy,
                       (char)(signed char)wheel};
}

} // namespace wt
