#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(IsInteractiveStart, OnlyTheExactWord)
{
    struct Case { const char16_t *line; bool want; } cases[] = {
        {u"-first", true},
        {u"-First", false}, {u"-FIRST", false}, {u"-first ", false}, {u" -first", false},
        {u"-firs", false},  {u"-firstly", false}, {u"", false}, {u"first", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.want, IsInteractiveStart(c.line));
    EXPECT_FALSE(IsInteractiveStart(nullptr));
}
