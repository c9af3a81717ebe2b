// A recording of a real mouse, replayed by the Linux bridge (the host build's mouse_bridge)
// into the handheld's TCP feed, drives the real program: the pointer lands where the recording
// moved it and clicks there. The bridge runs outside Wine, as a person runs it, started
// through Wine's start of a Unix program; its exit code and messages come back in files on C:.
#include <winsock2.h>

#include "platform/driver_contract.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <stdlib.h>

using namespace wt;

namespace {

const COLORREF Background = RGB(0x40, 0xA0, 0x40);
// A loopback port that nothing listens on now: one the system gave and took back.
int FreePort()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(a), port = 0;
    if (bind(s, (sockaddr *)&a, sizeof(a)) == 0 && getsockname(s, (sockaddr *)&a, &size) == 0)
        port = ntohs(a.sin_port);
    closesocket(s);
    return port;
}

// A Unix path as Wine's Z: drive shows it.
std::wstring OnZ(const std::string &unixPath)
{
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : (wchar_t)(unsigned char)c;
    return path;
}

// Starts a shell command on the host, in the handheld's C: folder. Wine gives no handle of a
// Unix process, so the command itself leaves its results in files there.
bool StartUnixCommand(const std::string &command)
{
    std::wstring line = L"Z:\\bin\\sh -c \"";
    for (char c : command)
        line += (wchar_t)(unsigned char)c;
    line += L"\"";
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(L"Z:\\bin\\sh", &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    return true;
}

} // namespace

TEST(BridgeReplay, ARecordedMouseMovesThePointerAndClicksInAWindow)
{
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(OnZ(QM_MOUSE_BRIDGE).c_str()))
        << "no " QM_MOUSE_BRIDGE ": build the host build first (scripts/build.sh host)";
    DWORD port = (DWORD)FreePort();
    ASSERT_NE(0u, port);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, L"FeedPort", REG_DWORD, &port,
                                             sizeof(port)));
    HWND target = CreateScreenWindow(L"BridgeTarget", ButtonRecordingProc, Background);

    StartFreshLog(true);
    Program program(L"-first");
    ASSERT_TRUE(program.WaitUntilRunning());
    ASSERT_NE("", WaitForLogMessage("WinMain SAC_Mouse: 1", StartUpMs));
    PumpUntil([&] { return GetForegroundWindow() == target || SetForegroundWindow(target); }, 5000);

    // land_and_click.evemu, at its own pace: five steps of 4, 2 counts, a flick of 240, 360
    // that takes three reports, and a left click. At the default speed (0.5X) the pointer goes
    // to 10, 5 and then to 130, 185, where it clicks.
    std::string command = std::string("'") + QM_MOUSE_BRIDGE + "' --port " + std::to_string(port) +
                          " --wait 20000 --replay '" + QM_RECORDINGS "/land_and_click.evemu'" +
                          " >bridge-said.txt 2>&1; echo $? >bridge-exit.txt";
    ASSERT_TRUE(StartUnixCommand(command)) << GetLastError();
    ASSERT_TRUE(PumpUntil([&] { return !Clicks.empty(); }, 30000))
        << "no click reached the window; the bridge said: " << ReadText(L"\\bridge-said.txt");
    EXPECT_LE(abs(Clicks[0].x - 130), 1) << Clicks[0].x;
    EXPECT_LE(abs(Clicks[0].y - 185), 1) << Clicks[0].y;
    POINT p;
    GetCursorPos(&p);
    EXPECT_LE(abs(p.x - 130) + abs(p.y - 185), 2) << p.x << "," << p.y;

    ASSERT_TRUE(WaitFor([] { return ReadText(L"\\bridge-exit.txt").size() > 0; }, 20000));
    EXPECT_EQ("0\n", ReadText(L"\\bridge-exit.txt")) << ReadText(L"\\bridge-said.txt");
    ASSERT_TRUE(PumpUntil([&] { return Buttons.size() >= 2; })) << Buttons.size() << " button messages";
    EXPECT_EQ((std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}), Buttons);
    // Every report of the recording came, and the feed's end took the link down.
    ASSERT_NE("", WaitForLogMessage("WM_MOUSECUR: bShowCursor=1/0"));
    std::vector<std::string> log = LogMessages();
    EXPECT_EQ(10, std::count(log.begin(), log.end(), std::string("WM_MOUSEDATA")));
    DestroyWindow(target);
}
