// The settings page of the real program as a new user meets it on a fresh handheld with its
// shell: the tray icon once "Show Tray icon" is ticked, the page from a tap on it, the lists, a
// change of speed and cursor felt by the very next report, "Hide", "About" and "Connect"; a program
// and an applet entry chosen with the pickers for the Right Button, which then opens them. Every
// step is a tap or a key on the handheld's screen.
#include "platform/driver_contract.h"
#include "pointer/actions.h"
#include "page/about_notice.h"
#include "tests/support/driver_support.h"
#include "tests/support/wintest.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <stdlib.h>
#include <string>

using namespace wt;

namespace {

const wchar_t Root[] = L"Software\\Dalvern\\Quillmark";
const int TrayId = 5000;

int Scale()
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    return dpi / 96;
}

std::wstring RegText(const wchar_t *key, const wchar_t *name)
{
    WCHAR text[300] = {0};
    DWORD size = sizeof(text);
    RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, NULL, text, &size);
    return text;
}

LONG SlotNumber(const wchar_t *slotKey)
{
    std::wstring key = std::wstring(Root) + L"\\" + slotKey;
    DWORD value = 0xDEAD, size = 4;
    RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"NumVal", RRF_RT_REG_DWORD, NULL, &value, &size);
    return (LONG)value;
}

void TapOn(HWND window)
{
    POINT at = CentreOf(window);
    Tap(at.x, at.y);
}

HWND MenuButton(HWND main, int id)
{
    for (HWND bar = FindWindowW(L"menu_worker", NULL); bar; bar = FindWindowExW(NULL, bar, L"menu_worker", NULL))
        if (GetWindow(bar, GW_OWNER) == main)
            return GetDlgItem(bar, id);
    return NULL;
}

// Whether the page is what a person sees: its middle is the main window or one of its controls.
bool InFront(HWND main)
{
    HWND at = WindowFromPoint(CentreOf(main));
    return IsWindowVisible(main) && (at == main || GetParent(at) == main);
}

// Taps a button of the main window's menu bar, as a person does once the bar shows in front and
// the page is back: active, and its thread done with what it was doing (a box just answered ends
// with the page's activation, which a tap must not land in the middle of).
void TapMenu(HWND main, int id)
{
    HWND button = MenuButton(main, id), bar = GetParent(button);
    WaitFor([&] {
        return IsWindowVisible(bar) && GetWindow(main, GW_HWNDPREV) == bar && GetForegroundWindow() == main;
    });
    DWORD_PTR answer;
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    TapOn(button);
}

// Opens a drop-down list with a tap and taps one of its entries, as a person does.
bool TapEntry(HWND combo, int index)
{
    TapOn(combo);
    HWND list = NULL;
    if (!WaitFor([&] {
            for (list = FindWindowW(L"ComboLBox", NULL); list; list = FindWindowExW(NULL, list, L"ComboLBox", NULL))
                if (IsWindowVisible(list))
                    return true;
            return false;
        }, 5000))
        return false;
    int top = (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    int height = (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    RECT shown;
    GetClientRect(list, &shown);
    if (index < top || (index - top + 1) * height > shown.bottom) { // scrolled to, as with the list's bar
        SendMessageW(list, LB_SETTOPINDEX, index, 0);
        top = (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    }
    POINT at = {10, (index - top) * height + height / 2};
    ClientToScreen(list, &at);
    Tap(at.x, at.y);
    return WaitFor([&] { return SendMessageW(combo, CB_GETCURSEL, 0, 0) == index && !IsWindowVisible(list); }, 5000);
}

// The program's cursor thread, told the driver's messages directly.
struct CursorThread {
    DWORD id;
    UINT data = RegisterWindowMessageW(DRIVER_MSG_DATA), cursor = RegisterWindowMessageW(DRIVER_MSG_CURSOR);
    // Posts one report and waits until the program has handled it to its end: the cursor message
    // behind it (which changes nothing while the link is up) is logged only after the report's
    // events and drawing.
    void Report(int dx, int dy, LPARAM buttons = 0)
    {
        size_t before = LogMessages().size();
        PostThreadMessageW(id, data, ((DWORD)(BYTE)dy << 24) | ((DWORD)(BYTE)dx << 16), buttons);
        PostThreadMessageW(id, cursor, 1, 0);
        WaitFor([&] { return LogMessages().size() >= before + 2; });
    }
};

// Waits until the pointer is at a point (give or take the desktop's rounding of a pixel).
bool PointerNear(POINT want)
{
    POINT p = {};
    bool there = WaitFor([&] {
        GetCursorPos(&p);
        return abs(p.x - want.x) <= 1 && abs(p.y - want.y) <= 1;
    }, 3000);
    if (!there)
        ADD_FAILURE() << "the pointer is at " << p.x << "," << p.y << ", not " << want.x << "," << want.y;
    return there;
}


// The open picker of the program (its class name starts with the prefix) once it is in front.
struct OpenPicker {
    HWND window = NULL, tree = NULL, bottomLine = NULL, ok = NULL;
};
BOOL CALLBACK MatchPicker(HWND window, LPARAM found)
{
    WCHAR name[64] = {0};
    GetClassNameW(window, name, ARRAYSIZE(name));
    if (wcsncmp(name, L"browsefile:", 11) == 0 || wcsncmp(name, L"browseapplet:", 13) == 0) {
        ((OpenPicker *)found)->window = window;
        return FALSE;
    }
    return TRUE;
}
// A tap on the picture of the tree's first item (its label may be one letter narrow): the item is
// selected and the tree takes the keys from then on.
void TapFirstItem(HWND tree)
{
    RECT r;
    GetWindowRect(tree, &r);
    int indent = (int)SendMessageW(tree, TVM_GETINDENT, 0, 0);
    int height = (int)SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0);
    Tap(r.left + indent + height / 2, r.top + height / 2);
}

OpenPicker WaitForPicker(int treeId, int bottomLineId)
{
    OpenPicker p;
    WaitFor([&] {
        p.window = NULL;
        EnumWindows(MatchPicker, (LPARAM)&p);
        return p.window && IsWindowVisible(p.window) && GetForegroundWindow() == p.window;
    });
    if (!p.window)
        return p;
    p.tree = GetDlgItem(p.window, treeId);
    p.bottomLine = GetDlgItem(p.window, bottomLineId);
    for (HWND bar = FindWindowW(L"menu_worker", NULL); bar; bar = FindWindowExW(NULL, bar, L"menu_worker", NULL))
        if (GetWindow(bar, GW_OWNER) == p.window)
            p.ok = GetDlgItem(bar, 103);
    return p;
}

void Press(WORD vk)
{
    keybd_event((BYTE)vk, 0, 0, 0);
    keybd_event((BYTE)vk, 0, KEYEVENTF_KEYUP, 0);
    Sleep(60);
}
// Letters typed into the window with the focus; a tree selects the item they begin.
void Type(const wchar_t *text)
{
    for (; *text; text++) {
        SHORT key = VkKeyScanW(*text);
        if (key & 0x100)
            keybd_event(VK_SHIFT, 0, 0, 0);
        Press(LOBYTE(key));
        if (key & 0x100)
            keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    }
}
} // namespace

TEST(SettingsWalk, ANewUserFindsChangesAndFeelsEverySetting)
{
    int s = Scale();
    // What the installation recorded: the versions the About box shows.
    EXPECT_EQ(QM_DRIVER_VERSION, RegText(Root, L"VersionDriver"));
    EXPECT_EQ(QM_GUI_VERSION, RegText(Root, L"VersionGUI"));

    HandheldProgram shell(ShellProgram);
    StartFreshLog(true);
    auto program = std::make_unique<Program>();
    HWND main = program->WaitUntilRunning();
    ASSERT_TRUE(main);
    EXPECT_TRUE(TrayIcons().empty()) << "an icon before the user asked for one";

    // Starting the program again shows its page; ticking "Show Tray icon" puts the icon in the tray.
    { Program again; EXPECT_EQ(0u, again.WaitExit()); }
    ASSERT_TRUE(WaitFor([&] { return InFront(main); }));
    HWND box = FindWindowExW(main, NULL, L"Button", L"Show Tray icon");
    ASSERT_TRUE(box);
    TapOn(box);
    ASSERT_TRUE(WaitFor([&] { return TrayIconOf(main, TrayId) != NULL; })) << "no icon after the tick";
    EXPECT_TRUE(WaitFor([] { return SlotNumber(L"AutoStart") == 1; }));

    // "Hide" puts the page away; a tap on the icon brings it back in front.
    TapMenu(main, 131);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }));
    TapOn(TrayIconOf(main, TrayId));
    ASSERT_TRUE(WaitFor([&] { return InFront(main); })) << "the page does not show";

    // The lists show the settings of a first run.
    HWND speed = GetDlgItem(main, 820), cursorList = GetDlgItem(main, 818);
    EXPECT_EQ(2, SendMessageW(speed, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, SendMessageW(cursorList, CB_GETCURSEL, 0, 0));

    // The mouse is linked and moved from the top-left corner to an empty part of the page below the
    // lists: at 0.5X a report moves the pointer half its counts.
    CursorThread mouse{program->CursorThreadId()};
    ASSERT_NE(0u, mouse.id);
    PostThreadMessageW(mouse.id, mouse.cursor, 1, 0);
    ASSERT_NE("", WaitForLogMessage("WM_MOUSECUR: bShowCursor=0/1"));
    for (int i = 0; i < 10; i++)
        mouse.Report(10 * s, 48 * s);
    POINT at = {50 * s, 240 * s};
    EXPECT_TRUE(PointerNear(at)) << "0.5X";
    mouse.Report(40, 0);
    at.x += 20;
    EXPECT_TRUE(PointerNear(at)) << "0.5X";

    // The cursor "Red" is drawn in place of "Blue" where the next report puts it.
    auto reds = [&](POINT p) {
        RECT cell = {p.x, p.y, p.x + 10 * s, p.y + 16 * s};
        std::vector<COLORREF> pixels = TakeScreenshot(cell).pixels;
        return std::count_if(pixels.begin(), pixels.end(), [](COLORREF c) {
            return GetRValue(c) > 160 && GetGValue(c) < 90 && GetBValue(c) < 90;
        });
    };
    EXPECT_EQ(0, reds(at)) << "red before the change";
    ASSERT_TRUE(TapEntry(cursorList, 2));
    ASSERT_TRUE(WaitFor([] { return SlotNumber(L"Cursor") == 2; }));
    mouse.Report(2, 0);
    at.x += 1;
    EXPECT_TRUE(PointerNear(at));
    EXPECT_TRUE(WaitFor([&] { return reds(at) > 10 * s * s; }, 3000)) << "no red cursor: " << reds(at);

    // "2X": the next report of 40 counts moves the pointer 80 pixels.
    ASSERT_TRUE(TapEntry(speed, 4));
    ASSERT_TRUE(WaitFor([] { return SlotNumber(L"Speed") == 4; }));
    mouse.Report(40, 0);
    at.x += 80;
    EXPECT_TRUE(PointerNear(at)) << "2X";

    // "About" shows both versions, the banner and the logo; a key closes it.
    TapOn(FindWindowExW(main, NULL, L"Button", L"About"));
    HWND about = WaitForWindow(L"#32770", L"About");
    ASSERT_TRUE(about);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(about); }));
    RECT client;
    GetClientRect(about, &client);
    POINT origin = {0, 0};
    ClientToScreen(about, &origin);
    Screenshot shown;
    COLORREF paper = 0;
    auto painted = [&](int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; y++)
            for (int x = left; x < right; x++)
                n += shown.At(origin.x + x, origin.y + y) != paper;
        return n * 100 / ((right - left) * (bottom - top));
    };
    shown = PaintedClient(about);
    paper = shown.At(origin.x + 1, origin.y + client.bottom - 1);
    std::wstring notice = std::wstring(L"Driver Version ") + QM_DRIVER_VERSION + L"\nGUI Version " + QM_GUI_VERSION +
                          L"\n\n" + (const wchar_t *)MAKER_NOTICE;
    // Down to the logo, which is drawn over the notice's last rows.
    EXPECT_EQ(0, TextDiffers(about, shown, 100 * s, 200 * s, 190 * s, notice, DT_CENTER | DT_WORDBREAK, paper));
    EXPECT_GT(painted(0, 0, client.right, 100 * s), 95) << "the banner";
    int logoLeft = (client.right - 75 * s) / 2;
    EXPECT_GT(painted(logoLeft, 190 * s, logoLeft + 75 * s, 265 * s), 60) << "the logo"; // white corners
    keybd_event('Q', 0, 0, 0);
    keybd_event('Q', 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));

    // The program ends and starts again: its icon goes and comes back, the lists show what was chosen.
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, program->WaitExit());
    EXPECT_TRUE(TrayIcons().empty());
    program = std::make_unique<Program>();
    main = program->WaitUntilRunning();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitFor([&] { return TrayIconOf(main, TrayId) != NULL; }));
    TapOn(TrayIconOf(main, TrayId));
    ASSERT_TRUE(WaitFor([&] { return InFront(main); }));
    EXPECT_EQ(4, SendMessageW(GetDlgItem(main, 820), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(2, SendMessageW(GetDlgItem(main, 818), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(BST_CHECKED, SendMessageW(FindWindowExW(main, NULL, L"Button", L"Show Tray icon"), BM_GETCHECK, 0, 0));
}

TEST(SettingsWalk, TheRightButtonOpensWhatThePickersChose)
{
    // A folder with one program in it, the handheld's notes application under another name.
    CreateDirectoryW(L"C:\\picks", NULL);
    ASSERT_TRUE(CopyFileW(L"C:\\windows\\notes.exe", L"C:\\picks\\jot.exe", FALSE));
    HandheldProgram shell(ShellProgram);
    StartFreshLog(true);
    Program program;
    HWND main = program.WaitUntilRunning();
    ASSERT_TRUE(main);
    { Program again; EXPECT_EQ(0u, again.WaitExit(30000)); } // a start of its own takes long on a busy machine
    ASSERT_TRUE(WaitFor([&] { return InFront(main); }, 20000));
    CursorThread mouse{program.CursorThreadId()};
    ASSERT_NE(0u, mouse.id);
    PostThreadMessageW(mouse.id, mouse.cursor, 1, 0);
    ASSERT_NE("", WaitForLogMessage("WM_MOUSECUR: bShowCursor=0/1"));

    // The Right Button gets "Open Program": the picker opens. The root, opened; "picks", opened;
    // its program; the words typed below; OK.
    ASSERT_TRUE(TapEntry(GetDlgItem(main, 817), 2));
    ASSERT_TRUE(TapEntry(GetDlgItem(main, 819), 9));
    OpenPicker files = WaitForPicker(701, 502);
    ASSERT_TRUE(files.window && files.tree && files.ok) << "no program picker in front";
    auto items = [&] { return SendMessageW(files.tree, TVM_GETCOUNT, 0, 0); };
    TapFirstItem(files.tree);
    Press(VK_RIGHT);
    ASSERT_TRUE(WaitFor([&] { return items() > 1; })) << "the root does not open";
    Sleep(1100); // letters typed after a pause begin a new search
    Type(L"picks");
    LRESULT listed = items();
    Press(VK_RIGHT);
    ASSERT_TRUE(WaitFor([&] { return items() == listed + 1; })) << "\\picks does not open";
    Press(VK_RIGHT); // into the folder: its one program
    TapOn(files.bottomLine);
    Type(L"-ok Walk");
    TapOn(files.ok);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(files.window); })) << "the picker stays";
    ASSERT_TRUE(WaitFor([] { return RegText(L"Software\\Dalvern\\Quillmark\\3", L"Param") == L"\\picks\\jot.exe"; }))
        << Utf8(RegText(L"Software\\Dalvern\\Quillmark\\3", L"Param"));
    EXPECT_EQ(L"-ok Walk", RegText(L"Software\\Dalvern\\Quillmark\\3", L"Param2"));
    EXPECT_EQ(ACTION_OPEN_PROGRAM, SlotNumber(L"3"));

    // The right button now starts that program with those words.
    RemoveFile(L"\\handheld-events.txt");
    mouse.Report(0, 0, MOUSEEVENTF_RIGHTDOWN);
    mouse.Report(0, 0, MOUSEEVENTF_RIGHTUP);
    HWND jot = WaitForWindow(L"HandheldNotes", L"Walk");
    ASSERT_TRUE(jot) << "the program did not start";
    std::vector<std::string> events = WaitForEvents(1);
    ASSERT_FALSE(events.empty());
    EXPECT_NE(std::string::npos, events[0].find("jot.exe")) << events[0];
    EXPECT_NE(std::string::npos, events[0].find("-ok Walk")) << events[0];
    PostMessageW(jot, WM_CLOSE, 0, 0);
    WaitForEvents(2);

    // "Open Applet": the sample applet, opened; its "Clock"; Enter twice.
    ASSERT_TRUE(WaitFor([&] { return SetForegroundWindow(main) && InFront(main); }));
    ASSERT_TRUE(TapEntry(GetDlgItem(main, 819), 10));
    OpenPicker applets = WaitForPicker(702, 504);
    ASSERT_TRUE(applets.window && applets.tree) << "no applet picker in front";
    TapFirstItem(applets.tree);
    Sleep(1100);
    Type(L"sample");
    Press(VK_RIGHT);
    ASSERT_NE("", WaitForLogMessage("GetAppletContents items="));
    Sleep(1100);
    Type(L"Clock");
    Press(VK_RETURN);
    Press(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(applets.window); })) << "the picker stays";
    ASSERT_TRUE(WaitFor([] { return RegText(L"Software\\Dalvern\\Quillmark\\3", L"Param") == L"\\windows\\sample.cpl,2"; }))
        << Utf8(RegText(L"Software\\Dalvern\\Quillmark\\3", L"Param"));

    // The right button opens that entry's window.
    mouse.Report(0, 0, MOUSEEVENTF_RIGHTDOWN);
    mouse.Report(0, 0, MOUSEEVENTF_RIGHTUP);
    HWND clock = WaitForWindow(L"SampleApplet", L"Clock");
    ASSERT_TRUE(clock) << "the applet did not open";
    PostMessageW(clock, WM_CLOSE, 0, 0);
}

TEST(ConnectCommand, SaysWhetherTheMouseIsConnected)
{
    HandheldProgram shell(ShellProgram);
    StartFreshLog(true);
    Program program;
    HWND main = program.WaitUntilRunning();
    ASSERT_TRUE(main);
    ASSERT_NE("", WaitForLogMessage("WinMain SAC_Mouse: 1", StartUpMs));
    { Program again; EXPECT_EQ(0u, again.WaitExit()); }
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main); }));
    HWND connect = MenuButton(main, 133);
    ASSERT_TRUE(connect);

    const std::wstring disconnected = L"Mouse is correctly configured, but it appears as disconnected! Press OK to "
                                      L"open the manual for troubleshooting.";
    struct Case { const char *what; int answer; bool launches; } cases[] = {
        {"Cancel", IDCANCEL, false},
        {"OK", IDOK, true},
    };
    auto tapConnect = [&] { TapMenu(main, 133); };
    for (const Case &c : cases) {
        RemoveFile(L"\\handheld-events.txt");
        BoxAnswerer person(L"Status", c.answer);
        tapConnect();
        const Box &box = person.Seen();
        ASSERT_TRUE(box.seen) << c.what;
        EXPECT_EQ(disconnected, box.text) << c.what;
        EXPECT_TRUE(box.ok && box.cancel && box.icon) << c.what;
        if (c.launches) {
            std::vector<std::string> events = WaitForEvents(1);
            ASSERT_EQ(1u, events.size());
            EXPECT_NE(std::string::npos, events[0].find("\\windows\\iexplore.exe")) << events[0];
            const std::string page = " C:\\Program Files\\Quillmark\\help\\help.html#lnk4";
            EXPECT_EQ(page, events[0].substr(events[0].size() - std::min(events[0].size(), page.size())));
        } else {
            Sleep(500);
            EXPECT_FALSE(FileExists(L"\\handheld-events.txt")) << "Cancel starts nothing";
        }
    }

    // With the mouse's link up the box only confirms it.
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    ASSERT_NE("", WaitForLogMessage("WM_MOUSECUR: bShowCursor=0/1"));
    {
        RemoveFile(L"\\handheld-events.txt");
        BoxAnswerer person(L"Status", IDOK);
        tapConnect();
        const Box &box = person.Seen();
        ASSERT_TRUE(box.seen);
        EXPECT_EQ(L"Mouse is correctly configured and connected.", box.text);
        EXPECT_TRUE(box.ok && !box.cancel && box.icon);
        Sleep(500);
        EXPECT_FALSE(FileExists(L"\\handheld-events.txt"));
    }
    CloseHandle(feed);

    // A connection that fails explains itself; no status box follows.
    DWORD off = 0;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Handheld\\Bluetooth", L"Mode", REG_DWORD, &off, 4);
    BoxAnswerer radio(L"Bluetooth", IDOK);
    BoxAnswerer status(L"Status", IDOK, 3000);
    tapConnect();
    EXPECT_TRUE(radio.Seen().seen);
    EXPECT_FALSE(status.Seen().seen);
}

TEST(ConnectCommand, TheMenuBarDoesNothingWhileABoxWaitsForAnAnswer)
{
    auto setRadio = [](DWORD mode) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Handheld\\Bluetooth", L"Mode", REG_DWORD, &mode, 4);
    };
    setRadio(1); // a test before may have left it off
    HandheldProgram shell(ShellProgram);
    StartFreshLog(true);
    Program program;
    HWND main = program.WaitUntilRunning();
    ASSERT_TRUE(main);
    ASSERT_NE("", WaitForLogMessage("WinMain SAC_Mouse: 1"));
    { Program again; EXPECT_EQ(0u, again.WaitExit()); }
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main); }));
    HWND connect = MenuButton(main, 133), hide = MenuButton(main, 131);
    ASSERT_TRUE(connect && hide);
    auto connections = [] {
        size_t n = 0;
        for (const std::string &m : LogMessages())
            n += m.rfind("SAC_Mouse(", 0) == 0;
        return n;
    };

    struct Case { const char *what; DWORD radio; const wchar_t *title; int answer; } cases[] = {
        {"Connect's Status box", 1, L"Status", IDCANCEL},
        {"the connection procedure's own box", 0, L"Bluetooth", IDOK},
    };
    for (const Case &c : cases) {
        setRadio(c.radio);
        size_t before = connections();
        TapMenu(main, 133);
        HWND box = NULL;
        ASSERT_TRUE(WaitFor([&] { return (box = FindWindowW(L"#32770", c.title)) && IsWindowVisible(box); }))
            << c.what << ": no box";
        ASSERT_FALSE(IsWindowEnabled(main)) << c.what;
        // "Connect" and "Hide" tapped while the box waits, then the box answered: the taps come to
        // the program before the answer.
        TapOn(connect);
        TapOn(hide);
        TapOn(GetDlgItem(box, c.answer));
        bool answered = WaitFor([&] { return !IsWindow(box); }, 5000);
        EXPECT_TRUE(answered) << c.what << ": the box is still open under another one; "
                              << connections() - before << " connection attempts";
        // Whatever is still open is answered, so that the program goes on.
        WaitFor([&] {
            HWND open = FindWindowW(L"#32770", c.title);
            if (open)
                PostMessageW(open, WM_COMMAND, c.answer, 0);
            return !open;
        });
        EXPECT_EQ(before + 1, connections()) << c.what << ": the bar ran Connect again";
        EXPECT_TRUE(IsWindowVisible(main)) << c.what << ": the bar hid the page under its box";
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(main); })) << c.what;
    }
    setRadio(1);
}
