// The real program's cursor thread fed by the HID driver stand-in: reports played into the feed
// reach the program as its own driver messages.
#include "tests/support/driver_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <stdlib.h>

using namespace wt;

TEST(MouseLink, TheProgramsCursorThreadFollowsTheFeed)
{
    StartFreshLog(true);
    Program program;
    ASSERT_TRUE(program.WaitUntilRunning());
    std::string started = WaitForLogMessage("CT-1 thread: ");
    // The program's handle value means nothing in this process: a handle of our own to its thread.
    HANDLE thread = NULL;
    ASSERT_TRUE(DuplicateHandle(program.Process(), (HANDLE)(UINT_PTR)strtoul(started.c_str() + 13, NULL, 16),
                                GetCurrentProcess(), &thread, THREAD_QUERY_INFORMATION, FALSE, 0));
    ASSERT_TRUE(StartDriver());
    ASSERT_TRUE(NameReceiver(thread));
    CloseHandle(thread);

    std::vector<std::string> want = LogMessages();
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    want.push_back("WM_MOUSECUR: bShowCursor=0/1");
    ASSERT_TRUE(WaitFor([&] { return LogMessages().size() >= want.size(); }));
    ASSERT_TRUE(WriteAll(feed, Report(0, 10, 10, 0) + Report(0, -5, 3, 0)));
    CloseHandle(feed);
    want.insert(want.end(), {"WM_MOUSEDATA", "WM_MOUSEDATA", "WM_MOUSECUR: bShowCursor=1/0"});
    ASSERT_TRUE(WaitFor([&] { return LogMessages().size() >= want.size(); }));
    EXPECT_EQ(want, LogMessages());
}
