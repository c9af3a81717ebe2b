#include "pointer/cursor_thread.h"
#include "utils/app_globals.h"
#include "utils/log.h"
#include "platform/driver_contract.h"
#include "pointer/cursor_state.h"

DWORD WINAPI CursorThread(LPVOID parameter)
{
    LogPrintf(L"CursorThread thread running. Notify driver.");

    MSG msg;
    BOOL taken = FALSE; // msg already holds the next message, taken after a report
    while (!bStopCursorThread) {
        if (!taken && !GetMessageW(&msg, NULL, 0, 0))
            break;
        if (taken && msg.message == WM_QUIT)
            break;
        taken = FALSE;

        // Only a comparison unless the position changed since the last draw. A report draws
        // for itself, after its events: the place it supersedes is not drawn first.
        if (CursorState.bShowCursor && msg.message != WM_MOUSEDATA)
            DrawCursor(&CursorState, 1);

        if (msg.message == WM_MOUSEDATA && CursorState.bShowCursor) {
            LogPrintf(L"WM_MOUSEDATA");
            ProcessMouseData(&CursorState, msg.wParam, msg.lParam);
            // A message already waiting is taken at once, and a later report moves the cursor
            // on before it is drawn: drawing this place would only slow the queue down (a hold
            // leaves over a hundred behind it). Taking it here, not at the loop's top, asks the
            // queue once a report, not twice. The last report draws, even where the cursor was
            // drawn last when this place was elsewhere, as one by one it would.
            taken = PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);
            if (!taken)
                DrawCursor(&CursorState, 1);
            else if (CursorState.x != CursorState.xDrawn || CursorState.y != CursorState.yDrawn)
                CursorState.bDrawOwed = 1;
        } else if (msg.message == WM_MOUSECUR) {
            BYTE old = CursorState.bShowCursor;
            int show = msg.wParam == DRIVER_CURSOR_SHOW;
            if (msg.wParam == DRIVER_CURSOR_HIDE && old)
                DrawCursor(&CursorState, 0);
            else if (show && !old)
                DrawCursor(&CursorState, 1);
            LogPrintf(L"WM_MOUSECUR: bShowCursor=%d/%d", old, show);
            CursorState.bShowCursor = (BYTE)show;
        } else {
            // A report while hidden ends here: the thread has no window, so it is dropped.
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Ending while shown: put the save-under back, so that no image of the cursor outlives us.
    if (CursorState.bShowCursor)
        DrawCursor(&CursorState, 0);
    return 0;
}
