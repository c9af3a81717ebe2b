#pragma once
// The driver stand-in's link to the program: the thread that receives its two messages, the mouse
// link's state, and the posting of the messages in order.
#include <windows.h>

// Posts a thread message: the system's PostThreadMessageW unless a test has put another here.
extern BOOL(WINAPI *PostToThread)(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the two messages and makes the locks; once, before anything else here.
void LinkInit();

// Control code 15: from now on the messages go to this thread. 0, or a Win32 error code when no
// running thread has that id (the receiver named before stays).
DWORD SetReceiver(DWORD threadId);
DWORD ReceiverThreadId(); // 0 until a thread was named

// A feed connected or went away: the link is up while at least one feed is connected.
void LinkConnect();
void LinkDisconnect();

// One report's data message, after every message posted before it.
void PostMouseData(WPARAM wParam, LPARAM lParam);
