#pragma once
// The one record of the software cursor.
#include "platform/pocketpc.h"

struct CursorStateRecord {
    BYTE bShowCursor;       // written by the cursor thread only; read as the link state
    HDC hdcSave;            // save-under; null when none is held
    HDC hdcScreen;          // valid during one draw
    HDC hdcStrip;           // valid during one draw
    HBITMAP hbmSave;
    HGDIOBJ hbmSaveOld;
    HGDIOBJ hbmStripOld;
    HBITMAP hbmStrip;       // the sixteen cursor images, bitmap 141
    int xDrawn, yDrawn;     // where the cursor was last drawn or erased
    int x, y;               // current position in screen pixels
    int cxScreen, cyScreen; // written by the main thread
    COLORREF crSampleA, crSampleB;
    // A draw skipped because a later report was already queued had the cursor elsewhere: drawn
    // one by one it would have left (xDrawn, yDrawn), so the next draw is made even there.
    BYTE bDrawOwed;
};

extern CursorStateRecord CursorState;

// show 1 draws the cursor at its current position, 0 erases it.
void DrawCursor(CursorStateRecord *state, int show);
// How many times the image has been put on the screen; read by the tests and benchmarks, which
// cannot see a place drawn and erased again between two looks.
extern volatile LONG CursorImagesDrawn;

// One mouse report from the driver: motion word and button transitions, as pointer events. The
// cursor thread draws the cursor at its new place afterwards.
void ProcessMouseData(CursorStateRecord *state, WPARAM wParam, LPARAM lParam);
