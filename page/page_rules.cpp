#include "page/page_rules.h"

// WS_CHILD | WS_VISIBLE with the control's own style.
#define GROUP_BOX 0x50000007u     // BS_GROUPBOX
#define CHECK_BOX 0x50000003u     // BS_AUTOCHECKBOX
#define PUSH_BUTTON 0x50000000u   // BS_PUSHBUTTON
#define LABEL 0x5000000Cu         // SS_LEFTNOWORDWRAP
#define DROP_DOWN_LIST 0x50200003u // WS_VSCROLL | CBS_DROPDOWNLIST

const PageControl PageControls[] = {
    {u"button", u"Options", GROUP_BOX, 5, 5, 230, 65, IDC_GROUP_BOX, false},
    {u"button", u"Show Tray icon", CHECK_BOX, 10, 25, 200, 20, IDC_SHOW_TRAY_ICON, true},
    {u"button", u"Help", PUSH_BUTTON, 159, 22, 72, 20, IDC_HELP_BUTTON, true},
    {u"button", u"About", PUSH_BUTTON, 159, 45, 72, 20, IDC_ABOUT_BUTTON, true},
    {u"button", u"Mouse Actions", GROUP_BOX, 5, 75, 230, 105, IDC_GROUP_BOX, false},
    {u"static", u"Select Mouse Button", LABEL, 8, 100, 147, 20, 805, true},
    {u"static", u"Cursor", LABEL, 158, 100, 72, 20, 806, true},
    {u"combobox", u"", DROP_DOWN_LIST, 9, 115, 147, 100, IDC_BUTTON_LIST, true},
    {u"combobox", u"", DROP_DOWN_LIST, 159, 115, 72, 100, IDC_CURSOR_LIST, true},
    {u"static", u"Select Action", LABEL, 8, 140, 147, 20, 807, true},
    {u"static", u"Speed:", LABEL, 158, 140, 72, 20, 808, true},
    {u"combobox", u"", DROP_DOWN_LIST, 9, 155, 147, 100, IDC_ACTION_LIST, true},
    {u"combobox", u"", DROP_DOWN_LIST, 159, 155, 72, 100, IDC_SPEED_LIST, true},
};
const size_t PageControlCount = sizeof(PageControls) / sizeof(PageControls[0]);

const char16_t *const SpeedNames[] = {
    u"0.1X", u"0.2X", u"0.5X", u"1X", u"2X", u"3X", u"4X", u"5X", u"6X", u"7X", u"8X",
};
const size_t SpeedNameCount = sizeof(SpeedNames) / sizeof(SpeedNames[0]);

const char16_t *const CursorNames[] = {
    u"Blue",  u"Black",   u"Red",   u"Small",     u"Big",    u"Modern", u"Hand", u"Arrow",
    u"Silver", u"Green", u"Small 2", u"Signs", u"Lightning", u"Smilie", u"Body", u"Classic",
};
const size_t CursorNameCount = sizeof(CursorNames) / sizeof(CursorNames[0]);

bool FitsSettingText(const char16_t *text, size_t textChars, size_t fieldChars)
{
    for (size_t n = 0; n < textChars; n++)
        if (text[n] == 0)
            return n < fieldChars;
    return false; // no terminator inside its buffer
}
