// The handheld's shell as programs see it: its task bar names the window in front as windows come
// and go, and an application lies between the task bar and the menu bar's place.
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace wt;

namespace {

std::wstring TextOf(HWND window)
{
    WCHAR text[64] = {0};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

std::string Narrow(const std::wstring &w) { return std::string(w.begin(), w.end()); }

int BarHeight()
{
    HDC screen = GetDC(NULL);
    int h = MulDiv(26, GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(NULL, screen);
    return h;
}

LRESULT CALLBACK Plain(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

// A window of this test, in front when made.
HWND MakeWindow(const wchar_t *title)
{
    static ATOM atom;
    if (!atom) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Plain;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"ShellTestWindow";
        atom = RegisterClassW(&wc);
    }
    HWND w = CreateWindowExW(0, L"ShellTestWindow", title, WS_POPUP | WS_VISIBLE, 0, BarHeight(), 100, 100, NULL,
                             NULL, GetModuleHandleW(NULL), NULL);
    SetForegroundWindow(w);
    return w;
}

} // namespace

TEST(HandheldShell, TheTaskBarNamesTheWindowInFrontAsWindowsComeAndGo)
{
    HandheldProgram shell(ShellProgram);
    HWND bar = WaitForWindow(L"HHTaskBar", NULL), desktop = WaitForWindow(L"DesktopExplorerWindow", L"Desktop");
    ASSERT_TRUE(bar && desktop);
    HWND page = NULL, picker = NULL;
    std::unique_ptr<HandheldProgram> notes;
    struct Step {
        const char *what;
        std::function<void()> act;
        const wchar_t *shown;
    } steps[] = {
        {"the Today screen", [&] { SetForegroundWindow(desktop); }, L"Start"},
        {"the page comes", [&] { page = MakeWindow(L"Quillmark"); }, L"Quillmark"},
        {"a picker comes", [&] { picker = MakeWindow(L"Select Program"); }, L"Select Program"},
        {"the picker goes", [&] { DestroyWindow(picker); SetForegroundWindow(page); }, L"Quillmark"},
        {"the page is renamed", [&] { SetWindowTextW(page, L"Settings"); }, L"Settings"},
        {"Notes comes", [&] { notes.reset(new HandheldProgram(L"C:\\windows\\notes.exe")); }, L"Notes"},
        {"Notes goes, the Today screen is in front", [&] { notes.reset(); SetForegroundWindow(desktop); }, L"Start"},
        {"the page comes back", [&] { SetForegroundWindow(page); }, L"Settings"},
        {"a window without a title", [&] { MakeWindow(L""); }, L"Start"},
    };
    for (const Step &s : steps) {
        s.act();
        bool shown = WaitFor([&] {
            MSG m;
            while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE))
                DispatchMessageW(&m);
            return TextOf(bar) == s.shown;
        }, 5000);
        EXPECT_TRUE(shown) << s.what << ": the bar says \"" << Narrow(TextOf(bar)) << "\", not \"" << Narrow(s.shown)
                           << "\"";
    }
    if (page)
        DestroyWindow(page);
}

TEST(HandheldShell, NotesLiesBetweenTheBars)
{
    HandheldProgram shell(ShellProgram);
    HWND bar = WaitForWindow(L"HHTaskBar", NULL);
    ASSERT_TRUE(bar);
    HandheldProgram notes(L"C:\\windows\\notes.exe");
    HWND window = WaitForWindow(L"HandheldNotes", L"Notes");
    ASSERT_TRUE(window);
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN), h = BarHeight();
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(h, r.top) << "Notes starts below the task bar";
    EXPECT_EQ(cx, r.right);
    EXPECT_EQ(cy - h, r.bottom) << "Notes ends above the menu bar's place";
}
