// The feed's boot reports: a stream of any bytes, taken every 4 bytes as the feed takes them,
// played by one mouse. The receiver must get back each report's motion by sign-extending the
// bytes of wParam, and from the transitions in lParam alone it must always know which buttons
// the mouse holds: a button goes down only while up and up only while down, and nothing else is
// ever set.
#include "handheld/boot_report.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

const struct {
    uint8_t bit;
    uint32_t down, up;
} Buttons[] = {{0x01, 0x0002, 0x0004}, {0x02, 0x0008, 0x0010}, {0x04, 0x0020, 0x0040}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // What the feed holds before the first report: 0 for a new mouse, here any byte, whose
    // bits 3-7 must count for nothing.
    uint8_t buttons = data[0];
    uint8_t held = data[0] & BOOT_BUTTONS_MASK; // the receiver's view, from transitions alone
    data++, size--;

    for (; size >= BOOT_REPORT_SIZE; data += BOOT_REPORT_SIZE, size -= BOOT_REPORT_SIZE) {
        uint8_t report[BOOT_REPORT_SIZE];
        for (int i = 0; i < BOOT_REPORT_SIZE; i++)
            report[i] = data[i];
        MouseMessage m = TranslateBootReport(report, &buttons);

        // Motion as the receiver decodes it: each field sign-extended from its byte.
        FUZZ_CHECK((int8_t)(m.wParam & 0xFF) == (int8_t)report[3]);
        FUZZ_CHECK(((m.wParam >> 8) & 0xFF) == 0);
        FUZZ_CHECK((int8_t)((m.wParam >> 16) & 0xFF) == (int8_t)report[1]);
        FUZZ_CHECK((int8_t)(m.wParam >> 24) == (int8_t)report[2]);

        uint32_t known = 0;
        for (const auto &b : Buttons) {
            known |= b.down | b.up;
            FUZZ_CHECK((m.lParam & (b.down | b.up)) != (b.down | b.up));
            if (m.lParam & b.down) {
                FUZZ_CHECK(!(held & b.bit));
                held |= b.bit;
            }
            if (m.lParam & b.up) {
                FUZZ_CHECK(held & b.bit);
                held &= ~b.bit;
            }
        }
        FUZZ_CHECK((m.lParam & ~known) == 0);
        FUZZ_CHECK(held == (report[0] & BOOT_BUTTONS_MASK)); // the receiver knows what the mouse holds
        FUZZ_CHECK(buttons == held);
    }
    return 0;
}
