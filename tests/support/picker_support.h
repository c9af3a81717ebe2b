#pragma once
// Driving the pickers as a person does: the test's main thread opens a picker through its entry
// and waits in it, while a driver thread finds the picker's windows and taps, types and presses
// keys on the handheld's screen.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace wt {

// The installed strips (scripts/handheld installs the program's folder into every handheld).
#define QM_INSTALLED_FOLDER L"C:\\Program Files\\Quillmark\\"
extern const wchar_t ShortcutsStrip[];
extern const wchar_t AppletsStrip[];

// The program's own resources (the menu bar 102 and its strings) for the pickers: the program
// passes its instance, the tests the installed program loaded as data.
void UseProgramResources();

enum PickerKindName { FILE_PICKER, APPLET_PICKER };

// The windows of an open picker, found by the driver thread.
struct Picker {
    HWND window = NULL, tree = NULL, topLine = NULL, bottomLine = NULL, menuBar = NULL;
    std::wstring className;
    bool Found() const { return window != NULL; }
};

// What an entry returned, and the thread's quit message if one was left for the caller's loop.
struct PickerResult {
    std::wstring choice, text;
    bool quit = false;
    WPARAM quitCode = 0;
    bool rescued = false; // the picker was left open and had to be ended from outside
};

// Opens the picker through its entry and runs drive on a thread of its own while the picker is
// open. A picker still open when drive has returned is cancelled (and, failing that, the thread's
// loop is ended), so that a failing test never hangs. filter and strip default to the settings
// page's values.
PickerResult RunPicker(PickerKindName kind, const std::function<void(const Picker &)> &drive, HWND owner = NULL,
                       const wchar_t *filter = nullptr, const wchar_t *strip = nullptr);

// The same around any step that opens a picker of the kind (a choice on the settings page): the
// result carries only the quit message and whether the picker had to be ended from outside.
PickerResult RunWithPicker(PickerKindName kind, const std::function<void()> &open,
                           const std::function<void(const Picker &)> &drive);

// The open picker of a kind, once it is there; an empty Picker when it does not come.
Picker WaitForPicker(PickerKindName kind, DWORD timeoutMs = 10000);
// The top-level window whose class name starts with prefix (any thread of this process).
HWND FindWindowByClassPrefix(const wchar_t *prefix);

// The tree, as the driver reads it.
std::wstring ItemText(HWND tree, HTREEITEM item);
int ItemImage(HWND tree, HTREEITEM item);
int ItemChildrenFlag(HWND tree, HTREEITEM item);
bool IsExpanded(HWND tree, HTREEITEM item);
std::vector<std::wstring> ChildTexts(HWND tree, HTREEITEM item); // item null: the first level
HTREEITEM Child(HWND tree, HTREEITEM item, const std::wstring &text);
// The item at a path of texts from the first level, waiting for each to be listed.
HTREEITEM WaitForItem(HWND tree, const std::vector<std::wstring> &texts, DWORD timeoutMs = 5000);
HTREEITEM Selected(HWND tree);
std::wstring WindowText(HWND window);

// Input, as a person gives it.
void TapItem(HWND tree, HTREEITEM item);       // on its label: selects it
void DoubleTapItem(HWND tree, HTREEITEM item); // on its label
void TapButton(HWND tree, HTREEITEM item);     // its expand/collapse button
void TapMenu(const Picker &p, int command);    // "OK" (103) or "Cancel" (105) on the menu bar
void Key(WORD vk);
void TypeText(const std::wstring &text);
// Selects the item by tapping it and waits until the picker shows it as selected.
bool Select(HWND tree, HTREEITEM item);
// Expands a collapsed item with its button and waits until its listing is done.
bool Expand(HWND tree, HTREEITEM item);

} // namespace wt
