// The settings store's value rules on values of any type, size and bytes: each agrees with a
// plain model of what it accepts, every text it gives ends inside its buffer, a refused value
// leaves the buffer cleared, nothing is read past the value or written past the buffer, and a
// text saved as the store saves it reads back the same.
#include "settings/setting_rules.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

bool IsString(uint32_t type) { return type == SETTING_REG_SZ || type == SETTING_REG_EXPAND_SZ; }

// The value's text: little-endian units up to the first zero; an odd last byte is a unit alone.
std::u16string Text(const uint8_t *data, size_t size)
{
    std::u16string text;
    for (size_t i = 0; i < size; i += 2) {
        char16_t unit = (char16_t)(data[i] | (i + 1 < size ? data[i + 1] << 8 : 0));
        if (!unit)
            break;
        text += unit;
    }
    return text;
}

// A block of exactly these bytes, so that a read past them shows.
std::unique_ptr<uint8_t[]> Block(const uint8_t *data, size_t size)
{
    std::unique_ptr<uint8_t[]> block(new uint8_t[size ? size : 1]);
    if (size)
        std::memcpy(block.get(), data, size);
    return block;
}

// The text in a buffer of units; it must end inside.
std::u16string Units(const char16_t *text, size_t units)
{
    size_t n = 0;
    while (n < units && text[n])
        n++;
    FUZZ_CHECK(n < units);
    return std::u16string(text, n);
}

void CheckSlotText(bool read, uint32_t type, const uint8_t *data, size_t size, size_t textChars)
{
    std::unique_ptr<uint8_t[]> value = Block(data, size);
    std::unique_ptr<char16_t[]> text(new char16_t[textChars ? textChars : 1]);
    for (size_t i = 0; i < (textChars ? textChars : 1); i++)
        text[i] = u'#';
    AcceptSlotText(read, type, value.get(), (uint32_t)size, text.get(), textChars);
    if (!textChars) {
        FUZZ_CHECK(text[0] == u'#');
        return;
    }
    std::u16string want = Text(data, size);
    if (!read || type != SETTING_REG_SZ || size > SLOT_VALUE_TEXT_BYTES || want.size() >= textChars)
        want.clear();
    FUZZ_CHECK(Units(text.get(), textChars) == want);
}

void CheckSlotNumber(bool read, uint32_t type, const uint8_t *data, size_t size)
{
    std::unique_ptr<uint8_t[]> value = Block(data, size);
    int32_t want = -1;
    if (read && type == SETTING_REG_DWORD && size == 4)
        want = (int32_t)(data[0] | data[1] << 8 | data[2] << 16 | (uint32_t)data[3] << 24);
    FUZZ_CHECK(AcceptSlotNumber(read, type, value.get(), (uint32_t)size) == want);
}

// The query wrote the value's bytes (as far as they fit) over a buffer holding fill bytes.
void CheckRegValue(bool read, uint32_t type, uint32_t expected, const uint8_t *data, size_t size, uint32_t capacity,
                   uint8_t fill)
{
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity ? capacity : 1]);
    std::memset(buffer.get(), fill, capacity);
    std::memcpy(buffer.get(), data, size < capacity ? size : capacity);

    std::u16string text = Text(data, size);
    bool want = read && type == expected && size <= capacity && (!IsString(expected) || text.size() < capacity / 2);
    int result = AcceptRegValue(read, type, expected, buffer.get(), (uint32_t)size, capacity);
    FUZZ_CHECK(result == (want ? 1 : 0));

    if (!result) {
        for (uint32_t i = 0; i < capacity; i++)
            FUZZ_CHECK(buffer[i] == 0);
    } else if (IsString(expected)) {
        std::u16string got;
        size_t i = 0;
        for (; 2 * i + 1 < capacity && (buffer[2 * i] || buffer[2 * i + 1]); i++)
            got += (char16_t)(buffer[2 * i] | buffer[2 * i + 1] << 8);
        FUZZ_CHECK(2 * i + 1 < capacity); // the terminator is inside the buffer
        FUZZ_CHECK(got == text);
    } else {
        FUZZ_CHECK(std::memcmp(buffer.get(), data, size) == 0);
        for (uint32_t i = (uint32_t)size; i < capacity; i++)
            FUZZ_CHECK(buffer[i] == fill);
    }
}

// A text saved as the store saves it (its units and the terminator) reads back the same from
// a slot and through the registry reader, or not at all when it does not fit.
void CheckRoundTrip(const uint8_t *data, size_t size, size_t textChars, uint32_t capacity)
{
    std::u16string text = Text(data, size);
    std::string saved;
    for (char16_t c : text)
        saved += (char)(c & 0xFF), saved += (char)(c >> 8);
    saved.append(2, '\0');
    const uint8_t *bytes = (const uint8_t *)saved.data();

    std::unique_ptr<char16_t[]> slot(new char16_t[textChars]);
    AcceptSlotText(true, SETTING_REG_SZ, bytes, (uint32_t)saved.size(), slot.get(), textChars);
    bool fits = saved.size() <= SLOT_VALUE_TEXT_BYTES && text.size() < textChars;
    FUZZ_CHECK(Units(slot.get(), textChars) == (fits ? text : u""));

    // A value larger than the buffer is the query's failure, as the registry answers it.
    bool read = saved.size() <= capacity;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity ? capacity : 1]);
    std::memcpy(buffer.get(), bytes, read ? saved.size() : capacity);
    FUZZ_CHECK(AcceptRegValue(read, SETTING_REG_SZ, SETTING_REG_SZ, buffer.get(), (uint32_t)saved.size(),
                              capacity) == (read ? 1 : 0));
    if (read)
        FUZZ_CHECK(Units((const char16_t *)buffer.get(), capacity / 2) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A rule, its parameters, then the value's bytes.
    if (size < 7)
        return 0;
    bool read = data[1] & 1;
    uint32_t type = data[2] % 8, expected = data[3] % 8;
    uint32_t number = (uint32_t)(data[4] | data[5] << 8) % 1100; // a text size or a capacity
    uint8_t fill = data[6];
    const uint8_t *value = data + 7;
    size_t valueSize = size - 7;

    switch (data[0] % 4) {
    case 0: CheckSlotText(read, type, value, valueSize, number); break;
    case 1: CheckSlotNumber(read, type, value, valueSize); break;
    case 2: CheckRegValue(read, type, expected, value, valueSize, number, fill); break;
    case 3: CheckRoundTrip(value, valueSize, (size_t)fill + 1, number); break;
    }
    return 0;
}
