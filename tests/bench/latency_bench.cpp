// Prints one report's time from the feed to the cursor drawn, stage by stage, median and 99th
// percentile: the bench writes a report into the driver's feed pipe (feed), the driver's feed
// reads it and posts it (driver), the cursor thread takes it from its queue (queue), gives its
// pointer events (events) and draws the cursor at its new place (drawn). The driver's link and
// feed run in this process, so that one clock stamps every stage; the pipe, the thread's queue
// and the system's pointer are the handheld's own. A report comes every 7.5 ms, as a Bluetooth
// mouse's. Beside the whole, its floor: the same hops with the program's work left out (a pipe
// read on a thread of its own that posts what it reads, a thread that takes it, gives one pointer
// event and draws the cursor once), so that what is the program's and what is the handheld's
// waiting is never mixed. QM_BENCH_LOAD names the load it runs under (scripts/bench.sh runs it
// quiet and with every core busy). Run: scripts/bench.sh.
#include "utils/app_globals.h"
#include "handheld/driver_link.h"
#include "handheld/driver_servers.h"
#include "handheld/feed.h"
#include "platform/driver_contract.h"
#include "pointer/cursor_state.h"
#include "pointer/cursor_thread.h"
#include "pointer/motion_rules.h"
#include "settings/settings_store.h"
#include "tests/bench/bench_cursor.h"
#include "tests/bench/figure.h"
#include "tests/support/program_strip.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

// The stamps of the report in flight; each is taken once, by the stage that reaches it first.
enum { FEED, DRIVER, QUEUE, EVENTS, DRAWN, STAMPS };
static volatile double Stamp[STAMPS];
// The cursor thread posts itself this once it has given a report's events. It takes that marker
// with the look that decides whether to draw (something waits: the draw is made before the
// marker is handled), so taking it posts a second one, taken once the drawing is done: "drawn"
// is stamped on the thread itself, as it finishes.
static UINT DoneMarker;
static HANDLE Drawn;

static BOOL WINAPI StampedPost(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEDATA && Stamp[DRIVER] == 0)
        Stamp[DRIVER] = Seconds();
    return PostThreadMessageW(thread, message, wParam, lParam);
}

static LRESULT CALLBACK Taken(int code, WPARAM removed, LPARAM message)
{
    const MSG *m = (const MSG *)message;
    if (code == HC_ACTION && removed == PM_REMOVE && m->message == WM_MOUSEDATA && Stamp[QUEUE] == 0)
        Stamp[QUEUE] = Seconds();
    if (code == HC_ACTION && removed == PM_REMOVE && m->message == DoneMarker && m->wParam == 0)
        PostThreadMessageW(GetCurrentThreadId(), DoneMarker, 1, 0);
    if (code == HC_ACTION && removed == PM_REMOVE && m->message == DoneMarker && m->wParam == 1 &&
        Stamp[DRAWN] == 0) {
        Stamp[DRAWN] = Seconds();
        SetEvent(Drawn);
    }
    return CallNextHookEx(NULL, code, removed, message);
}

static void WINAPI StampedMouseEvent(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extra)
{
    PpcSystemSeams.MouseEvent(flags, dx, dy, data, extra);
    if (Stamp[EVENTS] == 0) {
        Stamp[EVENTS] = Seconds();
        PostThreadMessageW(GetCurrentThreadId(), DoneMarker, 0, 0);
    }
}

static DWORD ThreadId;

// Installed on the cursor thread itself, before it takes its first message.
static DWORD WINAPI HookedCursorThread(LPVOID parameter)
{
    SetWindowsHookExW(WH_GETMESSAGE, Taken, NULL, GetCurrentThreadId());
    return CursorThread(parameter);
}

// The floor's hops. The reader stands for the driver: it reads the pipe and posts each report
// as it is; the drawer stands for the cursor thread with its own work left out.
static HANDLE FloorPipe;
static DWORD FloorDrawerId;
static CursorStateRecord FloorCursor; // a cursor of its own, away from the program's
static UINT FloorReport;

static DWORD WINAPI FloorReader(LPVOID)
{
    BYTE report[4];
    DWORD got = 0;
    while (ReadFile(FloorPipe, report, sizeof(report), &got, NULL) && got == sizeof(report)) {
        if (Stamp[DRIVER] == 0)
            Stamp[DRIVER] = Seconds();
        PostThreadMessageW(FloorDrawerId, FloorReport, MAKEWPARAM(report[1], report[2]), 0);
    }
    return 0;
}

static DWORD WINAPI FloorDrawer(LPVOID)
{
    MSG m;
    while (GetMessageW(&m, NULL, 0, 0) > 0) {
        if (m.message == DoneMarker) {
            Stamp[DRAWN] = Seconds();
            SetEvent(Drawn);
        }
        if (m.message != FloorReport)
            continue;
        Stamp[QUEUE] = Seconds();
        FloorCursor.x += (signed char)LOWORD(m.wParam);
        FloorCursor.y += (signed char)HIWORD(m.wParam);
        PpcSystemSeams.MouseEvent(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE,
                                  AbsoluteUnits(FloorCursor.x, FloorCursor.cxScreen),
                                  AbsoluteUnits(FloorCursor.y, FloorCursor.cyScreen), 0, 0);
        Stamp[EVENTS] = Seconds();
        DrawCursor(&FloorCursor, 1);
        PostThreadMessageW(GetCurrentThreadId(), DoneMarker, 0, 0); // "drawn" as the whole stamps it
    }
    return 0;
}

// One way from a feed to a cursor drawn, and each stage's time of its counted reports in
// milliseconds (stage FEED: the whole).
struct Path {
    HANDLE feed;
    CursorStateRecord *cursor;
    std::vector<double> stage[STAMPS];
};

// Writes warmUp + reports reports into each path by turns, one every 7.5 ms, each once the one
// before is drawn: the whole and its floor wait under the same load.
static bool Play(Path *paths, int count, unsigned warmUp, unsigned reports)
{
    double next = Seconds();
    for (unsigned i = 0; i < warmUp + reports; i++) {
        int dx = i % 20 < 10 ? 6 : -6, dy = i % 16 < 8 ? 4 : -4;
        unsigned char report[4] = {0, (unsigned char)(signed char)dx, (unsigned char)(signed char)dy, 0};
        for (Path *path = paths; path < paths + count; path++) {
            next += 0.0075;
            while (Seconds() < next)
                SleepEx(1, FALSE);
            for (int s = 0; s < STAMPS; s++)
                Stamp[s] = 0;
            CursorStateRecord *cursor = path->cursor;
            int x = cursor->x + dx, y = cursor->y + dy;
            Stamp[FEED] = Seconds();
            DWORD written = 0;
            if (!WriteFile(path->feed, report, sizeof(report), &written, NULL) || written != sizeof(report)) {
                printf("the feed took no report\n");
                return false;
            }
            if (WaitForSingleObject(Drawn, 30000) != WAIT_OBJECT_0) {
                printf("report %u: not drawn within 30 s (stamps %.3f %.3f %.3f %.3f)\n", i, Stamp[DRIVER],
                       Stamp[QUEUE], Stamp[EVENTS], Stamp[DRAWN]);
                return false;
            }
            if (cursor->xDrawn != x || cursor->yDrawn != y) {
                printf("report %u: the cursor was drawn at %d,%d, not %d,%d\n", i, cursor->xDrawn, cursor->yDrawn, x,
                       y);
                return false;
            }
            if (i < warmUp)
                continue;
            for (int s = DRIVER; s < STAMPS; s++)
                path->stage[s].push_back((Stamp[s] - Stamp[s - 1]) * 1e3);
            path->stage[FEED].push_back((Stamp[DRAWN] - Stamp[FEED]) * 1e3);
        }
    }
    return true;
}

// Starts the floor's two threads; its feed is the pipe's writing end.
static HANDLE StartFloor(HANDLE threads[2])
{
    HANDLE write = NULL;
    FloorReport = RegisterWindowMessageW(L"Quillmark.LatencyBench.FloorReport");
    if (!CreatePipe(&FloorPipe, &write, NULL, 0))
        return NULL;
    FloorCursor = CursorState;
    FloorCursor.x = FloorCursor.cxScreen / 8; // its walk never meets the program's, from the middle
    FloorCursor.y = FloorCursor.cyScreen / 8;
    threads[0] = CreateThread(NULL, 0, FloorDrawer, NULL, 0, &FloorDrawerId);
    threads[1] = CreateThread(NULL, 0, FloorReader, NULL, 0, NULL);
    // The drawer's queue exists once a message can be posted to it.
    while (!PostThreadMessageW(FloorDrawerId, WM_NULL, 0, 0))
        SleepEx(1, FALSE);
    return write;
}

static void StopFloor(HANDLE feed, HANDLE threads[2])
{
    CloseHandle(feed); // the reader's read ends
    WaitForSingleObject(threads[1], 5000);
    PostThreadMessageW(FloorDrawerId, WM_QUIT, 0, 0);
    WaitForSingleObject(threads[0], 5000);
    if (FloorCursor.hdcSave)
        DrawCursor(&FloorCursor, 0);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    CloseHandle(FloorPipe);
}

static double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, (size_t)(p * v.size()))];
}

int main()
{
    if (!BenchCursorReady(true))
        return 1;
    SettingTable[SLOT_SPEED].NumVal = 3; // 1X: a report's motion is the cursor's
    PpcSeams.MouseEvent = StampedMouseEvent;
    Drawn = CreateEventW(NULL, FALSE, FALSE, NULL);
    DoneMarker = RegisterWindowMessageW(L"Quillmark.LatencyBench.Done");
    WM_MOUSEDATA = RegisterWindowMessageW(DRIVER_MSG_DATA);
    WM_MOUSECUR = RegisterWindowMessageW(DRIVER_MSG_CURSOR);

    // The driver's side, as the stand-in runs it, with its posts stamped.
    PostToThread = StampedPost;
    LinkInit();
    if (!StartFeedServers()) {
        printf("the feed's pipe could not be made\n");
        return 1;
    }
    HANDLE thread = CreateThread(NULL, 0, HookedCursorThread, NULL, 0, &ThreadId);
    SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    while (SetReceiver(ThreadId) != 0)
        SleepEx(1, FALSE);

    HANDLE feed = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 1000 && feed == INVALID_HANDLE_VALUE; i++) {
        feed = CreateFileW(FEED_PIPE_NAME, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (feed == INVALID_HANDLE_VALUE)
            SleepEx(10, FALSE);
    }
    if (feed == INVALID_HANDLE_VALUE) {
        printf("no feed pipe\n");
        return 1;
    }
    // The link comes up with the feed's connection: the cursor is shown before the first report.
    while (!CursorState.bShowCursor)
        SleepEx(1, FALSE);

    HANDLE floorThreads[2];
    HANDLE floorFeed = StartFloor(floorThreads);
    if (!floorFeed) {
        printf("the floor's pipe could not be made\n");
        return 1;
    }
    const unsigned warmUp = 50, reports = 1000;
    Path paths[2] = {{feed, &CursorState, {}}, {floorFeed, &FloorCursor, {}}};
    if (!Play(paths, 2, warmUp, reports))
        return 1;
    CloseHandle(feed);
    PostThreadMessageW(ThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    StopFloor(floorFeed, floorThreads);
    const std::vector<double> *stage = paths[0].stage, *floor = paths[1].stage;

    const char *load = getenv("QM_BENCH_LOAD");
    std::string under = load && *load ? load : "quiet";
    printf("screen %ldx%ld, %u reports every 7.5 ms, %s\n", (long)CursorState.cxScreen, (long)CursorState.cyScreen,
           reports, under.c_str());
    const char *names[STAMPS] = {"feed -> drawn", "feed -> driver", "driver -> queue taken", "queue -> events given",
                                 "events -> drawn"};
    const char *keys[STAMPS] = {"total", "driver", "queue", "events", "drawn"};
    printf("%-24s %10s %10s %10s %12s %12s\n", "stage", "median ms", "p99 ms", "max ms", "floor median",
           "floor p99");
    for (int s = 0; s < STAMPS; s++) {
        printf("%-24s %10.3f %10.3f %10.3f %12.3f %12.3f\n", names[s], Percentile(stage[s], 0.5),
               Percentile(stage[s], 0.99), Percentile(stage[s], 1.0), Percentile(floor[s], 0.5),
               Percentile(floor[s], 0.99));
        for (int p = 0; p < 2; p++) {
            double q = p ? 0.99 : 0.5;
            std::string name = "latency." + under + "." + keys[s] + (p ? ".p99" : ".median");
            std::string label = std::string(s ? "    " : "") + names[s] + ", " + (p ? "99th percentile" : "median") +
                                " (" + under + ")";
            FigureWithFloor(name.c_str(), Percentile(stage[s], q), Percentile(floor[s], q), 3, "ms", label.c_str());
        }
    }
    // How often a report is drawn later than the next one comes.
    auto late = [](const std::vector<double> &v) {
        return 100.0 * std::count_if(v.begin(), v.end(), [](double ms) { return ms > 7.5; }) / v.size();
    };
    printf("drawn later than 7.5 ms: %.1f%% of reports, floor %.1f%%\n", late(stage[FEED]), late(floor[FEED]));
    std::string name = "latency." + under + ".late";
    std::string label = "reports drawn later than 7.5 ms (" + under + ")";
    FigureWithFloor(name.c_str(), late(stage[FEED]), late(floor[FEED]), 1, "%", label.c_str());
    return 0;
}
