#include "utils/app_globals.h"
#include "pointer/actions.h"
#include "pointer/cursor_state.h"
#include "pointer/motion_rules.h"
#include "settings/settings_store.h"

#define WHEEL_NOTCH 120

// One pointer event at the cursor's place.
static void Emit(DWORD flags, int absX, int absY, LONG data)
{
    mouse_event(flags, (DWORD)absX, (DWORD)absY, (DWORD)data, 0);
}

// A left press and release: the stylus touching and leaving the screen.
static void TapDown(int absX, int absY) { Emit(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, absX, absY, 0); }
static void TapUp(int absX, int absY) { Emit(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, absX, absY, 0); }

void ProcessMouseData(CursorStateRecord *state, WPARAM wParam, LPARAM lParam)
{
    int wheel = (signed char)(wParam & 0xFF);
    int dx = (signed char)((wParam >> 16) & 0xFF);
    int dy = (signed char)((wParam >> 24) & 0xFF);
    int m, d;
    SpeedFactors(SettingTable[SLOT_SPEED].NumVal, &m, &d);

    state->x = MoveAxis(state->x, dx, m, d, state->cxScreen);
    state->y = MoveAxis(state->y, dy, m, d, state->cyScreen);
    int absX = AbsoluteUnits(state->x, state->cxScreen);
    int absY = AbsoluteUnits(state->y, state->cyScreen);

    // The move flag follows the raw report, even when the motion scales or clamps to nothing.
    DWORD buttons = (DWORD)lParam;
    DWORD reportFlags = (dx || dy) ? MOUSEEVENTF_MOVE : 0;
    DWORD actionFlags = 0;
    int sequence = SEQUENCE_NONE;

    // Releases always reach the system, or a button let go stays held. A press drops the report's
    // other bits, and a double click or a hold plays a sequence of its own: then the releases go
    // first, as an event of their own, before the action.
    DWORD released = buttons & (MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTUP | MOUSEEVENTF_MIDDLEUP);
    if (released && (buttons & (MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_MIDDLEDOWN))) {
        Emit(released | MOUSEEVENTF_ABSOLUTE, absX, absY, 0);
        released = 0;
    }

    // One button per report: left, then right, then middle. Without a press, releases and any
    // other bits pass through to the system.
    if (buttons & MOUSEEVENTF_LEFTDOWN)
        RunButtonAction(SLOT_LEFT_BUTTON, actionFlags, sequence);
    else if (buttons & MOUSEEVENTF_RIGHTDOWN)
        RunButtonAction(SLOT_RIGHT_BUTTON, actionFlags, sequence);
    else if (buttons & MOUSEEVENTF_MIDDLEDOWN)
        RunButtonAction(SLOT_MIDDLE_BUTTON, actionFlags, sequence);
    else
        reportFlags |= buttons;

    // The wheel acts after the button, on the same accumulators.
    if (wheel > 0)
        RunButtonAction(SLOT_WHEEL_UP, actionFlags, sequence);
    else if (wheel < 0)
        RunButtonAction(SLOT_WHEEL_DOWN, actionFlags, sequence);

    if (released && (sequence == SEQUENCE_DOUBLE_CLICK || sequence == SEQUENCE_TAP_AND_HOLD))
        Emit(released | MOUSEEVENTF_ABSOLUTE, absX, absY, 0);

    int notches = wheel ? (wheel < 0 ? -wheel : wheel) : 1;
    switch (sequence) {
    case SEQUENCE_DOUBLE_CLICK:
        TapDown(absX, absY);
        Sleep(50);
        TapUp(absX, absY);
        Sleep(100);
        TapDown(absX, absY);
        Sleep(50);
        TapUp(absX, absY);
        break;
    case SEQUENCE_SCROLL_UP:
    case SEQUENCE_SCROLL_DOWN: {
        LONG amount = WHEEL_NOTCH * notches;
        Emit(actionFlags | reportFlags | MOUSEEVENTF_WHEEL | MOUSEEVENTF_ABSOLUTE, absX, absY,
             sequence == SEQUENCE_SCROLL_UP ? amount : -amount);
        break;
    }
    case SEQUENCE_TAP_AND_HOLD:
        TapDown(absX, absY);
        Sleep(1000);
        TapUp(absX, absY);
        break;
    default:
        Emit(actionFlags | reportFlags | MOUSEEVENTF_ABSOLUTE, absX, absY, wheel);
        break;
    }
    // The cursor is drawn at its new place by the thread (CursorThread), once no other message
    // waits behind this report.
}
