// A long stream of random mouse reports through the HID driver stand-in's feed into the real
// program (5,000 here, a million under scripts/soak.sh): at the end the cursor is drawn where the
// reports put it, every button is let go, the program holds no more drawing objects than at the
// start and its memory has not grown. Prints its figures.
#include "pointer/actions.h"
#include "settings/settings_store.h"
#include "tests/support/driver_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <psapi.h>
#include <stdlib.h>
#include <random>
#include <thread>

using namespace wt;

namespace {

const COLORREF Background = RGB(0x50, 0x30, 0x90);

// The button messages the window under the cursor was sent, by kind.
struct Tally {
    size_t down[3], up[3]; // left, right, middle
};
Tally Told;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN: Told.down[0]++; return 0;
    case WM_RBUTTONDOWN: Told.down[1]++; return 0;
    case WM_MBUTTONDOWN: Told.down[2]++; return 0;
    case WM_LBUTTONUP: Told.up[0]++; return 0;
    case WM_RBUTTONUP: Told.up[1]++; return 0;
    case WM_MBUTTONUP: Told.up[2]++; return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct Memory {
    SIZE_T privateBytes, workingSet;
};
// Private bytes are the commit charge (PagefileUsage); Wine leaves PrivateUsage at 0 here.
Memory MemoryOf(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {sizeof(counters)};
    GetProcessMemoryInfo(process, &counters, sizeof(counters));
    return {counters.PagefileUsage, counters.WorkingSetSize};
}

bool Held(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

// The reports of the stream and what the window must be told of them: a press per report at
// most (left before right before middle), every release.
struct Stream {
    std::string bytes;
    Tally want = {};
    void Add(int buttons, int dx, int dy, int wheel)
    {
        int was = bytes.empty() ? 0 : (unsigned char)bytes[bytes.size() - 4];
        int pressed = buttons & ~was, released = was & ~buttons;
        for (int b : {0, 1, 2})
            if (pressed & (1 << b)) {
                want.down[b]++;
                break;
            }
        for (int b : {0, 1, 2})
            want.up[b] += (released >> b) & 1;
        bytes += Report(buttons, dx, dy, wheel);
    }
    size_t Reports() const { return bytes.size() / 4; }
};

} // namespace

TEST(FeedSoak, ManyRandomReportsLeaveNothingBehind)
{
    const char *asked = getenv("QM_SOAK_REPORTS");
    const int random = asked && atoi(asked) > 0 ? atoi(asked) : SoakLength(5000, 1000000);
    SaveSlot(SLOT_LEFT_BUTTON, ACTION_LEFT_CLICK, L"", L"");
    SaveSlot(SLOT_MIDDLE_BUTTON, ACTION_MIDDLE_CLICK, L"", L"");
    SaveSlot(SLOT_RIGHT_BUTTON, ACTION_RIGHT_CLICK, L"", L"");
    SaveSlot(SLOT_WHEEL_UP, ACTION_SCROLL_UP, L"", L"");
    SaveSlot(SLOT_WHEEL_DOWN, ACTION_SCROLL_DOWN, L"", L"");
    SaveSlot(SLOT_SPEED, 3, L"", L""); // 1X: the end position is the sum of the last moves
    StartFreshLog(false);

    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HWND target = CreateScreenWindow(L"SoakTarget", TargetProc, Background, WS_EX_TOPMOST);

    Program program(L"-first");
    ASSERT_TRUE(program.WaitForMainWindow());
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    // Linked once a move draws the cursor: until the program has told the driver its thread, the
    // driver drops what it reads.
    const int cell = 16 * height / 320;
    ASSERT_TRUE(PumpUntil([&] {
        WriteAll(feed, Report(0, 20, 20, 0) + Report(0, -20, -20, 0));
        return PumpUntil([&] { return PixelsOtherThan(Background, 0, 0, cell) > 0; }, 500);
    }, 30000)) << "the program never linked";
    Told = {};

    // Mostly small moves; now and then a new set of buttons (two at once too) or a wheel notch.
    // Each stretch ends with every button let go, the cursor in the top-left corner and then
    // at a place of its own, and a middle click there, whose release is the last thing the
    // window is told of the stretch.
    Stream stream;
    std::mt19937 draw(20261211);
    const int endX = width / 3, endY = height / 3;
    auto stretch = [&](int reports) {
        int buttons = 0;
        for (int i = 0; i < reports; i++) {
            if (draw() % 40 == 0)
                buttons = draw() % 8;
            int dx = (int)(draw() % 17) - 8, dy = (int)(draw() % 17) - 8;
            if (draw() % 100 == 0)
                dx = (int)(draw() % 256) - 128;
            int wheel = draw() % 60 == 0 ? (int)(draw() % 5) - 2 : 0;
            stream.Add(buttons, dx, dy, wheel);
        }
        stream.Add(0, 0, 0, 0);
        for (int i = 0; i < (width + height) / 128 + 2; i++)
            stream.Add(0, -128, -128, 0);
        for (int x = 0, y = 0; x < endX || y < endY;) {
            int dx = std::min(endX - x, 127), dy = std::min(endY - y, 127);
            stream.Add(0, dx, dy, 0);
            x += dx;
            y += dy;
        }
        stream.Add(4, 0, 0, 0);
        stream.Add(0, 0, 0, 0);
    };
    // Plays what the stream holds from a report on; false when the window is not told all of it
    // in time (a report takes well under 10 ms even on a busy machine).
    auto play = [&](size_t from) {
        bool written = false;
        std::thread writer([&] { written = WriteAll(feed, stream.bytes.substr(from * 4)); });
        DWORD allowed = 60000 + (DWORD)(stream.Reports() - from) * 10;
        bool told = PumpUntil([&] { return Told.up[2] == stream.want.up[2]; }, allowed);
        writer.join();
        return written && told;
    };

    // The program's objects are counted with the cursor hidden: the thread draws after a
    // report's events, which the window may be told of first, and a count in the middle of a
    // drawing is off by the save-under (gone, or not yet made). Drawn where the stretch leaves
    // it, then hidden, the cursor is erased (its pixels gone only once the save-under is let go)
    // and the thread draws nothing more.
    auto drawnAtEnd = [&] { return PumpUntil([&] { return PixelsOtherThan(Background, endX, endY, cell) > 0; }); };
    auto hidden = [&] {
        bool drawn = drawnAtEnd();
        CloseHandle(feed);
        feed = INVALID_HANDLE_VALUE;
        return drawn && PumpUntil([&] { return PixelsOtherThan(Background, endX, endY, cell) == 0; });
    };

    // A first stretch, so that what the program makes once (caches, heaps) is made before the
    // figures are taken.
    stretch(2000);
    ASSERT_TRUE(play(0)) << "the first stretch";
    ASSERT_TRUE(hidden()) << "the cursor is not drawn where the stretch leaves it, or stays once the feed is closed";
    // The objects first: reading the object table brings its pages into the program's memory.
    long objectsBefore = DrawingObjectsOf(program.Process());
    ASSERT_GT(objectsBefore, 0) << "the program's drawing objects cannot be counted";
    Memory memoryBefore = MemoryOf(program.Process());
    ASSERT_GT(memoryBefore.privateBytes, 0u) << "the program's memory cannot be measured";

    // The same mouse again: the link comes back and the cursor with it, where it was erased.
    feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    size_t from = stream.Reports();
    stretch(random);
    DWORD start = GetTickCount();
    ASSERT_TRUE(play(from)) << "the window was not told of every report";
    DWORD took = GetTickCount() - start;
    size_t played = stream.Reports() - from;
    bool drawn = drawnAtEnd();
    // Shown, the count sees the save-under's bitmap and context besides (and a drawing under way
    // only for a moment).
    bool shownHoldsSaveUnder = WaitFor([&] { return DrawingObjectsOf(program.Process()) == objectsBefore + 2; }, 5000);
    long objectsShown = DrawingObjectsOf(program.Process());

    Memory memoryAfter = MemoryOf(program.Process());
    POINT p;
    GetCursorPos(&p);
    bool erased = hidden();
    long objectsAfter = DrawingObjectsOf(program.Process());
    double seconds = took / 1000.0;
    printf("feed soak: %zu reports in %.1f s, %.0f reports/s\n", played, seconds, played / (seconds > 0 ? seconds : 1));
    printf("  private bytes %zu -> %zu KB, working set %zu -> %zu KB\n", memoryBefore.privateBytes / 1024,
           memoryAfter.privateBytes / 1024, memoryBefore.workingSet / 1024, memoryAfter.workingSet / 1024);
    printf("  drawing objects %ld -> %ld\n", objectsBefore, objectsAfter);

    for (int b : {0, 1, 2}) {
        EXPECT_EQ(stream.want.down[b], Told.down[b]) << "presses of button " << b;
        EXPECT_EQ(stream.want.up[b], Told.up[b]) << "releases of button " << b;
    }
    EXPECT_FALSE(Held(VK_LBUTTON) || Held(VK_RBUTTON) || Held(VK_MBUTTON)) << "a button is left held";
    EXPECT_LE(abs(endX - p.x), 1) << p.x; // absolute units and back
    EXPECT_LE(abs(endY - p.y), 1) << p.y;
    EXPECT_TRUE(drawn) << "the cursor is drawn where the pointer is";
    EXPECT_TRUE(shownHoldsSaveUnder) << "shown, the program holds " << objectsShown << " drawing objects, not "
                                     << objectsBefore << " and the save-under's two";
    EXPECT_TRUE(erased) << "the cursor stays on the screen once the feed is closed";
    EXPECT_EQ(objectsBefore, objectsAfter) << "drawing objects gained";
    // Room for the heaps' own ups and downs, nothing near a few bytes a report.
    EXPECT_LT(memoryAfter.privateBytes, memoryBefore.privateBytes + 1024 * 1024 + 2 * played) << "private memory grew";

    PostMessageW(program.WaitForMainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, program.WaitExit());
    DestroyWindow(target);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Dalvern\\Quillmark");
}
