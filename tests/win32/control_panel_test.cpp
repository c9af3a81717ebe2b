// The handheld's control panel host opens the applet entry it is given, as "Open Applet" asks it
// to: the sample applet's window for that entry, until the user closes it.
#include "utils/launch.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <thread>

using namespace wt;

namespace {

const wchar_t ControlPanel[] = L"C:\\windows\\ctlpnl.exe";

// The host started with a command line, its exit code once it ends (STILL_ACTIVE if it does not).
DWORD RunControlPanel(const std::wstring &arguments, DWORD timeoutMs = 10000)
{
    std::wstring line = L"\"" + std::wstring(ControlPanel) + L"\" " + arguments;
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(ControlPanel, &line[0], NULL, NULL, FALSE, 0, NULL, L"C:\\", &si, &pi)) {
        printf("the control panel host did not start: error %lu\n", GetLastError());
        return (DWORD)-1;
    }
    CloseHandle(pi.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hProcess);
    return code;
}

} // namespace

TEST(ControlPanel, OpensTheEntryItIsGivenUntilItIsClosed)
{
    // Launched as the Open Applet action launches it.
    RemoveFile(L"\\handheld-events.txt");
    ASSERT_TRUE(LaunchProgram(L"\\windows\\ctlpnl.exe", L"\\windows\\sample.cpl,2"));
    HWND clock = WaitForWindow(L"SampleApplet", L"Clock");
    ASSERT_TRUE(clock);
    // Found once made; shown a moment later.
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(clock) != FALSE; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == clock; }, 5000));
    PostMessageW(clock, WM_CLOSE, 0, 0);
    std::vector<std::string> events = WaitForEvents(3);
    ASSERT_EQ(3u, events.size());
    EXPECT_NE(std::string::npos, events[0].find("ctlpnl.exe")) << events[0];
    EXPECT_NE(std::string::npos, events[0].find(" \\windows\\sample.cpl,2")) << events[0];
    EXPECT_EQ("Clock opened", events[1]);
    EXPECT_EQ("Clock closed", events[2]);
}

TEST(ControlPanel, OpensNothingForAReferenceThatNamesNoEntry)
{
    struct Case { const wchar_t *arguments; DWORD exitCode; const char *why; } cases[] = {
        {L"\\windows\\missing.cpl,0", 1, "no such applet"},
        {L"cplmain.cpl,23,1", 1, "the Bluetooth page the handheld's own panel has"},
        {L"\\windows\\refusing.cpl,0", 2, "refuses to start"},
        {L"\\windows\\sample.cpl,5", 3, "no such entry"},
        {L"\\windows\\sample.cpl,-1", 3, "an entry its lookup did not find"},
        {L"\\windows\\empty.cpl,0", 3, "no entries at all"},
        {L"\\windows\\sample.cpl", 4, "no index"},
        {L"", 4, "nothing"},
    };
    for (const Case &c : cases) {
        RemoveFile(L"\\handheld-events.txt");
        EXPECT_EQ(c.exitCode, RunControlPanel(c.arguments)) << c.why;
        std::vector<std::string> events = WaitForEvents(1);
        ASSERT_EQ(1u, events.size()) << c.why << ": only the command line is recorded";
        EXPECT_EQ(nullptr, FindWindowW(L"SampleApplet", NULL)) << c.why;
    }

    // A bare name is found in \windows; the entry opens and the host ends when it is closed.
    RemoveFile(L"\\handheld-events.txt");
    std::thread closer([] {
        HWND power = WaitForWindow(L"SampleApplet", L"Power");
        if (power)
            PostMessageW(power, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0u, RunControlPanel(L"sample.cpl,4"));
    closer.join();
    std::vector<std::string> events = WaitForEvents(3);
    ASSERT_EQ(3u, events.size());
    EXPECT_EQ("Power opened", events[1]);
    EXPECT_EQ("Power closed", events[2]);
}
