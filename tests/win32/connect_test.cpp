// The connection procedure on a handheld of its own: the radio, the paired devices and the HID
// driver stand-in as the handheld has them, message boxes found and answered as a person would.
// Every case starts from the profile's handheld (radio on, the mouse paired, no driver running)
// and from a process that has kept no mouse, so that each stands alone.
#include "utils/log.h"
#include "link/bt_records.h"
#include "link/connect.h"
#include "platform/driver_contract.h"
#include "tests/support/driver_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace wt;

namespace {

const wchar_t HidKey[] = L"software\\microsoft\\bluetooth\\device\\HID";
const wchar_t MouseKey[] = L"software\\microsoft\\bluetooth\\device\\HID\\0012a1b2c3d4";
const wchar_t RadioKey[] = L"Software\\Handheld\\Bluetooth";

// The radio wait's half seconds are counted instead of waited; a case may act at a pause.
std::vector<DWORD> Pauses;
std::function<void(size_t pause)> AtPause;
void WINAPI RecordPause(DWORD ms)
{
    Pauses.push_back(ms);
    if (AtPause)
        AtPause(Pauses.size());
}

void SetRadio(const DWORD *mode)
{
    if (mode)
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, RadioKey, L"Mode", REG_DWORD, mode, sizeof(DWORD));
    else
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, RadioKey, L"Mode");
}

void SetDword(const wchar_t *key, const wchar_t *name, DWORD value)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &value, sizeof(value));
}

void SetText(const wchar_t *key, const wchar_t *name, const wchar_t *text)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_SZ, text, (DWORD)((wcslen(text) + 1) * sizeof(wchar_t)));
}

// The handles this process holds, found by asking for each possible value.
size_t OpenHandles()
{
    size_t n = 0;
    DWORD flags;
    for (UINT_PTR value = 4; value < 0x10000; value += 4)
        n += GetHandleInformation((HANDLE)value, &flags) != FALSE;
    return n;
}

class Connect : public ::testing::Test {
protected:
    Receiver cursorThread;
    void SetUp() override
    {
        // The profile's handheld.
        DWORD on = 1;
        SetRadio(&on);
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, RadioKey, L"QueryError");
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, HidKey);
        SetText(MouseKey, L"name", L"Bluetooth Mouse");
        SetDword(MouseKey, L"active", 1);
        SetDword(MouseKey, L"hid_subclass", 0x80);
        SetText(MouseKey, L"service_id", L"{00001124-0000-1000-8000-00805F9B34FB}");
        SetDword(MouseKey, L"auth", 1);
        SetDword(MouseKey, L"encrypt", 1);
        SetText(DRIVER_INSTANCE_KEY, L"Dll", L"hid_driver.exe");
        StopDriver();
        // No mouse kept by a case before.
        BtRelease(BtMouseRecord);
        BtMouseRecord = nullptr;
        BtMouseFound = false;

        StartFreshLog(true);
        LogEnabled = true;
        RemoveFile(L"\\handheld-events.txt");
        Pauses.clear();
        AtPause = nullptr;
        PpcSeams.Pause = RecordPause;
    }
    void TearDown() override
    {
        PpcSeams = PpcSystemSeams;
        AtPause = nullptr;
        LogEnabled = false;
    }
    int Run(int interactive, HANDLE thread = NULL)
    {
        return SAC_Mouse(NULL, thread ? thread : cursorThread.Handle(), interactive);
    }
    std::string Opening(int interactive)
    {
        char line[80];
        snprintf(line, sizeof(line), "SAC_Mouse(0,%X,%d)", (unsigned)(UINT_PTR)cursorThread.Handle(), interactive);
        return line;
    }
};

} // namespace

TEST_F(Connect, RadioOffWaitsHalfAMinuteOfQueriesUnlessSomeoneWatches)
{
    DWORD off = 0;
    SetRadio(&off);
    EXPECT_EQ(-2, Run(0));
    std::vector<std::string> want = {Opening(0)};
    for (int i = 29; i >= 0; i--)
        want.push_back("BT STATUS retry: " + std::to_string(i));
    want.push_back("BT OFF");
    EXPECT_EQ(want, LogMessages());
    EXPECT_EQ(std::vector<DWORD>(30, 500), Pauses);
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", NULL)) << "no box unless someone watches";

    StartFreshLog(true);
    Pauses.clear();
    BoxAnswerer answer(L"Bluetooth", IDOK);
    EXPECT_EQ(-2, Run(1));
    const Box &box = answer.Seen();
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(L"Bluetooth is turned off. Please turn Bluetooth on before using Quillmark", box.text);
    EXPECT_TRUE(box.ok && !box.cancel && box.icon);
    EXPECT_EQ((std::vector<std::string>{Opening(1), "BT STATUS retry: 29", "BT OFF"}), LogMessages());
    EXPECT_EQ(std::vector<DWORD>{500}, Pauses);
}

TEST_F(Connect, TheWaitEndsWhenTheRadioComesOn)
{
    // The radio comes on during the third pause.
    DWORD off = 0;
    SetRadio(&off);
    AtPause = [](size_t pause) {
        if (pause == 3) {
            DWORD on = 2;
            SetRadio(&on);
        }
    };
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, HidKey); // stop after the radio
    EXPECT_EQ(-3, Run(0));
    EXPECT_EQ((std::vector<std::string>{Opening(0), "BT STATUS retry: 29", "BT STATUS retry: 28",
                                        "BT STATUS retry: 27", "BT ON", "SAC_Mouse::error::no BT mouse"}),
              LogMessages());
}

TEST_F(Connect, AFailedRadioQueryIsOffWhateverModeItReports)
{
    struct Case { const char *what; bool modeStored; std::vector<std::string> queries; } cases[] = {
        // No mode at all: the query fails and the wait goes on to its end.
        {"no radio state", false, {}},
        // A mode and an error at once: the mode ends the wait, the error makes it off.
        {"on, yet the query fails", true, {"BT STATUS retry: 29"}},
    };
    for (Case &c : cases) {
        StartFreshLog(true);
        DWORD on = 1;
        SetRadio(c.modeStored ? &on : nullptr);
        SetDword(RadioKey, L"QueryError", ERROR_GEN_FAILURE);
        if (!c.modeStored) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, RadioKey, L"QueryError");
            for (int i = 29; i >= 0; i--)
                c.queries.push_back("BT STATUS retry: " + std::to_string(i));
        }
        EXPECT_EQ(-2, Run(0)) << c.what;
        std::vector<std::string> want = {Opening(0)};
        want.insert(want.end(), c.queries.begin(), c.queries.end());
        want.push_back("BT OFF");
        EXPECT_EQ(want, LogMessages()) << c.what;
    }
}

TEST_F(Connect, ARunningDriverHearsOfTheThreadBeforeTheRadioWait)
{
    // The driver runs with the link up; the radio is off, so the procedure ends at the radio.
    HANDLE driver = StartDriver();
    ASSERT_TRUE(driver);
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    DWORD off = 0;
    SetRadio(&off);
    static bool heardBeforeTheWait;
    static Receiver *receiver;
    heardBeforeTheWait = false;
    receiver = &cursorThread;
    AtPause = [](size_t pause) {
        if (pause == 1)
            heardBeforeTheWait = receiver->WaitForCount(1, 5000);
    };
    EXPECT_EQ(-2, Run(0));
    EXPECT_TRUE(heardBeforeTheWait) << "the driver was not told the thread before the radio wait";
    ASSERT_EQ(1u, cursorThread.Count());
    EXPECT_EQ((DriverMessage{'C', 1, 0}), cursorThread.Messages()[0]);
    CloseHandle(feed);
    CloseHandle(driver);
}

TEST_F(Connect, NoMouseOffersTheBluetoothSettings)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, HidKey);
    struct Case { int button; bool opened; } cases[] = {{IDCANCEL, false}, {IDOK, true}};
    for (const Case &c : cases) {
        StartFreshLog(true);
        RemoveFile(L"\\handheld-events.txt");
        BoxAnswerer answer(L"Mouse not found", c.button);
        EXPECT_EQ(-3, Run(1));
        const Box &box = answer.Seen();
        ASSERT_TRUE(box.seen);
        EXPECT_EQ(L"Bluetooth Mouse is not configured. Please use Bluetooth control panel to pair to Mouse\n"
                  L"(use Input Device profile)",
                  box.text);
        EXPECT_TRUE(box.ok && box.cancel && box.icon);
        std::vector<std::string> want = {Opening(1), "BT STATUS retry: 29", "BT ON", "SAC_Mouse::error::no BT mouse"};
        if (c.opened)
            want.push_back("User opens BT dev list");
        EXPECT_EQ(want, LogMessages());
        if (c.opened) {
            std::vector<std::string> events = WaitForEvents(1);
            ASSERT_EQ(1u, events.size());
            EXPECT_NE(std::string::npos, events[0].find("ctlpnl.exe")) << events[0];
            EXPECT_NE(std::string::npos, events[0].find(" cplmain.cpl,23,1")) << events[0];
        } else {
            Sleep(500);
            EXPECT_FALSE(FileExists(L"\\handheld-events.txt")) << "Cancel starts nothing";
        }
    }
    EXPECT_FALSE(BtMouseFound);
}

TEST_F(Connect, ADriverThatDoesNotStartIsReported)
{
    SetText(MouseKey, L"port_name", L"BTM0:");
    SetDword(MouseKey, L"encrypt", 0);
    struct Case { const char *what; int interactive; } cases[] = {{"no driver key", 1}, {"no driver program", 0}};
    for (const Case &c : cases) {
        StartFreshLog(true);
        if (c.interactive)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY);
        else
            SetText(DRIVER_INSTANCE_KEY, L"Dll", L"no_driver.exe");
        std::unique_ptr<BoxAnswerer> answer(c.interactive ? new BoxAnswerer(L"Unable to connect", IDOK) : nullptr);
        EXPECT_EQ(-4, Run(c.interactive)) << c.what;
        if (answer) {
            const Box &box = answer->Seen();
            ASSERT_TRUE(box.seen);
            EXPECT_EQ(L"Unable to connect to Mouse. Please check if the mouse if paired (or) Try to pair it again.",
                      box.text);
            EXPECT_TRUE(box.ok && !box.cancel && box.icon);
        }
        std::vector<std::string> log = LogMessages();
        ASSERT_EQ(5u, log.size()) << c.what;
        EXPECT_EQ("Start::dev found [0012a1b2c3d4] name[Bluetooth Mouse] portname[BTM0:]\n"
                  "active=1 auth=1 encr=0 trusted=1",
                  log[3]);
        EXPECT_EQ("SAC_Mouse::error::connect to 0012a1b2c3d4", log[4]);
        ASSERT_TRUE(BtMouseFound);
        EXPECT_EQ(nullptr, BtMouseRecord->handle) << "the failed start is what the record keeps";
    }
}

TEST_F(Connect, ADriverThatCannotBeToldTheThreadIsReported)
{
    // A driver that took its start but takes no further calls (its one device instance stays
    // busy with the caller before; it appears at the first pause, after the opening
    // notification found no device), and a driver that refuses the thread: a thread that has
    // ended, as the cursor thread's handle would be if the thread could not run.
    static HANDLE hung;
    hung = INVALID_HANDLE_VALUE;
    HANDLE ended = CreateThread(NULL, 0, [](LPVOID) -> DWORD { return 0; }, NULL, 0, NULL);
    WaitForSingleObject(ended, 10000);
    struct Case { const char *what; bool hangs; HANDLE thread; } cases[] = {
        {"a driver that no longer answers", true, NULL},
        {"a driver that refuses the thread", false, ended},
    };
    for (const Case &c : cases) {
        StartFreshLog(true);
        StopDriver();
        AtPause = c.hangs ? [](size_t) {
            if (hung == INVALID_HANDLE_VALUE)
                hung = CreateNamedPipeW(L"\\\\.\\pipe\\BHI0", PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE, 1, 64, 64, 0,
                                        NULL);
        } : std::function<void(size_t)>();
        BoxAnswerer answer(L"HID error", IDOK);
        EXPECT_EQ(-5, Run(1, c.thread)) << c.what;
        const Box &box = answer.Seen();
        ASSERT_TRUE(box.seen) << c.what;
        EXPECT_EQ(L"Unable to find HID Driver. Please Reinstall Quillmark!", box.text);
        EXPECT_TRUE(box.ok && !box.cancel && box.icon);
        EXPECT_EQ("SAC_Mouse::error::HID driver not found / IO error", LogMessages().back()) << c.what;
        if (c.hangs)
            CloseHandle(hung);
    }
    CloseHandle(ended);
}

TEST_F(Connect, SuccessNamesTheCursorThreadAndPausesLast)
{
    // At the last pause the driver must already post to our thread: a feed that connects then
    // brings its link-up message to us.
    static HANDLE feed;
    static bool heardAtTheLastPause;
    static Receiver *receiver;
    feed = INVALID_HANDLE_VALUE;
    heardAtTheLastPause = false;
    receiver = &cursorThread;
    AtPause = [](size_t pause) {
        if (pause == 2) {
            feed = OpenFeed(5000);
            heardAtTheLastPause = receiver->WaitForCount(1, 5000);
        }
    };
    EXPECT_EQ(1, Run(0));
    EXPECT_EQ((std::vector<DWORD>{500, 500}), Pauses) << "the radio's query, then the final pause";
    EXPECT_TRUE(heardAtTheLastPause) << "the final pause came before the driver was told the thread";
    std::vector<std::string> log = LogMessages();
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ(Opening(0), log[0]);
    EXPECT_EQ("BT ON", log[2]);
    ASSERT_TRUE(BtMouseFound);
    EXPECT_NE(nullptr, BtMouseRecord->handle) << "the driver's handle";
    EXPECT_NE(0u, DriverProcessId());
    ASSERT_TRUE(cursorThread.WaitForCount(1));
    EXPECT_EQ((DriverMessage{'C', 1, 0}), cursorThread.Messages()[0]);
    CloseHandle(feed);
}

TEST_F(Connect, TheMouseFoundBeforeIsUsedWhenTheWalkFindsNone)
{
    ASSERT_EQ(1, Run(0));
    // Unpaired since the last connection: the earlier record still starts the driver.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, HidKey);
    StartFreshLog(true);
    EXPECT_EQ(1, Run(1));
    std::vector<std::string> log = LogMessages();
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ(0u, log[3].find("Start::dev found [0012a1b2c3d4] name[Bluetooth Mouse]")) << log[3];
}

TEST_F(Connect, EachConnectReleasesTheDriverHandleOfTheOneBefore)
{
    ASSERT_EQ(1, Run(0));
    size_t held = OpenHandles(); // the running connection's handle among them
    for (int i = 0; i < 3; i++)
        ASSERT_EQ(1, Run(1)) << "connect " << i;
    EXPECT_EQ(held, OpenHandles()) << "handles kept by three more connects";
    DWORD flags;
    EXPECT_TRUE(GetHandleInformation(BtMouseRecord->handle, &flags)) << "the last connection's handle is kept";
}
