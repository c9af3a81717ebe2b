#pragma once
// A HID boot-protocol mouse report and the data message the driver posts for it. No Windows
// header: built in both builds and tested on the host.
#include <stdint.h>

// buttons (bit 0 left, bit 1 right, bit 2 middle; pressed = 1), dx, dy, wheel (each signed 8-bit)
#define BOOT_REPORT_SIZE 4
#define BOOT_BUTTONS_MASK 0x07 // the other bits of the buttons byte carry nothing for a mouse

// wParam and lParam of the data message: the motion word and the button transitions.
struct MouseMessage {
    uint32_t wParam; // wheel in bits 0-7, dx in bits 16-23, dy in bits 24-31, each as sent
    uint32_t lParam; // mouse_event down bits for buttons that went down, up bits for those that came up
};

// buttons holds the feed's pressed buttons after its previous report (0 when the feed connects)
// and is updated to this report's.
MouseMessage TranslateBootReport(const uint8_t report[BOOT_REPORT_SIZE], uint8_t *buttons);
