#pragma once
// The start-up connection attempt is interactive only for the exact command line "-first".
bool IsInteractiveStart(const char16_t *commandLine);
