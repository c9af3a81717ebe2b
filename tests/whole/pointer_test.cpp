// The real program driven by the driver's messages: the pointer lands where the speed says,
// clicks, the wheel, the double click and the hold reach the window under the cursor, the drawn
// cursor follows without a trail, and an immediate action runs on the handheld.
#include "platform/driver_contract.h"
#include "pointer/actions.h"
#include "settings/settings_store.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace wt;

namespace {

const COLORREF Background = RGB(0x30, 0xA0, 0x60);

// What the window under the cursor was told.
struct Received {
    UINT message;
    int x, y;
    int wheel;
    DWORD time;
};
std::vector<Received> Inbox;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        Inbox.push_back({message, (short)LOWORD(lParam), (short)HIWORD(lParam), 0, (DWORD)GetMessageTime()});
        return 0;
    case WM_MOUSEWHEEL: {
        POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        ScreenToClient(window, &p);
        Inbox.push_back({message, p.x, p.y, GET_WHEEL_DELTA_WPARAM(wParam), (DWORD)GetMessageTime()});
        return 0;
    }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Pump() { PumpUntil([] { return true; }, 0); }

WPARAM Report(int dx, int dy, int wheel)
{
    return (WPARAM)(((DWORD)(BYTE)dy << 24) | ((DWORD)(BYTE)dx << 16) | (BYTE)wheel);
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(NULL);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(NULL, screen);
    return c;
}

// A square that holds the drawn cursor: it is 10x16 at 96 DPI.
int CursorCell()
{
    HDC screen = GetDC(NULL);
    int scale = GetDeviceCaps(screen, LOGPIXELSX) / 96;
    ReleaseDC(NULL, screen);
    return 16 * scale;
}

// How many pixels of the square at (x, y) differ from the background.
int Foreign(int x, int y, int size) { return PixelsOtherThan(Background, x, y, size); }

struct Settings {
    LONG left, middle, right, wheelUp, wheelDown, speed;
};

void Store(const Settings &s, const wchar_t *leftParam = L"", const wchar_t *leftParam2 = L"")
{
    SaveSlot(SLOT_LEFT_BUTTON, s.left, leftParam, leftParam2);
    SaveSlot(SLOT_MIDDLE_BUTTON, s.middle, L"", L"");
    SaveSlot(SLOT_RIGHT_BUTTON, s.right, L"", L"");
    SaveSlot(SLOT_WHEEL_UP, s.wheelUp, L"", L"");
    SaveSlot(SLOT_WHEEL_DOWN, s.wheelDown, L"", L"");
    SaveSlot(SLOT_SPEED, s.speed, L"", L"");
}

// The program running with its cursor shown, and a full-screen window of this test in front.
class Driven : public ::testing::Test {
protected:
    std::unique_ptr<Program> program;
    HWND target = NULL;
    DWORD thread = 0;
    UINT data = RegisterWindowMessageW(DRIVER_MSG_DATA);
    UINT cursor = RegisterWindowMessageW(DRIVER_MSG_CURSOR);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);

    void Start(const Settings &s, const wchar_t *leftParam = L"", const wchar_t *leftParam2 = L"")
    {
        Store(s, leftParam, leftParam2);
        StartFreshLog(true);
        RemoveFile(L"\\handheld-events.txt");
        WNDCLASSW wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = TargetProc;
        wc.hbrBackground = CreateSolidBrush(Background);
        wc.lpszClassName = L"PointerTarget";
        RegisterClassW(&wc);
        target = CreateWindowExW(0, L"PointerTarget", L"Target", WS_POPUP | WS_VISIBLE, 0, 0, width, height, NULL,
                                 NULL, NULL, NULL);
        SetForegroundWindow(target);
        UpdateWindow(target);
        Pump();

        program.reset(new Program());
        ASSERT_TRUE(program->WaitUntilRunning());
        thread = program->CursorThreadId();
        ASSERT_NE(0u, thread);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == target || SetForegroundWindow(target); }));
        Send(cursor, 1, 0);
        Inbox.clear();
    }
    void TearDown() override
    {
        program.reset();
        if (target)
            DestroyWindow(target);
        UnregisterClassW(L"PointerTarget", NULL);
    }

    // Posts one message and waits until the program has handled it (its log line).
    void Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        size_t before = LogMessages().size();
        ASSERT_TRUE(PostThreadMessageW(thread, message, wParam, lParam));
        ASSERT_TRUE(PumpUntil([&] { return LogMessages().size() > before; }));
    }
    // A report, handled to its end: the show that follows it is logged only once the report's
    // events and drawing are done, and changes nothing.
    void Report(int dx, int dy, int wheel, LPARAM buttons)
    {
        Send(data, ::Report(dx, dy, wheel), buttons);
        Send(cursor, 1, 0);
    }

    // A motion of any size, as a mouse reports it: in steps that fit a report.
    void MoveBy(int dx, int dy)
    {
        while (dx || dy) {
            int sx = dx > 127 ? 127 : dx < -128 ? -128 : dx;
            int sy = dy > 127 ? 127 : dy < -128 ? -128 : dy;
            Report(sx, sy, 0, 0);
            dx -= sx;
            dy -= sy;
        }
    }

    // Waits until the window has been told count things.
    bool Told(size_t count) { return PumpUntil([&] { return Inbox.size() >= count; }, 5000); }
};

void ExpectNear(int want, int got, const char *what)
{
    EXPECT_LE(std::abs(want - got), 1) << what << ": want " << want << ", got " << got;
}

} // namespace

TEST_F(Driven, ThePointerClicksScrollsAndHoldsWhereTheSpeedSays)
{
    // 1X; the middle button double-clicks and the right one holds.
    Start({ACTION_LEFT_CLICK, ACTION_DOUBLE_CLICK, ACTION_TAP_AND_HOLD, ACTION_SCROLL_UP, ACTION_SCROLL_DOWN, 3});
    int x = width / 4, y = height / 4;
    MoveBy(x, y);
    POINT p;
    ASSERT_TRUE(PumpUntil([&] { GetCursorPos(&p); return std::abs(p.x - x) <= 1 && std::abs(p.y - y) <= 1; }))
        << p.x << "," << p.y;

    Report(0, 0, 0, MOUSEEVENTF_LEFTDOWN);
    Report(0, 0, 0, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(Told(2));
    EXPECT_EQ((UINT)WM_LBUTTONDOWN, Inbox[0].message);
    EXPECT_EQ((UINT)WM_LBUTTONUP, Inbox[1].message);
    for (const Received &r : Inbox) {
        ExpectNear(x, r.x, "click x");
        ExpectNear(y, r.y, "click y");
    }

    // The wheel: 120 a notch, the direction from the action.
    Inbox.clear();
    Report(10, 0, 2, 0);
    Report(0, 0, -1, 0);
    ASSERT_TRUE(Told(2));
    EXPECT_EQ((UINT)WM_MOUSEWHEEL, Inbox[0].message);
    EXPECT_EQ(240, Inbox[0].wheel);
    EXPECT_EQ(-120, Inbox[1].wheel);
    ExpectNear(x + 10, Inbox[0].x, "wheel x");

    // The double click: two clicks, the second one a double click to the window. Each gesture
    // starts elsewhere, so that the window does not pair it with the one before.
    Report(0, 20, 0, 0);
    Inbox.clear();
    Report(0, 0, 0, MOUSEEVENTF_MIDDLEDOWN);
    Report(0, 0, 0, MOUSEEVENTF_MIDDLEUP);
    ASSERT_TRUE(Told(4));
    std::vector<UINT> kinds;
    for (const Received &r : Inbox)
        kinds.push_back(r.message);
    EXPECT_EQ((std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}),
              std::vector<UINT>(kinds.begin(), kinds.begin() + 4));
    if (Inbox.size() > 4) { // the middle button's release passes through as itself
        EXPECT_EQ((UINT)WM_MBUTTONUP, Inbox[4].message);
    }

    // Tap and hold: the stylus stays down a second.
    Report(0, 20, 0, 0);
    Inbox.clear();
    Report(0, 0, 0, MOUSEEVENTF_RIGHTDOWN);
    ASSERT_TRUE(Told(2));
    EXPECT_EQ((UINT)WM_LBUTTONDOWN, Inbox[0].message);
    EXPECT_EQ((UINT)WM_LBUTTONUP, Inbox[1].message);
    EXPECT_GE(Inbox[1].time - Inbox[0].time, 950u);
}

TEST_F(Driven, ThePointerStaysOnTheScreenAtFullSpeed)
{
    Start({ACTION_LEFT_CLICK, ACTION_MIDDLE_CLICK, ACTION_RIGHT_CLICK, ACTION_SCROLL_UP, ACTION_SCROLL_DOWN, 10});
    POINT p;
    for (int i = 0; i < 3; i++)
        Report(127, 127, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { GetCursorPos(&p); return p.x >= width - 2 && p.y >= height - 2; }))
        << p.x << "," << p.y;
    for (int i = 0; i < 3; i++)
        Report(-128, -128, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { GetCursorPos(&p); return p.x == 0 && p.y == 0; })) << p.x << "," << p.y;
}

TEST_F(Driven, TheDrawnCursorFollowsAndLeavesNoTrail)
{
    Start({ACTION_LEFT_CLICK, ACTION_MIDDLE_CLICK, ACTION_RIGHT_CLICK, ACTION_SCROLL_UP, ACTION_SCROLL_DOWN, 3});
    // The path's points lie far apart at any size.
    int cell = CursorCell();
    struct Point { int x, y; } path[] = {{60, 80}, {120, 150}, {30, 200}, {100, 40}};
    for (Point &p : path) {
        p.x = p.x * width / 240;
        p.y = p.y * height / 320;
    }
    Point at = {0, 0};
    for (const Point &next : path) {
        MoveBy(next.x - at.x, next.y - at.y);
        EXPECT_GT(Foreign(next.x, next.y, cell), 0) << "cursor drawn at " << next.x << "," << next.y;
        if (at.x || at.y) {
            EXPECT_EQ(0, Foreign(at.x, at.y, cell)) << "trail left at " << at.x << "," << at.y;
        }
        at = next;
    }
    // Hidden: nothing of it stays.
    Send(cursor, 0, 0);
    EXPECT_EQ(0, Foreign(at.x, at.y, cell));
    EXPECT_EQ(Background, ScreenPixel(at.x + 1, at.y + 1));
}

TEST_F(Driven, ClosingTheProgramLeavesNoCursorBehind)
{
    Start({ACTION_LEFT_CLICK, ACTION_MIDDLE_CLICK, ACTION_RIGHT_CLICK, ACTION_SCROLL_UP, ACTION_SCROLL_DOWN, 3});
    int x = width / 4, y = height / 4, cell = CursorCell();
    MoveBy(x, y);
    ASSERT_GT(Foreign(x, y, cell), 0) << "the cursor is drawn";
    PostMessageW(FindMainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, program->WaitExit());
    Pump();
    EXPECT_EQ(0, Foreign(x, y, cell)) << "the cursor's image outlived the program";
}

TEST_F(Driven, AnImmediateActionRunsOnTheHandheld)
{
    // The left button opens an application and the right button closes the one in front.
    Start({ACTION_OPEN_PROGRAM, ACTION_MIDDLE_CLICK, ACTION_CLOSE_TASK, ACTION_SCROLL_UP, ACTION_SCROLL_DOWN, 3},
          L"\\windows\\notes.exe", L"Memo");
    Report(5, 5, 0, MOUSEEVENTF_LEFTDOWN);
    HWND memo = WaitForWindow(L"HandheldNotes", L"Memo");
    ASSERT_TRUE(memo);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == memo; }));
    EXPECT_TRUE(Inbox.empty()) << "the press itself clicks nothing";

    Report(0, 0, 0, MOUSEEVENTF_LEFTUP);
    Report(0, 0, 0, MOUSEEVENTF_RIGHTDOWN);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(memo); }));
    std::vector<std::string> events = WaitForEvents(2);
    ASSERT_EQ(2u, events.size());
    EXPECT_NE(std::string::npos, events[0].find("notes.exe")) << events[0];
    EXPECT_EQ("Memo closed", events[1]);
    EXPECT_NE("", WaitForLogMessage("Destroy Window"));
}

// "Rotate Screen" from the mouse: the handheld records the turn and tells every window, and the
// program reads the screen again. The handheld's screen keeps its size (handheld/README.md), so
// the landscape profile is the turned screen: there the cursor must reach and stop at the
// landscape corner, beyond any portrait bound.
TEST_F(Driven, ARotationLeavesTheCursorConfinedToTheScreenItReads)
{
    Start({ACTION_ROTATE_SCREEN, ACTION_MIDDLE_CLICK, ACTION_RIGHT_CLICK, ACTION_SCROLL_UP, ACTION_SCROLL_DOWN, 3});
    size_t before = LogMessages().size();
    Report(0, 0, 0, MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(std::vector<std::string>{"ChangeDisplaySettingsEx orientation 1"}, WaitForEvents(1));
    std::string reread = "Main::WM_SETTINGCHANGE::Screen size: " + std::to_string(width) + "x" + std::to_string(height);
    EXPECT_TRUE(PumpUntil([&] {
        std::vector<std::string> log = LogMessages();
        return std::find(log.begin() + before, log.end(), reread) != log.end();
    })) << reread;
    Report(0, 0, 0, MOUSEEVENTF_LEFTUP);

    // Far past the corner: the position stops on the screen's last column and row.
    MoveBy(width + 100, height + 100);
    POINT p;
    ASSERT_TRUE(PumpUntil([&] { GetCursorPos(&p); return p.x == width - 1 && p.y == height - 1; }))
        << p.x << "," << p.y;

    // Back by 6 and 10 from the bound: the image's corner shows in the screen's own corner.
    Report(-6, -10, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { GetCursorPos(&p); return std::abs(p.x - (width - 6)) <= 1 && std::abs(p.y - (height - 10)) <= 1; }))
        << p.x << "," << p.y;
    EXPECT_GT(Foreign(width - 6, height - 10, 6), 0) << "cursor drawn in the corner";
    EXPECT_EQ(0, Foreign(width - 40, height - 40, 30)) << "nothing drawn beside it";
}

TEST_F(Driven, OpenAppletOpensTheEntrysWindowOnTheHandheld)
{
    Start({ACTION_OPEN_APPLET, ACTION_MIDDLE_CLICK, ACTION_RIGHT_CLICK, ACTION_SCROLL_UP, ACTION_SCROLL_DOWN, 3},
          L"\\windows\\sample.cpl,2");
    Report(5, 5, 0, MOUSEEVENTF_LEFTDOWN);
    HWND clock = WaitForWindow(L"SampleApplet", L"Clock");
    ASSERT_TRUE(clock);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == clock; }));
    Report(0, 0, 0, MOUSEEVENTF_LEFTUP);
    PostMessageW(clock, WM_CLOSE, 0, 0);
    std::vector<std::string> events = WaitForEvents(3);
    ASSERT_EQ(3u, events.size());
    EXPECT_NE(std::string::npos, events[0].find("ctlpnl.exe\" \\windows\\sample.cpl,2")) << events[0];
    EXPECT_EQ("Clock opened", events[1]);
    EXPECT_EQ("Clock closed", events[2]);
}
