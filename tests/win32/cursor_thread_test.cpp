// The cursor thread's states under the driver's messages, inside a test program.
#include "app/app_globals.h"
#include "app/log.h"
#include "link/driver_contract.h"
#include "pointer/cursor_state.h"
#include "pointer/cursor_thread.h"
#include "settings/settings_store.h"
#include "tests/support/program_strip.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>

using namespace wt;

namespace {

// Waits until the thread has taken every posted message: a message of no meaning to it goes
// through its dispatch, and a thread that is idle in GetMessage has an empty queue.
struct Running {
    HANDLE handle;
    DWORD id;
    Running()
    {
        bStopCursorThread = 0;
        handle = CreateThread(NULL, 0, CursorThread, NULL, 0, &id);
        WaitFor([&] { return PostThreadMessageW(id, WM_NULL, 0, 0) != FALSE; });
    }
    ~Running()
    {
        PostThreadMessageW(id, WM_QUIT, 0, 0);
        WaitForSingleObject(handle, 5000);
        CloseHandle(handle);
    }
    void Post(UINT message, WPARAM wParam, LPARAM lParam = 0) { PostThreadMessageW(id, message, wParam, lParam); }
    void Settle(size_t messages)
    {
        WaitFor([&] { return LogMessages().size() >= messages; }, 5000);
    }
};

} // namespace

TEST(CursorThread, ShowsAndHidesAndDropsReportsWhileHidden)
{
    RemoveFile(LOG_FILE);
    LogEnabled = true;
    CursorState.bShowCursor = 0;
    // 1X on the real screen: the reports' two counts right and one down would move everything.
    CursorState.cxScreen = GetSystemMetrics(SM_CXSCREEN);
    CursorState.cyScreen = GetSystemMetrics(SM_CYSCREEN);
    CursorState.x = CursorState.y = 0;
    SettingTable[SLOT_SPEED].NumVal = 3;
    SetCursorPos(17, 23);
    Running thread;
    thread.Settle(1);

    struct Step { UINT message; WPARAM wParam; const char *logged; BYTE shown; } steps[] = {
        {WM_MOUSEDATA, 0x01020300, nullptr, 0},
        {WM_MOUSECUR, 0, "WM_MOUSECUR: bShowCursor=0/0", 0},
        {WM_MOUSECUR, 1, "WM_MOUSECUR: bShowCursor=0/1", 1},
        {WM_MOUSECUR, 1, "WM_MOUSECUR: bShowCursor=1/1", 1},
        {WM_MOUSEDATA, 0x01020300, "WM_MOUSEDATA", 1},
        {WM_MOUSECUR, 2, "WM_MOUSECUR: bShowCursor=1/0", 0},
        {WM_MOUSEDATA, 0x01020300, nullptr, 0},
        {WM_MOUSECUR, 1, "WM_MOUSECUR: bShowCursor=0/1", 1},
        {WM_MOUSECUR, 0, "WM_MOUSECUR: bShowCursor=1/0", 0},
    };
    std::vector<std::string> want = {"CursorThread thread running. Notify driver."};
    // A dropped report is checked once the step after it, handled in order, has been.
    bool dropped = false;
    POINT pointer = {}, at = {};
    for (const Step &s : steps) {
        if (!s.logged) {
            dropped = true;
            GetCursorPos(&pointer);
            at = {CursorState.x, CursorState.y};
        }
        thread.Post(s.message, s.wParam);
        if (s.logged) {
            want.push_back(s.logged);
            thread.Settle(want.size());
            EXPECT_EQ(s.shown, CursorState.bShowCursor) << s.logged;
            if (dropped) {
                POINT now;
                GetCursorPos(&now);
                EXPECT_EQ(pointer.x, now.x) << "the system's pointer moved for a report while hidden";
                EXPECT_EQ(pointer.y, now.y) << "the system's pointer moved for a report while hidden";
                EXPECT_EQ(at.x, CursorState.x) << "the position moved for a report while hidden";
                EXPECT_EQ(at.y, CursorState.y) << "the position moved for a report while hidden";
                dropped = false;
            }
        }
    }
    EXPECT_EQ(want, LogMessages());
    EXPECT_EQ(2, CursorState.x) << "the one report while shown moved the cursor";
    LogEnabled = false;
}

TEST(CursorThread, EndsOnQuitOrOnTheStopFlag)
{
    {
        Running thread;
        thread.Post(WM_QUIT, 0);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.handle, 5000));
    }
    {
        Running thread;
        bStopCursorThread = 1;
        thread.Post(WM_NULL, 0); // the flag is looked at after each message
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.handle, 5000));
        bStopCursorThread = 0;
    }
}

TEST(CursorThread, EndingWhileShownLeavesNoCursorOnTheScreen)
{
    const COLORREF ground = RGB(0x20, 0x90, 0x50);
    HWND back = CreateScreenWindow(L"Ground", DefWindowProcW, ground, WS_EX_TOPMOST);
    CursorState.hbmStrip = LoadInstalledCursorStrip();
    ASSERT_TRUE(CursorState.hbmStrip);
    CursorState.cxScreen = GetSystemMetrics(SM_CXSCREEN);
    CursorState.cyScreen = GetSystemMetrics(SM_CYSCREEN);
    SettingTable[SLOT_SPEED].NumVal = 3;
    SettingTable[SLOT_CURSOR].NumVal = 0;

    struct Case { const char *how; bool byFlag; } cases[] = {{"WM_QUIT", false}, {"the stop flag", true}};
    for (const Case &c : cases) {
        CursorState.bShowCursor = 0;
        CursorState.x = CursorState.y = 0;
        Running thread;
        thread.Post(WM_MOUSECUR, 1);
        thread.Post(WM_MOUSEDATA, 0x28280000); // 40 right, 40 down
        ASSERT_TRUE(WaitFor([&] { return PixelsOtherThan(ground, 40, 40, 8) > 0; }, 5000)) << c.how;
        if (c.byFlag) {
            bStopCursorThread = 1;
            thread.Post(WM_NULL, 0);
        } else {
            thread.Post(WM_QUIT, 0);
        }
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.handle, 5000)) << c.how;
        bStopCursorThread = 0;
        EXPECT_EQ(0, PixelsOtherThan(ground, 40, 40, 24)) << "the cursor outlived its thread, ended by " << c.how;
    }
    DestroyWindow(back);
    DeleteObject(CursorState.hbmStrip);
    CursorState.hbmStrip = NULL;
}
