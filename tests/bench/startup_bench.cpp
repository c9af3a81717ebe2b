// Prints how long the program takes from its start to its main message loop, with the log on:
// the first start, which starts the HID driver too, and the median of the later ones, which find
// it running. The loop runs once the log's last start-up line is written and the main window
// answers a message. Run: scripts/bench.sh (qvga and vga).
#include "tests/bench/figure.h"
#include "tests/support/wintest.h"

#include <algorithm>
#include <stdio.h>
#include <vector>

using namespace wt;

// Seconds from the start to the main loop; negative when it did not come within 20 s.
static double StartToLoop()
{
    StartFreshLog(true);
    double start = Seconds();
    Program program(L"-first");
    if (!program.Started())
        return -1;
    while (ReadText(L"\\pendrova.txt").find("WinMain SAC_Mouse: ") == std::string::npos) {
        if (Seconds() - start > 20)
            return -1;
        Sleep(1);
    }
    DWORD_PTR answer;
    HWND main = FindMainWindow();
    if (!main || !SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer))
        return -1;
    return Seconds() - start; // the program is closed as it goes
}

int main()
{
    const int later = 7;
    double first = StartToLoop();
    std::vector<double> rest;
    for (int i = 0; i < later; i++)
        rest.push_back(StartToLoop());
    if (first < 0 || *std::min_element(rest.begin(), rest.end()) < 0) {
        printf("the program did not reach its message loop\n");
        return 1;
    }
    std::sort(rest.begin(), rest.end());
    double median = rest[later / 2];
    printf("start to the main message loop, log on\n");
    printf("first start (the driver started too): %8.1f ms\n", first * 1e3);
    printf("later starts, median of %d:            %8.1f ms (fastest %.1f)\n", later, median * 1e3, rest[0] * 1e3);
    printf("(each holds the connection's two pauses of 500 ms, before and after the radio's query)\n");
    Figure("startup.first", first * 1e3, 0, "ms", "start-up to the message loop, first (driver started too)");
    Figure("startup.later", median * 1e3, 0, "ms", "start-up to the message loop, later (driver running), median");
    return 0;
}
