// The device manager and the stream device "BHI0:" as the program calls them: starting the HID
// driver stand-in from its device key, opening its device and handing it the receiving thread.
#include "platform/pocketpc.h"
#include "platform/driver_contract.h"
#include "tests/support/driver_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <tlhelp32.h>
#include <winioctl.h>

using namespace wt;

namespace {

// A pipe's own control call (the driver kit's FSCTL_PIPE_PEEK), answered by the system.
const DWORD PipePeek = CTL_CODE(FILE_DEVICE_NAMED_PIPE, 3, METHOD_BUFFERED, FILE_READ_DATA);
struct PipePeekAnswer {
    ULONG state, readDataAvailable, numberOfMessages, messageLength;
    BYTE data[8];
};

const wchar_t InstalledDriver[] = L"C:\\windows\\hid_driver.exe";

void SetDll(const wchar_t *dll)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY);
    if (dll)
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, L"Dll", REG_SZ, dll,
                        (DWORD)((wcslen(dll) + 1) * sizeof(wchar_t)));
}

// The profile's own: the driver stand-in by its bare name, found in the Windows folder.
void RestoreDll() { SetDll(L"hid_driver.exe"); }

HANDLE OpenDevice(const wchar_t *name = DRIVER_DEVICE_NAME)
{
    return CreateFileW(name, 0, 0, NULL, OPEN_EXISTING, 0, NULL);
}

bool DeviceOpens()
{
    HANDLE device = OpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(device);
    return true;
}

// The first message the receiver gets once a feed connects; the link goes down again after.
std::vector<DriverMessage> MessagesOfOneReport(const Receiver &receiver)
{
    HANDLE feed = OpenFeed();
    EXPECT_NE(INVALID_HANDLE_VALUE, feed);
    WriteAll(feed, Report(1, 2, 3, 4));
    CloseHandle(feed);
    receiver.WaitForCount(3, 10000);
    return receiver.Messages();
}

int RunningPrograms(const wchar_t *name)
{
    int n = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        n += _wcsicmp(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    return n;
}

int RunningDrivers() { return RunningPrograms(L"hid_driver.exe"); }

} // namespace

TEST(DeviceManager, FailsWithoutTheKeyOrTheProgram)
{
    StopDriver();
    struct Case { const wchar_t *dll; const char *why; } cases[] = {
        {nullptr, "no device key"},
        {L"", "empty Dll"},
        {L"no_such_driver.exe", "program missing from the Windows folder"},
        {L"C:\\windows\\no_such_driver.exe", "program missing at its path"},
        {L"C:\\windows", "a folder"},
        {L"ctlpnl.exe", "a program that serves no device and ends"},
    };
    for (const Case &c : cases) {
        SetDll(c.dll);
        EXPECT_EQ(NULL, ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, (LPVOID)DRIVER_CLASS_KEY)) << c.why;
        EXPECT_FALSE(DeviceOpens()) << c.why;
    }
    // Dll of the wrong type.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY);
    DWORD number = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, L"Dll", REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(NULL, ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, NULL));
    // The profile's key with the program taken away, even while a driver runs.
    RestoreDll();
    for (bool running : {false, true}) {
        if (running) {
            ASSERT_TRUE(StartDriver());
        }
        ASSERT_TRUE(MoveFileW(InstalledDriver, L"C:\\windows\\hid_driver.away"));
        EXPECT_EQ(NULL, ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, (LPVOID)DRIVER_CLASS_KEY)) << running;
        ASSERT_TRUE(MoveFileW(L"C:\\windows\\hid_driver.away", InstalledDriver));
        EXPECT_EQ(running, DeviceOpens());
    }
    StopDriver();
}

TEST(DeviceManager, StartsTheDriverOnceAndItsDeviceOpensAfter)
{
    // The Dll value in each form the device manager takes.
    const wchar_t *forms[] = {L"hid_driver.exe", InstalledDriver, L"\\windows\\hid_driver.exe"};
    for (const wchar_t *dll : forms) {
        StopDriver();
        SetDll(dll);
        HANDLE before = OpenDevice();
        EXPECT_EQ(INVALID_HANDLE_VALUE, before);
        EXPECT_EQ((DWORD)ERROR_DEV_NOT_EXIST, GetLastError());

        HANDLE driver = ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, (LPVOID)DRIVER_CLASS_KEY);
        ASSERT_NE(HANDLE(NULL), driver) << Utf8(dll);
        HANDLE device = OpenDevice();
        ASSERT_NE(INVALID_HANDLE_VALUE, device) << Utf8(dll);
        EXPECT_TRUE(CloseHandle(device));

        // The handle is the driver's process, and a second start finds it running.
        EXPECT_EQ(DriverProcessId(), GetProcessId(driver));
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(driver, 0));
        HANDLE again = ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, (LPVOID)DRIVER_CLASS_KEY);
        ASSERT_NE(HANDLE(NULL), again);
        EXPECT_EQ(GetProcessId(driver), GetProcessId(again));
        CloseHandle(again);
        CloseHandle(driver);
    }
    RestoreDll();
}

TEST(DeviceManager, TwoStartsAtOnceGiveOneDriver)
{
    for (int round = 0; round < 3; round++) {
        StopDriver();
        HANDLE devices[2] = {};
        HANDLE starters[2];
        for (HANDLE &device : devices)
            starters[&device - devices] = CreateThread(NULL, 0, [](LPVOID p) -> DWORD {
                *(HANDLE *)p = ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, (LPVOID)DRIVER_CLASS_KEY);
                return GetLastError();
            }, &device, 0, NULL);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, starters, TRUE, 30000));
        DWORD errors[2] = {};
        GetExitCodeThread(starters[0], &errors[0]);
        GetExitCodeThread(starters[1], &errors[1]);
        ASSERT_TRUE(devices[0] && devices[1]) << round << " errors " << errors[0] << " " << errors[1];
        EXPECT_EQ(GetProcessId(devices[0]), GetProcessId(devices[1])) << round;
        EXPECT_TRUE(WaitFor([] { return RunningDrivers() == 1; })) << RunningDrivers();
        for (int i = 0; i < 2; i++) {
            CloseHandle(starters[i]);
            CloseHandle(devices[i]);
        }
    }
}

// A copy of the driver that loses the race to start ends at once; the device of the copy that won
// may come later, within the grace. Seen on a clock that reads the same millisecond throughout:
// the moment the loser ended must not read as long ago.
TEST(DeviceManager, AStartWhoseCopyEndedWaitsForTheWinnersDeviceWithinTheSameMillisecond)
{
    StopDriver();
    SetDll(L"ctlpnl.exe"); // ends at once, serving no device: the copy that lost
    static DWORD frozenSince;
    static std::atomic<int> reads;
    frozenSince = GetTickCount();
    reads = 0;
    // Held still long enough for the whole start; then it runs on, so a fault cannot hang here.
    PpcDeviceManagerClock = []() -> DWORD {
        reads++;
        DWORD real = GetTickCount() - frozenSince;
        return real < 8000 ? 0x10000 : 0x10000 + real;
    };
    HANDLE winner = NULL;
    std::thread other([&] {
        // The winner's device comes once the loser has ended and the device manager has gone
        // round its wait since, so that it has seen the end.
        WaitFor([] { return RunningPrograms(L"ctlpnl.exe") == 0 && reads > 0; });
        int seen = reads;
        WaitFor([&] { return reads >= seen + 3; });
        STARTUPINFOW si = {sizeof(si)};
        PROCESS_INFORMATION pi = {};
        WCHAR line[] = L"C:\\windows\\hid_driver.exe";
        if (CreateProcessW(InstalledDriver, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
            CloseHandle(pi.hThread);
            winner = pi.hProcess;
        }
    });
    DWORD began = GetTickCount();
    HANDLE driver = ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, (LPVOID)DRIVER_CLASS_KEY);
    DWORD error = GetLastError(), took = GetTickCount() - began;
    other.join();
    PpcDeviceManagerClock = GetTickCount;
    ASSERT_NE(HANDLE(NULL), winner) << "the winning copy did not start";
    EXPECT_NE(HANDLE(NULL), driver) << "gave up after " << took << " ms and " << reads << " clock reads, error "
                                    << error;
    if (driver) {
        EXPECT_EQ(GetProcessId(winner), GetProcessId(driver));
        CloseHandle(driver);
    }
    CloseHandle(winner);
    StopDriver();
    RestoreDll();
}

TEST(StreamDevice, OtherNamesAndHandlesAreTheSystems)
{
    // A file opens as a file, whatever the stand-in does for the device.
    HANDLE file = CreateFileW(L"C:\\stream-device-test.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "abc", 3, &written, NULL));
    CloseHandle(file);
    EXPECT_EQ("abc", ReadText(L"C:\\stream-device-test.txt"));
    DeleteFileW(L"C:\\stream-device-test.txt");

    // Another pipe is not the device: its control calls are the system's.
    HANDLE server = ::CreateNamedPipeW(L"\\\\.\\pipe\\not-the-device", PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 64, 64,
                                       0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, server);
    HANDLE client = CreateFileW(L"\\\\.\\pipe\\not-the-device", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                                0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, client);
    EXPECT_TRUE(WriteFile(server, "xyz", 3, &written, NULL));
    PipePeekAnswer peek = {};
    DWORD returned = 0;
    EXPECT_TRUE(DeviceIoControl(client, PipePeek, NULL, 0, &peek, sizeof(peek), &returned, NULL));
    EXPECT_EQ(3u, peek.readDataAvailable);
    CloseHandle(client);
    CloseHandle(server);
}

TEST(StreamDevice, ControlCode15NamesTheReceivingThread)
{
    ASSERT_TRUE(StartDriver());
    // The device's name as the handheld takes it, in any case.
    HANDLE lower = OpenDevice(L"bhi0:");
    ASSERT_NE(INVALID_HANDLE_VALUE, lower);
    CloseHandle(lower);

    Receiver first, second;
    // The thread handle travels in place of the input pointer.
    HANDLE device = OpenDevice();
    ASSERT_NE(INVALID_HANDLE_VALUE, device);
    EXPECT_TRUE(DeviceIoControl(device, DRIVER_IOCTL_SET_THREAD, (LPVOID)first.Handle(), 4, NULL, 0, NULL, NULL));
    // Any handle of a thread will do, even one that may only ask about it.
    HANDLE copy = NULL;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), second.Handle(), GetCurrentProcess(), &copy,
                                THREAD_QUERY_INFORMATION, FALSE, 0));
    EXPECT_TRUE(CloseHandle(device));

    std::vector<DriverMessage> want = {{'C', 1, 0}, {'D', 0x03020004, 0x2}, {'C', 0, 0}};
    EXPECT_EQ(Describe(want), Describe(MessagesOfOneReport(first)));

    // The last thread named is the one that receives.
    ASSERT_TRUE(NameReceiver(copy));
    CloseHandle(copy);
    EXPECT_EQ(Describe(want), Describe(MessagesOfOneReport(second)));
    EXPECT_EQ(3u, first.Count());
}

TEST(StreamDevice, RefusedControlCallsLeaveTheReceiver)
{
    ASSERT_TRUE(StartDriver());
    Receiver receiver;
    ASSERT_TRUE(NameReceiver(receiver.Handle()));

    HANDLE ended = CreateThread(NULL, 0, [](LPVOID) -> DWORD { return 0; }, NULL, 0, NULL);
    WaitForSingleObject(ended, 5000);
    HANDLE event = CreateEventW(NULL, FALSE, FALSE, NULL);
    struct Case { DWORD code; LPVOID in; DWORD size; DWORD error; const char *why; } cases[] = {
        {14, (LPVOID)receiver.Handle(), 4, ERROR_NOT_SUPPORTED, "unknown code"},
        {16, NULL, 0, ERROR_NOT_SUPPORTED, "unknown code"},
        {0xFFFFFFFF, NULL, 0, ERROR_NOT_SUPPORTED, "unknown code"},
        {15, (LPVOID)receiver.Handle(), 8, ERROR_INVALID_PARAMETER, "wrong input size"},
        {15, NULL, 4, ERROR_INVALID_PARAMETER, "no handle"},
        {15, (LPVOID)event, 4, ERROR_INVALID_PARAMETER, "not a thread"},
        {15, (LPVOID)(UINT_PTR)0x12345678, 4, ERROR_INVALID_PARAMETER, "no handle at all"},
        {15, (LPVOID)ended, 4, ERROR_INVALID_PARAMETER, "a thread that has ended"},
    };
    // One connection carries every call; the device answers each and stays usable.
    HANDLE device = OpenDevice();
    ASSERT_NE(INVALID_HANDLE_VALUE, device);
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_FALSE(DeviceIoControl(device, c.code, c.in, c.size, NULL, 0, NULL, NULL)) << c.why;
        EXPECT_EQ(c.error, GetLastError()) << c.why << " " << c.code;
    }
    CloseHandle(device);
    CloseHandle(event);
    CloseHandle(ended);

    std::vector<DriverMessage> want = {{'C', 1, 0}, {'D', 0x03020004, 0x2}, {'C', 0, 0}};
    EXPECT_EQ(Describe(want), Describe(MessagesOfOneReport(receiver)));
}

TEST(StreamDevice, ManyCallersOneAfterAnotherAndAtOnce)
{
    ASSERT_TRUE(StartDriver());
    Receiver receiver;
    for (int i = 0; i < 40; i++) {
        DWORD error = 0;
        ASSERT_TRUE(NameReceiver(receiver.Handle(), &error)) << "call " << i << " error " << error;
    }
    // More open handles than the device serves at once: each caller gets its turn.
    const int n = 6;
    HANDLE threads[n];
    LONG failures = 0;
    struct Job { HANDLE thread; LONG *failures; } job = {receiver.Handle(), &failures};
    for (HANDLE &t : threads)
        t = CreateThread(NULL, 0, [](LPVOID p) -> DWORD {
            Job *job = (Job *)p;
            for (int i = 0; i < 10; i++)
                if (!NameReceiver(job->thread))
                    InterlockedIncrement(job->failures);
            return 0;
        }, &job, 0, NULL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(n, threads, TRUE, 60000));
    for (HANDLE t : threads)
        CloseHandle(t);
    EXPECT_EQ(0, failures);
}

TEST(StreamDevice, ADriverThatWentAwayFailsTheCallSafely)
{
    ASSERT_TRUE(StartDriver());
    Receiver receiver;
    HANDLE device = OpenDevice();
    ASSERT_NE(INVALID_HANDLE_VALUE, device);
    StopDriver();
    EXPECT_FALSE(DeviceIoControl(device, DRIVER_IOCTL_SET_THREAD, (LPVOID)receiver.Handle(), 4, NULL, 0, NULL, NULL));
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenDevice());
    EXPECT_FALSE(NameReceiver(receiver.Handle()));
}
