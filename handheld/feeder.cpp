// Plays a script of mouse reports into the HID driver stand-in's report feed, as a mouse would:
// connecting is the link coming up, the end of the script the link going down.
//   feeder.exe [-port N] [-wait MS] SCRIPT
// SCRIPT is a file, or "-" for the standard input (format: handheld/feed_script.h). -port plays
// over the feed's TCP port instead of its pipe; -wait is how long to wait for the feed (10000 ms).
// Exit codes: 0 played; 1 bad arguments or script (the line on standard error); 2 no feed to
// connect to; 3 the feed went away while playing.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "handheld/feed.h"
#include "handheld/feed_script.h"

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

struct Feed {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    SOCKET socket = INVALID_SOCKET;
};

bool ReadScript(const wchar_t *path, std::string *text)
{
    HANDLE file = wcscmp(path, L"-") == 0
                      ? GetStdHandle(STD_INPUT_HANDLE)
                      : CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE || file == NULL)
        return false;
    char buffer[65536];
    DWORD got;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got > 0)
        text->append(buffer, got);
    if (wcscmp(path, L"-") != 0)
        CloseHandle(file);
    return true;
}

bool ParseScript(const std::string &text, std::vector<FeedStep> *steps)
{
    size_t start = 0;
    for (int number = 1; start < text.size() || number == 1; number++) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        FeedStep step;
        const char *error = "";
        if (ParseFeedLine(text.data() + start, end - start, &step, &error) == FEED_ERROR) {
            fprintf(stderr, "feeder: line %d: %s\n", number, error);
            return false;
        }
        if (step.kind != FEED_NOTHING)
            steps->push_back(step);
        start = end + 1;
    }
    return true;
}

bool ConnectPipe(Feed *feed, DWORD waitMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        feed->pipe = CreateFileW(FEED_PIPE_NAME, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (feed->pipe != INVALID_HANDLE_VALUE)
            return true;
        DWORD error = GetLastError(), spent = GetTickCount() - start;
        if (spent >= waitMs)
            return false;
        if (error == ERROR_PIPE_BUSY)
            WaitNamedPipeW(FEED_PIPE_NAME, waitMs - spent);
        else
            Sleep(50); // the driver is not up yet
    }
}

bool ConnectPort(Feed *feed, int port, DWORD waitMs)
{
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return false;
    DWORD start = GetTickCount();
    for (;;) {
        feed->socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons((u_short)port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (feed->socket != INVALID_SOCKET && connect(feed->socket, (sockaddr *)&address, sizeof(address)) == 0)
            return true;
        if (feed->socket != INVALID_SOCKET)
            closesocket(feed->socket);
        feed->socket = INVALID_SOCKET;
        if (GetTickCount() - start >= waitMs)
            return false;
        Sleep(50);
    }
}

bool Send(Feed *feed, const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n;
        if (feed->pipe != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            n = WriteFile(feed->pipe, bytes.data() + sent, (DWORD)(bytes.size() - sent), &written, NULL) ? (int)written : -1;
        } else {
            n = send(feed->socket, bytes.data() + sent, (int)(bytes.size() - sent), 0);
        }
        if (n <= 0)
            return false;
        sent += (size_t)n;
    }
    return true;
}

void Close(Feed *feed)
{
    if (feed->pipe != INVALID_HANDLE_VALUE)
        CloseHandle(feed->pipe);
    if (feed->socket != INVALID_SOCKET) {
        shutdown(feed->socket, SD_SEND);
        closesocket(feed->socket);
    }
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    int port = 0;
    DWORD waitMs = 10000;
    const wchar_t *script = nullptr;
    for (int i = 1; i < argc; i++) {
        if (wcscmp(argv[i], L"-port") == 0 && i + 1 < argc)
            port = _wtoi(argv[++i]);
        else if (wcscmp(argv[i], L"-wait") == 0 && i + 1 < argc)
            waitMs = (DWORD)_wtoi(argv[++i]);
        else if (!script)
            script = argv[i];
        else
            script = nullptr, i = argc; // one script only
    }
    if (!script || port < 0 || port > 65535) {
        fprintf(stderr, "usage: feeder [-port N] [-wait MS] SCRIPT|-\n");
        return 1;
    }

    std::string text;
    std::vector<FeedStep> steps;
    if (!ReadScript(script, &text)) {
        fprintf(stderr, "feeder: cannot read the script\n");
        return 1;
    }
    if (!ParseScript(text, &steps))
        return 1;

    Feed feed;
    if (!(port ? ConnectPort(&feed, port, waitMs) : ConnectPipe(&feed, waitMs))) {
        fprintf(stderr, "feeder: no report feed to connect to\n");
        return 2;
    }
    // Reports with no pause between them go out together.
    std::string pending;
    int result = 0;
    for (const FeedStep &step : steps) {
        if (step.kind == FEED_REPORT) {
            pending.append((const char *)step.report, BOOT_REPORT_SIZE);
            if (pending.size() < 4096)
                continue;
        }
        if (!Send(&feed, pending)) {
            result = 3;
            break;
        }
        pending.clear();
        if (step.kind == FEED_PAUSE)
            Sleep(step.pauseMs);
    }
    if (result == 0 && !Send(&feed, pending))
        result = 3;
    if (result == 3)
        fprintf(stderr, "feeder: the feed went away\n");
    Close(&feed);
    return result;
}
