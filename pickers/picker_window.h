#pragma once
// The picker window that both pickers are: a full-screen window with "OK" and "Cancel" on its
// menu bar, a read-only line at the top that shows the choice, a tree that is filled as the user
// expands it, and a line at the bottom for free text. It runs its own message loop on the
// caller's thread until OK or Cancel.
#include "pickers/pickers.h"

#include <commctrl.h>

#define PICKER_MENU_BAR 102 // "OK" and "Cancel"
#define IDM_PICKER_OK 103
#define IDM_PICKER_CANCEL 105
#define PICKER_ICON 101
#define PICKER_IMAGE_SIDE 22
#define PICKER_MASK_COLOUR RGB(0, 255, 0) // the strips' transparent colour

// The cells of the image strip.
enum { IMAGE_OPEN_CONTAINER, IMAGE_CLOSED_CONTAINER, IMAGE_LEAF, IMAGE_COUNT };

// One per picker kind, for the whole process; reset at every opening.
struct BrowserState {
    HINSTANCE instance;
    HWND owner;
    HWND window, tree, topLine, bottomLine, menuBar; // menuBar null when it could not be made
    HFONT font;
    HBITMAP strip;
    HIMAGELIST images;
    bool acceptable; // the choice may be returned by OK
    bool done;       // OK or Cancel: the loop ends
    int inNotification; // the tree's notifications being handled, which keep the window
    DWORD lastEnterTime;
    WCHAR choice[PICKER_TEXT_CHARS];
    WCHAR typedText[PICKER_TEXT_CHARS];
    WCHAR filter[PICKER_TEXT_CHARS];
};
extern BrowserState FileBrowser;
extern BrowserState AppletBrowser;

// What differs between the two kinds: their values and their four hooks.
struct PickerKind {
    const WCHAR *baseName; // of the window class
    int treeId, topLineId, bottomLineId;
    bool waitWhileBuilding;         // the wait cursor while the window is built
    bool disableOwner;              // the owner takes no input while the picker is open
    bool restoreCursorAfterListing; // else the cursor is set to none after an expansion
    BrowserState *state;
    void (*FillFirstLevel)(HWND tree);
    void (*ListChildren)(HWND tree, HTREEITEM item, const WCHAR *pattern);
    // Turn an item into the state's choice and acceptable flag.
    void (*Select)(BrowserState *state, HWND tree, HTREEITEM item);
    // A double tap on an item: true when OK is to follow.
    bool (*DoubleTap)(BrowserState *state, HWND tree, HTREEITEM item);
};

// The entry of both kinds: empties both result buffers, runs the picker and, once the user is
// done, copies the choice and the typed text into them (both stay empty on Cancel).
void RunPicker(const PickerKind *kind, HINSTANCE instance, HWND owner, const WCHAR *title, const WCHAR *filter,
               WCHAR choice[PICKER_TEXT_CHARS], WCHAR typedText[PICKER_TEXT_CHARS], const WCHAR *imageStrip);

// An item's text (and, when image is given, its image); false when it cannot be read.
bool ReadItemText(HWND tree, HTREEITEM item, WCHAR text[MAX_PATH], int *image = nullptr);
HTREEITEM ParentItem(HWND tree, HTREEITEM item);

// The path of an item made from its text and its ancestors' texts ("\" for the root "\",
// \Apps\Bin\tool.exe below it). With trace, each ancestor's step is logged. 0, with out empty,
// when a text cannot be read or the path does not fit.
int ComposeItemPath(HWND tree, HTREEITEM item, WCHAR out[MAX_PATH], bool trace);

// The item's path followed by "\*.*" (\*.* for the root, x.cpl\*.* for a top-level applet file).
// 1, or 0 with out empty when a text cannot be read or the pattern does not fit.
int BuildSearchPattern(HWND tree, HTREEITEM item, WCHAR out[MAX_PATH]);

// Inserts an item with text, images and, for a container, an expand button.
HTREEITEM InsertPickerItem(HWND tree, HTREEITEM parent, HTREEITEM after, const WCHAR *text, bool container);
