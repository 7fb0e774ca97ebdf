#include "capture_name.h"

namespace {

// Builds a text in a fixed buffer and remembers when it ran out of room.
// (Formatted by hand: the C library's formatter would triple the program.)
struct NameWriter {
    char* text;
    std::size_t capacity;
    std::size_t length;
    bool overflow;

    void Add(char c)
    {
        if (length + 1 >= capacity) {
            overflow = true;
            return;
        }
        text[length++] = c;
        text[length] = '\0';
    }
    void Add(const char* s)
    {
        while (*s != '\0')
            Add(*s++);
    }
    // Decimal, at least `digits` wide with leading zeros.
    void AddNumber(unsigned value, int digits)
    {
        char reversed[16];
        int count = 0;
        do {
            reversed[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count < digits)
            reversed[count++] = '0';
        while (count > 0)
            Add(reversed[--count]);
    }
};

} // namespace

bool FormatCaptureName(char* path, std::size_t capacity, const char* folder,
                       const CaptureTime& time, unsigned counter)
{
    if (capacity == 0)
        return false;
    path[0] = '\0';
    NameWriter name = {path, capacity, 0, false};
    name.Add(folder);
    name.Add('\\');
    name.AddNumber(time.year, 4);
    name.Add('-');
    name.AddNumber(time.month, 2);
    name.Add('-');
    name.AddNumber(time.day, 2);
    name.Add('_');
    name.AddNumber(time.hour, 2);
    name.Add('-');
    name.AddNumber(time.minute, 2);
    name.Add('-');
    name.AddNumber(time.second, 2);
    if (counter != 0) {
        name.Add('_');
        name.AddNumber(counter, 1);
    }
    name.Add(".bmp");
    if (name.overflow || name.length > CAPTURE_PATH_LIMIT) {
        path[0] = '\0';
        return false;
    }
    return true;
}

bool ChooseCaptureName(char* path, std::size_t capacity, const char* folder,
                       const CaptureTime& time, bool (*nameTaken)(const char* path))
{
    // The counter has no bound of its own: the names grow with it until one
    // is free or no longer fits.
    for (unsigned counter = 0;; ++counter) {
        if (!FormatCaptureName(path, capacity, folder, time, counter))
            return false;
        if (!nameTaken(path))
            return true;
        if (counter == ~0u) {
            path[0] = '\0';
            return false;
        }
    }
}

bool RemoveTrailingBackslash(char* folder, bool (*isLeadByte)(unsigned char byte))
{
    char* lastCharacter = nullptr;
    for (char* at = folder; *at != '\0';) {
        lastCharacter = at;
        // A lead byte at the very end has no trail byte: it stands alone.
        if (isLeadByte(static_cast<unsigned char>(at[0])) && at[1] != '\0')
            at += 2;
        else
            at += 1;
    }
    if (lastCharacter == nullptr || lastCharacter[0] != '\\' || lastCharacter[1] != '\0')
        return false;
    lastCharacter[0] = '\0';
    return true;
}
