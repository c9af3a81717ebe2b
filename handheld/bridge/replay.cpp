// A recording played into the feed as the mouse made it: each group's reports at the time of
// its SYN_REPORT, measured from the first event.
#include "handheld/bridge/bridge.h"
#include "handheld/bridge/recording.h"

#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace {

bool ReadFile(const char *path, std::string *text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream content;
    content << file.rdbuf();
    *text = content.str();
    return !file.bad();
}

struct timespec Plus(struct timespec t, uint64_t us)
{
    t.tv_sec += (time_t)(us / 1000000);
    t.tv_nsec += (long)(us % 1000000) * 1000;
    if (t.tv_nsec >= 1000000000) {
        t.tv_sec++;
        t.tv_nsec -= 1000000000;
    }
    return t;
}

// Waits until the moment on the monotonic clock; false when a stop signal came first.
bool WaitUntil(const struct timespec &moment)
{
    for (;;) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec > moment.tv_sec || (now.tv_sec == moment.tv_sec && now.tv_nsec >= moment.tv_nsec))
            return true;
        struct timespec left = {moment.tv_sec - now.tv_sec, moment.tv_nsec - now.tv_nsec};
        if (left.tv_nsec < 0) {
            left.tv_sec--;
            left.tv_nsec += 1000000000;
        }
        if (WaitForEvents(nullptr, 0, &left) < 0 && StopRequested())
            return false;
    }
}

} // namespace

int ReplayRecording(const BridgeOptions &options)
{
    std::string text;
    if (!ReadFile(options.recording, &text)) {
        fprintf(stderr, "mouse_bridge: cannot read the recording %s: %s\n", options.recording, strerror(errno));
        return BRIDGE_BAD_INPUT;
    }
    std::unique_ptr<Recording> recording(new Recording);
    int line = 0;
    const char *error = "";
    if (!ReadRecording(text.data(), text.size(), recording.get(), &line, &error)) {
        fprintf(stderr, "mouse_bridge: %s:%d: %s\n", options.recording, line, error);
        return BRIDGE_BAD_INPUT;
    }
    if (!RecordingOfMouse(*recording)) {
        fprintf(stderr, "mouse_bridge: %s is a recording of \"%s\", which is no mouse (it lacks REL_X, REL_Y or BTN_LEFT)\n",
                options.recording, recording->name.c_str());
        return BRIDGE_BAD_INPUT;
    }
    if (recording->events.empty()) {
        fprintf(stderr, "mouse_bridge: %s has no events (E: lines)\n", options.recording);
        return BRIDGE_BAD_INPUT;
    }

    int feed = ConnectFeed(options.port, options.waitMs);
    if (feed < 0)
        return BRIDGE_NO_FEED;
    ReportGrouping grouping;
    StartGrouping(&grouping);
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    uint64_t first = recording->events[0].timeUs, latest = first;
    int result = BRIDGE_DONE;
    for (const RecordedEvent &e : recording->events) {
        // A recording stitched together may go back in time: no pause then.
        if (e.timeUs > latest)
            latest = e.timeUs;
        if (GroupEvent(&grouping, e.type, e.code, e.value) != GROUP_ENDED)
            continue;
        if (!options.fast && !WaitUntil(Plus(start, latest - first)))
            break;
        if (!SendGroupReports(feed, &grouping)) {
            result = BRIDGE_NO_FEED;
            break;
        }
    }
    // Events after the last SYN_REPORT are no whole group, and are not sent.
    if (result == BRIDGE_DONE && !SendRelease(feed, &grouping))
        result = BRIDGE_NO_FEED;
    close(feed);
    return result;
}
