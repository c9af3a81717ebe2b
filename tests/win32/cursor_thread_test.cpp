// The cursor thread's states under the driver's messages, inside a test program.
#include "utils/app_globals.h"
#include "utils/log.h"
#include "platform/driver_contract.h"
#include "pointer/actions.h"
#include "pointer/cursor_state.h"
#include "pointer/cursor_thread.h"
#include "settings/settings_store.h"
#include "tests/support/program_strip.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <stdarg.h>
#include <stdio.h>

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
            // The line is logged just before the state changes: wait for both.
            WaitFor([&] { return LogMessages().size() >= want.size() && CursorState.bShowCursor == s.shown; }, 5000);
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

    enum How { QUIT, FLAG, QUIT_BEHIND_REPORT };
    struct Case { const char *how; How by; } cases[] = {
        {"WM_QUIT", QUIT},
        {"the stop flag", FLAG},
        // Taken together with the report it follows, not by the loop's own wait for a message.
        {"WM_QUIT queued right behind a report", QUIT_BEHIND_REPORT},
    };
    for (const Case &c : cases) {
        CursorState.bShowCursor = 0;
        CursorState.x = CursorState.y = 0;
        Running thread;
        thread.Post(WM_MOUSECUR, 1);
        thread.Post(WM_MOUSEDATA, 0x28280000); // 40 right, 40 down
        ASSERT_TRUE(WaitFor([&] { return PixelsOtherThan(ground, 40, 40, 8) > 0; }, 5000)) << c.how;
        if (c.by == FLAG) {
            bStopCursorThread = 1;
            thread.Post(WM_NULL, 0);
        } else if (c.by == QUIT) {
            thread.Post(WM_QUIT, 0);
        } else {
            SuspendThread(thread.handle);
            thread.Post(WM_MOUSEDATA, 0x00000000); // a report that leaves the cursor where it is
            thread.Post(WM_QUIT, 0);
            ResumeThread(thread.handle);
        }
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.handle, 5000)) << c.how;
        bStopCursorThread = 0;
        EXPECT_EQ(0, PixelsOtherThan(ground, 40, 40, 24)) << "the cursor outlived its thread, ended by " << c.how;
    }
    DestroyWindow(back);
    DeleteObject(CursorState.hbmStrip);
    CursorState.hbmStrip = NULL;
}

namespace {

// The pointer input and pauses a run gives, as the system would have had them; the cursor thread
// writes, the test reads once the run is over.
std::vector<std::string> Given;
CRITICAL_SECTION GivenLock;
void Give(const char *format, ...)
{
    char text[80];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    EnterCriticalSection(&GivenLock);
    Given.push_back(text);
    LeaveCriticalSection(&GivenLock);
}
void WINAPI GiveMouse(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR)
{
    Give("mouse %04lx %lu,%lu %ld", flags, dx, dy, (long)(LONG)data);
}
void WINAPI GiveKey(BYTE vk, BYTE, DWORD flags, ULONG_PTR) { Give("key %02x %lu", vk, flags); }
void WINAPI GivePause(DWORD ms) { Give("sleep %lu", ms); }
size_t GivenCount()
{
    EnterCriticalSection(&GivenLock);
    size_t n = Given.size();
    LeaveCriticalSection(&GivenLock);
    return n;
}

// Stripes across the screen, so that a save-under put back in the wrong place shows.
LRESULT CALLBACK Stripes(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    for (int x = 0; x < GetSystemMetrics(SM_CXSCREEN); x += 5) {
        RECT band = {x, 0, x + 5, GetSystemMetrics(SM_CYSCREEN)};
        HBRUSH brush = CreateSolidBrush(x / 5 % 3 == 0 ? RGB(200, 40, 40) : x / 5 % 3 == 1 ? RGB(40, 200, 40)
                                                                                     : RGB(40, 40, 200));
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
    EndPaint(window, &ps);
    return 0;
}

struct Played {
    std::vector<std::string> given;
    Screenshot screen;
    LONG draws = 0;
    int x = 0, y = 0;
};

// The reports played through a running cursor thread, shown at (30, 40), each worked off before
// the next is posted, or all queued at once while the thread stands and then let go. Shown
// where it was last erased (as when the link comes back), the cursor is not drawn until it moves.
Played Play(const std::vector<std::pair<WPARAM, LPARAM>> &reports, size_t events, bool queued, bool erasedThere = false)
{
    Given.clear();
    CursorState.bShowCursor = 0;
    CursorState.x = 30;
    CursorState.y = 40;
    CursorState.bDrawOwed = 0;
    CursorState.xDrawn = erasedThere ? 30 : -1000;
    CursorState.yDrawn = erasedThere ? 40 : -1000;
    Running thread;
    thread.Post(WM_MOUSECUR, 1);
    EXPECT_TRUE(WaitFor([] { return CursorState.xDrawn == 30; }, 5000)) << "not shown";
    Played p;
    LONG before = CursorImagesDrawn;
    // Its events given and the cursor drawn where it is, with no draw still owed: back where it
    // was drawn last, a burst's position matches before its owed draw is made.
    auto workedOff = [&](size_t n) {
        return WaitFor([&] {
            return GivenCount() >= n && CursorState.xDrawn == CursorState.x && CursorState.yDrawn == CursorState.y &&
                   !CursorState.bDrawOwed;
        }, 10000);
    };
    if (queued)
        SuspendThread(thread.handle);
    for (size_t i = 0; i < reports.size(); i++) {
        size_t given = GivenCount();
        thread.Post(WM_MOUSEDATA, reports[i].first, reports[i].second);
        // One at a time, as when reports come slowly: its events given and the cursor drawn.
        if (!queued) {
            EXPECT_TRUE(workedOff(given + 1));
        }
    }
    if (queued)
        ResumeThread(thread.handle);
    EXPECT_TRUE(workedOff(events)) << (queued ? "queued" : "one at a time");
    SleepEx(100, FALSE); // nothing more comes
    p.draws = CursorImagesDrawn - before;
    p.x = CursorState.x;
    p.y = CursorState.y;
    RECT all = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    p.screen = TakeScreenshot(all);
    EnterCriticalSection(&GivenLock);
    p.given = Given;
    LeaveCriticalSection(&GivenLock);
    return p;
}

} // namespace

TEST(CursorThread, AQueuedBurstGivesEveryEventAndDrawsOnlyWhereItEnds)
{
    InitializeCriticalSection(&GivenLock);
    HWND back = CreateScreenWindow(L"Stripes", Stripes, RGB(0, 0, 0), WS_EX_TOPMOST);
    PumpUntil([] { return false; }, 200);
    CursorState.hbmStrip = LoadInstalledCursorStrip();
    ASSERT_TRUE(CursorState.hbmStrip);
    CursorState.cxScreen = GetSystemMetrics(SM_CXSCREEN);
    CursorState.cyScreen = GetSystemMetrics(SM_CYSCREEN);
    // Left, middle, right, wheel up, wheel down, speed 1X.
    const LONG actions[] = {ACTION_DOUBLE_CLICK, ACTION_LEFT_CLICK, ACTION_TAP_AND_HOLD, ACTION_SCROLL_UP,
                            ACTION_SCROLL_DOWN, 3};
    for (int slot = SLOT_LEFT_BUTTON; slot <= SLOT_SPEED; slot++)
        SettingTable[slot].NumVal = actions[slot - 1];
    SettingTable[SLOT_CURSOR].NumVal = 0;
    PpcSeams = {GiveMouse, GiveKey, GivePause};

    // Moves with a double click, a hold and a wheel notch among them, a release with a press.
    auto move = [](int dx, int dy, int wheel = 0) {
        return (WPARAM)(((DWORD)(BYTE)dy << 24) | ((DWORD)(BYTE)dx << 16) | (BYTE)wheel);
    };
    std::vector<std::pair<WPARAM, LPARAM>> reports;
    for (int i = 0; i < 40; i++)
        reports.push_back({move(i % 5 + 1, i % 3), 0});
    reports.push_back({move(0, 0), MOUSEEVENTF_LEFTDOWN});                           // double click
    reports.push_back({move(3, 3), MOUSEEVENTF_LEFTUP});
    reports.push_back({move(2, -1, 1), 0});                                          // scroll up
    reports.push_back({move(0, 0), MOUSEEVENTF_RIGHTDOWN});                          // hold
    reports.push_back({move(-4, 2), MOUSEEVENTF_RIGHTUP | MOUSEEVENTF_MIDDLEDOWN});  // release and click
    for (int i = 0; i < 40; i++)
        reports.push_back({move(-(i % 4), i % 6 - 2), 0});

    Played slow = Play(reports, 0, false);
    ASSERT_FALSE(slow.given.empty());
    Played burst = Play(reports, slow.given.size(), true);
    EXPECT_EQ(slow.given, burst.given) << "the events and pauses differ";
    EXPECT_EQ(slow.x, burst.x);
    EXPECT_EQ(slow.y, burst.y);
    EXPECT_TRUE(slow.screen == burst.screen) << "the screen after the burst differs";
    EXPECT_GT(slow.draws, 60) << "one at a time, every place is drawn";
    EXPECT_EQ(1, burst.draws) << "queued, only the last place is drawn";

    // Away and back in one burst, from where nothing is drawn: one by one the cursor is drawn
    // away and then back here, so queued it must be drawn here too.
    std::vector<std::pair<WPARAM, LPARAM>> there = {{move(9, 9), 0}, {move(-9, -9), 0}};
    slow = Play(there, 0, false, true);
    burst = Play(there, slow.given.size(), true, true);
    EXPECT_EQ(2, slow.draws);
    EXPECT_EQ(1, burst.draws) << "there and back, the cursor is not drawn";
    EXPECT_TRUE(slow.screen == burst.screen) << "the screen after there and back differs";

    PpcSeams = PpcSystemSeams;
    DestroyWindow(back);
    DeleteObject(CursorState.hbmStrip);
    CursorState.hbmStrip = NULL;
    DeleteCriticalSection(&GivenLock);
}
