#include "handheld/bridge/bridge.h"

#include <poll.h>
#include <signal.h>

namespace {

const int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile sig_atomic_t stopRequested = 0;
sigset_t waitMask; // the mask while waiting: the stop signals let through

void OnStop(int) { stopRequested = 1; }

} // namespace

void CatchStopSignals()
{
    sigset_t stops;
    sigemptyset(&stops);
    struct sigaction action = {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    for (int s : StopSignals) {
        sigaddset(&stops, s);
        sigaction(s, &action, nullptr);
    }
    sigprocmask(SIG_BLOCK, &stops, &waitMask);
    for (int s : StopSignals)
        sigdelset(&waitMask, s);
}

bool StopRequested() { return stopRequested != 0; }

int WaitForEvents(struct pollfd *fds, size_t count, const struct timespec *timeout)
{
    if (stopRequested)
        return -1;
    return ppoll(fds, count, timeout, &waitMask);
}
