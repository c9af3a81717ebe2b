// The cursor thread's states under the driver's messages, inside a test program.
#include "app/app_globals.h"
#include "app/log.h"
#include "link/driver_contract.h"
#include "pointer/cursor_state.h"
#include "pointer/cursor_thread.h"
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
    for (const Step &s : steps) {
        thread.Post(s.message, s.wParam);
        if (s.logged) {
            want.push_back(s.logged);
            thread.Settle(want.size());
            EXPECT_EQ(s.shown, CursorState.bShowCursor) << s.logged;
        }
    }
    EXPECT_EQ(want, LogMessages());
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
