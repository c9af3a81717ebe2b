// The whole mouse link on a handheld with its radio on and a mouse paired: the program started
// with "-first" connects, and the feeder's reports, through the HID driver stand-in, show the
// cursor, move the real pointer and click in a window; the feed's end hides the cursor.
#include "tests/support/driver_support.h"
#include <sddl.h>
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <stdlib.h>

using namespace wt;

namespace {

const COLORREF Background = RGB(0x40, 0x40, 0xC0);
bool Held(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

int Foreign(int x, int y, int size) { return PixelsOtherThan(Background, x, y, size); }

size_t Count(const std::vector<std::string> &log, const std::string &line)
{
    return std::count(log.begin(), log.end(), line);
}

} // namespace

TEST(MouseLink, AStartedProgramConnectsAndTheFeedDrivesThePointer)
{
    HWND target = CreateScreenWindow(L"FeedTarget", ButtonRecordingProc, Background);

    StartFreshLog(true);
    Program program(L"-first");
    ASSERT_TRUE(program.WaitUntilRunning());
    ASSERT_NE("", WaitForLogMessage("WinMain SAC_Mouse: 1", StartUpMs));
    ASSERT_NE(0u, DriverProcessId()) << "the program started the driver";
    PumpUntil([&] { return GetForegroundWindow() == target || SetForegroundWindow(target); }, 5000);

    // At the default speed (0.5X) two reports of 40, 60 counts move the cursor to 40, 60; then
    // a left click, and the left button held and let go in the report in which the right one
    // goes down. The feeder holds the link up for a second afterwards.
    WriteText(L"\\walk.feed", "report 0 40 60 0\nreport 0 40 60 0\npause 300\nreport 1 0 0 0\nreport 0 0 0 0\n"
                              "pause 300\nreport 1 0 0 0\nreport 2 0 0 0\npause 300\nreport 0 0 0 0\npause 1000\n");
    HandheldProgram feeder(L"C:\\windows\\feeder.exe", L"\\walk.feed");
    ASSERT_TRUE(PumpUntil([&] { return !Clicks.empty(); })) << "the click reached the window";
    EXPECT_LE(abs(Clicks[0].x - 40), 1) << Clicks[0].x;
    EXPECT_LE(abs(Clicks[0].y - 60), 1) << Clicks[0].y;
    // Wine's pointer follows the display's, whose motion of an earlier move may still come in
    // after the click: its place is waited for.
    POINT p = {};
    EXPECT_TRUE(WaitFor([&] { return GetCursorPos(&p) && abs(p.x - 40) + abs(p.y - 60) <= 2; }))
        << p.x << "," << p.y;
    EXPECT_GT(Foreign(40, 60, 8), 0) << "the cursor is drawn where the pointer is";

    // No button is left held: each release reached the window and the system.
    ASSERT_TRUE(PumpUntil([&] { return Buttons.size() >= 6; })) << Buttons.size() << " button messages";
    EXPECT_EQ((std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN,
                                 WM_RBUTTONUP}),
              Buttons);
    EXPECT_FALSE(Held(VK_LBUTTON) || Held(VK_RBUTTON) || Held(VK_MBUTTON));

    // The feeder ends: the link goes down, and the cursor with it.
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(feeder.Process(), 15000));
    DWORD code = 99;
    GetExitCodeProcess(feeder.Process(), &code);
    EXPECT_EQ(0u, code);
    ASSERT_NE("", WaitForLogMessage("WM_MOUSECUR: bShowCursor=1/0"));
    std::vector<std::string> log = LogMessages();
    EXPECT_EQ(1u, Count(log, "WM_MOUSECUR: bShowCursor=0/1"));
    EXPECT_EQ(7u, Count(log, "WM_MOUSEDATA"));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(0, Foreign(40, 60, 8)) << "nothing of the cursor stays";
    DestroyWindow(target);
}

TEST(MouseLink, AFloodThroughTheFeedArrivesWhole)
{
    StartFreshLog(true);
    Program program(L"-first");
    ASSERT_TRUE(program.WaitUntilRunning());
    ASSERT_NE("", WaitForLogMessage("WinMain SAC_Mouse: 1", StartUpMs));

    // 4,000 reports (10,000 under scripts/soak.sh), a click every 50, written as fast as the pipe
    // takes them.
    const int reports = SoakLength(4000, 10000);
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    std::string bytes;
    for (int i = 0; i < reports; i++)
        bytes += Report(i % 50 == 10 ? 1 : 0, (i % 7) - 3, (i % 5) - 2, 0);
    ASSERT_TRUE(WriteAll(feed, bytes));
    CloseHandle(feed);
    // Looked for in the raw text: parsing the growing log at every poll would take a core.
    const std::string linkDown = "WM_MOUSECUR: bShowCursor=1/0";
    ASSERT_TRUE(WaitFor([&] { return ReadText(L"\\pendrova.txt").find(linkDown) != std::string::npos; }, 100000));
    std::vector<std::string> log = LogMessages();
    EXPECT_EQ((size_t)reports, Count(log, "WM_MOUSEDATA"));
    EXPECT_EQ(STILL_ACTIVE, program.WaitExit(100));
}

TEST(MouseLink, TheDriverGoingAwayMidStreamLeavesTheProgramRunning)
{
    StartFreshLog(true);
    Program program(L"-first");
    HWND main = program.WaitUntilRunning();
    ASSERT_TRUE(main);
    ASSERT_NE("", WaitForLogMessage("WinMain SAC_Mouse: 1", StartUpMs));
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    std::string bytes;
    for (int i = 0; i < 2000; i++)
        bytes += Report(0, 3, 2, 0);
    WriteAll(feed, bytes);
    ASSERT_NE("", WaitForLogMessage("WM_MOUSEDATA"));
    StopDriver();
    CloseHandle(feed);

    // The reports already posted are still handled; then all is quiet, and the program runs on.
    size_t handled = 0;
    EXPECT_TRUE(WaitFor([&] {
        size_t before = LogMessages().size();
        Sleep(300);
        return (handled = LogMessages().size()) == before;
    }, 30000));
    EXPECT_EQ(STILL_ACTIVE, program.WaitExit(100));
    DWORD_PTR answer;
    EXPECT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) << "the main window answers";
}

TEST(MouseLink, AtAnInteractiveStartTheProgramExplainsWhatIsMissing)
{
    struct Case {
        const char *what;
        bool radioOn, mousePaired;
        const wchar_t *title;
        int button;
        const char *result;
        bool settingsOpened;
    } cases[] = {
        {"radio off", false, true, L"Bluetooth", IDOK, "WinMain SAC_Mouse: -2", false},
        {"no mouse, to the settings", true, false, L"Mouse not found", IDOK, "WinMain SAC_Mouse: -3", true},
        {"no mouse, cancelled", true, false, L"Mouse not found", IDCANCEL, "WinMain SAC_Mouse: -3", false},
    };
    const wchar_t *hid = L"software\\microsoft\\bluetooth\\device\\HID";
    for (const Case &c : cases) {
        DWORD mode = c.radioOn ? 1 : 0;
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Handheld\\Bluetooth", L"Mode", REG_DWORD, &mode, sizeof(mode));
        if (!c.mousePaired)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, hid);
        RemoveFile(L"\\handheld-events.txt");
        StartFreshLog(true);

        BoxAnswerer answer(c.title, c.button);
        Program program(L"-first");
        const Box &box = answer.Seen();
        EXPECT_TRUE(box.seen) << c.what;
        EXPECT_NE("", WaitForLogMessage(c.result)) << c.what;
        if (c.settingsOpened) {
            std::vector<std::string> events = WaitForEvents(1);
            ASSERT_EQ(1u, events.size()) << c.what;
            EXPECT_NE(std::string::npos, events[0].find("ctlpnl.exe")) << events[0];
        } else {
            EXPECT_FALSE(FileExists(L"\\handheld-events.txt")) << c.what;
        }
        EXPECT_EQ(STILL_ACTIVE, program.WaitExit(100)) << "the program goes on without a mouse";
    }
}

namespace {

// A key of the stack's records that this user may read but not change, as long as it lives.
class ReadOnlyKey {
public:
    explicit ReadOnlyKey(const wchar_t *path) : path_(path)
    {
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS)
            return;
        DWORD size = sizeof(saved_);
        saved_ok_ = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved_, &size) == ERROR_SUCCESS;
        PSECURITY_DESCRIPTOR readOnly = NULL;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                 NULL)) {
            applied_ = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
            LocalFree(readOnly);
        }
        RegCloseKey(key);
    }
    ~ReadOnlyKey()
    {
        HKEY key;
        if (saved_ok_ && RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, (PSECURITY_DESCRIPTOR)saved_);
            RegCloseKey(key);
        }
    }
    bool Applied() const { return applied_; }

private:
    const wchar_t *path_;
    BYTE saved_[4096];
    bool saved_ok_ = false, applied_ = false;
};

} // namespace

TEST(MouseLink, TheStacksRecordsAreReadWithoutTheRightToChangeThem)
{
    // The mouse takes its authentication and encryption from the HID service's defaults only.
    const wchar_t *root = L"software\\microsoft\\bluetooth\\device", *hid = L"software\\microsoft\\bluetooth\\device\\HID",
                  *mouse = L"software\\microsoft\\bluetooth\\device\\HID\\0012a1b2c3d4";
    DWORD one = 1, on = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Handheld\\Bluetooth", L"Mode", REG_DWORD, &on, sizeof(on));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, hid);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, hid, L"DefaultAuth", REG_DWORD, &one, sizeof(one));
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, hid, L"DefaultEncrypt", REG_DWORD, &one, sizeof(one));
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, mouse, L"name", REG_SZ, L"Bluetooth Mouse", 32);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, mouse, L"active", REG_DWORD, &one, sizeof(one));
    {
        ReadOnlyKey keys[] = {ReadOnlyKey(root), ReadOnlyKey(hid), ReadOnlyKey(mouse)};
        for (const ReadOnlyKey &k : keys)
            ASSERT_TRUE(k.Applied());
        HKEY probe;
        ASSERT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, hid, 0, KEY_SET_VALUE, &probe)) << "still writable";

        StartFreshLog(true);
        Program program(L"-first");
        ASSERT_TRUE(program.WaitUntilRunning());
        ASSERT_NE("", WaitForLogMessage("WinMain SAC_Mouse: 1", StartUpMs));
        EXPECT_EQ("Start::dev found [0012a1b2c3d4] name[Bluetooth Mouse] portname[]\nactive=1 auth=1 encr=1 trusted=1",
                  WaitForLogMessage("Start::dev found"));
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, hid, L"DefaultAuth");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, hid, L"DefaultEncrypt");
}
