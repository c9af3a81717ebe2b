#pragma once
// What each mouse control does: the button and action names, and the actions themselves.
#include "platform/pocketpc.h"

#define BUTTON_NAME_CHARS 30
#define ACTION_NAME_CHARS 20

// Row i names ButtonSlot i + 1; the settings page lists them in this order.
extern const WCHAR ButtonNames[][BUTTON_NAME_CHARS];
extern const LONG ButtonNameCount;

// The row is the ActionCode.
extern const WCHAR ActionNames[][ACTION_NAME_CHARS];
extern const LONG ActionNameCount;

enum ActionCode {
    ACTION_LEFT_CLICK,
    ACTION_MIDDLE_CLICK,
    ACTION_RIGHT_CLICK,
    ACTION_DOUBLE_CLICK,
    ACTION_SCROLL_UP,
    ACTION_SCROLL_DOWN,
    ACTION_SCROLL_LEFT,
    ACTION_SCROLL_RIGHT,
    ACTION_TAP_AND_HOLD,
    ACTION_OPEN_PROGRAM,
    ACTION_OPEN_APPLET,
    ACTION_CLOSE_TASK,
    ACTION_RESET_DEVICE,
    ACTION_SUSPEND,
    ACTION_ROTATE_SCREEN,
    ACTION_SHOW_DESKTOP,
    ACTION_SWITCH_TASK,
};

// The pointer sequence a report plays.
enum SequenceCode {
    SEQUENCE_NONE,
    SEQUENCE_DOUBLE_CLICK,
    SEQUENCE_SCROLL_UP,
    SEQUENCE_SCROLL_DOWN,
    SEQUENCE_TAP_AND_HOLD,
};

#ifndef VK_OFF
#define VK_OFF 0xDF
#endif

// Runs the action of a ButtonSlot (1 to 5): a click or sequence shapes the report's pointer
// input through the two accumulators, any other action runs at once and leaves them alone.
void RunButtonAction(int slot, DWORD &actionFlags, int &sequence);

void CloseTask();
void ResetDevice();
void RotateScreen();

// The first running process with this executable name (letter case ignored), or 0.
DWORD FindProcessId(const WCHAR *exeName);
