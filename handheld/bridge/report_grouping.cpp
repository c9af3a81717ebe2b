#include "handheld/bridge/report_grouping.h"

#include <linux/input-event-codes.h>
#include <string.h>

namespace {

uint8_t ButtonBit(uint16_t code)
{
    switch (code) {
    case BTN_LEFT:
        return 0x01;
    case BTN_RIGHT:
        return 0x02;
    case BTN_MIDDLE:
        return 0x04;
    default:
        return 0; // side and extra buttons have no place in a boot report
    }
}

int64_t Limited(int64_t v)
{
    return v > GROUP_MOTION_LIMIT ? GROUP_MOTION_LIMIT : v < -GROUP_MOTION_LIMIT ? -GROUP_MOTION_LIMIT : v;
}

uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - (uint64_t)v : (uint64_t)v; }

uint64_t ReportsFor(int64_t v) { return (Magnitude(v) + GROUP_REPORT_LIMIT - 1) / GROUP_REPORT_LIMIT; }

// Piece i of n of v: the first |v| % n pieces one count larger, so that the pieces add up to v.
int Piece(int64_t v, uint64_t i, uint64_t n)
{
    uint64_t m = Magnitude(v);
    uint64_t piece = m / n + (i < m % n ? 1 : 0);
    return v < 0 ? -(int)piece : (int)piece;
}

void ClearGroup(ReportGrouping *g)
{
    g->dx = g->dy = g->wheel = g->wheelHiRes = 0;
    g->hiResInGroup = false;
}

void EndGroup(ReportGrouping *g)
{
    // A high-resolution wheel's device sends both codes, REL_WHEEL as the kernel counts notches
    // (one at about half a step, so a short roll scrolls as it does on the desktop). Only a
    // device that has never sent REL_WHEEL has its notches counted here, at a full step each.
    int64_t notches = g->wheel;
    if (g->hiResInGroup && !g->sendsWheel) {
        int64_t total = g->hiResRest + g->wheelHiRes;
        notches = total / WHEEL_HI_RES_NOTCH;
        g->hiResRest = (int32_t)(total % WHEEL_HI_RES_NOTCH);
    }
    g->outDx = Limited(g->dx);
    g->outDy = Limited(g->dy);
    g->outWheel = Limited(notches);
    uint64_t n = ReportsFor(g->outDx);
    if (ReportsFor(g->outDy) > n)
        n = ReportsFor(g->outDy);
    if (ReportsFor(g->outWheel) > n)
        n = ReportsFor(g->outWheel);
    if (n == 0 && g->held != g->sent)
        n = 1;
    g->outCount = g->outLeft = n;
    ClearGroup(g);
}

} // namespace

void StartGrouping(ReportGrouping *g) { memset(g, 0, sizeof(*g)); }

int GroupEvent(ReportGrouping *g, uint16_t type, uint16_t code, int32_t value)
{
    if (type == EV_REL) {
        if (code == REL_X)
            g->dx += value;
        else if (code == REL_Y)
            g->dy += value;
        else if (code == REL_WHEEL) {
            g->wheel += value;
            g->sendsWheel = true;
        } else if (code == REL_WHEEL_HI_RES) {
            g->wheelHiRes += value;
            g->hiResInGroup = true;
        }
    } else if (type == EV_KEY) {
        uint8_t bit = ButtonBit(code);
        // 1 pressed, 2 held (repeat), 0 let go
        g->held = value != 0 ? (uint8_t)(g->held | bit) : (uint8_t)(g->held & ~bit);
    } else if (type == EV_SYN && code == SYN_REPORT) {
        EndGroup(g);
        return GROUP_ENDED;
    } else if (type == EV_SYN && code == SYN_DROPPED) {
        // The group is incomplete: its motion is thrown away. The buttons stay as its events
        // left them: libevdev counted those events too, and its sync, the next group, gives
        // only the buttons that differ from them.
        ClearGroup(g);
        return GROUP_DROPPED;
    }
    return GROUP_PENDING;
}

bool NextGroupReport(ReportGrouping *g, uint8_t report[BOOT_REPORT_SIZE])
{
    if (g->outLeft == 0)
        return false;
    uint64_t i = g->outCount - g->outLeft--;
    bool last = g->outLeft == 0;
    report[0] = last ? g->held : g->sent;
    report[1] = (uint8_t)(int8_t)Piece(g->outDx, i, g->outCount);
    report[2] = (uint8_t)(int8_t)Piece(g->outDy, i, g->outCount);
    report[3] = (uint8_t)(int8_t)Piece(g->outWheel, i, g->outCount);
    if (last)
        g->sent = g->held;
    return true;
}

bool ReleaseReport(ReportGrouping *g, uint8_t report[BOOT_REPORT_SIZE])
{
    if (g->sent == 0)
        return false;
    memset(report, 0, BOOT_REPORT_SIZE);
    g->sent = g->held = 0;
    return true;
}
