#pragma once
// The About box's notice: the two versions and the maker's notice. No Windows header: text is
// UTF-16 in 16-bit units.
#include <stddef.h>

#define ABOUT_TEXT_CHARS 255 // each version and the whole notice, terminator included

// The maker, Dalvern: its web address (shown in the notice, opened by a tap on the box) and the
// notice's last three lines.
#define MAKER_WEB_ADDRESS u"http://www.dalvern.example/"
#define MAKER_NOTICE u"Copyright \u00A9 2004-2025 Dalvern\n" MAKER_WEB_ADDRESS u"\nAll rights reserved."

// out = "Driver Version %s\nGUI Version %s\n\n" with the versions, then the maker's notice, cut to
// outChars units with the terminator (never between the two halves of a surrogate pair). Each
// version is a buffer of versionChars units; one that does not end inside its buffer is taken as
// empty, so nothing beyond a buffer is ever read. Returns the notice's length.
size_t ComposeAboutNotice(char16_t *out, size_t outChars, const char16_t *driverVersion,
                          const char16_t *guiVersion, size_t versionChars);
