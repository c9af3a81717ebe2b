#pragma once
// Helpers of the tests of the HID driver stand-in and its platform side: a receiving thread that
// keeps the driver's messages, the driver's start and end, and the report feed.
#include <windows.h>

#include <string>
#include <vector>

namespace wt {

// One message from the driver; message is 'D' for the data message, 'C' for the cursor message.
struct DriverMessage {
    char message;
    unsigned wParam, lParam;
    bool operator==(const DriverMessage &o) const
    {
        return message == o.message && wParam == o.wParam && lParam == o.lParam;
    }
};
std::string Describe(const DriverMessage &m);
std::string Describe(const std::vector<DriverMessage> &messages);

// A thread with a message queue, as the program's cursor thread, keeping the driver's messages.
class Receiver {
public:
    Receiver();
    ~Receiver(); // ends the thread
    Receiver(const Receiver &) = delete;
    Receiver &operator=(const Receiver &) = delete;

    HANDLE Handle() const { return thread_; }
    DWORD Id() const { return id_; }
    std::vector<DriverMessage> Messages() const;
    size_t Count() const;
    // Waits until at least count messages came; false when they did not within the time.
    bool WaitForCount(size_t count, DWORD timeoutMs = 20000) const;
    // Waits until the thread has taken everything posted to it before this call: a message it
    // answers goes through its queue behind them. False when the thread does not answer.
    bool Drain(DWORD timeoutMs = 10000) const;
    // Ends the thread now; the messages kept so far stay.
    void End();

private:
    static DWORD WINAPI Run(LPVOID self);
    HANDLE thread_ = NULL;
    DWORD id_ = 0;
    HANDLE drained_ = NULL;
    mutable CRITICAL_SECTION lock_;
    std::vector<DriverMessage> messages_;
};

// The driver stand-in, started through the device manager as the program does: the driver's
// device handle (its process), or null.
HANDLE StartDriver();
// Ends a running driver stand-in, if any, and waits until its device is gone.
void StopDriver();
// The driver's process id, 0 when none serves the device.
DWORD DriverProcessId();

// Control code 15 through "BHI0:" as the program sends it; the DeviceIoControl result and error.
BOOL NameReceiver(HANDLE thread, DWORD *error = nullptr);

// A connection to the report feed's pipe, waiting a bounded time for a free instance.
HANDLE OpenFeed(DWORD timeoutMs = 10000);
bool WriteAll(HANDLE feed, const std::string &bytes);
// One boot report's 4 bytes.
std::string Report(int buttons, int dx, int dy, int wheel);

} // namespace wt
