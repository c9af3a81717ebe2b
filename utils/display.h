#pragma once
// Layout values are given for a 96-DPI screen; DRAX and DRAY turn them into device pixels.
#include "platform/pocketpc.h"

// GetDeviceCaps(index) of the whole screen, or -1 when no screen context can be had.
int QueryScreenCaps(int index);
// The screen's width and height in pixels.
void ReadScreenSize(int *width, int *height);
int ScreenDpiX();
int ScreenDpiY();
int DRAX(int v);
int DRAY(int v);
