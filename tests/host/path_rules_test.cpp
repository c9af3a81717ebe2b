#include "utils/path_rules.h"

#include <gtest/gtest.h>
#include <string>

using std::u16string;

TEST(DirectoryOfModulePath, KeepsUpToTheLastBackslash)
{
    struct Case { const char16_t *path, *want; } cases[] = {
        {u"\\Program Files\\Quillmark\\quillmark.exe", u"\\Program Files\\Quillmark\\"},
        {u"C:\\q.exe", u"C:\\"},
        {u"\\q.exe", u"\\"},
        {u"q.exe", u""},
        {u"", u""},
    };
    for (const Case &c : cases) {
        char16_t out[260];
        DirectoryOfModulePath(c.path, out, 260);
        EXPECT_EQ(u16string(c.want), u16string(out));
    }
}

TEST(DirectoryOfModulePath, RefusesAFolderThatDoesNotFit)
{
    char16_t out[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};
    DirectoryOfModulePath(u"\\abcdefgh\\x.exe", out, 4);
    EXPECT_EQ(u16string(), u16string(out));
    EXPECT_EQ(u'#', out[4]); // nothing written past the capacity
}

TEST(JoinAppPath, JoinsFolderSubfolderAndFile)
{
    char16_t out[260];
    EXPECT_TRUE(JoinAppPath(out, 260, u"\\Apps\\", u"help", u"help.html#lnk4"));
    EXPECT_EQ(u16string(u"\\Apps\\help\\help.html#lnk4"), u16string(out));
}

TEST(JoinAppPath, FitsExactlyOrComesBackEmpty)
{
    // directory + subfolder + "\" + file: 1 + 4 + 1 + n units, then the terminator.
    struct Case { size_t fileLen; bool fits; } cases[] = {{253, true}, {254, false}, {400, false}};
    for (const Case &c : cases) {
        u16string file(c.fileLen, u'f');
        char16_t out[261];
        out[260] = u'#';
        bool ok = JoinAppPath(out, 260, u"\\", u"Help", file.c_str());
        EXPECT_EQ(c.fits, ok) << c.fileLen;
        EXPECT_EQ(c.fits ? 259u : 0u, u16string(out).size()) << c.fileLen;
        EXPECT_EQ(u'#', out[260]) << "written past the buffer";
    }
}
