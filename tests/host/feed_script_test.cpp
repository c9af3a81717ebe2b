// The feeder's script lines.
#include "handheld/feed_script.h"

#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>

namespace {

int Parse(const std::string &line, FeedStep *step, std::string *error)
{
    const char *reason = nullptr;
    int kind = ParseFeedLine(line.data(), line.size(), step, &reason);
    *error = kind == FEED_ERROR && reason ? reason : "";
    return kind;
}

} // namespace

TEST(FeedScript, ReadsReportsPausesAndComments)
{
    struct Case {
        const char *line;
        int kind;
        uint8_t report[4];
        uint32_t pauseMs;
    } cases[] = {
        {"report 1 5 -3 0", FEED_REPORT, {1, 5, 0xFD, 0}, 0},
        {"  report\t0x07 -128 127 -1  # all buttons\r", FEED_REPORT, {7, 0x80, 0x7F, 0xFF}, 0},
        {"report 255 +2 0 1", FEED_REPORT, {255, 2, 0, 1}, 0},
        {"report 0xfF 0 0 0", FEED_REPORT, {255, 0, 0, 0}, 0},
        {"report 0 0 0 0#comment", FEED_REPORT, {0, 0, 0, 0}, 0},
        {"pause 250", FEED_PAUSE, {}, 250},
        {"pause 0", FEED_PAUSE, {}, 0},
        {"pause 3600000", FEED_PAUSE, {}, 3600000},
        {"", FEED_NOTHING, {}, 0},
        {"   \t\r", FEED_NOTHING, {}, 0},
        {"# report 1 2 3 4", FEED_NOTHING, {}, 0},
    };
    for (const Case &c : cases) {
        FeedStep step = {};
        std::string error;
        ASSERT_EQ(c.kind, Parse(c.line, &step, &error)) << c.line << ": " << error;
        if (c.kind == FEED_REPORT) {
            for (int i = 0; i < 4; i++)
                EXPECT_EQ(c.report[i], step.report[i]) << c.line << " field " << i;
        }
        if (c.kind == FEED_PAUSE) {
            EXPECT_EQ(c.pauseMs, step.pauseMs) << c.line;
        }
    }
}

TEST(FeedScript, RefusesWhatIsNoStepAndSaysWhy)
{
    struct Case {
        const char *line, *error;
    } cases[] = {
        {"report", "report: BUTTONS missing"},
        {"report 1 2 3", "report: WHEEL missing"},
        {"report 256 0 0 0", "report: BUTTONS must be 0..255"},
        {"report -1 0 0 0", "report: BUTTONS must be 0..255"},
        {"report 0x100 0 0 0", "report: BUTTONS must be 0..255"},
        {"report 0x 0 0 0", "report: BUTTONS must be 0..255"},
        {"report 0 128 0 0", "report: DX must be -128..127"},
        {"report 0 0 -129 0", "report: DY must be -128..127"},
        {"report 0 0 0 0x10", "report: WHEEL must be -128..127"},
        {"report 0 1.5 0 0", "report: DX must be -128..127"},
        {"report 0 - 0 0", "report: DX must be -128..127"},
        {"report 0 99999999999999999999999 0 0", "report: DX must be -128..127"},
        {"report 1 2 3 4 5", "too many fields"},
        {"pause", "pause: MS missing"},
        {"pause -1", "pause: MS must be 0..3600000"},
        {"pause 3600001", "pause: MS must be 0..3600000"},
        {"pause 10 ms", "too many fields"},
        {"Report 1 0 0 0", "unknown step: expected report or pause"},
        {"move 1 2", "unknown step: expected report or pause"},
        {"\x01\xff", "unknown step: expected report or pause"},
    };
    for (const Case &c : cases) {
        FeedStep step = {};
        std::string error;
        EXPECT_EQ(FEED_ERROR, Parse(c.line, &step, &error)) << c.line;
        EXPECT_EQ(c.error, error) << c.line;
    }
}

TEST(FeedScript, StopsAtTheGivenLength)
{
    // A line is its length, not up to a terminator: the bytes after it are another line's.
    const char text[] = "pause 12\npause 99";
    FeedStep step = {};
    const char *error = nullptr;
    ASSERT_EQ(FEED_PAUSE, ParseFeedLine(text, 8, &step, &error));
    EXPECT_EQ(12u, step.pauseMs);
    ASSERT_EQ(FEED_PAUSE, ParseFeedLine(text, 7, &step, &error));
    EXPECT_EQ(1u, step.pauseMs);
}

TEST(FeedScript, TheShippedDemoScriptParses)
{
    std::ifstream file(QM_SOURCE_DIR "/handheld/demo.feed");
    ASSERT_TRUE(file.good());
    std::string line;
    int number = 0, reports = 0;
    while (std::getline(file, line)) {
        number++;
        FeedStep step = {};
        std::string error;
        int kind = Parse(line, &step, &error);
        EXPECT_NE(FEED_ERROR, kind) << "demo.feed line " << number << ": " << error;
        reports += kind == FEED_REPORT;
    }
    EXPECT_GT(reports, 0);
}
