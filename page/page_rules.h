#pragma once
// The settings page's controls and lists, and which picker results it takes. No Windows header:
// text is UTF-16 in 16-bit units.
#include <stddef.h>
#include <stdint.h>

// Control ids. Both group boxes have 1991.
#define IDC_GROUP_BOX 1991
#define IDC_SHOW_TRAY_ICON 801
#define IDC_HELP_BUTTON 776
#define IDC_ABOUT_BUTTON 777
#define IDC_BUTTON_LIST 817
#define IDC_CURSOR_LIST 818
#define IDC_ACTION_LIST 819
#define IDC_SPEED_LIST 820

// One control of the page, in the order of creation. Positions and sizes are for a 96-DPI screen;
// a drop-down list's height is that of its open list.
struct PageControl {
    const char16_t *className;
    const char16_t *text;
    uint32_t style;
    int x, y, width, height;
    int id;
    bool raised; // brought to the top among its siblings once made: all but the group boxes
};
extern const PageControl PageControls[];
extern const size_t PageControlCount;

// The speed list (position = speed index) and the cursor list (position = cell of the strip).
extern const char16_t *const SpeedNames[];
extern const size_t SpeedNameCount;
extern const char16_t *const CursorNames[];
extern const size_t CursorNameCount;

// Whether a picker's result (a buffer of textChars units) can be kept in a setting's string of
// fieldChars units: it must end inside its buffer and fit the field with its terminator. A result
// that does not fit is refused whole, never cut: a cut path names another program.
bool FitsSettingText(const char16_t *text, size_t textChars, size_t fieldChars);
