#include "settings/preference_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Bytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

PreferenceStatus Parse(const std::string& text, PreferenceSettings& settings)
{
    const std::vector<unsigned char> bytes = Bytes(text);
    return ParsePreferences(bytes.data(), bytes.size(), settings);
}

std::string Format(const PreferenceText& text)
{
    unsigned char bytes[PREFERENCE_FILE_CAPACITY];
    const std::size_t size = FormatPreferences(text, bytes, sizeof bytes);
    return std::string(bytes, bytes + size);
}

const std::string MARKER(1, '\x10');

// What a reader must make of a whole file: every field, compared at once so
// that a failure shows them all.
std::string Fields(const PreferenceSettings& s)
{
    return std::to_string(s.red) + "," + std::to_string(s.green) + "," + std::to_string(s.blue) +
           "|" + s.picturePath + "|" + std::to_string(s.stretchPicture) +
           std::to_string(s.hotCorner) + "|" + std::to_string(s.hotCornerDelay) + "|" +
           s.captureFolder;
}

TEST(PreferenceFileBytes, DefaultFileForCTools)
{
    unsigned char bytes[PREFERENCE_FILE_CAPACITY];
    const std::size_t size = DefaultPreferences("C:\\Tools", bytes, sizeof bytes);
    const std::vector<unsigned char> expected = {
        0x10, 0x30, 0x0A, 0x30, 0x0A, 0x30, 0x0A, 0x0A, 0x31, 0x34, 0x31, 0x35,
        0x30, 0x0A, 0x43, 0x3A, 0x5C, 0x54, 0x6F, 0x6F, 0x6C, 0x73, 0x0A};
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + size), expected);

    PreferenceSettings settings = {};
    ASSERT_EQ(ParsePreferences(bytes, size, settings), PREFERENCES_READ);
    EXPECT_EQ(Fields(settings), "0,0,0||14|150|C:\\Tools");
}

TEST(PreferenceFileBytes, FileAsTheDialogWritesIt)
{
    const std::string bytes =
        Format({"0", "0", "128", "C:\\pic.jpg", '0', '2', "500", "D:\\shots", false});
    const std::vector<unsigned char> expected = {
        0x10, 0x30, 0x0A, 0x30, 0x0A, 0x31, 0x32, 0x38, 0x0A, 0x43, 0x3A, 0x5C,
        0x70, 0x69, 0x63, 0x2E, 0x6A, 0x70, 0x67, 0x0A, 0x30, 0x32, 0x35, 0x30,
        0x30, 0x0A, 0x44, 0x3A, 0x5C, 0x73, 0x68, 0x6F, 0x74, 0x73};
    EXPECT_EQ(Bytes(bytes), expected);

    // Read in full although the folder has no line feed after it.
    PreferenceSettings settings = {};
    ASSERT_EQ(Parse(bytes, settings), PREFERENCES_READ);
    EXPECT_EQ(Fields(settings), "0,0,128|C:\\pic.jpg|02|500|D:\\shots");
}

TEST(PreferenceFileBytes, TextsAreWrittenAsTheyStand)
{
    // Letters in the delay and Shift-JIS paths (画像\猫.jpg, whose 像 ends in
    // no backslash but 表 does) go into the file byte for byte.
    const char* folder = "C:\\\x95\x5C";  // C:\表
    const std::string bytes = Format({"1", "2", "3", "C:\\\x89\xE6\x91\x9C\\\x94\x4C.jpg", '1',
                                      '0', "abc", folder, false});
    PreferenceSettings settings = {};
    ASSERT_EQ(Parse(bytes, settings), PREFERENCES_READ);
    EXPECT_STREQ(settings.picturePath, "C:\\\x89\xE6\x91\x9C\\\x94\x4C.jpg");
    EXPECT_EQ(settings.hotCornerDelay, 0);
    EXPECT_STREQ(settings.captureFolder, folder);
}

TEST(PreferenceFileBytes, TextsThatWouldBreakTheFileAreRefused)
{
    const std::string longPath(256, 'a');
    EXPECT_EQ(Format({"0", "0", "0", longPath.c_str(), '1', '4', "150", "", true}), "");
    EXPECT_EQ(Format({"0", "0", "0", "", '1', '4', "150", "C:\\a\nb", true}), "");
    const std::string longest(255, 'a');
    EXPECT_EQ(Format({"0", "0", "0", longest.c_str(), '1', '4', "150", longest.c_str(), true})
                  .size(),
              1 + 3 * 2 + 256 + 2 + 4 + 256);

    unsigned char small[10];
    EXPECT_EQ(DefaultPreferences("C:\\Tools", small, sizeof small), 0u);
}

TEST(PreferenceReading, ColourLines)
{
    PreferenceSettings settings = {};
    ASSERT_EQ(Parse(MARKER + "12\n\n7\n\n14150\nC:\\", settings), PREFERENCES_READ);
    EXPECT_EQ(settings.red, 12);
    EXPECT_EQ(settings.green, 0);
    EXPECT_EQ(settings.blue, 7);

    // Out of range is stored as read; a carriage return ends the number.
    ASSERT_EQ(Parse(MARKER + "300\n-5\n12\r\n\n14150\nC:\\", settings), PREFERENCES_READ);
    EXPECT_EQ(settings.red, 300);
    EXPECT_EQ(settings.green, -5);
    EXPECT_EQ(settings.blue, 12);
}

TEST(PreferenceReading, CarriageReturnsStayPartOfTexts)
{
    PreferenceSettings settings = {};
    ASSERT_EQ(Parse(MARKER + "0\r\n0\r\n0\r\nC:\\pic.jpg\r\n14150\r\nD:\\shots\r\n", settings),
              PREFERENCES_READ);
    EXPECT_STREQ(settings.picturePath, "C:\\pic.jpg\r");
    EXPECT_EQ(settings.hotCornerDelay, 150);
    EXPECT_STREQ(settings.captureFolder, "D:\\shots\r");
}

TEST(PreferenceReading, MarkerDecidesCompatibility)
{
    PreferenceSettings settings = {};
    EXPECT_EQ(Parse("", settings), PREFERENCES_INCOMPATIBLE);
    EXPECT_EQ(Parse("\x11" "0\n0\n0\n\n14150\nC:\\\n", settings), PREFERENCES_INCOMPATIBLE);
    EXPECT_EQ(Parse(MARKER, settings), PREFERENCES_DAMAGED);
}

TEST(PreferenceReading, FlagsOutsideTheirSetAreDamage)
{
    PreferenceSettings settings = {};
    EXPECT_EQ(Parse(MARKER + "0\n0\n0\n\n24150\n", settings), PREFERENCES_DAMAGED);
    EXPECT_EQ(Parse(MARKER + "0\n0\n0\n\n15150\n", settings), PREFERENCES_DAMAGED);
    EXPECT_EQ(Parse(MARKER + "0\n0\n0\n\n/4150\n", settings), PREFERENCES_DAMAGED);
    for (char corner = '0'; corner <= '4'; ++corner) {
        ASSERT_EQ(Parse(MARKER + "0\n0\n0\n\n0" + corner + "9\n", settings), PREFERENCES_READ);
        EXPECT_EQ(settings.hotCorner, corner - '0');
        EXPECT_EQ(settings.stretchPicture, 0);
    }
}

TEST(PreferenceReading, FilesThatEndEarly)
{
    PreferenceSettings settings = {};
    // After the colours, or right after the picture line: no flags, damaged.
    EXPECT_EQ(Parse(MARKER + "1\n2\n3\n", settings), PREFERENCES_DAMAGED);
    EXPECT_EQ(Parse(MARKER + "1\n2", settings), PREFERENCES_DAMAGED);
    EXPECT_EQ(Parse(MARKER + "0\n0\n0\nC:\\pic.jpg\n", settings), PREFERENCES_DAMAGED);
    EXPECT_EQ(Parse(MARKER + "0\n0\n0\nC:\\pic.jpg\n1", settings), PREFERENCES_DAMAGED);
    // The picture path is known before the damage is found, so the caller
    // can load (and report) the picture first.
    EXPECT_STREQ(settings.picturePath, "C:\\pic.jpg");

    // Right after the flags or the delay line: an empty folder, which the
    // caller replaces with the working directory.
    settings = {};
    ASSERT_EQ(Parse(MARKER + "0\n0\n0\n\n14", settings), PREFERENCES_READ);
    EXPECT_EQ(settings.hotCornerDelay, 0);
    EXPECT_STREQ(settings.captureFolder, "");
    ASSERT_EQ(Parse(MARKER + "0\n0\n0\n\n14-20\n", settings), PREFERENCES_READ);
    EXPECT_EQ(settings.hotCornerDelay, -20);
    EXPECT_STREQ(settings.captureFolder, "");
}

TEST(PreferenceReading, WhatFollowsTheFolderIsIgnored)
{
    PreferenceSettings settings = {};
    ASSERT_EQ(Parse(MARKER + "0\n0\n0\n\n14150\nD:\\shots\n\x11garbage\n" + std::string(5000, 'x'),
                    settings),
              PREFERENCES_READ);
    EXPECT_STREQ(settings.captureFolder, "D:\\shots");
}

TEST(PreferenceReading, LinesLongerThan255BytesAreDamage)
{
    const std::string longest(255, 'p');
    const std::string tooLong(256, 'p');
    PreferenceSettings settings = {};

    ASSERT_EQ(Parse(MARKER + "0\n0\n0\n" + longest + "\n14150\n" + longest, settings),
              PREFERENCES_READ);
    EXPECT_EQ(std::string(settings.picturePath), longest);
    EXPECT_EQ(std::string(settings.captureFolder), longest);

    settings = {};
    EXPECT_EQ(Parse(MARKER + "0\n0\n0\n" + tooLong + "\n14150\nD:\\", settings),
              PREFERENCES_DAMAGED);
    EXPECT_STREQ(settings.picturePath, "");  // not a cut path to load
    EXPECT_EQ(Parse(MARKER + "0\n0\n0\n\n14150\n" + tooLong, settings), PREFERENCES_DAMAGED);
    EXPECT_EQ(Parse(MARKER + std::string(300, '1') + "\n0\n0\n\n14150\n", settings),
              PREFERENCES_DAMAGED);
    EXPECT_EQ(Parse(MARKER + "0\n0\n0\n\n14" + std::string(256, ' ') + "1\n", settings),
              PREFERENCES_DAMAGED);
}

TEST(PreferenceReading, EveryMeaningfulByteLiesWithinTheReadLimit)
{
    // The longest file that reads in full, followed by more bytes: reading
    // only the first PREFERENCE_MEANINGFUL_BYTES gives the same settings.
    const std::string line(255, '7');
    const std::string file = MARKER + line + "\n" + line + "\n" + line + "\n" + line + "\n01" +
                             line + "\n" + line + "\nrest";
    ASSERT_EQ(file.size(), PREFERENCE_MEANINGFUL_BYTES + 4);
    PreferenceSettings whole = {};
    PreferenceSettings prefix = {};
    ASSERT_EQ(Parse(file, whole), PREFERENCES_READ);
    ASSERT_EQ(Parse(file.substr(0, PREFERENCE_MEANINGFUL_BYTES), prefix), PREFERENCES_READ);
    EXPECT_STREQ(whole.captureFolder, prefix.captureFolder);
    EXPECT_EQ(whole.red, INT_MAX);
}

TEST(PreferenceNumbers, ReadLikeAtoi)
{
    EXPECT_EQ(ParsePreferenceNumber(""), 0);
    EXPECT_EQ(ParsePreferenceNumber("abc"), 0);
    EXPECT_EQ(ParsePreferenceNumber("-"), 0);
    EXPECT_EQ(ParsePreferenceNumber("150"), 150);
    EXPECT_EQ(ParsePreferenceNumber("  \t+42xyz"), 42);
    EXPECT_EQ(ParsePreferenceNumber("\r\v\f-20"), -20);
    EXPECT_EQ(ParsePreferenceNumber("12 34"), 12);
    EXPECT_EQ(ParsePreferenceNumber("0x1F"), 0);
    EXPECT_EQ(ParsePreferenceNumber("- 5"), 0);
    EXPECT_EQ(ParsePreferenceNumber("007"), 7);
}

TEST(PreferenceNumbers, ValuesBeyondIntStopAtItsLimits)
{
    EXPECT_EQ(ParsePreferenceNumber("2147483647"), INT_MAX);
    EXPECT_EQ(ParsePreferenceNumber("-2147483648"), INT_MIN);
    EXPECT_EQ(ParsePreferenceNumber("2147483648"), INT_MAX);
    EXPECT_EQ(ParsePreferenceNumber("-2147483649"), INT_MIN);
    EXPECT_EQ(ParsePreferenceNumber("99999999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParsePreferenceNumber("-99999999999999999999999999"), INT_MIN);
}

} // namespace
