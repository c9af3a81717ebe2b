// A mouse report's exact pointer input, keys and pauses, seen through the platform's input table.
#include "pointer/actions.h"
#include "pointer/cursor_state.h"
#include "settings/settings_store.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

using namespace wt;

namespace {

std::vector<std::string> Recorded;

void Add(const char *format, ...)
{
    char text[100];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    Recorded.push_back(text);
}

void WINAPI RecordMouse(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extra)
{
    Add("mouse %04lx %lu,%lu %ld%s", flags, dx, dy, (long)(LONG)data, extra ? " extra" : "");
}
void WINAPI RecordKey(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra)
{
    Add("key %02x %s%s", vk, flags == KEYEVENTF_KEYUP ? "up" : flags == 0 ? "down" : "?", scan || extra ? " extra" : "");
}
void WINAPI RecordPause(DWORD ms) { Add("sleep %lu", ms); }

WPARAM Report(int dx, int dy, int wheel)
{
    return (WPARAM)(((DWORD)(BYTE)dy << 24) | ((DWORD)(BYTE)dx << 16) | (BYTE)wheel);
}

// Button slots 1 to 5 and the speed, in table order.
struct Settings {
    LONG left, middle, right, wheelUp, wheelDown, speed;
};
const Settings Defaults = {ACTION_LEFT_CLICK, ACTION_MIDDLE_CLICK, ACTION_RIGHT_CLICK,
                           ACTION_SCROLL_UP, ACTION_SCROLL_DOWN, 2};

void Apply(const Settings &s)
{
    const LONG values[] = {s.left, s.middle, s.right, s.wheelUp, s.wheelDown, s.speed};
    for (int slot = SLOT_LEFT_BUTTON; slot <= SLOT_SPEED; slot++) {
        SettingTable[slot].NumVal = values[slot - 1];
        SettingTable[slot].Param[0] = SettingTable[slot].Param2[0] = 0;
    }
}

class MotionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PpcSeams = {RecordMouse, RecordKey, RecordPause};
        Recorded.clear();
        // A 240x320 screen whatever the handheld's, so that the table's numbers hold everywhere;
        // nothing is drawn without a cursor strip.
        CursorState.cxScreen = 240;
        CursorState.cyScreen = 320;
        CursorState.hbmStrip = NULL;
    }
    void TearDown() override { PpcSeams = PpcSystemSeams; }
};

} // namespace

TEST_F(MotionTest, OneReportGivesItsEventsInOrder)
{
    Settings fastest = Defaults, slowest = Defaults, malformed = Defaults, beyond = Defaults;
    fastest.speed = 10;
    slowest.speed = 0;
    malformed.speed = -1; // a value the registry could not give: the default speed
    beyond.speed = 11;
    Settings scrollLeft = Defaults, doubleLeft = Defaults, holdLeft = Defaults, oddLeft = Defaults,
             keysLeft = Defaults, doubleWheel = Defaults, clickWheel = Defaults, suspendRight = Defaults;
    scrollLeft.left = ACTION_SCROLL_DOWN;
    doubleLeft.left = ACTION_DOUBLE_CLICK;
    holdLeft.left = ACTION_TAP_AND_HOLD;
    oddLeft.left = 17;
    keysLeft.left = ACTION_SCROLL_LEFT;
    keysLeft.middle = ACTION_SCROLL_RIGHT;
    doubleWheel.wheelUp = ACTION_DOUBLE_CLICK;
    clickWheel.left = ACTION_DOUBLE_CLICK;
    clickWheel.wheelUp = ACTION_LEFT_CLICK;
    suspendRight.right = ACTION_SUSPEND;
    Settings missingLeft = Defaults;
    missingLeft.left = -1;
    Settings swappedWheel = Defaults, clickWheelDown = Defaults, middleWheelUp = Defaults, holdWheelDown = Defaults;
    holdWheelDown.wheelDown = ACTION_TAP_AND_HOLD;
    swappedWheel.wheelUp = ACTION_SCROLL_DOWN;
    swappedWheel.wheelDown = ACTION_SCROLL_UP;
    clickWheelDown.wheelDown = ACTION_LEFT_CLICK;
    middleWheelUp.wheelUp = ACTION_MIDDLE_CLICK;

    struct Case {
        const char *what;
        Settings settings;
        int x, y;          // where the cursor starts
        int dx, dy, wheel; // the report
        LPARAM buttons;
        int wantX, wantY;
        std::vector<std::string> want;
    } cases[] = {
        {"0.1X: 9 counts are nothing, yet a move", slowest, 100, 100, 9, 0, 0, 0, 100, 100,
         {"mouse 8001 27306,20479 0"}},
        {"0.1X: 15 counts are one pixel", slowest, 100, 100, 15, 0, 0, 0, 101, 100, {"mouse 8001 27579,20479 0"}},
        {"0.1X: truncation toward zero", slowest, 100, 100, -15, -9, 0, 0, 99, 100, {"mouse 8001 27033,20479 0"}},
        {"0.5X", Defaults, 100, 100, 7, -7, 0, 0, 103, 97, {"mouse 8001 28125,19865 0"}},
        {"8X: -128 clamps at the left", fastest, 100, 100, -128, 0, 0, 0, 0, 100, {"mouse 8001 0,20479 0"}},
        {"8X: down to the bottom edge, inclusive", fastest, 0, 300, 0, 127, 0, 0, 0, 320, {"mouse 8001 0,65535 0"}},
        {"1X: pushing right at the right edge", Settings{0, 1, 2, 4, 5, 3}, 240, 0, 5, 0, 0, 0, 240, 0,
         {"mouse 8001 65535,0 0"}},
        {"malformed speed is 0.5X", malformed, 100, 100, 10, 0, 0, 0, 105, 100, {"mouse 8001 28671,20479 0"}},
        {"speed beyond the table is 0.5X", beyond, 100, 100, 10, 0, 0, 0, 105, 100, {"mouse 8001 28671,20479 0"}},
        {"nothing at all still emits one event", Defaults, 0, 0, 0, 0, 0, 0, 0, 0, {"mouse 8000 0,0 0"}},
        {"a release passes through", Defaults, 0, 0, 0, 0, 0, MOUSEEVENTF_LEFTUP, 0, 0, {"mouse 8004 0,0 0"}},
        {"releases and other bits pass through with the move", Defaults, 0, 0, 2, 0, 0, 0x0054, 1, 0,
         {"mouse 8055 273,0 0"}},
        {"left click", Defaults, 0, 0, 0, 0, 0, MOUSEEVENTF_LEFTDOWN, 0, 0, {"mouse 8002 0,0 0"}},
        {"right click", Defaults, 0, 0, 0, 0, 0, MOUSEEVENTF_RIGHTDOWN, 0, 0, {"mouse 8008 0,0 0"}},
        {"middle click", Defaults, 0, 0, 0, 0, 0, MOUSEEVENTF_MIDDLEDOWN, 0, 0, {"mouse 8020 0,0 0"}},
        {"left beats right", Defaults, 0, 0, 0, 0, 0, 0x000A, 0, 0, {"mouse 8002 0,0 0"}},
        {"right beats middle", Defaults, 0, 0, 0, 0, 0, 0x0028, 0, 0, {"mouse 8008 0,0 0"}},
        {"a press drops the other bits", Defaults, 0, 0, 2, 0, 0, 0x8803, 1, 0, {"mouse 8003 273,0 0"}},
        {"a press keeps the releases: they go first, on their own", Defaults, 0, 0, 2, 0, 0, 0x0012, 1, 0,
         {"mouse 8010 273,0 0", "mouse 8003 273,0 0"}},
        {"left let go as right goes down", Defaults, 0, 0, 0, 0, 0, 0x000C, 0, 0,
         {"mouse 8004 0,0 0", "mouse 8008 0,0 0"}},
        {"every release before a middle press", Defaults, 0, 0, 0, 0, 0, 0x0034, 0, 0,
         {"mouse 8014 0,0 0", "mouse 8020 0,0 0"}},
        {"wheel up scrolls", Defaults, 0, 0, 0, 0, 1, 0, 0, 0, {"mouse 8800 0,0 120"}},
        {"wheel up scrolls while moving", Defaults, 0, 0, 2, 0, 1, 0, 1, 0, {"mouse 8801 273,0 120"}},
        {"wheel down two notches", Defaults, 0, 0, 0, 0, -2, 0, 0, 0, {"mouse 8800 0,0 -240"}},
        {"wheel up four notches", Defaults, 0, 0, 0, 0, 4, 0, 0, 0, {"mouse 8800 0,0 480"}},
        {"wheel up assigned scroll down", swappedWheel, 0, 0, 0, 0, 2, 0, 0, 0, {"mouse 8800 0,0 -240"}},
        {"wheel down assigned scroll up", swappedWheel, 0, 0, 0, 0, -3, 0, 0, 0, {"mouse 8800 0,0 360"}},
        {"a click on the wheel passes a negative wheel as it is", clickWheelDown, 0, 0, 0, 0, -2, 0, 0, 0,
         {"mouse 8002 0,0 -2"}},
        {"the wheel's click adds to the button's", middleWheelUp, 0, 0, 2, 0, 1, MOUSEEVENTF_RIGHTDOWN, 1, 0,
         {"mouse 8029 273,0 1"}},
        {"a press and a scroll of the wheel add up", Defaults, 0, 0, 0, 0, 1, MOUSEEVENTF_RIGHTDOWN, 0, 0,
         {"mouse 8808 0,0 120"}},
        {"scroll on a button: one notch, the action's direction", scrollLeft, 0, 0, 0, 0, 0, MOUSEEVENTF_LEFTDOWN,
         0, 0, {"mouse 8800 0,0 -120"}},
        {"scroll on a button with the wheel turned up", scrollLeft, 0, 0, 0, 0, 3, MOUSEEVENTF_LEFTDOWN, 0, 0,
         {"mouse 8800 0,0 360"}},
        {"double click", doubleLeft, 24, 32, 0, 0, 0, MOUSEEVENTF_LEFTDOWN, 24, 32,
         {"mouse 8002 6553,6553 0", "sleep 50", "mouse 8004 6553,6553 0", "sleep 100", "mouse 8002 6553,6553 0",
          "sleep 50", "mouse 8004 6553,6553 0"}},
        {"a release before a double click", doubleLeft, 24, 32, 0, 0, 0, MOUSEEVENTF_RIGHTUP | MOUSEEVENTF_LEFTDOWN,
         24, 32,
         {"mouse 8010 6553,6553 0", "mouse 8002 6553,6553 0", "sleep 50", "mouse 8004 6553,6553 0", "sleep 100",
          "mouse 8002 6553,6553 0", "sleep 50", "mouse 8004 6553,6553 0"}},
        {"double click's release report", doubleLeft, 24, 32, 2, 0, 0, MOUSEEVENTF_LEFTUP, 25, 32,
         {"mouse 8005 6826,6553 0"}},
        {"double click on the wheel, whatever the notches", doubleWheel, 0, 0, 4, 0, 3, 0, 2, 0,
         {"mouse 8002 546,0 0", "sleep 50", "mouse 8004 546,0 0", "sleep 100", "mouse 8002 546,0 0", "sleep 50",
          "mouse 8004 546,0 0"}},
        {"a release before the wheel's double click", doubleWheel, 0, 0, 0, 0, 1, MOUSEEVENTF_RIGHTUP, 0, 0,
         {"mouse 8010 0,0 0", "mouse 8002 0,0 0", "sleep 50", "mouse 8004 0,0 0", "sleep 100", "mouse 8002 0,0 0",
          "sleep 50", "mouse 8004 0,0 0"}},
        {"a release before the wheel's hold", holdWheelDown, 0, 0, 0, 0, -1, MOUSEEVENTF_MIDDLEUP, 0, 0,
         {"mouse 8040 0,0 0", "mouse 8002 0,0 0", "sleep 1000", "mouse 8004 0,0 0"}},
        {"a release with the wheel's scroll goes with it", Defaults, 0, 0, 0, 0, 1, MOUSEEVENTF_LEFTUP, 0, 0,
         {"mouse 8804 0,0 120"}},
        {"the wheel's click replaces the button's double click", clickWheel, 0, 0, 2, 0, 1, MOUSEEVENTF_LEFTDOWN,
         1, 0, {"mouse 8003 273,0 1"}},
        {"tap and hold", holdLeft, 240, 320, 0, 0, 0, MOUSEEVENTF_LEFTDOWN, 240, 320,
         {"mouse 8002 65535,65535 0", "sleep 1000", "mouse 8004 65535,65535 0"}},
        {"a release before tap and hold", holdLeft, 240, 320, 0, 0, 0, MOUSEEVENTF_MIDDLEUP | MOUSEEVENTF_LEFTDOWN,
         240, 320, {"mouse 8040 65535,65535 0", "mouse 8002 65535,65535 0", "sleep 1000", "mouse 8004 65535,65535 0"}},
        {"an action beyond the table adds nothing", oddLeft, 0, 0, 0, 0, 0, MOUSEEVENTF_LEFTDOWN, 0, 0,
         {"mouse 8000 0,0 0"}},
        {"a missing action adds nothing", missingLeft, 0, 0, 0, 0, 0, MOUSEEVENTF_LEFTDOWN, 0, 0,
         {"mouse 8000 0,0 0"}},
        {"scroll left is a key press", keysLeft, 0, 0, 0, 0, 0, MOUSEEVENTF_LEFTDOWN, 0, 0,
         {"key 25 down", "sleep 20", "key 25 up", "mouse 8000 0,0 0"}},
        {"scroll right is a key press", keysLeft, 0, 0, 0, 0, 0, MOUSEEVENTF_MIDDLEDOWN, 0, 0,
         {"key 27 down", "sleep 20", "key 27 up", "mouse 8000 0,0 0"}},
        {"suspend is a key press; the release passes through later", suspendRight, 0, 0, 0, 0, 0,
         MOUSEEVENTF_RIGHTDOWN, 0, 0, {"key df down", "sleep 20", "key df up", "mouse 8000 0,0 0"}},
        {"a release before an immediate action", keysLeft, 0, 0, 0, 0, 0, MOUSEEVENTF_RIGHTUP | MOUSEEVENTF_LEFTDOWN,
         0, 0, {"mouse 8010 0,0 0", "key 25 down", "sleep 20", "key 25 up", "mouse 8000 0,0 0"}},
        {"suspend's release", suspendRight, 0, 0, 0, 0, 0, MOUSEEVENTF_RIGHTUP, 0, 0, {"mouse 8010 0,0 0"}},
    };
    for (const Case &c : cases) {
        Apply(c.settings);
        CursorState.x = c.x;
        CursorState.y = c.y;
        Recorded.clear();
        ProcessMouseData(&CursorState, Report(c.dx, c.dy, c.wheel), c.buttons);
        EXPECT_EQ(c.want, Recorded) << c.what;
        EXPECT_EQ(c.wantX, CursorState.x) << c.what;
        EXPECT_EQ(c.wantY, CursorState.y) << c.what;
    }
}

TEST_F(MotionTest, NoRemainderCarriesOverAndTheSizeChangeClampsLater)
{
    Settings slow = Defaults;
    slow.speed = 0;
    Apply(slow);
    CursorState.x = CursorState.y = 50;
    for (int i = 0; i < 20; i++)
        ProcessMouseData(&CursorState, Report(9, 9, 0), 0);
    EXPECT_EQ(50, CursorState.x);
    EXPECT_EQ(50, CursorState.y);

    // A rotation or a smaller screen: the position stays until the next report clamps it.
    CursorState.x = 240;
    CursorState.y = 320;
    CursorState.cxScreen = 160;
    CursorState.cyScreen = 120;
    Recorded.clear();
    ProcessMouseData(&CursorState, Report(0, 0, 0), 0);
    EXPECT_EQ(160, CursorState.x);
    EXPECT_EQ(120, CursorState.y);
    EXPECT_EQ(std::vector<std::string>{"mouse 8000 65535,65535 0"}, Recorded);
}

TEST_F(MotionTest, EveryStoredActionNamesItsRow)
{
    // The settings page lists these in this order; the numbering is the stored value.
    const wchar_t *buttons[] = {L"Left Button", L"Middle Button", L"Right Button", L"Wheel Up", L"Wheel Down"};
    const wchar_t *actions[] = {L"Left Click",   L"Middle Click", L"Right Click",   L"Double Click",
                                L"Scroll Up",    L"Scroll Down",  L"Scroll Left",   L"Scroll Right",
                                L"Tap and Hold", L"Open Program", L"Open Applet",   L"Close Task",
                                L"Reset Device", L"Suspend",      L"Rotate Screen", L"Show Desktop",
                                L"Switch Task"};
    ASSERT_EQ(5, ButtonNameCount);
    ASSERT_EQ(17, ActionNameCount);
    for (int i = 0; i < 5; i++)
        EXPECT_STREQ(buttons[i], ButtonNames[i]);
    for (int i = 0; i < 17; i++)
        EXPECT_STREQ(actions[i], ActionNames[i]);
    EXPECT_EQ(0, ButtonNames[4][BUTTON_NAME_CHARS - 1]);
    EXPECT_EQ(0, ActionNames[16][ACTION_NAME_CHARS - 1]);
}
