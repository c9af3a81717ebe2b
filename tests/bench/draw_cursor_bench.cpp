// Prints what one cursor move costs on the handheld's screen, beside the same GDI calls made bare.
// Run: scripts/bench.sh (qvga and vga).
#include "utils/display.h"
#include "tests/bench/figure.h"
#include "pointer/cursor_state.h"
#include "settings/settings_store.h"
#include "tests/support/program_strip.h"

#include <stdio.h>

// The calls of one move, without the program's bookkeeping.
static void BareMove(HBITMAP strip, int x, int y, int w, int h, HBITMAP *held, HDC *heldDc, HGDIOBJ *heldOld)
{
    HDC screen = GetDC(NULL);
    if (*heldDc) {
        GetPixel(screen, x + w - 3, y + 3);
        GetPixel(screen, x + 3, y + h - 3);
        BitBlt(screen, x, y, w, h, *heldDc, 0, 0, SRCCOPY);
        SelectObject(*heldDc, *heldOld);
        DeleteDC(*heldDc);
        DeleteObject(*held);
    }
    *held = CreateCompatibleBitmap(screen, w, h);
    *heldDc = CreateCompatibleDC(screen);
    *heldOld = SelectObject(*heldDc, *held);
    BitBlt(*heldDc, 0, 0, w, h, screen, x, y, SRCCOPY);
    GetPixel(screen, x + w - 3, y + 3);
    GetPixel(screen, x + 3, y + h - 3);
    HDC source = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(source, strip);
    TransparentBlt(screen, x, y, w, h, source, 0, 0, 20, 32, RGB(255, 0, 255));
    SelectObject(source, old);
    DeleteDC(source);
    ReleaseDC(NULL, screen);
}

int main()
{
    CursorState.hbmStrip = LoadInstalledCursorStrip();
    if (!CursorState.hbmStrip) {
        printf("no cursor strip\n");
        return 1;
    }
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    int w = DRAX(20) / 2, h = DRAY(32) / 2;
    const int moves = 20000;

    double start = Seconds();
    for (int i = 0; i < moves; i++) {
        CursorState.x = (i * 7) % (cx - w);
        CursorState.y = (i * 13) % (cy - h);
        DrawCursor(&CursorState, 1);
    }
    DrawCursor(&CursorState, 0);
    double drawn = (Seconds() - start) / moves;

    HBITMAP held = NULL;
    HDC heldDc = NULL;
    HGDIOBJ heldOld = NULL;
    start = Seconds();
    for (int i = 0; i < moves; i++)
        BareMove(CursorState.hbmStrip, (i * 7) % (cx - w), (i * 13) % (cy - h), w, h, &held, &heldDc, &heldOld);
    double bare = (Seconds() - start) / moves;
    SelectObject(heldDc, heldOld);
    DeleteDC(heldDc);
    DeleteObject(held);

    printf("screen %dx%d, cursor %dx%d, %d moves\n", cx, cy, w, h, moves);
    printf("DrawCursor move: %8.1f us\n", drawn * 1e6);
    printf("bare GDI calls:  %8.1f us\n", bare * 1e6);
    printf("ratio:           %8.2f\n", drawn / bare);
    FigureWithFloor("cursor.move", drawn * 1e6, bare * 1e6, 1, "us",
                    "a cursor move (DrawCursor); floor: the same GDI calls, bare");
    Figure("cursor.ratio", drawn / bare, 2, "x", "  move / bare");
    return 0;
}
