#pragma once
// The feeder's script: one step a line.
//   report BUTTONS DX DY WHEEL   one boot report; BUTTONS 0..255 (decimal or 0x hex),
//                                DX, DY and WHEEL -128..127
//   pause MS                     wait MS milliseconds (0..3600000) before the next step
// '#' starts a comment; blank lines are ignored. No Windows header: tested on the host.
#include <stddef.h>
#include <stdint.h>

#include "handheld/boot_report.h"

enum FeedStepKind { FEED_ERROR = -1, FEED_NOTHING = 0, FEED_REPORT = 1, FEED_PAUSE = 2 };

struct FeedStep {
    int kind;
    uint8_t report[BOOT_REPORT_SIZE]; // FEED_REPORT
    uint32_t pauseMs;                 // FEED_PAUSE
};

#define FEED_MAX_PAUSE_MS 3600000u

// Parses one line (length bytes, no terminator needed). Returns the step's kind; FEED_ERROR with
// a reason in *error (a constant string) when the line is no step.
int ParseFeedLine(const char *line, size_t length, FeedStep *step, const char **error);
