// The main window inside a test program: one instance, its messages, and the shut-down.
#include "app/app_globals.h"
#include "app/app_paths.h"
#include "app/main_window.h"
#include "app/tray_icon.h"
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
        SendMessageW(main, WM_CLOSE, 0, 0);
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
