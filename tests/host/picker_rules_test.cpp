#include "pickers/picker_rules.h"

#include <gtest/gtest.h>
#include <climits>
#include <string>
#include <vector>

using std::u16string;

namespace {

std::string Narrow(const u16string &s) { return std::string(s.begin(), s.end()); }

} // namespace

TEST(ExtensionFilter, ComparesTheLastFourUnitsReversedAsASubstring)
{
    struct Case { const char16_t *filter, *name; bool passes; } cases[] = {
        {u"exe.|knl.", u"a.exe", true},
        {u"exe.|knl.", u"b.lnk", true},
        {u"exe.|knl.", u"c.txt", false},
        {u"exe.|knl.", u"E.EXE", false},      // case-sensitive
        {u"exe.|knl.", u"ex", true},          // shorter than four: "xe" occurs in the filter
        {u"exe.|knl.", u"x.exe", true},       // a folder of that name passes too; the kind is not looked at
        {u"exe.|knl.", u"tool.exe.bak", false},
        {u"exe.|knl.", u"k|.e", true},        // "e.|k" spans two entries: a plain substring search
        {u"exe.|knl.", u"\\", false},
        {u"exe.|knl.", u"a.ex", false},
        {u"lpc.", u"x.cpl", true},
        {u"*.", u"\\", true},
        {u"*.", u"notes.txt", true},
        {u"*.x", u"notes.txt", false},        // only the exact "*." accepts everything
        {u"", u"a.exe", false},
        {u"", u"", true},                     // the empty key occurs in any text
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.passes, PassesExtensionFilter(c.filter, c.name)) << Narrow(c.filter) << " " << Narrow(c.name);
}

namespace {

// The path of an item from its text and its ancestors' texts, nearest first, as the pickers walk
// the tree; empty when a step is refused.
u16string Compose(const std::vector<u16string> &texts, size_t cap, bool pattern)
{
    std::vector<char16_t> path(cap + 1, u'#');
    path[0] = 0;
    for (const u16string &t : texts)
        if (!PrependPathPart(path.data(), cap, t.c_str()))
            return u"refused";
    if (pattern && !FinishSearchPattern(path.data(), cap))
        return u"refused";
    EXPECT_EQ(u'#', path[cap]) << "written past the buffer";
    return path.data();
}

} // namespace

TEST(ItemPaths, JoinTheTextsBelowTheRootWithOneBackslash)
{
    struct Case { std::vector<u16string> texts; const char16_t *path, *pattern; } cases[] = {
        {{u"tool.exe", u"Bin", u"Apps", u"\\"}, u"\\Apps\\Bin\\tool.exe", u"\\Apps\\Bin\\tool.exe\\*.*"},
        {{u"\\"}, u"\\", u"\\*.*"},
        {{u"Windows", u"\\"}, u"\\Windows", u"\\Windows\\*.*"},
        {{u"x.cpl"}, u"x.cpl", u"x.cpl\\*.*"},
        {{u"Clock", u"x.cpl"}, u"x.cpl\\Clock", u"x.cpl\\Clock\\*.*"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(u16string(c.path), Compose(c.texts, 260, false)) << Narrow(c.path);
        EXPECT_EQ(u16string(c.pattern), Compose(c.texts, 260, true)) << Narrow(c.path);
    }
}

TEST(ItemPaths, ThatDoNotFitAreRefusedNeverCut)
{
    // \ + name: 1 + n units and the terminator in 260; the pattern adds 4 more.
    struct Case { size_t nameLen; bool pathFits, patternFits; } cases[] = {
        {254, true, true}, {255, true, false}, {258, true, false}, {259, false, false}, {400, false, false},
    };
    for (const Case &c : cases) {
        u16string name(c.nameLen, u'n');
        EXPECT_EQ(c.pathFits ? u"\\" + name : u"refused", Compose({name, u"\\"}, 260, false)) << c.nameLen;
        EXPECT_EQ(c.patternFits ? u"\\" + name + u"\\*.*" : u"refused", Compose({name, u"\\"}, 260, true))
            << c.nameLen;
    }
    // A refused step leaves what was composed so far.
    char16_t path[16] = u"b\\c";
    EXPECT_FALSE(PrependPathPart(path, 8, u"abcd"));
    EXPECT_EQ(u16string(u"b\\c"), u16string(path));
    EXPECT_FALSE(FinishSearchPattern(path, 7));
    EXPECT_EQ(u16string(u"b\\c"), u16string(path));
    EXPECT_TRUE(FinishSearchPattern(path, 8));
    EXPECT_EQ(u16string(u"b\\c\\*.*"), u16string(path));
}

TEST(AppletNames, FilesEndInLowerCaseCplAndTheLibraryIsTheFileTheItemNames)
{
    struct Case { const char16_t *name; bool applet; } files[] = {
        {u"x.cpl", true}, {u".cpl", true}, {u"cpl", false}, {u"X.CPL", false}, {u"x.cplx", false},
        {u"a.cpl.b.cpl", true}, {u"", false},
    };
    for (const Case &c : files)
        EXPECT_EQ(c.applet, IsAppletFileName(c.name)) << Narrow(c.name);

    struct Lib { const char16_t *path, *library; } libs[] = {
        {u"x.cpl\\*.*", u"x.cpl"},
        {u"a.cpl.b.cpl\\*.*", u"a.cpl.b.cpl"}, // one file, not a.cpl
        {u"x.cpl\\y.cpl\\*.*", u"x.cpl"},
        {u"x.cpls\\*.*", u""},
        {u"X.CPL\\*.*", u""},
        {u"cplmain.cpl", u"cplmain.cpl"},
        {u"\\windows\\*.*", u""},
        {u".cp", u""},
    };
    for (const Lib &c : libs) {
        char16_t out[260] = u"junk";
        EXPECT_EQ(c.library[0] != 0, AppletLibraryName(c.path, out, 260)) << Narrow(c.path);
        EXPECT_EQ(u16string(c.library), u16string(out)) << Narrow(c.path);
    }
    char16_t small[6] = {u'#', u'#', u'#', u'#', u'#', u'#'};
    EXPECT_FALSE(AppletLibraryName(u"ab.cpl\\*.*", small, 6)) << "ab.cpl and its terminator need 7";
    EXPECT_EQ(0, small[0]);
    EXPECT_TRUE(AppletLibraryName(u"a.cpl\\*.*", small, 6));
    EXPECT_EQ(u16string(u"a.cpl"), u16string(small));
}

TEST(AppletReference, NamesTheFileInWindowsAndTheEntryIndex)
{
    struct Case { const char16_t *file; int index; bool withIndex; const char16_t *want; } cases[] = {
        {u"x.cpl", 2, true, u"\\windows\\x.cpl,2"},
        {u"x.cpl", 0, true, u"\\windows\\x.cpl,0"},
        {u"x.cpl", -1, true, u"\\windows\\x.cpl,-1"},
        {u"x.cpl", 1234567, true, u"\\windows\\x.cpl,1234567"},
        {u"x.cpl", INT_MIN, true, u"\\windows\\x.cpl,-2147483648"},
        {u"x.cpl", 7, false, u"\\windows\\x.cpl"},
    };
    for (const Case &c : cases) {
        char16_t out[260];
        EXPECT_TRUE(FormatAppletReference(out, 260, c.file, c.index, c.withIndex));
        EXPECT_EQ(u16string(c.want), u16string(out));
    }
    // "\windows\" (9) + file + ",2" (2) + the terminator.
    for (size_t len : {248u, 249u, 300u}) {
        u16string file(len, u'f');
        char16_t out[261];
        out[260] = u'#';
        bool fits = len == 248;
        EXPECT_EQ(fits, FormatAppletReference(out, 260, file.c_str(), 2, true)) << len;
        EXPECT_EQ(fits ? 259u : 0u, u16string(out).size()) << len;
        EXPECT_EQ(u'#', out[260]);
    }
}

TEST(AppletEntryName, RefusesANameThatRunsPastItsField)
{
    char16_t field[32];
    char16_t out[33];
    for (char16_t &c : field)
        c = u'n';
    EXPECT_FALSE(AppletEntryName(field, 32, out)) << "no terminator in 32 units";
    EXPECT_EQ(0, out[0]);
    field[31] = 0;
    EXPECT_TRUE(AppletEntryName(field, 32, out));
    EXPECT_EQ(31u, u16string(out).size());
    field[0] = 0;
    EXPECT_TRUE(AppletEntryName(field, 32, out));
    EXPECT_EQ(u16string(), u16string(out));
}

TEST(DoubleEnter, IsTwoPressesLessThanTwoSecondsApartAcrossTheTickWrap)
{
    struct Case { uint32_t now, last; bool second; } cases[] = {
        {5000, 3001, true},
        {5000, 3000, false},
        {5000, 5000, true},
        {100, 0xFFFFFF00u, true},  // 356 ms across the wrap
        {0xFFFFFF00u, 100, false}, // a last press "in the future" is long ago
        {1999, 0, true},           // the first press of a freshly started handheld
        {2000, 0, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.second, IsSecondEnter(c.now, c.last)) << c.now << " " << c.last;
}

TEST(ReverseText, ReversesInPlace)
{
    char16_t a[] = u"\\Apps\\tool.exe", b[] = u"", c[] = u"x";
    ReverseText(a);
    ReverseText(b);
    ReverseText(c);
    EXPECT_EQ(u16string(u"exe.loot\\sppA\\"), u16string(a));
    EXPECT_EQ(u16string(), u16string(b));
    EXPECT_EQ(u16string(u"x"), u16string(c));
}
