#pragma once
#include "platform/pocketpc.h"

// Links the program to the paired mouse; 1 when connected, 0 or a small negative code when not.
int SAC_Mouse(HWND owner, HANDLE cursorThread, int interactive);
