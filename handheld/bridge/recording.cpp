#include "handheld/bridge/recording.h"
#include "handheld/line_words.h"

#include <linux/input-event-codes.h>
#include <string.h>

namespace {

int HexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// 1 to maxDigits hex digits, no prefix (evemu writes them so).
bool NextHex(LineCursor *c, size_t maxDigits, unsigned *out)
{
    const char *word;
    size_t length;
    if (!NextWord(c, &word, &length) || length > maxDigits)
        return false;
    unsigned value = 0;
    for (size_t i = 0; i < length; i++) {
        int d = HexDigit(word[i]);
        if (d < 0)
            return false;
        value = value * 16 + (unsigned)d;
    }
    *out = value;
    return true;
}

// An optional minus sign and decimal digits, within a 32-bit signed number.
bool NextDecimal(LineCursor *c, int32_t *out)
{
    const char *word;
    size_t length;
    if (!NextWord(c, &word, &length))
        return false;
    size_t i = 0;
    bool negative = word[0] == '-';
    if (negative)
        i++;
    if (i == length)
        return false;
    int64_t value = 0;
    for (; i < length; i++) {
        if (word[i] < '0' || word[i] > '9')
            return false;
        value = value * 10 + (word[i] - '0');
        if (value > 2147483648LL)
            return false;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return false;
    *out = (int32_t)value;
    return true;
}

// Nothing but blanks and perhaps a comment is left.
bool AtEnd(LineCursor *c)
{
    const char *word;
    size_t length;
    return !NextWord(c, &word, &length);
}

// <sec>.<usec>: the seconds, and the microseconds in six digits as evemu writes them.
bool NextTime(LineCursor *c, uint64_t *us)
{
    const char *word;
    size_t length;
    if (!NextWord(c, &word, &length))
        return false;
    const char *dot = (const char *)memchr(word, '.', length);
    if (!dot || dot == word || dot - word > 10 || word + length - dot - 1 != 6)
        return false;
    uint64_t seconds = 0, micro = 0;
    for (const char *p = word; p < word + length; p++) {
        if (p == dot)
            continue;
        if (*p < '0' || *p > '9')
            return false;
        if (p < dot)
            seconds = seconds * 10 + (uint64_t)(*p - '0');
        else
            micro = micro * 10 + (uint64_t)(*p - '0');
    }
    *us = seconds * 1000000 + micro;
    return true;
}

int Fail(const char **error, const char *reason)
{
    *error = reason;
    return RECORDING_ERROR;
}

int ParseEvent(LineCursor *c, RecordingLine *out, const char **error)
{
    unsigned type, code;
    int32_t value;
    if (!NextTime(c, &out->event.timeUs))
        return Fail(error, "E: the time must be <seconds>.<microseconds in six digits>");
    if (!NextHex(c, 4, &type))
        return Fail(error, "E: the type must be hex, 0 to ffff");
    if (!NextHex(c, 4, &code))
        return Fail(error, "E: the code must be hex, 0 to ffff");
    if (!NextDecimal(c, &value))
        return Fail(error, "E: the value must be decimal, -2147483648 to 2147483647");
    if (!AtEnd(c))
        return Fail(error, "E: text after the value");
    out->event.type = (uint16_t)type;
    out->event.code = (uint16_t)code;
    out->event.value = value;
    return RECORDING_EVENT;
}

int ParseBits(LineCursor *c, RecordingLine *out, const char **error)
{
    unsigned type, byte;
    if (!NextHex(c, 2, &type) || type >= RECORDING_TYPES)
        return Fail(error, "B: the event type must be hex, 0 to 1f");
    for (int i = 0; i < RECORDING_LINE_BYTES; i++) {
        if (!NextHex(c, 2, &byte))
            return Fail(error, "B: needs the type and 8 hex bytes");
        out->bits[i] = (uint8_t)byte;
    }
    if (!AtEnd(c))
        return Fail(error, "B: text after the 8 bytes");
    out->bitsType = (uint8_t)type;
    return RECORDING_BITS;
}

// N:, I:, P:, A:, L:, S:: checked as evemu reads them; only the name is kept.
int ParseDescription(char tag, LineCursor *c, RecordingLine *out, const char **error)
{
    unsigned hex;
    int32_t number;
    switch (tag) {
    case 'N': {
        while (c->at < c->end && IsBlank(*c->at))
            c->at++;
        const char *end = c->end;
        while (end > c->at && IsBlank(end[-1]))
            end--;
        if (c->at == end)
            return Fail(error, "N: the device's name is missing");
        out->name = c->at;
        out->nameLength = (size_t)(end - c->at);
        return RECORDING_DESCRIPTION;
    }
    case 'I':
        for (int i = 0; i < 4; i++)
            if (!NextHex(c, 4, &hex))
                return Fail(error, "I: needs the bus, vendor, product and version in hex");
        break;
    case 'P':
        for (int i = 0; i < RECORDING_LINE_BYTES; i++)
            if (!NextHex(c, 2, &hex))
                return Fail(error, "P: needs 8 hex bytes");
        break;
    case 'A': {
        // the axis, minimum, maximum, fuzz, flat and (from format 1.2) resolution
        if (!NextHex(c, 2, &hex))
            return Fail(error, "A: the axis must be hex, 0 to ff");
        int i = 0;
        for (; i < 5 && NextDecimal(c, &number); i++) {
        }
        if (i < 4)
            return Fail(error, "A: needs the axis, minimum, maximum, fuzz and flat");
        break;
    }
    default: // L:, S:
        if (!NextHex(c, 2, &hex) || !NextDecimal(c, &number))
            return Fail(error, tag == 'L' ? "L: needs the LED in hex and its state" : "S: needs the switch in hex and its state");
        break;
    }
    if (!AtEnd(c))
        return Fail(error, "text after the description's fields");
    return RECORDING_DESCRIPTION;
}

} // namespace

int ParseRecordingLine(const char *line, size_t length, RecordingLine *out, const char **error)
{
    memset(out, 0, sizeof(*out));
    LineCursor c = {line, line + length};
    while (c.at < c.end && IsBlank(*c.at))
        c.at++;
    if (c.at == c.end || *c.at == '#')
        return RECORDING_NOTHING;
    if (c.end - c.at < 2 || c.at[1] != ':' || !strchr("NIPBALSE", c.at[0]) || c.at[0] == '\0')
        return Fail(error, "not a line of an evemu recording (E:, N:, I:, P:, B:, A:, L:, S: or a # comment)");
    char tag = c.at[0];
    c.at += 2;
    if (tag == 'E')
        return ParseEvent(&c, out, error);
    if (tag == 'B')
        return ParseBits(&c, out, error);
    return ParseDescription(tag, &c, out, error);
}

bool ReadRecording(const char *text, size_t length, Recording *out, int *badLine, const char **error)
{
    out->name.clear();
    out->events.clear();
    out->described = false;
    memset(out->bits, 0, sizeof(out->bits));
    memset(out->bitBytes, 0, sizeof(out->bitBytes));
    size_t start = 0;
    for (int number = 1; start < length; number++) {
        const char *newline = (const char *)memchr(text + start, '\n', length - start);
        size_t end = newline ? (size_t)(newline - text) : length;
        RecordingLine line;
        int kind = ParseRecordingLine(text + start, end - start, &line, error);
        if (kind == RECORDING_ERROR) {
            *badLine = number;
            return false;
        }
        if (kind == RECORDING_EVENT)
            out->events.push_back(line.event);
        if (kind == RECORDING_DESCRIPTION && line.name)
            out->name.assign(line.name, line.nameLength);
        if (kind == RECORDING_BITS) {
            unsigned &filled = out->bitBytes[line.bitsType];
            if (filled + RECORDING_LINE_BYTES > RECORDING_TYPE_BYTES) {
                *badLine = number;
                *error = "B: more bits than any event type has";
                return false;
            }
            memcpy(out->bits[line.bitsType] + filled, line.bits, RECORDING_LINE_BYTES);
            filled += RECORDING_LINE_BYTES;
            out->described = true;
        }
        start = end + 1;
    }
    return true;
}

bool RecordingHasCode(const Recording &r, unsigned type, unsigned code)
{
    if (type >= RECORDING_TYPES || code / 8 >= RECORDING_TYPE_BYTES)
        return false;
    return (r.bits[type][code / 8] >> (code % 8)) & 1;
}

bool RecordingOfMouse(const Recording &r)
{
    if (!r.described)
        return true;
    return RecordingHasCode(r, EV_REL, REL_X) && RecordingHasCode(r, EV_REL, REL_Y) &&
           RecordingHasCode(r, EV_KEY, BTN_LEFT);
}
