#pragma once
// Reading a text line word by word, for the handheld's plain-text formats (the feeder's scripts,
// the bridge's recordings): words are separated by blanks, and '#' starts a comment.
#include <stddef.h>

struct LineCursor {
    const char *at, *end;
};

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The next word; false at the end of the line or at a comment.
inline bool NextWord(LineCursor *c, const char **word, size_t *length)
{
    while (c->at < c->end && IsBlank(*c->at))
        c->at++;
    if (c->at == c->end || *c->at == '#')
        return false;
    *word = c->at;
    while (c->at < c->end && !IsBlank(*c->at) && *c->at != '#')
        c->at++;
    *length = (size_t)(c->at - *word);
    return true;
}
