#include "page/about_notice.h"
#include "page/page_rules.h"

#include <gtest/gtest.h>
#include <string>

using std::u16string;

namespace {

const u16string Maker = MAKER_NOTICE;

// A version buffer of ABOUT_TEXT_CHARS units holding text (terminated when it fits).
struct Version {
    char16_t units[ABOUT_TEXT_CHARS];
    explicit Version(const u16string &text, bool terminated = true)
    {
        for (size_t i = 0; i < ABOUT_TEXT_CHARS; i++)
            units[i] = i < text.size() ? text[i] : (terminated ? 0 : u'x');
    }
};

// Composes into a buffer of outChars units with guard units after it.
u16string Compose(const Version &driver, const Version &gui, size_t outChars, size_t *length = nullptr)
{
    std::vector<char16_t> out(outChars + 8, u'#');
    size_t n = ComposeAboutNotice(out.data(), outChars, driver.units, gui.units, ABOUT_TEXT_CHARS);
    for (size_t i = outChars; i < out.size(); i++)
        EXPECT_EQ(u'#', out[i]) << "written past the buffer at " << i;
    if (length)
        *length = n;
    if (outChars == 0)
        return u"(nothing)";
    return u16string(out.data());
}

} // namespace

TEST(AboutNotice, ShowsBothVersionsAndTheMakersNotice)
{
    struct Case { u16string driver, gui, want; } cases[] = {
        {u"1.4.2", u"1.0.0", u"Driver Version 1.4.2\nGUI Version 1.0.0\n\n" + Maker},
        {u"", u"", u"Driver Version \nGUI Version \n\n" + Maker},
        {u"\u03a9 2", u"", u"Driver Version \u03a9 2\nGUI Version \n\n" + Maker},
    };
    for (const Case &c : cases) {
        size_t n = 0;
        EXPECT_EQ(c.want, Compose(Version(c.driver), Version(c.gui), ABOUT_TEXT_CHARS, &n));
        EXPECT_EQ(c.want.size(), n);
    }
    // The maker's notice: its years and name, the web address, the rights; no line feed at the end.
    EXPECT_EQ(u"Copyright \u00a9 2004-2025 Dalvern\nhttp://www.dalvern.example/\nAll rights reserved.", Maker);
}

TEST(AboutNotice, StaysInsideItsBufferWhateverTheVersionsHold)
{
    u16string full = u"Driver Version " + u16string(254, u'd') + u"\nGUI Version " + u16string(254, u'g') +
                     u"\n\n" + Maker;
    for (size_t outChars : {size_t(255), size_t(40), size_t(16), size_t(2), size_t(1)}) {
        size_t n = 0;
        u16string got = Compose(Version(u16string(254, u'd')), Version(u16string(254, u'g')), outChars, &n);
        EXPECT_EQ(full.substr(0, outChars - 1), got) << outChars;
        EXPECT_EQ(outChars - 1, n);
    }
    Compose(Version(u"1"), Version(u"2"), 0); // no room at all: nothing is written
}

TEST(AboutNotice, TakesAVersionThatDoesNotEndInsideItsBufferAsEmpty)
{
    EXPECT_EQ(u"Driver Version \nGUI Version 3.1\n\n" + Maker,
              Compose(Version(u16string(300, u'v'), false), Version(u"3.1"), ABOUT_TEXT_CHARS));
    EXPECT_EQ(u"Driver Version 3.1\nGUI Version \n\n" + Maker,
              Compose(Version(u"3.1"), Version(u16string(255, u'v'), false), ABOUT_TEXT_CHARS));
    // 254 units and the terminator in the last unit still end inside.
    EXPECT_EQ((u"Driver Version " + u16string(254, u'v')).substr(0, 254),
              Compose(Version(u16string(254, u'v')), Version(u""), ABOUT_TEXT_CHARS));
}

TEST(AboutNotice, NeverCutsBetweenTheHalvesOfAPair)
{
    // "Driver Version " is 15 units; a pair at units 15 and 16 does not fit in 16 + terminator.
    u16string got = Compose(Version(u"\U0001F600x"), Version(u""), 17);
    EXPECT_EQ(u"Driver Version ", got);
    got = Compose(Version(u"\U0001F600x"), Version(u""), 18);
    EXPECT_EQ(u"Driver Version \U0001F600", got);
}

TEST(PickerResult, FitsASettingOnlyWhenItEndsInsideAndLeavesRoomForTheTerminator)
{
    const size_t field = 255, buffer = 260;
    struct Case { size_t length; bool terminated; bool fits; } cases[] = {
        {0, true, true}, {1, true, true}, {254, true, true}, {255, true, false}, {259, true, false},
        {260, false, false},
    };
    for (const Case &c : cases) {
        std::vector<char16_t> text(buffer, u'p');
        if (c.terminated)
            text[c.length] = 0;
        EXPECT_EQ(c.fits, FitsSettingText(text.data(), buffer, field)) << c.length;
    }
}
