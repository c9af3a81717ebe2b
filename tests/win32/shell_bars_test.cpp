// The handheld shell's bars, dialogs, top-level windows and picture loader, as a person sees and
// taps them on the handheld's screen.
#include "platform/pocketpc.h"
#include "tests/support/program_strip.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>

using namespace wt;

namespace {

const COLORREF White = RGB(0xFF, 0xFF, 0xFF);

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
int Bar() // 26 pixels at 96 DPI
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return 26 * dpi / 96;
}

RECT WindowRect(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

std::string Text(RECT r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// The commands a window received, as (id, notification).
std::vector<std::pair<int, int>> Commands;

LRESULT CALLBACK Owner(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        Commands.push_back({LOWORD(wParam), HIWORD(wParam)});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A top-level window of the handheld, as the program makes its own.
HWND MakeOwner(bool visible)
{
    static bool registered;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Owner;
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = L"BarOwner";
        registered = RegisterClassW(&wc) != 0;
    }
    HWND owner = CreateWindowExW(0, L"BarOwner", L"Owner", WS_SYSMENU | (visible ? WS_VISIBLE : 0), CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, NULL, NULL);
    if (visible)
        SetForegroundWindow(owner);
    Commands.clear();
    return owner;
}

// The installed program's own resources: the menu bars 130 and 102 and their strings.
struct ProgramResources {
    HMODULE module = LoadLibraryExW(QM_INSTALLED_PROGRAM, NULL, LOAD_LIBRARY_AS_DATAFILE);
    ~ProgramResources() { FreeLibrary(module); }
};

HWND MenuBarOf(HWND owner, UINT id, HINSTANCE resources, BOOL *ok = nullptr, DWORD flags = 0)
{
    SHMENUBARINFO info = {};
    info.cbSize = sizeof(info);
    info.hwndParent = owner;
    info.dwFlags = flags;
    info.nToolBarId = id;
    info.hInstRes = resources;
    info.hwndMB = (HWND)1; // cleared on failure
    BOOL result = SHCreateMenuBar(&info);
    if (ok)
        *ok = result;
    return info.hwndMB;
}

struct Button {
    std::wstring text;
    int id;
    RECT rect;
    bool enabled;
};

std::vector<Button> ButtonsOf(HWND bar)
{
    std::vector<Button> buttons;
    for (HWND b = GetWindow(bar, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
        WCHAR text[64] = {0};
        GetWindowTextW(b, text, ARRAYSIZE(text));
        buttons.push_back({text, GetDlgCtrlID(b), WindowRect(b), IsWindowEnabled(b) != FALSE});
    }
    std::sort(buttons.begin(), buttons.end(), [](const Button &a, const Button &b) { return a.rect.left < b.rect.left; });
    return buttons;
}

void Pump(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

} // namespace

TEST(TopLevelWindows, HaveNoFrameAndFillTheScreenBelowTheNavigationBar)
{
    HWND owner = MakeOwner(true);
    EXPECT_EQ(Text({0, Bar(), ScreenWidth(), ScreenHeight()}), Text(WindowRect(owner)));
    RECT client;
    GetClientRect(owner, &client);
    EXPECT_EQ(Text({0, 0, ScreenWidth(), ScreenHeight() - Bar()}), Text(client)) << "a caption or frame";
    DestroyWindow(owner);

    // A window placed by its maker keeps its place; a child keeps its frame.
    HWND full = CreateWindowExW(0, L"BarOwner", L"Full", WS_VISIBLE, 0, 0, ScreenWidth(), ScreenHeight(), NULL, NULL,
                                NULL, NULL);
    EXPECT_EQ(Text({0, 0, ScreenWidth(), ScreenHeight()}), Text(WindowRect(full)));
    GetClientRect(full, &client);
    EXPECT_EQ(ScreenWidth(), client.right);
    HWND child = CreateWindowExW(0, L"static", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 20, 100, 30, full, NULL,
                                 NULL, NULL);
    EXPECT_EQ(Text({10, 20, 110, 50}), Text(WindowRect(child)));
    GetClientRect(child, &client);
    EXPECT_LT(client.right, 100) << "the child lost its border";
    DestroyWindow(full);
}

TEST(MenuBar, CarriesTheResourcesButtonsAlongTheBottom)
{
    ProgramResources program;
    ASSERT_TRUE(program.module);
    struct Case { UINT id; std::vector<std::wstring> texts; std::vector<int> commands; } cases[] = {
        {130, {L"Hide", L"Connect"}, {131, 133}},
        {102, {L"OK", L"Cancel"}, {103, 105}},
    };
    for (const Case &c : cases) {
        HWND owner = MakeOwner(false);
        BOOL ok = FALSE;
        HWND bar = MenuBarOf(owner, c.id, program.module, &ok);
        ASSERT_TRUE(ok) << c.id;
        ASSERT_TRUE(IsWindow(bar));
        WCHAR className[32] = {0};
        GetClassNameW(bar, className, ARRAYSIZE(className));
        EXPECT_STREQ(L"menu_worker", className);
        EXPECT_EQ(owner, GetWindow(bar, GW_OWNER));
        EXPECT_EQ(Text({0, ScreenHeight() - Bar(), ScreenWidth(), ScreenHeight()}), Text(WindowRect(bar)));

        std::vector<Button> buttons = ButtonsOf(bar);
        ASSERT_EQ(c.texts.size(), buttons.size());
        int x = 0;
        for (size_t i = 0; i < buttons.size(); i++) {
            EXPECT_EQ(c.texts[i], buttons[i].text);
            EXPECT_EQ(c.commands[i], buttons[i].id);
            EXPECT_TRUE(buttons[i].enabled);
            EXPECT_EQ(x, buttons[i].rect.left) << "side by side from the left";
            EXPECT_EQ(Bar(), buttons[i].rect.bottom - buttons[i].rect.top);
            x = buttons[i].rect.right;
        }
        // Sized to their texts: the longer text has the wider button.
        auto width = [](const Button &b) { return b.rect.right - b.rect.left; };
        EXPECT_GT(width(buttons[1]), width(buttons[0])) << c.id;

        // Shown and hidden with its owner.
        EXPECT_FALSE(IsWindowVisible(bar));
        ShowWindow(owner, SW_SHOW);
        EXPECT_TRUE(IsWindowVisible(bar));
        ShowWindow(owner, SW_HIDE);
        EXPECT_FALSE(IsWindowVisible(bar));
        SetWindowPos(owner, NULL, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        EXPECT_TRUE(IsWindowVisible(bar));

        // The bar goes with its owner.
        DestroyWindow(owner);
        EXPECT_FALSE(IsWindow(bar));
    }
}

TEST(MenuBar, ATapSendsItsCommandToTheOwnerWhichStaysActive)
{
    ProgramResources program;
    HWND owner = MakeOwner(true);
    HWND bar = MenuBarOf(owner, 130, program.module);
    ASSERT_TRUE(IsWindowVisible(bar));
    Pump(200);
    std::vector<Button> buttons = ButtonsOf(bar);
    ASSERT_EQ(2u, buttons.size());

    // The texts are drawn: white ink on the bar, none on an empty bar.
    EXPECT_GT(PixelsOf(White, buttons[0].rect), 5);
    EXPECT_GT(PixelsOf(White, buttons[1].rect), 5);

    const RECT &connect = buttons[1].rect;
    Tap((connect.left + connect.right) / 2, (connect.top + connect.bottom) / 2);
    ASSERT_TRUE(PumpUntil([] { return !Commands.empty(); }, 5000));
    Pump(100);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{133, 0}}), Commands);
    auto name = [](HWND w) { WCHAR c[64] = {0}; GetClassNameW(w, c, 64); return Utf8(c); };
    EXPECT_EQ(owner, GetForegroundWindow()) << name(GetForegroundWindow());
    EXPECT_EQ(owner, GetActiveWindow());

    // Pressed on "Hide" but let go outside it: nothing.
    Commands.clear();
    const RECT &hide = buttons[0].rect;
    Drag((hide.left + hide.right) / 2, (hide.top + hide.bottom) / 2, hide.left + 2, hide.top - 20);
    Pump(300);
    EXPECT_TRUE(Commands.empty());

    // Pressed outside and let go on it: nothing either.
    Drag(hide.left + 2, hide.top - 20, (hide.left + hide.right) / 2, (hide.top + hide.bottom) / 2);
    Pump(300);
    EXPECT_TRUE(Commands.empty());
    DestroyWindow(owner);

    HWND emptyOwner = MakeOwner(true);
    HWND empty = MenuBarOf(emptyOwner, 0, NULL, nullptr, SHCMBF_EMPTYBAR);
    ASSERT_TRUE(IsWindowVisible(empty));
    Pump(200);
    EXPECT_EQ(nullptr, GetWindow(empty, GW_CHILD));
    EXPECT_EQ(0, PixelsOf(White, WindowRect(empty)));
    DestroyWindow(emptyOwner);
}

TEST(MenuBar, HiddenButtonsAreLeftOutAndDisabledOnesDoNothing)
{
    HWND owner = MakeOwner(true);
    HWND bar = MenuBarOf(owner, 903, GetModuleHandleW(NULL));
    std::vector<Button> buttons = ButtonsOf(bar);
    ASSERT_EQ(2u, buttons.size());
    EXPECT_EQ(131, buttons[0].id);
    EXPECT_TRUE(buttons[0].enabled);
    EXPECT_EQ(133, buttons[1].id);
    EXPECT_FALSE(buttons[1].enabled);
    Tap(CentreOf(GetDlgItem(bar, 133)).x, CentreOf(GetDlgItem(bar, 133)).y);
    Pump(300);
    EXPECT_TRUE(Commands.empty());
    DestroyWindow(owner);
}

TEST(MenuBar, MalformedResourcesMakeNoBar)
{
    HWND owner = MakeOwner(true);
    struct Case { UINT id; const char *why; } cases[] = {
        {900, "fewer buttons than it says"},
        {901, "a button with a menu"},
        {902, "shorter than its header"},
        {999, "missing"},
    };
    for (const Case &c : cases) {
        BOOL ok = TRUE;
        HWND bar = MenuBarOf(owner, c.id, GetModuleHandleW(NULL), &ok);
        EXPECT_FALSE(ok) << c.why;
        EXPECT_EQ(nullptr, bar) << c.why;
    }
    EXPECT_EQ(nullptr, FindWindowW(L"menu_worker", NULL));

    SHMENUBARINFO small = {};
    small.cbSize = 12;
    small.hwndParent = owner;
    EXPECT_FALSE(SHCreateMenuBar(&small));
    EXPECT_FALSE(SHCreateMenuBar(nullptr));
    DestroyWindow(owner);
    EXPECT_EQ(nullptr, MenuBarOf(owner, 130, GetModuleHandleW(NULL))) << "a destroyed owner";
}

namespace {

struct DialogSeen {
    RECT window, client, navigation, done, menuBar;
    HWND navigationBar, emptyBar;
    int menuBarButtons, titleInk;
    bool doneByTap;
};
DialogSeen Seen;

INT_PTR CALLBACK FullScreenDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SHINITDLGINFO info = {SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN |
                                                        SHIDIF_EMPTYMENU};
        SHInitDialog(&info);
        SetTimer(dialog, 1, 300, NULL);
        SetTimer(dialog, 2, 10000, NULL); // no tap came through
        return TRUE;
    }
    case WM_TIMER:
        KillTimer(dialog, wParam);
        if (wParam == 1) {
            Seen.window = WindowRect(dialog);
            GetClientRect(dialog, &Seen.client);
            Seen.navigationBar = FindWindowW(PPC_NAV_BAR_CLASS, NULL);
            Seen.emptyBar = FindWindowW(PPC_MENU_BAR_CLASS, NULL);
            Seen.navigation = WindowRect(Seen.navigationBar);
            Seen.menuBar = WindowRect(Seen.emptyBar);
            Seen.menuBarButtons = (int)ButtonsOf(Seen.emptyBar).size();
            HWND done = GetDlgItem(Seen.navigationBar, IDOK);
            Seen.done = WindowRect(done);
            RECT title = Seen.navigation;
            title.right = Seen.done.left;
            Seen.titleInk = PixelsOf(White, title);
            Tap(CentreOf(done).x, CentreOf(done).y);
        } else {
            EndDialog(dialog, -1);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            Seen.doneByTap = true;
            EndDialog(dialog, IDOK);
        }
        return TRUE;
    }
    return FALSE;
}

// An About-like template: caption, system menu, shell font, no controls.
struct Template {
    DLGTEMPLATE head;
    WORD menu, windowClass;
    WCHAR caption[6];
    WORD points;
    WCHAR face[13];
};

} // namespace

TEST(Dialog, FillsTheScreenBetweenTheBarsAndEndsWithDone)
{
    alignas(4) Template t = {};
    t.head.style = 0x80C80048;
    t.head.cx = 186;
    t.head.cy = 95;
    wcscpy(t.caption, L"About");
    t.points = 8;
    wcscpy(t.face, L"MS Shell Dlg");
    HWND owner = MakeOwner(true);
    Seen = {};
    INT_PTR result = DialogBoxIndirectParamW(NULL, &t.head, owner, FullScreenDialog, 0);
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(Seen.doneByTap);
    int w = ScreenWidth(), h = ScreenHeight(), bar = Bar();
    EXPECT_EQ(Text({0, bar, w, h - bar}), Text(Seen.window));
    EXPECT_EQ(Text({0, 0, w, h - 2 * bar}), Text(Seen.client)) << "a caption or frame is left";
    EXPECT_EQ(Text({0, 0, w, bar}), Text(Seen.navigation));
    EXPECT_EQ(w, Seen.done.right) << "ok at the right end";
    EXPECT_EQ(0, Seen.done.top);
    EXPECT_GT(Seen.titleInk, 5) << "the title is drawn";
    EXPECT_EQ(Text({0, h - bar, w, h}), Text(Seen.menuBar));
    EXPECT_EQ(0, Seen.menuBarButtons);
    // Both bars went with the dialog.
    EXPECT_FALSE(IsWindow(Seen.navigationBar));
    EXPECT_FALSE(IsWindow(Seen.emptyBar));
    DestroyWindow(owner);

    SHINITDLGINFO none = {0, NULL, SHIDIF_DONEBUTTON};
    EXPECT_FALSE(SHInitDialog(&none));
}

TEST(FullScreen, BringsTheWindowAboveTheTaskBar)
{
    HWND taskBar = CreateWindowExW(WS_EX_TOOLWINDOW, L"BarOwner", L"", WS_POPUP | WS_VISIBLE, 0, 0, ScreenWidth(),
                                   Bar(), NULL, NULL, NULL, NULL);
    HWND picker = CreateWindowExW(0, L"BarOwner", L"Picker", WS_VISIBLE, 0, 0, ScreenWidth(), ScreenHeight(), NULL,
                                  NULL, NULL, NULL);
    SetWindowPos(taskBar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(taskBar, WindowFromPoint({5, 5}));
    EXPECT_TRUE(SHFullScreen(picker, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON));
    EXPECT_EQ(picker, WindowFromPoint({5, 5}));
    EXPECT_FALSE(SHFullScreen(NULL, SHFS_HIDETASKBAR));
    DestroyWindow(picker);
    DestroyWindow(taskBar);
}

namespace {

struct Picture {
    int width = 0, height = 0, bits = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[y * width + x]; }
};

Picture Decode(HBITMAP bitmap)
{
    Picture p;
    DIBSECTION dib = {};
    if (!GetObjectW(bitmap, sizeof(dib), &dib))
        return p;
    p.width = dib.dsBm.bmWidth;
    p.height = dib.dsBm.bmHeight;
    p.bits = dib.dsBm.bmBitsPixel;
    const BYTE *rows = (const BYTE *)dib.dsBm.bmBits;
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            const BYTE *px = rows + y * dib.dsBm.bmWidthBytes + x * 3;
            p.pixels.push_back(RGB(px[2], px[1], px[0]));
        }
    return p;
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

} // namespace

TEST(ImageFile, LoadsJpegAndGifAsBitmaps)
{
    // Four quadrants: red, green / blue, white. GIF keeps them exactly; JPEG nearly.
    struct Case { const wchar_t *file; int side, tolerance; } cases[] = {
        {L"images/quads.gif", 8, 0},
        {L"images/quads.jpg", 16, 3},
    };
    for (const Case &c : cases) {
        HBITMAP bitmap = SHLoadImageFile(FixturePath(c.file).c_str());
        ASSERT_TRUE(bitmap) << Utf8(c.file);
        Picture p = Decode(bitmap);
        EXPECT_EQ(c.side, p.width);
        EXPECT_EQ(c.side, p.height);
        EXPECT_EQ(24, p.bits);
        int q = c.side / 2;
        struct { int x, y; COLORREF want; } points[] = {
            {0, 0, RGB(255, 0, 0)}, {q, 0, RGB(0, 255, 0)}, {0, q, RGB(0, 0, 255)},
            {c.side - 1, c.side - 1, RGB(255, 255, 255)}, {q - 1, q - 1, RGB(255, 0, 0)},
        };
        for (const auto &pt : points)
            EXPECT_TRUE(Near(pt.want, p.at(pt.x, pt.y), c.tolerance))
                << Utf8(c.file) << " at " << pt.x << "," << pt.y << ": " << std::hex << p.at(pt.x, pt.y);
        DeleteObject(bitmap);
    }
}

TEST(ImageFile, AnythingButAPictureGivesNoBitmap)
{
    EXPECT_EQ(nullptr, SHLoadImageFile(FixturePath(L"images/missing.jpg").c_str()));
    EXPECT_EQ(nullptr, SHLoadImageFile(FixturePath(L"images/text.jpg").c_str()));
    EXPECT_EQ(nullptr, SHLoadImageFile(L""));
    EXPECT_EQ(nullptr, SHLoadImageFile(nullptr));
    std::wstring deep(300, L'a');
    EXPECT_EQ(nullptr, SHLoadImageFile((L"C:\\" + deep + L".jpg").c_str()));
}
