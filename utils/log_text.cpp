#include "utils/log_text.h"

size_t EncodeLogText(const char16_t *text, size_t len, char *out, size_t cap)
{
    size_t n = 0;
    for (size_t i = 0; i < len; i++) {
        unsigned long c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < len && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            i++;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }

        unsigned char bytes[4];
        size_t count;
        if (c == '\n') {
            bytes[0] = '\r';
            bytes[1] = '\n';
            count = 2;
        } else if (c < 0x80) {
            bytes[0] = (unsigned char)c;
            count = 1;
        } else if (c < 0x800) {
            bytes[0] = (unsigned char)(0xC0 | (c >> 6));
            bytes[1] = (unsigned char)(0x80 | (c & 0x3F));
            count = 2;
        } else if (c < 0x10000) {
            bytes[0] = (unsigned char)(0xE0 | (c >> 12));
            bytes[1] = (unsigned char)(0x80 | ((c >> 6) & 0x3F));
            bytes[2] = (unsigned char)(0x80 | (c & 0x3F));
            count = 3;
        } else {
            bytes[0] = (unsigned char)(0xF0 | (c >> 18));
            bytes[1] = (unsigned char)(0x80 | ((c >> 12) & 0x3F));
            bytes[2] = (unsigned char)(0x80 | ((c >> 6) & 0x3F));
            bytes[3] = (unsigned char)(0x80 | (c & 0x3F));
            count = 4;
        }
        if (n + count > cap)
            break;
        for (size_t k = 0; k < count; k++)
            out[n++] = (char)bytes[k];
    }
    return n;
}
