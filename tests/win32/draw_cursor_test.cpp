// The software cursor on the handheld's real screen, with the real cursor strip of the program.
#include "utils/display.h"
#include "pointer/cursor_state.h"
#include "settings/settings_store.h"
#include "tests/support/program_strip.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <stdio.h>

using namespace wt;

namespace {

const COLORREF Magenta = RGB(255, 0, 255);

// The background: a full-screen window painted with a pattern of many colours.
LRESULT CALLBACK PatternProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        for (int y = 0; y < client.bottom; y += 4)
            for (int x = 0; x < client.right; x += 4) {
                RECT cell = {x, y, x + 4, y + 4};
                HBRUSH brush = CreateSolidBrush(RGB((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255 & ~1));
                FillRect(dc, &cell, brush);
                DeleteObject(brush);
            }
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// What the screen shows, as 32-bit pixels.
struct Shot {
    int width, height;
    std::vector<DWORD> pixels;
    COLORREF At(int x, int y) const
    {
        DWORD p = pixels[(size_t)y * width + x];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
};

Shot TakeShot()
{
    Shot shot;
    shot.width = GetSystemMetrics(SM_CXSCREEN);
    shot.height = GetSystemMetrics(SM_CYSCREEN);
    shot.pixels.resize((size_t)shot.width * shot.height);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.width, -shot.height, 1, 32, BI_RGB};
    void *bits = NULL;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    if (bits) // none when the process has run out of drawing objects: the shot stays black
        memcpy(shot.pixels.data(), bits, shot.pixels.size() * 4);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return shot;
}

size_t Differences(const Shot &a, const Shot &b, RECT *bounds = nullptr)
{
    size_t n = 0;
    RECT r = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < a.height; y++)
        for (int x = 0; x < a.width; x++)
            if (a.At(x, y) != b.At(x, y)) {
                n++;
                r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                     std::max<LONG>(r.bottom, y + 1)};
            }
    if (bounds)
        *bounds = r;
    return n;
}

size_t MagentaPixels(const Shot &s)
{
    size_t n = 0;
    for (DWORD p : s.pixels)
        n += (p & 0xFFFFFF) == 0xFF00FF;
    return n;
}

HBITMAP LoadProgramStrip() { return LoadInstalledCursorStrip(LR_CREATEDIBSECTION); }

void FillScreen(int x, int y, int w, int h, COLORREF colour)
{
    HDC screen = GetDC(NULL);
    RECT r = {x, y, x + w, y + h};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(screen, &r, brush);
    DeleteObject(brush);
    ReleaseDC(NULL, screen);
}

class DrawCursorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSW wc = {0, PatternProc, 0, 0, GetModuleHandleW(NULL), NULL, NULL, NULL, NULL, L"Pattern"};
        RegisterClassW(&wc);
    }
    void SetUp() override
    {
        background = CreateWindowExW(WS_EX_TOPMOST, L"Pattern", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                     GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL,
                                     NULL, NULL);
        UpdateWindow(background);
        Sleep(100);
        ZeroMemory(&CursorState, sizeof(CursorState));
        CursorState.hbmStrip = LoadProgramStrip();
        ASSERT_TRUE(CursorState.hbmStrip);
        CursorState.cxScreen = GetSystemMetrics(SM_CXSCREEN);
        CursorState.cyScreen = GetSystemMetrics(SM_CYSCREEN);
        SettingTable[SLOT_CURSOR].NumVal = 0;
        w = DRAX(20) / 2;
        h = DRAY(32) / 2;
        original = TakeShot();
    }
    void TearDown() override
    {
        DrawCursor(&CursorState, 0);
        DeleteObject(CursorState.hbmStrip);
        DestroyWindow(background);
    }
    void MoveTo(int x, int y)
    {
        CursorState.x = x;
        CursorState.y = y;
        DrawCursor(&CursorState, 1);
    }

    HWND background = NULL;
    int w = 0, h = 0;
    Shot original;
};

} // namespace

TEST(CursorStrip, EveryCellLeavesACheckPointTransparentAtBothSizes)
{
    HBITMAP strip = LoadProgramStrip();
    ASSERT_TRUE(strip);
    BITMAP bm = {};
    GetObjectW(strip, sizeof(bm), &bm);
    EXPECT_EQ(320, bm.bmWidth);
    EXPECT_EQ(32, bm.bmHeight);
    EXPECT_EQ(24, bm.bmBitsPixel);

    HDC screen = GetDC(NULL);
    HDC source = CreateCompatibleDC(screen), target = CreateCompatibleDC(screen);
    HGDIOBJ oldSource = SelectObject(source, strip);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 20, 32);
    HGDIOBJ oldTarget = SelectObject(target, canvas);
    const COLORREF ground = RGB(10, 200, 30);
    for (int cell = 0; cell < 16; cell++) {
        size_t painted = 0;
        for (SIZE size : {SIZE{10, 16}, SIZE{20, 32}}) {
            RECT all = {0, 0, 20, 32};
            HBRUSH brush = CreateSolidBrush(ground);
            FillRect(target, &all, brush);
            DeleteObject(brush);
            TransparentImage(target, 0, 0, size.cx, size.cy, source, 20 * cell, 0, 20, 32, Magenta);
            bool a = GetPixel(target, size.cx - 3, 3) == ground;
            bool b = GetPixel(target, 3, size.cy - 3) == ground;
            EXPECT_TRUE(a || b) << "cell " << cell << " at " << size.cx << "x" << size.cy;
            for (int y = 0; y < size.cy; y++)
                for (int x = 0; x < size.cx; x++) {
                    EXPECT_NE(Magenta, GetPixel(target, x, y));
                    painted += GetPixel(target, x, y) != ground;
                }
        }
        EXPECT_GT(painted, 20u) << "cell " << cell << " shows a picture";
    }
    SelectObject(target, oldTarget);
    SelectObject(source, oldSource);
    DeleteObject(canvas);
    DeleteDC(target);
    DeleteDC(source);
    ReleaseDC(NULL, screen);
    DeleteObject(strip);
}

TEST_F(DrawCursorTest, MovesLeaveNoTrail)
{
    const int cx = CursorState.cxScreen, cy = CursorState.cyScreen;
    const POINT path[] = {{30, 40}, {33, 41}, {100, 200}, {0, 0}, {w + 5, 12}, {cx - w, cy - h},
                          {cx - 4, 50}, {60, cy - 5}, {cx - 4, cy - 5}}; // the last three partly off the screen
    for (POINT p : path) {
        MoveTo(p.x, p.y);
        Shot now = TakeShot();
        RECT changed;
        size_t n = Differences(original, now, &changed);
        EXPECT_GT(n, 0u) << p.x << "," << p.y;
        // Only the cursor's own rectangle differs from the background.
        EXPECT_GE(changed.left, p.x);
        EXPECT_GE(changed.top, p.y);
        EXPECT_LE(changed.right, p.x + w);
        EXPECT_LE(changed.bottom, p.y + h);
        EXPECT_EQ(0u, MagentaPixels(now));
    }
    DrawCursor(&CursorState, 0);
    EXPECT_EQ(0u, Differences(original, TakeShot()));
    EXPECT_EQ(NULL, CursorState.hdcSave);
}

TEST_F(DrawCursorTest, TheCheckPointsSitWhereTheSizeSays)
{
    EXPECT_EQ(DRAX(20) / 2, w);
    MoveTo(100, 200);
    POINT a = {100 + w - 3, 200 + 3}, b = {100 + 3, 200 + h - 3};
    EXPECT_EQ(original.At(a.x, a.y), CursorState.crSampleA);
    EXPECT_EQ(original.At(b.x, b.y), CursorState.crSampleB);
    if (w == 10) {
        EXPECT_EQ(107, a.x);
        EXPECT_EQ(213, b.y);
    }
}

TEST_F(DrawCursorTest, ARepaintUnderTheCursorIsKept)
{
    // Both check points changed: the new content stays.
    MoveTo(60, 80);
    FillScreen(60, 80, w, h, RGB(0, 0, 200));
    MoveTo(150, 150);
    Shot now = TakeShot();
    for (int y = 80; y < 80 + h; y++)
        for (int x = 60; x < 60 + w; x++)
            ASSERT_EQ(RGB(0, 0, 200), now.At(x, y)) << x << "," << y;

    // One changed point: the save-under goes back, the change with it.
    FillScreen(150 + w - 3, 150 + 3, 1, 1, RGB(0, 0, 200));
    MoveTo(10, 10);
    now = TakeShot();
    for (int y = 150; y < 150 + h; y++)
        for (int x = 150; x < 150 + w; x++)
            ASSERT_EQ(original.At(x, y), now.At(x, y)) << x << "," << y;
}

TEST_F(DrawCursorTest, ExactlyTheTwoCheckPointsTellARepaint)
{
    // A repaint of exactly A and B under the drawn cursor keeps what is there; the same repaint one
    // pixel beside them, in any direction, is no repaint at all and the saved pixels go back.
    const COLORREF paint = RGB(3, 5, 201); // an odd blue: in no pattern cell
    struct Case { const char *what; int dx, dy; bool writtenBack; } cases[] = {
        {"A and B themselves", 0, 0, false}, {"right of them", 1, 0, true}, {"left of them", -1, 0, true},
        {"below them", 0, 1, true},          {"above them", 0, -1, true},
    };
    int x = 4 * w;
    for (const Case &c : cases) {
        const int y = 3 * h;
        MoveTo(x, y);
        FillScreen(x + w - 3 + c.dx, y + 3 + c.dy, 1, 1, paint);
        FillScreen(x + 3 + c.dx, y + h - 3 + c.dy, 1, 1, paint);
        Shot drawn = TakeShot();
        MoveTo(x + 3 * w, y + 4 * h); // away: the erase decides
        Shot now = TakeShot();
        const Shot &want = c.writtenBack ? original : drawn;
        size_t wrong = 0;
        for (int j = y; j < y + h; j++)
            for (int i = x; i < x + w; i++)
                wrong += want.At(i, j) != now.At(i, j);
        EXPECT_EQ(0u, wrong) << c.what << (c.writtenBack ? ": not written back" : ": written back");
        x += 2 * w;
    }
}

TEST_F(DrawCursorTest, AShowWhereItIsPaintsNothing)
{
    MoveTo(40, 40);
    FillScreen(40, 40, w, h, RGB(0, 200, 0));
    Shot before = TakeShot();
    HDC save = CursorState.hdcSave;
    DrawCursor(&CursorState, 1);
    EXPECT_EQ(0u, Differences(before, TakeShot()));
    EXPECT_EQ(save, CursorState.hdcSave);

    // An erase with nothing saved only records the position.
    DrawCursor(&CursorState, 0);
    CursorState.x = 90;
    DrawCursor(&CursorState, 0);
    EXPECT_EQ(90, CursorState.xDrawn);
}

TEST_F(DrawCursorTest, AtTheRightEdge)
{
    MoveTo(CursorState.cxScreen, 50);
    EXPECT_EQ(0u, Differences(original, TakeShot())) << "wholly off the screen";
    MoveTo(CursorState.cxScreen - 1, 50);
    RECT changed;
    EXPECT_GT(Differences(original, TakeShot(), &changed), 0u) << "one column visible";
    EXPECT_EQ(CursorState.cxScreen - 1, changed.left);
}

TEST_F(DrawCursorTest, TheStoredCursorSelectsTheImage)
{
    auto drawn = [&](LONG index) {
        SettingTable[SLOT_CURSOR].NumVal = index;
        MoveTo(60, 60); // away first: a show where the cursor already is draws nothing
        MoveTo(20, 20);
        Shot s = TakeShot();
        DrawCursor(&CursorState, 0);
        std::vector<COLORREF> pixels;
        for (int y = 20; y < 20 + h; y++)
            for (int x = 20; x < 20 + w; x++)
                pixels.push_back(s.At(x, y));
        return pixels;
    };
    std::vector<std::vector<COLORREF>> cells;
    for (LONG i = 0; i < 16; i++)
        cells.push_back(drawn(i));
    for (LONG i = 1; i < 16; i++)
        EXPECT_NE(cells[0], cells[i]) << "cell " << i << " looks like cell 0";
    // Values the settings window never stores draw the first image, never beyond the strip.
    for (LONG bad : {-1L, 16L, 1000L, LONG(0x80000000)})
        EXPECT_EQ(cells[0], drawn(bad)) << bad;

    // A choice stored in the registry is the one drawn once the settings are loaded.
    ASSERT_EQ(1, SaveSlot(SLOT_CURSOR, 13, L"", L""));
    LoadSettings();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Dalvern\\Quillmark");
    EXPECT_EQ(cells[13], drawn(SettingTable[SLOT_CURSOR].NumVal));
}

TEST_F(DrawCursorTest, ManyMovesHoldNoDrawingObjects)
{
    MoveTo(1, 1); // whatever the system makes once, on a first draw
    DrawCursor(&CursorState, 0);
    size_t room = DrawingObjectRoom();
    // Each move is a round trip to the display: on a busy machine a few milliseconds or more, so
    // the test run's soak stays short; a leak of one object a move still shows.
    const int moves = SoakLength(1000, 100000);
    DWORD start = GetTickCount();
    for (int i = 0; i < moves; i++) {
        MoveTo((i * 7) % CursorState.cxScreen, (i * 13) % CursorState.cyScreen);
        if ((i + 1) % (moves / 4) == 0)
            printf("%d of %d moves, %lu ms\n", i + 1, moves, GetTickCount() - start); // a timeout shows how far
    }
    DrawCursor(&CursorState, 0);
    EXPECT_EQ(NULL, CursorState.hdcSave);
    EXPECT_EQ(NULL, CursorState.hbmSave);
    RECT changed;
    EXPECT_EQ(0u, Differences(original, TakeShot(), &changed))
        << changed.left << "," << changed.top << " - " << changed.right << "," << changed.bottom;
    EXPECT_GE(DrawingObjectRoom() + 2, room) << "drawing objects left behind by " << moves << " moves";
}
