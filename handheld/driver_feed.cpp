// The driver stand-in's report feed: a byte-mode pipe and a loopback TCP port (handheld/feed.h).
// Each connection is a mouse of its own with its own buttons; they share the one link.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "handheld/boot_report.h"
#include "handheld/driver_link.h"
#include "handheld/driver_servers.h"
#include "handheld/feed.h"
#include "platform/driver_contract.h"

void PlayFeed(int (*read)(void *source, BYTE *buffer, int size), void *source)
{
    LinkConnect();
    uint8_t report[BOOT_REPORT_SIZE];
    int have = 0;
    uint8_t buttons = 0; // a new mouse holds no button
    BYTE buffer[4096];
    int got;
    while ((got = read(source, buffer, sizeof(buffer))) > 0) {
        // Reports may arrive split or joined in any way: a report is every 4 bytes of the stream.
        for (int i = 0; i < got; i++) {
            report[have++] = buffer[i];
            if (have == BOOT_REPORT_SIZE) {
                MouseMessage m = TranslateBootReport(report, &buttons);
                PostMouseData((WPARAM)m.wParam, (LPARAM)m.lParam);
                have = 0;
            }
        }
    }
    // Bytes of an unfinished report at the end are no report.
    LinkDisconnect();
}

static int ReadPipe(void *source, BYTE *buffer, int size)
{
    DWORD got = 0;
    if (!ReadFile((HANDLE)source, buffer, (DWORD)size, &got, NULL))
        return 0;
    return (int)got;
}

static int ReadSocket(void *source, BYTE *buffer, int size)
{
    return recv((SOCKET)(UINT_PTR)source, (char *)buffer, size, 0);
}

static DWORD WINAPI ServeFeedPipe(LPVOID parameter)
{
    HANDLE pipe = parameter;
    // A test's way to hold the moment between the pipe being made and listened on.
    DWORD delay = 0, size = sizeof(delay);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, FEED_LISTEN_DELAY_VALUE, RRF_RT_REG_DWORD, NULL, &delay,
                     &size) == ERROR_SUCCESS)
        Sleep(delay < 10000 ? delay : 10000);
    for (;;) {
        // A feeder that connected, wrote and left before we listened (ERROR_NO_DATA) is a mouse
        // too: its reports are still in the pipe.
        if (ConnectNamedPipe(pipe, NULL) || GetLastError() == ERROR_PIPE_CONNECTED || GetLastError() == ERROR_NO_DATA)
            PlayFeed(ReadPipe, pipe);
        else
            Sleep(1);
        DisconnectNamedPipe(pipe);
    }
    return 0;
}

static DWORD WINAPI ServeFeedSocket(LPVOID parameter)
{
    SOCKET s = (SOCKET)(UINT_PTR)parameter;
    PlayFeed(ReadSocket, (void *)(UINT_PTR)s);
    closesocket(s);
    return 0;
}

static DWORD FeedPort()
{
    DWORD port = FEED_TCP_PORT, size = sizeof(port);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, FEED_PORT_VALUE, RRF_RT_REG_DWORD, NULL, &port,
                     &size) != ERROR_SUCCESS)
        port = FEED_TCP_PORT;
    return port <= 65535 ? port : 0;
}

static DWORD WINAPI ListenFeedPort(LPVOID parameter)
{
    DWORD port = FeedPort();
    WSADATA wsa;
    if (port == 0 || WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return 0;
    for (;;) {
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons((u_short)port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (listener != INVALID_SOCKET && bind(listener, (sockaddr *)&address, sizeof(address)) == 0 &&
            listen(listener, SOMAXCONN) == 0) {
            SOCKET s;
            while ((s = accept(listener, NULL, NULL)) != INVALID_SOCKET)
                CloseHandle(CreateThread(NULL, 0, ServeFeedSocket, (LPVOID)(UINT_PTR)s, 0, NULL));
        }
        if (listener != INVALID_SOCKET)
            closesocket(listener);
        // The port is another handheld's for now: the pipe feed works meanwhile; try again later.
        Sleep(1000);
    }
    return 0;
}

bool StartFeedServers()
{
    if (!ServePipe(FEED_PIPE_NAME, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE, FEED_PIPE_INSTANCES, 4096, ServeFeedPipe))
        return false;
    CloseHandle(CreateThread(NULL, 0, ListenFeedPort, NULL, 0, NULL));
    return true;
}
