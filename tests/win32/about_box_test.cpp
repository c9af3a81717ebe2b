// The About box inside a test program that carries the program's resources, opened from the main
// window as the "About" button does, on the handheld's screen at both sizes. Its pictures come from
// a folder of the test's own (tests/fixtures/about): a banner of eight 80-pixel bands of known
// colours and a logo of four coloured quarters, so that every pixel's place can be checked.
#include "utils/app_globals.h"
#include "utils/app_paths.h"
#include "utils/log.h"
#include "app/main_window.h"
#include "page/about_box.h"
#include "page/about_notice.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

using namespace wt;

namespace {

const wchar_t Root[] = L"Software\\Dalvern\\Quillmark";
const COLORREF Bands[] = {RGB(255, 0, 0),   RGB(0, 160, 0),   RGB(0, 0, 255),   RGB(255, 255, 0),
                          RGB(0, 255, 255), RGB(255, 0, 255), RGB(255, 128, 0), RGB(128, 0, 128)};
const COLORREF Red = RGB(255, 0, 0), Green = RGB(0, 160, 0), Blue = RGB(0, 0, 255), Yellow = RGB(255, 255, 0);

bool Near(COLORREF a, COLORREF b)
{
    return abs(GetRValue(a) - GetRValue(b)) <= 40 && abs(GetGValue(a) - GetGValue(b)) <= 40 &&
           abs(GetBValue(a) - GetBValue(b)) <= 40;
}

int Scale()
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    return dpi / 96;
}

void PutVersion(const wchar_t *name, DWORD type, const void *data, DWORD size)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, Root, name, type, data, size));
}
void PutVersion(const wchar_t *name, const std::wstring &text)
{
    PutVersion(name, REG_SZ, text.c_str(), (DWORD)((text.size() + 1) * 2));
}

// What a person sees of an open box.
struct Seen {
    bool shown = false;
    HBITMAP banner = NULL, logo = NULL; // the images while the box was open
    bool imagesHeld = false;            // both were bitmaps then
    std::vector<COLORREF> bands;        // the middle of each 40-unit strip of the banner's row
    COLORREF belowBanner = 0, background = 0;
    std::vector<std::pair<std::string, bool>> logoChecks; // a point of the logo and whether it holds
    int noticeDiffers = -1;             // pixels of the notice unlike the expected text drawn alone
    int lowestInk = -1;                 // the notice's lowest row that is not all background
};

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root);
        StartFreshLog(true);
        LogEnabled = true;
        RemoveFile(L"\\handheld-events.txt");
        AppInstance = GetModuleHandleW(NULL); // the program's resources are linked in
        // The box takes its pictures from the program's folder, laid out as installed: the logo,
        // which the box asks for in "Help", lies in the help pages' folder "help".
        CreateDirectoryW(L"C:\\about", NULL);
        CreateDirectoryW(L"C:\\about\\Images", NULL);
        CreateDirectoryW(L"C:\\about\\help", NULL);
        ASSERT_TRUE(CopyFileW(FixturePath(L"about/Images/about.jpg").c_str(), L"C:\\about\\Images\\about.jpg", FALSE));
        ASSERT_TRUE(CopyFileW(FixturePath(L"about/Help/logodalvern.gif").c_str(), L"C:\\about\\help\\logodalvern.gif",
                              FALSE));
        wcscpy(AppDir, L"C:\\about\\");
        ASSERT_EQ(1, CreateMainWindow(&MyInterface, AppInstance));
        main = MyInterface.hwndMain;
        ShowWindow(main, SW_SHOW);
        SetForegroundWindow(main);
        PumpUntil([&] { return GetForegroundWindow() == main; }, 2000);
    }
    void TearDown() override
    {
        DestroyWindow(main);
        PumpUntil([] { return false; }, 50);
        MyInterface.hwndMain = NULL;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root);
    }

    // Opens the box with the "About" command and, once it is shown, looks at it, then does what
    // close does (from another thread, as a person would, while the box runs). Returns what was
    // seen; ended is false when the box did not end.
    Seen Open(const std::wstring &notice, const std::function<void(HWND)> &close, bool *ended = nullptr)
    {
        Seen seen;
        std::atomic<bool> done(false);
        std::thread person([&] {
            HWND box = NULL;
            if (!WaitFor([&] { return (box = FindWindowW(L"#32770", L"About")) && IsWindowVisible(box); }, 10000))
                return;
            seen.shown = true;
            seen.banner = AboutBanner;
            seen.logo = AboutLogo;
            seen.imagesHeld = GetObjectType(seen.banner) == OBJ_BITMAP && GetObjectType(seen.logo) == OBJ_BITMAP;
            Look(box, notice, &seen);
            close(box);
            done = WaitFor([&] { return !IsWindow(box); }, 5000);
        });
        SendMessageW(main, WM_COMMAND, IDM_ABOUT, 0); // returns once the box has ended
        person.join();
        if (ended)
            *ended = done;
        return seen;
    }

    static void Look(HWND box, const std::wstring &notice, Seen *seen)
    {
        int s = Scale();
        RECT client;
        GetClientRect(box, &client);
        POINT origin = {0, 0};
        ClientToScreen(box, &origin);
        Screenshot shown = PaintedClient(box);
        if (shown.pixels.empty())
            return;
        auto at = [&](int x, int y) { return shown.At(origin.x + x, origin.y + y); };
        seen->background = at(1, client.bottom - 1);
        for (int j = 0; j < 6; j++)
            seen->bands.push_back(at((40 * j + 20) * s, 50 * s));
        seen->belowBanner = at(20 * s, 100 * s + 2);

        // The logo: 75 x 75 at 82, 190 on a 240-pixel screen; 150 x 150 at 165, 380 on a 480-pixel one.
        int x0 = s == 1 ? 82 : 165, y0 = s == 1 ? 190 : 380, side = 75 * s, q = side / 4;
        COLORREF bg = seen->background;
        struct Check { const char *what; int x, y; COLORREF colour; } checks[] = {
            {"top left", x0 + q, y0 + q, Red},           {"top right", x0 + 3 * q, y0 + q, Green},
            {"bottom left", x0 + q, y0 + 3 * q, Blue},   {"bottom right", x0 + 3 * q, y0 + 3 * q, Yellow},
            {"left edge", x0, y0 + q, Red},              {"left of it", x0 - 1, y0 + q, bg},
            {"right edge", x0 + side - 1, y0 + 3 * q, Yellow}, {"right of it", x0 + side, y0 + 3 * q, bg},
            {"bottom edge", x0 + q, y0 + side - 1, Blue},      {"below it", x0 + q, y0 + side, bg},
        };
        for (const Check &c : checks)
            seen->logoChecks.push_back({c.what, Near(at(c.x, c.y), c.colour)});

        // The lowest row of the notice's place that is not all background (the logo's, when shown).
        for (int y = 100 * s; y < 200 * s; y++)
            for (int x = 0; x < client.right; x++)
                if (at(x, y) != bg) {
                    seen->lowestInk = y;
                    break;
                }

        // The notice between the banner and the logo, where the logo does not cover it.
        seen->noticeDiffers = TextDiffers(box, shown, 100 * s, 200 * s, 190 * s, notice, DT_CENTER | DT_WORDBREAK, bg);
    }

    static void PressKey(HWND) {
        keybd_event('Q', 0, 0, 0);
        keybd_event('Q', 0, KEYEVENTF_KEYUP, 0);
    }

    HWND main = NULL;
};

std::wstring Notice(const std::wstring &driver, const std::wstring &gui)
{
    return L"Driver Version " + driver + L"\nGUI Version " + gui + L"\n\n" + (const wchar_t *)MAKER_NOTICE;
}

void ExpectPainted(const Seen &seen, bool banner, bool logo, const char *what)
{
    ASSERT_TRUE(seen.shown) << what;
    for (int j = 0; j < 6; j++)
        EXPECT_EQ(banner, Near(seen.bands[j], Bands[j + 1])) << what << ": strip " << j << " is " << std::hex
                                                              << seen.bands[j];
    EXPECT_FALSE(Near(seen.belowBanner, Bands[1])) << what << ": the banner reaches too low";
    for (const auto &c : seen.logoChecks) {
        bool outside = c.first == std::string("left of it") || c.first == std::string("right of it") ||
                       c.first == std::string("below it");
        EXPECT_EQ(logo || outside, c.second) << what << ": logo " << c.first;
    }
}

} // namespace

TEST_F(AboutBox, PaintsBannerNoticeAndLogoInTheirPlaces)
{
    PutVersion(L"VersionDriver", L"2.5.1");
    PutVersion(L"VersionGUI", L"1.0.0");
    std::wstring notice = Notice(L"2.5.1", L"1.0.0");
    Seen seen = Open(notice, PressKey);
    ExpectPainted(seen, true, true, "both pictures");
    EXPECT_EQ(0, seen.noticeDiffers);

    // A missing picture leaves its place as it was; the box opens and ends as usual.
    DeleteFileW(L"C:\\about\\Images\\about.jpg");
    bool ended = false;
    seen = Open(notice, PressKey, &ended);
    EXPECT_TRUE(ended);
    ExpectPainted(seen, false, true, "no banner");
    EXPECT_EQ(NULL, seen.banner);
    DeleteFileW(L"C:\\about\\help\\logodalvern.gif");
    seen = Open(notice, PressKey, &ended);
    EXPECT_TRUE(ended);
    ExpectPainted(seen, false, false, "no pictures");
    EXPECT_EQ(0, seen.noticeDiffers);
    // In the handheld's system font the six lines end above the logo: none of it runs under it.
    int logoTop = 190 * Scale();
    EXPECT_LT(seen.lowestInk, logoTop) << "the notice's last line ends at row " << seen.lowestInk;
    EXPECT_GT(seen.lowestInk, logoTop / 2) << "no notice seen";
}

TEST_F(AboutBox, TheNoticeShowsTheVersionsItCanReadAndStaysInItsBuffer)
{
    std::wstring letters300(300, L'v'), letters254(254, L'w'), letters255(255, L'u');
    struct Case {
        const char *what;
        std::function<void()> store;
        std::wstring notice;
    } cases[] = {
        {"both versions", [] { PutVersion(L"VersionDriver", L"1.4.2"); PutVersion(L"VersionGUI", L"1.0.0"); },
         Notice(L"1.4.2", L"1.0.0")},
        {"no versions", [] {}, Notice(L"", L"")},
        {"a 300-character version", [&] { PutVersion(L"VersionDriver", letters300); PutVersion(L"VersionGUI", L"1.0"); },
         Notice(L"", L"1.0")},
        {"510 bytes of letters with no terminator",
         [&] { PutVersion(L"VersionDriver", REG_SZ, letters255.c_str(), 510); PutVersion(L"VersionGUI", L"1.0"); },
         Notice(L"", L"1.0")},
        {"a version of another type", [] { PutVersion(L"VersionGUI", REG_EXPAND_SZ, L"%1%", 8); }, Notice(L"", L"")},
        {"two versions that fill the notice, cut to 254 units",
         [&] { PutVersion(L"VersionDriver", letters254); PutVersion(L"VersionGUI", letters254); },
         Notice(letters254, letters254).substr(0, ABOUT_TEXT_CHARS - 1)},
    };
    for (const Case &c : cases) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root);
        c.store();
        Seen seen = Open(c.notice, PressKey);
        ASSERT_TRUE(seen.shown) << c.what;
        EXPECT_EQ(0, seen.noticeDiffers) << c.what;
    }
}

TEST_F(AboutBox, DoneCloseAndAnyKeyEndItAndReleaseThePicturesWhileATapOpensTheMakersSite)
{
    auto tapDone = [](HWND box) {
        HWND bar = NULL;
        WaitFor([&] {
            for (bar = FindWindowW(L"PpcNavBar", NULL); bar; bar = FindWindowExW(NULL, bar, L"PpcNavBar", NULL))
                if (GetWindow(bar, GW_OWNER) == box)
                    return true;
            return false;
        });
        POINT done = CentreOf(GetDlgItem(bar, IDOK));
        Tap(done.x, done.y);
    };
    auto close = [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); };
    auto tapBodyThenKey = [](HWND box) {
        POINT body = CentreOf(box);
        Tap(body.x, body.y);
        Tap(body.x, body.y);
        WaitForEvents(2);
        Sleep(300);
        if (IsWindow(box))
            PressKey(box);
    };
    struct Case {
        const char *what;
        std::function<void(HWND)> close;
        std::vector<std::string> log;
        size_t launches;
    } cases[] = {
        {"Done", tapDone, {"About::WM_INITDIALOG in", "About::WM_INITDIALOG out", "About::IDOK"}, 0},
        {"the close command", close, {"About::WM_INITDIALOG in", "About::WM_INITDIALOG out", "About::WM_CLOSE"}, 0},
        {"a key", PressKey, {"About::WM_INITDIALOG in", "About::WM_INITDIALOG out"}, 0},
        {"two taps, then a key", tapBodyThenKey, {"About::WM_INITDIALOG in", "About::WM_INITDIALOG out"}, 2},
    };
    for (const Case &c : cases) {
        StartFreshLog(true);
        RemoveFile(L"\\handheld-events.txt");
        bool ended = false;
        Seen seen = Open(Notice(L"", L""), c.close, &ended);
        ASSERT_TRUE(seen.shown) << c.what;
        EXPECT_TRUE(ended) << c.what;
        EXPECT_EQ(c.log, LogMessages()) << c.what;
        EXPECT_TRUE(seen.imagesHeld) << c.what << ": no pictures while open";
        EXPECT_EQ(0u, (DWORD)GetObjectType(seen.banner)) << c.what << ": the banner was kept";
        EXPECT_EQ(0u, (DWORD)GetObjectType(seen.logo)) << c.what << ": the logo was kept";
        EXPECT_EQ(NULL, AboutBanner);
        EXPECT_EQ(NULL, AboutLogo);
        std::vector<std::string> events = WaitForEvents(c.launches, 1000);
        ASSERT_EQ(c.launches, events.size()) << c.what;
        for (const std::string &e : events)
            EXPECT_EQ("\"C:\\windows\\iexplore.exe\" http://www.dalvern.example/", e) << c.what;
    }
}

TEST(AboutTemplate, IsTheProgramsDialog142)
{
    HRSRC found = FindResourceW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_ABOUT), RT_DIALOG);
    ASSERT_TRUE(found);
    const BYTE *t = (const BYTE *)LockResource(LoadResource(GetModuleHandleW(NULL), found));
    DLGTEMPLATE head;
    memcpy(&head, t, sizeof(head));
    EXPECT_EQ(0x80C80048u, head.style);
    EXPECT_EQ(0u, head.dwExtendedStyle);
    EXPECT_EQ(0, head.cdit);
    EXPECT_EQ((std::vector<int>{0, 0, 186, 95}), (std::vector<int>{head.x, head.y, head.cx, head.cy}));
    // After the fixed part: no menu, the default class, the caption, then the font's size and name.
    const WCHAR *w = (const WCHAR *)(t + 18);
    EXPECT_EQ(0, w[0]);
    EXPECT_EQ(0, w[1]);
    EXPECT_STREQ(L"About", w + 2);
    const WCHAR *font = w + 2 + wcslen(w + 2) + 1;
    EXPECT_EQ(8, font[0]);
    EXPECT_STREQ(L"MS Shell Dlg", font + 1);
}
