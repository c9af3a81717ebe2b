// The program and shortcut picker over a real folder on the handheld: the handheld's own folders
// and shortcuts, what a folder lists under the filter, what a selection or a double tap gives,
// empty, unreadable and changing folders, and paths too long to return.
#include "utils/launch.h"
#include "utils/log.h"
#include "pickers/picker_window.h"
#include "tests/support/picker_support.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace wt;

namespace {

typedef std::vector<std::wstring> Texts;

// \pf: programs, a shortcut, a document, folders of every sort.
void MakeFixture()
{
    for (const wchar_t *folder : {L"\\pf", L"\\pf\\d", L"\\pf\\x.exe", L"\\pf\\empty", L"\\pf\\notes", L"\\pf\\gone"})
        CreateDirectoryW(folder, NULL);
    for (const wchar_t *file : {L"\\pf\\a.exe", L"\\pf\\b.lnk", L"\\pf\\c.txt", L"\\pf\\E.EXE", L"\\pf\\ex",
                                L"\\pf\\d\\inner.exe", L"\\pf\\x.exe\\y.lnk", L"\\pf\\notes\\readme.txt"})
        WriteText(file, "");
}

class FilePicker : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseProgramResources();
        StartFreshLog(true);
        LogEnabled = true;
        MakeFixture();
    }
    // \pf expanded.
    static HTREEITEM OpenFixture(const Picker &p)
    {
        EXPECT_TRUE(Expand(p.tree, WaitForItem(p.tree, {L"\\"})));
        HTREEITEM pf = WaitForItem(p.tree, {L"\\", L"pf"});
        EXPECT_TRUE(Expand(p.tree, pf));
        return pf;
    }
};

} // namespace

TEST_F(FilePicker, TheHandheldsFoldersAndItsStartMenusShortcutsAreListed)
{
    struct Case { Texts folder, listed; } cases[] = {
        // Beside the fixture's \pf; "users" is the profile Wine makes again at every start.
        {{L"\\"}, {L"My Documents", L"pf", L"Program Files", L"Temp", L"users", L"windows"}},
        {{L"\\", L"Program Files"}, {L"Quillmark"}},
        {{L"\\", L"windows", L"Start Menu"}, {L"Internet Explorer.lnk", L"Programs"}},
        {{L"\\", L"windows", L"Start Menu", L"Programs"}, {L"Notes.lnk"}},
    };
    RunPicker(FILE_PICKER, [&](const Picker &p) {
        for (const Case &c : cases) {
            Texts path;
            for (const std::wstring &name : c.folder) {
                path.push_back(name);
                HTREEITEM item = WaitForItem(p.tree, path);
                if (!IsExpanded(p.tree, item)) {
                    EXPECT_TRUE(Expand(p.tree, item)) << Utf8(name);
                }
            }
            EXPECT_EQ(c.listed, ChildTexts(p.tree, WaitForItem(p.tree, path))) << Utf8(path.back());
        }
        TapMenu(p, IDM_PICKER_CANCEL);
    });
}

TEST_F(FilePicker, AShortcutChosenInThePickerStartsItsProgram)
{
    RemoveFile(L"\\handheld-events.txt");
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        Texts path = {L"\\", L"windows", L"Start Menu", L"Programs"};
        for (size_t i = 1; i <= path.size(); i++)
            EXPECT_TRUE(Expand(p.tree, WaitForItem(p.tree, Texts(path.begin(), path.begin() + i))));
        path.push_back(L"Notes.lnk");
        DoubleTapItem(p.tree, WaitForItem(p.tree, path));
    });
    ASSERT_EQ(L"\\windows\\Start Menu\\Programs\\Notes.lnk", r.choice);
    // As the Open Program action starts the slot's choice.
    EXPECT_TRUE(LaunchProgram(r.choice.c_str(), r.text.c_str()));
    std::vector<std::string> events = WaitForEvents(1);
    ASSERT_EQ(1u, events.size()) << "the shortcut started nothing";
    EXPECT_NE(std::string::npos, events[0].find("notes.exe")) << events[0];
    HWND notes = WaitForWindow(L"HandheldNotes", L"Notes");
    EXPECT_TRUE(notes) << "no Notes window";
    if (notes)
        PostMessageW(notes, WM_CLOSE, 0, 0);
    EXPECT_EQ(2u, WaitForEvents(2).size()) << "Notes did not close";
}

TEST_F(FilePicker, AFolderListsEveryFolderAndTheFilesThatPassTheFilterInSortedOrder)
{
    struct Case { const wchar_t *filter; Texts listed; } cases[] = {
        {L"exe.|knl.", {L"a.exe", L"b.lnk", L"d", L"empty", L"ex", L"gone", L"notes", L"x.exe"}},
        {L"*.", {L"a.exe", L"b.lnk", L"c.txt", L"d", L"E.EXE", L"empty", L"ex", L"gone", L"notes", L"x.exe"}},
        {L"txt.", {L"c.txt", L"d", L"empty", L"gone", L"notes", L"x.exe"}},
    };
    for (const Case &c : cases) {
        Texts listed, first;
        int images[3] = {-1, -1, -1};
        RunPicker(FILE_PICKER, [&](const Picker &p) {
            first = ChildTexts(p.tree, NULL);
            HTREEITEM pf = OpenFixture(p);
            listed = ChildTexts(p.tree, pf);
            images[0] = ItemImage(p.tree, pf);
            images[1] = ItemImage(p.tree, Child(p.tree, pf, L"d"));
            images[2] = ItemImage(p.tree, Child(p.tree, pf, c.listed[0]));
            TapMenu(p, IDM_PICKER_CANCEL);
        }, NULL, c.filter);
        EXPECT_EQ(Texts{L"\\"}, first) << "nothing but the root at first";
        EXPECT_EQ(c.listed, listed) << Utf8(c.filter);
        EXPECT_EQ(IMAGE_OPEN_CONTAINER, images[0]) << "an expanded folder";
        EXPECT_EQ(IMAGE_CLOSED_CONTAINER, images[1]) << "a collapsed folder";
        EXPECT_EQ(IMAGE_LEAF, images[2]) << Utf8(c.listed[0]) << ": a file";
    }
}

TEST_F(FilePicker, ASelectionShowsItsPathAndOkReturnsItWhenItsTextPassesTheFilter)
{
    struct Case {
        const wchar_t *filter;
        Texts item; // below the root
        const wchar_t *shown;
        bool accepted;
    } cases[] = {
        {L"exe.|knl.", {L"pf", L"a.exe"}, L"\\pf\\a.exe", true},
        {L"exe.|knl.", {L"pf", L"b.lnk"}, L"\\pf\\b.lnk", true},
        {L"exe.|knl.", {L"pf", L"ex"}, L"\\pf\\ex", true},         // "xe" occurs in the filter
        {L"exe.|knl.", {L"pf", L"x.exe"}, L"\\pf\\x.exe", true},   // a folder whose name passes
        {L"exe.|knl.", {L"pf", L"d"}, L"\\pf\\d", false},
        {L"exe.|knl.", {}, L"\\", false},                          // the root
        {L"*.", {}, L"\\", true},                                  // everything, the root too
        {L"*.", {L"pf", L"c.txt"}, L"\\pf\\c.txt", true},
    };
    for (const Case &c : cases) {
        std::wstring shown;
        PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
            HTREEITEM item = WaitForItem(p.tree, {L"\\"});
            Texts path = {L"\\"};
            for (const std::wstring &t : c.item) {
                EXPECT_TRUE(Expand(p.tree, item));
                path.push_back(t);
                item = WaitForItem(p.tree, path);
            }
            EXPECT_TRUE(Select(p.tree, item));
            shown = WindowText(p.topLine);
            TapMenu(p, IDM_PICKER_OK);
            if (!c.accepted) {
                Sleep(300);
                EXPECT_TRUE(IsWindowVisible(p.window)) << Utf8(c.shown);
                TapMenu(p, IDM_PICKER_CANCEL);
            }
        }, NULL, c.filter);
        EXPECT_EQ(c.shown, shown);
        EXPECT_EQ(c.accepted ? c.shown : L"", r.choice) << Utf8(c.shown);
        EXPECT_FALSE(r.rescued);
    }
}

TEST_F(FilePicker, ADoubleTapAcceptsAFileAtOnceAndOpensOrClosesAFolder)
{
    // A file: accepted with the text typed before, the trace of its path in the log.
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        HTREEITEM pf = OpenFixture(p);
        HTREEITEM d = Child(p.tree, pf, L"d");
        EXPECT_TRUE(Expand(p.tree, d));
        Tap(CentreOf(p.bottomLine).x, CentreOf(p.bottomLine).y);
        TypeText(L"-q");
        WaitFor([&] { return WindowText(p.bottomLine) == L"-q"; });
        DoubleTapItem(p.tree, WaitForItem(p.tree, {L"\\", L"pf", L"d", L"inner.exe"}));
    });
    EXPECT_EQ(L"\\pf\\d\\inner.exe", r.choice);
    EXPECT_EQ(L"-q", r.text);
    std::vector<std::string> log = LogMessages();
    // Each step up the tree: the text read and the path so far, both back to front.
    const char *trace[] = {"![d]", "!$[exe.renni\\d]", "![fp]", "!$[exe.renni\\d\\fp]", "![\\]",
                           "!$[exe.renni\\d\\fp\\]"};
    auto at = std::find(log.begin(), log.end(), trace[0]);
    ASSERT_NE(log.end(), at) << "no trace";
    for (const char *line : trace)
        EXPECT_EQ(line, at < log.end() ? *at++ : "") << line;

    // Nothing typed: an empty text.
    r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        OpenFixture(p);
        DoubleTapItem(p.tree, WaitForItem(p.tree, {L"\\", L"pf", L"a.exe"}));
    });
    EXPECT_EQ(L"\\pf\\a.exe", r.choice);
    EXPECT_EQ(L"", r.text);

    // A folder, one whose name passes the filter too, opens and closes and accepts nothing.
    r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        HTREEITEM pf = OpenFixture(p);
        for (const wchar_t *name : {L"d", L"x.exe"}) {
            HTREEITEM folder = Child(p.tree, pf, name);
            DoubleTapItem(p.tree, folder);
            EXPECT_TRUE(WaitFor([&] { return IsExpanded(p.tree, folder); }, 3000)) << Utf8(name);
            Sleep(600); // no double tap with the next
            DoubleTapItem(p.tree, folder);
            EXPECT_TRUE(WaitFor([&] { return !IsExpanded(p.tree, folder); }, 3000)) << Utf8(name);
            Sleep(600);
        }
        EXPECT_TRUE(IsWindowVisible(p.window));
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    EXPECT_EQ(L"", r.choice);
    EXPECT_FALSE(r.rescued);
}

TEST_F(FilePicker, EmptyUnreadableAndFilteredOutFoldersKeepOrLoseTheirButtons)
{
    int empty = -1, emptyAgain = -1, gone = -1, notes = -1, notesImage = -1;
    Texts goneChildren, notesChildren;
    RunPicker(FILE_PICKER, [&](const Picker &p) {
        HTREEITEM pf = OpenFixture(p);
        // Empty: the button goes.
        HTREEITEM e = Child(p.tree, pf, L"empty");
        TapButton(p.tree, e);
        WaitFor([&] { return ItemChildrenFlag(p.tree, e) == 0; }, 3000);
        empty = ItemChildrenFlag(p.tree, e);

        // Removed since its folder was listed: it cannot be read, and keeps its button.
        RemoveDirectoryW(L"\\pf\\gone");
        HTREEITEM g = Child(p.tree, pf, L"gone");
        TapButton(p.tree, g);
        WaitForLogMessage("BrowseFile: FindFirstFile returned invalid handle", 3000);
        gone = ItemChildrenFlag(p.tree, g);
        goneChildren = ChildTexts(p.tree, g);

        // Only files that fail the filter: nothing listed, the button stays, the picture closed.
        HTREEITEM n = Child(p.tree, pf, L"notes");
        TapButton(p.tree, n);
        Sleep(500);
        notes = ItemChildrenFlag(p.tree, n);
        notesImage = ItemImage(p.tree, n);
        notesChildren = ChildTexts(p.tree, n);

        // The parent listed anew gives the empty folder its button back.
        TapButton(p.tree, pf);
        WaitFor([&] { return !IsExpanded(p.tree, pf); }, 3000);
        EXPECT_TRUE(Expand(p.tree, pf));
        emptyAgain = ItemChildrenFlag(p.tree, WaitForItem(p.tree, {L"\\", L"pf", L"empty"}));
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    EXPECT_EQ(0, empty) << "an empty folder keeps its button";
    EXPECT_EQ(1, gone) << "an unreadable folder lost its button";
    EXPECT_TRUE(goneChildren.empty());
    EXPECT_EQ(1, notes);
    EXPECT_TRUE(notesChildren.empty());
    EXPECT_EQ(IMAGE_CLOSED_CONTAINER, notesImage) << "a folder that did not open shows open";
    EXPECT_EQ(1, emptyAgain);
    std::vector<std::string> log = LogMessages();
    EXPECT_EQ(1, std::count(log.begin(), log.end(), "BrowseFile: FindFirstFile returned invalid handle"));
}

TEST_F(FilePicker, CollapsingForgetsAFolderAndExpandingReadsItAnew)
{
    Texts before, whileClosed, after;
    std::wstring shownAfterCollapse;
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        HTREEITEM pf = OpenFixture(p);
        HTREEITEM d = Child(p.tree, pf, L"d");
        EXPECT_TRUE(Expand(p.tree, d));
        before = ChildTexts(p.tree, d);
        // A selection inside goes to the folder as it closes.
        EXPECT_TRUE(Select(p.tree, Child(p.tree, d, L"inner.exe")));
        WriteText(L"\\pf\\d\\new.exe", "");
        TapButton(p.tree, d);
        WaitFor([&] { return !IsExpanded(p.tree, d); }, 3000);
        whileClosed = ChildTexts(p.tree, d);
        shownAfterCollapse = WindowText(p.topLine);
        EXPECT_EQ(IMAGE_CLOSED_CONTAINER, ItemImage(p.tree, d));
        EXPECT_EQ(1, ItemChildrenFlag(p.tree, d)) << "lost its button";
        EXPECT_TRUE(Expand(p.tree, d));
        after = ChildTexts(p.tree, d);
        TapMenu(p, IDM_PICKER_OK); // the folder d is not acceptable
        Sleep(300);
        TapMenu(p, IDM_PICKER_CANCEL);
    });
    EXPECT_EQ(Texts{L"inner.exe"}, before);
    EXPECT_TRUE(whileClosed.empty());
    EXPECT_EQ(L"\\pf\\d", shownAfterCollapse);
    EXPECT_EQ((Texts{L"inner.exe", L"new.exe"}), after);
    EXPECT_EQ(L"", r.choice);
    EXPECT_FALSE(r.rescued);
}

TEST_F(FilePicker, PathsThatDoNotFitAreNotListedAndLongOnesComeBackWhole)
{
    // \deep and four folders of 50: 209 characters; a file of 49 makes a path of 259.
    std::wstring deep = L"\\\\?\\C:\\deep", shown = L"\\deep";
    Texts items = {L"\\", L"deep"};
    CreateDirectoryW(deep.c_str(), NULL);
    for (wchar_t c : {L'a', L'b', L'c', L'd'}) {
        std::wstring part(50, c);
        deep += L"\\" + part;
        shown += L"\\" + part;
        items.push_back(part);
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ASSERT_EQ(209u, shown.size());
    std::wstring fits(45, L'f'), tooLong(46, L'g');
    fits += L".exe";    // 49: the path is 259
    tooLong += L".exe"; // 50: 260
    std::wstring folder(46, L's'); // its path is 256, its pattern \...\sss\*.* 260
    WriteText((deep + L"\\" + fits).c_str(), "");
    WriteText((deep + L"\\" + tooLong).c_str(), "");
    CreateDirectoryW((deep + L"\\" + folder).c_str(), NULL);
    WriteText((deep + L"\\" + folder + L"\\x.exe").c_str(), "");

    Texts listed, inFolder;
    PickerResult r = RunPicker(FILE_PICKER, [&](const Picker &p) {
        HTREEITEM item = NULL;
        Texts path;
        for (const std::wstring &t : items) {
            if (item) {
                EXPECT_TRUE(Expand(p.tree, item));
            }
            path.push_back(t);
            item = WaitForItem(p.tree, path);
        }
        EXPECT_TRUE(Expand(p.tree, item));
        Texts fitsPath = path;
        fitsPath.push_back(fits);
        WaitForItem(p.tree, fitsPath, 3000);
        listed = ChildTexts(p.tree, item);
        HTREEITEM sub = Child(p.tree, item, folder);
        TapButton(p.tree, sub);
        Sleep(500);
        inFolder = ChildTexts(p.tree, sub);
        EXPECT_TRUE(Select(p.tree, Child(p.tree, item, fits)));
        TapMenu(p, IDM_PICKER_OK);
    });
    EXPECT_EQ((Texts{fits, folder}), listed);
    EXPECT_TRUE(inFolder.empty()) << "a folder whose search pattern does not fit was searched";
    EXPECT_EQ(259u, r.choice.size());
    EXPECT_EQ(shown + L"\\" + fits, r.choice);
}
