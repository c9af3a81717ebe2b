// The connection procedure on a handheld of its own: the radio, the paired devices and the HID
// driver stand-in as the handheld has them, message boxes found and answered as a person would.
// The tests run in file order: the found mouse is kept for the rest of the process, so the cases
// without a mouse come first.
#include "app/log.h"
#include "link/bt_records.h"
#include "link/connect.h"
#include "link/driver_contract.h"
#include "tests/support/driver_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace wt;

namespace {

const wchar_t MouseKey[] = L"software\\microsoft\\bluetooth\\device\\HID\\0012a1b2c3d4";

std::vector<DWORD> Pauses;
void WINAPI RecordPause(DWORD ms) { Pauses.push_back(ms); }

void SetRadio(const DWORD *mode)
{
    if (mode)
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Handheld\\Bluetooth", L"Mode", REG_DWORD, mode, sizeof(DWORD));
    else
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Handheld\\Bluetooth", L"Mode");
}

class Connect : public ::testing::Test {
protected:
    Receiver cursorThread;
    void SetUp() override
    {
        StartFreshLog(true);
        LogEnabled = true;
        RemoveFile(L"\\handheld-events.txt");
        Pauses.clear();
        PpcSeams.Pause = RecordPause; // the radio wait's half seconds, counted instead of waited
    }
    void TearDown() override
    {
        PpcSeams = PpcSystemSeams;
        LogEnabled = false;
        DWORD on = 1;
        SetRadio(&on);
    }
    int Run(int interactive) { return SAC_Mouse(NULL, cursorThread.Handle(), interactive); }
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

TEST_F(Connect, TheWaitEndsWhenTheRadioComesOnAndAFailedQueryIsOff)
{
    // The radio comes on during the third pause.
    DWORD off = 0;
    SetRadio(&off);
    PpcSeams.Pause = [](DWORD ms) {
        Pauses.push_back(ms);
        if (Pauses.size() == 3) {
            DWORD on = 2;
            SetRadio(&on);
        }
    };
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"software\\microsoft\\bluetooth\\device\\HID"); // stop after the radio
    EXPECT_EQ(-3, Run(0));
    std::vector<std::string> log = LogMessages();
    EXPECT_EQ((std::vector<std::string>{Opening(0), "BT STATUS retry: 29", "BT STATUS retry: 28",
                                        "BT STATUS retry: 27", "BT ON", "SAC_Mouse::error::no BT mouse"}),
              log);

    // No radio state at all: the query fails, whatever it leaves in the mode.
    StartFreshLog(true);
    SetRadio(nullptr);
    PpcSeams.Pause = RecordPause;
    EXPECT_EQ(-2, Run(0));
    EXPECT_EQ("BT OFF", LogMessages().back());
}

TEST_F(Connect, NoMouseOffersTheBluetoothSettings)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"software\\microsoft\\bluetooth\\device\\HID");
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
    // The paired mouse is back (the profile's own); the driver's key or program is not.
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, MouseKey, L"name", REG_SZ, L"Bluetooth Mouse", 32);
    DWORD one = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, MouseKey, L"active", REG_DWORD, &one, sizeof(one));
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, MouseKey, L"port_name", REG_SZ, L"BTM0:", 12);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, MouseKey, L"auth", REG_DWORD, &one, sizeof(one));
    DWORD none = 0;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, MouseKey, L"encrypt", REG_DWORD, &none, sizeof(none));
    StopDriver();

    struct Case { const char *what; int interactive; } cases[] = {{"no driver key", 1}, {"no driver program", 0}};
    for (const Case &c : cases) {
        StartFreshLog(true);
        if (c.interactive)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY);
        else
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, L"Dll", REG_SZ, L"no_driver.exe", 28);
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
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, DRIVER_INSTANCE_KEY, L"Dll", REG_SZ, L"hid_driver.exe", 30);
}

TEST_F(Connect, ADriverThatNoLongerAnswersIsReported)
{
    // A driver that took its start but takes no further calls: its one device instance stays
    // busy with the caller before. It answers from the first pause on, after the opening
    // notification found no device.
    StopDriver();
    static HANDLE hung;
    hung = INVALID_HANDLE_VALUE;
    PpcSeams.Pause = [](DWORD ms) {
        Pauses.push_back(ms);
        if (hung == INVALID_HANDLE_VALUE)
            hung = CreateNamedPipeW(L"\\\\.\\pipe\\BHI0", PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE, 1, 64, 64, 0, NULL);
    };
    BoxAnswerer answer(L"HID error", IDOK);
    EXPECT_EQ(-5, Run(1));
    const Box &box = answer.Seen();
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(L"Unable to find HID Driver. Please Reinstall Quillmark!", box.text);
    EXPECT_TRUE(box.ok && !box.cancel && box.icon);
    EXPECT_EQ("SAC_Mouse::error::HID driver not found / IO error", LogMessages().back());
    CloseHandle(hung);
}

TEST_F(Connect, SuccessNamesTheCursorThreadAndPausesLast)
{
    StopDriver();
    EXPECT_EQ(1, Run(0));
    EXPECT_EQ((std::vector<DWORD>{500, 500}), Pauses) << "the radio's query, then the final pause";
    std::vector<std::string> log = LogMessages();
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ(Opening(0), log[0]);
    EXPECT_EQ("BT ON", log[2]);
    ASSERT_TRUE(BtMouseFound);
    EXPECT_NE(nullptr, BtMouseRecord->handle) << "the driver's handle";
    EXPECT_NE(0u, DriverProcessId());

    // The driver now posts to our thread: a feed brings the link up.
    HANDLE feed = OpenFeed();
    ASSERT_NE(INVALID_HANDLE_VALUE, feed);
    ASSERT_TRUE(cursorThread.WaitForCount(1));
    EXPECT_EQ((DriverMessage{'C', 1, 0}), cursorThread.Messages()[0]);
    CloseHandle(feed);
}

TEST_F(Connect, TheMouseFoundBeforeIsUsedWhenTheWalkFindsNone)
{
    // Unpaired since the last connection: the earlier record still starts the driver.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"software\\microsoft\\bluetooth\\device\\HID");
    EXPECT_EQ(1, Run(1));
    std::vector<std::string> log = LogMessages();
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ(0u, log[3].find("Start::dev found [0012a1b2c3d4] name[Bluetooth Mouse]")) << log[3];
}
