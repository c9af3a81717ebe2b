// The real-mouse bridge's recordings: evemu-record's lines, whole recordings, and the kept
// recordings of a mouse through the grouping into the reports the handheld gets.
#include "handheld/bridge/recording.h"
#include "handheld/bridge/report_grouping.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <array>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

int Parse(const std::string &line, RecordingLine *out, std::string *error)
{
    const char *reason = nullptr;
    int kind = ParseRecordingLine(line.data(), line.size(), out, &reason);
    *error = kind == RECORDING_ERROR && reason ? reason : "";
    return kind;
}

std::string Fixture(const std::string &name)
{
    std::ifstream file(QM_SOURCE_DIR "/tests/fixtures/recordings/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::unique_ptr<Recording> Read(const std::string &text, int *badLine = nullptr, std::string *error = nullptr)
{
    std::unique_ptr<Recording> r(new Recording);
    int line = 0;
    const char *reason = "";
    bool ok = ReadRecording(text.data(), text.size(), r.get(), &line, &reason);
    if (badLine)
        *badLine = ok ? 0 : line;
    if (error)
        *error = ok ? "" : reason;
    return ok ? std::move(r) : nullptr;
}

} // namespace

TEST(Recording, ReadsTheLinesEvemuRecordWrites)
{
    struct Case {
        const char *line;
        int kind;
        RecordedEvent event;
    } cases[] = {
        {"E: 0.000001 0002 0000 0001\t# EV_REL / REL_X                1", RECORDING_EVENT, {1, EV_REL, REL_X, 1}},
        {"E: 12.345678 0002 000b -120\t# EV_REL / REL_WHEEL_HI_RES     -120", RECORDING_EVENT,
         {12345678, EV_REL, REL_WHEEL_HI_RES, -120}},
        {"E: 0.096012 0001 0110 0000", RECORDING_EVENT, {96012, EV_KEY, BTN_LEFT, 0}},
        {"E: 0.000001 0004 0004 589825\r", RECORDING_EVENT, {1, EV_MSC, MSC_SCAN, 589825}},
        {"E: 4294967295.999999 ffff FFFF -2147483648", RECORDING_EVENT,
         {4294967295999999ull, 0xffff, 0xffff, INT32_MIN}},
        {"E: 0.000000 0 0 2147483647", RECORDING_EVENT, {0, 0, 0, INT32_MAX}},
        {"# EVEMU 1.3", RECORDING_NOTHING, {}},
        {"################################", RECORDING_NOTHING, {}},
        {"", RECORDING_NOTHING, {}},
        {" \t\r", RECORDING_NOTHING, {}},
        {"N: Dalvern Wired Mouse", RECORDING_DESCRIPTION, {}},
        {"I: 0003 2e8a 0101 0111", RECORDING_DESCRIPTION, {}},
        {"P: 00 00 00 00 00 00 00 00", RECORDING_DESCRIPTION, {}},
        {"A: 00 0 1919 0 0 0", RECORDING_DESCRIPTION, {}},
        {"A: 35 -100 100 4 8 # format 1.1: no resolution", RECORDING_DESCRIPTION, {}},
        {"L: 01 1", RECORDING_DESCRIPTION, {}},
        {"S: 05 1", RECORDING_DESCRIPTION, {}},
        {"B: 02 43 19 00 00 00 00 00 00", RECORDING_BITS, {}},
    };
    for (const Case &c : cases) {
        RecordingLine line;
        std::string error;
        ASSERT_EQ(c.kind, Parse(c.line, &line, &error)) << c.line << ": " << error;
        if (c.kind == RECORDING_EVENT) {
            EXPECT_EQ(c.event.timeUs, line.event.timeUs) << c.line;
            EXPECT_EQ(c.event.type, line.event.type) << c.line;
            EXPECT_EQ(c.event.code, line.event.code) << c.line;
            EXPECT_EQ(c.event.value, line.event.value) << c.line;
        }
    }
    RecordingLine line;
    std::string error;
    ASSERT_EQ(RECORDING_BITS, Parse("B: 01 00 00 1f 00 00 00 00 ff", &line, &error));
    EXPECT_EQ(1, line.bitsType);
    EXPECT_EQ(0x1f, line.bits[2]);
    EXPECT_EQ(0xff, line.bits[7]);
    const std::string named = "N:  Dalvern # Mouse  \r";
    ASSERT_EQ(RECORDING_DESCRIPTION, Parse(named, &line, &error));
    EXPECT_EQ("Dalvern # Mouse", std::string(line.name, line.nameLength)) << "a name may hold '#'";
}

TEST(Recording, RefusesWhatIsNoLineOfARecordingAndSaysWhy)
{
    struct Case {
        const char *line, *error;
    } cases[] = {
        {"E: 0.1 0002 0000 0001", "E: the time must be <seconds>.<microseconds in six digits>"},
        {"E: 0.0000001 0002 0000 0001", "E: the time must be <seconds>.<microseconds in six digits>"},
        {"E: .000001 0002 0000 0001", "E: the time must be <seconds>.<microseconds in six digits>"},
        {"E: 1 0002 0000 0001", "E: the time must be <seconds>.<microseconds in six digits>"},
        {"E: -1.000001 0002 0000 0001", "E: the time must be <seconds>.<microseconds in six digits>"},
        {"E: 12345678901.000001 0002 0000 0001", "E: the time must be <seconds>.<microseconds in six digits>"},
        {"E:", "E: the time must be <seconds>.<microseconds in six digits>"},
        {"E: 0.000001 00002 0000 0001", "E: the type must be hex, 0 to ffff"},
        {"E: 0.000001 0x2 0000 0001", "E: the type must be hex, 0 to ffff"},
        {"E: 0.000001 0002", "E: the code must be hex, 0 to ffff"},
        {"E: 0.000001 0002 00g0 0001", "E: the code must be hex, 0 to ffff"},
        {"E: 0.000001 0002 0000", "E: the value must be decimal, -2147483648 to 2147483647"},
        {"E: 0.000001 0002 0000 2147483648", "E: the value must be decimal, -2147483648 to 2147483647"},
        {"E: 0.000001 0002 0000 -2147483649", "E: the value must be decimal, -2147483648 to 2147483647"},
        {"E: 0.000001 0002 0000 +1", "E: the value must be decimal, -2147483648 to 2147483647"},
        {"E: 0.000001 0002 0000 -", "E: the value must be decimal, -2147483648 to 2147483647"},
        {"E: 0.000001 0002 0000 1.5", "E: the value must be decimal, -2147483648 to 2147483647"},
        {"E: 0.000001 0002 0000 1 2", "E: text after the value"},
        {"B: 20 00 00 00 00 00 00 00 00", "B: the event type must be hex, 0 to 1f"},
        {"B: 02 43 19 00 00 00 00 00", "B: needs the type and 8 hex bytes"},
        {"B: 02 043 19 00 00 00 00 00 00", "B: needs the type and 8 hex bytes"},
        {"B: 02 43 19 00 00 00 00 00 00 00", "B: text after the 8 bytes"},
        {"N:", "N: the device's name is missing"},
        {"I: 0003 2e8a 0101", "I: needs the bus, vendor, product and version in hex"},
        {"P: 00 00", "P: needs 8 hex bytes"},
        {"A: 00 0 1919 0", "A: needs the axis, minimum, maximum, fuzz and flat"},
        {"A: 00 0 1919 0 0 0 7", "text after the description's fields"},
        {"L: 01", "L: needs the LED in hex and its state"},
        {"S: zz 1", "S: needs the switch in hex and its state"},
        {"X: 1 2", "not a line of an evemu recording (E:, N:, I:, P:, B:, A:, L:, S: or a # comment)"},
        {"e: 0.000001 0002 0000 0001", "not a line of an evemu recording (E:, N:, I:, P:, B:, A:, L:, S: or a # comment)"},
        {"E 0.000001 0002 0000 0001", "not a line of an evemu recording (E:, N:, I:, P:, B:, A:, L:, S: or a # comment)"},
        {"Event: time 1.000001, type 2 (EV_REL), code 0 (REL_X), value 1",
         "not a line of an evemu recording (E:, N:, I:, P:, B:, A:, L:, S: or a # comment)"},
    };
    for (const Case &c : cases) {
        RecordingLine line;
        std::string error;
        EXPECT_EQ(RECORDING_ERROR, Parse(c.line, &line, &error)) << c.line;
        EXPECT_EQ(c.error, error) << c.line;
    }
    // A NUL where the tag should be is no tag.
    RecordingLine line;
    std::string error;
    EXPECT_EQ(RECORDING_ERROR, Parse(std::string("\0: 1", 4), &line, &error));
}

TEST(Recording, AWholeRecordingGivesItsEventsAndTheFirstBadLine)
{
    std::unique_ptr<Recording> r = Read(Fixture("click.evemu"));
    ASSERT_TRUE(r);
    EXPECT_EQ("Dalvern Wired Mouse", r->name);
    ASSERT_EQ(12u, r->events.size()); // four groups of MSC_SCAN, the button and SYN_REPORT
    EXPECT_EQ(96012u, r->events[3].timeUs);
    EXPECT_EQ(BTN_LEFT, r->events[4].code);
    EXPECT_EQ(0, r->events[4].value);

    struct Case {
        const char *what, *text;
        int line;
        const char *error;
    } cases[] = {
        {"the line's number, from 1", "# EVEMU 1.3\nN: m\nE: 0.000001 0002 0000 x1\n", 3,
         "E: the value must be decimal, -2147483648 to 2147483647"},
        {"blank lines count", "\n\n\r\nE: 0.000001 0002 0000\n", 4,
         "E: the value must be decimal, -2147483648 to 2147483647"},
        {"a last line without its newline", "E: 0.000001 0002 0000 0001\nE: 0.000002 0000 0000 0000\nQ", 3,
         "not a line of an evemu recording (E:, N:, I:, P:, B:, A:, L:, S: or a # comment)"},
        {"more B: lines than a type has", nullptr, 13, "B: more bits than any event type has"},
    };
    for (const Case &c : cases) {
        std::string text = c.text ? c.text : "";
        if (!c.text)
            for (int i = 0; i < 14; i++)
                text += "B: 01 00 00 00 00 00 00 00 00\n"; // EV_KEY has 12
        int line;
        std::string error;
        EXPECT_FALSE(Read(text, &line, &error)) << c.what;
        EXPECT_EQ(c.line, line) << c.what;
        EXPECT_EQ(c.error, error) << c.what;
    }
}

TEST(Recording, TellsAMouseFromOtherDevices)
{
    for (const char *name : {"move.evemu", "click.evemu", "wheel.evemu", "wheel_short_roll.evemu", "wheel_hi_res_only.evemu",
                             "fast_move.evemu", "land_and_click.evemu"}) {
        std::unique_ptr<Recording> r = Read(Fixture(name));
        ASSERT_TRUE(r) << name;
        EXPECT_TRUE(r->described) << name;
        EXPECT_TRUE(RecordingOfMouse(*r)) << name;
    }
    std::unique_ptr<Recording> keyboard = Read(Fixture("keyboard.evemu"));
    ASSERT_TRUE(keyboard);
    EXPECT_TRUE(RecordingHasCode(*keyboard, EV_KEY, BTN_LEFT)) << "a button alone makes no mouse";
    EXPECT_FALSE(RecordingOfMouse(*keyboard));

    // Each of the three missing makes no mouse; events alone cannot tell, as evemu-play takes them.
    const std::string keys = "B: 01 00 00 00 00 00 00 00 00\nB: 01 00 00 00 00 00 00 00 00\n"
                             "B: 01 00 00 00 00 00 00 00 00\nB: 01 00 00 00 00 00 00 00 00\n";
    struct Case {
        const char *what, *bits;
        bool mouse;
    } cases[] = {
        {"REL_X, REL_Y, BTN_LEFT", "B: 01 00 00 01 00 00 00 00 00\nB: 02 03 00 00 00 00 00 00 00\n", true},
        {"no REL_X", "B: 01 00 00 01 00 00 00 00 00\nB: 02 02 00 00 00 00 00 00 00\n", false},
        {"no REL_Y", "B: 01 00 00 01 00 00 00 00 00\nB: 02 01 00 00 00 00 00 00 00\n", false},
        {"BTN_RIGHT, no BTN_LEFT", "B: 01 00 00 02 00 00 00 00 00\nB: 02 03 00 00 00 00 00 00 00\n", false},
    };
    for (const Case &c : cases) {
        std::unique_ptr<Recording> r = Read(keys + c.bits);
        ASSERT_TRUE(r) << c.what;
        EXPECT_EQ(c.mouse, RecordingOfMouse(*r)) << c.what;
    }
    EXPECT_TRUE(RecordingOfMouse(*Read("E: 0.000001 0002 0000 0001\n")));
}

TEST(Recording, TheKeptRecordingsGiveTheirReports)
{
    using Report = std::array<int, 4>;
    struct Case {
        const char *name;
        std::vector<Report> reports;
    } cases[] = {
        {"move.evemu",
         {{0, 1, 0, 0}, {0, 2, 1, 0}, {0, 3, 1, 0}, {0, 3, 2, 0}, {0, 4, 2, 0}, {0, 3, 2, 0}, {0, 2, 1, 0},
          {0, 1, 1, 0}, {0, 0, 1, 0}, {0, -1, 0, 0}}},
        {"click.evemu", {{1, 0, 0, 0}, {0, 0, 0, 0}, {2, 0, 0, 0}, {0, 0, 0, 0}}},
        {"wheel.evemu", {{0, 0, 0, -1}, {0, 0, 0, -1}, {0, 0, 0, 1}}},
        // The kernel's notches: one at about half a step, so a short roll (-90) scrolls.
        {"wheel_short_roll.evemu", {{0, 0, 0, -1}, {0, 0, 0, 1}, {0, 0, 0, 1}}},
        // No REL_WHEEL from the device: a notch each 120 of its steps.
        {"wheel_hi_res_only.evemu", {{0, 0, 0, 1}, {0, 0, 0, -1}}},
        {"fast_move.evemu",
         {{0, 100, -14, 0}, {0, 100, -13, 0}, {0, 100, -13, 0}, {0, -125, 0, 0}, {0, -125, 0, 0}, {0, -125, 0, 0},
          {0, -125, 0, 0}, {0, 5, 2, 0}}},
        {"land_and_click.evemu",
         {{0, 4, 2, 0}, {0, 4, 2, 0}, {0, 4, 2, 0}, {0, 4, 2, 0}, {0, 4, 2, 0}, {0, 80, 120, 0}, {0, 80, 120, 0},
          {0, 80, 120, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}}},
    };
    for (const Case &c : cases) {
        std::unique_ptr<Recording> r = Read(Fixture(c.name));
        ASSERT_TRUE(r) << c.name;
        ReportGrouping g;
        StartGrouping(&g);
        std::vector<Report> reports;
        for (const RecordedEvent &e : r->events) {
            if (GroupEvent(&g, e.type, e.code, e.value) != GROUP_ENDED)
                continue;
            uint8_t b[BOOT_REPORT_SIZE];
            while (NextGroupReport(&g, b))
                reports.push_back({b[0], (int8_t)b[1], (int8_t)b[2], (int8_t)b[3]});
        }
        EXPECT_EQ(c.reports, reports) << c.name;
    }
}
