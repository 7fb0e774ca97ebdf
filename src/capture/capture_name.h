// The names of capture files: the folder, the local date and time, and a
// counter while a name is taken; and the rule that drops one trailing
// backslash from the folder. No platform calls: the caller supplies the time,
// the code page's lead-byte test and the existence test.
#pragma once

#include <cstddef>

struct CaptureTime {
    unsigned year;
    unsigned month;
    unsigned day;
    unsigned hour;
    unsigned minute;
    unsigned second;
};

// The longest path a capture writes, in bytes without the terminating zero.
constexpr std::size_t CAPTURE_PATH_LIMIT = 255;

// Writes "FOLDER\YYYY-MM-DD_hh-mm-ss.bmp" into `path`, or with `counter` above
// 0 "FOLDER\YYYY-MM-DD_hh-mm-ss_N.bmp". False, with `path` emptied, when the
// name does not fit in `capacity` bytes with its zero: never a cut name.
bool FormatCaptureName(char* path, std::size_t capacity, const char* folder,
                       const CaptureTime& time, unsigned counter);

// Picks the first name that `nameTaken` does not report: the plain name, then
// _1, _2 and so on. False when the next name to try does not fit.
bool ChooseCaptureName(char* path, std::size_t capacity, const char* folder,
                       const CaptureTime& time, bool (*nameTaken)(const char* path));

// Removes the folder's last character when it is a backslash. In a
// double-byte code page the byte 0x5C is also the second byte of some
// characters (Shift-JIS 表 is 0x95 0x5C), so the string is walked character
// by character with `isLeadByte`, and only a backslash of its own is removed.
// True when one was removed.
bool RemoveTrailingBackslash(char* folder, bool (*isLeadByte)(unsigned char byte));
