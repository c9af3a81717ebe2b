// The handheld's system font: Tahoma at 8 points, which every device context starts with and every
// control draws in until it is given another. The desktop's starts with a larger bold "System"
// font, in which the handheld's layouts run over their places.
#include "platform/pocketpc.h"

#undef BeginPaint
#undef GetDC
#undef GetStockObject

// Made once for the process's life, at the screen's DPI: 11 pixels of letter height at 96 DPI
// (a 13-pixel line), twice that at 192.
HFONT PpcSystemFont()
{
    static HFONT font;
    if (!font) {
        HDC screen = GetDC(NULL);
        int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen)
            ReleaseDC(NULL, screen);
        LOGFONTW lf = {0};
        lf.lfHeight = -MulDiv(PPC_SYSTEM_FONT_HEIGHT_96DPI, dpi, 96);
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpyW(lf.lfFaceName, L"Tahoma");
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

HDC PpcBeginPaint(HWND window, PAINTSTRUCT *paint)
{
    HDC dc = BeginPaint(window, paint);
    if (dc)
        SelectObject(dc, PpcSystemFont());
    return dc;
}

HDC PpcGetDC(HWND window)
{
    HDC dc = GetDC(window);
    if (dc)
        SelectObject(dc, PpcSystemFont());
    return dc;
}

HGDIOBJ PpcGetStockObject(int object)
{
    return object == SYSTEM_FONT ? (HGDIOBJ)PpcSystemFont() : GetStockObject(object);
}
