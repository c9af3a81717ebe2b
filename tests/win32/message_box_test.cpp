// The program's message boxes on the handheld's screen at every size: as wide as the screen at most,
// the text wrapped so that all of it shows, the buttons inside the box below the text.
#include "platform/pocketpc.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>

using namespace wt;

namespace {

std::string Text(const RECT &r)
{
    std::ostringstream s;
    s << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return s.str();
}

bool Inside(const RECT &inner, const RECT &outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

RECT InClient(HWND box, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(NULL, box, (POINT *)&r, 2);
    return r;
}

// What is wrong with an open box, one line each; empty when it fits.
std::string Misfits(HWND box)
{
    std::ostringstream wrong;
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    RECT screen = {0, 0, cx, cy}, outer, client;
    GetWindowRect(box, &outer);
    GetClientRect(box, &client);
    if (!Inside(outer, screen))
        wrong << "the box " << Text(outer) << " is not inside the screen " << Text(screen) << "\n";

    HWND text = GetDlgItem(box, 0xFFFF);
    if (!text)
        return wrong.str() + "no text control\n";
    RECT t = InClient(box, text);
    if (!Inside(t, client))
        wrong << "the text " << Text(t) << " is not inside the client " << Text(client) << "\n";
    WCHAR words[512];
    GetWindowTextW(text, words, ARRAYSIZE(words));
    HDC dc = GetDC(text);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(text, WM_GETFONT, 0, 0));
    RECT needed = {0, 0, t.right - t.left, 0};
    DrawTextW(dc, words, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(text, dc);
    if (needed.right > t.right - t.left || needed.bottom > t.bottom - t.top)
        wrong << "the text needs " << needed.right << "x" << needed.bottom << " but has " << (t.right - t.left)
              << "x" << (t.bottom - t.top) << "\n";

    int buttons = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR name[16];
        GetClassNameW(child, name, ARRAYSIZE(name));
        if (lstrcmpiW(name, L"Button") != 0 || !IsWindowVisible(child))
            continue;
        buttons++;
        RECT b = InClient(box, child);
        if (!Inside(b, client))
            wrong << "a button " << Text(b) << " is not inside the client " << Text(client) << "\n";
        if (b.top < t.bottom)
            wrong << "a button " << Text(b) << " is not below the text " << Text(t) << "\n";
    }
    if (!buttons)
        wrong << "no button\n";
    return wrong.str();
}

} // namespace

TEST(MessageBoxes, FitsTheScreensWidthAndShowsAllItsTextAndButtons)
{
    struct Case {
        const wchar_t *text, *caption;
        UINT type;
    } cases[] = {
        {L"Bluetooth is turned off. Please turn Bluetooth on before using Quillmark", L"Bluetooth",
         MB_OK | MB_ICONINFORMATION | MB_TOPMOST},
        {L"Bluetooth Mouse is not configured. Please use Bluetooth control panel to pair to Mouse\n"
         L"(use Input Device profile)",
         L"Mouse not found", MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST},
        {L"Unable to find HID Driver. Please Reinstall Quillmark!", L"HID error", MB_OK},
        {L"Short.", L"Status", MB_YESNOCANCEL},
    };
    DWORD self = GetCurrentThreadId();
    for (const Case &c : cases) {
        std::string misfits = "the box was not seen";
        std::thread person([&] {
            HWND box = NULL;
            if (!WaitFor([&] { return (box = FindWindowW(L"#32770", c.caption)) && IsWindowVisible(box); })) {
                // Says what this thread shows instead, and answers its boxes, so that the test
                // ends rather than waiting for ever on a box nobody answers.
                EnumThreadWindows(self, [](HWND w, LPARAM seen) -> BOOL {
                    WCHAR name[64] = L"", title[128] = L"";
                    GetClassNameW(w, name, ARRAYSIZE(name));
                    GetWindowTextW(w, title, ARRAYSIZE(title));
                    *(std::string *)seen += "; a window of class \"" + Utf8(name) + "\", title \"" + Utf8(title) +
                                            "\"" + (IsWindowVisible(w) ? ", shown" : ", hidden");
                    if (lstrcmpW(name, L"#32770") == 0) {
                        PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
                        PostMessageW(w, WM_COMMAND, IDOK, 0);
                    }
                    return TRUE;
                }, (LPARAM)&misfits);
                return;
            }
            misfits = Misfits(box);
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        MessageBoxW(NULL, c.text, c.caption, c.type);
        person.join();
        EXPECT_EQ("", misfits) << "\"" << std::string(c.caption, c.caption + wcslen(c.caption)) << "\" box";
    }
}
