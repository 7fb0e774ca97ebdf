// The bytes of preference.dat: a marker byte, then text lines in the ANSI
// code page. Reading and writing them needs no platform call, so the format
// is tested natively and fuzzed; preference_file.cpp does the file work.
#pragma once

#include <cstddef>

// The first byte of every preference file.
constexpr unsigned char PREFERENCE_FORMAT_MARKER = 0x10;

// Every line holds at most 255 bytes, so that it fits a path buffer with its
// terminating zero. A longer line makes the file damaged: a cut path would
// name some other file or folder without anyone noticing.
constexpr std::size_t PREFERENCE_LINE_CAPACITY = 256;
constexpr std::size_t PREFERENCE_LINE_MAX = PREFERENCE_LINE_CAPACITY - 1;

// No file needs more bytes than this to be read in full: the marker, six
// lines of at most 255 bytes with their line feeds, and the two flag bytes.
// Whatever lies beyond is either ignored or inside an over-long line.
constexpr std::size_t PREFERENCE_MEANINGFUL_BYTES = 1 + 6 * (PREFERENCE_LINE_MAX + 1) + 2;

enum PreferenceStatus {
    PREFERENCES_READ,          // every field read
    PREFERENCES_INCOMPATIBLE,  // empty, or the first byte is not the marker
    PREFERENCES_DAMAGED,       // a flag missing or out of its set, or a line too long
};

// The settings as the file holds them.
struct PreferenceSettings {
    int red;
    int green;
    int blue;
    char picturePath[PREFERENCE_LINE_CAPACITY];  // empty: no picture
    int stretchPicture;                          // 0 or 1
    int hotCorner;                               // 0 (off) to 4
    int hotCornerDelay;                          // milliseconds, as read
    char captureFolder[PREFERENCE_LINE_CAPACITY];  // empty: the working directory
};

// Reads the file's bytes into `settings`. The picture path is filled as soon
// as its line has been read whole, even when a later field turns out to be
// damaged: the caller loads the picture before it reports the damage.
// Fields not reached stay as they were.
PreferenceStatus ParsePreferences(const unsigned char* bytes, std::size_t size,
                                  PreferenceSettings& settings);

// A decimal number as the C library's atoi reads it (white space, an optional
// sign, digits up to the first other character, 0 without digits), except
// that a value beyond the int range gives the nearest limit instead of
// undefined behaviour.
int ParsePreferenceNumber(const char* text);

// The fields as they are written: the number fields as the text the user
// typed, which the reader later takes apart as above. Texts are
// zero-terminated; a line feed in one would shift every field after it.
struct PreferenceText {
    const char* red;
    const char* green;
    const char* blue;
    const char* picturePath;
    char stretchPicture;  // '0' or '1'
    char hotCorner;       // '0' to '4'
    const char* hotCornerDelay;
    const char* captureFolder;
    bool finalLineFeed;   // the default file ends the folder with one
};

// Room for any file whose texts are lines of at most 255 bytes.
constexpr std::size_t PREFERENCE_FILE_CAPACITY = PREFERENCE_MEANINGFUL_BYTES;

// Writes the file's bytes into `out` and returns their count, or 0 when a
// text is longer than a line may be or holds a line feed.
std::size_t FormatPreferences(const PreferenceText& text, unsigned char* out,
                              std::size_t capacity);

// The file written when there is none: black, no picture, stretched, the
// bottom-right corner after 150 ms, captures into `workingDirectory`.
std::size_t DefaultPreferences(const char* workingDirectory, unsigned char* out,
                               std::size_t capacity);
