// Start-up as a person sees it: the log of a first start, on each screen profile.
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <regex>

using namespace wt;

namespace {

std::string ScreenLine()
{
    struct Row { const char *profile, *line; } rows[] = {
        {"qvga", "Screen size: 240x320 - DRAX(2)=2,DRAY(2)=2"},
        {"vga", "Screen size: 480x640 - DRAX(2)=4,DRAY(2)=4"},
    };
    for (const Row &r : rows)
        if (Profile() == r.profile)
            return r.line;
    return "unknown profile " + Profile();
}

void SetDeviceName(const std::wstring &name)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Handheld\\Bluetooth", L"DeviceName", REG_SZ,
                    name.c_str(), (DWORD)((name.size() + 1) * sizeof(wchar_t)));
}

} // namespace

TEST(Startup, LogsTheStartUpLinesInOrder)
{
    // A name beyond Latin-1 shows that the wide %s reaches the log as text.
    SetDeviceName(L"Pocket PC \u03a9mega \u20ac");
    StartFreshLog(true);
    Program program(L"-first");
    ASSERT_TRUE(program.Started());
    HWND main = program.WaitUntilRunning();
    ASSERT_TRUE(main);

    std::vector<LogEntry> entries = ReadLog();
    std::vector<std::string> messages;
    for (const LogEntry &e : entries)
        messages.push_back(e.message);
    ASSERT_GE(messages.size(), 8u);

    EXPECT_EQ("Init tray app.\n--------------------------\nDevice: [Pocket PC \xce\xa9mega \xe2\x82\xac]",
              messages[0]);
    char mainThread[40];
    snprintf(mainThread, sizeof(mainThread), "main thread: %lX", GetWindowThreadProcessId(main, NULL));
    EXPECT_EQ(mainThread, messages[1]);
    EXPECT_EQ(ScreenLine(), messages[2]);
    EXPECT_EQ(0u, messages[3].find("hInstance="));
    EXPECT_EQ("creating main window", messages[4]);
    // The cursor thread starts while the main thread goes on: its line may come anywhere after.
    std::vector<std::string> rest(messages.begin() + 5, messages.end());
    auto own = std::find(rest.begin(), rest.end(), "CursorThread thread running. Notify driver.");
    ASSERT_NE(rest.end(), own);
    rest.erase(own);
    // The handheld has its radio on and a mouse paired: the connection is made at once.
    ASSERT_EQ(6u, rest.size());
    std::smatch thread;
    ASSERT_TRUE(std::regex_match(rest[0], thread, std::regex("CT-1 thread: ([0-9A-F]+) running\\. Inform Driver\\.")))
        << rest[0];
    char opening[80];
    snprintf(opening, sizeof(opening), "SAC_Mouse(%lX,%s,1)", (unsigned long)(UINT_PTR)main, thread[1].str().c_str());
    EXPECT_EQ((std::vector<std::string>{opening, "BT STATUS retry: 29", "BT ON",
                                        "Start::dev found [0012a1b2c3d4] name[Bluetooth Mouse] portname[]\n"
                                        "active=1 auth=1 encr=1 trusted=1",
                                        "WinMain SAC_Mouse: 1"}),
              std::vector<std::string>(rest.begin() + 1, rest.end()));

    // The baseline is taken just before the first entry.
    EXPECT_NE(std::string::npos, entries[0].header.find("used=0.000MB")) << entries[0].header;
    for (const LogEntry &e : entries)
        EXPECT_TRUE(IsLogHeader(e.header)) << e.header;

    // The main window stays hidden. It has no frame of its own: the handheld shows its title in the
    // navigation bar (the desktop's stand-in makes it a pop-up for that), and fills the screen below it.
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(WS_POPUP | WS_SYSMENU, GetWindowLongW(main, GWL_STYLE) & ~(WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    RECT area = {};
    GetWindowRect(main, &area);
    HDC screen = GetDC(NULL);
    int bar = 26 * GetDeviceCaps(screen, LOGPIXELSY) / 96;
    ReleaseDC(NULL, screen);
    EXPECT_EQ(0, area.left);
    EXPECT_EQ(bar, area.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), area.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), area.bottom);
}

TEST(Startup, WithoutTheMarkerNoLogAppears)
{
    StartFreshLog(false);
    {
        Program program(L"-first");
        ASSERT_TRUE(program.WaitForMainWindow());
        PostMessageW(FindMainWindow(), WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, program.WaitExit());
    }
    EXPECT_FALSE(FileExists(L"\\pendrova.txt"));
}

TEST(Resources, CarryTheIconAndTheHighResolutionMark)
{
    HMODULE program = LoadLibraryExW(ProgramPath, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(program);

    HRSRC mark = FindResourceW(program, L"HI_RES_AWARE", L"CEUX");
    ASSERT_TRUE(mark);
    ASSERT_EQ(2u, SizeofResource(program, mark));
    EXPECT_EQ(1, *(const WORD *)LockResource(LoadResource(program, mark)));

    // The icon group holds its own picture for each size, none stretched from another.
    HRSRC group = FindResourceW(program, MAKEINTRESOURCEW(101), RT_GROUP_ICON);
    ASSERT_TRUE(group);
    const BYTE *dir = (const BYTE *)LockResource(LoadResource(program, group));
    WORD count = *(const WORD *)(dir + 4);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; i++) // 14-byte entries after the 6-byte header; width 0 means 256
        sizes.push_back(dir[6 + 14 * i] ? dir[6 + 14 * i] : 256);
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ((std::vector<int>{16, 32, 64}), sizes);
    for (int size : {16, 32, 64})
        EXPECT_TRUE(LoadImageW(program, MAKEINTRESOURCEW(101), IMAGE_ICON, size, size, 0)) << size;
    FreeLibrary(program);
}
