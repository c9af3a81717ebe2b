#include "handheld/bridge/bridge.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

int ConnectFeed(int port, int waitMs)
{
    struct timespec start, now;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) {
            fprintf(stderr, "mouse_bridge: no socket: %s\n", strerror(errno));
            return -1;
        }
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons((uint16_t)port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(s, (sockaddr *)&address, sizeof(address)) == 0)
            return s;
        int error = errno;
        close(s);
        clock_gettime(CLOCK_MONOTONIC, &now);
        long spent = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (spent >= waitMs || StopRequested()) {
            fprintf(stderr,
                    "mouse_bridge: the handheld's report feed at 127.0.0.1:%d refused the connection (%s):\n"
                    "  start the handheld first (scripts/run.sh), or name its port with --port\n",
                    port, strerror(error));
            return -1;
        }
        struct timespec pause = {0, 50 * 1000000}; // the driver is not up yet
        WaitForEvents(nullptr, 0, &pause);
    }
}

static bool SendAll(int feed, const uint8_t *bytes, size_t size)
{
    while (size > 0) {
        ssize_t n = send(feed, bytes, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fprintf(stderr, "mouse_bridge: the handheld's report feed closed the connection (%s)\n",
                    n < 0 ? strerror(errno) : "nothing sent");
            return false;
        }
        bytes += n;
        size -= (size_t)n;
    }
    return true;
}

bool SendGroupReports(int feed, ReportGrouping *g)
{
    // In one write, as a device's report arrives whole.
    uint8_t buffer[GROUP_MOST_REPORTS * BOOT_REPORT_SIZE];
    size_t used = 0;
    while (NextGroupReport(g, buffer + used)) {
        used += BOOT_REPORT_SIZE;
        if (used == sizeof(buffer)) {
            if (!SendAll(feed, buffer, used))
                return false;
            used = 0;
        }
    }
    return SendAll(feed, buffer, used);
}

bool SendRelease(int feed, ReportGrouping *g)
{
    uint8_t report[BOOT_REPORT_SIZE];
    return !ReleaseReport(g, report) || SendAll(feed, report, sizeof(report));
}

bool FeedClosed(int feed)
{
    char byte;
    ssize_t n = recv(feed, &byte, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}
