// The driver stand-in's translation of boot reports into data messages.
#include "handheld/boot_report.h"

#include <gtest/gtest.h>

TEST(BootReport, PacksMotionAndMarksEachTransitionOnce)
{
    // One mouse's reports in order, with the message each must give.
    struct Case {
        uint8_t report[4];
        uint32_t wParam, lParam;
    } cases[] = {
        {{0x00, 0, 0, 0}, 0x00000000, 0x00},
        {{0x00, 5, 0xFD, 1}, 0xFD050001, 0x00},           // dx 5, dy -3, wheel up 1
        {{0x01, 0, 0, 0}, 0x00000000, 0x02},              // left goes down
        {{0x01, 0x80, 0x7F, 0xFF}, 0x7F8000FF, 0x00},     // held: no press again; dx -128, dy 127, wheel -1
        {{0x03, 0, 0, 0}, 0x00000000, 0x08},              // right goes down too
        {{0x06, 0, 0, 0}, 0x00000000, 0x04 | 0x20},       // left up, middle down, right held
        {{0x00, 1, 1, 0}, 0x01010000, 0x10 | 0x40},       // right and middle up
        {{0x07, 0, 0, 0}, 0x00000000, 0x02 | 0x08 | 0x20}, // all three down at once
        {{0xF8, 0, 0, 0}, 0x00000000, 0x04 | 0x10 | 0x40}, // all up; bits 3-7 carry nothing
        {{0xF9, 0, 0, 0}, 0x00000000, 0x02},
    };
    uint8_t buttons = 0;
    int row = 0;
    for (const Case &c : cases) {
        MouseMessage m = TranslateBootReport(c.report, &buttons);
        EXPECT_EQ(c.wParam, m.wParam) << "row " << row;
        EXPECT_EQ(c.lParam, m.lParam) << "row " << row;
        EXPECT_EQ(c.report[0] & 7, buttons) << "row " << row;
        row++;
    }
}

TEST(BootReport, FieldsSignExtendBackToWhatWasSent)
{
    // The receiver takes each field by sign-extending its byte of wParam.
    for (int dx = -128; dx <= 127; dx += 17)
        for (int dy = -128; dy <= 127; dy += 23)
            for (int wheel : {-128, -1, 0, 1, 127}) {
                uint8_t report[4] = {0, (uint8_t)dx, (uint8_t)dy, (uint8_t)wheel};
                uint8_t buttons = 0;
                uint32_t w = TranslateBootReport(report, &buttons).wParam;
                EXPECT_EQ(wheel, (int8_t)(w & 0xFF));
                EXPECT_EQ(0u, (w >> 8) & 0xFF);
                EXPECT_EQ(dx, (int8_t)((w >> 16) & 0xFF));
                EXPECT_EQ(dy, (int8_t)(w >> 24));
            }
}
