#include "handheld/feed_script.h"
#include "handheld/line_words.h"

#include <string.h>

namespace {

bool Is(const char *word, size_t length, const char *keyword)
{
    return length == strlen(keyword) && memcmp(word, keyword, length) == 0;
}

// A decimal number with an optional sign, or (when hex is allowed) 0x and hex digits.
bool ParseNumber(const char *word, size_t length, bool hexAllowed, long long low, long long high, long long *out)
{
    size_t i = 0;
    bool negative = false;
    if (i < length && (word[i] == '-' || word[i] == '+'))
        negative = word[i++] == '-';
    int base = 10;
    if (hexAllowed && !negative && length - i > 2 && word[i] == '0' && (word[i + 1] == 'x' || word[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == length)
        return false;
    long long value = 0;
    for (; i < length; i++) {
        char ch = word[i];
        int digit;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (base == 16 && ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else if (base == 16 && ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else
            return false;
        value = value * base + digit;
        if (value > 100000000000LL)
            return false; // far out of every range: stop before the value can overflow
    }
    if (negative)
        value = -value;
    if (value < low || value > high)
        return false;
    *out = value;
    return true;
}

} // namespace

int ParseFeedLine(const char *line, size_t length, FeedStep *step, const char **error)
{
    LineCursor c = {line, line + length};
    const char *word;
    size_t n;
    if (!NextWord(&c, &word, &n))
        return step->kind = FEED_NOTHING;

    if (Is(word, n, "report")) {
        static const struct {
            bool hex;
            long long low, high;
            const char *missing, *bad;
        } fields[BOOT_REPORT_SIZE] = {
            {true, 0, 255, "report: BUTTONS missing", "report: BUTTONS must be 0..255"},
            {false, -128, 127, "report: DX missing", "report: DX must be -128..127"},
            {false, -128, 127, "report: DY missing", "report: DY must be -128..127"},
            {false, -128, 127, "report: WHEEL missing", "report: WHEEL must be -128..127"},
        };
        for (int i = 0; i < BOOT_REPORT_SIZE; i++) {
            long long value;
            if (!NextWord(&c, &word, &n)) {
                *error = fields[i].missing;
                return step->kind = FEED_ERROR;
            }
            if (!ParseNumber(word, n, fields[i].hex, fields[i].low, fields[i].high, &value)) {
                *error = fields[i].bad;
                return step->kind = FEED_ERROR;
            }
            step->report[i] = (uint8_t)value;
        }
        step->kind = FEED_REPORT;
    } else if (Is(word, n, "pause")) {
        long long value;
        if (!NextWord(&c, &word, &n)) {
            *error = "pause: MS missing";
            return step->kind = FEED_ERROR;
        }
        if (!ParseNumber(word, n, false, 0, FEED_MAX_PAUSE_MS, &value)) {
            *error = "pause: MS must be 0..3600000";
            return step->kind = FEED_ERROR;
        }
        step->pauseMs = (uint32_t)value;
        step->kind = FEED_PAUSE;
    } else {
        *error = "unknown step: expected report or pause";
        return step->kind = FEED_ERROR;
    }

    if (NextWord(&c, &word, &n)) {
        *error = "too many fields";
        return step->kind = FEED_ERROR;
    }
    return step->kind;
}
