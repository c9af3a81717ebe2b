#include "tests/support/wintest.h"
#include "tests/support/program_strip.h"
#include "platform/driver_pipe.h"
#include "platform/tray_wire.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <regex>
#include <stdio.h>
#include <stdlib.h>

namespace wt {

const wchar_t ProgramPath[] = QM_INSTALLED_PROGRAM;

std::string Utf8(const std::wstring &text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], n, NULL, NULL);
    return out;
}

std::string ReadText(const wchar_t *path)
{
    std::string out;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return out;
    char buffer[65536];
    DWORD got;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got > 0)
        out.append(buffer, got);
    CloseHandle(file);
    std::string lf;
    lf.reserve(out.size());
    for (size_t i = 0; i < out.size(); i++)
        if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n'))
            lf += out[i];
    return lf;
}

bool FileExists(const wchar_t *path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

void WriteText(const wchar_t *path, const std::string &bytes)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
}

void RemoveFile(const wchar_t *path) { DeleteFileW(path); }

bool WaitFor(const std::function<bool()> &condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}

bool IsLogHeader(const std::string &line)
{
    static const std::regex header(
        R"(\[[ 1-9]\d:[ 1-5]\d:[ 1-5]\d\] \[mem: free=\d+\.\d{3}MB, used=-?\d+\.\d{3}MB\] >>>)");
    return std::regex_match(line, header);
}

std::vector<LogEntry> ReadLog()
{
    std::string text = ReadText(L"\\pendrova.txt");
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // An entry is "\n" header "\n" message "\n"; a message may hold line feeds of its own.
    std::vector<size_t> heads;
    for (size_t i = 1; i < lines.size(); i++)
        if (lines[i - 1].empty() && IsLogHeader(lines[i]))
            heads.push_back(i);
    std::vector<LogEntry> entries;
    for (size_t k = 0; k < heads.size(); k++) {
        size_t last = k + 1 < heads.size() ? heads[k + 1] - 2 : lines.size() - 2;
        LogEntry entry;
        entry.header = lines[heads[k]];
        for (size_t i = heads[k] + 1; i <= last && i < lines.size(); i++)
            entry.message += (i > heads[k] + 1 ? "\n" : "") + lines[i];
        entries.push_back(entry);
    }
    return entries;
}

std::vector<std::string> LogMessages()
{
    std::vector<std::string> out;
    for (const LogEntry &e : ReadLog())
        out.push_back(e.message);
    return out;
}

void StartFreshLog(bool enabled)
{
    RemoveFile(L"\\pendrova.txt");
    if (enabled)
        WriteText(L"\\quillmark.dgb", "");
    else
        RemoveFile(L"\\quillmark.dgb");
}

static bool StartProcess(const wchar_t *path, const wchar_t *arguments, HANDLE *process, DWORD *pid)
{
    std::wstring line = std::wstring(L"\"") + path + L"\"";
    if (arguments && *arguments)
        line += std::wstring(L" ") + arguments;
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(path, &line[0], NULL, NULL, FALSE, 0, NULL, L"C:\\", &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    *process = pi.hProcess;
    *pid = pi.dwProcessId;
    return true;
}

static void Remember(DWORD pid, HANDLE process);
static void Forget(DWORD pid);

Program::Program(const wchar_t *arguments)
{
    if (StartProcess(ProgramPath, arguments, &process_, &pid_))
        Remember(pid_, process_);
}

// The program's end, waited for in full: until its process has ended, the next program this
// test starts would find its instance claim and give way to it.
static void EndProcess(HANDLE process, DWORD pid)
{
    if (WaitForSingleObject(process, 5000) == WAIT_TIMEOUT)
        TerminateProcess(process, 99);
    if (WaitForSingleObject(process, 60000) == WAIT_TIMEOUT) {
        printf("the program of pid %lu did not end within a minute of being ended\n", pid);
        ADD_FAILURE() << "a program that cannot be ended";
    }
}

Program::~Program()
{
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        HWND main = FindMainWindow();
        DWORD owner = 0;
        if (main && GetWindowThreadProcessId(main, &owner) && owner == pid_)
            PostMessageW(main, WM_CLOSE, 0, 0);
        EndProcess(process_, pid_);
    }
    Forget(pid_);
    CloseHandle(process_);
}

HWND Program::WaitForMainWindow(DWORD timeoutMs) const
{
    HWND found = NULL;
    WaitFor([&] {
        HWND main = FindMainWindow();
        DWORD owner = 0;
        if (main && GetWindowThreadProcessId(main, &owner) && owner == pid_)
            found = main;
        return found != NULL;
    }, timeoutMs);
    return found;
}

// The driver that is slow to start, a busy device, two pauses of half a second, and room.
const DWORD StartUpMs = DRIVER_START_WAIT_MS + DRIVER_BUSY_WAIT_MS + 1000 + 15000;

// Says why start-up did not come, with the process's state; null for the caller's assertion.
static HWND NotRunning(HANDLE process, DWORD pid, const char *what, DWORD waitedMs)
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    if (code == STILL_ACTIVE)
        printf("the program (pid %lu, still running) %s (waited at most %lu ms)\n", pid, what, waitedMs);
    else
        printf("the program (pid %lu, ended with %lu) %s (waited at most %lu ms)\n", pid, code, what, waitedMs);
    fflush(stdout);
    return NULL;
}

HWND Program::WaitUntilRunning() const
{
    // A process start on a loaded machine takes seconds of its own; a program that ended (a
    // second instance giving way, a fault) is told at once.
    HWND main = NULL;
    WaitFor([&] {
        DWORD owner = 0;
        HWND found = FindMainWindow();
        if (found && GetWindowThreadProcessId(found, &owner) && owner == pid_)
            main = found;
        return main != NULL || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
    }, StartUpMs);
    if (!main)
        return NotRunning(process_, pid_, "made no main window", StartUpMs);
    if (!FileExists(L"\\quillmark.dgb"))
        return main;
    if (WaitForLogMessage("CursorThread thread running. Notify driver.", StartUpMs).empty())
        return NotRunning(process_, pid_, "logged no \"CursorThread thread running\"", StartUpMs);
    if (WaitForLogMessage("WinMain SAC_Mouse: ", StartUpMs).empty())
        return NotRunning(process_, pid_, "logged no \"WinMain SAC_Mouse: \" (the connection attempt's end)",
                          StartUpMs);
    return main;
}

DWORD Program::WaitExit(DWORD timeoutMs) const
{
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

DWORD Program::ThreadIdOfHandle(unsigned handleValue) const
{
    HANDLE mine = NULL;
    if (!DuplicateHandle(process_, (HANDLE)(UINT_PTR)handleValue, GetCurrentProcess(), &mine,
                         THREAD_QUERY_INFORMATION, FALSE, 0))
        return 0;
    DWORD id = GetThreadId(mine);
    CloseHandle(mine);
    return id;
}

DWORD Program::CursorThreadId() const
{
    const std::string prefix = "CT-1 thread: ";
    std::string started = WaitForLogMessage(prefix);
    if (started.empty())
        return 0;
    return ThreadIdOfHandle((unsigned)strtoul(started.c_str() + prefix.size(), NULL, 16));
}

HWND FindMainWindow() { return FindWindowW(L"DALVERN.Quillmark", L"Quillmark"); }

std::string WaitForLogMessage(const std::string &prefix, DWORD timeoutMs)
{
    std::string found;
    WaitFor([&] {
        for (const std::string &m : LogMessages())
            if (m.compare(0, prefix.size(), prefix) == 0) {
                found = m;
                return true;
            }
        return false;
    }, timeoutMs);
    return found;
}

HandheldProgram::HandheldProgram(const wchar_t *path, const wchar_t *arguments)
{
    // Its windows exist and it has done its own activation once it waits for input.
    if (StartProcess(path, arguments, &process_, &pid_)) {
        Remember(pid_, process_);
        WaitForInputIdle(process_, 10000);
    }
}

HandheldProgram::~HandheldProgram()
{
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
        TerminateProcess(process_, 99);
    EndProcess(process_, pid_);
    Forget(pid_);
    CloseHandle(process_);
}

HWND WaitForWindow(const wchar_t *className, const wchar_t *title, DWORD timeoutMs)
{
    HWND found = NULL;
    WaitFor([&] { return (found = FindWindowW(className, title)) != NULL; }, timeoutMs);
    return found;
}

std::vector<std::string> WaitForEvents(size_t count, DWORD timeoutMs)
{
    std::vector<std::string> lines;
    WaitFor([&] {
        lines.clear();
        std::string text = ReadText(L"\\handheld-events.txt");
        size_t start = 0, end;
        while ((end = text.find('\n', start)) != std::string::npos) {
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines.size() >= count;
    }, timeoutMs);
    return lines;
}

bool PumpUntil(const std::function<bool()> &condition, DWORD timeoutMs)
{
    return WaitFor([&] {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return condition();
    }, timeoutMs);
}

HWND CreateScreenWindow(const wchar_t *className, WNDPROC proc, COLORREF colour, DWORD exStyle)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hbrBackground = CreateSolidBrush(colour);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(exStyle, className, L"", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), NULL, NULL, NULL, NULL);
    SetForegroundWindow(window);
    UpdateWindow(window);
    return window;
}

std::vector<POINT> Clicks;
std::vector<UINT> Buttons;

LRESULT CALLBACK ButtonRecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN)
        Clicks.push_back({(short)LOWORD(lParam), (short)HIWORD(lParam)});
    if (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK)
        Buttons.push_back(message);
    return DefWindowProcW(window, message, wParam, lParam);
}

int PixelsOtherThan(COLORREF colour, int x, int y, int size)
{
    HDC screen = GetDC(NULL);
    int n = 0;
    for (int j = y; j < y + size; j++)
        for (int i = x; i < x + size; i++)
            n += GetPixel(screen, i, j) != colour;
    ReleaseDC(NULL, screen);
    return n;
}

size_t DrawingObjectRoom()
{
    std::vector<HBRUSH> made;
    for (;;) {
        HBRUSH brush = CreateSolidBrush(RGB(made.size() & 255, 0, 0));
        if (!brush)
            break;
        made.push_back(brush);
    }
    for (HBRUSH brush : made)
        DeleteObject(brush);
    return made.size();
}

// One entry of the shared GDI handle table (64-bit layout); the table's address is in the PEB.
struct GdiTableEntry {
    UINT64 object;
    USHORT processId, count;
    USHORT unique; // bit 7: a stock object
    UCHAR type, flags;
    UINT64 user;
};
static_assert(sizeof(GdiTableEntry) == 24, "the table's entry");
static const size_t GdiTableEntries = 0x10000;
static const size_t PebGdiTableAt = 0xF8;

long DrawingObjectsOf(HANDLE process)
{
    typedef LONG(WINAPI * QueryProcess)(HANDLE, int, void *, ULONG, ULONG *);
    QueryProcess query = (QueryProcess)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    struct {
        void *reserved1, *peb, *reserved2[2];
        ULONG_PTR processId, reserved3;
    } basic = {};
    ULONG got = 0;
    if (!query || query(process, 0 /* ProcessBasicInformation */, &basic, sizeof(basic), &got) != 0 || !basic.peb)
        return -1;
    UINT64 table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, (BYTE *)basic.peb + PebGdiTableAt, &table, sizeof(table), &read) || !table)
        return -1;
    std::vector<GdiTableEntry> entries(GdiTableEntries);
    if (!ReadProcessMemory(process, (void *)(UINT_PTR)table, entries.data(), entries.size() * sizeof(GdiTableEntry),
                           &read))
        return -1;
    long n = 0;
    USHORT pid = (USHORT)basic.processId;
    for (const GdiTableEntry &e : entries)
        n += e.type && !(e.unique & 0x80) && (e.processId == 0 || e.processId == pid); // Wine's table is per process
    return n;
}

int SoakLength(int shortRun, int longRun)
{
    const char *soak = getenv("QM_SOAK_LONG");
    return soak && *soak ? longRun : shortRun;
}

int PixelsOf(COLORREF colour, const RECT &area)
{
    HDC screen = GetDC(NULL);
    int n = 0;
    for (int j = area.top; j < area.bottom; j++)
        for (int i = area.left; i < area.right; i++)
            n += GetPixel(screen, i, j) == colour;
    ReleaseDC(NULL, screen);
    return n;
}

COLORREF Screenshot::At(int x, int y) const
{
    return pixels[(size_t)(y - area.top) * (area.right - area.left) + (x - area.left)];
}

bool Screenshot::operator==(const Screenshot &o) const { return EqualRect(&area, &o.area) && pixels == o.pixels; }

Screenshot TakeScreenshot(const RECT &area)
{
    Screenshot picture;
    picture.area = area;
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return picture;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void *bits = NULL;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    picture.pixels.resize((size_t)width * height);
    const DWORD *p = (const DWORD *)bits;
    for (size_t i = 0; bits && i < picture.pixels.size(); i++)
        picture.pixels[i] = RGB((p[i] >> 16) & 255, (p[i] >> 8) & 255, p[i] & 255);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return picture;
}

// Whether the window, or one of its children, is what shows at each corner of the area: a window
// still behind another one (one just shown, not yet brought in front) has painted, but not on the
// screen.
// what names the first window in the way, for a look that never settles.
static bool InFrontAt(HWND window, const RECT &area, std::string *what = nullptr)
{
    const POINT corners[] = {{area.left, area.top}, {area.right - 1, area.top},
                             {area.left, area.bottom - 1}, {area.right - 1, area.bottom - 1}};
    for (POINT corner : corners) {
        // The window's own bars (windows it owns, such as its menu bar) lie over its edge.
        HWND there = WindowFromPoint(corner);
        if (there != window && !IsChild(window, there) && GetWindow(GetAncestor(there, GA_ROOT), GW_OWNER) != window) {
            if (what) {
                WCHAR cls[64] = L"", title[64] = L"";
                GetClassNameW(there, cls, 64);
                GetWindowTextW(there, title, 64);
                char line[300];
                snprintf(line, sizeof line, "window %p (class \"%ls\", title \"%ls\") in front at %ld,%ld",
                         (void *)there, cls, title, corner.x, corner.y);
                *what = line;
            }
            return false;
        }
    }
    return true;
}

Screenshot PaintedClient(HWND window, DWORD timeoutMs)
{
    const COLORREF marker = RGB(1, 254, 3);
    RECT area;
    GetClientRect(window, &area);
    MapWindowPoints(window, NULL, (POINT *)&area, 2);
    HDC screen = GetDC(NULL);
    HBRUSH brush = CreateSolidBrush(marker);
    FillRect(screen, &area, brush);
    DeleteObject(brush);
    // Sent on and done before the window repaints: Wine keeps screen drawing in this thread's
    // display connection until a read from the screen, and a fill sent after the window's paint
    // would lie over it until its next one.
    GetPixel(screen, area.left, area.top);
    ReleaseDC(NULL, screen);
    // Painted before this returns, also for another thread's window: what is flushed to the
    // screen afterwards is the finished picture.
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // and its own bars, which lie over its edge
    EnumWindows([](HWND w, LPARAM owner) -> BOOL {
        if (GetWindow(w, GW_OWNER) == (HWND)owner && IsWindowVisible(w))
            RedrawWindow(w, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return TRUE;
    }, (LPARAM)window);
    Screenshot last;
    bool settled = PumpUntil([&] {
        // A window erased but not yet painted also looks settled: it must have nothing left to
        // paint, and its thread must have come back for messages since (so a paint under way is
        // over) before the look counts.
        bool pending = GetUpdateRect(window, NULL, FALSE) != FALSE;
        DWORD_PTR answer;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer);
        Screenshot now = TakeScreenshot(area);
        bool look = !pending && InFrontAt(window, area) && now == last &&
                       std::find(now.pixels.begin(), now.pixels.end(), marker) == now.pixels.end();
        last = now;
        if (!look)
            Sleep(80);
        return look;
    }, timeoutMs);
    if (!settled) {
        std::string inFront = "the window in front at every corner";
        InFrontAt(window, area, &inFront);
        bool marked = std::find(last.pixels.begin(), last.pixels.end(), marker) != last.pixels.end();
        ADD_FAILURE() << "the window's picture never settled in " << timeoutMs << " ms: "
                      << (GetUpdateRect(window, NULL, FALSE) ? "a paint still pending; " : "")
                      << (marked ? "part of the area never painted; " : "") << inFront;
    }
    return last;
}

HFONT HandheldSystemFont()
{
    static HFONT font;
    if (!font) {
        HDC screen = GetDC(NULL);
        LOGFONTW lf = {};
        lf.lfHeight = -MulDiv(11, GetDeviceCaps(screen, LOGPIXELSY), 96);
        ReleaseDC(NULL, screen);
        wcscpy(lf.lfFaceName, L"Tahoma");
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

static int TextDiffersOn(HWND window, const Screenshot &shot, int top, int textBottom, int bottom,
                         const std::wstring &text, UINT format, COLORREF paper, bool coloured)
{
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    int width = client.right, height = textBottom - top;
    HDC own = GetDC(window);
    HDC alone = CreateCompatibleDC(own);
    HBITMAP picture = CreateCompatibleBitmap(own, width, height);
    HGDIOBJ old = SelectObject(alone, picture);
    RECT all = {0, 0, width, height};
    HBRUSH ground = CreateSolidBrush(paper);
    FillRect(alone, &all, ground);
    DeleteObject(ground);
    SelectObject(alone, HandheldSystemFont());
    SetTextColor(alone, GetTextColor(own));
    SetBkColor(alone, GetBkColor(own));
    SetBkMode(alone, GetBkMode(own));
    if (coloured) { // what the default colouring of a dialog's background does to its context
        SetTextColor(alone, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(alone, GetSysColor(COLOR_3DFACE));
    }
    DrawTextW(alone, text.c_str(), -1, &all, format);
    int differ = 0;
    for (int y = 0; y < bottom - top; y++)
        for (int x = 0; x < width; x++)
            differ += GetPixel(alone, x, y) != shot.At(origin.x + x, origin.y + top + y);
    SelectObject(alone, old);
    DeleteObject(picture);
    DeleteDC(alone);
    ReleaseDC(window, own);
    return differ;
}

int TextDiffers(HWND window, const Screenshot &shot, int top, int textBottom, int bottom, const std::wstring &text,
                UINT format, COLORREF paper)
{
    return std::min(TextDiffersOn(window, shot, top, textBottom, bottom, text, format, paper, false),
                    TextDiffersOn(window, shot, top, textBottom, bottom, text, format, paper, true));
}

static void StylusAt(DWORD flags, int x, int y)
{
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    // The centre of the pixel in absolute units, so that the desktop's rounding lands on it.
    DWORD ax = (DWORD)((x * 65536 + 32768) / cx), ay = (DWORD)((y * 65536 + 32768) / cy);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags, ax, ay, 0, 0);
}

void Tap(int x, int y) { Drag(x, y, x, y); }

void Drag(int x, int y, int toX, int toY)
{
    StylusAt(0, x, y);
    // The pen lands where it is: a move still on its way from the last place would reach a
    // control that tracks the press (a tree starts dragging) and spoil the tap.
    WaitFor([&] {
        POINT at;
        return GetCursorPos(&at) && at.x == x && at.y == y;
    }, 500);
    Sleep(30);
    StylusAt(MOUSEEVENTF_LEFTDOWN, x, y);
    if (toX != x || toY != y)
        StylusAt(0, toX, toY);
    StylusAt(MOUSEEVENTF_LEFTUP, toX, toY);
}

POINT CentreOf(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::wstring FixturePath(const wchar_t *relative)
{
    std::wstring path = L"Z:" QM_FIXTURE_DIR L"\\";
    path += relative;
    for (wchar_t &c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

BoxAnswerer::BoxAnswerer(const wchar_t *title, int button, DWORD timeoutMs)
    : title_(title), button_(button), timeoutMs_(timeoutMs)
{
    thread_ = std::thread([this] {
        HWND box = NULL;
        // Shown: made and set up, as a person first sees it.
        if (!WaitFor([&] { return (box = FindWindowW(L"#32770", title_.c_str())) != NULL && IsWindowVisible(box); },
                     timeoutMs_))
            return;
        WCHAR text[512] = {0};
        GetDlgItemTextW(box, 0xFFFF, text, ARRAYSIZE(text));
        seen_.title = title_;
        seen_.text = text;
        // Wine keeps no trace of MB_TOPMOST on the box; its buttons and icon show the rest.
        seen_.ok = GetDlgItem(box, IDOK) != NULL;
        seen_.cancel = GetDlgItem(box, IDCANCEL) != NULL;
        seen_.icon = SendDlgItemMessageW(box, 1088, STM_GETICON, 0, 0) != 0;
        seen_.seen = true;
        SendMessageW(GetDlgItem(box, button_), BM_CLICK, 0, 0);
    });
}

BoxAnswerer::~BoxAnswerer()
{
    if (thread_.joinable())
        thread_.join();
}

const Box &BoxAnswerer::Seen()
{
    if (thread_.joinable())
        thread_.join();
    return seen_;
}

std::string Profile()
{
    const char *p = getenv("QM_PROFILE");
    return p && *p ? p : "qvga";
}

const wchar_t ShellProgram[] = L"C:\\windows\\shell32.exe";

std::vector<HWND> TrayIcons()
{
    std::vector<HWND> icons;
    HWND desktop = FindWindowW(L"DesktopExplorerWindow", L"Desktop");
    HWND tray = desktop ? FindWindowExW(desktop, NULL, TRAY_WINDOW_CLASS, NULL) : NULL;
    for (HWND icon = tray ? FindWindowExW(tray, NULL, TRAY_ICON_CLASS, NULL) : NULL; icon;
         icon = FindWindowExW(tray, icon, TRAY_ICON_CLASS, NULL))
        if (IsWindowVisible(icon)) // in its place
            icons.push_back(icon);
    std::sort(icons.begin(), icons.end(), [](HWND a, HWND b) { return CentreOf(a).x > CentreOf(b).x; });
    return icons;
}

HWND TrayIconOf(HWND owner, UINT id)
{
    for (HWND icon : TrayIcons())
        if ((HWND)GetWindowLongPtrW(icon, GWLP_USERDATA) == owner && (UINT)GetDlgCtrlID(icon) == id)
            return icon;
    return NULL;
}


// What the handheld shows and holds when a check fails, printed at the first failed check of a
// test (before its tear-down ends the programs it started), so that a failure explains itself:
// the programs this test started and whether they run, the processes of the handheld, its
// top-level windows, the ends of the program's log and of the event record, and a screenshot.
namespace {

std::vector<std::pair<DWORD, HANDLE>> &StartedPrograms()
{
    static std::vector<std::pair<DWORD, HANDLE>> started;
    return started;
}

} // namespace

static void Remember(DWORD pid, HANDLE process) { StartedPrograms().push_back({pid, process}); }

static void Forget(DWORD pid)
{
    auto &started = StartedPrograms();
    started.erase(std::remove_if(started.begin(), started.end(),
                                 [&](const std::pair<DWORD, HANDLE> &p) { return p.first == pid; }),
                  started.end());
}

namespace {

std::string Tail(const std::string &text, size_t lines)
{
    size_t at = text.size();
    if (at > 0 && text[at - 1] == '\n')
        at--;
    for (size_t n = 0; n < lines && at != std::string::npos && at > 0; n++)
        at = text.rfind('\n', at - 1);
    return at == std::string::npos || at == 0 ? text : text.substr(at + 1);
}

BOOL CALLBACK DescribeWindow(HWND window, LPARAM out)
{
    wchar_t className[128] = {}, title[128] = {};
    GetClassNameW(window, className, 128);
    GetWindowTextW(window, title, 128);
    RECT r = {};
    GetWindowRect(window, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char line[600];
    snprintf(line, sizeof(line), "  %p %s \"%s\" pid %lu %s (%ld,%ld)-(%ld,%ld)%s\n", (void *)window,
             Utf8(className).c_str(), Utf8(title).c_str(), pid, IsWindowVisible(window) ? "shown" : "hidden",
             r.left, r.top, r.right, r.bottom, window == GetForegroundWindow() ? " foreground" : "");
    *(std::string *)out += line;
    return TRUE;
}

// The screen as a 24-bit BMP; the file's path, or "" when it could not be written.
std::string SaveScreen(const std::string &name)
{
    const char *dir = getenv("QM_FAILURE_DIR");
    if (!dir || !*dir)
        return "";
    std::string path = std::string("Z:") + dir + "/" + name + ".bmp";
    std::replace(path.begin(), path.end(), '/', '\\');
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
    void *bits = NULL;
    HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    DWORD row = ((DWORD)w * 3 + 3) & ~3u, size = row * h;
    BITMAPFILEHEADER file = {0x4D42, (DWORD)(sizeof(file) + sizeof(info.bmiHeader) + size), 0, 0,
                             (DWORD)(sizeof(file) + sizeof(info.bmiHeader))};
    std::string bytes((const char *)&file, sizeof(file));
    bytes.append((const char *)&info.bmiHeader, sizeof(info.bmiHeader));
    if (bits)
        bytes.append((const char *)bits, size);
    SelectObject(memory, old);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    std::wstring wide(path.begin(), path.end());
    CreateDirectoryW(std::wstring(wide, 0, wide.rfind(L'\\')).c_str(), NULL);
    WriteText(wide.c_str(), bytes);
    return bits && FileExists(wide.c_str()) ? path : "";
}

class HandheldAtFailure : public ::testing::EmptyTestEventListener {
    const ::testing::TestInfo *described_ = nullptr;

    void OnTestPartResult(const ::testing::TestPartResult &result) override
    {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        if (!result.failed() || test == described_)
            return;
        described_ = test;
        std::string out = "---- the handheld at this failure\n";
        for (const auto &p : StartedPrograms()) {
            DWORD code = STILL_ACTIVE;
            GetExitCodeProcess(p.second, &code);
            char line[120];
            if (code == STILL_ACTIVE)
                snprintf(line, sizeof(line), "started program pid %lu: running\n", p.first);
            else
                snprintf(line, sizeof(line), "started program pid %lu: ended with %lu (0x%lX)\n", p.first, code, code);
            out += line;
        }
        out += "processes:";
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {sizeof(entry)};
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
            out += " " + Utf8(entry.szExeFile) + "(" + std::to_string(entry.th32ProcessID) + ")";
        CloseHandle(snapshot);
        out += "\ntop-level windows:\n";
        EnumWindows(DescribeWindow, (LPARAM)&out);
        out += "log \\pendrova.txt (its end):\n" + Tail(ReadText(L"\\pendrova.txt"), 60) + "\n";
        out += "event record \\handheld-events.txt (its end):\n" + Tail(ReadText(L"\\handheld-events.txt"), 20) + "\n";
        out += "driver stand-in \\hid-driver.txt (its end):\n" + Tail(ReadText(L"\\hid-driver.txt"), 20) + "\n";
        std::string name = std::string(test->test_suite_name()) + "." + test->name() + "." + Profile();
        std::replace(name.begin(), name.end(), '/', '_');
        std::string shot = SaveScreen(name);
        out += "screenshot: " + (shot.empty() ? std::string("none (QM_FAILURE_DIR unset or unwritable)") : shot) + "\n";
        out += "----\n";
        fputs(out.c_str(), stdout);
        fflush(stdout);
    }
};

const bool HandheldAtFailureListening =
    (::testing::UnitTest::GetInstance()->listeners().Append(new HandheldAtFailure), true);

} // namespace

} // namespace wt
