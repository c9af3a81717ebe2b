// Paths, launching and display scaling, on the handheld's own screen and file system.
#include "utils/app_paths.h"
#include "utils/display.h"
#include "utils/launch.h"
#include "utils/log.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace wt;

TEST(AppPaths, AppDirIsTheProgramsFolder)
{
    WCHAR module[MAX_PATH];
    GetModuleFileNameW(NULL, module, MAX_PATH);
    std::wstring dir = AppDir;
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(L'\\', dir.back());
    EXPECT_EQ(std::wstring(module).rfind(L'\\') + 1, dir.size());
    EXPECT_EQ(0, _wcsnicmp(module, dir.c_str(), dir.size()));
}

TEST(AppPaths, AppPathJoinsOrRefuses)
{
    EXPECT_STREQ(L"\\Apps\\help\\help.html#lnk4", AppPath(L"\\Apps\\", L"help", L"help.html#lnk4"));

    // 1 + 4 + 1 + 253 characters and the terminator fill the 260 exactly.
    std::wstring fits(253, L'f'), tooLong(254, L'f'), wayTooLong(1000, L'f');
    EXPECT_EQ(259u, wcslen(AppPath(L"\\", L"Help", fits.c_str())));

    RemoveFile(LOG_FILE);
    LogEnabled = true;
    EXPECT_STREQ(L"", AppPath(L"\\", L"Help", tooLong.c_str()));
    EXPECT_STREQ(L"", AppPath(AppDir, wayTooLong.c_str(), wayTooLong.c_str()));
    LogEnabled = false;
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ(0u, messages[0].find("AppPath::error::too long: Help\\fff"));
}

namespace {

bool EndsWith(const std::string &s, const std::string &tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST(Launch, StartsTheProgramWithItsParameters)
{
    RemoveFile(L"\\handheld-events.txt");
    EXPECT_TRUE(LaunchProgram(L"\\windows\\iexplore.exe", L"\\Apps\\help\\help.html#lnk4"));
    OpenBluetoothSettings();
    std::vector<std::string> events = WaitForEvents(2);
    ASSERT_EQ(2u, events.size());
    // The two may start in either order.
    std::sort(events.begin(), events.end());
    EXPECT_NE(std::string::npos, events[0].find("ctlpnl.exe")) << events[0];
    EXPECT_TRUE(EndsWith(events[0], " cplmain.cpl,23,1")) << events[0];
    EXPECT_NE(std::string::npos, events[1].find("iexplore.exe")) << events[1];
    EXPECT_TRUE(EndsWith(events[1], " \\Apps\\help\\help.html#lnk4")) << events[1];
}

TEST(Launch, AMissingProgramStartsNothing)
{
    RemoveFile(L"\\handheld-events.txt");
    EXPECT_FALSE(LaunchProgram(L"\\windows\\no-such-program.exe", L""));
    EXPECT_FALSE(FileExists(L"\\handheld-events.txt"));
}

// A handheld's shortcut is text: its command's length, "#", the program (quoted or not) and its
// arguments. The shortcut's arguments come first, the caller's after them.
TEST(Launch, AShortcutStartsItsProgramOrNothing)
{
    std::string tooLong(300, 'a');
    struct Case {
        const char *name, *content;
        const wchar_t *parameters;
        const char *tail; // of the command line the program records; null: nothing starts
    } cases[] = {
        {"quoted", "22#\"\\Windows\\iexplore.exe\"", L"", "iexplore.exe\""},
        {"its arguments then the caller's", "28#\"\\Windows\\iexplore.exe\" -home", L"page.html",
         "iexplore.exe\" -home page.html"},
        {"a bare name, miscounted, a line end", "3#iexplore.exe http://x\r\n", L"", "iexplore.exe\" http://x"},
        {"upper-case extension", "22#\"\\Windows\\iexplore.exe\"", L"-q", "iexplore.exe\" -q"},
        {"no count", "\"\\Windows\\iexplore.exe\"", L"", nullptr},
        {"no command", "0#", L"", nullptr},
        {"an unclosed quote", "22#\"\\Windows\\iexplore.exe", L"", nullptr},
        {"a missing program", "24#\"\\Windows\\no-such-thing.exe\"", L"", nullptr},
        {"a program longer than a path", nullptr, L"", nullptr},
        {"larger than a shortcut", nullptr, L"", nullptr},
        {"no file", nullptr, L"", nullptr},
    };
    for (const Case &c : cases) {
        std::string name = c.name;
        const wchar_t *file = name == "upper-case extension" ? L"\\shortcut.LNK" : L"\\shortcut.lnk";
        RemoveFile(L"\\shortcut.lnk");
        RemoveFile(L"\\shortcut.LNK");
        RemoveFile(L"\\handheld-events.txt");
        if (c.content)
            WriteText(file, c.content);
        else if (name == "a program longer than a path")
            WriteText(file, "310#\"\\Windows\\" + tooLong + ".exe\"");
        else if (name == "larger than a shortcut")
            WriteText(file, "22#\"\\Windows\\iexplore.exe\" " + std::string(2000, 'x'));
        BOOL started = LaunchProgram(file, c.parameters);
        if (!c.tail) {
            EXPECT_FALSE(started) << name;
            EXPECT_FALSE(FileExists(L"\\handheld-events.txt")) << name;
            continue;
        }
        EXPECT_TRUE(started) << name << ": error " << GetLastError();
        std::vector<std::string> events = WaitForEvents(1);
        ASSERT_EQ(1u, events.size()) << name << ": nothing started";
        EXPECT_TRUE(EndsWith(events[0], c.tail)) << name << ": " << events[0];
    }
    RemoveFile(L"\\shortcut.lnk");
    RemoveFile(L"\\shortcut.LNK");
}

TEST(Display, ScreenAndScalingFollowTheProfile)
{
    struct Row { const char *profile; int width, height, dpi; } rows[] = {
        {"qvga", 240, 320, 96},
        {"vga", 480, 640, 192},
    };
    const Row *row = nullptr;
    for (const Row &r : rows)
        if (Profile() == r.profile)
            row = &r;
    ASSERT_TRUE(row) << Profile();

    EXPECT_EQ(row->width, QueryScreenCaps(HORZRES));
    EXPECT_EQ(row->height, QueryScreenCaps(VERTRES));
    EXPECT_EQ(row->dpi, ScreenDpiX());
    EXPECT_EQ(row->dpi, ScreenDpiY());

    struct Scale { int v, at96, at192; } scales[] = {
        {2, 2, 4}, {5, 5, 10}, {230, 230, 460}, {-1, -1, -2}, {0, 0, 0}, {-7, -7, -14},
    };
    for (const Scale &s : scales) {
        int want = row->dpi == 96 ? s.at96 : s.at192;
        EXPECT_EQ(want, DRAX(s.v)) << s.v;
        EXPECT_EQ(want, DRAY(s.v)) << s.v;
    }
}
