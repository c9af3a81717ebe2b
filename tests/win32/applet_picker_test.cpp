// The applet picker over the applets in the handheld's \windows: the sample applets the handheld
// carries and, copied in by the tests, applets that misbehave or report how they are called.
#include "utils/log.h"
#include "pickers/applet_list.h"
#include "pickers/picker_window.h"
#include "tests/support/picker_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace wt;

namespace {

typedef std::vector<std::wstring> Texts;

// The test applets are built beside this program.
std::wstring BesideMe(const wchar_t *name)
{
    WCHAR me[MAX_PATH] = {0};
    GetModuleFileNameW(NULL, me, MAX_PATH);
    std::wstring path = me;
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

void Install(const wchar_t *from, const wchar_t *as)
{
    CopyFileW(BesideMe(from).c_str(), (std::wstring(L"C:\\windows\\") + as).c_str(), FALSE);
}

// The cursor's show count, read without changing it.
int ShownCount()
{
    int shown = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    return shown;
}

class AppletPicker : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseProgramResources();
        StartFreshLog(true);
        LogEnabled = true;
        RemoveFile(L"\\handheld-events.txt");
        for (const wchar_t *applet : {L"million.cpl", L"unterminated.cpl", L"noexport.cpl", L"probe.cpl"})
            Install(applet, applet);
    }
    static HTREEITEM Open(const Picker &p, const wchar_t *file)
    {
        HTREEITEM item = WaitForItem(p.tree, {file});
        EXPECT_TRUE(Expand(p.tree, item)) << Utf8(file);
        return item;
    }
};

} // namespace

TEST_F(AppletPicker, TheFirstLevelIsTheAppletFilesOfWindows)
{
    CreateDirectoryW(L"\\windows\\y.cpl", NULL);  // a folder
    Install(L"sample.cpl", L"X.CPL");             // capitals: its library would not be found
    WriteText(L"\\windows\\notes.cplx", "");
    Texts first;
    std::vector<int> images, buttons;
    RunPicker(APPLET_PICKER, [&](const Picker &p) {
        first = ChildTexts(p.tree, NULL);
        for (const std::wstring &t : first) {
            images.push_back(ItemImage(p.tree, Child(p.tree, NULL, t)));
            buttons.push_back(ItemChildrenFlag(p.tree, Child(p.tree, NULL, t)));
        }
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    EXPECT_EQ((Texts{L"empty.cpl", L"million.cpl", L"noexport.cpl", L"probe.cpl", L"refusing.cpl", L"sample.cpl",
                     L"unterminated.cpl"}),
              first);
    EXPECT_EQ(std::vector<int>(first.size(), IMAGE_CLOSED_CONTAINER), images);
    EXPECT_EQ(std::vector<int>(first.size(), 1), buttons);
}

TEST_F(AppletPicker, AnEntryGivesItsReferenceAndTheLowerIndexOfTwoOfTheSameName)
{
    Install(L"twins.cpl", L"twins.cpl");
    const Texts sample = {L"Buttons", L"Clock", L"Power", L"Power"}, twins = {L"Clo\u00ADck", L"Clock"};
    struct Case { const wchar_t *file; Texts listed; const wchar_t *entry; int nth; const wchar_t *reference; } cases[] = {
        {L"sample.cpl", sample, L"Buttons", 0, L"\\windows\\sample.cpl,0"},
        {L"sample.cpl", sample, L"Clock", 0, L"\\windows\\sample.cpl,2"}, // the entry with no name is counted, not shown
        {L"sample.cpl", sample, L"Power", 0, L"\\windows\\sample.cpl,3"},
        {L"sample.cpl", sample, L"Power", 1, L"\\windows\\sample.cpl,3"},
        // Names are compared unit by unit: a soft hyphen makes another name.
        {L"twins.cpl", twins, L"Clock", 0, L"\\windows\\twins.cpl,1"},
        {L"twins.cpl", twins, L"Clo\u00ADck", 0, L"\\windows\\twins.cpl,0"},
    };
    for (const Case &c : cases) {
        Texts entries;
        std::wstring shown;
        std::vector<int> images;
        PickerResult r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
            HTREEITEM file = Open(p, c.file);
            entries = ChildTexts(p.tree, file);
            for (HTREEITEM e = (HTREEITEM)SendMessageW(p.tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)file); e;
                 e = (HTREEITEM)SendMessageW(p.tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)e))
                images.push_back(ItemImage(p.tree, e));
            HTREEITEM entry = Child(p.tree, file, c.entry);
            if (c.nth)
                entry = (HTREEITEM)SendMessageW(p.tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)entry);
            EXPECT_TRUE(Select(p.tree, entry));
            shown = WindowText(p.topLine);
            Tap(CentreOf(p.bottomLine).x, CentreOf(p.bottomLine).y);
            TypeText(L"note");
            WaitFor([&] { return WindowText(p.bottomLine) == L"note"; });
            TapMenu(p, IDM_PICKER_OK);
        });
        EXPECT_EQ(c.listed, entries) << Utf8(c.reference);
        EXPECT_EQ(std::vector<int>(c.listed.size(), IMAGE_LEAF), images) << Utf8(c.reference);
        EXPECT_EQ(c.reference, shown);
        EXPECT_EQ(c.reference, r.choice);
        EXPECT_EQ(L"note", r.text);
    }
}

TEST_F(AppletPicker, AnAppletFileIsShownButNotAccepted)
{
    std::wstring shown;
    PickerResult r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
        EXPECT_TRUE(Select(p.tree, WaitForItem(p.tree, {L"sample.cpl"})));
        shown = WindowText(p.topLine);
        TapMenu(p, IDM_PICKER_OK);
        Key(VK_RETURN);
        Key(VK_RETURN);
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(p.window));
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    EXPECT_EQ(L"\\windows\\sample.cpl", shown);
    EXPECT_EQ(L"", r.choice);
    EXPECT_FALSE(r.rescued);
}

TEST_F(AppletPicker, TwoEntersOrADoubleTapOnAnEntryAcceptIt)
{
    // The settings page's way: pick the entry, press Enter twice.
    PickerResult r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
        HTREEITEM file = Open(p, L"sample.cpl");
        EXPECT_TRUE(Select(p.tree, Child(p.tree, file, L"Clock")));
        Key(VK_RETURN);
        Key(VK_RETURN);
    });
    EXPECT_EQ(L"\\windows\\sample.cpl,2", r.choice);

    r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
        HTREEITEM file = Open(p, L"sample.cpl");
        DoubleTapItem(p.tree, Child(p.tree, file, L"Buttons"));
    });
    EXPECT_EQ(L"\\windows\\sample.cpl,0", r.choice);

    // On a file: it opens and closes, nothing is accepted.
    r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
        HTREEITEM file = WaitForItem(p.tree, {L"sample.cpl"});
        DoubleTapItem(p.tree, file);
        EXPECT_TRUE(WaitFor([&] { return IsExpanded(p.tree, file); }, 3000));
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(p.window));
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    EXPECT_EQ(L"", r.choice);
    EXPECT_FALSE(r.rescued);
}

TEST_F(AppletPicker, TheSelectedEntrySurvivesExpandingAnotherFileButNotClosingItsOwn)
{
    PickerResult r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
        HTREEITEM file = Open(p, L"sample.cpl");
        EXPECT_TRUE(Select(p.tree, Child(p.tree, file, L"Power")));
        EXPECT_TRUE(Expand(p.tree, WaitForItem(p.tree, {L"probe.cpl"})));
        EXPECT_EQ(L"\\windows\\sample.cpl,3", WindowText(p.topLine));
        TapMenu(p, IDM_PICKER_OK);
    });
    EXPECT_EQ(L"\\windows\\sample.cpl,3", r.choice);

    // Its own file closed: the selection goes to the file at once, the applet is not asked for
    // the entries being removed.
    std::wstring shown;
    std::vector<std::string> asked;
    r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
        HTREEITEM file = Open(p, L"probe.cpl");
        EXPECT_TRUE(Select(p.tree, Child(p.tree, file, L"One")));
        WaitForEvents(8);
        RemoveFile(L"\\handheld-events.txt");
        TapButton(p.tree, file);
        WaitFor([&] { return !IsExpanded(p.tree, file); }, 3000);
        shown = WindowText(p.topLine);
        asked = WaitForEvents(1, 500);
        TapMenu(p, IDM_PICKER_OK);
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(p.window)) << "a closed file's entry was accepted";
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    EXPECT_EQ(L"\\windows\\probe.cpl", shown);
    EXPECT_TRUE(asked.empty()) << asked.size() << " calls, the first " << (asked.empty() ? "" : asked[0]);
    EXPECT_EQ(L"", r.choice);
}

TEST_F(AppletPicker, MisbehavingAppletsListWhatTheyCanWithinBoundsAndAreReleased)
{
    Install(L"sample.cpl", L"a.cpl.b.cpl");
    Install(L"probe.cpl", L"a.cpl");
    Install(L"overrun.cpl", L"overrun.cpl");
    struct Case {
        const wchar_t *file;
        Texts first;     // the first entries listed
        size_t count;    // how many are listed
        int buttons;     // the file's children flag afterwards
        const wchar_t *pick, *reference;
        std::vector<std::string> events; // what the applet recorded
    } cases[] = {
        {L"refusing.cpl", {}, 0, 1, nullptr, nullptr},
        {L"empty.cpl", {}, 0, 1, nullptr, nullptr},
        {L"noexport.cpl", {}, 0, 1, nullptr, nullptr},
        {L"unterminated.cpl", {L"Fine", L"Also fine"}, 2, 1, L"Also fine", L"\\windows\\unterminated.cpl,2"},
        {L"million.cpl", {L"Entry 0", L"Entry 1"}, APPLET_MAX_ENTRIES, 1, L"Entry 255", L"\\windows\\million.cpl,255"},
        // The library name ends at the ".cpl" that ends the file name: a.cpl.b.cpl, not a.cpl.
        {L"a.cpl.b.cpl", {L"Buttons", L"Clock"}, 4, 1, L"Clock", L"\\windows\\a.cpl.b.cpl,2"},
        // Each inquiry, two to list and two to look up "Far", writes into zero-filled room.
        {L"overrun.cpl", {L"Near", L"Far"}, 2, 1, L"Far", L"\\windows\\overrun.cpl,1",
         std::vector<std::string>(4, "overrun room=zero")},
    };
    for (const Case &c : cases) {
        RemoveFile(L"\\handheld-events.txt");
        Texts entries;
        int buttons = -1;
        DWORD took = 0;
        bool loaded = true;
        PickerResult r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
            HTREEITEM file = WaitForItem(p.tree, {c.file});
            DWORD start = GetTickCount();
            TapButton(p.tree, file);
            WaitFor([&] { return ChildTexts(p.tree, file).size() >= c.count; }, 10000);
            Sleep(c.count ? 0 : 500);
            took = GetTickCount() - start;
            entries = ChildTexts(p.tree, file);
            buttons = ItemChildrenFlag(p.tree, file);
            loaded = GetModuleHandleW(c.file) != NULL;
            if (c.pick) {
                EXPECT_TRUE(Select(p.tree, Child(p.tree, file, c.pick)));
                TapMenu(p, IDM_PICKER_OK);
            } else {
                TapMenu(p, IDM_PICKER_CANCEL);
            }
        });
        EXPECT_EQ(c.count, entries.size()) << Utf8(c.file);
        for (size_t i = 0; i < c.first.size() && i < entries.size(); i++)
            EXPECT_EQ(c.first[i], entries[i]) << Utf8(c.file);
        EXPECT_EQ(c.buttons, buttons) << Utf8(c.file);
        EXPECT_LT(took, 5000u) << Utf8(c.file);
        EXPECT_FALSE(loaded) << Utf8(c.file) << " stays loaded";
        EXPECT_EQ(nullptr, GetModuleHandleW(c.file)) << Utf8(c.file) << " stays loaded";
        EXPECT_EQ(c.reference ? c.reference : L"", r.choice) << Utf8(c.file);
        EXPECT_FALSE(r.rescued) << Utf8(c.file);
        EXPECT_EQ(c.events, WaitForEvents(c.events.size(), 2000)) << Utf8(c.file);
    }
}

TEST_F(AppletPicker, TheAppletIsAskedWithTheTreeUnderTheWaitCursorAndLookedUpWithNoWindow)
{
    int shown = ShownCount();
    std::vector<std::string> expanded, selected;
    PickerResult r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
        Open(p, L"probe.cpl");
        expanded = WaitForEvents(4);
        RemoveFile(L"\\handheld-events.txt");
        EXPECT_TRUE(Select(p.tree, WaitForItem(p.tree, {L"probe.cpl", L"Two"})));
        selected = WaitForEvents(4);
        TapMenu(p, IDM_PICKER_OK);
    });
    std::string tree = " window=SysTreeView32 cursor=wait shown=" + std::to_string(shown + 1);
    EXPECT_EQ((std::vector<std::string>{"probe 1" + tree, "probe 2" + tree, "probe 8" + tree, "probe 8" + tree}),
              expanded);
    // The lookup: no window, and the cursor as it was before the expansion's wait.
    std::string none = " window=none cursor=other shown=" + std::to_string(shown);
    EXPECT_EQ((std::vector<std::string>{"probe 1" + none, "probe 2" + none, "probe 8" + none, "probe 8" + none}),
              selected);
    EXPECT_EQ(L"\\windows\\probe.cpl,1", r.choice);
    EXPECT_EQ(shown, ShownCount());
    std::vector<std::string> log = LogMessages();
    for (const char *line : {"cursor on, list applets for [probe.cpl\\*.*]", "GetAppletContents 1",
                             "GetAppletContents loaded [probe.cpl]", "GetAppletContents items=2",
                             "cplInfo.szName=One", "add to tree", "add to tree out", "cplInfo.szName=Two"})
        EXPECT_NE(log.end(), std::find(log.begin(), log.end(), line)) << line;
}

namespace {

// The message box that modal.cpl shows, once it is up.
HWND ModalBox()
{
    HWND box = NULL;
    WaitFor([&] { return (box = FindWindowW(L"#32770", L"Modal applet")) != NULL && IsWindowVisible(box); }, 5000);
    return box;
}

} // namespace

TEST_F(AppletPicker, CancelOrACloseWhileAnAppletPumpsInsideTheTreeEndsThePickerOnceTheAppletReturns)
{
    Install(L"modal.cpl", L"modal.cpl");
    // The box disables the picker, so its menu bar sends nothing then, as the handheld's own bar
    // does; a Cancel command that comes all the same (posted by another program) and a close are
    // only marked until the tree has its answer.
    struct Case {
        const char *what;
        std::function<void(const Picker &)> end;
        bool taken; // while the box is up
    } cases[] = {
        {"the Cancel command", [](const Picker &p) { PostMessageW(p.window, WM_COMMAND, IDM_PICKER_CANCEL, 0); }, true},
        {"a close", [](const Picker &p) { PostMessageW(p.window, WM_CLOSE, 0, 0); }, true},
        {"a tap on the bar's Cancel", [](const Picker &p) { TapMenu(p, IDM_PICKER_CANCEL); }, false},
    };
    // A window of the picker's thread, to know when that thread has finished a step.
    HWND sync = CreateWindowExW(0, L"static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    for (const Case &c : cases) {
        bool boxUp = false, marked = false, windowsKept = false, boxKept = false, openAfter = false;
        PickerResult r = RunPicker(APPLET_PICKER, [&](const Picker &p) {
            HTREEITEM file = WaitForItem(p.tree, {L"modal.cpl"});
            TapButton(p.tree, file); // the tree asks the applet, which shows its box
            HWND box = ModalBox();
            boxUp = box != NULL;
            if (!box)
                return;
            c.end(p);
            // Answered once the picker's thread waits for messages again, done with the step.
            DWORD_PTR answer;
            SendMessageTimeoutW(sync, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
            marked = c.taken ? WaitFor([&] { return AppletBrowser.done; }, 5000) : AppletBrowser.done != 0;
            windowsKept = IsWindow(p.window) && IsWindow(p.tree);
            boxKept = IsWindowVisible(box) != FALSE;
            if (IsWindow(box)) {
                HWND ok = GetDlgItem(box, IDOK);
                Tap(CentreOf(ok).x, CentreOf(ok).y);
            }
            if (!c.taken) { // the picker works on once the box is answered
                openAfter = WaitFor([&] { return IsWindowEnabled(p.window) != FALSE; }, 5000) && IsWindow(p.window);
                TapMenu(p, IDM_PICKER_CANCEL);
            }
            WaitFor([&] { return !IsWindow(p.window); }, 5000);
        });
        EXPECT_TRUE(boxUp) << c.what << ": the applet's box did not come";
        EXPECT_EQ(c.taken, marked) << c.what << (c.taken ? ": not taken while the box was up" : ": taken from a disabled picker's bar");
        EXPECT_TRUE(windowsKept) << c.what << ": the picker and its tree went while the tree was still asking the applet";
        EXPECT_TRUE(boxKept) << c.what << ": the box went with the picker";
        if (!c.taken) {
            EXPECT_TRUE(openAfter) << c.what << ": the picker did not work on after the box";
        }
        EXPECT_EQ(L"", r.choice) << c.what;
        EXPECT_EQ(L"", r.text) << c.what;
        EXPECT_EQ(nullptr, FindWindowByClassPrefix(L"browseapplet:")) << c.what;
        EXPECT_EQ(nullptr, GetModuleHandleW(L"modal.cpl")) << c.what << ": stays loaded";
    }
    DestroyWindow(sync);
}
