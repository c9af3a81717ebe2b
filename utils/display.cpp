#include "utils/display.h"
#include "utils/dpi_rules.h"

int QueryScreenCaps(int index)
{
    HDC screen = GetDC(NULL);
    if (!screen)
        return -1;
    int value = GetDeviceCaps(screen, index);
    ReleaseDC(NULL, screen);
    return value;
}

void ReadScreenSize(int *width, int *height)
{
    HDC screen = GetDC(NULL);
    *width = GetDeviceCaps(screen, HORZRES);
    *height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(NULL, screen);
}

// Queried once per process and axis, never refreshed.
static int DpiX, DpiY;
static bool DpiXKnown, DpiYKnown;

int ScreenDpiX()
{
    if (!DpiXKnown) {
        DpiXKnown = true;
        DpiX = QueryScreenCaps(LOGPIXELSX);
    }
    return DpiX;
}

int ScreenDpiY()
{
    if (!DpiYKnown) {
        DpiYKnown = true;
        DpiY = QueryScreenCaps(LOGPIXELSY);
    }
    return DpiY;
}

int DRAX(int v) { return ScaleForDpi(v, ScreenDpiX()); }
int DRAY(int v) { return ScaleForDpi(v, ScreenDpiY()); }
