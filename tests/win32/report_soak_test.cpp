// Random mouse reports (10,000 here, 100,000 under scripts/soak.sh) through the real translation
// and the real drawing: the cursor stays on the screen, every event's absolute coordinates stay in
// range, each report gives its releases and one event or one whole sequence, and no drawing object
// is left behind.
#include "pointer/actions.h"
#include "pointer/cursor_state.h"
#include "settings/settings_store.h"
#include "tests/support/program_strip.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <random>
#include <stdio.h>

using namespace wt;

namespace {

struct Tally {
    int events, pauses, outOfRange, wheelEvents;
    DWORD pausedMs;
} Seen;

void WINAPI CountMouse(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extra)
{
    Seen.events++;
    if (!(flags & MOUSEEVENTF_ABSOLUTE) || dx > 65535 || dy > 65535 || extra)
        Seen.outOfRange++;
    if (flags & MOUSEEVENTF_WHEEL)
        Seen.wheelEvents++;
}
void WINAPI NoKeys(BYTE, BYTE, DWORD, ULONG_PTR) { Seen.outOfRange++; } // no key action is assigned
void WINAPI CountPause(DWORD ms)
{
    Seen.pauses++;
    Seen.pausedMs += ms;
}

} // namespace

TEST(ReportSoak, RandomReports)
{
    CursorState.hbmStrip = LoadInstalledCursorStrip();
    ASSERT_TRUE(CursorState.hbmStrip);
    CursorState.cxScreen = GetSystemMetrics(SM_CXSCREEN);
    CursorState.cyScreen = GetSystemMetrics(SM_CYSCREEN);
    CursorState.x = CursorState.y = 0;
    PpcSeams = {CountMouse, NoKeys, CountPause};

    // Only actions that shape pointer input, and values beyond the table, which do nothing.
    const LONG actions[] = {ACTION_LEFT_CLICK, ACTION_MIDDLE_CLICK, ACTION_RIGHT_CLICK, ACTION_DOUBLE_CLICK,
                            ACTION_SCROLL_UP,  ACTION_SCROLL_DOWN,  ACTION_TAP_AND_HOLD, -1, 17, 1000};
    std::mt19937 random(20261210);
    CursorState.x = CursorState.y = 1; // whatever the system makes once, on a first draw
    DrawCursor(&CursorState, 1);
    DrawCursor(&CursorState, 0);
    size_t room = DrawingObjectRoom();
    // Each report draws the cursor, a round trip to the display: on a busy machine a few
    // milliseconds or more, so the test run's soak stays short and changes the settings often.
    const int reports = SoakLength(2000, 100000);
    int wrong = 0;
    DWORD start = GetTickCount();
    for (int i = 0; i < reports; i++) {
        if (i > 0 && i % (reports / 4) == 0)
            printf("%d of %d reports, %lu ms\n", i, reports, GetTickCount() - start); // a timeout shows how far
        if (i % 200 == 0) {
            for (int slot = SLOT_LEFT_BUTTON; slot <= SLOT_WHEEL_DOWN; slot++)
                SettingTable[slot].NumVal = actions[random() % ARRAYSIZE(actions)];
            SettingTable[SLOT_SPEED].NumVal = (LONG)(random() % 14) - 2; // -2 to 11, the odd ones too
        }
        WPARAM wParam = random();
        LPARAM lParam = random() & 0x7F;
        Tally before = Seen;
        ProcessMouseData(&CursorState, wParam, lParam);
        DrawCursor(&CursorState, 1); // as the thread draws a report with nothing behind it

        // Releases come first, as an event of their own, in a report with a press or a sequence.
        int pauses = Seen.pauses - before.pauses;
        int releases = (lParam & 0x54) && ((lParam & 0x2A) || pauses) ? 1 : 0;
        int events = Seen.events - before.events - releases;
        DWORD paused = Seen.pausedMs - before.pausedMs;
        bool one = events == 1 && pauses == 0;
        bool doubleClick = events == 4 && pauses == 3 && paused == 200;
        bool hold = events == 2 && pauses == 1 && paused == 1000;
        if (!(one || doubleClick || hold) || CursorState.x < 0 || CursorState.x > CursorState.cxScreen ||
            CursorState.y < 0 || CursorState.y > CursorState.cyScreen) {
            if (++wrong <= 5)
                ADD_FAILURE() << "report " << i << " (" << std::hex << wParam << ", " << lParam << std::dec
                              << "): " << events << " events, " << pauses << " pauses, at " << CursorState.x
                              << "," << CursorState.y;
        }
    }
    DrawCursor(&CursorState, 0);
    PpcSeams = PpcSystemSeams;

    EXPECT_EQ(0, wrong);
    EXPECT_EQ(0, Seen.outOfRange);
    EXPECT_GT(Seen.wheelEvents, reports / 100) << "the random reports reached the scroll actions";
    EXPECT_GE(DrawingObjectRoom() + 2, room) << "drawing objects left behind by " << reports << " reports";
}
