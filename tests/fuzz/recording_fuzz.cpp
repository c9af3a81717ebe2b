// The real-mouse bridge's recordings and grouping: any bytes read as an evemu recording (in a
// block of their own length, no terminator). A refusal names a line that exists; every event
// read, written out again as evemu-record writes it, reads back the same; and the events, put
// through the grouping as the bridge does, give exactly what a plain model of the rules says:
// for each group, its motion and notches (the kernel's REL_WHEEL, or a device that never sends it
// its high-resolution steps at 120 each; each cut to 32767) spread over reports of at most 127
// each, adding up to the whole, the buttons changing in the last; a dropped group's motion is
// thrown away and its buttons kept.
#include "handheld/bridge/recording.h"
#include "handheld/bridge/report_grouping.h"
#include "tests/fuzz/fuzz_check.h"

#include <linux/input-event-codes.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct Model {
    int64_t dx = 0, dy = 0, wheel = 0, hiRes = 0;
    bool hiResSeen = false;
    bool sendsWheel = false; // the device has sent the kernel's own notches, in any group
    int rest = 0;
    uint8_t held = 0, sent = 0;
};

uint8_t Bit(uint16_t code)
{
    return code == BTN_LEFT ? 1 : code == BTN_RIGHT ? 2 : code == BTN_MIDDLE ? 4 : 0;
}

// The reports of one ended group, checked against the model.
void CheckGroup(Model *m, ReportGrouping *g)
{
    int64_t notches = m->wheel;
    if (m->hiResSeen && !m->sendsWheel) {
        int64_t total = m->rest + m->hiRes;
        notches = total / 120;
        m->rest = (int)(total % 120);
    }
    // A group is cut to what a 16-bit HID report carries.
    auto cut = [](int64_t v) { return v > 32767 ? 32767 : v < -32767 ? -32767 : v; };
    int64_t dx = cut(m->dx), dy = cut(m->dy);
    notches = cut(notches);
    int64_t sum[3] = {0, 0, 0};
    uint64_t count = 0;
    uint8_t r[BOOT_REPORT_SIZE];
    uint8_t last = m->sent;
    while (NextGroupReport(g, r)) {
        count++;
        for (int i = 0; i < 3; i++) {
            int v = (int8_t)r[i + 1];
            FUZZ_CHECK(v >= -127 && v <= 127);
            sum[i] += v;
        }
        FUZZ_CHECK((r[0] & ~7) == 0);
        if (count > 1)
            FUZZ_CHECK(last == m->sent); // only the last report changes the buttons
        last = r[0];
    }
    FUZZ_CHECK(sum[0] == dx && sum[1] == dy && sum[2] == notches);
    uint64_t needed = 0;
    for (int64_t v : {dx, dy, notches}) {
        uint64_t n = (uint64_t)((v < 0 ? -v : v) + 126) / 127;
        needed = n > needed ? n : needed;
    }
    if (needed == 0 && m->held != m->sent)
        needed = 1;
    FUZZ_CHECK(count == needed);
    if (count > 0)
        FUZZ_CHECK(last == m->held);
    m->sent = m->held;
    m->dx = m->dy = m->wheel = m->hiRes = 0;
    m->hiResSeen = false;
}

void CheckEventWritesBack(const RecordedEvent &e)
{
    char line[96];
    std::snprintf(line, sizeof(line), "E: %llu.%06u %04x %04x %04d\t# EV_REL / REL_X 1",
                  (unsigned long long)(e.timeUs / 1000000), (unsigned)(e.timeUs % 1000000), e.type, e.code, e.value);
    RecordingLine again;
    const char *error = nullptr;
    FUZZ_CHECK(ParseRecordingLine(line, std::strlen(line), &again, &error) == RECORDING_EVENT);
    FUZZ_CHECK(again.event.timeUs == e.timeUs && again.event.type == e.type && again.event.code == e.code &&
               again.event.value == e.value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::unique_ptr<char[]> block(new char[size ? size : 1]);
    std::memcpy(block.get(), data, size);
    std::unique_ptr<Recording> recording(new Recording);
    int badLine = -1;
    const char *error = nullptr;
    if (!ReadRecording(block.get(), size, recording.get(), &badLine, &error)) {
        int lines = 1;
        for (size_t i = 0; i + 1 < size; i++)
            lines += data[i] == '\n';
        FUZZ_CHECK(error != nullptr && *error != '\0');
        FUZZ_CHECK(badLine >= 1 && badLine <= lines);
        return 0;
    }
    for (unsigned t = 0; t < RECORDING_TYPES; t++)
        FUZZ_CHECK(recording->bitBytes[t] <= RECORDING_TYPE_BYTES && recording->bitBytes[t] % 8 == 0);
    RecordingOfMouse(*recording);

    ReportGrouping g;
    StartGrouping(&g);
    Model m;
    for (const RecordedEvent &e : recording->events) {
        CheckEventWritesBack(e);
        int32_t v = e.value;
        int result = GroupEvent(&g, e.type, e.code, v);
        if (e.type == EV_REL && e.code == REL_X)
            m.dx += v;
        else if (e.type == EV_REL && e.code == REL_Y)
            m.dy += v;
        else if (e.type == EV_REL && e.code == REL_WHEEL)
            m.wheel += v, m.sendsWheel = true;
        else if (e.type == EV_REL && e.code == REL_WHEEL_HI_RES)
            m.hiRes += v, m.hiResSeen = true;
        else if (e.type == EV_KEY)
            m.held = v ? (uint8_t)(m.held | Bit(e.code)) : (uint8_t)(m.held & ~Bit(e.code));
        if (e.type == EV_SYN && e.code == SYN_REPORT) {
            FUZZ_CHECK(result == GROUP_ENDED);
            CheckGroup(&m, &g);
        } else if (e.type == EV_SYN && e.code == SYN_DROPPED) {
            FUZZ_CHECK(result == GROUP_DROPPED);
            m.dx = m.dy = m.wheel = m.hiRes = 0;
            m.hiResSeen = false;
        } else {
            FUZZ_CHECK(result == GROUP_PENDING);
        }
    }
    uint8_t r[BOOT_REPORT_SIZE];
    FUZZ_CHECK(ReleaseReport(&g, r) == (m.sent != 0));
    return 0;
}
