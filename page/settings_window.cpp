#include "page/settings_window.h"
#include "utils/app_paths.h"
#include "utils/display.h"
#include "utils/log.h"
#include "utils/tray_icon.h"
#include "pickers/pickers.h"
#include "pointer/actions.h"
#include "settings/settings_store.h"

int SelectedButton;

static HWND ButtonList, CursorList, ActionList, SpeedList;

// Selects entry n, or none when n is not one of the list's count entries: a stored value outside
// the list shows as no selection and is not repaired.
static void SelectEntry(HWND list, LONG n, LONG count)
{
    SendMessageW(list, CB_SETCURSEL, n >= 0 && n < count ? (WPARAM)n : (WPARAM)-1, 0);
}

static void AddNames(HWND list, const char16_t *const *names, size_t count)
{
    for (size_t i = 0; i < count; i++)
        SendMessageW(list, CB_ADDSTRING, 0, (LPARAM)names[i]);
}

int CreateSettingsControls(AppObject *app)
{
    HWND checkBox = NULL;
    for (size_t i = 0; i < PageControlCount; i++) {
        const PageControl &c = PageControls[i];
        HWND control = CreateWindowExW(0, (const WCHAR *)c.className, (const WCHAR *)c.text, c.style, DRAX(c.x),
                                       DRAY(c.y), DRAX(c.width), DRAY(c.height), app->hwndMain,
                                       (HMENU)(INT_PTR)c.id, app->hInstance, NULL);
        if (c.raised)
            BringWindowToTop(control); // above the group boxes, which would otherwise cover it
        switch (c.id) {
        case IDC_SHOW_TRAY_ICON: checkBox = control; break;
        case IDC_BUTTON_LIST: ButtonList = control; break;
        case IDC_CURSOR_LIST: CursorList = control; break;
        case IDC_ACTION_LIST: ActionList = control; break;
        case IDC_SPEED_LIST: SpeedList = control; break;
        }
    }

    for (LONG i = 0; i < ButtonNameCount; i++)
        SendMessageW(ButtonList, CB_ADDSTRING, 0, (LPARAM)ButtonNames[i]);
    AddNames(CursorList, CursorNames, CursorNameCount);
    for (LONG i = 0; i < ActionNameCount; i++)
        SendMessageW(ActionList, CB_ADDSTRING, 0, (LPARAM)ActionNames[i]);

    LoadButtonSlots();
    SelectedButton = 0;
    SelectEntry(ButtonList, SelectedButton, ButtonNameCount);
    SelectEntry(ActionList, SettingTable[SelectedButton + 1].NumVal, ActionNameCount);

    AddNames(SpeedList, SpeedNames, SpeedNameCount);
    LoadNumberSlot(SLOT_SPEED);
    SelectEntry(SpeedList, SettingTable[SLOT_SPEED].NumVal, (LONG)SpeedNameCount);

    LoadNumberSlot(SLOT_TRAY_ICON);
    bool trayIcon = SettingTable[SLOT_TRAY_ICON].NumVal != 0; // -1, a damaged value, counts as on
    SendMessageW(checkBox, BM_SETCHECK, trayIcon ? BST_CHECKED : BST_UNCHECKED, 0);
    if (trayIcon)
        TrayAdd(app->hwndMain, TRAY_ICON_ID, app->hIcon);

    LoadNumberSlot(SLOT_CURSOR);
    SelectEntry(CursorList, SettingTable[SLOT_CURSOR].NumVal, (LONG)CursorNameCount);
    return 1;
}

void SettingsCommand(HWND window, int id, int notification)
{
    if (id == IDC_SHOW_TRAY_ICON) {
        LRESULT state = SendMessageW(GetDlgItem(window, IDC_SHOW_TRAY_ICON), BM_GETCHECK, 0, 0);
        UserGUISettingsChange(SLOT_TRAY_ICON, state == BST_CHECKED ? 1 : 0);
        return;
    }
    HWND list = id == IDC_BUTTON_LIST   ? ButtonList
                : id == IDC_CURSOR_LIST ? CursorList
                : id == IDC_ACTION_LIST ? ActionList
                : id == IDC_SPEED_LIST  ? SpeedList
                                        : NULL;
    if (!list || notification != CBN_SELENDOK)
        return;
    LONG selection = (LONG)SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR)
        return; // nothing chosen, nothing to apply

    switch (id) {
    case IDC_BUTTON_LIST:
        if (selection != SelectedButton && selection < ButtonNameCount) {
            SelectedButton = selection;
            SelectEntry(ActionList, SettingTable[SelectedButton + 1].NumVal, ActionNameCount);
        }
        break;
    case IDC_ACTION_LIST:
        if (selection != SettingTable[SelectedButton + 1].NumVal)
            UserGUISettingsChange(SelectedButton + 1, selection);
        break;
    case IDC_CURSOR_LIST:
        if (selection != SettingTable[SLOT_CURSOR].NumVal)
            UserGUISettingsChange(SLOT_CURSOR, selection);
        break;
    case IDC_SPEED_LIST:
        if (selection != SettingTable[SLOT_SPEED].NumVal)
            UserGUISettingsChange(SLOT_SPEED, selection);
        break;
    }
}

// Asks the picker of "Open Program" or "Open Applet" for the slot's strings, into choice and
// typed. False when the user cancelled or the picker's result does not fit the slot (the user is
// told): then nothing changes.
static bool PickStrings(LONG action, WCHAR choice[PICKER_TEXT_CHARS], WCHAR typed[PICKER_TEXT_CHARS])
{
    if (action == ACTION_OPEN_PROGRAM)
        ShowFileBrowser(AppInstance, MainWindow, L"Add Shortcut or Program", L"exe.|knl.", choice, typed,
                        AppPath(AppDir, L"Images", L"imgBrowseShortcuts.jpg"));
    else
        ShowAppletBrowser(AppInstance, MainWindow, L"Add Applet", L"lpc.", choice, typed,
                          AppPath(AppDir, L"Images", L"imgBrowseApplets.jpg"));
    if (!choice[0])
        return false;
    if (!FitsSettingText((const char16_t *)choice, PICKER_TEXT_CHARS, SETTING_TEXT_CHARS) ||
        !FitsSettingText((const char16_t *)typed, PICKER_TEXT_CHARS, SETTING_TEXT_CHARS)) {
        LogPrintf(L"UserGUISettingsChange::error::choice too long");
        MessageBoxW(MainWindow, TOO_LONG_TEXT, TOO_LONG_TITLE, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void UserGUISettingsChange(int slot, LONG value)
{
    if (slot < SLOT_LEFT_BUTTON || slot >= SETTING_SLOT_COUNT)
        return;
    if (slot == SLOT_TRAY_ICON) {
        if (value == 1)
            TrayAdd(MainWindow, TRAY_ICON_ID, MyInterface.hIcon);
        else
            TrayDelete(MainWindow, TRAY_ICON_ID);
    }
    LogPrintf(L"UserGUISettingsChange %d %d", slot, value);

    SettingSlot &s = SettingTable[slot];
    if (slot <= SLOT_WHEEL_DOWN && (value == ACTION_OPEN_PROGRAM || value == ACTION_OPEN_APPLET)) {
        WCHAR choice[PICKER_TEXT_CHARS] = {0}, typed[PICKER_TEXT_CHARS] = {0};
        if (!PickStrings(value, choice, typed))
            return;
        // The cursor thread reads the slot without a lock, the number first and then the strings.
        // The old action goes first (-1 runs nothing), so that the strings never change under an
        // action that would read them another way: a program's path run as an applet reference.
        InterlockedExchange(&s.NumVal, -1);
        wcscpy(s.Param, choice);
        wcscpy(s.Param2, typed);
        LogPrintf(value == ACTION_OPEN_PROGRAM ? L"BrowseF:[%s][%s]" : L"BrowseA:[%s][%s]", s.Param2, s.Param);
    }
    // The strings are in place before the number that uses them, and the number is one aligned
    // store.
    InterlockedExchange(&s.NumVal, value);
    SaveSlot(slot, value, s.Param, s.Param2);
}
