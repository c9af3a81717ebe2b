#pragma once
// The driver stand-in's two servers: the device "BHI0:" and the report feed.
#include <windows.h>

// Creates every instance of a pipe and a thread serving each; the first instance claims the
// name, so false when another driver has it.
bool ServePipe(const WCHAR *name, DWORD type, int instances, DWORD bufferSize, LPTHREAD_START_ROUTINE serve);

// Creates the device's pipe instances and serves them; false when another driver has the device.
bool StartControlServer();

// Creates the feed's pipe instances (false when another driver has them) and serves them, and
// listens on the feed's TCP port unless the device key turns it off.
bool StartFeedServers();

// Plays one feed connection to the end: link up, one data message per report, link down.
// read returns the bytes it put into buffer, 0 or less at the end of the stream.
void PlayFeed(int (*read)(void *source, BYTE *buffer, int size), void *source);
