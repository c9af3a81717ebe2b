#include "settings/setting_rules.h"

#include <string.h>

// Unit i of a value of size bytes, little-endian; an odd last byte has no high byte.
static char16_t Unit(const uint8_t *bytes, uint32_t size, uint32_t i)
{
    uint32_t high = 2 * i + 1;
    return (char16_t)(bytes[2 * i] | (high < size ? bytes[high] << 8 : 0));
}

// The value's units before its first terminator (all of them when it has none).
static uint32_t TextUnits(const uint8_t *bytes, uint32_t size)
{
    uint32_t units = (size + 1) / 2, n = 0;
    while (n < units && Unit(bytes, size, n))
        n++;
    return n;
}

void AcceptSlotText(bool read, uint32_t type, const void *data, uint32_t size, char16_t *text, size_t textChars)
{
    if (textChars == 0)
        return;
    text[0] = 0;
    if (!read || type != SETTING_REG_SZ || size > SLOT_VALUE_TEXT_BYTES)
        return;
    const uint8_t *bytes = (const uint8_t *)data;
    uint32_t length = TextUnits(bytes, size);
    if (length >= textChars)
        return;
    for (uint32_t i = 0; i < length; i++)
        text[i] = Unit(bytes, size, i);
    text[length] = 0;
}

int32_t AcceptSlotNumber(bool read, uint32_t type, const void *data, uint32_t size)
{
    if (!read || type != SETTING_REG_DWORD || size != 4)
        return -1;
    const uint8_t *b = (const uint8_t *)data;
    return (int32_t)((uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24);
}

// Makes the string in the buffer end inside it, or says that it cannot.
static bool EndText(uint8_t *bytes, uint32_t size, uint32_t capacity)
{
    uint32_t length = TextUnits(bytes, size);
    if (length >= capacity / 2)
        return false;
    if (size % 2 && size < capacity)
        bytes[size] = 0; // the odd last byte's unit, as the text reads it
    bytes[2 * length] = bytes[2 * length + 1] = 0;
    return true;
}

int AcceptRegValue(bool read, uint32_t type, uint32_t expectedType, void *buffer, uint32_t size, uint32_t capacity)
{
    uint8_t *bytes = (uint8_t *)buffer;
    bool ok = read && type == expectedType && size <= capacity;
    if (ok && (expectedType == SETTING_REG_SZ || expectedType == SETTING_REG_EXPAND_SZ))
        ok = EndText(bytes, size, capacity);
    if (!ok && capacity)
        memset(bytes, 0, capacity);
    return ok ? 1 : 0;
}
