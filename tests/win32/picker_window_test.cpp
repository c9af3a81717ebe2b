// The picker window both pickers share, opened through their entries and used with the stylus
// and the keys: its place on the screen and its layout, its menu bar, OK and Cancel, the double
// Enter, the bottom line, the images of the tree, and how it ends in every other way.
#include "utils/app_globals.h"
#include "utils/log.h"
#include "pickers/picker_window.h"
#include "tests/support/picker_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <thread>

using namespace wt;

namespace {

int Scaled(int v) // s(v) of the layout
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return (v * dpi + 48) / 96;
}

RECT ScreenRect(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

// A window's place in its parent's client area, as x, y, width, height.
std::string Place(HWND window)
{
    RECT r = ScreenRect(window);
    MapWindowPoints(NULL, GetParent(window), (POINT *)&r, 2);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "," +
           std::to_string(r.bottom - r.top);
}

std::string Place(int x, int y, int w, int h)
{
    return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," + std::to_string(h);
}

class PickerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseProgramResources();
        StartFreshLog(true);
        LogEnabled = true;
        CreateDirectoryW(L"\\pick", NULL);
        WriteText(L"\\pick\\tool.exe", "");
        WriteText(L"\\pick\\readme.txt", "");
    }
    // \pick\tool.exe selected: an acceptable choice.
    static HTREEITEM SelectTool(const Picker &p)
    {
        HTREEITEM root = WaitForItem(p.tree, {L"\\"});
        EXPECT_TRUE(Expand(p.tree, root));
        HTREEITEM pick = WaitForItem(p.tree, {L"\\", L"pick"});
        EXPECT_TRUE(Expand(p.tree, pick));
        HTREEITEM tool = WaitForItem(p.tree, {L"\\", L"pick", L"tool.exe"});
        EXPECT_TRUE(Select(p.tree, tool));
        return tool;
    }
};

} // namespace

TEST_F(PickerWindow, FillsTheScreenAboveItsMenuBarWithTheLayoutOfBothKinds)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    for (PickerKindName kind : {FILE_PICKER, APPLET_PICKER}) {
        const char *which = kind == FILE_PICKER ? "program picker" : "applet picker";
        Picker seen;
        RECT bar = {}, window = {};
        std::string top, tree, bottom;
        LOGFONTW font = {};
        int images = 0, imageSide = 0;
        std::wstring title;
        HWND focus = NULL;
        struct Style { const char *control; DWORD style, want; bool bordered; } styles[3];
        RunPicker(kind, [&](const Picker &p) {
            seen = p;
            GetWindowRect(p.menuBar, &bar);
            window = ScreenRect(p.window);
            top = Place(p.topLine);
            tree = Place(p.tree);
            bottom = Place(p.bottomLine);
            // The edit control draws its border itself and keeps WS_BORDER out of its style: the
            // border shows as a left edge unlike the empty line inside it.
            auto bordered = [](HWND edit) {
                RECT r = ScreenRect(edit);
                int y = (r.top + r.bottom) / 2;
                return WaitFor([&] {
                    HDC screen = GetDC(NULL);
                    bool differs = GetPixel(screen, r.left, y) != GetPixel(screen, r.left + 2, y);
                    ReleaseDC(NULL, screen);
                    return differs;
                }, 2000);
            };
            styles[0] = {"top line", (DWORD)GetWindowLongW(p.topLine, GWL_STYLE) | WS_BORDER, 0x50800880,
                         bordered(p.topLine)};
            styles[1] = {"tree", (DWORD)GetWindowLongW(p.tree, GWL_STYLE), 0x50000007, true};
            styles[2] = {"bottom line", (DWORD)GetWindowLongW(p.bottomLine, GWL_STYLE) | WS_BORDER, 0x50800080,
                         bordered(p.bottomLine)};
            GetObjectW((HFONT)SendMessageW(p.tree, WM_GETFONT, 0, 0), sizeof(font), &font);
            HIMAGELIST list = (HIMAGELIST)SendMessageW(p.tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0);
            images = ImageList_GetImageCount(list);
            int cx = 0, cy = 0;
            ImageList_GetIconSize(list, &cx, &cy);
            imageSide = cx == cy ? cx : -1;
            title = WindowText(p.window);
            GUITHREADINFO gui = {sizeof(gui)};
            GetGUIThreadInfo(GetWindowThreadProcessId(p.window, NULL), &gui);
            focus = gui.hwndFocus;
            TapMenu(p, IDM_PICKER_CANCEL);
        });
        ASSERT_TRUE(seen.Found()) << which;
        EXPECT_EQ(kind == FILE_PICKER ? L"Add Shortcut or Program" : L"Add Applet", title);
        EXPECT_EQ(seen.tree, focus) << which << ": the tree has the keyboard";
        // The class is the kind's base name, the tick count and a random number, in hexadecimal.
        std::wstring base = kind == FILE_PICKER ? L"browsefile:" : L"browseapplet:";
        EXPECT_EQ(0u, seen.className.find(base)) << Utf8(seen.className);
        std::wstring rest = seen.className.substr(base.size());
        EXPECT_EQ(std::wstring::npos, rest.find_first_not_of(L"0123456789ABCDEF:")) << Utf8(seen.className);
        EXPECT_EQ(1, std::count(rest.begin(), rest.end(), L':')) << Utf8(seen.className);

        // Shortened by the menu bar: the bar along the bottom, the picker above it.
        int barHeight = bar.bottom - bar.top;
        EXPECT_GT(barHeight, 0) << which;
        EXPECT_EQ(Place(0, h - barHeight, w, barHeight), Place(bar.left, bar.top, bar.right - bar.left, barHeight));
        int H = h - barHeight, line = Scaled(20);
        EXPECT_EQ(Place(0, 0, w, H), Place(window.left, window.top, window.right - window.left,
                                           window.bottom - window.top)) << which;
        EXPECT_EQ(Place(0, 0, w, line), top) << which;
        EXPECT_EQ(Place(0, line, w, H - 2 * line), tree) << which;
        EXPECT_EQ(Place(0, H - line, w, line), bottom) << which;
        for (const Style &st : styles) {
            EXPECT_EQ(st.want, st.style & st.want) << which << " " << st.control;
            EXPECT_TRUE(st.bordered) << which << " " << st.control;
        }
        EXPECT_EQ(Scaled(14), font.lfHeight) << which;
        EXPECT_EQ(200, font.lfWeight);
        EXPECT_STREQ(L"verdana", font.lfFaceName);
        EXPECT_EQ(3, images);
        EXPECT_EQ(22, imageSide);
    }
}

TEST_F(PickerWindow, OkReturnsAnAcceptableChoiceWithTheTypedTextAndCancelNothing)
{
    struct Case {
        const char *what;
        std::function<void(const Picker &)> drive;
        const wchar_t *choice, *text;
    } cases[] = {
        {"OK on tool.exe with arguments", [](const Picker &p) {
             SelectTool(p);
             EXPECT_EQ(L"\\pick\\tool.exe", WindowText(p.topLine));
             Tap(CentreOf(p.bottomLine).x, CentreOf(p.bottomLine).y);
             TypeText(L"-x \u03a9 \"two words\"");
             WaitFor([&] { return WindowText(p.bottomLine) == L"-x \u03a9 \"two words\""; });
             TapMenu(p, IDM_PICKER_OK);
         }, L"\\pick\\tool.exe", L"-x \u03a9 \"two words\""},
        {"OK before anything acceptable: stays open; then Cancel", [](const Picker &p) {
             TapMenu(p, IDM_PICKER_OK);
             Sleep(300);
             EXPECT_TRUE(IsWindowVisible(p.window)) << "OK without a choice closed the picker";
             TapMenu(p, IDM_PICKER_CANCEL);
         }, L"", L""},
        {"acceptable, then Cancel: nothing, the typed text neither", [](const Picker &p) {
             SelectTool(p);
             Tap(CentreOf(p.bottomLine).x, CentreOf(p.bottomLine).y);
             TypeText(L"typed");
             WaitFor([&] { return WindowText(p.bottomLine) == L"typed"; });
             TapMenu(p, IDM_PICKER_CANCEL);
         }, L"", L""},
        {"acceptable, then not acceptable: OK does nothing", [](const Picker &p) {
             HTREEITEM tool = SelectTool(p);
             HTREEITEM folder = WaitForItem(p.tree, {L"\\", L"pick"});
             EXPECT_TRUE(Select(p.tree, folder)); // "kcip" occurs in no filter entry
             EXPECT_EQ(L"\\pick", WindowText(p.topLine));
             TapMenu(p, IDM_PICKER_OK);
             Sleep(300);
             EXPECT_TRUE(IsWindowVisible(p.window));
             EXPECT_TRUE(Select(p.tree, tool));
             TapMenu(p, IDM_PICKER_OK);
         }, L"\\pick\\tool.exe", L""},
    };
    for (const Case &c : cases) {
        PickerResult r = RunPicker(FILE_PICKER, c.drive);
        EXPECT_EQ(c.choice, r.choice) << c.what;
        EXPECT_EQ(c.text, r.text) << c.what;
    }
}

TEST_F(PickerWindow, TwoEntersLessThanTwoSecondsApartActAsOk)
{
    // One Enter does nothing; a second one 2 s later does not either, but starts a new pair.
    PickerResult r = RunPicker(FILE_PICKER, [](const Picker &p) {
        SelectTool(p);
        Key(VK_RETURN);
        Sleep(2100);
        Key(VK_RETURN);
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(p.window)) << "Enters 2 s apart acted as OK";
        Key(VK_RETURN);
    });
    EXPECT_EQ(L"\\pick\\tool.exe", r.choice);

    // Nothing acceptable: two Enters do nothing either.
    r = RunPicker(FILE_PICKER, [](const Picker &p) {
        EXPECT_TRUE(Select(p.tree, WaitForItem(p.tree, {L"\\"})));
        EXPECT_EQ(L"\\", WindowText(p.topLine));
        Key(VK_RETURN);
        Key(VK_RETURN);
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(p.window));
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    EXPECT_EQ(L"", r.choice);
}

TEST_F(PickerWindow, TheBottomLineTakesNoMoreThanTheResultHolds)
{
    std::wstring typed(300, L'a');
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        SelectTool(p);
        Tap(CentreOf(p.bottomLine).x, CentreOf(p.bottomLine).y);
        TypeText(typed);
        WaitFor([&] { return WindowText(p.bottomLine).size() >= 259; });
        Sleep(200);
        EXPECT_EQ(259u, WindowText(p.bottomLine).size());
        TapMenu(p, IDM_PICKER_OK);
    });
    EXPECT_EQ(typed.substr(0, 259), r.text);
}

TEST_F(PickerWindow, ReleasesItsWindowsFontStripAndImageListAndItsClass)
{
    Picker seen;
    HFONT font = NULL;
    HBITMAP strip = NULL;
    HIMAGELIST images = NULL;
    RunPicker(FILE_PICKER, [&](const Picker &p) {
        seen = p;
        font = FileBrowser.font;
        strip = FileBrowser.strip;
        images = FileBrowser.images;
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    ASSERT_TRUE(seen.Found());
    ASSERT_TRUE(font && strip && images);
    for (HWND w : {seen.window, seen.tree, seen.topLine, seen.bottomLine, seen.menuBar})
        EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(0u, GetObjectType(font)) << "font left";
    EXPECT_EQ(0u, GetObjectType(strip)) << "strip left";
    EXPECT_FALSE(ImageList_Destroy(images)) << "image list left";
    WNDCLASSW wc;
    EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(NULL), seen.className.c_str(), &wc)) << "class left";
}

TEST_F(PickerWindow, EndsAsCancelWhenTheThreadQuitsOrTheWindowGoesAndPassesTheQuitOn)
{
    // The thread's quit: Cancel, and the quit reaches the caller's loop with its code.
    DWORD caller = GetCurrentThreadId();
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        SelectTool(p);
        PostThreadMessageW(caller, WM_QUIT, 7, 0);
    });
    EXPECT_EQ(L"", r.choice);
    EXPECT_EQ(nullptr, FindWindowByClassPrefix(L"browsefile:"));
    EXPECT_FALSE(r.rescued);
    EXPECT_TRUE(r.quit) << "the quit was swallowed";
    EXPECT_EQ(7u, r.quitCode);

    // Closed by someone else: Cancel, even with an acceptable choice.
    r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        SelectTool(p);
        PostMessageW(p.window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(L"", r.choice);
    EXPECT_FALSE(r.rescued || r.quit);

    // Destroyed from another thread's message, while the loop waits: it still ends.
    r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        SelectTool(p);
        SendMessageW(p.window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(L"", r.choice);
    EXPECT_FALSE(r.rescued || r.quit) << "the loop did not see the window go";
}

namespace {

// A strip pixel that a person would see as green.
bool Greenish(COLORREF c)
{
    return GetGValue(c) > 160 && GetRValue(c) < 120 && GetBValue(c) < 120;
}

// How many pixels of a screen area are of a kind, read in one copy of the area.
int ScreenPixels(const RECT &area, const std::function<bool(COLORREF)> &which)
{
    int w = area.right - area.left, h = area.bottom - area.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP copy = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC screen = GetDC(NULL), dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, copy);
    BitBlt(dc, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    int n = 0;
    for (int i = 0; i < w * h; i++) {
        DWORD px = ((const DWORD *)bits)[i];
        n += which(RGB(px >> 16 & 0xFF, px >> 8 & 0xFF, px & 0xFF));
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    DeleteObject(copy);
    return n;
}

} // namespace

TEST_F(PickerWindow, TheInstalledStripsDecodeToExactGreenAroundTheirPictures)
{
    for (const wchar_t *path : {ShortcutsStrip, AppletsStrip}) {
        HBITMAP strip = SHLoadImageFile(path);
        ASSERT_TRUE(strip) << Utf8(path);
        DIBSECTION dib = {};
        ASSERT_TRUE(GetObjectW(strip, sizeof(dib), &dib));
        EXPECT_EQ(66, dib.dsBm.bmWidth);
        EXPECT_EQ(22, dib.dsBm.bmHeight);
        int green = 0, nearGreen = 0, drawnPerCell[3] = {};
        for (int y = 0; y < 22; y++)
            for (int x = 0; x < 66; x++) {
                const BYTE *px = (const BYTE *)dib.dsBm.bmBits + y * dib.dsBm.bmWidthBytes + x * 3;
                COLORREF c = RGB(px[2], px[1], px[0]);
                if (c == RGB(0, 255, 0))
                    green++;
                else if (Greenish(c))
                    nearGreen++;
                if (c != RGB(0, 255, 0) && c != RGB(255, 255, 255))
                    drawnPerCell[x / 22]++;
            }
        EXPECT_GE(green, 44) << Utf8(path) << ": the background decodes to exactly RGB(0, 255, 0)";
        EXPECT_EQ(0, nearGreen) << Utf8(path) << ": a green that would not be transparent";
        for (int cell = 0; cell < 3; cell++)
            EXPECT_GT(drawnPerCell[cell], 60) << Utf8(path) << " cell " << cell;
        DeleteObject(strip);
    }
}

TEST_F(PickerWindow, TheTreesPicturesShowNoGreen)
{
    CreateDirectoryW(L"\\pick\\sub", NULL);
    struct Case {
        PickerKindName kind;
        std::vector<std::wstring> expand;
        COLORREF leafColour; // a colour of the leaf's picture
    } cases[] = {
        {FILE_PICKER, {L"\\", L"pick"}, RGB(0, 0, 128)},
        {APPLET_PICKER, {L"sample.cpl"}, RGB(192, 192, 192)},
    };
    for (const Case &c : cases) {
        int green = -1, yellow = 0, leaf = 0;
        RunPicker(c.kind, [&](const Picker &p) {
            std::vector<std::wstring> path;
            for (const std::wstring &t : c.expand) {
                path.push_back(t);
                EXPECT_TRUE(Expand(p.tree, WaitForItem(p.tree, path)));
            }
            RECT area = ScreenRect(p.tree);
            Sleep(300); // painted
            green = ScreenPixels(area, Greenish);
            yellow = ScreenPixels(area, [](COLORREF px) { return px == RGB(255, 255, 0); });
            leaf = ScreenPixels(area, [&](COLORREF px) { return px == c.leafColour; });
            TapMenu(p, IDM_PICKER_CANCEL);
        });
        EXPECT_EQ(0, green) << c.kind;
        EXPECT_GT(yellow, 50) << c.kind << ": the folders' pictures";
        EXPECT_GT(leaf, 10) << c.kind << ": the leaves' pictures";
    }
}

TEST_F(PickerWindow, WithoutItsStripItShowsItsLinesAndOnlyCancelEndsIt)
{
    Picker seen;
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        seen = p;
        Tap(CentreOf(p.bottomLine).x, CentreOf(p.bottomLine).y);
        TypeText(L"x");
        Key(VK_RETURN);
        Key(VK_RETURN);
        TapMenu(p, IDM_PICKER_OK);
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(p.window));
        TapMenu(p, IDM_PICKER_CANCEL);
    }, NULL, nullptr, L"C:\\Program Files\\Quillmark\\Images\\missing.jpg");
    EXPECT_TRUE(seen.Found());
    EXPECT_EQ(nullptr, seen.tree);
    EXPECT_TRUE(seen.topLine && seen.bottomLine && seen.menuBar);
    EXPECT_EQ(L"", r.choice);
    EXPECT_EQ(L"", r.text);
    EXPECT_FALSE(r.rescued);
}

TEST_F(PickerWindow, WithoutItsMenuBarItKeepsTheFullHeightAndTwoEntersStillAccept)
{
    AppInstance = NULL; // no menu-bar resource to be found
    RECT window = {};
    Picker seen;
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        seen = p;
        window = ScreenRect(p.window);
        SelectTool(p);
        Key(VK_RETURN);
        Key(VK_RETURN);
    });
    UseProgramResources();
    EXPECT_EQ(nullptr, seen.menuBar);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), window.bottom - window.top);
    EXPECT_EQ(L"\\pick\\tool.exe", r.choice);
}

TEST_F(PickerWindow, ASettingsChangeMovesTheControlsToTheNewClientArea)
{
    std::string tree, top, bottom;
    RECT before = {}, after = {};
    RunPicker(FILE_PICKER, [&](const Picker &p) {
        before = ScreenRect(p.window);
        int w = before.right - before.left - 40, h = before.bottom - before.top - 60;
        SetWindowPos(p.window, NULL, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(p.window, WM_SETTINGCHANGE, 0, 0);
        after = ScreenRect(p.window);
        tree = Place(p.tree);
        top = Place(p.topLine);
        bottom = Place(p.bottomLine);
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    int w = after.right - after.left, h = after.bottom - after.top, line = Scaled(20);
    EXPECT_EQ(before.right - before.left - 40, w) << "the picker itself keeps its size";
    EXPECT_EQ(before.bottom - before.top - 60, h);
    EXPECT_EQ(Place(0, 0, w, line), top);
    EXPECT_EQ(Place(0, line, w, h - 2 * line), tree);
    EXPECT_EQ(Place(0, h - line, w, line), bottom);
}

namespace {

HHOOK RefuseHook;

// Refuses to make the pickers' windows.
LRESULT CALLBACK RefusePickers(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        WCHAR name[64] = {0};
        GetClassNameW((HWND)wParam, name, ARRAYSIZE(name));
        if (wcsncmp(name, L"browse", 6) == 0)
            return 1;
    }
    return CallNextHookEx(RefuseHook, code, wParam, lParam);
}

// A window of this thread that opens a picker from inside the picker's own loop when told to.
PickerResult Nested;
LRESULT CALLBACK NestingWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP) {
        WCHAR choice[PICKER_TEXT_CHARS] = L"junk", text[PICKER_TEXT_CHARS] = L"junk";
        ShowFileBrowser(GetModuleHandleW(NULL), NULL, L"Add Shortcut or Program", L"exe.|knl.", choice, text,
                        ShortcutsStrip);
        Nested = {choice, text};
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST_F(PickerWindow, WhenItsWindowCannotBeMadeItReturnsAtOnceAndGivesTheOwnerBack)
{
    HWND owner = CreateWindowExW(0, L"static", L"Owner", WS_VISIBLE, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    SetForegroundWindow(owner);
    HCURSOR cross = LoadCursorW(NULL, IDC_CROSS);
    SetCursor(cross);
    int shown = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);

    RefuseHook = SetWindowsHookExW(WH_CBT, RefusePickers, NULL, GetCurrentThreadId());
    ASSERT_TRUE(RefuseHook);
    std::atomic<bool> returned(false);
    DWORD caller = GetCurrentThreadId();
    std::thread watchdog([&] {
        if (!WaitFor([&] { return returned.load(); }, 5000))
            PostThreadMessageW(caller, WM_QUIT, 0, 0);
    });
    WCHAR choice[PICKER_TEXT_CHARS] = L"junk", text[PICKER_TEXT_CHARS] = L"junk";
    DWORD start = GetTickCount();
    ShowAppletBrowser(GetModuleHandleW(NULL), owner, L"Add Applet", L"lpc.", choice, text, AppletsStrip);
    DWORD took = GetTickCount() - start;
    returned = true;
    watchdog.join();
    UnhookWindowsHookEx(RefuseHook);

    EXPECT_LT(took, 4000u) << "waited for a window that never came";
    EXPECT_STREQ(L"", choice);
    EXPECT_STREQ(L"", text);
    EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner stays disabled";
    EXPECT_EQ(cross, GetCursor()) << "the wait cursor stays";
    EXPECT_EQ(shown, ShowCursor(TRUE) - 1) << "the cursor's show count changed";
    ShowCursor(FALSE);
    EXPECT_EQ(owner, GetForegroundWindow());
    EXPECT_EQ(nullptr, FindWindowByClassPrefix(L"browseapplet:"));
    DestroyWindow(owner);
}

TEST_F(PickerWindow, OpenedAgainWhileOpenItReturnsAtOnceAndTheOpenOneGoesOn)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = NestingWindow;
    wc.lpszClassName = L"Nesting";
    RegisterClassW(&wc);
    HWND nesting = CreateWindowExW(0, L"Nesting", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    Nested = {L"unset", L"unset"};
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        DWORD_PTR answer;
        if (!SendMessageTimeoutW(nesting, WM_APP, 0, 0, SMTO_NORMAL, 3000, &answer)) {
            ADD_FAILURE() << "a second picker opened";
            for (HWND w = GetTopWindow(NULL); w; w = GetWindow(w, GW_HWNDNEXT)) {
                WCHAR name[64] = {0};
                GetClassNameW(w, name, ARRAYSIZE(name));
                if (w != p.window && wcsncmp(name, L"browsefile:", 11) == 0)
                    PostMessageW(w, WM_COMMAND, IDM_PICKER_CANCEL, 0);
            }
            return;
        }
        EXPECT_EQ(L"", Nested.choice);
        EXPECT_EQ(L"", Nested.text);
        EXPECT_TRUE(IsWindow(p.window) && IsWindow(p.tree));
        SelectTool(p);
        TapMenu(p, IDM_PICKER_OK);
    });
    EXPECT_EQ(L"\\pick\\tool.exe", r.choice);
    DestroyWindow(nesting);
}


TEST_F(PickerWindow, TheFirstKeyActsInAPickerOpenedFromThePage)
{
    // The page: in front, a control of it with the keyboard, when the picker opens over it.
    HWND page = CreateWindowExW(0, L"static", L"Page", WS_VISIBLE | WS_POPUP, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    HWND control = CreateWindowExW(0, L"edit", L"", WS_VISIBLE | WS_CHILD, 0, 0, 80, 20, page, NULL, NULL, NULL);
    struct Case {
        const char *what;
        PickerKindName kind;
        std::function<void()> press;
        std::vector<std::wstring> selected; // the item selected once the key has acted
        bool expanded;                      // and whether it is expanded
    } cases[] = {
        {"the right arrow opens the root", FILE_PICKER, [] { Key(VK_RIGHT); }, {L"\\"}, true},
        // The handheld's applets: empty.cpl, refusing.cpl, sample.cpl.
        {"the down arrow", APPLET_PICKER, [] { Key(VK_DOWN); }, {L"refusing.cpl"}, false},
        {"End", APPLET_PICKER, [] { Key(VK_END); }, {L"sample.cpl"}, false},
        {"a letter", APPLET_PICKER, [] { TypeText(L"r"); }, {L"refusing.cpl"}, false},
    };
    for (const Case &c : cases) {
        SetForegroundWindow(page);
        SetFocus(control);
        std::wstring selected;
        bool expanded = false;
        HWND focus = NULL, tree = NULL;
        RunPicker(c.kind, [&](const Picker &p) {
            tree = p.tree;
            GUITHREADINFO gui = {sizeof(gui)};
            GetGUIThreadInfo(GetWindowThreadProcessId(p.window, NULL), &gui);
            focus = gui.hwndFocus;
            c.press();
            HTREEITEM want = WaitForItem(p.tree, c.selected, 3000);
            WaitFor([&] { return Selected(p.tree) == want && IsExpanded(p.tree, want) == c.expanded; }, 3000);
            selected = ItemText(p.tree, Selected(p.tree));
            expanded = IsExpanded(p.tree, Selected(p.tree));
            TapMenu(p, IDM_PICKER_CANCEL);
        }, page);
        EXPECT_EQ(tree, focus) << c.what << ": the tree has the keyboard";
        EXPECT_EQ(c.selected.back(), selected) << c.what;
        EXPECT_EQ(c.expanded, expanded) << c.what;
    }
    DestroyWindow(page);
}

TEST_F(PickerWindow, OnlyTheAppletPickerDisablesItsOwnerAndBothGiveItTheFrontAndTheKeysBack)
{
    HWND owner = CreateWindowExW(0, L"edit", L"Owner", WS_VISIBLE | WS_POPUP, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    struct Case {
        PickerKindName kind;
        bool accept;
        bool enabledWhileOpen;
        const wchar_t *choice;
    } cases[] = {
        {FILE_PICKER, true, true, L"\\pick\\tool.exe"},
        {FILE_PICKER, false, true, L""},
        {APPLET_PICKER, true, false, L"\\windows\\sample.cpl,2"},
        {APPLET_PICKER, false, false, L""},
    };
    for (const Case &c : cases) {
        const char *which = c.kind == FILE_PICKER ? "program picker" : "applet picker";
        SetForegroundWindow(owner);
        bool enabledWhileOpen = !c.enabledWhileOpen;
        PickerResult r = RunPicker(c.kind, [&](const Picker &p) {
            enabledWhileOpen = IsWindowEnabled(owner) != FALSE;
            if (!c.accept) {
                TapMenu(p, IDM_PICKER_CANCEL);
            } else if (c.kind == FILE_PICKER) {
                SelectTool(p);
                TapMenu(p, IDM_PICKER_OK);
            } else {
                HTREEITEM file = WaitForItem(p.tree, {L"sample.cpl"});
                EXPECT_TRUE(Expand(p.tree, file));
                EXPECT_TRUE(Select(p.tree, WaitForItem(p.tree, {L"sample.cpl", L"Clock"})));
                TapMenu(p, IDM_PICKER_OK);
            }
        }, owner);
        EXPECT_EQ(c.choice, r.choice) << which << " " << c.accept;
        EXPECT_EQ(c.enabledWhileOpen, enabledWhileOpen) << which << " " << c.accept;
        EXPECT_TRUE(IsWindowEnabled(owner)) << which << " " << c.accept;
        EXPECT_EQ(owner, GetForegroundWindow()) << which << " " << c.accept;
        EXPECT_EQ(owner, GetFocus()) << which << " " << c.accept;
    }
    DestroyWindow(owner);
}

TEST_F(PickerWindow, ThePairOfEntersSpansTwoOpenings)
{
    // With "*." the root is acceptable as it is selected at opening. Two Enters accept it and
    // the next picker's first Enter completes a pair with the second of them.
    DWORD before = 0, sent = 0;
    PickerResult first = RunPicker(FILE_PICKER, [&](const Picker &p) {
        Key(VK_RETURN);
        before = GetTickCount();
        Key(VK_RETURN);
    }, NULL, L"*.");
    ASSERT_EQ(L"\\", first.choice) << "two Enters on the root";
    std::atomic<bool> ended(false);
    PickerResult second = RunPicker(FILE_PICKER, [&](const Picker &p) {
        Key(VK_RETURN);
        sent = GetTickCount();
        ended = WaitFor([&] { return !IsWindow(p.window); }, 3000);
        if (!ended)
            TapMenu(p, IDM_PICKER_CANCEL);
    }, NULL, L"*.");
    if (!ended && sent - before >= 1500)
        GTEST_SKIP() << "the second picker's Enter came " << sent - before
                     << " ms after the first's: too late on this machine to show the pair";
    EXPECT_EQ(L"\\", second.choice) << "one Enter " << sent - before << " ms after the last one did not act as OK";
}
