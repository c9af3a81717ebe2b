#pragma once
#include "platform/pocketpc.h"

// The pointer engine's thread: receives the driver's two messages in its own queue.
DWORD WINAPI CursorThread(LPVOID parameter);
