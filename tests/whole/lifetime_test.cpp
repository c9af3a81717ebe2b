// The program's lifetime: one instance, the cursor thread's messages, shut-down.
#include "platform/driver_contract.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <stdlib.h>

using namespace wt;

namespace {

size_t CountMessages(const std::string &message)
{
    size_t n = 0;
    for (const std::string &m : LogMessages())
        n += m == message;
    return n;
}

} // namespace

TEST(Lifetime, ASecondStartShowsTheFirstAndEnds)
{
    StartFreshLog(true);
    Program first;
    HWND main = first.WaitUntilRunning();
    ASSERT_TRUE(main);
    EXPECT_FALSE(IsWindowVisible(main));

    Program second(L"-first");
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(0u, second.WaitExit(5000));

    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(main, FindMainWindow()) << "the second start made a window of its own";
    EXPECT_EQ(1u, CountMessages("duplicate instance"));
    // The second process logged its device, thread and screen lines, and never started a thread.
    EXPECT_EQ(2u, CountMessages("Init tray app.\n--------------------------\nDevice: [Pocket PC qvga]"));
    EXPECT_EQ(1u, CountMessages("CursorThread thread running. Notify driver."));
    std::vector<std::string> messages = LogMessages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ("duplicate instance", messages[messages.size() - 2]);
    EXPECT_EQ("MyInterface::Release::Destroy: 0", messages.back());
}

TEST(Lifetime, ASecondStartBringsTheOpenBoxToTheFrontWithThePage)
{
    StartFreshLog(true);
    Program first;
    HWND main = first.WaitUntilRunning();
    ASSERT_TRUE(main);
    {
        Program again;
        EXPECT_EQ(0u, again.WaitExit());
    }
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main) && GetForegroundWindow() == main; }));
    HWND about = GetDlgItem(main, 777);
    Tap(CentreOf(about).x, CentreOf(about).y);
    HWND box = NULL;
    ASSERT_TRUE(WaitFor([&] {
        return (box = FindWindowW(L"#32770", L"About")) && IsWindowVisible(box) && GetForegroundWindow() == box;
    })) << "the About box did not open";

    HWND cover = NULL;
    POINT middle = CentreOf(box);
    auto seenAt = [&] {
        HWND at = WindowFromPoint(middle);
        if (at == box || GetAncestor(at, GA_ROOT) == box)
            return std::string("the box");
        if (at == cover)
            return std::string("the cover");
        WCHAR name[64] = {0};
        GetClassNameW(GetAncestor(at, GA_ROOT), name, ARRAYSIZE(name));
        return "a window of class " + Utf8(name);
    };
    // The system names the foreground before the box's thread has raised it: a raise still on
    // its way would put the box back over the cover. The cover comes once that thread is back for
    // messages, its raise done, and the box is what shows at its middle.
    DWORD_PTR answer;
    SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    ASSERT_TRUE(WaitFor([&] { return seenAt() == "the box"; })) << seenAt();

    // Another program's window in front of both; then the program is started again.
    cover = CreateScreenWindow(L"Cover", DefWindowProcW, RGB(0x20, 0xA0, 0x20));
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == cover && seenAt() == "the cover"; }))
        << seenAt();
    Program second;
    EXPECT_EQ(0u, second.WaitExit());
    EXPECT_TRUE(WaitFor([&] { return seenAt() == "the box"; }, 5000))
        << "the page came back without its box in front; at the box's middle is " << seenAt();
    EXPECT_TRUE(IsWindowVisible(main));
    DestroyWindow(cover);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(Lifetime, TwoStartsAtTheSameMomentGiveOneInstance)
{
    // Both made before either runs, then let go together: each looks for the other's window while
    // neither has made one yet.
    StartFreshLog(true);
    for (int round = 0; round < 4; round++) {
        PROCESS_INFORMATION started[2] = {};
        for (PROCESS_INFORMATION &pi : started) {
            std::wstring line = std::wstring(L"\"") + ProgramPath + L"\"";
            STARTUPINFOW si = {sizeof(si)};
            ASSERT_TRUE(CreateProcessW(ProgramPath, &line[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, L"C:\\", &si,
                                       &pi));
        }
        for (PROCESS_INFORMATION &pi : started)
            ResumeThread(pi.hThread);
        HANDLE processes[2] = {started[0].hProcess, started[1].hProcess};
        DWORD gone = WaitForMultipleObjects(2, processes, FALSE, 20000);
        ASSERT_LT(gone - WAIT_OBJECT_0, 2u) << "round " << round << ": neither start gave way";
        const PROCESS_INFORMATION &second = started[gone - WAIT_OBJECT_0], &first = started[1 - (gone - WAIT_OBJECT_0)];
        DWORD code = 99;
        GetExitCodeProcess(second.hProcess, &code);
        EXPECT_EQ(0u, code) << "round " << round;
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(first.hProcess, 1000)) << "round " << round << ": both ended";

        HWND main = FindMainWindow();
        DWORD owner = 0;
        ASSERT_TRUE(main && GetWindowThreadProcessId(main, &owner)) << "round " << round;
        EXPECT_EQ(first.dwProcessId, owner) << "round " << round;
        EXPECT_TRUE(IsWindowVisible(main)) << "round " << round << ": the first window is shown";
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first.hProcess, 10000)) << "round " << round;
        for (PROCESS_INFORMATION &pi : started) {
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(pi.hProcess, 98);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        ASSERT_TRUE(WaitFor([] { return FindMainWindow() == NULL; })) << "round " << round;
    }
}

TEST(Lifetime, TheCursorThreadFollowsTheDriverMessages)
{
    StartFreshLog(true);
    Program program;
    ASSERT_TRUE(program.WaitUntilRunning());
    DWORD thread = program.CursorThreadId();
    ASSERT_NE(0u, thread);

    UINT data = RegisterWindowMessageW(DRIVER_MSG_DATA);
    UINT cursor = RegisterWindowMessageW(DRIVER_MSG_CURSOR);
    struct Step { UINT message; WPARAM wParam; const char *logged; } steps[] = {
        {data, 0x01020300, nullptr},                 // hidden: dropped, not logged
        {cursor, 0, "WM_MOUSECUR: bShowCursor=0/0"}, // hide while hidden
        {cursor, 1, "WM_MOUSECUR: bShowCursor=0/1"},
        {cursor, 1, "WM_MOUSECUR: bShowCursor=1/1"},
        {data, 0x01020300, "WM_MOUSEDATA"},
        {cursor, 2, "WM_MOUSECUR: bShowCursor=1/0"}, // any other value hides
        {data, 0x01020300, nullptr},
        {cursor, 1, "WM_MOUSECUR: bShowCursor=0/1"},
        {cursor, 0, "WM_MOUSECUR: bShowCursor=1/0"},
    };
    std::vector<std::string> want = LogMessages();
    for (const Step &s : steps) {
        ASSERT_TRUE(PostThreadMessageW(thread, s.message, s.wParam, 0));
        // A dropped report shows as nothing at all before the next step's line.
        if (s.logged) {
            want.push_back(s.logged);
            ASSERT_TRUE(WaitFor([&] { return LogMessages().size() >= want.size(); })) << s.logged;
        }
    }
    EXPECT_EQ(want, LogMessages());
}

TEST(Lifetime, ClosingTheWindowEndsTheProgram)
{
    StartFreshLog(true);
    Program program;
    HWND main = program.WaitUntilRunning();
    ASSERT_TRUE(main);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, program.WaitExit());

    std::vector<std::string> messages = LogMessages();
    ASSERT_GE(messages.size(), 3u);
    char destroyed[64];
    snprintf(destroyed, sizeof(destroyed), "MyInterface::Release::Destroy: %X", (unsigned)(UINT_PTR)main);
    std::vector<std::string> tail(messages.end() - 3, messages.end());
    EXPECT_EQ((std::vector<std::string>{"terminate app!", "sending wm_quit", destroyed}), tail);
}

TEST(Lifetime, MalformedSettingsNeitherStopTheProgramNorChange)
{
    const wchar_t *root = L"Software\\Dalvern\\Quillmark";
    std::wstring huge(5000, L'p');
    struct Value { const wchar_t *key, *name; DWORD type; const void *data; DWORD size; } values[] = {
        {L"1", L"NumVal", REG_SZ, L"12", 6},
        {L"2", L"NumVal", REG_DWORD, "\x07\x00", 2},
        {L"3", L"Param", REG_SZ, huge.c_str(), (DWORD)(huge.size() * 2)}, // unterminated, far too long
        {L"4", L"Param", REG_EXPAND_SZ, L"%x%", 8},
        {L"Speed", L"NumVal", REG_BINARY, "\xff\xff\xff\xff\xff", 5},
        {L"Cursor", L"NumVal", REG_DWORD, "\xe8\x03\x00\x00", 4}, // 1000: beyond the strip
    };
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, root);
    for (const Value &v : values) {
        std::wstring key = std::wstring(root) + L"\\" + v.key;
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), v.name, v.type, v.data, v.size));
    }
    auto snapshot = [&] {
        std::string all;
        for (const Value &v : values) {
            std::wstring key = std::wstring(root) + L"\\" + v.key;
            BYTE data[12000];
            DWORD type = 0, size = sizeof(data);
            RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), v.name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
            all += std::to_string(type) + ":" + std::string((char *)data, size) + "|";
        }
        return all;
    };
    std::string before = snapshot();

    StartFreshLog(true);
    Program program;
    ASSERT_TRUE(program.WaitUntilRunning());
    DWORD thread = program.CursorThreadId();
    PostThreadMessageW(thread, RegisterWindowMessageW(DRIVER_MSG_CURSOR), 1, 0);
    PostThreadMessageW(thread, RegisterWindowMessageW(DRIVER_MSG_DATA), 0x05050000, 0);
    ASSERT_NE("", WaitForLogMessage("WM_MOUSEDATA"));
    EXPECT_EQ(STILL_ACTIVE, program.WaitExit(200));
    EXPECT_EQ(before, snapshot());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, root);
}
