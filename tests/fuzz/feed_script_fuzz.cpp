// The feeder's script: any bytes, cut into lines as the feeder cuts them, each line alone in a
// block of its own length (no terminator). Every line must give what a plain model of the
// script's grammar gives, refusals with the model's reason, and every step must read back the
// same when written out again.
#include "handheld/feed_script.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Step {
    int kind;
    uint8_t report[BOOT_REPORT_SIZE];
    uint32_t pauseMs;
    std::string error;
};

// The line's words: the text before any '#', split at spaces, tabs and carriage returns.
std::vector<std::string> Words(const std::string &line)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : line.substr(0, line.find('#')) + " ") {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

// One optional sign, then decimal digits, or with hex allowed and no minus sign "0x" and hex
// digits; the value within low to high.
bool Number(const std::string &word, bool hexAllowed, long long low, long long high, long long *out)
{
    std::string digits = word;
    char sign = 0;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-'))
        sign = digits[0], digits.erase(0, 1);
    int base = 10;
    if (hexAllowed && sign != '-' && digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        base = 16, digits.erase(0, 2);
    if (digits.empty() || digits.find_first_not_of(base == 16 ? "0123456789abcdefABCDEF" : "0123456789") !=
                              std::string::npos)
        return false;
    digits.erase(0, digits.find_first_not_of('0') == std::string::npos ? digits.size() - 1 : digits.find_first_not_of('0'));
    if (digits.size() > 12)
        return false; // far beyond every range
    long long value = std::strtoll(digits.c_str(), nullptr, base);
    if (sign == '-')
        value = -value;
    if (value < low || value > high)
        return false;
    *out = value;
    return true;
}

Step Model(const std::string &line)
{
    static const char *const Names[] = {"BUTTONS", "DX", "DY", "WHEEL"};
    Step step = {};
    std::vector<std::string> words = Words(line);
    if (words.empty())
        return step.kind = FEED_NOTHING, step;

    size_t fields;
    if (words[0] == "report") {
        fields = BOOT_REPORT_SIZE;
        for (size_t i = 0; i < fields; i++) {
            long long value;
            bool buttons = i == 0;
            if (i + 1 >= words.size()) {
                step.error = std::string("report: ") + Names[i] + " missing";
                return step.kind = FEED_ERROR, step;
            }
            if (!Number(words[i + 1], buttons, buttons ? 0 : -128, buttons ? 255 : 127, &value)) {
                step.error = std::string("report: ") + Names[i] + (buttons ? " must be 0..255" : " must be -128..127");
                return step.kind = FEED_ERROR, step;
            }
            step.report[i] = (uint8_t)value;
        }
        step.kind = FEED_REPORT;
    } else if (words[0] == "pause") {
        fields = 1;
        long long value;
        if (words.size() < 2) {
            step.error = "pause: MS missing";
            return step.kind = FEED_ERROR, step;
        }
        if (!Number(words[1], false, 0, FEED_MAX_PAUSE_MS, &value)) {
            step.error = "pause: MS must be 0..3600000";
            return step.kind = FEED_ERROR, step;
        }
        step.pauseMs = (uint32_t)value;
        step.kind = FEED_PAUSE;
    } else {
        step.error = "unknown step: expected report or pause";
        return step.kind = FEED_ERROR, step;
    }
    if (words.size() > fields + 1) {
        step.error = "too many fields";
        step.kind = FEED_ERROR;
    }
    return step;
}

Step Parse(const std::string &line)
{
    std::unique_ptr<char[]> block(new char[line.size() ? line.size() : 1]);
    std::memcpy(block.get(), line.data(), line.size());
    FeedStep got;
    std::memset(&got, 0xA5, sizeof(got));
    const char *error = nullptr;
    Step step = {};
    step.kind = ParseFeedLine(block.get(), line.size(), &got, &error);
    FUZZ_CHECK(step.kind == got.kind);
    if (step.kind == FEED_ERROR) {
        FUZZ_CHECK(error != nullptr);
        step.error = error;
    }
    if (step.kind == FEED_REPORT)
        std::memcpy(step.report, got.report, BOOT_REPORT_SIZE);
    if (step.kind == FEED_PAUSE)
        step.pauseMs = got.pauseMs;
    return step;
}

bool Same(const Step &a, const Step &b)
{
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case FEED_ERROR: return a.error == b.error;
    case FEED_REPORT: return std::memcmp(a.report, b.report, BOOT_REPORT_SIZE) == 0;
    case FEED_PAUSE: return a.pauseMs == b.pauseMs;
    default: return true;
    }
}

// The step written out again, in one of the forms the script allows.
std::string Write(const Step &step, unsigned form)
{
    char line[96];
    if (step.kind == FEED_PAUSE)
        std::snprintf(line, sizeof(line), form & 1 ? "\tpause +%u # again\r" : "pause %u", (unsigned)step.pauseMs);
    else
        std::snprintf(line, sizeof(line), form & 1 ? " report 0x%X %d\t%d %d#" : "report %u %d %d %d",
                      (unsigned)step.report[0], (int8_t)step.report[1], (int8_t)step.report[2],
                      (int8_t)step.report[3]);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text((const char *)data, size);
    size_t start = 0;
    for (unsigned number = 0; start <= text.size(); number++) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;

        Step got = Parse(line);
        FUZZ_CHECK(Same(got, Model(line)));
        if (got.kind == FEED_REPORT || got.kind == FEED_PAUSE)
            FUZZ_CHECK(Same(got, Parse(Write(got, number))));
    }
    return 0;
}
