// The driver stand-in's link to its receiver, driven inside the test: posting redirected through
// a stand-in for PostThreadMessageW that refuses as a full queue does.
#include "handheld/driver_link.h"
#include "platform/driver_contract.h"
#include "tests/support/driver_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace wt;

namespace {

using Messages = std::vector<DriverMessage>;

// How the stand-in answers: refuses the first refusals of every message, and always refuses
// the thread whose queue is stuck; counts its calls.
std::atomic<int> Refusals{0};
std::atomic<DWORD> StuckThread{0};
std::atomic<int> Calls{0};
int RefusedSoFar = 0;
UINT LastMessage = 0;
WPARAM LastWParam = 0;

BOOL WINAPI RefusingPost(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam)
{
    Calls++;
    if (message != LastMessage || wParam != LastWParam) {
        LastMessage = message;
        LastWParam = wParam;
        RefusedSoFar = 0;
    }
    if (thread == StuckThread || RefusedSoFar < Refusals) {
        RefusedSoFar++;
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    RefusedSoFar = 0;
    LastMessage = 0;
    return PostThreadMessageW(thread, message, wParam, lParam);
}

struct Setup {
    Setup()
    {
        LinkInit();
        PostToThread = RefusingPost;
    }
} SetupOnce;

struct Calm {
    ~Calm()
    {
        Refusals = 0;
        StuckThread = 0;
    }
};

std::string Final(const Receiver &receiver, size_t count)
{
    receiver.WaitForCount(count, 10000);
    receiver.Drain();
    return Describe(receiver.Messages());
}

} // namespace

TEST(DriverLink, AFullQueueIsWaitedOutNeverSkipped)
{
    Calm calm;
    Receiver receiver;
    ASSERT_EQ(0u, SetReceiver(receiver.Id()));
    Refusals = 3; // every message is refused three times before it goes in
    Calls = 0;
    LinkConnect();
    Messages want = {{'C', 1, 0}};
    for (unsigned i = 0; i < 300; i++) {
        PostMouseData(i << 16, i % 3 == 0 ? 0x02 : 0x04);
        want.push_back({'D', i << 16, i % 3 == 0 ? 0x02u : 0x04u});
    }
    LinkDisconnect();
    want.push_back({'C', 0, 0});
    EXPECT_EQ(Describe(want), Final(receiver, want.size()));
    EXPECT_EQ(4 * (int)want.size(), Calls.load());
}

TEST(DriverLink, TheLinkIsUpWhileAnyFeedIsConnected)
{
    Calm calm;
    Receiver receiver;
    ASSERT_EQ(0u, SetReceiver(receiver.Id()));
    LinkConnect();
    LinkConnect();
    PostMouseData(1, 0);
    LinkDisconnect();
    PostMouseData(2, 0);
    LinkDisconnect();
    LinkConnect();
    LinkDisconnect();
    Messages want = {{'C', 1, 0}, {'D', 1, 0}, {'D', 2, 0}, {'C', 0, 0}, {'C', 1, 0}, {'C', 0, 0}};
    EXPECT_EQ(Describe(want), Final(receiver, want.size()));
}

TEST(DriverLink, ANamedReceiverIsToldOnceAndARefusedOneChangesNothing)
{
    Calm calm;
    Receiver first, second;
    ASSERT_EQ(0u, SetReceiver(first.Id()));
    LinkConnect();
    ASSERT_EQ(0u, SetReceiver(second.Id()));
    ASSERT_EQ(0u, SetReceiver(second.Id()));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, SetReceiver(0));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, SetReceiver(0xFFFFFFF0)); // no such thread
    EXPECT_EQ(second.Id(), ReceiverThreadId());
    PostMouseData(7, 0);
    LinkDisconnect();
    EXPECT_EQ(Describe(Messages{{'C', 1, 0}, {'D', 7, 0}, {'C', 0, 0}}), Final(second, 3));
    EXPECT_EQ(Describe(Messages{{'C', 1, 0}}), Final(first, 1));
}

TEST(DriverLink, AReceiverThatHasEndedIsNotWaitedFor)
{
    Calm calm;
    Receiver receiver;
    ASSERT_EQ(0u, SetReceiver(receiver.Id()));
    receiver.End();
    Calls = 0;
    // Were it waited for, these would never return.
    DWORD start = GetTickCount();
    LinkConnect();
    for (int i = 0; i < 1000; i++)
        PostMouseData(i, 0);
    LinkDisconnect();
    EXPECT_LT(GetTickCount() - start, 10000u);
    // Each message is tried once (the link's news, while it stays untold), and dropped when
    // refused: never tried again.
    EXPECT_EQ(1002, Calls.load());
    EXPECT_EQ(Describe(Messages{}), Describe(receiver.Messages()));
}

TEST(DriverLink, APostWaitingOnAStuckQueueGoesToTheNextReceiverNamed)
{
    Calm calm;
    Receiver stuck, next;
    ASSERT_EQ(0u, SetReceiver(stuck.Id()));
    StuckThread = stuck.Id();
    HANDLE poster = CreateThread(NULL, 0, [](LPVOID) -> DWORD {
        LinkConnect();
        PostMouseData(0x00050000, 0x02);
        return 0;
    }, NULL, 0, NULL);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(poster, 300)); // still waiting on the stuck queue

    ASSERT_EQ(0u, SetReceiver(next.Id()));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(poster, 10000));
    CloseHandle(poster);
    LinkDisconnect();
    // The link's news comes first, then the report.
    EXPECT_EQ(Describe(Messages{{'C', 1, 0}, {'D', 0x00050000, 0x02}, {'C', 0, 0}}), Final(next, 3));
    EXPECT_EQ(Describe(Messages{}), Describe(stuck.Messages()));
}
