// The settings store over the handheld's real registry, in a key made afresh for each test.
#include "settings/settings_store.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>

using namespace wt;

namespace {

const wchar_t Root[] = L"Software\\Dalvern\\Quillmark";

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root);
        ZeroMemory(SettingTable, sizeof(SettingTable));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root); }

    static void Put(const wchar_t *slotKey, const wchar_t *name, DWORD type, const void *data, DWORD size)
    {
        std::wstring path = std::wstring(Root) + L"\\" + slotKey;
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, type, data, size));
    }
    static void PutText(const wchar_t *slotKey, const wchar_t *name, const std::wstring &text, DWORD type = REG_SZ)
    {
        Put(slotKey, name, type, text.c_str(), (DWORD)((text.size() + 1) * sizeof(wchar_t)));
    }
    static void PutNumber(const wchar_t *slotKey, DWORD value) { Put(slotKey, L"NumVal", REG_DWORD, &value, 4); }

    static bool RootExists()
    {
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Root, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
};

struct Loaded {
    int result;
    LONG number = 12345;
    WCHAR param[SETTING_TEXT_CHARS + 1];
    WCHAR param2[SETTING_TEXT_CHARS + 1];
    explicit Loaded(int slot)
    {
        wmemset(param, L'#', ARRAYSIZE(param));
        wmemset(param2, L'#', ARRAYSIZE(param2));
        result = LoadSlot(slot, &number, param, param2);
    }
};

} // namespace

TEST_F(SettingsStore, AFirstRunUsesTheDefaultsAndWritesNothing)
{
    LoadSettings();
    LONG want[SETTING_SLOT_COUNT] = {0, 0, 1, 2, 3, 4, 2, 0, 0, 0};
    for (int slot = 1; slot < SETTING_SLOT_COUNT; slot++) {
        EXPECT_EQ(want[slot], SettingTable[slot].NumVal) << slot;
        EXPECT_STREQ(L"", SettingTable[slot].Param) << slot;
    }
    EXPECT_FALSE(RootExists());
}

TEST_F(SettingsStore, BadValuesReadAsEmptyOrMinusOne)
{
    std::wstring fits(254, L'p');
    struct Case {
        const char *what;
        std::function<void()> store;
        LONG number;
        std::wstring param;
    } cases[] = {
        {"a good slot", [] { PutText(L"1", L"Param", L"\\prog.exe"); PutNumber(L"1", 7); }, 7, L"\\prog.exe"},
        {"NumVal as text", [] { PutText(L"1", L"NumVal", L"7"); }, -1, L""},
        {"NumVal of 2 bytes", [] { WORD w = 7; Put(L"1", L"NumVal", REG_DWORD, &w, 2); }, -1, L""},
        {"NumVal of 8 bytes", [] { ULONGLONG q = 7; Put(L"1", L"NumVal", REG_DWORD, &q, 8); }, -1, L""},
        {"NumVal as a QWORD", [] { ULONGLONG q = 7; Put(L"1", L"NumVal", REG_QWORD, &q, 8); }, -1, L""},
        {"NumVal missing", [] { PutText(L"1", L"Param", L"x"); }, -1, L"x"},
        {"Param expandable", [] { PutText(L"1", L"Param", L"%windir%", REG_EXPAND_SZ); PutNumber(L"1", 3); }, 3, L""},
        {"Param as binary", [] { Put(L"1", L"Param", REG_BINARY, "a\0b\0", 4); PutNumber(L"1", 3); }, 3, L""},
        {"Param of 254 characters", [&] { PutText(L"1", L"Param", fits); PutNumber(L"1", 9); }, 9, fits},
        // Fits the reader (520 bytes) but not the 255-character field: refused, never cut.
        {"Param of 255 characters", [] { PutText(L"1", L"Param", std::wstring(255, L'p')); PutNumber(L"1", 9); }, 9, L""},
        {"Param of 259 characters", [] { PutText(L"1", L"Param", std::wstring(259, L'p')); PutNumber(L"1", 9); }, 9, L""},
        {"Param of 260 characters", [] { PutText(L"1", L"Param", std::wstring(260, L'p')); PutNumber(L"1", 9); }, 9, L""},
        {"Param of 520 bytes, unterminated",
         [] { std::wstring t(260, L'q'); Put(L"1", L"Param", REG_SZ, t.c_str(), 520); PutNumber(L"1", 9); }, 9, L""},
        {"Param of 8000 characters", [] { PutText(L"1", L"Param", std::wstring(8000, L'p')); PutNumber(L"1", 9); }, 9, L""},
        {"an empty key", [] { PutText(L"1", L"Other", L"x"); }, -1, L""},
    };
    for (Case &c : cases) {
        SetUp();
        c.store();
        Loaded got(1);
        EXPECT_EQ(1, got.result) << c.what;
        EXPECT_EQ(c.number, got.number) << c.what;
        EXPECT_EQ(c.param, got.param) << c.what;
        EXPECT_STREQ(L"", got.param2) << c.what;
        EXPECT_EQ(L'#', got.param[SETTING_TEXT_CHARS]) << c.what << ": written past the field";
        EXPECT_EQ(L'#', got.param2[SETTING_TEXT_CHARS]) << c.what << ": written past the field";
    }
}

TEST_F(SettingsStore, SlotsOutsideOneToNineTouchNothing)
{
    for (int slot : {0, 10, -1}) {
        Loaded got(slot);
        EXPECT_EQ(0, got.result);
        EXPECT_EQ(12345, got.number);
        EXPECT_EQ(L'#', got.param[0]);
        EXPECT_EQ(0, SaveSlot(slot, 1, L"a", L"b"));
    }
    EXPECT_FALSE(RootExists());
}

TEST_F(SettingsStore, SavedSlotsLoadBack)
{
    struct Case { int slot; const wchar_t *key; LONG number; const wchar_t *param, *param2; } cases[] = {
        {1, L"1", 14, L"\\windows\\ctlpnl.exe", L"-a \u03a9"},
        {5, L"5", 15, L"\\windows,cplmain.cpl,3", L"Bluetooth"},
        {6, L"Speed", 10, L"", L""},
        {7, L"AutoStart", 1, L"", L""},
        {8, L"ShowTray", 1, L"", L""},
        {9, L"Cursor", 15, L"", L""},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(1, SaveSlot(c.slot, c.number, c.param, c.param2));
        Loaded got(c.slot);
        EXPECT_EQ(1, got.result);
        EXPECT_EQ(c.number, got.number) << c.slot;
        EXPECT_STREQ(c.param, got.param);
        EXPECT_STREQ(c.param2, got.param2);

        // Under the key the handheld names, with an empty string stored as its terminator alone.
        std::wstring path = std::wstring(Root) + L"\\" + c.key;
        DWORD type = 0, size = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), L"Param", RRF_RT_ANY, &type, NULL, &size));
        EXPECT_EQ((DWORD)REG_SZ, type);
        EXPECT_EQ((wcslen(c.param) + 1) * sizeof(wchar_t), size);
    }
}

TEST_F(SettingsStore, LoadingFillsTheTableAndDropsTheNumberSlotsStrings)
{
    PutNumber(L"1", 16);
    PutText(L"1", L"Param", L"\\a.exe");
    PutNumber(L"Speed", 7);
    PutText(L"Speed", L"Param", L"ignored");
    Put(L"AutoStart", L"NumVal", REG_SZ, L"1", 4); // malformed: -1, which counts as on
    PutNumber(L"Cursor", 11);
    PutNumber(L"ShowTray", 1);

    LoadSettings();
    LONG want[SETTING_SLOT_COUNT] = {0, 16, 1, 2, 3, 4, 7, -1, 0, 11};
    for (int slot = 1; slot < SETTING_SLOT_COUNT; slot++)
        EXPECT_EQ(want[slot], SettingTable[slot].NumVal) << slot;
    EXPECT_STREQ(L"\\a.exe", SettingTable[1].Param);
    EXPECT_STREQ(L"", SettingTable[SLOT_SPEED].Param);
}

TEST_F(SettingsStore, ReadsTheVersionValues)
{
    PutText(L"", L"VersionDriver", L"1.2.3");
    Put(L"", L"VersionGUI", REG_DWORD, "\1\0\0\0", 4);
    WCHAR text[255] = {0};
    EXPECT_EQ(1, ReadSettingValue(L"VersionDriver", REG_SZ, text, sizeof(text)));
    EXPECT_STREQ(L"1.2.3", text);
    EXPECT_EQ(0, ReadSettingValue(L"VersionGUI", REG_SZ, text, sizeof(text)));
    EXPECT_EQ(0, ReadSettingValue(L"VersionDriver", REG_SZ, text, 4)); // does not fit
    EXPECT_EQ(0, ReadSettingValue(L"Missing", REG_SZ, text, sizeof(text)));
    EXPECT_EQ(0, ReadRegValue(L"\\Software\\Dalvern\\Nothing", L"VersionDriver", REG_SZ, text, sizeof(text)));
}

// The About box reads the version strings into 255 units (510 bytes): whatever the value, the
// string it gets ends inside that buffer.
TEST_F(SettingsStore, VersionStringsEndInsideTheBuffer)
{
    struct Case {
        DWORD bytes;
        bool terminated;
        int result;
        size_t letters; // of the string read
    } cases[] = {
        {508, true, 1, 253}, {508, false, 1, 254}, {510, true, 1, 254},
        {510, false, 0, 0},  {512, true, 0, 0},    {512, false, 0, 0},
    };
    for (const Case &c : cases) {
        SetUp();
        std::wstring value(c.bytes / sizeof(WCHAR), L'v');
        if (c.terminated)
            value.back() = 0;
        Put(L"", L"VersionDriver", REG_SZ, value.data(), c.bytes);

        WCHAR text[256];
        wmemset(text, L'#', ARRAYSIZE(text));
        int result = ReadSettingValue(L"VersionDriver", REG_SZ, text, 510);
        std::string what = std::to_string(c.bytes) + (c.terminated ? " bytes, terminated" : " bytes, unterminated");
        EXPECT_EQ(c.result, result) << what;
        size_t length = wcsnlen(text, 255);
        EXPECT_LT(length, 255u) << what << ": the string does not end inside the buffer";
        EXPECT_EQ(std::wstring(c.letters, L'v'), std::wstring(text, length)) << what;
        if (!result) {
            EXPECT_EQ(std::wstring(255, L'\0'), std::wstring(text, 255)) << what << ": cleared";
        }
        EXPECT_EQ(L'#', text[255]) << what << ": written past the buffer";
    }
}
