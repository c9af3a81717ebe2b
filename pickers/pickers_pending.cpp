// Until the pickers are built, each returns at once with nothing chosen, as a cancel.
#include "pickers/pickers.h"

void ShowFileBrowser(HINSTANCE instance, HWND owner, const WCHAR *title, const WCHAR *filter,
                     WCHAR path[PICKER_TEXT_CHARS], WCHAR arguments[PICKER_TEXT_CHARS], const WCHAR *imageStrip)
{
    path[0] = 0;
    arguments[0] = 0;
}

void ShowAppletBrowser(HINSTANCE instance, HWND owner, const WCHAR *title, const WCHAR *filter,
                       WCHAR reference[PICKER_TEXT_CHARS], WCHAR text[PICKER_TEXT_CHARS], const WCHAR *imageStrip)
{
    reference[0] = 0;
    text[0] = 0;
}
