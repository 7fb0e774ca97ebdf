#include "preference_format.h"

#include <climits>
#include <cstring>

namespace {

struct ByteCursor {
    const unsigned char* bytes;
    std::size_t size;
    std::size_t next;
};

bool AtEnd(const ByteCursor& cursor)
{
    return cursor.next >= cursor.size;
}

// One line into `line` (zero-terminated). A line feed ends it and is
// consumed; so does the end of the bytes, after which every line is empty.
// False when the line does not fit.
bool ReadLine(ByteCursor& cursor, char (&line)[PREFERENCE_LINE_CAPACITY])
{
    std::size_t length = 0;
    while (!AtEnd(cursor)) {
        const unsigned char byte = cursor.bytes[cursor.next++];
        if (byte == '\n')
            break;
        if (length == PREFERENCE_LINE_MAX)
            return false;
        line[length++] = static_cast<char>(byte);
    }
    line[length] = '\0';
    return true;
}

bool ReadNumberLine(ByteCursor& cursor, int& number)
{
    char line[PREFERENCE_LINE_CAPACITY];
    if (!ReadLine(cursor, line))
        return false;
    number = ParsePreferenceNumber(line);
    return true;
}

// One flag byte that must lie between `lowest` and `highest`.
bool ReadFlag(ByteCursor& cursor, char lowest, char highest, int& flag)
{
    if (AtEnd(cursor))
        return false;
    const unsigned char byte = cursor.bytes[cursor.next++];
    if (byte < static_cast<unsigned char>(lowest) || byte > static_cast<unsigned char>(highest))
        return false;
    flag = byte - lowest;
    return true;
}

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

int ParsePreferenceNumber(const char* text)
{
    while (IsCSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Accumulated as a negative number, whose range reaches INT_MIN.
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 - (*text - '0');
        if (value < INT_MIN)
            return negative ? INT_MIN : INT_MAX;
    }
    if (negative)
        return static_cast<int>(value);
    return value < -INT_MAX ? INT_MAX : static_cast<int>(-value);
}

PreferenceStatus ParsePreferences(const unsigned char* bytes, std::size_t size,
                                  PreferenceSettings& settings)
{
    ByteCursor cursor = {bytes, size, 0};
    if (AtEnd(cursor) || bytes[cursor.next++] != PREFERENCE_FORMAT_MARKER)
        return PREFERENCES_INCOMPATIBLE;

    int red = 0, green = 0, blue = 0;
    if (!ReadNumberLine(cursor, red) || !ReadNumberLine(cursor, green) ||
        !ReadNumberLine(cursor, blue))
        return PREFERENCES_DAMAGED;
    settings.red = red;
    settings.green = green;
    settings.blue = blue;

    char line[PREFERENCE_LINE_CAPACITY];
    if (!ReadLine(cursor, line))
        return PREFERENCES_DAMAGED;
    std::memcpy(settings.picturePath, line, sizeof line);

    if (!ReadFlag(cursor, '0', '1', settings.stretchPicture) ||
        !ReadFlag(cursor, '0', '4', settings.hotCorner) ||
        !ReadNumberLine(cursor, settings.hotCornerDelay))
        return PREFERENCES_DAMAGED;

    if (!ReadLine(cursor, line))
        return PREFERENCES_DAMAGED;
    std::memcpy(settings.captureFolder, line, sizeof line);
    return PREFERENCES_READ;
}

std::size_t FormatPreferences(const PreferenceText& text, unsigned char* out,
                              std::size_t capacity)
{
    std::size_t length = 0;
    const auto put = [&](unsigned char byte) {
        if (length < capacity)
            out[length] = byte;
        ++length;
    };
    bool fits = true;
    const auto putLine = [&](const char* line, bool lineFeed) {
        const std::size_t lineLength = std::strlen(line);
        if (lineLength > PREFERENCE_LINE_MAX || std::memchr(line, '\n', lineLength) != nullptr)
            fits = false;
        for (std::size_t i = 0; i < lineLength; ++i)
            put(static_cast<unsigned char>(line[i]));
        if (lineFeed)
            put('\n');
    };

    put(PREFERENCE_FORMAT_MARKER);
    putLine(text.red, true);
    putLine(text.green, true);
    putLine(text.blue, true);
    putLine(text.picturePath, true);
    put(static_cast<unsigned char>(text.stretchPicture));
    put(static_cast<unsigned char>(text.hotCorner));
    putLine(text.hotCornerDelay, true);
    putLine(text.captureFolder, text.finalLineFeed);
    return fits && length <= capacity ? length : 0;
}

std::size_t DefaultPreferences(const char* workingDirectory, unsigned char* out,
                               std::size_t capacity)
{
    return FormatPreferences({"0", "0", "0", "", '1', '4', "150", workingDirectory, true}, out,
                             capacity);
}
