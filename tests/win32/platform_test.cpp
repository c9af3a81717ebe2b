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
    DWORD on = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, PPC_HANDHELD_KEY, L"Mode", REG_DWORD, &on, sizeof(on));
}
