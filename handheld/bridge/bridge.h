#pragma once
// The bridge's pieces: the feed's connection, Ctrl-C, a live mouse and a recording's replay.
#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "handheld/bridge/report_grouping.h"

// Exit codes.
enum {
    BRIDGE_DONE = 0,      // the recording played, or Ctrl-C ended the bridge
    BRIDGE_BAD_INPUT = 1, // bad arguments, or a recording that cannot be read or is no mouse's
    BRIDGE_NO_MOUSE = 2,  // no device, no permission, not a mouse, taken, or gone
    BRIDGE_NO_FEED = 3,   // the feed's port refused the connection, or closed it
};

#define BRIDGE_DEFAULT_PORT 46096 // the driver stand-in's feed (handheld/feed.h)

struct BridgeOptions {
    int port = BRIDGE_DEFAULT_PORT;
    int waitMs = 0;           // how long to wait for the feed to take the connection
    bool fast = false;        // replay without the recording's pauses
    const char *device = nullptr;
    const char *recording = nullptr;
};

// feed_connection.cpp: the driver's report feed on 127.0.0.1. -1 with a message on standard
// error when nothing takes the connection within waitMs.
int ConnectFeed(int port, int waitMs);
// Sends the reports the grouping has ready, or the release of the buttons still held; false
// (with a message) when the feed is gone.
bool SendGroupReports(int feed, ReportGrouping *g);
bool SendRelease(int feed, ReportGrouping *g);
// The driver closed the connection (it never sends anything).
bool FeedClosed(int feed);

// stop_signals.cpp: Ctrl-C (SIGINT), SIGTERM and SIGHUP end the bridge in an orderly way.
// Blocked but while waiting, so that they are seen exactly at the waits.
void CatchStopSignals();
bool StopRequested();
// ppoll that a stop signal interrupts; timeout null waits without end.
int WaitForEvents(struct pollfd *fds, size_t count, const struct timespec *timeout);

int BridgeLiveMouse(const BridgeOptions &options);
int ReplayRecording(const BridgeOptions &options);
