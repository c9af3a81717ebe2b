#pragma once
#include "utils/app_globals.h"

#define MAIN_WINDOW_CLASS L"DALVERN.Quillmark"
#define MAIN_WINDOW_TITLE L"Quillmark"

#define IDM_EXIT 105
#define IDM_HIDE 131
#define IDM_CONNECT 133
#define IDM_HELP 776
#define IDM_ABOUT 777

#define IDR_MAIN_MENU_BAR 130 // "Hide" and "Connect"

#define IDI_APPICON 101

// Longest a second start waits for the first one's window.
#define INSTANCE_WINDOW_WAIT_MS 10000

// Longest the shut-down waits for the cursor thread to finish its current message.
#define CURSOR_THREAD_STOP_WAIT_MS 3000

// 1 when the window exists; -1 another instance runs (and is brought to the front),
// -2 the class could not be registered, -3 the window could not be made, -4 its controls.
int CreateMainWindow(AppObject *app, HINSTANCE instance);

LRESULT CALLBACK Main(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
