#pragma once
// Helpers of the Win32 and whole-program tests, which run on a handheld of their own under Wine.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace wt {

// The installed program (scripts/handheld installs it into every test handheld).
extern const wchar_t ProgramPath[];

std::string Utf8(const std::wstring &text);

// A file's bytes with CR LF turned into LF; empty when it does not exist.
std::string ReadText(const wchar_t *path);
bool FileExists(const wchar_t *path);
void WriteText(const wchar_t *path, const std::string &bytes);
void RemoveFile(const wchar_t *path);

// Polls until the condition holds; false when it did not within the time.
bool WaitFor(const std::function<bool()> &condition, DWORD timeoutMs = 10000);
// The same, handling this thread's window messages meanwhile.
bool PumpUntil(const std::function<bool()> &condition, DWORD timeoutMs = 10000);

// A window of the test's own over the whole screen, of one colour and shown in front; the class
// is registered with the window procedure on first use.
HWND CreateScreenWindow(const wchar_t *className, WNDPROC proc, COLORREF colour, DWORD exStyle = 0);

// A window procedure that records the button messages its windows get: where each left press
// landed, and every button message in order.
extern std::vector<POINT> Clicks;
extern std::vector<UINT> Buttons;
LRESULT CALLBACK ButtonRecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// How many screen pixels of the square at (x, y) differ from the colour.
int PixelsOtherThan(COLORREF colour, int x, int y, int size);
// How many screen pixels of the rectangle have the colour.
int PixelsOf(COLORREF colour, const RECT &area);

// The screen's pixels in an area, read at once.
struct Screenshot {
    RECT area = {};
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const; // screen coordinates inside the area
    bool operator==(const Screenshot &o) const;
};
Screenshot TakeScreenshot(const RECT &area);
// A window's client area as it shows once the window has painted it afresh: the area is first
// covered with a colour no window paints, then the window repaints itself (and its children) at
// once, and the picture is taken once none of that colour is left, two looks agree and the window
// (or a child of it) is what shows at each corner of its client area. The window
// may belong to another thread or process that handles its messages; this thread's messages are
// handled meanwhile.
Screenshot PaintedClient(HWND window, DWORD timeoutMs = 5000);

// How many pixels of the screenshot in rows top to bottom of a window's client area differ from
// text drawn alone into the client rectangle (left 0, top, the client's width, textBottom) with
// DrawTextW(format) in the handheld's system font (HandheldSystemFont) and the other defaults of
// the window's own drawing context, on paper: the text's
// cells come out white, or in the window's colour when its background's colouring set them, as
// the window manager's way of erasing it decides. The lesser count of the two.
// The handheld's system font, which its drawing contexts start with: Tahoma at 8 points, 11
// pixels of letter height at 96 DPI and twice that at 192 (one font, kept).
HFONT HandheldSystemFont();

int TextDiffers(HWND window, const Screenshot &shot, int top, int textBottom, int bottom, const std::wstring &text,
                UINT format, COLORREF paper);

// A tap of the stylus at a screen point: real input, as a person's.
void Tap(int x, int y);
// Presses at one screen point and lets go at another.
void Drag(int x, int y, int toX, int toY);
// The middle of a window on the screen.
POINT CentreOf(HWND window);

// A file of the repository's tests/fixtures, as the handheld sees it (through drive Z:).
std::wstring FixturePath(const wchar_t *relative);

// How many more drawing objects this process can make: made until the system refuses, then
// deleted. Wine answers GetGuiResources with 0, but its object table fills like Windows's, so a
// leak shows as less room.
size_t DrawingObjectRoom();

// The drawing objects another process holds (stock objects aside), read from its shared GDI
// handle table as object viewers do; -1 when the table cannot be read.
long DrawingObjectsOf(HANDLE process);

// A soak's length: short in the test run, long under scripts/soak.sh (QM_SOAK_LONG set).
int SoakLength(int shortRun, int longRun);

// The entries of the log file "\pendrova.txt": header line and message.
struct LogEntry {
    std::string header;
    std::string message;
};
std::vector<LogEntry> ReadLog();
std::vector<std::string> LogMessages();
bool IsLogHeader(const std::string &line);
void StartFreshLog(bool enabled); // removes the log; creates or removes the marker

// How long the program's start may take until it logs its connection attempt's end
// ("WinMain SAC_Mouse: "): its own bounds (the driver's start, a busy device, its pauses) and room
// for a machine whose cores are all busy, so that only a program that hangs misses it.
extern const DWORD StartUpMs;

// The real program, started with its working directory on C: as the handheld does.
class Program {
public:
    explicit Program(const wchar_t *arguments = L"");
    ~Program(); // closes a program still running, and ends it if it does not go
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    bool Started() const { return process_ != NULL; }
    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }
    HWND WaitForMainWindow(DWORD timeoutMs = StartUpMs) const;
    // The main window once start-up is over (with the log on: the connection attempt logged and
    // the cursor thread running); null when that does not come.
    HWND WaitUntilRunning() const;
    // The exit code, or STILL_ACTIVE when it did not end within the time.
    DWORD WaitExit(DWORD timeoutMs = 10000) const;
    // The thread named by a handle value that the program logged.
    DWORD ThreadIdOfHandle(unsigned handleValue) const;
    // The cursor thread, from the handle the program logged when it started it (log on); 0 when
    // that does not come.
    DWORD CursorThreadId() const;

private:
    HANDLE process_ = NULL;
    DWORD pid_ = 0;
};

// The program's main window, whichever process owns it.
HWND FindMainWindow();

// Waits until the log holds a message starting with prefix; returns the message or "".
std::string WaitForLogMessage(const std::string &prefix, DWORD timeoutMs = 10000);

// One of the handheld's own programs (\windows\shell32.exe, \windows\notes.exe), started with its
// working directory on C: and ended when the test is done with it. It is ready, its windows made,
// once the constructor returns.
class HandheldProgram {
public:
    HandheldProgram(const wchar_t *path, const wchar_t *arguments = L"");
    ~HandheldProgram();
    HandheldProgram(const HandheldProgram &) = delete;
    HandheldProgram &operator=(const HandheldProgram &) = delete;
    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }

private:
    HANDLE process_ = NULL;
    DWORD pid_ = 0;
};

// A top-level window by class and title (either may be null), once it exists; null if it never
// does.
HWND WaitForWindow(const wchar_t *className, const wchar_t *title, DWORD timeoutMs = 10000);

// The lines of the handheld's event record "\handheld-events.txt", once it holds at least count.
std::vector<std::string> WaitForEvents(size_t count, DWORD timeoutMs = 10000);

// A message box as a person sees it, found once shown and answered with one of its buttons from
// a thread of its own, while the code under test waits in the box.
struct Box {
    std::wstring title, text;
    bool ok = false, cancel = false, icon = false, seen = false;
};

class BoxAnswerer {
public:
    BoxAnswerer(const wchar_t *title, int button, DWORD timeoutMs = 15000);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer &) = delete;
    BoxAnswerer &operator=(const BoxAnswerer &) = delete;
    // Waits for the answer; seen is false when no such box came.
    const Box &Seen();

private:
    std::wstring title_;
    int button_;
    DWORD timeoutMs_;
    Box seen_;
    std::thread thread_;
};

// The handheld's screen profile this test runs on ("qvga" unless set).
std::string Profile();

// The handheld's shell and the notification icons along the bottom of its Today screen: the icon
// window of (owner, id), null when the tray shows none; all the icon windows, right to left.
extern const wchar_t ShellProgram[];
HWND TrayIconOf(HWND owner, UINT id);
std::vector<HWND> TrayIcons();

} // namespace wt
