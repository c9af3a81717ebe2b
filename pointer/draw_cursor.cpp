// The software cursor, painted straight onto the screen over a save-under of the pixels beneath.
#include "utils/display.h"
#include "pointer/cursor_state.h"
#include "settings/settings_store.h"

#define CURSOR_CELL_WIDTH 20
#define CURSOR_CELL_HEIGHT 32
#define CURSOR_CELL_COUNT 16
#define CURSOR_TRANSPARENT RGB(255, 0, 255)

// Copies the screen's w x h pixels at (x, y) into the save-under. Only the part on the screen is
// copied: some displays copy nothing at all when the source reaches past the screen's edge.
static void SaveScreenArea(HDC save, HDC screen, int x, int y, int w, int h)
{
    RECT area = {x, y, x + w, y + h}, bounds, visible;
    if (GetClipBox(screen, &bounds) == ERROR || !IntersectRect(&visible, &area, &bounds))
        return;
    BitBlt(save, visible.left - x, visible.top - y, visible.right - visible.left, visible.bottom - visible.top,
           screen, visible.left, visible.top, SRCCOPY);
}

volatile LONG CursorImagesDrawn;

void DrawCursor(CursorStateRecord *state, int show)
{
    if (show == 1 && !state->bDrawOwed && state->xDrawn == state->x && state->yDrawn == state->y)
        return;

    state->hdcScreen = GetDC(NULL);
    // At 96 DPI the 20 x 32 cell is shrunk to 10 x 16; at 192 it is drawn as it is.
    int w = DRAX(CURSOR_CELL_WIDTH) / 2;
    int h = DRAY(CURSOR_CELL_HEIGHT) / 2;

    if (state->hdcSave) {
        // Check points A (top right) and B (bottom left): every image leaves one of them
        // transparent, so it shows whether something repainted the area meanwhile.
        COLORREF a = GetPixel(state->hdcScreen, state->xDrawn + w - 3, state->yDrawn + 3);
        COLORREF b = GetPixel(state->hdcScreen, state->xDrawn + 3, state->yDrawn + h - 3);
        if (a == state->crSampleA || b == state->crSampleB)
            BitBlt(state->hdcScreen, state->xDrawn, state->yDrawn, w, h, state->hdcSave, 0, 0, SRCCOPY);
        SelectObject(state->hdcSave, state->hbmSaveOld);
        DeleteDC(state->hdcSave);
        DeleteObject(state->hbmSave);
        state->hdcSave = NULL;
        state->hbmSave = NULL;
    }

    if (show == 1) {
        state->hbmSave = CreateCompatibleBitmap(state->hdcScreen, w, h);
        if (state->hbmSave) {
            state->hdcSave = CreateCompatibleDC(state->hdcScreen);
            state->hbmSaveOld = SelectObject(state->hdcSave, state->hbmSave);
            SaveScreenArea(state->hdcSave, state->hdcScreen, state->x, state->y, w, h);
            state->crSampleA = GetPixel(state->hdcScreen, state->x + w - 3, state->y + 3);
            state->crSampleB = GetPixel(state->hdcScreen, state->x + 3, state->y + h - 3);
        }

        // A stored index the settings window would never write reads as the first image,
        // never as a rectangle beyond the strip.
        LONG cell = SettingTable[SLOT_CURSOR].NumVal;
        if (cell < 0 || cell >= CURSOR_CELL_COUNT)
            cell = 0;
        state->hdcStrip = CreateCompatibleDC(state->hdcScreen);
        state->hbmStripOld = SelectObject(state->hdcStrip, state->hbmStrip);
        TransparentImage(state->hdcScreen, state->x, state->y, w, h, state->hdcStrip, CURSOR_CELL_WIDTH * cell, 0,
                         CURSOR_CELL_WIDTH, CURSOR_CELL_HEIGHT, CURSOR_TRANSPARENT);
        InterlockedIncrement(&CursorImagesDrawn);
        SelectObject(state->hdcStrip, state->hbmStripOld);
        DeleteDC(state->hdcStrip);
        state->hdcStrip = NULL;
    }

    state->xDrawn = state->x;
    state->yDrawn = state->y;
    state->bDrawOwed = 0;
    ReleaseDC(NULL, state->hdcScreen);
    state->hdcScreen = NULL;
}
