// The immediate actions on the handheld's real windows and programs: the shell, ordinary
// applications, the control-panel host, the kernel's reset and the screen's orientation.
#include "utils/log.h"
#include "pointer/actions.h"
#include "settings/settings_store.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <string>

using namespace wt;

namespace {

const wchar_t ShellPath[] = L"C:\\windows\\shell32.exe";
const wchar_t NotesPath[] = L"C:\\windows\\notes.exe";

// Runs one action from the left button, as a press report would, and checks that an immediate
// action leaves the pointer accumulators alone.
void RunFromLeftButton(LONG action, const wchar_t *param = L"", const wchar_t *param2 = L"")
{
    SettingSlot &slot = SettingTable[SLOT_LEFT_BUTTON];
    wcscpy(slot.Param, param);
    wcscpy(slot.Param2, param2);
    slot.NumVal = action;
    DWORD flags = 0x1234;
    int sequence = 3;
    RunButtonAction(SLOT_LEFT_BUTTON, flags, sequence);
    EXPECT_EQ(0x1234u, flags);
    EXPECT_EQ(3, sequence);
}

bool Bring(HWND window)
{
    SetForegroundWindow(window);
    return WaitFor([&] { return GetForegroundWindow() == window; }, 5000);
}

// The visible top-level windows from top to bottom.
std::vector<HWND> VisibleZOrder()
{
    std::vector<HWND> order;
    for (HWND w = GetTopWindow(NULL); w; w = GetWindow(w, GW_HWNDNEXT))
        if (IsWindowVisible(w))
            order.push_back(w);
    return order;
}

std::string Describe(const std::vector<HWND> &order)
{
    std::string text;
    for (HWND w : order) {
        wchar_t cls[64] = {0}, title[64] = {0};
        GetClassNameW(w, cls, 64);
        GetWindowTextW(w, title, 64);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char line[200];
        snprintf(line, sizeof(line), "%p %ls '%ls' pid %lx; ", (void *)w, cls, title, pid);
        text += line;
    }
    return text;
}

std::string Hex(DWORD value)
{
    char text[16];
    snprintf(text, sizeof(text), "%lX", value);
    return text;
}

class ActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveFile(L"\\handheld-events.txt");
        RemoveFile(LOG_FILE);
        LogEnabled = true;
    }
    void TearDown() override { LogEnabled = false; }
};

class WithShell : public ActionsTest {
protected:
    HandheldProgram shell{ShellPath};
    HWND desktop = NULL, taskBar = NULL;
    void SetUp() override
    {
        ActionsTest::SetUp();
        desktop = WaitForWindow(L"DesktopExplorerWindow", L"Desktop");
        taskBar = WaitForWindow(L"HHTaskBar", NULL);
        ASSERT_TRUE(desktop && taskBar);
    }
};

} // namespace

TEST_F(WithShell, TheShellsDesktopIsTheDesktopWindow)
{
    EXPECT_EQ(desktop, GetDesktopWindow());
    EXPECT_EQ(shell.Pid(), FindProcessId(L"shell32.exe"));
    EXPECT_EQ(shell.Pid(), FindProcessId(L"SHELL32.EXE"));
    EXPECT_EQ(0u, FindProcessId(L"no-such-program.exe"));
}

TEST_F(WithShell, CloseTaskRefusesTheDesktop)
{
    ASSERT_TRUE(Bring(desktop));
    RunFromLeftButton(ACTION_CLOSE_TASK);
    EXPECT_EQ((std::vector<std::string>{"Close Task: " + Hex((DWORD)(UINT_PTR)desktop), "Abort - this is Desktop"}),
              LogMessages());
    Sleep(300);
    EXPECT_TRUE(IsWindow(desktop));
    EXPECT_TRUE(IsWindowVisible(desktop));
}

TEST_F(WithShell, CloseTaskAnswersACaptionOkWindowWithOk)
{
    HandheldProgram dialog(NotesPath, L"-ok Beam");
    HWND window = WaitForWindow(L"HandheldNotes", L"Beam");
    ASSERT_TRUE(window);
    ASSERT_TRUE(Bring(window));
    RunFromLeftButton(ACTION_CLOSE_TASK);
    std::vector<std::string> events = WaitForEvents(2);
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ("Beam IDOK", events[1]);
    EXPECT_EQ((std::vector<std::string>{"Close Task: " + Hex((DWORD)(UINT_PTR)window), "sent OK"}), LogMessages());
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(WithShell, CloseTaskSendsAShellWindowToTheBottom)
{
    ASSERT_TRUE(Bring(taskBar));
    RunFromLeftButton(ACTION_CLOSE_TASK);
    std::string pid = Hex(shell.Pid());
    EXPECT_EQ((std::vector<std::string>{"Close Task: " + Hex((DWORD)(UINT_PTR)taskBar),
                                        "Real Close wnd=" + pid + " shell=" + pid, "Minimize"}),
              LogMessages());
    EXPECT_TRUE(IsWindow(taskBar));
    EXPECT_TRUE(IsWindowVisible(taskBar)) << "shown again, not hidden for good";
    std::vector<HWND> order = VisibleZOrder();
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(taskBar, order.back()) << Describe(order);
}

TEST_F(WithShell, CloseTaskDestroysAnOrdinaryWindow)
{
    HandheldProgram notes(NotesPath, L"Memo");
    HWND window = WaitForWindow(L"HandheldNotes", L"Memo");
    ASSERT_TRUE(window);
    ASSERT_TRUE(Bring(window));
    RunFromLeftButton(ACTION_CLOSE_TASK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }, 5000));
    std::vector<std::string> events = WaitForEvents(2);
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ("Memo closed", events[1]);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(notes.Process(), 5000)) << "the application ends with its window";
    std::vector<std::string> log = LogMessages();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("Real Close wnd=" + Hex(notes.Pid()) + " shell=" + Hex(shell.Pid()), log[1]);
    EXPECT_EQ("Destroy Window", log[2]);
}

TEST_F(WithShell, CloseTaskClosesNothingWhenTheProcessesCannotBeListed)
{
    // Without the process list the shell is unknown: any window could be one of its own.
    HandheldProgram notes(NotesPath, L"Memo");
    HWND memo = WaitForWindow(L"HandheldNotes", L"Memo");
    ASSERT_TRUE(memo);
    DWORD missing = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_TOOLHELP_KEY, L"Missing", REG_DWORD, &missing, sizeof(missing));
    EXPECT_EQ(0u, FindProcessId(L"shell32.exe"));
    struct Case { const char *what; HWND window; DWORD pid; } cases[] = {
        {"the shell's task bar", taskBar, shell.Pid()},
        {"an application", memo, notes.Pid()},
    };
    for (const Case &c : cases) {
        RemoveFile(LOG_FILE);
        ASSERT_TRUE(Bring(c.window)) << c.what;
        RunFromLeftButton(ACTION_CLOSE_TASK);
        EXPECT_EQ((std::vector<std::string>{"Close Task: " + Hex((DWORD)(UINT_PTR)c.window),
                                            "Real Close wnd=" + Hex(c.pid) + " shell=0", "Abort - shell unknown"}),
                  LogMessages())
            << c.what;
        Sleep(300);
        EXPECT_TRUE(IsWindow(c.window) && IsWindowVisible(c.window)) << c.what;
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PPC_TOOLHELP_KEY, L"Missing");
    EXPECT_EQ(shell.Pid(), FindProcessId(L"shell32.exe"));
}

TEST_F(ActionsTest, CloseTaskWithoutAShellStillClosesTheWindow)
{
    HandheldProgram notes(NotesPath, L"Memo");
    HWND window = WaitForWindow(L"HandheldNotes", L"Memo");
    ASSERT_TRUE(window && Bring(window));
    RunFromLeftButton(ACTION_CLOSE_TASK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }, 5000));
    std::vector<std::string> log = LogMessages();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("Real Close wnd=" + Hex(notes.Pid()) + " shell=0", log[1]);
}

TEST_F(WithShell, SwitchTaskBringsTheNextWindowToTheFront)
{
    HandheldProgram first(NotesPath, L"First");
    HWND a = WaitForWindow(L"HandheldNotes", L"First");
    HandheldProgram second(NotesPath, L"Second");
    HWND b = WaitForWindow(L"HandheldNotes", L"Second");
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(Bring(a));
    // The system names the foreground before the window's own thread has raised it: a raise of
    // the first still on its way would put it back over the second.
    std::vector<HWND> before;
    ASSERT_TRUE(WaitFor([&] { before = VisibleZOrder(); return !before.empty() && before[0] == a; }, 5000))
        << Describe(before);
    ASSERT_TRUE(Bring(b));
    ASSERT_TRUE(WaitFor([&] {
        before = VisibleZOrder();
        return before.size() >= 2 && before[0] == b && before[1] == a;
    }, 5000)) << Describe(before);
    RunFromLeftButton(ACTION_SWITCH_TASK);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == a; }, 5000)) << Describe(VisibleZOrder());
    EXPECT_TRUE(IsWindowVisible(b)) << "shown again, not hidden for good";
    EXPECT_TRUE(IsWindow(b));
}

TEST_F(WithShell, ShowDesktopBringsTheShellsDesktopToTheFront)
{
    HandheldProgram notes(NotesPath, L"Memo");
    HWND window = WaitForWindow(L"HandheldNotes", L"Memo");
    ASSERT_TRUE(window && Bring(window));
    RunFromLeftButton(ACTION_SHOW_DESKTOP);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == desktop; }, 5000));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(ActionsTest, OpenProgramAndOpenAppletStartWithTheirParameters)
{
    struct Case { LONG action; const wchar_t *param, *param2; const char *program, *tail; } cases[] = {
        {ACTION_OPEN_PROGRAM, L"\\windows\\iexplore.exe", L"\\My Documents\\page one.htm", "iexplore.exe",
         " \\My Documents\\page one.htm"},
        {ACTION_OPEN_PROGRAM, L"\\windows\\iexplore.exe", L"", "iexplore.exe", "iexplore.exe\""},
        {ACTION_OPEN_APPLET, L"\\windows\\cplmain.cpl,2", L"ignored", "ctlpnl.exe", " \\windows\\cplmain.cpl,2"},
    };
    for (const Case &c : cases) {
        RemoveFile(L"\\handheld-events.txt");
        RunFromLeftButton(c.action, c.param, c.param2);
        std::vector<std::string> events = WaitForEvents(1);
        ASSERT_EQ(1u, events.size()) << c.tail;
        const std::string &line = events[0];
        EXPECT_NE(std::string::npos, line.find(c.program)) << line;
        std::string tail = c.tail;
        EXPECT_TRUE(line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
            << line;
    }
}

TEST_F(ActionsTest, AMissingProgramIsNotReported)
{
    RunFromLeftButton(ACTION_OPEN_PROGRAM, L"\\windows\\no-such-program.exe", L"");
    Sleep(500);
    EXPECT_FALSE(FileExists(L"\\handheld-events.txt"));
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", NULL)) << "no error box";
}

TEST_F(ActionsTest, ResetTellsTheHandheld)
{
    RunFromLeftButton(ACTION_RESET_DEVICE);
    EXPECT_EQ(std::vector<std::string>{"KernelIoControl IOCTL_HAL_REBOOT"}, WaitForEvents(1));
}

TEST_F(ActionsTest, RotateTurnsAQuarterEachTime)
{
    // A top-level window of this thread sees the announcement.
    static int settingChanges;
    settingChanges = 0;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_SETTINGCHANGE)
            settingChanges++;
        return DefWindowProcW(w, m, wp, lp);
    };
    wc.lpszClassName = L"RotationWatcher";
    RegisterClassW(&wc);
    HWND watcher = CreateWindowExW(0, L"RotationWatcher", L"", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);

    struct Step { DWORD stored; bool present; DWORD next; } steps[] = {
        {0, false, DMDO_90}, // never rotated: upright
        {DMDO_0, true, DMDO_90},
        {DMDO_90, true, DMDO_180},
        {DMDO_180, true, DMDO_270},
        {DMDO_270, true, DMDO_0},
        {3, true, DMDO_270}, // the desktop's 270 is not the handheld's: taken as one step past 180
        {9, true, DMDO_0},
    };
    for (const Step &s : steps) {
        if (s.present)
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_DISPLAY_KEY, L"Orientation", REG_DWORD, &s.stored, sizeof(DWORD));
        else
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PPC_DISPLAY_KEY, L"Orientation");
        RemoveFile(L"\\handheld-events.txt");
        int before = settingChanges;
        RunFromLeftButton(ACTION_ROTATE_SCREEN);

        DWORD now = 99, size = sizeof(now);
        EXPECT_EQ(ERROR_SUCCESS,
                  RegGetValueW(HKEY_LOCAL_MACHINE, PPC_DISPLAY_KEY, L"Orientation", RRF_RT_REG_DWORD, NULL, &now, &size));
        EXPECT_EQ(s.next, now) << "from " << s.stored;
        EXPECT_EQ(std::vector<std::string>{"ChangeDisplaySettingsEx orientation " + std::to_string(s.next)},
                  WaitForEvents(1));
        EXPECT_TRUE(WaitFor([&] {
            MSG msg;
            while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            return settingChanges > before;
        }, 5000)) << "WM_SETTINGCHANGE from " << s.stored;
    }
    DestroyWindow(watcher);
}
