#pragma once
// The pickers' text rules: the extension filter, paths and search patterns made from item texts,
// applet file and library names, applet references and the double Enter. UTF-16 text in 16-bit
// units; no Windows header.
#include <stddef.h>
#include <stdint.h>

// Whether a file name passes an extension filter such as "exe.|knl." (each extension written back
// to front with its dot last, separated by "|"): the name's last four units, reversed, occur
// somewhere in the filter (case-sensitive), or the filter is exactly "*.". A name shorter than
// four units passes when its whole reversed text occurs in the filter.
bool PassesExtensionFilter(const char16_t *filter, const char16_t *name);

// Puts one item text in front of the path made so far from the item and its texts below (empty at
// first): "\" + path when the text is the root "\", otherwise text + "\" + path, or the text alone
// on an empty path. False, with path unchanged, when the result and its terminator would not fit
// cap units: a cut path would name another file.
bool PrependPathPart(char16_t *path, size_t cap, const char16_t *part);

// Turns an item's path into its search pattern: "\" becomes "\*.*", anything else gets "\*.*"
// appended. False, with path unchanged, when that does not fit.
bool FinishSearchPattern(char16_t *path, size_t cap);

// Whether a file name ends in ".cpl" (lower case, as the handheld's applets are named).
bool IsAppletFileName(const char16_t *name);

// The applet library in a path such as "x.cpl\*.*": the text up to and including the first
// ".cpl" (lower case) that ends a name, followed by "\" or the end. False, with out empty, when
// there is none or it does not fit.
bool AppletLibraryName(const char16_t *path, char16_t *out, size_t cap);

// "\windows\" + file, with "," and the index when withIndex. False, with out empty, when it does
// not fit cap units.
bool FormatAppletReference(char16_t *out, size_t cap, const char16_t *file, int index, bool withIndex);

// The name an applet wrote into a field of fieldUnits units, copied into out (fieldUnits + 1
// units). False, with out empty, when the field holds no terminator: the applet's name ran past
// its field, and a cut name would be another name.
bool AppletEntryName(const char16_t *field, size_t fieldUnits, char16_t *out);

// Two Enter presses less than 2000 ms apart (unsigned 32-bit tick arithmetic, so the tick
// count's wrap changes nothing) act as OK.
#define DOUBLE_ENTER_MS 2000u
bool IsSecondEnter(uint32_t now, uint32_t lastEnter);

// Reverses a text in place (the trace of a path being composed is logged reversed).
void ReverseText(char16_t *text);
