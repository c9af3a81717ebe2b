#pragma once
// How the stream device "BHI0:" is reached on the desktop: a message-mode named pipe served by
// the HID driver stand-in (handheld/hid_driver.exe). The program's side is platform/stream_device.cpp.
// No Windows header here: the driver stand-in and the stand-ins of platform/ share this file.
#include <stdint.h>

#define DRIVER_PIPE_NAME L"\\\\.\\pipe\\BHI0"
// The name a pipe handle of the device reports for itself (FileNameInfo).
#define DRIVER_PIPE_FILE_NAME L"\\BHI0"

// One control call: the client writes one request message and reads one reply message.
struct DriverRequest {
    uint32_t code;  // the control code
    uint32_t size;  // the caller's input size in bytes
    uint32_t value; // control code 15: the receiving thread's id (handles are per process here)
};

// The reply: 0 when the driver accepted the call, otherwise a Win32 error code for GetLastError.
typedef uint32_t DriverReply;

// How long a client waits for a busy device, and the device manager for a driver it started.
#define DRIVER_BUSY_WAIT_MS 2000
#define DRIVER_START_WAIT_MS 10000
#define DRIVER_ENDED_GRACE_MS 3000 // after a started driver ended, for another one's device
