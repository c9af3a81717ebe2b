#pragma once
// The report feed of the HID driver stand-in: how a test, the demo or a mouse outside Wine sends
// boot reports (handheld/boot_report.h) to it. Each connection is a mouse; see README.md.

// A byte-mode named pipe for feeders inside the handheld.
#define FEED_PIPE_NAME L"\\\\.\\pipe\\BHI0.feed"
#define FEED_PIPE_INSTANCES 4 // feeds connected at once on the pipe; more wait for a free one
// For tests: REG_DWORD milliseconds (at most 10,000) that the driver waits, once started, before
// it listens on the pipe; a feeder may come and go in that time and must still be heard.
#define FEED_LISTEN_DELAY_VALUE L"FeedListenDelay"

// The same stream on a loopback TCP port, for feeders outside Wine. The driver's device key may
// hold REG_DWORD "FeedPort" to move it; 0 there turns it off.
#define FEED_TCP_PORT 46096 // 0xB410
#define FEED_PORT_VALUE L"FeedPort"
