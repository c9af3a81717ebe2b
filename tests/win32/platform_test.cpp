// The Pocket PC stand-ins of platform/.
#include "platform/pocketpc.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>

using namespace wt;

namespace {

void SetDeviceName(const wchar_t *name)
{
    if (name)
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"DeviceName", REG_SZ, name,
                        (DWORD)((wcslen(name) + 1) * sizeof(wchar_t)));
    else
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"DeviceName");
}

} // namespace

TEST(OemInfo, AnswersTheHandheldsDeviceName)
{
    struct Case { const wchar_t *stored; UINT bytes; BOOL ok; const wchar_t *want; } cases[] = {
        {L"Pocket PC \u03a9", 510, TRUE, L"Pocket PC \u03a9"},
        {nullptr, 510, FALSE, L""},                    // no name: the query fails, empty text
        {L"Pocket PC", 20, TRUE, L"Pocket PC"},        // 9 characters and the terminator fit 20 bytes
        {L"Pocket PC 2003", 20, FALSE, L""},           // too long for the buffer
        {L"", 510, TRUE, L""},
    };
    for (const Case &c : cases) {
        SetDeviceName(c.stored);
        WCHAR buffer[300];
        for (WCHAR &w : buffer)
            w = L'#';
        EXPECT_EQ(c.ok, SystemParametersInfoW(SPI_GETOEMINFO, c.bytes, buffer, 0)) << c.want;
        EXPECT_STREQ(c.want, buffer);
        EXPECT_EQ(L'#', buffer[c.bytes / sizeof(WCHAR)]) << "written past the buffer";
    }
    SetDeviceName(L"Pocket PC qvga");
}

TEST(OemInfo, OtherActionsAreTheSystems)
{
    RECT work = {};
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_GT(work.right, 0);
}

TEST(Foreground, TheLowBitBringsOwnedWindowsAlong)
{
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                                 NULL, NULL, NULL, NULL);
    HWND owned = CreateWindowExW(0, L"STATIC", L"owned", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 50, 50,
                                 owner, NULL, NULL, NULL);
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                                 NULL, NULL, NULL, NULL);
    SetForegroundWindow(other);
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    EXPECT_TRUE(SetForegroundWindow((HWND)((UINT_PTR)owner | 1)));
    EXPECT_EQ(owner, GetForegroundWindow());
    // The owned window is now above the other one.
    bool ownedFirst = false;
    for (HWND w = GetTopWindow(NULL); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == owned) { ownedFirst = true; break; }
        if (w == other) break;
    }
    EXPECT_TRUE(ownedFirst);

    DestroyWindow(other);
    DestroyWindow(owned);
    DestroyWindow(owner);
}

namespace {

std::vector<POINT> Taps;

LRESULT CALLBACK TapTarget(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN)
        Taps.push_back({(short)LOWORD(lParam), (short)HIWORD(lParam)});
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST(Input, AnAbsoluteTapLandsAtItsCoordinates)
{
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TapTarget;
    wc.lpszClassName = L"TapTarget";
    RegisterClassW(&wc);
    HWND target = CreateWindowExW(0, L"TapTarget", L"", WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, NULL, NULL, NULL, NULL);
    SetForegroundWindow(target);

    // The pointer is elsewhere; a tap without the move flag still lands where it says.
    SetCursorPos(10, 10);
    int x = cx / 2, y = cy / 2;
    PpcSeams.MouseEvent(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, x * 65535 / cx, y * 65535 / cy, 0, 0);
    PpcSeams.MouseEvent(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, x * 65535 / cx, y * 65535 / cy, 0, 0);
    ASSERT_TRUE(WaitFor([&] {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        return !Taps.empty();
    }));
    EXPECT_LE(abs(Taps[0].x - x), 1) << Taps[0].x;
    EXPECT_LE(abs(Taps[0].y - y), 1) << Taps[0].y;
    DestroyWindow(target);
}

TEST(KernelIo, OnlyTheResetIsKnown)
{
    RemoveFile(L"\\handheld-events.txt");
    DWORD returned = 7;
    EXPECT_FALSE(KernelIoControl(0x01010000, NULL, 0, NULL, 0, &returned));
    EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());
    EXPECT_EQ(0u, returned);
    EXPECT_FALSE(FileExists(L"\\handheld-events.txt"));
    EXPECT_TRUE(KernelIoControl(IOCTL_HAL_REBOOT, NULL, 0, NULL, 0, NULL));
    EXPECT_EQ(std::vector<std::string>{"KernelIoControl IOCTL_HAL_REBOOT"}, WaitForEvents(1));
}

TEST(Display, RequestsWithoutOrientationAreTheDesktops)
{
    DEVMODEW mode = {};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsW(NULL, ENUM_CURRENT_SETTINGS, &mode));
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    EXPECT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsExW(NULL, &mode, NULL, CDS_TEST, NULL));
    mode.dmFields = DM_DISPLAYORIENTATION;
    mode.dmDisplayOrientation = 3; // no handheld orientation
    EXPECT_EQ(DISP_CHANGE_BADMODE, ChangeDisplaySettingsExW(NULL, &mode, NULL, 0, NULL));
}

TEST(Display, TheOrientationIsTheHandheldsFieldBit)
{
    // The handheld names the orientation field 0x00800000; the desktop's header gives 0x80 that
    // name, which the handheld does not take for it.
    EXPECT_EQ(0x00800000, DM_DISPLAYORIENTATION);
    DWORD stored = DMDO_180;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_DISPLAY_KEY, L"Orientation", REG_DWORD, &stored, sizeof(stored));
    struct Case { DWORD field; bool handheld; } cases[] = {{0x00800000, true}, {0x00000080, false}};
    for (const Case &c : cases) {
        DEVMODEW mode = {};
        mode.dmSize = sizeof(mode);
        mode.dmFields = c.field;
        mode.dmDisplayOrientation = 77;
        ChangeDisplaySettingsExW(NULL, &mode, NULL, CDS_TEST, NULL);
        EXPECT_EQ(c.handheld ? DMDO_180 : 77u, mode.dmDisplayOrientation) << std::hex << c.field;
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PPC_DISPLAY_KEY, L"Orientation");
}

TEST(Radio, ReportsTheRadioAndFailsWithoutIt)
{
    struct Case { DWORD type; DWORD stored; bool present; int ok; DWORD want; } cases[] = {
        {REG_DWORD, 0, true, 1, 0}, // off
        {REG_DWORD, 1, true, 1, 1}, // on, connectable
        {REG_DWORD, 2, true, 1, 2}, // on, discoverable
        {REG_DWORD, 0, false, 0, 0}, // no value: the query fails
        {REG_SZ, 0, true, 0, 0},    // not a number: the query fails
    };
    for (const Case &c : cases) {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"Mode");
        if (c.present && c.type == REG_DWORD)
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"Mode", REG_DWORD, &c.stored, sizeof(c.stored));
        else if (c.present)
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"Mode", REG_SZ, L"1", 2 * sizeof(WCHAR));
        DWORD mode = 77;
        int result = BthGetMode(&mode);
        if (c.ok) {
            EXPECT_EQ(0, result) << c.stored;
            EXPECT_EQ(c.want, mode);
        } else {
            EXPECT_NE(0, result) << "type " << c.type << " present " << c.present;
        }
    }
    EXPECT_NE(0, BthGetMode(nullptr));
    DWORD on = 1, error = ERROR_GEN_FAILURE;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"Mode", REG_DWORD, &on, sizeof(on));
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"QueryError", REG_DWORD, &error, sizeof(error));
    DWORD mode = 0;
    EXPECT_EQ((int)ERROR_GEN_FAILURE, BthGetMode(&mode)) << "a query error stands";
    EXPECT_EQ(1u, mode) << "with the mode still reported";
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"QueryError");
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"Mode", REG_DWORD, &on, sizeof(on));
}
