// The main window inside a test program: one instance, its messages, and the shut-down.
#include "utils/app_globals.h"
#include "utils/app_paths.h"
#include "app/main_window.h"
#include "utils/tray_icon.h"
#include "pointer/cursor_state.h"
#include "pointer/cursor_thread.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>

using namespace wt;

namespace {

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, CreateMainWindow(&MyInterface, GetModuleHandleW(NULL)));
        main = MyInterface.hwndMain;
        ASSERT_EQ(main, MainWindow);
    }
    void TearDown() override
    {
        if (IsWindow(main))
            DestroyWindow(main);
        Pump();
        MyInterface.hwndMain = NULL;
        CursorThreadHandle = NULL;
        bStopCursorThread = 0;
    }
    HWND main = NULL;
};

} // namespace

TEST_F(MainWindowTest, IsMadeHiddenWithItsClassAndTitle)
{
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(main, FindWindowW(L"DALVERN.Quillmark", L"Quillmark"));
}

TEST_F(MainWindowTest, ASecondCreationShowsTheFirstAndRefuses)
{
    EXPECT_EQ(-1, CreateMainWindow(&MyInterface, GetModuleHandleW(NULL)));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(main, GetForegroundWindow());
}

TEST_F(MainWindowTest, HidesBehindAWindowTitledExactlyDesktop)
{
    struct Case { const wchar_t *title; bool hides; } cases[] = {
        {L"Desktop", true}, {L"desktop", false}, {L"Desktop ", false}, {L"Desktop2", false}, {L"", false},
    };
    for (const Case &c : cases) {
        HWND other = CreateWindowExW(0, L"STATIC", c.title, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL, NULL,
                                     NULL, NULL);
        ShowWindow(main, SW_SHOW);
        SetWindowPos(main, other, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_EQ(!c.hides, !!IsWindowVisible(main)) << c.title;
        DestroyWindow(other);
    }
}

TEST_F(MainWindowTest, TheTrayTapShowsAndHideHides)
{
    SendMessageW(main, WM_TRAY_CALLBACK, TRAY_ICON_ID, WM_LBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(main)) << "a press alone does nothing";
    SendMessageW(main, WM_TRAY_CALLBACK, TRAY_ICON_ID + 1, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(main)) << "another icon's tap";
    SendMessageW(main, WM_TRAY_CALLBACK, TRAY_ICON_ID, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(main));
    SendMessageW(main, WM_COMMAND, IDM_HIDE, 0);
    EXPECT_FALSE(IsWindowVisible(main));
}

TEST_F(MainWindowTest, ASettingChangeRereadsTheScreenSize)
{
    CursorState.cxScreen = CursorState.cyScreen = 1;
    EXPECT_EQ(1, SendMessageW(main, WM_SETTINGCHANGE, 0, 0));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), CursorState.cxScreen);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), CursorState.cyScreen);
}

TEST_F(MainWindowTest, HelpOpensTheHelpPageInTheBrowser)
{
    RemoveFile(L"\\handheld-events.txt");
    SendMessageW(main, WM_COMMAND, IDM_HELP, 0);
    ASSERT_TRUE(WaitFor([] { return ReadText(L"\\handheld-events.txt").find('\n') != std::string::npos; }));
    std::string event = ReadText(L"\\handheld-events.txt");
    EXPECT_NE(std::string::npos, event.find("iexplore.exe")) << event;
    EXPECT_NE(std::string::npos, event.find(Utf8(AppDir) + "help\\help.html\n")) << event;
}

namespace {

DWORD WINAPI StuckThread(LPVOID)
{
    Sleep(INFINITE); // never looks at its queue
    return 7;
}

} // namespace

TEST_F(MainWindowTest, ClosingEndsTheCursorThreadAndQuits)
{
    struct Case { const char *name; LPTHREAD_START_ROUTINE proc; } cases[] = {
        {"the cursor thread finishes by itself", CursorThread},
        {"a thread that does not finish is ended", StuckThread},
    };
    for (const Case &c : cases) {
        if (!IsWindow(main))
            SetUp();
        bStopCursorThread = 0;
        CursorThreadHandle = CreateThread(NULL, 0, c.proc, NULL, 0, NULL);
        Sleep(50); // let the thread reach its loop
        DWORD start = GetTickCount();
        SendMessageW(main, WM_CLOSE, 0, 0);
        DWORD took = GetTickCount() - start;
        if (c.proc == CursorThread) {
            EXPECT_LT(took, (DWORD)CURSOR_THREAD_STOP_WAIT_MS) << "woken, not ended by the fallback";
        } else {
            EXPECT_GE(took, (DWORD)CURSOR_THREAD_STOP_WAIT_MS - 50) << "given its time before it is ended";
        }
        EXPECT_FALSE(IsWindow(main)) << c.name;
        EXPECT_EQ(1, bStopCursorThread) << c.name;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(CursorThreadHandle, 0)) << c.name;
        DWORD code = 99;
        GetExitCodeThread(CursorThreadHandle, &code);
        EXPECT_EQ(0u, code) << c.name;
        CloseHandle(CursorThreadHandle);

        MSG msg;
        EXPECT_TRUE(PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) << c.name;
        EXPECT_EQ(0u, msg.wParam);
    }
}

namespace {

// What the system tray was asked: Wine's Shell_NotifyIcon hands the tray window (class
// "Shell_TrayWnd") the operation and the icon's data, the owner window, id, flags and callback
// message first and the icon's size further on. A tray of the test's own, in front of any other,
// keeps them.
struct TrayCall {
    DWORD operation;
    HWND window;
    UINT id, flags, callback;
    bool icon;
    bool operator==(const TrayCall &o) const
    {
        return operation == o.operation && window == o.window && id == o.id && flags == o.flags &&
               callback == o.callback && icon == o.icon;
    }
};
std::vector<TrayCall> TrayCalls;
const size_t IconWidthAt = 944; // after the tip, state, balloon texts, flags and GUID

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT *copy = (const COPYDATASTRUCT *)lParam;
        const BYTE *data = (const BYTE *)copy->lpData;
        UINT field[4], width = 0;
        if (copy->cbData >= sizeof(field))
            memcpy(field, data, sizeof(field));
        if (copy->cbData >= IconWidthAt + sizeof(width))
            memcpy(&width, data + IconWidthAt, sizeof(width));
        TrayCalls.push_back({(DWORD)copy->dwData, (HWND)(LONG_PTR)(LONG)field[0], field[1], field[2], field[3],
                             width != 0});
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::ostream &operator<<(std::ostream &out, const TrayCall &c)
{
    return out << "{op " << c.operation << " window " << c.window << " id " << c.id << " flags " << c.flags
               << " callback " << c.callback << (c.icon ? " icon}" : " no icon}");
}

} // namespace

TEST_F(MainWindowTest, TheTrayIconIsAddedAndRemovedAndRemovedAtTheEndEvenIfNeverAdded)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TrayProc;
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&wc);
    HWND tray = CreateWindowExW(WS_EX_TOPMOST, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    ASSERT_EQ(tray, FindWindowExW(NULL, NULL, L"Shell_TrayWnd", NULL)) << "another tray is in front";

    const UINT flags = NIF_MESSAGE | NIF_ICON;
    TrayAdd(main, TRAY_ICON_ID, LoadIconW(NULL, IDI_APPLICATION));
    TrayDelete(main, TRAY_ICON_ID);
    EXPECT_EQ((std::vector<TrayCall>{{NIM_ADD, main, 5000, flags, 3025, true},
                                     {NIM_DELETE, main, 5000, flags, 3025, false}}),
              TrayCalls);

    TrayCalls.clear();
    HWND closed = main;
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ((std::vector<TrayCall>{{NIM_DELETE, closed, 5000, flags, 3025, false}}), TrayCalls);
    DestroyWindow(tray);
}
