// The settings page inside a test program that carries the program's resources: its controls on
// the handheld's screen, the lists after start-up, every change made on them with what it leaves
// in the registry, the tray and the log, and the tray icon on the handheld's shell, tapped.
#include "utils/app_globals.h"
#include "utils/app_paths.h"
#include "utils/log.h"
#include "app/main_window.h"
#include "utils/tray_icon.h"
#include "platform/tray_wire.h"
#include "pointer/actions.h"
#include "settings/settings_store.h"
#include "page/settings_window.h"
#include "pickers/picker_window.h"
#include "tests/support/picker_support.h"
#include "tests/support/wintest.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace wt;

namespace {

const wchar_t Root[] = L"Software\\Dalvern\\Quillmark";
const wchar_t *const SlotKeys[] = {L"", L"1", L"2", L"3", L"4", L"5", L"Speed", L"AutoStart", L"ShowTray", L"Cursor"};

void PutSlot(int slot, DWORD type, const void *data, DWORD size, const wchar_t *name = L"NumVal")
{
    std::wstring key = std::wstring(Root) + L"\\" + SlotKeys[slot];
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, type, data, size));
}
void PutNumber(int slot, LONG value) { PutSlot(slot, REG_DWORD, &value, 4); }
void PutText(int slot, const wchar_t *name, const std::wstring &text)
{
    PutSlot(slot, REG_SZ, text.c_str(), (DWORD)((text.size() + 1) * 2), name);
}

// Every slot key as "slot=NumVal" (with its strings when it has any), in slot order.
std::string Registry()
{
    std::string all;
    for (int slot = 1; slot <= 9; slot++) {
        std::wstring key = std::wstring(Root) + L"\\" + SlotKeys[slot];
        HKEY k;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            continue;
        DWORD number = 0, size = 4, type = 0;
        bool read = RegQueryValueExW(k, L"NumVal", NULL, &type, (BYTE *)&number, &size) == ERROR_SUCCESS;
        all += " " + std::to_string(slot) + "=" + (read && type == REG_DWORD ? std::to_string((LONG)number) : "?");
        for (const wchar_t *name : {L"Param", L"Param2"}) {
            WCHAR text[300] = {0};
            DWORD bytes = sizeof(text) - 2;
            if (RegQueryValueExW(k, name, NULL, &type, (BYTE *)text, &bytes) == ERROR_SUCCESS && text[0])
                all += "[" + Utf8(text) + "]";
        }
        RegCloseKey(k);
    }
    return all;
}

std::vector<std::string> NewLogLines(size_t from)
{
    std::vector<std::string> lines = LogMessages();
    return std::vector<std::string>(lines.begin() + std::min(from, lines.size()), lines.end());
}

// The callback messages the main window received from the tray: (wParam, lParam).
std::vector<std::pair<WPARAM, LPARAM>> TrayCallbacks;

LRESULT CALLBACK RecordTray(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_TRAY_CALLBACK)
        TrayCallbacks.push_back({wParam, lParam});
    return DefSubclassProc(window, message, wParam, lParam);
}

int Scale()
{
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    return dpi / 96;
}

class SettingsPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Shell.reset(new HandheldProgram(ShellProgram)); }
    static void TearDownTestSuite() { Shell.reset(); }

    void SetUp() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root);
        ZeroMemory(SettingTable, sizeof(SettingTable));
        StartFreshLog(true);
        LogEnabled = true;
        AppInstance = GetModuleHandleW(NULL); // the program's resources are linked in
        // The pickers' image strips are the installed program's, as the program finds them beside it.
        lstrcpyW(AppDir, QM_INSTALLED_FOLDER);
    }
    void TearDown() override
    {
        if (IsWindow(main))
            DestroyWindow(main);
        PumpUntil([] { return false; }, 50);
        MyInterface.hwndMain = NULL;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root);
    }
    void Create()
    {
        ASSERT_EQ(1, CreateMainWindow(&MyInterface, AppInstance));
        main = MyInterface.hwndMain;
        SetWindowSubclass(main, RecordTray, 1, 0);
        TrayCallbacks.clear();
    }
    void Show()
    {
        ShowWindow(main, SW_SHOW);
        SetForegroundWindow(main);
        UpdateWindow(main);
        PumpUntil([&] { return GetForegroundWindow() == main; }, 2000);
    }
    HWND Control(int id) { return GetDlgItem(main, id); }
    LRESULT Selection(int id) { return SendMessageW(Control(id), CB_GETCURSEL, 0, 0); }
    std::wstring SelectedText(int id)
    {
        WCHAR text[64] = {0};
        LRESULT n = Selection(id);
        if (n >= 0)
            SendMessageW(Control(id), CB_GETLBTEXT, n, (LPARAM)text);
        return text;
    }

    static std::unique_ptr<HandheldProgram> Shell;
    HWND main = NULL;
};
std::unique_ptr<HandheldProgram> SettingsPage::Shell;

} // namespace

TEST_F(SettingsPage, HasItsThirteenControlsAtTheScreensScale)
{
    Create();
    Show();
    int s = Scale();
    struct Row { const wchar_t *className, *text; DWORD style; int x, y, w, h, id; } rows[] = {
        {L"Button", L"Options", 0x50000007, 5, 5, 230, 65, 1991},
        {L"Button", L"Show Tray icon", 0x50000003, 10, 25, 200, 20, 801},
        {L"Button", L"Help", 0x50000000, 159, 22, 72, 20, 776},
        {L"Button", L"About", 0x50000000, 159, 45, 72, 20, 777},
        {L"Button", L"Mouse Actions", 0x50000007, 5, 75, 230, 105, 1991},
        {L"Static", L"Select Mouse Button", 0x5000000C, 8, 100, 147, 20, 805},
        {L"Static", L"Cursor", 0x5000000C, 158, 100, 72, 20, 806},
        {L"ComboBox", L"", 0x50200003, 9, 115, 147, 100, 817},
        {L"ComboBox", L"", 0x50200003, 159, 115, 72, 100, 818},
        {L"Static", L"Select Action", 0x5000000C, 8, 140, 147, 20, 807},
        {L"Static", L"Speed:", 0x5000000C, 158, 140, 72, 20, 808},
        {L"ComboBox", L"", 0x50200003, 9, 155, 147, 100, 819},
        {L"ComboBox", L"", 0x50200003, 159, 155, 72, 100, 820},
    };
    std::vector<HWND> children;
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    ASSERT_EQ(13u, children.size());
    HWND options = NULL;
    for (const Row &r : rows) {
        HWND c = NULL;
        WCHAR text[64] = {0};
        for (HWND candidate : children) {
            GetWindowTextW(candidate, text, ARRAYSIZE(text));
            // A drop-down list's text is its selected entry's.
            if (GetDlgCtrlID(candidate) == r.id && (r.style == 0x50200003 || wcscmp(text, r.text) == 0))
                c = candidate;
        }
        ASSERT_TRUE(c) << Utf8(r.text) << " " << r.id;
        if (r.id == 1991 && !options)
            options = c;
        WCHAR className[32] = {0};
        GetClassNameW(c, className, ARRAYSIZE(className));
        EXPECT_EQ(0, _wcsicmp(r.className, className)) << r.id << " " << Utf8(className);
        DWORD style = GetWindowLongW(c, GWL_STYLE) & ~WS_CLIPSIBLINGS;
        COMBOBOXINFO combo = {sizeof(combo)};
        if (GetComboBoxInfo(c, &combo)) { // the list keeps the scroll bar it was made with
            style |= GetWindowLongW(combo.hwndList, GWL_STYLE) & WS_VSCROLL;
            // ... and hides it while it shows every entry (five buttons in the handheld's font).
            RECT list;
            GetClientRect(combo.hwndList, &list);
            LRESULT count = SendMessageW(c, CB_GETCOUNT, 0, 0), item = SendMessageW(c, CB_GETITEMHEIGHT, 0, 0);
            if (count * item <= list.bottom)
                style |= WS_VSCROLL;
        }
        EXPECT_EQ(r.style, style) << r.id;
        RECT at;
        GetWindowRect(c, &at);
        MapWindowPoints(NULL, main, (POINT *)&at, 2);
        EXPECT_EQ(r.x * s, at.left) << r.id;
        EXPECT_EQ(r.y * s, at.top) << r.id;
        EXPECT_EQ(r.w * s, at.right - at.left) << r.id;
        if (r.style == 0x50200003) { // a drop-down list: the height is the closed box and its open list
            RECT open;
            SendMessageW(c, CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&open);
            // The open list holds whole entries: it ends short of the height asked by less than one.
            int total = (at.bottom - at.top) + (open.bottom - open.top);
            int item = (int)SendMessageW(c, CB_GETITEMHEIGHT, 0, 0);
            EXPECT_TRUE(total <= r.h * s && total > r.h * s - item)
                << r.id << ": " << total << " high for " << r.h * s << " with entries " << item << " high";
        } else {
            EXPECT_EQ(r.h * s, at.bottom - at.top) << r.id;
        }
    }
    RECT box;
    GetWindowRect(options, &box);
    MapWindowPoints(NULL, main, (POINT *)&box, 2);
    EXPECT_EQ(s == 1 ? "5,5,230,65" : "10,10,460,130",
              std::to_string(box.left) + "," + std::to_string(box.top) + "," + std::to_string(box.right - box.left) +
                  "," + std::to_string(box.bottom - box.top));

    // Every control but the group boxes lies above both of them, and shows as itself where it
    // overlaps another: the check box's box reaches under "Help".
    std::vector<int> ids;
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(c));
    EXPECT_EQ((std::vector<int>{1991, 1991}), std::vector<int>(ids.end() - 2, ids.end()));
    Screenshot page = PaintedClient(main);
    HWND help = Control(IDC_HELP_BUTTON);
    RECT area;
    GetClientRect(help, &area);
    HDC screen = GetDC(NULL);
    HDC alone = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, area.right, area.bottom);
    HGDIOBJ old = SelectObject(alone, picture);
    PrintWindow(help, alone, PW_CLIENTONLY);
    POINT origin = {0, 0};
    ClientToScreen(help, &origin);
    int differ = 0;
    for (int y = 0; y < area.bottom; y++)
        for (int x = 0; x < area.right; x++)
            differ += GetPixel(alone, x, y) != page.At(origin.x + x, origin.y + y);
    SelectObject(alone, old);
    DeleteObject(picture);
    DeleteDC(alone);
    ReleaseDC(NULL, screen);
    EXPECT_EQ(0, differ) << "pixels of \"Help\" covered by another control";
}

TEST_F(SettingsPage, ListsShowTheStoredSettingsAndLeaveBadOnesUnselectedAndUnrepaired)
{
    struct Case {
        const char *what;
        std::function<void()> store;
        int action, speed, cursor; // -1: no selection
        bool tray;
    } cases[] = {
        {"a first run", [] {}, 0, 2, 0, false},
        {"stored settings", [] { PutNumber(1, 7); PutNumber(6, 9); PutNumber(9, 13); PutNumber(7, 1); },
         7, 9, 13, true},
        {"numbers beyond the lists", [] { PutNumber(1, 17); PutNumber(6, 11); PutNumber(9, 16); PutNumber(7, 5); },
         -1, -1, -1, true},
        {"negative numbers; -1 counts as a shown icon",
         [] { PutNumber(1, -1); PutNumber(6, -2); PutNumber(9, -5); PutNumber(7, -1); }, -1, -1, -1, true},
        {"numbers of the wrong type or size",
         [] {
             PutSlot(1, REG_SZ, L"7", 4);
             PutSlot(6, REG_BINARY, "\x03\x00\x00\x00\x00", 5);
             PutSlot(9, REG_DWORD, "\x02\x00", 2);
             PutSlot(7, REG_QWORD, "\x00\x00\x00\x00\x00\x00\x00\x00", 8);
         },
         -1, -1, -1, true},
        {"an unset tray setting", [] { PutNumber(7, 0); }, 0, 2, 0, false},
    };
    for (const Case &c : cases) {
        SetUp();
        c.store();
        std::string stored = Registry();
        Create();
        EXPECT_EQ(0, Selection(IDC_BUTTON_LIST)) << c.what;
        EXPECT_EQ(L"Left Button", SelectedText(IDC_BUTTON_LIST)) << c.what;
        EXPECT_EQ(c.action, Selection(IDC_ACTION_LIST)) << c.what;
        EXPECT_EQ(c.speed, Selection(IDC_SPEED_LIST)) << c.what;
        EXPECT_EQ(c.cursor, Selection(IDC_CURSOR_LIST)) << c.what;
        EXPECT_EQ(c.tray ? BST_CHECKED : BST_UNCHECKED,
                  SendMessageW(Control(IDC_SHOW_TRAY_ICON), BM_GETCHECK, 0, 0)) << c.what;
        EXPECT_EQ(c.tray, TrayIconOf(main, TRAY_ICON_ID) != NULL) << c.what;
        EXPECT_EQ(stored, Registry()) << c.what << ": the registry was changed";
        TearDown();
    }

    // The lists hold their names in order, so that a position is the stored number.
    SetUp();
    Create();
    struct List { int id; std::vector<std::wstring> names; } lists[] = {
        {IDC_BUTTON_LIST, {L"Left Button", L"Middle Button", L"Right Button", L"Wheel Up", L"Wheel Down"}},
        {IDC_ACTION_LIST,
         {L"Left Click", L"Middle Click", L"Right Click", L"Double Click", L"Scroll Up", L"Scroll Down",
          L"Scroll Left", L"Scroll Right", L"Tap and Hold", L"Open Program", L"Open Applet", L"Close Task",
          L"Reset Device", L"Suspend", L"Rotate Screen", L"Show Desktop", L"Switch Task"}},
        {IDC_SPEED_LIST, {L"0.1X", L"0.2X", L"0.5X", L"1X", L"2X", L"3X", L"4X", L"5X", L"6X", L"7X", L"8X"}},
        {IDC_CURSOR_LIST,
         {L"Blue", L"Black", L"Red", L"Small", L"Big", L"Modern", L"Hand", L"Arrow", L"Silver", L"Green",
          L"Small 2", L"Signs", L"Lightning", L"Smilie", L"Body", L"Classic"}},
    };
    for (const List &l : lists) {
        std::vector<std::wstring> shown((size_t)SendMessageW(Control(l.id), CB_GETCOUNT, 0, 0));
        for (size_t i = 0; i < shown.size(); i++) {
            WCHAR text[64] = {0};
            SendMessageW(Control(l.id), CB_GETLBTEXT, i, (LPARAM)text);
            shown[i] = text;
        }
        EXPECT_EQ(l.names, shown) << l.id;
    }
}

TEST_F(SettingsPage, EachChangeIsAppliedSavedTrayedAndLoggedAtOnce)
{
    PutNumber(2, ACTION_SCROLL_LEFT);
    PutNumber(3, ACTION_OPEN_PROGRAM);
    PutText(3, L"Param", L"\\windows\\notes.exe");
    PutText(3, L"Param2", L"-ok");
    PutNumber(4, 42); // damaged: beyond the actions
    // A folder of programs for the program picker, and the sample applet for the applet picker.
    CreateDirectoryW(L"\\picks", NULL);
    WriteText(L"\\picks\\tool.exe", "");
    Create();
    Show();

    enum How { SELECT, CHECK, UNCHECK };
    // What the picker that a row opens is made to do, on the handheld's screen.
    typedef std::function<void(const Picker &)> Drive;
    Drive cancel = [](const Picker &p) { TapMenu(p, IDM_PICKER_CANCEL); };
    Drive tool = [](const Picker &p) {
        EXPECT_TRUE(Expand(p.tree, WaitForItem(p.tree, {L"\\"})));
        EXPECT_TRUE(Expand(p.tree, WaitForItem(p.tree, {L"\\", L"picks"})));
        Tap(CentreOf(p.bottomLine).x, CentreOf(p.bottomLine).y);
        TypeText(L"-x");
        WaitFor([&] { return WindowText(p.bottomLine) == L"-x"; });
        EXPECT_TRUE(Select(p.tree, WaitForItem(p.tree, {L"\\", L"picks", L"tool.exe"})));
        TapMenu(p, IDM_PICKER_OK);
    };
    Drive clock = [](const Picker &p) {
        HTREEITEM file = WaitForItem(p.tree, {L"sample.cpl"});
        EXPECT_TRUE(Expand(p.tree, file));
        EXPECT_TRUE(Select(p.tree, WaitForItem(p.tree, {L"sample.cpl", L"Clock"})));
        TapMenu(p, IDM_PICKER_OK);
    };
    struct Row {
        const char *what;
        How how;
        int id;
        int value;        // the entry selected, for SELECT
        int notification;
        std::vector<std::string> log;
        std::string registry;
        LONG middle;      // SettingTable's NumVal of the Middle Button after the row
        bool tray;
        int actionShown;  // the action list's selection after the row
        Drive pick;       // the picker the row opens, and what is done in it
        PickerKindName kind;
    } rows[] = {
        {"another button only shows its action", SELECT, 817, 1, CBN_SELENDOK, {},
         " 2=6 3=9[\\windows\\notes.exe][-ok] 4=42", 6, false, 6},
        {"the action it has already", SELECT, 819, 6, CBN_SELENDOK, {}, " 2=6 3=9[\\windows\\notes.exe][-ok] 4=42", 6, false, 6},
        {"a selection still being made", SELECT, 819, 12, CBN_SELCHANGE, {},
         " 2=6 3=9[\\windows\\notes.exe][-ok] 4=42", 6, false, 12},
        {"a selection ended with Escape", SELECT, 819, 12, CBN_SELENDCANCEL, {},
         " 2=6 3=9[\\windows\\notes.exe][-ok] 4=42", 6, false, 12},
        {"a new action", SELECT, 819, 12, CBN_SELENDOK, {"UserGUISettingsChange 2 12"},
         " 2=12 3=9[\\windows\\notes.exe][-ok] 4=42", 12, false, 12},
        {"Open Program, the picker cancelled", SELECT, 819, 9, CBN_SELENDOK, {"UserGUISettingsChange 2 9"},
         " 2=12 3=9[\\windows\\notes.exe][-ok] 4=42", 12, false, 9, cancel, FILE_PICKER},
        {"Open Program again, a program chosen with its words", SELECT, 819, 9, CBN_SELENDOK,
         {"UserGUISettingsChange 2 9", "BrowseF:[-x][\\picks\\tool.exe]"},
         " 2=9[\\picks\\tool.exe][-x] 3=9[\\windows\\notes.exe][-ok] 4=42", 9, false, 9, tool, FILE_PICKER},
        {"Open Applet, the picker cancelled", SELECT, 819, 10, CBN_SELENDOK, {"UserGUISettingsChange 2 10"},
         " 2=9[\\picks\\tool.exe][-x] 3=9[\\windows\\notes.exe][-ok] 4=42", 9, false, 10, cancel, APPLET_PICKER},
        {"Open Applet, an entry chosen", SELECT, 819, 10, CBN_SELENDOK,
         {"UserGUISettingsChange 2 10", "BrowseA:[][\\windows\\sample.cpl,2]"},
         " 2=10[\\windows\\sample.cpl,2] 3=9[\\windows\\notes.exe][-ok] 4=42", 10, false, 10, clock, APPLET_PICKER},
        {"a new action after them", SELECT, 819, 12, CBN_SELENDOK, {"UserGUISettingsChange 2 12"},
         " 2=12[\\windows\\sample.cpl,2] 3=9[\\windows\\notes.exe][-ok] 4=42", 12, false, 12},
        {"the Right Button shows Open Program", SELECT, 817, 2, CBN_SELENDOK, {},
         " 2=12[\\windows\\sample.cpl,2] 3=9[\\windows\\notes.exe][-ok] 4=42", 12, false, 9},
        {"Left Click keeps the program's strings", SELECT, 819, 0, CBN_SELENDOK, {"UserGUISettingsChange 3 0"},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42", 12, false, 0},
        {"Wheel Up's damaged action shows as none", SELECT, 817, 3, CBN_SELENDOK, {},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42", 12, false, -1},
        {"Wheel Down shows its default", SELECT, 817, 4, CBN_SELENDOK, {},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42", 12, false, 4},
        {"the speed", SELECT, 820, 3, CBN_SELENDOK, {"UserGUISettingsChange 6 3"},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42 6=3", 12, false, 4},
        {"the same speed", SELECT, 820, 3, CBN_SELENDOK, {}, " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42 6=3", 12, false, 4},
        {"the cursor", SELECT, 818, 15, CBN_SELENDOK, {"UserGUISettingsChange 9 15"},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42 6=3 9=15", 12, false, 4},
        {"the cursor's list closed without a choice", SELECT, 818, 3, CBN_CLOSEUP, {},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42 6=3 9=15", 12, false, 4},
        {"the tray icon ticked", CHECK, 801, 0, BN_CLICKED, {"UserGUISettingsChange 7 1"},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42 6=3 7=1 9=15", 12, true, 4},
        {"and cleared", UNCHECK, 801, 0, BN_CLICKED, {"UserGUISettingsChange 7 0"},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42 6=3 7=0 9=15", 12, false, 4},
        {"any notification of the box", CHECK, 801, 0, BN_SETFOCUS, {"UserGUISettingsChange 7 1"},
         " 2=12[\\windows\\sample.cpl,2] 3=0[\\windows\\notes.exe][-ok] 4=42 6=3 7=1 9=15", 12, true, 4},
    };
    for (const Row &r : rows) {
        size_t logged = LogMessages().size();
        HWND control = Control(r.id);
        if (r.how == SELECT)
            SendMessageW(control, CB_SETCURSEL, r.value, 0);
        else
            SendMessageW(control, BM_SETCHECK, r.how == CHECK ? BST_CHECKED : BST_UNCHECKED, 0);
        auto command = [&] { SendMessageW(main, WM_COMMAND, MAKEWPARAM(r.id, r.notification), (LPARAM)control); };
        if (r.pick)
            EXPECT_FALSE(RunWithPicker(r.kind, command, r.pick).rescued) << r.what;
        else
            command();
        std::vector<std::string> lines = NewLogLines(logged);
        // The page's own lines; the picker's (its selections, its listings) come in between.
        if (r.pick)
            lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string &l) {
                            return l.rfind("UserGUISettingsChange ", 0) != 0 && l.rfind("Browse", 0) != 0;
                        }), lines.end());
        EXPECT_EQ(r.log, lines) << r.what;
        EXPECT_EQ(r.registry, Registry()) << r.what;
        EXPECT_EQ(r.middle, SettingTable[SLOT_MIDDLE_BUTTON].NumVal) << r.what;
        EXPECT_EQ(r.tray, TrayIconOf(main, TRAY_ICON_ID) != NULL) << r.what;
        EXPECT_EQ(r.actionShown, Selection(IDC_ACTION_LIST)) << r.what;
    }
    EXPECT_EQ(SLOT_WHEEL_DOWN, SelectedButton + 1);
    EXPECT_EQ(15, SettingTable[SLOT_CURSOR].NumVal);
    EXPECT_EQ(3, SettingTable[SLOT_SPEED].NumVal);
}

TEST_F(SettingsPage, TheTrayIconShowsThePageOnATapOnly)
{
    Create();
    HWND box = Control(IDC_SHOW_TRAY_ICON);
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_SHOW_TRAY_ICON, BN_CLICKED), (LPARAM)box);
    HWND icon = TrayIconOf(main, TRAY_ICON_ID);
    ASSERT_TRUE(icon);

    // The icon is drawn in the tray: the program's picture, not the bar's plain colour. The shell
    // shows the icon's cell as the call returns and paints it a moment later.
    PaintedClient(icon);
    RECT cell;
    GetWindowRect(icon, &cell);
    HDC screen = GetDC(NULL);
    COLORREF bar = GetPixel(screen, cell.left, cell.top);
    ReleaseDC(NULL, screen);
    RECT inner = {cell.left + 2, cell.top + 2, cell.right - 2, cell.bottom - 2};
    int area = (inner.right - inner.left) * (inner.bottom - inner.top);
    EXPECT_GT(area - PixelsOf(bar, inner), area / 8) << "no picture in the tray";
    // A second icon of the same window, with another id, comes to its left.
    HICON other = LoadIconW(NULL, IDI_WARNING);
    ASSERT_TRUE(TrayAdd(main, TRAY_ICON_ID + 1, other));
    HWND foreign = TrayIconOf(main, TRAY_ICON_ID + 1);
    ASSERT_TRUE(foreign);
    EXPECT_LT(CentreOf(foreign).x, CentreOf(icon).x);

    typedef std::vector<std::pair<WPARAM, LPARAM>> Calls;
    POINT at = CentreOf(icon);
    // Pressed, then let go away from the icon: the press is told, nothing shows.
    Drag(at.x, at.y, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ((Calls{{TRAY_ICON_ID, WM_LBUTTONDOWN}}), TrayCallbacks);
    EXPECT_FALSE(IsWindowVisible(main));

    // The other icon's tap reaches the window with its own id and shows nothing.
    TrayCallbacks.clear();
    POINT otherAt = CentreOf(foreign);
    Tap(otherAt.x, otherAt.y);
    PumpUntil([] { return TrayCallbacks.size() >= 2; }, 3000);
    EXPECT_EQ((Calls{{TRAY_ICON_ID + 1, WM_LBUTTONDOWN}, {TRAY_ICON_ID + 1, WM_LBUTTONUP}}), TrayCallbacks);
    PumpUntil([] { return false; }, 300);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(TrayDelete(main, TRAY_ICON_ID + 1));

    // A tap shows the page in front, its menu bar with it.
    TrayCallbacks.clear();
    at = CentreOf(icon);
    Tap(at.x, at.y);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) && GetForegroundWindow() == main; }, 3000));
    EXPECT_EQ((Calls{{TRAY_ICON_ID, WM_LBUTTONDOWN}, {TRAY_ICON_ID, WM_LBUTTONUP}}), TrayCallbacks);
    ASSERT_TRUE(MyInterface.hwndMenuBar);
    EXPECT_TRUE(IsWindowVisible(MyInterface.hwndMenuBar));

    // Closing the program takes its icon away.
    DestroyWindow(main);
    EXPECT_EQ(NULL, TrayIconOf(main, TRAY_ICON_ID));
    EXPECT_TRUE(TrayIcons().empty());
}

TEST_F(SettingsPage, TheMenuBarHidesThePageAndAFailedOneLeavesItWorking)
{
    Create();
    Show();
    HWND bar = MyInterface.hwndMenuBar;
    ASSERT_TRUE(bar);
    EXPECT_EQ(main, GetWindow(bar, GW_OWNER));
    std::vector<std::pair<std::wstring, int>> buttons;
    for (HWND b = GetWindow(bar, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
        WCHAR text[32] = {0};
        GetWindowTextW(b, text, ARRAYSIZE(text));
        buttons.push_back({text, GetDlgCtrlID(b)});
    }
    std::sort(buttons.begin(), buttons.end(), [](auto &a, auto &b) { return a.second < b.second; });
    EXPECT_EQ((std::vector<std::pair<std::wstring, int>>{{L"Hide", 131}, {L"Connect", 133}}), buttons);
    POINT hide = CentreOf(GetDlgItem(bar, IDM_HIDE));
    Tap(hide.x, hide.y);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(main); }, 3000));
    EXPECT_FALSE(IsWindowVisible(bar));
    DestroyWindow(main);
    EXPECT_FALSE(IsWindow(bar));

    // Resources without the menu bar: the page is made and works without one.
    SetUp();
    AppInstance = GetModuleHandleW(L"kernel32.dll");
    PutNumber(7, 1);
    Create();
    EXPECT_EQ(NULL, MyInterface.hwndMenuBar);
    HWND icon = TrayIconOf(main, TRAY_ICON_ID);
    ASSERT_TRUE(icon);
    POINT at = CentreOf(icon);
    Tap(at.x, at.y);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main); }, 3000));
    SendMessageW(main, WM_COMMAND, IDM_HIDE, 0);
    EXPECT_FALSE(IsWindowVisible(main));
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_TRUE(TrayIcons().empty());
}

TEST_F(SettingsPage, MainAnswersItsMessagesAsItsTableSays)
{
    Create();
    // A speed chosen in the list but not taken: a command that wrongly acted on the list would save it.
    HWND speed = Control(IDC_SPEED_LIST);
    SendMessageW(speed, CB_SETCURSEL, 5, 0);
    HWND focus = GetFocus();
    struct Row { const char *what; UINT message; WPARAM wParam; LPARAM lParam; LRESULT result; } rows[] = {
        // The default handling would give the focus to the (hidden) page.
        {"activation", WM_ACTIVATE, WA_ACTIVE, 0, 0},
        {"a static control's colour", WM_CTLCOLORSTATIC, 0, 0, 1},
        {"an unknown command from the speed list's handle", WM_COMMAND, MAKEWPARAM(4242, CBN_SELENDOK),
         (LPARAM)speed, 0},
        {"the speed list's other notification", WM_COMMAND, MAKEWPARAM(IDC_SPEED_LIST, CBN_DROPDOWN), (LPARAM)speed,
         0},
        {"a setting change", WM_SETTINGCHANGE, 0, 0, 1},
    };
    size_t logged = LogMessages().size();
    std::string stored = Registry();
    for (const Row &r : rows) {
        EXPECT_EQ(r.result, SendMessageW(main, r.message, r.wParam, r.lParam)) << r.what;
        EXPECT_FALSE(IsWindowVisible(main)) << r.what;
        EXPECT_EQ(focus, GetFocus()) << r.what;
        EXPECT_EQ(stored, Registry()) << r.what;
        EXPECT_EQ(2, SettingTable[SLOT_SPEED].NumVal) << r.what;
    }
    char screen[80];
    snprintf(screen, sizeof(screen), "Main::WM_SETTINGCHANGE::Screen size: %dx%d", GetSystemMetrics(SM_CXSCREEN),
             GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(std::vector<std::string>{screen}, NewLogLines(logged));
}

TEST_F(SettingsPage, TheShellTakesOnlyWellFormedTrayCalls)
{
    Create();
    HWND desktop = FindWindowW(L"DesktopExplorerWindow", L"Desktop");
    HWND tray = FindWindowExW(desktop, NULL, TRAY_WINDOW_CLASS, NULL);
    ASSERT_TRUE(tray);
    auto call = [&](DWORD tag, const std::vector<uint32_t> &words, DWORD bytes) {
        COPYDATASTRUCT copy = {tag, bytes, (void *)words.data()};
        DWORD_PTR result = 99;
        if (!SendMessageTimeoutW(tray, WM_COPYDATA, 0, (LPARAM)&copy, SMTO_ABORTIFHUNG, 5000, &result))
            return -1; // the shell did not answer
        return (int)result;
    };
    auto request = [&](uint32_t operation, uint32_t width, uint32_t height) {
        std::vector<uint32_t> words = {operation, (uint32_t)(UINT_PTR)main, 7, NIF_MESSAGE | NIF_ICON, 3025,
                                       width, height};
        words.resize(words.size() + 2 * (size_t)width * height, 0x00FF0000);
        return words;
    };
    const DWORD head = sizeof(TrayRequest);
    struct Case { const char *what; DWORD tag; std::vector<uint32_t> words; DWORD bytes; int result; size_t icons; } cases[] = {
        {"shorter than a request", TRAY_COPYDATA_TAG, request(NIM_ADD, 0, 0), head - 4, FALSE, 0},
        {"another tag", 7, request(NIM_ADD, 0, 0), head, FALSE, 0},
        {"fewer pixels than it says", TRAY_COPYDATA_TAG, request(NIM_ADD, 16, 16), head + 16 * 16 * 4, FALSE, 0},
        {"a picture too large", TRAY_COPYDATA_TAG, request(NIM_ADD, 300, 300), head + 2 * 300 * 300 * 4, FALSE, 0},
        {"a width without a height", TRAY_COPYDATA_TAG, request(NIM_ADD, 16, 0), head, FALSE, 0},
        {"an unknown operation", TRAY_COPYDATA_TAG, request(NIM_SETVERSION, 0, 0), head, FALSE, 0},
        {"removing an icon it does not have", TRAY_COPYDATA_TAG, request(NIM_DELETE, 0, 0), head, FALSE, 0},
        {"changing an icon it does not have", TRAY_COPYDATA_TAG, request(NIM_MODIFY, 0, 0), head, FALSE, 0},
        {"an icon", TRAY_COPYDATA_TAG, request(NIM_ADD, 16, 16), head + 2 * 16 * 16 * 4, TRUE, 1},
        {"the same icon again", TRAY_COPYDATA_TAG, request(NIM_ADD, 0, 0), head, FALSE, 1},
        {"its new picture", TRAY_COPYDATA_TAG, request(NIM_MODIFY, 8, 8), head + 2 * 8 * 8 * 4, TRUE, 1},
        {"its removal", TRAY_COPYDATA_TAG, request(NIM_DELETE, 0, 0), head, TRUE, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.result, call(c.tag, c.words, c.bytes)) << c.what;
        EXPECT_EQ(c.icons, TrayIcons().size()) << c.what;
    }
}

TEST_F(SettingsPage, HidesWhenPutBehindDesktopWithItsMenuBarUp)
{
    Create();
    HWND shellDesktop = FindWindowW(L"DesktopExplorerWindow", L"Desktop");
    ASSERT_TRUE(shellDesktop);
    struct Case { const char *what; const wchar_t *title; bool hides; } cases[] = {
        {"the shell's Desktop", nullptr, true},
        {"a window of the test titled Desktop", L"Desktop", true},
        {"one titled desktop", L"desktop", false},
        {"one titled Desktop and a blank", L"Desktop ", false},
        {"one titled Desktops", L"Desktops", false},
    };
    for (const Case &c : cases) {
        HWND front = c.title ? CreateWindowExW(0, L"STATIC", c.title, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL, NULL,
                                               NULL, NULL)
                             : shellDesktop;
        Show();
        HWND bar = MyInterface.hwndMenuBar;
        ASSERT_TRUE(bar);
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(bar) && GetWindow(main, GW_HWNDPREV) == bar; }, 3000))
            << c.what << ": the menu bar is not up right above the page";
        SetWindowPos(main, front, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_EQ(!c.hides, !!IsWindowVisible(main)) << c.what;
        EXPECT_EQ(!c.hides, !!IsWindowVisible(bar)) << c.what << ": the bar goes with the page";
        if (c.title)
            DestroyWindow(front);
    }
}

TEST_F(SettingsPage, TheMenuBarStaysWhileAListIsOpen)
{
    Create();
    Show();
    HWND bar = MyInterface.hwndMenuBar;
    ASSERT_TRUE(bar);
    RECT barArea;
    GetWindowRect(bar, &barArea);
    // The bar as it shows over the page: its colour and its buttons' white letters.
    auto count = [&](COLORREF colour) {
        Screenshot shot = TakeScreenshot(barArea);
        return std::count(shot.pixels.begin(), shot.pixels.end(), colour);
    };
    auto barShows = [&] {
        int all = (barArea.right - barArea.left) * (barArea.bottom - barArea.top);
        return count(RGB(0x1C, 0x3C, 0x7C)) > all / 2 && count(RGB(0xFF, 0xFF, 0xFF)) > 20;
    };
    ASSERT_TRUE(PumpUntil(barShows, 3000)) << "no menu bar on the screen before any list opens";
    for (int id : {IDC_BUTTON_LIST, IDC_CURSOR_LIST, IDC_ACTION_LIST, IDC_SPEED_LIST}) {
        HWND combo = Control(id);
        COMBOBOXINFO info = {sizeof(info)};
        ASSERT_TRUE(GetComboBoxInfo(combo, &info));
        POINT at = CentreOf(combo);
        Tap(at.x, at.y);
        // Open and drawn: the list's first shown entry is on the screen in the selection's colours
        // or the list's own.
        ASSERT_TRUE(PumpUntil([&] { return SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) && IsWindowVisible(info.hwndList); },
                              3000))
            << id << ": the list did not open";
        PaintedClient(info.hwndList);
        EXPECT_TRUE(IsWindowVisible(bar)) << id;
        EXPECT_TRUE(barShows()) << id << ": the menu bar is gone while the list is open; "
                                << count(RGB(0x1C, 0x3C, 0x7C)) << " pixels of its colour";
        Tap(at.x, at.y);
        ASSERT_TRUE(PumpUntil([&] { return !SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0); }, 3000)) << id;
        EXPECT_TRUE(PumpUntil(barShows, 3000)) << id << ": the menu bar is gone once the list closed";
    }
}

namespace {

// A choice of the program picker exactly units long: "\" folder "\" file, the file ending ".exe".
std::wstring LongChoice(size_t units)
{
    std::wstring folder = L"\\" + std::wstring(190, L'f');
    return folder + L"\\" + std::wstring(units - folder.size() - 1 - 4, L'p') + L".exe";
}

} // namespace

TEST_F(SettingsPage, AChoiceTooLongForASettingIsRefusedWithABox)
{
    PutNumber(2, ACTION_SCROLL_LEFT);
    PutText(2, L"Param", L"\\windows\\notes.exe");
    CreateDirectoryW(LongChoice(254).substr(0, 191).c_str(), NULL);
    for (size_t units : {254, 255, 259})
        WriteText(LongChoice(units).c_str(), "");
    Create();
    Show();
    SendMessageW(Control(IDC_BUTTON_LIST), CB_SETCURSEL, 1, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_LIST, CBN_SELENDOK), (LPARAM)Control(IDC_BUTTON_LIST));
    struct Case { size_t units; bool kept; } cases[] = {{255, false}, {259, false}, {254, true}};
    for (const Case &c : cases) {
        std::wstring choice = LongChoice(c.units);
        ASSERT_EQ(c.units, choice.size());
        std::string before = Registry();
        SettingSlot old = SettingTable[SLOT_MIDDLE_BUTTON];
        BoxAnswerer person(TOO_LONG_TITLE, IDOK, c.kept ? 3000 : 15000);
        SendMessageW(Control(IDC_ACTION_LIST), CB_SETCURSEL, ACTION_OPEN_PROGRAM, 0);
        EXPECT_FALSE(RunWithPicker(FILE_PICKER,
                                   [&] {
                                       SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_ACTION_LIST, CBN_SELENDOK),
                                                    (LPARAM)Control(IDC_ACTION_LIST));
                                   },
                                   [&](const Picker &p) {
                                       HTREEITEM item = WaitForItem(p.tree, {L"\\"});
                                       EXPECT_TRUE(Expand(p.tree, item));
                                       item = WaitForItem(p.tree, {L"\\", choice.substr(1, 190)});
                                       EXPECT_TRUE(Expand(p.tree, item));
                                       item = WaitForItem(p.tree, {L"\\", choice.substr(1, 190), choice.substr(192)});
                                       EXPECT_TRUE(Select(p.tree, item)) << c.units;
                                       TapMenu(p, IDM_PICKER_OK);
                                   })
                         .rescued)
            << c.units;
        const Box &box = person.Seen();
        const SettingSlot &now = SettingTable[SLOT_MIDDLE_BUTTON];
        if (c.kept) {
            EXPECT_FALSE(box.seen) << c.units;
            EXPECT_EQ(ACTION_OPEN_PROGRAM, now.NumVal);
            EXPECT_EQ(choice, now.Param);
            EXPECT_EQ(" 2=9[" + Utf8(choice) + "]", Registry());
        } else {
            EXPECT_TRUE(box.seen) << c.units << ": the user is not told";
            EXPECT_EQ(TOO_LONG_TEXT, box.text) << c.units;
            EXPECT_EQ(old.NumVal, now.NumVal) << c.units;
            EXPECT_EQ(std::wstring(old.Param), now.Param) << c.units;
            EXPECT_EQ(before, Registry()) << c.units;
        }
        EXPECT_TRUE(IsWindowEnabled(main)) << c.units;
    }
}
