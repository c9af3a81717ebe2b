#pragma once
// The settings page: the controls in the main window's client area, the lists' handling, and
// UserGUISettingsChange, through which every change is applied and saved at once.
#include "utils/app_globals.h"
#include "page/page_rules.h"

// The button list's entry being edited; its ButtonSlot is SelectedButton + 1.
extern int SelectedButton;

// Creates the controls in app's main window, fills the lists, loads the settings into them and
// adds the tray icon when the setting says so. Always 1.
int CreateSettingsControls(AppObject *app);

// WM_COMMAND from the page's check box (any notification) and its four lists (CBN_SELENDOK only);
// other commands are not the page's and are ignored.
void SettingsCommand(HWND window, int id, int notification);

// Applies a change of one setting slot: the tray icon, the picker of "Open Program" or "Open
// Applet", the in-memory setting and the registry.
void UserGUISettingsChange(int slot, LONG value);

// The box that refuses a picker's result too long for a setting's string (254 characters).
#define TOO_LONG_TITLE L"Path too long"
#define TOO_LONG_TEXT L"This path is too long to keep: a setting holds at most 254 characters. The setting stays as it was."
