#pragma once
// A mouse's evdev events as the feed's boot reports. The kernel ends each group of events that
// belong together (one report of the device) with SYN_REPORT; each group becomes the reports
// that carry what it changed: motion and wheel notches, and the buttons held at its end. No
// libevdev here (the codes are the kernel's): the host build tests and fuzzes the rules.
#include <stdint.h>

#include "handheld/boot_report.h"

// What one report may carry on each axis; a group beyond it is split.
#define GROUP_REPORT_LIMIT 127
// The most a group moves on each axis: a 16-bit HID report's largest count. A group beyond it
// (a bad recording) is cut to it, so that it cannot flood the handheld with reports.
#define GROUP_MOTION_LIMIT 32767
// The most reports one group gives.
#define GROUP_MOST_REPORTS ((GROUP_MOTION_LIMIT + GROUP_REPORT_LIMIT - 1) / GROUP_REPORT_LIMIT)
// REL_WHEEL_HI_RES counts per wheel notch, for a device that sends no REL_WHEEL of its own.
#define WHEEL_HI_RES_NOTCH 120

struct ReportGrouping {
    // The group being read.
    int64_t dx, dy;     // REL_X, REL_Y counts
    int64_t wheel;      // REL_WHEEL notches
    int64_t wheelHiRes; // REL_WHEEL_HI_RES counts
    bool hiResInGroup;
    uint8_t held; // the buttons after the group's events so far (boot-report bits)
    // Between groups.
    uint8_t sent;      // the buttons of the last report given (all up when the feed connects)
    int32_t hiResRest; // high-resolution counts short of a notch, kept for the next groups
    // The device has sent a REL_WHEEL: from then on its notches are the kernel's, which counts
    // one at about half a high-resolution step, and the high-resolution counts are not used.
    bool sendsWheel;
    // The ended group's reports still to give.
    int64_t outDx, outDy, outWheel;
    uint64_t outLeft, outCount;
};

enum GroupResult {
    GROUP_PENDING = 0, // the event was taken into the group (or is nothing for a mouse)
    GROUP_ENDED = 1,   // SYN_REPORT: take the group's reports with NextGroupReport
    GROUP_DROPPED = 2, // SYN_DROPPED: the group so far was thrown away (the device must be synced)
};

void StartGrouping(ReportGrouping *g);

// Takes one event. After GROUP_ENDED, take every report with NextGroupReport before the next
// event.
int GroupEvent(ReportGrouping *g, uint16_t type, uint16_t code, int32_t value);

// The ended group's next report: false when none is left. A group gives no report when it
// changed nothing, one when every axis fits, else as many as the largest axis needs
// (GROUP_MOST_REPORTS at most), each axis spread evenly over them; the buttons change in the
// last, after the motion, as in one report of the device.
bool NextGroupReport(ReportGrouping *g, uint8_t report[BOOT_REPORT_SIZE]);

// Before the feed closes: a report that lets go of the buttons still held (false when none
// is), since the driver makes up no release when a feed ends.
bool ReleaseReport(ReportGrouping *g, uint8_t report[BOOT_REPORT_SIZE]);
