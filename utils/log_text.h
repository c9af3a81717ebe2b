#pragma once
#include <stddef.h>
// The log file's bytes: UTF-8 with CRLF line ends, as a desktop text-mode file would have them.

// Worst case output bytes for len UTF-16 units: a unit never takes more than three bytes
// (LF becomes CR LF, a surrogate pair of two units four bytes).
constexpr size_t LogTextMaxBytes(size_t len) { return len * 3; }

// Encodes len units of text into out (capacity cap bytes) and returns the bytes written.
// A lone surrogate becomes U+FFFD. Stops before a character that would not fit.
size_t EncodeLogText(const char16_t *text, size_t len, char *out, size_t cap);
