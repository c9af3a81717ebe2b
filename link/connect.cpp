#include "link/connect.h"
#include "utils/launch.h"
#include "utils/log.h"
#include "link/bt_records.h"
#include "platform/driver_contract.h"

#define RADIO_QUERIES 30
#define RADIO_QUERY_PAUSE_MS 500
#define SETTLE_PAUSE_MS 500
#define BOX_FLAGS (MB_OK | MB_ICONINFORMATION | MB_TOPMOST)

// The driver's handle from the last start; the record's handle field may also hold the stack's
// own value, which is not ours to release.
static HANDLE StartedDriver;

// Tells the driver which thread receives its messages. The handle value itself travels in the
// place of the input buffer, as the driver expects. 0 when the device cannot be opened or the
// driver refuses the thread.
static int NotifyDriver(HANDLE cursorThread)
{
    HANDLE device = CreateFileW(DRIVER_DEVICE_NAME, 0, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (device == INVALID_HANDLE_VALUE)
        return 0;
    BOOL told = DeviceIoControl(device, DRIVER_IOCTL_SET_THREAD, (LPVOID)cursorThread, 4, NULL, 0, NULL, NULL);
    CloseHandle(device);
    return told ? 1 : 0;
}

int StartHidDriver(BtDeviceRecord *record)
{
    HANDLE driver = ActivateDeviceEx(DRIVER_INSTANCE_KEY, NULL, 0, (LPVOID)DRIVER_CLASS_KEY);
    // Each Connect starts the driver anew: the handle of the start before is done with.
    if (StartedDriver)
        CloseHandle(StartedDriver);
    StartedDriver = driver;
    record->handle = driver;
    return driver ? 1 : -1;
}

// A record's text as the log's wide strings; the record keeps 16-bit units of its own type.
static void CopyText(WCHAR *out, size_t outUnits, const char16_t *text)
{
    size_t i = 0;
    for (; i + 1 < outUnits && text[i]; i++)
        out[i] = (WCHAR)text[i];
    out[i] = 0;
}

int SAC_Mouse(HWND owner, HANDLE cursorThread, int interactive)
{
    NotifyDriver(cursorThread); // a driver already running hears of the thread at once
    LogPrintf(L"SAC_Mouse(%X,%X,%d)", (unsigned)(UINT_PTR)owner, (unsigned)(UINT_PTR)cursorThread, interactive);

    // Someone watching gets an answer at once; at start-up the radio may still be coming on.
    DWORD mode = 0;
    int counter = RADIO_QUERIES;
    DWORD query;
    do {
        Sleep(RADIO_QUERY_PAUSE_MS);
        query = BthGetMode(&mode);
        counter--;
        LogPrintf(L"BT STATUS retry: %d", counter);
    } while (mode == 0 && counter > 0 && !interactive);

    if (query != 0 || mode == 0) {
        LogPrintf(L"BT OFF");
        if (interactive)
            MessageBoxW(owner, L"Bluetooth is turned off. Please turn Bluetooth on before using Quillmark",
                        L"Bluetooth", BOX_FLAGS);
        return -2;
    }

    LogPrintf(L"BT ON");
    EnumBtDevices(0, FindMouse);
    if (!BtMouseFound) {
        LogPrintf(L"SAC_Mouse::error::no BT mouse");
        if (interactive &&
            MessageBoxW(owner,
                        L"Bluetooth Mouse is not configured. Please use Bluetooth control panel to pair to Mouse\n"
                        L"(use Input Device profile)",
                        L"Mouse not found", MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST) == IDOK) {
            LogPrintf(L"User opens BT dev list");
            OpenBluetoothSettings();
        }
        return -3;
    }

    BtDeviceRecord *mouse = BtMouseRecord;
    unsigned high = (unsigned)((mouse->address >> 32) & 0xFFFF), low = (unsigned)(mouse->address & 0xFFFFFFFF);
    WCHAR name[BT_NAME_UNITS], portName[BT_PORT_NAME_UNITS];
    CopyText(name, ARRAYSIZE(name), mouse->name);
    CopyText(portName, ARRAYSIZE(portName), mouse->port_name);
    LogPrintf(L"Start::dev found [%04x%08x] name[%s] portname[%s]\nactive=%d auth=%d encr=%d trusted=%d", high, low,
              name, portName, (mouse->flags & BT_FLAG_ACTIVE) != 0, (mouse->flags & BT_FLAG_AUTH) != 0,
              (mouse->flags & BT_FLAG_ENCRYPT) != 0, (mouse->flags & BT_FLAG_TRUSTED) != 0);

    if (StartHidDriver(mouse) != 1) {
        LogPrintf(L"SAC_Mouse::error::connect to %04x%08x", high, low);
        if (interactive)
            MessageBoxW(owner,
                        L"Unable to connect to Mouse. Please check if the mouse if paired (or) Try to pair it again.",
                        L"Unable to connect", BOX_FLAGS);
        return -4;
    }

    // A driver that cannot be told the thread would never post to it: as bad as no driver.
    if (!NotifyDriver(cursorThread)) {
        LogPrintf(L"SAC_Mouse::error::HID driver not found / IO error");
        if (interactive)
            MessageBoxW(owner, L"Unable to find HID Driver. Please Reinstall Quillmark!", L"HID error", BOX_FLAGS);
        return -5;
    }

    Sleep(SETTLE_PAUSE_MS);
    return 1;
}
