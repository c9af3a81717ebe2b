// Prints what the cursor thread's handling of one mouse report costs on the handheld: reports
// handled per second, the cost of one report (median and 99th percentile) and the memory
// allocations per report, against the 7.5 ms a Bluetooth mouse may take between reports.
// Run: scripts/bench.sh (qvga and vga).
#include "utils/app_globals.h"
#include "pointer/actions.h"
#include "pointer/cursor_state.h"
#include "pointer/cursor_thread.h"
#include "settings/settings_store.h"
#include "tests/bench/bench_cursor.h"
#include "tests/bench/figure.h"
#include "tests/support/program_strip.h"

#include <algorithm>
#include <stdio.h>
#include <vector>

// Every allocation of the C and C++ runtimes in this program passes here (linked with --wrap).
static volatile LONG Allocations;
extern "C" {
void *__real_malloc(size_t);
void *__real_calloc(size_t, size_t);
void *__real_realloc(void *, size_t);
void *__wrap_malloc(size_t n) { InterlockedIncrement(&Allocations); return __real_malloc(n); }
void *__wrap_calloc(size_t n, size_t m) { InterlockedIncrement(&Allocations); return __real_calloc(n, m); }
void *__wrap_realloc(void *p, size_t n) { InterlockedIncrement(&Allocations); return __real_realloc(p, n); }
}

// The system's own pointer input, counted.
static volatile LONG Events;
static void WINAPI CountedMouseEvent(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extra)
{
    PpcSystemSeams.MouseEvent(flags, dx, dy, data, extra);
    InterlockedIncrement(&Events);
}

// A report that moves the cursor about the screen, now and then with a click or a wheel notch.
static void NextReport(unsigned i, WPARAM *wParam, LPARAM *lParam)
{
    int dx = (int)(i * 37 % 61) - 30, dy = (int)(i * 53 % 41) - 20, wheel = i % 16 == 0 ? 1 : 0;
    *wParam = ((DWORD)(BYTE)dy << 24) | ((DWORD)(BYTE)dx << 16) | (BYTE)wheel;
    *lParam = i % 32 == 8 ? MOUSEEVENTF_LEFTDOWN : i % 32 == 9 ? MOUSEEVENTF_LEFTUP : 0;
}

int main()
{
    if (!BenchCursorReady(false))
        return 1;
    const LONG actions[] = {ACTION_LEFT_CLICK, ACTION_MIDDLE_CLICK, ACTION_RIGHT_CLICK, ACTION_SCROLL_UP,
                            ACTION_SCROLL_DOWN, 3};
    for (int slot = SLOT_LEFT_BUTTON; slot <= SLOT_SPEED; slot++)
        SettingTable[slot].NumVal = actions[slot - 1];
    PpcSeams.MouseEvent = CountedMouseEvent;

    LONG probe = Allocations;
    int *volatile one = new int(1); // kept, so the compiler cannot leave the allocation out
    delete one;
    if (Allocations == probe) {
        printf("the allocation counter is not linked in\n");
        return 1;
    }

    // One report at a time, timed on its own.
    const unsigned reports = 20000;
    std::vector<double> cost(reports);
    LONG allocationsBefore = Allocations;
    for (unsigned i = 0; i < reports; i++) {
        WPARAM wParam;
        LPARAM lParam;
        NextReport(i, &wParam, &lParam);
        double start = Seconds();
        ProcessMouseData(&CursorState, wParam, lParam);
        DrawCursor(&CursorState, 1); // as the thread draws a report with nothing behind it
        cost[i] = Seconds() - start;
    }
    LONG allocations = Allocations - allocationsBefore;
    std::sort(cost.begin(), cost.end());

    // The cursor thread itself, fed as fast as its queue takes reports.
    WM_MOUSEDATA = RegisterWindowMessageW(L"Quillmark.Dalvern.Data");
    WM_MOUSECUR = RegisterWindowMessageW(L"Quillmark.Dalvern.Cursor");
    DWORD id;
    HANDLE thread = CreateThread(NULL, 0, CursorThread, NULL, 0, &id);
    SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    while (!PostThreadMessageW(id, WM_MOUSECUR, 1, 0))
        SleepEx(1, FALSE);
    LONG eventsBefore = Events;
    double start = Seconds();
    for (unsigned i = 0; i < reports; i++) {
        WPARAM wParam;
        LPARAM lParam;
        NextReport(i, &wParam, &lParam);
        while (!PostThreadMessageW(id, WM_MOUSEDATA, wParam, lParam)) // the queue is full: let it drain
            SleepEx(1, FALSE);
    }
    while (Events - eventsBefore < (LONG)reports)
        SleepEx(1, FALSE);
    double threadSeconds = Seconds() - start;
    PostThreadMessageW(id, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    DrawCursor(&CursorState, 0);

    double median = cost[reports / 2], p99 = cost[reports * 99 / 100];
    printf("screen %ldx%ld, %u reports\n", (long)CursorState.cxScreen, (long)CursorState.cyScreen, reports);
    printf("cursor thread:     %8.0f reports/s (a mouse sends at most 133/s)\n", reports / threadSeconds);
    printf("one report median: %8.1f us (%.1f%% of 7.5 ms)\n", median * 1e6, median / 0.0075 * 100);
    printf("one report p99:    %8.1f us (%.1f%% of 7.5 ms)\n", p99 * 1e6, p99 / 0.0075 * 100);
    printf("allocations:       %8.3f per report\n", (double)allocations / reports);
    Figure("report.rate", reports / threadSeconds, 0, "/s", "reports handled by the cursor thread");
    Figure("report.median", median * 1e6, 1, "us", "one report, median");
    Figure("report.p99", p99 * 1e6, 1, "us", "one report, 99th percentile");
    Figure("report.allocations", (double)allocations / reports, 3, "/report", "allocations per report");
    return 0;
}
