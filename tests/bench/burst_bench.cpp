// Prints how fast the cursor thread works off reports that piled up in its queue: a burst of 1,000
// moving reports beside its floor, the same 1,000 moving mouse_event calls alone (what Wine's
// pointer costs, which no work of the thread saves), the same for still reports, and the
// lag after a Tap and Hold while the mouse goes on reporting every 7.5 ms, from the last report to
// the cursor drawn at its place. Run: scripts/bench.sh (qvga and vga).
#include "utils/app_globals.h"
#include "pointer/actions.h"
#include "pointer/cursor_state.h"
#include "pointer/cursor_thread.h"
#include "pointer/motion_rules.h"
#include "settings/settings_store.h"
#include "tests/bench/bench_cursor.h"
#include "tests/bench/figure.h"
#include "tests/support/program_strip.h"

#include <algorithm>
#include <stdio.h>
#include <vector>

// The system's own pointer input, counted: one event per plain report. Wine's handling of a moving
// event costs several times a still one's (it moves the display's pointer too), which no drawing
// saves; with the events only counted, what is left is the thread's own work.
static volatile LONG Events;
static volatile bool ToSystem = true;
static volatile LONG Awaited = MAXLONG; // the count of events that sets EventsGiven
static HANDLE EventsGiven;
static void WINAPI CountedMouseEvent(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extra)
{
    if (ToSystem)
        PpcSystemSeams.MouseEvent(flags, dx, dy, data, extra);
    if (InterlockedIncrement(&Events) == Awaited)
        SetEvent(EventsGiven);
}

static HANDLE Thread;
static DWORD ThreadId;

static void Post(int dx, int dy, LPARAM buttons)
{
    WPARAM report = ((DWORD)(BYTE)dy << 24) | ((DWORD)(BYTE)dx << 16);
    while (!PostThreadMessageW(ThreadId, WM_MOUSEDATA, report, buttons))
        SleepEx(1, FALSE);
}

// A walk to and fro that never reaches the screen's edge, so every moving report moves the cursor.
static void Step(unsigned i, bool moving, int *dx, int *dy)
{
    *dx = moving ? (i % 20 < 10 ? 6 : -6) : 0;
    *dy = moving ? (i % 16 < 8 ? 4 : -4) : 0;
}

// Until the thread has given `events` pointer events since `from` and drawn the cursor where it is.
// The wait blocks: a waiter that spun would take one of the two cores from the thread and from
// the processes it works with (wineserver, the X server), which the floor has to itself.
static void WaitWorkedOff(LONG from, LONG events)
{
    ResetEvent(EventsGiven);
    InterlockedExchange(&Awaited, from + events);
    if (Events - from < events)
        WaitForSingleObject(EventsGiven, INFINITE);
    InterlockedExchange(&Awaited, MAXLONG);
    // The last report draws right after its event: a few microseconds.
    while (CursorState.xDrawn != CursorState.x || CursorState.yDrawn != CursorState.y)
        SleepEx(0, FALSE);
}

// Seconds from letting the thread go to the burst worked off, the reports queued while it stood.
static double Burst(unsigned reports, bool moving)
{
    SuspendThread(Thread);
    LONG before = Events;
    for (unsigned i = 0; i < reports; i++) {
        int dx, dy;
        Step(i, moving, &dx, &dy);
        Post(dx, dy, 0);
    }
    double start = Seconds();
    ResumeThread(Thread);
    WaitWorkedOff(before, (LONG)reports);
    return Seconds() - start;
}

// The floor of a burst: the events it gives, straight to the system one after another on this
// thread, at the places the burst's walk takes the cursor; nothing drawn, no queue.
static double Floor(unsigned reports, bool moving)
{
    int x = CursorState.x, y = CursorState.y;
    DWORD flags = MOUSEEVENTF_ABSOLUTE | (moving ? MOUSEEVENTF_MOVE : 0);
    double start = Seconds();
    for (unsigned i = 0; i < reports; i++) {
        int dx, dy;
        Step(i, moving, &dx, &dy);
        x += dx;
        y += dy;
        PpcSystemSeams.MouseEvent(flags, (DWORD)AbsoluteUnits(x, CursorState.cxScreen),
                                  (DWORD)AbsoluteUnits(y, CursorState.cyScreen), 0, 0);
    }
    return Seconds() - start;
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main()
{
    if (!BenchCursorReady(true))
        return 1;
    SettingTable[SLOT_SPEED].NumVal = 3; // 1X: a report's motion is the cursor's
    SettingTable[SLOT_LEFT_BUTTON].NumVal = ACTION_TAP_AND_HOLD;
    PpcSeams.MouseEvent = CountedMouseEvent;
    EventsGiven = CreateEventW(NULL, TRUE, FALSE, NULL);

    WM_MOUSEDATA = RegisterWindowMessageW(L"Quillmark.Dalvern.Data");
    WM_MOUSECUR = RegisterWindowMessageW(L"Quillmark.Dalvern.Cursor");
    Thread = CreateThread(NULL, 0, CursorThread, NULL, 0, &ThreadId);
    SetThreadPriority(Thread, THREAD_PRIORITY_ABOVE_NORMAL);
    while (!PostThreadMessageW(ThreadId, WM_MOUSECUR, 1, 0))
        SleepEx(1, FALSE);
    while (!CursorState.bShowCursor)
        SleepEx(1, FALSE);

    // Bursts of each kind in turn, so that a busy moment of the machine falls on both alike; with
    // the events given to the system, then only counted.
    const unsigned reports = 1000, rounds = 7;
    double m[2], s[2], movingFloor = 0, stillFloor = 0;
    for (int counted = 0; counted < 2; counted++) {
        ToSystem = !counted;
        std::vector<double> moving, still, movingAlone, stillAlone;
        for (unsigned r = 0; r < rounds; r++) {
            moving.push_back(Burst(reports, true));
            still.push_back(Burst(reports, false));
            if (!counted) {
                movingAlone.push_back(Floor(reports, true));
                stillAlone.push_back(Floor(reports, false));
            }
        }
        m[counted] = Median(moving);
        s[counted] = Median(still);
        if (!counted) {
            movingFloor = Median(movingAlone);
            stillFloor = Median(stillAlone);
        }
    }
    ToSystem = true;

    // A Tap and Hold: the thread stands 1000 ms while the mouse reports every 7.5 ms, 1.2 s long.
    const unsigned during = 160;
    LONG before = Events;
    Post(0, 0, MOUSEEVENTF_LEFTDOWN);
    double next = Seconds();
    for (unsigned i = 0; i < during; i++) {
        next += 0.0075;
        while (Seconds() < next)
            SleepEx(0, FALSE);
        int dx, dy;
        Step(i, true, &dx, &dy);
        Post(dx, dy, i == 0 ? MOUSEEVENTF_LEFTUP : 0);
    }
    double last = Seconds();
    WaitWorkedOff(before, 2 + (LONG)during); // the hold's press and release, then one per report
    double lag = Seconds() - last;

    PostThreadMessageW(ThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(Thread, 5000);

    printf("screen %ldx%ld, bursts of %u queued reports, median of %u\n", (long)CursorState.cxScreen,
           (long)CursorState.cyScreen, reports, rounds);
    const char *kinds[] = {"events to the system", "events counted only"};
    for (int k = 0; k < 2; k++) {
        printf("%s:\n", kinds[k]);
        printf("  moving burst:    %8.1f ms (%.1f us a report)\n", m[k] * 1e3, m[k] / reports * 1e6);
        printf("  still burst:     %8.1f ms (%.1f us a report)\n", s[k] * 1e3, s[k] / reports * 1e6);
        printf("  moving / still:  %8.2f (aim: 1.5 or below)\n", m[k] / s[k]);
    }
    printf("floor, the same mouse_event calls alone:\n");
    printf("  moving:          %8.1f ms; burst / floor %.2f (aim: 1.2 or below)\n", movingFloor * 1e3,
           m[0] / movingFloor);
    printf("  still:           %8.1f ms; burst / floor %.2f\n", stillFloor * 1e3, s[0] / stillFloor);
    printf("after a hold:      %8.1f ms from the last of %u reports to the cursor drawn at its place\n",
           lag * 1e3, during);
    FigureWithFloor("burst.moving", m[0] * 1e3, movingFloor * 1e3, 1, "ms",
                    "a burst of 1,000 queued reports, moving");
    Figure("burst.moving_over_floor", m[0] / movingFloor, 2, "x", "  burst / floor (mouse_event alone)");
    FigureWithFloor("burst.still", s[0] * 1e3, stillFloor * 1e3, 1, "ms", "  the same, still");
    Figure("burst.ratio", m[0] / s[0], 2, "x", "  moving / still");
    Figure("burst.counted_ratio", m[1] / s[1], 2, "x", "  moving / still, events only counted");
    Figure("burst.hold_lag", lag * 1e3, 1, "ms", "lag after a Tap and Hold");
    return 0;
}
