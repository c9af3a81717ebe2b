// The HID driver stand-in as the program's cursor thread meets it: reports fed to it come out
// as the two registered messages, posted to the thread that control code 15 named.
#include <winsock2.h>

#include "utils/app_globals.h"
#include "handheld/feed.h"
#include "platform/driver_contract.h"
#include "platform/driver_pipe.h"
#include "tests/support/driver_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>

using namespace wt;

namespace {

using Messages = std::vector<DriverMessage>;

// A receiving thread named to a running driver.
struct Linked {
    Receiver receiver;
    Linked()
    {
        EXPECT_TRUE(StartDriver());
        EXPECT_TRUE(NameReceiver(receiver.Handle()));
    }
};

// Writes bytes and waits until the receiver holds count messages.
void Feed(HANDLE feed, const std::string &bytes, const Receiver &receiver, size_t count)
{
    ASSERT_TRUE(WriteAll(feed, bytes));
    ASSERT_TRUE(receiver.WaitForCount(count)) << Describe(receiver.Messages());
}

// The full sequence, once nothing more is on its way.
std::string Final(const Receiver &receiver, size_t count)
{
    receiver.WaitForCount(count);
    receiver.Drain();
    return Describe(receiver.Messages());
}

DWORD RunFeeder(const std::wstring &arguments)
{
    std::wstring line = L"\"C:\\windows\\feeder.exe\" " + arguments;
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(L"C:\\windows\\feeder.exe", &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 1000 + GetLastError();
    CloseHandle(pi.hThread);
    DWORD code = 999;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 998);
    CloseHandle(pi.hProcess);
    return code;
}

// The reports of the flood: each carries its own number in dx and dy, and buttons that change
// in every way, one, two or three at a time.
const int FloodReports = 10000;
int FloodButtons(int i) { return (int)(((unsigned)i * 2654435761u) >> 13) & 7; }
std::string FloodReport(int i) { return Report(FloodButtons(i), i & 0xFF, (i >> 8) & 0xFF, i * 7); }

} // namespace

TEST(HidDriver, TheContractHoldsTheValuesBothSidesAgreeOn)
{
    // The program and the driver take these from one header; here they meet the values the
    // device's other side was built with, written out.
    struct Text { const char *what; const wchar_t *used, *agreed; } texts[] = {
        {"device", DRIVER_DEVICE_NAME, L"BHI0:"},
        {"device key", DRIVER_INSTANCE_KEY, L"Software\\Microsoft\\Bluetooth\\Hid\\Instance"},
        {"start parameter", DRIVER_CLASS_KEY, L"Software\\Microsoft\\Bluetooth\\Hid\\Hid_Class"},
        {"data message", DRIVER_MSG_DATA, L"Quillmark.Dalvern.Data"},
        {"cursor message", DRIVER_MSG_CURSOR, L"Quillmark.Dalvern.Cursor"},
        {"version value", DRIVER_VERSION_VALUE, L"VersionDriver"},
    };
    for (const Text &t : texts)
        EXPECT_STREQ(t.agreed, t.used) << t.what;
    struct Number { const char *what; unsigned used, agreed; } numbers[] = {
        {"control code", DRIVER_IOCTL_SET_THREAD, 15},
        {"link up", DRIVER_CURSOR_SHOW, 1},
        {"link down", DRIVER_CURSOR_HIDE, 0},
        {"the program's data message", WM_MOUSEDATA, RegisterWindowMessageW(L"Quillmark.Dalvern.Data")},
        {"the program's cursor message", WM_MOUSECUR, RegisterWindowMessageW(L"Quillmark.Dalvern.Cursor")},
    };
    for (const Number &n : numbers)
        EXPECT_EQ(n.agreed, n.used) << n.what;

    // The running driver answers to the written-out values and posts the written-out messages.
    StopDriver();
    HANDLE driver = ActivateDeviceEx(L"Software\\Microsoft\\Bluetooth\\Hid\\Instance", NULL, 0,
                                     (LPVOID)L"Software\\Microsoft\\Bluetooth\\Hid\\Hid_Class");
    ASSERT_TRUE(driver);
    Receiver receiver;
    HANDLE device = CreateFileW(L"BHI0:", 0, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, device);
    EXPECT_TRUE(DeviceIoControl(device, 15, (LPVOID)receiver.Handle(), 4, NULL, 0, NULL, NULL));
    CloseHandle(device);
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    Feed(feed, Report(1, 0, 0, 0), receiver, 2);
    CloseHandle(feed);
    EXPECT_EQ(Describe(Messages{{'C', 1, 0}, {'D', 0, 2}, {'C', 0, 0}}), Final(receiver, 3));
    CloseHandle(driver);
}

TEST(HidDriver, ScriptedFeedGivesExactlyTheseMessages)
{
    Linked link;
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    ASSERT_TRUE(link.receiver.WaitForCount(1));

    // Written together, one at a time, and one split across two writes.
    Feed(feed, Report(0, 5, -3, 0) + Report(1, 0, 0, 0), link.receiver, 3);
    Feed(feed, Report(1, -1, 1, 0), link.receiver, 4);
    Feed(feed, Report(3, 0, 0, 1).substr(0, 1), link.receiver, 4);
    Feed(feed, Report(3, 0, 0, 1).substr(1) + Report(2, 0, 0, -1), link.receiver, 6);
    Feed(feed, Report(4, 127, -128, 0) + Report(0, 0, 0, 0), link.receiver, 8);
    CloseHandle(feed);

    Messages want = {
        {'C', 1, 0},             // link up
        {'D', 0xFD050000, 0},    // dx 5, dy -3
        {'D', 0x00000000, 0x02}, // left down
        {'D', 0x01FF0000, 0},    // dx -1, dy 1; left held: no press again
        {'D', 0x00000001, 0x08}, // right down, wheel up
        {'D', 0x000000FF, 0x04}, // left up, wheel down
        {'D', 0x807F0000, 0x30}, // right up, middle down; dx 127, dy -128
        {'D', 0x00000000, 0x40}, // middle up
        {'C', 0, 0},             // link down
    };
    EXPECT_EQ(Describe(want), Final(link.receiver, want.size()));
}

TEST(HidDriver, AFloodArrivesWholeAndInOrder)
{
    Linked link;
    std::string bytes;
    for (int i = 0; i < FloodReports; i++)
        bytes += FloodReport(i);
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    ASSERT_TRUE(WriteAll(feed, bytes));
    CloseHandle(feed);
    ASSERT_TRUE(link.receiver.WaitForCount(FloodReports + 2, 90000)) << link.receiver.Count();
    link.receiver.Drain();

    std::vector<DriverMessage> got = link.receiver.Messages();
    ASSERT_EQ(size_t(FloodReports + 2), got.size());
    EXPECT_EQ(Describe(DriverMessage{'C', 1, 0}), Describe(got.front()));
    EXPECT_EQ(Describe(DriverMessage{'C', 0, 0}), Describe(got.back()));
    // Replay the transitions as the receiver would: each report's buttons come out as sent.
    static const struct { int bit; unsigned down, up; } buttons[] = {{1, 0x02, 0x04}, {2, 0x08, 0x10}, {4, 0x20, 0x40}};
    int held = 0, transitions = 0;
    for (int i = 0; i < FloodReports; i++) {
        const DriverMessage &m = got[i + 1];
        ASSERT_EQ('D', m.message) << i;
        ASSERT_EQ(i, (int)(((m.wParam >> 16) & 0xFF) | ((m.wParam >> 24) << 8))) << "report out of order";
        ASSERT_EQ((unsigned)(i * 7) & 0xFF, m.wParam & 0xFF) << i;
        unsigned rest = m.lParam;
        for (const auto &b : buttons) {
            if (m.lParam & b.down) {
                ASSERT_FALSE(held & b.bit) << "press of a held button, report " << i;
                held |= b.bit;
                transitions++;
            }
            if (m.lParam & b.up) {
                ASSERT_TRUE(held & b.bit) << "release of a button not held, report " << i;
                held &= ~b.bit;
                transitions++;
            }
            rest &= ~(b.down | b.up);
        }
        ASSERT_EQ(0u, rest) << i;
        ASSERT_EQ(FloodButtons(i), held) << "report " << i;
    }
    EXPECT_GT(transitions, FloodReports); // most reports change a button, many change several
}

TEST(HidDriver, TwoFeedsAreTwoMiceOnOneLink)
{
    Linked link;
    HANDLE a = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, a);
    ASSERT_TRUE(link.receiver.WaitForCount(1));
    HANDLE b = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, b);

    Feed(b, Report(1, 0, 0, 0), link.receiver, 2); // b's left button
    Feed(a, Report(1, 0, 0, 0), link.receiver, 3); // a's own left button: its own press
    Feed(a, Report(0, 0, 0, 0), link.receiver, 4);
    CloseHandle(a); // b still connected: the link stays up
    Feed(b, Report(0, 1, 0, 0), link.receiver, 5);
    CloseHandle(b);

    Messages want = {
        {'C', 1, 0}, {'D', 0, 0x02}, {'D', 0, 0x02}, {'D', 0, 0x04}, {'D', 0x00010000, 0x04}, {'C', 0, 0},
    };
    EXPECT_EQ(Describe(want), Final(link.receiver, want.size()));
}

TEST(HidDriver, ShortOrOddFeedsEndSafely)
{
    Linked link;
    struct Case { std::string bytes; Messages want; const char *why; } cases[] = {
        {"", {{'C', 1, 0}, {'C', 0, 0}}, "connected and gone"},
        {"\x01", {{'C', 1, 0}, {'C', 0, 0}}, "one byte is no report"},
        {Report(1, 2, 3, 4) + "\x09\x09", {{'C', 1, 0}, {'D', 0x03020004, 0x02}, {'C', 0, 0}}, "a report and a half"},
        // Left held when the last feed went; a new feed is a new mouse and presses again.
        {Report(0xF9, 0, 0, 0) + Report(0xF8, 0, 0, 0),
         {{'C', 1, 0}, {'D', 0, 0x02}, {'D', 0, 0x04}, {'C', 0, 0}}, "bits 3 to 7 carry nothing"},
    };
    size_t before = 0;
    for (const Case &c : cases) {
        HANDLE feed = OpenFeed();
        ASSERT_NE(INVALID_HANDLE_VALUE, feed);
        ASSERT_TRUE(WriteAll(feed, c.bytes));
        CloseHandle(feed);
        ASSERT_TRUE(link.receiver.WaitForCount(before + c.want.size())) << c.why;
        link.receiver.Drain();
        std::vector<DriverMessage> all = link.receiver.Messages();
        std::vector<DriverMessage> got(all.begin() + before, all.end());
        EXPECT_EQ(Describe(c.want), Describe(got)) << c.why;
        before = all.size();
    }
}

TEST(HidDriver, AFeederThatLeavesBeforeTheDriverListensIsStillHeard)
{
    // The feed's pipe exists before the driver listens on it: a quick feeder connects, writes and
    // closes in between.
    DWORD delay = 1000;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, FEED_LISTEN_DELAY_VALUE,
                                             REG_DWORD, &delay, sizeof(delay)));
    StopDriver();
    Linked link;
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    ASSERT_TRUE(WriteAll(feed, Report(1, 5, 0, 0)));
    CloseHandle(feed);
    EXPECT_EQ(Describe(Messages{{'C', 1, 0}, {'D', 0x00050000, 0x02}, {'C', 0, 0}}), Final(link.receiver, 3));
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, FEED_LISTEN_DELAY_VALUE);
    StopDriver();
}

TEST(HidDriver, GarbledControlRequestsAreRefusedAndTheDeviceGoesOn)
{
    Linked link;
    HANDLE device = ::CreateFileW(DRIVER_PIPE_NAME, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, device);
    DWORD mode = PIPE_READMODE_MESSAGE;
    ASSERT_TRUE(SetNamedPipeHandleState(device, &mode, NULL, NULL));

    DriverRequest good = {DRIVER_IOCTL_SET_THREAD, 4, link.receiver.Id()};
    DriverRequest noThread = {DRIVER_IOCTL_SET_THREAD, 4, 0};
    std::string longer(200, 'x');
    struct Case { std::string message; DWORD reply; const char *why; } cases[] = {
        {"abc", ERROR_INVALID_PARAMETER, "too short"},
        {longer, ERROR_INVALID_PARAMETER, "too long"},
        {std::string((const char *)&noThread, sizeof(noThread)), ERROR_INVALID_PARAMETER, "thread id 0"},
        {std::string((const char *)&good, sizeof(good)), 0, "a good request after them"},
    };
    for (const Case &c : cases) {
        DWORD done = 0;
        ASSERT_TRUE(WriteFile(device, c.message.data(), (DWORD)c.message.size(), &done, NULL)) << c.why;
        DriverReply reply = 12345;
        ASSERT_TRUE(ReadFile(device, &reply, sizeof(reply), &done, NULL)) << c.why;
        EXPECT_EQ(sizeof(reply), done) << c.why;
        EXPECT_EQ(c.reply, reply) << c.why;
    }
    CloseHandle(device);
}

TEST(HidDriver, ANewReceiverWhileTheLinkIsUpIsToldAtOnce)
{
    Linked link;
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    ASSERT_TRUE(link.receiver.WaitForCount(1));

    Receiver next;
    ASSERT_TRUE(NameReceiver(next.Handle()));
    ASSERT_TRUE(next.WaitForCount(1)); // told before any report
    ASSERT_TRUE(NameReceiver(next.Handle())); // the same thread again: nothing new to tell
    Feed(feed, Report(2, 0, 0, 0), next, 2);
    CloseHandle(feed);

    Messages want = {{'C', 1, 0}, {'D', 0, 0x08}, {'C', 0, 0}};
    EXPECT_EQ(Describe(want), Final(next, want.size()));
    EXPECT_EQ(Describe(Messages{{'C', 1, 0}}), Final(link.receiver, 1));
}

TEST(HidDriver, AReceiverThatEndsLeavesTheDriverWorking)
{
    Linked link;
    DWORD driver = DriverProcessId();
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    Feed(feed, Report(1, 0, 0, 0), link.receiver, 2);
    link.receiver.End();

    // Nobody receives: the driver still takes the reports, so the feed does not stall (this is
    // more than the pipe holds).
    std::string bytes;
    for (int i = 0; i < 2000; i++)
        bytes += Report(i & 1, 1, 1, 0);
    ASSERT_TRUE(WriteAll(feed, bytes));

    // A receiver named now hears that the link is up, then the reports from there on: some of
    // the 2000 may still be on their way, the last two surely come after.
    Receiver next;
    ASSERT_TRUE(NameReceiver(next.Handle()));
    ASSERT_TRUE(WriteAll(feed, Report(0, 0, 0, 0) + Report(4, 0, 0, 0)));
    CloseHandle(feed);
    Messages got; // complete once the link has gone down
    ASSERT_TRUE(WaitFor([&] {
        got = next.Messages();
        return !got.empty() && Describe(got.back()) == Describe(DriverMessage{'C', 0, 0});
    }));
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(Describe(DriverMessage{'C', 1, 0}), Describe(got.front())) << Describe(got);
    Messages tail(got.end() - 3, got.end());
    EXPECT_EQ(Describe(Messages{{'D', 0, 0x04}, {'D', 0, 0x20}, {'C', 0, 0}}), Describe(tail));
    for (size_t i = 1; i + 3 < got.size(); i++) { // left goes down and up by turns, ending down
        unsigned want = (got.size() - 3 - i) % 2 ? 0x02 : 0x04;
        EXPECT_EQ(Describe(DriverMessage{'D', 0x01010000, want}), Describe(got[i])) << i;
    }
    EXPECT_EQ(Describe(Messages{{'C', 1, 0}, {'D', 0, 0x02}}), Describe(link.receiver.Messages()));
    EXPECT_EQ(driver, DriverProcessId());
}

TEST(HidDriver, TheDriverGoingAwayMidStreamLeavesTheReceiverUnharmed)
{
    Linked link;
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    std::string bytes;
    for (int i = 0; i < 200; i++)
        bytes += FloodReport(i);
    Feed(feed, bytes, link.receiver, 11);
    StopDriver();

    // The feed breaks; what came before is whole and in order, and the thread goes on.
    bool broken = false;
    for (int i = 0; i < 100 && !broken; i++)
        broken = !WriteAll(feed, FloodReport(i));
    EXPECT_TRUE(broken);
    CloseHandle(feed);
    ASSERT_TRUE(link.receiver.Drain());
    std::vector<DriverMessage> got = link.receiver.Messages();
    ASSERT_GE(got.size(), 11u);
    EXPECT_EQ(Describe(DriverMessage{'C', 1, 0}), Describe(got[0]));
    for (size_t i = 1; i < got.size(); i++)
        EXPECT_EQ((unsigned)(i - 1), (got[i].wParam >> 16) & 0xFF) << Describe(got);

    // Started again, the driver serves the same thread once named.
    size_t before = got.size();
    ASSERT_TRUE(StartDriver());
    ASSERT_TRUE(NameReceiver(link.receiver.Handle()));
    feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    ASSERT_TRUE(WriteAll(feed, Report(0, 9, 0, 0)));
    CloseHandle(feed);
    ASSERT_TRUE(link.receiver.WaitForCount(before + 3));
    got = link.receiver.Messages();
    EXPECT_EQ(Describe(Messages{{'C', 1, 0}, {'D', 0x00090000, 0}, {'C', 0, 0}}),
              Describe(std::vector<DriverMessage>(got.begin() + before, got.end())));
}

TEST(HidDriver, TheFeedsTcpPortCarriesTheSameStream)
{
    // A port of our own, so that another handheld's driver on this machine cannot hold it.
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(probe, (sockaddr *)&address, sizeof(address)));
    int size = sizeof(address);
    getsockname(probe, (sockaddr *)&address, &size);
    closesocket(probe);
    DWORD port = ntohs(address.sin_port);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, FEED_PORT_VALUE, REG_DWORD, &port, sizeof(port));
    StopDriver();
    Linked link;

    SOCKET s = INVALID_SOCKET;
    ASSERT_TRUE(WaitFor([&] {
        s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (connect(s, (sockaddr *)&address, sizeof(address)) == 0)
            return true;
        closesocket(s);
        return false;
    })) << "port " << port;
    std::string bytes = Report(1, 3, 0, 0) + Report(0, 0, 0, 2);
    EXPECT_EQ((int)bytes.size(), send(s, bytes.data(), (int)bytes.size(), 0));
    closesocket(s);
    Messages want = {{'C', 1, 0}, {'D', 0x00030000, 0x02}, {'D', 0x00000002, 0x04}, {'C', 0, 0}};
    EXPECT_EQ(Describe(want), Final(link.receiver, want.size()));

    // The feeder plays over the port as well.
    WriteText(L"C:\\feed-tcp.txt", "report 2 0 -2 0\nreport 0 0 0 0\n");
    EXPECT_EQ(0u, RunFeeder(L"-port " + std::to_wstring(port) + L" C:\\feed-tcp.txt"));
    want.insert(want.end(), {{'C', 1, 0}, {'D', 0xFE000000, 0x08}, {'D', 0, 0x10}, {'C', 0, 0}});
    EXPECT_EQ(Describe(want), Final(link.receiver, want.size()));

    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, FEED_PORT_VALUE);
    StopDriver();
}

TEST(HidDriver, TheFeederPlaysItsScriptAndRefusesABadOne)
{
    Linked link;
    // A bad line anywhere: nothing is played, not even the link.
    WriteText(L"C:\\feed-bad.txt", "report 1 0 0 0\nreport 1 0 0\n");
    EXPECT_EQ(1u, RunFeeder(L"C:\\feed-bad.txt"));
    EXPECT_EQ(1u, RunFeeder(L""));
    EXPECT_EQ(1u, RunFeeder(L"C:\\no-such-script.txt"));

    WriteText(L"C:\\feed-good.txt",
              "# a click and a scroll\r\n"
              "report 1 10 -10 0\r\n"
              "pause 30\r\n"
              "\r\n"
              "report 0 0 0 -3   # release\r\n"
              "pause 0\r\n"
              "report 4 -128 127 127\r\n");
    EXPECT_EQ(0u, RunFeeder(L"C:\\feed-good.txt"));
    Messages want = {
        {'C', 1, 0}, {'D', 0xF60A0000, 0x02}, {'D', 0x000000FD, 0x04}, {'D', 0x7F80007F, 0x20}, {'C', 0, 0},
    };
    EXPECT_EQ(Describe(want), Final(link.receiver, want.size()));

    // With no driver there is no feed to connect to.
    StopDriver();
    EXPECT_EQ(2u, RunFeeder(L"-wait 300 C:\\feed-good.txt"));
}
