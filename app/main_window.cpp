#include "app/main_window.h"
#include "utils/app_paths.h"
#include "utils/display.h"
#include "utils/launch.h"
#include "utils/log.h"
#include "utils/tray_icon.h"
#include "link/connect.h"
#include "pointer/cursor_state.h"
#include "page/about_box.h"
#include "page/settings_window.h"

static AppObject *App; // the application object, for the window procedure
static SHACTIVATEINFO ActivateInfo;

// Shows the running instance's window and brings it to the front, waiting up to waitMs for it to
// be made; false when there is none.
static bool ShowRunningInstance(const WCHAR *className, const WCHAR *title, DWORD waitMs)
{
    HWND running;
    DWORD start = GetTickCount();
    while (!(running = FindWindowW(className, title))) {
        if (GetTickCount() - start >= waitMs)
            return false;
        Sleep(20);
    }
    ShowWindow(running, SW_SHOW);
    SetForegroundWindow((HWND)((UINT_PTR)running | 1)); // with its owned windows
    return true;
}

int CreateMainWindow(AppObject *app, HINSTANCE instance)
{
    app->hInstance = instance;
    LogPrintf(L"hInstance=%x", (unsigned)(UINT_PTR)instance);

    WCHAR className[256] = MAIN_WINDOW_CLASS;
    WCHAR title[256] = MAIN_WINDOW_TITLE;

    // Two starts at the same moment could both look for the window before either has made it:
    // the first to claim the name goes on, and the other gives way even if the first one's window
    // is still to come.
    static HANDLE instanceClaim; // held for the rest of the process
    if (!instanceClaim) {
        HANDLE claim = CreateMutexW(NULL, FALSE, className);
        if (claim && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(claim);
            ShowRunningInstance(className, title, INSTANCE_WINDOW_WAIT_MS);
            return -1;
        }
        instanceClaim = claim;
    }
    if (ShowRunningInstance(className, title, 0))
        return -1;

    LogPrintf(L"creating main window");
    App = app;

    WNDCLASSW wc = {0};
    if (!GetClassInfoW(instance, className, &wc)) {
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = Main;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = className;
        if (!RegisterClassW(&wc))
            return -2;
    }

    app->hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APPICON));

    app->hwndMain = CreateWindowExW(0, className, title, WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
    if (!app->hwndMain)
        return -3;

    // The settings page, with the stored settings loaded before the cursor thread starts.
    if (CreateSettingsControls(app) != 1)
        return -4;

    UpdateWindow(app->hwndMain);
    return 1;
}

// Wakes the cursor thread and lets it finish the message in hand, so that it never dies
// holding the screen or a drawing object; only a thread that does not finish is terminated.
static void StopCursorThread()
{
    if (!CursorThreadHandle)
        return;
    PostThreadMessageW(PpcThreadIdOf(CursorThreadHandle), WM_QUIT, 0, 0);
    if (WaitForSingleObject(CursorThreadHandle, CURSOR_THREAD_STOP_WAIT_MS) != WAIT_OBJECT_0)
        TerminateThread(CursorThreadHandle, 0);
}

// "Connect": the connection procedure explains its failures itself; a link made is confirmed,
// and a mouse that is set up but not heard from is sent to the manual's troubleshooting.
static void ConnectCommand(HWND window)
{
    if (SAC_Mouse(window, CursorThreadHandle, 1) != 1)
        return;
    if (CursorState.bShowCursor) {
        MessageBoxW(window, L"Mouse is correctly configured and connected.", L"Status",
                    MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
    } else if (MessageBoxW(window,
                           L"Mouse is correctly configured, but it appears as disconnected! Press OK to open the "
                           L"manual for troubleshooting.",
                           L"Status", MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST) == IDOK) {
        LaunchProgram(L"\\windows\\iexplore.exe", AppPath(AppDir, L"help", L"help.html#lnk4"));
    }
}

static void AboutCommand(HWND window)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(IDD_ABOUT), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(AppInstance, found) : NULL;
    if (loaded)
        DialogBoxIndirectParamW(AppInstance, (LPCDLGTEMPLATEW)LockResource(loaded), window, AboutDialogProc, 0);
}

LRESULT CALLBACK Main(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        SHMENUBARINFO menuBar = {0};
        menuBar.cbSize = sizeof(menuBar);
        menuBar.hwndParent = window;
        menuBar.nToolBarId = IDR_MAIN_MENU_BAR;
        menuBar.hInstRes = AppInstance;
        App->hwndMenuBar = SHCreateMenuBar(&menuBar) ? menuBar.hwndMB : NULL; // the window works without
        ZeroMemory(&ActivateInfo, sizeof(ActivateInfo));
        ActivateInfo.cbSize = sizeof(ActivateInfo);
        MainWindow = window;
        return 0;
    }

    case WM_DESTROY:
        if (App->hwndMenuBar)
            DestroyWindow(App->hwndMenuBar);
        LogPrintf(L"terminate app!");
        bStopCursorThread = 1;
        StopCursorThread();
        TrayDelete(window, TRAY_ICON_ID);
        DestroyIcon(App->hIcon);
        App->hIcon = NULL;
        LogPrintf(L"sending wm_quit");
        PostQuitMessage(0);
        return 0;

    case WM_ACTIVATE:
        SHHandleWMActivate(window, wParam, lParam, &ActivateInfo, 0);
        return 0;

    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 1;
    }

    case WM_SETTINGCHANGE:
        ReadScreenSize(&CursorState.cxScreen, &CursorState.cyScreen);
        LogPrintf(L"Main::WM_SETTINGCHANGE::Screen size: %dx%d", CursorState.cxScreen,
                  CursorState.cyScreen);
        SHHandleWMSettingChange(window, wParam, lParam, &ActivateInfo);
        return 1;

    case WM_WINDOWPOSCHANGED: {
        const WINDOWPOS *pos = (const WINDOWPOS *)lParam;
        if (pos->hwndInsertAfter) {
            WCHAR text[100] = {0};
            GetWindowTextW(pos->hwndInsertAfter, text, ARRAYSIZE(text));
            if (wcscmp(text, L"Desktop") == 0)
                ShowWindow(window, SW_HIDE);
        }
        return 0;
    }

    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_EXIT: DestroyWindow(window); break;
        case IDM_HIDE: ShowWindow(window, SW_HIDE); break;
        case IDM_CONNECT: ConnectCommand(window); break;
        case IDM_HELP: LaunchProgram(L"\\windows\\iexplore.exe", AppPath(AppDir, L"help", L"help.html")); break;
        case IDM_ABOUT: AboutCommand(window); break;
        case IDC_SHOW_TRAY_ICON:
        case IDC_BUTTON_LIST:
        case IDC_CURSOR_LIST:
        case IDC_ACTION_LIST:
        case IDC_SPEED_LIST: SettingsCommand(window, LOWORD(wParam), HIWORD(wParam)); break;
        }
        return 0;

    case WM_CTLCOLORSTATIC:
        return 1;

    case WM_TRAY_CALLBACK:
        if (wParam == TRAY_ICON_ID && lParam == WM_LBUTTONUP) {
            ShowWindow(window, SW_SHOW);
            SetForegroundWindow(window);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
