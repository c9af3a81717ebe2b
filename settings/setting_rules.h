#pragma once
// Which registry values the settings store accepts, apart from the registry calls. No Windows
// header: text is UTF-16 in 16-bit units, data is bytes of any alignment.
#include <stddef.h>
#include <stdint.h>

// Registry value types, as the registry numbers them.
#define SETTING_REG_SZ 1
#define SETTING_REG_EXPAND_SZ 2
#define SETTING_REG_DWORD 4

// A slot's strings are read with room for 520 bytes: 259 characters and the terminator.
#define SLOT_VALUE_TEXT_BYTES 520

// In every rule, read says whether the query succeeded, and type and size are what it reported;
// the data is looked at only when read, and never beyond size bytes.

// A slot's "Param" or "Param2" into text (textChars units, terminator included): the value's text
// (its units up to the first terminator or its end; an odd last byte is a unit of its own) when
// it is a REG_SZ of at most 520 bytes whose text fits with a terminator; otherwise empty. A text
// that does not fit is refused, never cut. With textChars 0 nothing is written.
void AcceptSlotText(bool read, uint32_t type, const void *data, uint32_t size, char16_t *text, size_t textChars);

// A slot's "NumVal": the value when it is a REG_DWORD of exactly 4 bytes, otherwise -1.
int32_t AcceptSlotNumber(bool read, uint32_t type, const void *data, uint32_t size);

// What a query of expectedType into a buffer of capacity bytes left there. 1 when the value has
// the expected type and fits; a string (REG_SZ, REG_EXPAND_SZ) must also end inside the buffer:
// a terminator among its units, or room for one after them, which is then written. Otherwise 0,
// with the whole buffer cleared (an empty string).
int AcceptRegValue(bool read, uint32_t type, uint32_t expectedType, void *buffer, uint32_t size, uint32_t capacity);
