#pragma once
// A recording in the evemu format, as evemu-record writes it: comment lines starting with '#',
// the device's description (N: name, I: ids, P: properties, B: event bits, A: absolute axes,
// L: LEDs, S: switches) and its events,
//   E: <sec>.<usec> <type> <code> <value>      type and code in hex, value in decimal,
// each line perhaps followed by a '#' comment. No libevdev here: tested and fuzzed on the host.
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct RecordedEvent {
    uint64_t timeUs; // since the recording's own start
    uint16_t type, code;
    int32_t value;
};

enum RecordingLineKind {
    RECORDING_ERROR = -1,
    RECORDING_NOTHING = 0,     // a comment or a blank line
    RECORDING_DESCRIPTION = 1, // N:, I:, P:, A:, L:, S:
    RECORDING_BITS = 2,        // B:
    RECORDING_EVENT = 3,       // E:
};

// The event types' bits as B: lines give them, 8 bytes a line per type, in order.
#define RECORDING_TYPES 0x20       // EV_CNT
#define RECORDING_TYPE_BYTES 96    // KEY_CNT / 8, the largest type
#define RECORDING_LINE_BYTES 8

struct RecordingLine {
    int kind;
    RecordedEvent event;                 // RECORDING_EVENT
    uint8_t bitsType;                    // RECORDING_BITS
    uint8_t bits[RECORDING_LINE_BYTES];  // RECORDING_BITS
    const char *name;                    // N: the name's text, nameLength bytes, in the line
    size_t nameLength;
};

// Parses one line (length bytes, no terminator needed). Returns its kind; RECORDING_ERROR with
// a reason in *error (a constant string) when it is no line of a recording.
int ParseRecordingLine(const char *line, size_t length, RecordingLine *out, const char **error);

struct Recording {
    std::string name;
    std::vector<RecordedEvent> events;
    bool described; // it has B: lines
    uint8_t bits[RECORDING_TYPES][RECORDING_TYPE_BYTES];
    unsigned bitBytes[RECORDING_TYPES]; // how many bytes of each type the B: lines gave
};

// Reads a whole recording, lines cut at '\n'. False with the first bad line's number (from 1)
// and reason.
bool ReadRecording(const char *text, size_t length, Recording *out, int *badLine, const char **error);

bool RecordingHasCode(const Recording &r, unsigned type, unsigned code);

// A recording of a mouse: its description has REL_X, REL_Y and BTN_LEFT. One without a
// description (events only, as evemu-play also takes) cannot tell, and is taken as one.
bool RecordingOfMouse(const Recording &r);
