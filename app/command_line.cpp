#include "app/command_line.h"

bool IsInteractiveStart(const char16_t *commandLine)
{
    if (!commandLine)
        return false;
    const char16_t *want = u"-first";
    while (*want && *commandLine == *want) {
        want++;
        commandLine++;
    }
    return *want == 0 && *commandLine == 0;
}
