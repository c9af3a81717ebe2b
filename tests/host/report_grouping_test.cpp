// The real-mouse bridge's rules: evdev events grouped into boot reports.
#include "handheld/bridge/report_grouping.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <array>
#include <vector>

namespace {

struct Event {
    uint16_t type, code;
    int32_t value;
};
using Report = std::array<int, 4>; // buttons, dx, dy, wheel

Event X(int v) { return {EV_REL, REL_X, v}; }
Event Y(int v) { return {EV_REL, REL_Y, v}; }
Event Wheel(int v) { return {EV_REL, REL_WHEEL, v}; }
Event HiRes(int v) { return {EV_REL, REL_WHEEL_HI_RES, v}; }
Event Key(uint16_t code, int v) { return {EV_KEY, code, v}; }
const Event Syn = {EV_SYN, SYN_REPORT, 0};
const Event Dropped = {EV_SYN, SYN_DROPPED, 0};

// Every report the events give, in order, taken as the bridge takes them.
std::vector<Report> Reports(ReportGrouping *g, const std::vector<Event> &events)
{
    std::vector<Report> reports;
    for (const Event &e : events) {
        if (GroupEvent(g, e.type, e.code, e.value) != GROUP_ENDED)
            continue;
        uint8_t r[BOOT_REPORT_SIZE];
        while (NextGroupReport(g, r))
            reports.push_back({r[0], (int8_t)r[1], (int8_t)r[2], (int8_t)r[3]});
    }
    return reports;
}

} // namespace

TEST(ReportGrouping, EachGroupGivesTheReportsOfWhatItChanged)
{
    struct Case {
        const char *what;
        std::vector<Event> events;
        std::vector<Report> reports;
    } cases[] = {
        {"one group, one report", {X(5), Y(-3), Syn}, {{0, 5, -3, 0}}},
        {"a group's events add up", {X(2), X(3), Y(1), Y(1), Syn, Y(-4), Syn}, {{0, 5, 2, 0}, {0, 0, -4, 0}}},
        {"a group that changes nothing gives no report",
         {Syn, {EV_MSC, MSC_SCAN, 589825}, Syn, {EV_REL, REL_HWHEEL, 1}, {EV_REL, REL_HWHEEL_HI_RES, 120}, Syn, Key(BTN_SIDE, 1), Syn},
         {}},
        {"events without their SYN_REPORT give nothing yet", {X(5), Key(BTN_LEFT, 1)}, {}},
        {"the buttons as they are at the group's end",
         {Key(BTN_LEFT, 1), Syn, Key(BTN_RIGHT, 1), Syn, Key(BTN_LEFT, 0), Key(BTN_MIDDLE, 1), Syn,
          Key(BTN_RIGHT, 0), Key(BTN_MIDDLE, 0), Syn},
         {{1, 0, 0, 0}, {3, 0, 0, 0}, {6, 0, 0, 0}, {0, 0, 0, 0}}},
        {"a press and release in one group is no change", {Key(BTN_LEFT, 1), Key(BTN_LEFT, 0), Syn}, {}},
        {"a held button's repeat changes nothing", {Key(BTN_LEFT, 1), Syn, Key(BTN_LEFT, 2), Syn}, {{1, 0, 0, 0}}},
        {"buttons held move along", {Key(BTN_RIGHT, 1), Syn, X(1), Syn}, {{2, 0, 0, 0}, {2, 1, 0, 0}}},
        {"127 fits one report", {X(127), Y(-127), Wheel(127), Syn}, {{0, 127, -127, 127}}},
        {"128 takes two", {X(128), Syn}, {{0, 64, 0, 0}, {0, 64, 0, 0}}},
        {"every axis spread over the reports the largest needs",
         {X(-300), Y(40), Syn},
         {{0, -100, 14, 0}, {0, -100, 13, 0}, {0, -100, 13, 0}}},
        {"an uneven split adds up", {X(256), Syn}, {{0, 86, 0, 0}, {0, 85, 0, 0}, {0, 85, 0, 0}}},
        {"a button changes after the motion of its group",
         {Key(BTN_LEFT, 1), X(200), Syn, Key(BTN_LEFT, 0), Y(-130), Syn},
         {{0, 100, 0, 0}, {1, 100, 0, 0}, {1, 0, -65, 0}, {0, 0, -65, 0}}},
        {"plain wheel notches", {Wheel(-2), Syn, Wheel(300), Syn},
         {{0, 0, 0, -2}, {0, 0, 0, 100}, {0, 0, 0, 100}, {0, 0, 0, 100}}},
        {"a notch sent in both codes counts once", {Wheel(-1), HiRes(-120), Syn, HiRes(120), Wheel(1), Syn},
         {{0, 0, 0, -1}, {0, 0, 0, 1}}},
        {"a device without REL_WHEEL: high-resolution counts make a notch as they reach 120",
         {HiRes(40), Syn, HiRes(40), Syn, HiRes(40), Syn, HiRes(90), Syn, HiRes(150), Syn},
         {{0, 0, 0, 1}, {0, 0, 0, 2}}},
        {"a turn back takes back the part of a notch",
         {HiRes(60), Syn, HiRes(-60), Syn, HiRes(-100), Syn, HiRes(-20), Syn},
         {{0, 0, 0, -1}}},
        {"the kernel's notch at half a step scrolls a short roll",
         {HiRes(-15), Syn, HiRes(-15), Syn, HiRes(-15), Syn, HiRes(-15), Syn, Wheel(-1), HiRes(-15), Syn,
          HiRes(-15), Syn},
         {{0, 0, 0, -1}}},
        {"once the device has sent REL_WHEEL, its notches alone count",
         {HiRes(100), Syn, Wheel(1), HiRes(20), Syn, HiRes(120), Syn, HiRes(120), Syn, Wheel(1), HiRes(40), Syn},
         {{0, 0, 0, 1}, {0, 0, 0, 1}}},
        {"a REL_WHEEL in a dropped group still tells that the device sends them",
         {Wheel(1), HiRes(120), Dropped, Syn, HiRes(120), Syn}, {}},
        // After SYN_DROPPED libevdev's sync gives, as one group, the buttons that differ from
        // what it has handed out, the incomplete group's events included.
        {"SYN_DROPPED throws the incomplete group's motion away",
         {X(7), Syn, X(50), Wheel(1), Dropped, Syn, X(3), Syn}, {{0, 7, 0, 0}, {0, 3, 0, 0}}},
        {"a press in the incomplete group, which the sync does not repeat, is kept",
         {X(50), Key(BTN_LEFT, 1), Dropped, Syn, Key(BTN_LEFT, 0), Syn}, {{1, 0, 0, 0}, {0, 0, 0, 0}}},
        {"a release in the incomplete group is kept: no button is left held",
         {Key(BTN_LEFT, 1), Syn, Key(BTN_LEFT, 0), Dropped, Syn}, {{1, 0, 0, 0}, {0, 0, 0, 0}}},
        {"the sync's group gives the buttons changed while events were lost",
         {Key(BTN_LEFT, 1), Syn, Dropped, Key(BTN_LEFT, 0), Key(BTN_RIGHT, 1), Syn}, {{1, 0, 0, 0}, {2, 0, 0, 0}}},
    };
    for (const Case &c : cases) {
        ReportGrouping g;
        StartGrouping(&g);
        EXPECT_EQ(c.reports, Reports(&g, c.events)) << c.what;
    }
}

TEST(ReportGrouping, AGroupBeyondAnyMouseIsCutSoItCannotFloodTheFeed)
{
    // A bad recording's group: far past what a 16-bit HID report carries on every axis.
    ReportGrouping g;
    StartGrouping(&g);
    std::vector<Report> reports = Reports(&g, {X(INT32_MAX), X(INT32_MAX), Y(INT32_MIN), Wheel(-40000),
                                               Key(BTN_LEFT, 1), Syn, X(1), Syn});
    // 32767 on each axis: 259 reports of at most 127, then the next group's.
    ASSERT_EQ(260u, reports.size());
    int sum[3] = {0, 0, 0};
    for (int i = 0; i < 259; i++)
        for (int axis = 0; axis < 3; axis++)
            sum[axis] += reports[i][axis + 1];
    EXPECT_EQ(32767, sum[0]);
    EXPECT_EQ(-32767, sum[1]);
    EXPECT_EQ(-32767, sum[2]);
    EXPECT_EQ(1, reports[258][0]) << "the press in the cut group's last report";
    EXPECT_EQ((Report{1, 1, 0, 0}), reports.back()) << "the next group as usual";
}

TEST(ReportGrouping, SaysWhereGroupsEndAndWhereTheyWereDropped)
{
    ReportGrouping g;
    StartGrouping(&g);
    EXPECT_EQ(GROUP_PENDING, GroupEvent(&g, EV_REL, REL_X, 1));
    EXPECT_EQ(GROUP_PENDING, GroupEvent(&g, EV_SYN, SYN_MT_REPORT, 0));
    EXPECT_EQ(GROUP_DROPPED, GroupEvent(&g, EV_SYN, SYN_DROPPED, 0));
    EXPECT_EQ(GROUP_ENDED, GroupEvent(&g, EV_SYN, SYN_REPORT, 0));
    uint8_t r[BOOT_REPORT_SIZE];
    EXPECT_FALSE(NextGroupReport(&g, r)) << "the dropped motion is gone";
}

TEST(ReportGrouping, TheFeedsEndLetsGoOfHeldButtons)
{
    ReportGrouping g;
    StartGrouping(&g);
    uint8_t r[BOOT_REPORT_SIZE] = {9, 9, 9, 9};
    EXPECT_FALSE(ReleaseReport(&g, r)) << "nothing held";
    Reports(&g, {Key(BTN_LEFT, 1), Key(BTN_MIDDLE, 1), Syn});
    ASSERT_TRUE(ReleaseReport(&g, r));
    EXPECT_EQ((Report{0, 0, 0, 0}), (Report{r[0], r[1], r[2], r[3]}));
    EXPECT_FALSE(ReleaseReport(&g, r)) << "let go once";
    // Pressed only in a group not yet ended: never sent, nothing to let go.
    GroupEvent(&g, EV_KEY, BTN_RIGHT, 1);
    EXPECT_FALSE(ReleaseReport(&g, r));
}
