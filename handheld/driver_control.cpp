// The device "BHI0:" of the driver stand-in: a message-mode pipe whose every request message
// gets one reply message (platform/driver_pipe.h).
#include "handheld/driver_servers.h"
#include "handheld/driver_link.h"
#include "platform/driver_contract.h"
#include "platform/driver_pipe.h"

#include <string.h>

#define CONTROL_INSTANCES 4 // callers served at once; a fifth waits for a free one

static DWORD AnswerRequest(const BYTE *message, DWORD size)
{
    DriverRequest request;
    if (size != sizeof(request))
        return ERROR_INVALID_PARAMETER;
    memcpy(&request, message, sizeof(request));
    if (request.code != DRIVER_IOCTL_SET_THREAD)
        return ERROR_NOT_SUPPORTED;
    if (request.size != sizeof(DWORD))
        return ERROR_INVALID_PARAMETER;
    return SetReceiver(request.value);
}

static DWORD WINAPI ServeControl(LPVOID parameter)
{
    HANDLE pipe = parameter;
    for (;;) {
        if (!ConnectNamedPipe(pipe, NULL) && GetLastError() != ERROR_PIPE_CONNECTED) {
            DisconnectNamedPipe(pipe); // a caller that came and went before we looked
            Sleep(1);
            continue;
        }
        for (;;) {
            BYTE message[64];
            DWORD got = 0, reply;
            if (ReadFile(pipe, message, sizeof(message), &got, NULL)) {
                reply = AnswerRequest(message, got);
            } else if (GetLastError() == ERROR_MORE_DATA) {
                // Longer than any request: read the rest away and refuse it.
                while (!ReadFile(pipe, message, sizeof(message), &got, NULL) && GetLastError() == ERROR_MORE_DATA) {
                }
                reply = ERROR_INVALID_PARAMETER;
            } else {
                break; // the caller closed its handle
            }
            DWORD written;
            if (!WriteFile(pipe, &reply, sizeof(reply), &written, NULL))
                break;
        }
        DisconnectNamedPipe(pipe);
    }
    return 0;
}

bool ServePipe(const WCHAR *name, DWORD type, int instances, DWORD bufferSize, LPTHREAD_START_ROUTINE serve)
{
    HANDLE pipes[16];
    if (instances < 1 || instances > (int)ARRAYSIZE(pipes))
        return false;
    for (int i = 0; i < instances; i++) {
        // The first instance claims the name: a second driver started by a race gives way.
        pipes[i] = CreateNamedPipeW(name, PIPE_ACCESS_DUPLEX | (i == 0 ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                                    type | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, instances, bufferSize, bufferSize,
                                    0, NULL);
        if (pipes[i] == INVALID_HANDLE_VALUE)
            return false;
    }
    for (int i = 0; i < instances; i++)
        CloseHandle(CreateThread(NULL, 0, serve, pipes[i], 0, NULL));
    return true;
}

bool StartControlServer()
{
    return ServePipe(DRIVER_PIPE_NAME, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, CONTROL_INSTANCES, 64, ServeControl);
}
