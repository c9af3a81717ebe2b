#include "handheld/boot_report.h"

// mouse_event flags of each button's transitions.
static const struct {
    uint8_t bit;
    uint32_t down, up;
} ButtonFlags[] = {
    {0x01, 0x0002, 0x0004}, // left: MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP
    {0x02, 0x0008, 0x0010}, // right
    {0x04, 0x0020, 0x0040}, // middle
};

MouseMessage TranslateBootReport(const uint8_t report[BOOT_REPORT_SIZE], uint8_t *buttons)
{
    uint8_t now = report[0] & BOOT_BUTTONS_MASK;
    uint8_t before = *buttons & BOOT_BUTTONS_MASK;
    MouseMessage m;
    // The receiver sign-extends each byte, so the bytes go in as they came.
    m.wParam = (uint32_t)report[3] | (uint32_t)report[1] << 16 | (uint32_t)report[2] << 24;
    m.lParam = 0;
    for (const auto &b : ButtonFlags) {
        if ((now & b.bit) && !(before & b.bit))
            m.lParam |= b.down;
        else if (!(now & b.bit) && (before & b.bit))
            m.lParam |= b.up;
    }
    *buttons = now;
    return m;
}
