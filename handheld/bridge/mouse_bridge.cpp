// A real mouse on the Linux desktop, or a recording of one, drives the handheld: its events
// become the HID driver stand-in's boot reports on the feed's loopback TCP port.
//   mouse_bridge [--port N] [--wait MS] [DEVICE]
//   mouse_bridge [--port N] [--wait MS] [--fast] --replay RECORDING
// DEVICE is /dev/input/eventN (or a /dev/input/by-id/... link); without it the first mouse
// found. RECORDING is evemu-record's output. Exit codes: bridge.h.
#include "handheld/bridge/bridge.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool Number(const char *text, int low, int high, int *out)
{
    char *end;
    long value = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < low || value > high)
        return false;
    *out = (int)value;
    return true;
}

int Usage()
{
    fprintf(stderr, "usage: mouse_bridge [--port N] [--wait MS] [DEVICE]\n"
                    "       mouse_bridge [--port N] [--wait MS] [--fast] --replay RECORDING\n");
    return BRIDGE_BAD_INPUT;
}

} // namespace

int main(int argc, char **argv)
{
    BridgeOptions options;
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        bool more = i + 1 < argc;
        if (strcmp(a, "--port") == 0 && more) {
            if (!Number(argv[++i], 1, 65535, &options.port))
                return Usage();
        } else if (strcmp(a, "--wait") == 0 && more) {
            if (!Number(argv[++i], 0, 3600000, &options.waitMs))
                return Usage();
        } else if (strcmp(a, "--fast") == 0) {
            options.fast = true;
        } else if (strcmp(a, "--replay") == 0 && more && !options.recording) {
            options.recording = argv[++i];
        } else if (a[0] != '-' && !options.device) {
            options.device = a;
        } else {
            return Usage();
        }
    }
    if (options.recording && options.device)
        return Usage();
    CatchStopSignals();
    return options.recording ? ReplayRecording(options) : BridgeLiveMouse(options);
}
