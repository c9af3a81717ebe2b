#include "link/connect.h"

int SAC_Mouse(HWND owner, HANDLE cursorThread, int interactive)
{
    // The connection procedure (radio check, device records, driver start) is not built yet;
    // until it is, the program never claims to be connected.
    return 0;
}
