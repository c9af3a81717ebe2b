// The diagnostic log on the handheld's file system.
#include "utils/log.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <regex>

using namespace wt;

namespace {

class Log : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveFile(LOG_FILE);
        LogEnabled = true;
    }
    void TearDown() override { LogEnabled = false; }
};

std::string RawLog()
{
    std::string raw;
    HANDLE f = CreateFileW(LOG_FILE, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    char buffer[65536];
    DWORD got;
    while (f != INVALID_HANDLE_VALUE && ReadFile(f, buffer, sizeof(buffer), &got, NULL) && got)
        raw.append(buffer, got);
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
    return raw;
}

} // namespace

TEST_F(Log, NothingAtAllWhileSwitchedOff)
{
    LogEnabled = false;
    LogPrintf(L"hello %s", L"world");
    EXPECT_FALSE(FileExists(LOG_FILE));
}

TEST_F(Log, OneEntryIsABlankLineAHeaderTheMessageAndALineEnd)
{
    LogPrintf(L"first\nsecond");
    std::string raw = RawLog();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(raw, m, std::regex("\r\n(\\[[^\r\n]*\\] >>>)\r\nfirst\r\nsecond\r\n")))
        << raw;
    EXPECT_TRUE(IsLogHeader(m[1].str())) << m[1].str();

    LogPrintf(L"third");
    std::vector<std::string> messages = LogMessages();
    EXPECT_EQ((std::vector<std::string>{"first\nsecond", "third"}), messages);
}

TEST_F(Log, FormatsWideArguments)
{
    struct Case { std::string want; } cases[] = {
        {"Device: [Pocket PC \xce\xa9 \xe2\x82\xac]"},
        {"WM_MOUSECUR: bShowCursor=1/0"},
        {"CT-1 thread: BEEF running. Inform Driver."},
        {"SAC_Mouse::error::connect to 00120a0b0c0d"},
    };
    LogPrintf(L"Device: [%s]", L"Pocket PC \u03a9 \u20ac");
    LogPrintf(L"WM_MOUSECUR: bShowCursor=%d/%d", 1, 0);
    LogPrintf(L"CT-1 thread: %X running. Inform Driver.", 0xBEEFu);
    LogPrintf(L"SAC_Mouse::error::connect to %04x%08x", 0x12u, 0x0a0b0c0du);
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(4u, messages.size());
    for (size_t i = 0; i < 4; i++)
        EXPECT_EQ(cases[i].want, messages[i]);
}

TEST_F(Log, CutsALongMessageAt10239Characters)
{
    std::wstring longText(12000, L'x');
    longText[10238] = L'y'; // the last character kept
    LogPrintf(L"%s", longText.c_str());
    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(10239u, messages[0].size());
    EXPECT_EQ('y', messages[0].back());
}

TEST_F(Log, TimeFieldsArePaddedWithSpaces)
{
    // Wait (up to a minute) for a second below 10, so that a zero-padding fault would show.
    SYSTEMTIME before;
    ASSERT_TRUE(WaitFor([&] { GetLocalTime(&before); return before.wSecond < 9; }, 61000));
    LogPrintf(L"tick");
    SYSTEMTIME after;
    GetLocalTime(&after);
    std::vector<LogEntry> entries = ReadLog();
    ASSERT_EQ(1u, entries.size());
    auto field = [](const SYSTEMTIME &t) {
        char text[16];
        snprintf(text, sizeof(text), "[%2d:%2d:%2d]", t.wHour, t.wMinute, t.wSecond);
        return std::string(text);
    };
    std::string stamp = entries[0].header.substr(0, 10);
    EXPECT_TRUE(stamp == field(before) || stamp == field(after)) << stamp;
    EXPECT_EQ(' ', entries[0].header[7]); // the seconds' tens
}

TEST_F(Log, AnUnwritableLogFileDropsTheEntry)
{
    ASSERT_TRUE(CreateDirectoryW(LOG_FILE, NULL)); // a folder where the file should be
    LogPrintf(L"lost");
    EXPECT_TRUE(GetFileAttributesW(LOG_FILE) & FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryW(LOG_FILE);
    LogPrintf(L"kept");
    EXPECT_EQ((std::vector<std::string>{"kept"}), LogMessages());
}

TEST_F(Log, EntriesOfTwoThreadsNeverMix)
{
    const int perThread = 300;
    auto writer = [](LPVOID tag) -> DWORD {
        std::wstring line(200, *(const wchar_t *)tag);
        for (int i = 0; i < perThread; i++)
            LogPrintf(L"%s %d", line.c_str(), i);
        return 0;
    };
    static const wchar_t a = L'a', b = L'b';
    HANDLE threads[] = {CreateThread(NULL, 0, writer, (LPVOID)&a, 0, NULL),
                        CreateThread(NULL, 0, writer, (LPVOID)&b, 0, NULL)};
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);

    std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(2u * perThread, messages.size());
    int next[2] = {0, 0};
    for (const std::string &m : messages) {
        char c = m[0];
        ASSERT_TRUE(c == 'a' || c == 'b') << m;
        int &n = next[c - 'a'];
        EXPECT_EQ(std::string(200, c) + " " + std::to_string(n), m);
        n++;
    }
}

TEST_F(Log, AWriterThatNeverLetsGoCostsEntriesNotTheProgram)
{
    // A thread ended while it held the file's lock: its handle, and the lock with it, stay.
    static HANDLE held;
    held = INVALID_HANDLE_VALUE;
    HANDLE locked = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE holder = CreateThread(NULL, 0, [](LPVOID ready) -> DWORD {
        held = CreateFileW(LOG_FILE, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
        OVERLAPPED whole = {};
        LockFileEx(held, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
        SetEvent(ready);
        Sleep(INFINITE);
        return 0;
    }, locked, 0, NULL);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(locked, 10000));
    TerminateThread(holder, 1);
    WaitForSingleObject(holder, 10000);

    HANDLE writer = CreateThread(NULL, 0, [](LPVOID) -> DWORD {
        LogPrintf(L"lost");
        return 0;
    }, NULL, 0, NULL);
    DWORD start = GetTickCount();
    DWORD waited = WaitForSingleObject(writer, 10000);
    DWORD took = GetTickCount() - start;
    CloseHandle(held); // lets a writer still waiting go, whatever the outcome
    WaitForSingleObject(writer, 10000);
    EXPECT_EQ(WAIT_OBJECT_0, waited) << "the entry waited for the lock without end";
    EXPECT_GE(took, LOG_LOCK_WAIT_MS - 50) << "the entry gave up before its time";

    LogPrintf(L"kept");
    EXPECT_EQ((std::vector<std::string>{"kept"}), LogMessages());
    for (HANDLE h : {locked, holder, writer})
        CloseHandle(h);
}
