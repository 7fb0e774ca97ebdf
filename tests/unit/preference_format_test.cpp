#include "settings/preference_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string MARKER(1, '\x10');

// Every field in one string, so that a failure shows them all.
std::string Read(const std::string& file)
{
    // A buffer of the file's exact size, so that ASan sees a read past its end.
    const std::vector<unsigned char> bytes(file.begin(), file.end());
    PreferenceSettings s = {};
    const PreferenceStatus status = ParsePreferences(bytes.data(), bytes.size(), s);
    if (status == PREFERENCES_INCOMPATIBLE)
        return "incompatible";
    if (status == PREFERENCES_DAMAGED)
        return *s.picturePath ? "damaged, picture " + std::string(s.picturePath) : "damaged";
    return std::to_string(s.red) + "," + std::to_string(s.green) + "," + std::to_string(s.blue) +
           "|" + s.picturePath + "|" + std::to_string(s.stretchPicture) +
           std::to_string(s.hotCorner) + "|" + std::to_string(s.hotCornerDelay) + "|" +
           s.captureFolder;
}

std::string Format(const PreferenceText& text)
{
    unsigned char bytes[PREFERENCE_FILE_CAPACITY];
    return std::string(bytes, bytes + FormatPreferences(text, bytes, sizeof bytes));
}

TEST(PreferenceFileBytes, DefaultFileForCTools)
{
    unsigned char bytes[PREFERENCE_FILE_CAPACITY];
    const std::string file(bytes, bytes + DefaultPreferences("C:\\Tools", bytes, sizeof bytes));
    EXPECT_EQ(file, MARKER + "0\n0\n0\n\n14150\nC:\\Tools\n");
    EXPECT_EQ(Read(file), "0,0,0||14|150|C:\\Tools");
}

TEST(PreferenceFileBytes, FileAsTheDialogWritesIt)
{
    const std::string file =
        Format({"0", "0", "128", "C:\\pic.jpg", '0', '2', "500", "D:\\shots", false});
    EXPECT_EQ(file, MARKER + "0\n0\n128\nC:\\pic.jpg\n02500\nD:\\shots");
    // Read in full although the folder has no line feed after it.
    EXPECT_EQ(Read(file), "0,0,128|C:\\pic.jpg|02|500|D:\\shots");
}

TEST(PreferenceFileBytes, TextsAreWrittenAsTheyStand)
{
    // Letters in the delay, Shift-JIS paths (画像\猫.jpg, C:\表): byte for byte.
    const std::string picture = "C:\\\x89\xE6\x91\x9C\\\x94\x4C.jpg";
    const std::string folder = "C:\\\x95\x5C";
    EXPECT_EQ(Read(Format({"1", "2", "3", picture.c_str(), '1', '0', "abc", folder.c_str(), false})),
              "1,2,3|" + picture + "|10|0|" + folder);
}

TEST(PreferenceFileBytes, TextsThatWouldBreakTheFileAreRefused)
{
    const std::string tooLong(256, 'a');
    const std::string longest(255, 'a');
    EXPECT_EQ(Format({"0", "0", "0", tooLong.c_str(), '1', '4', "150", "", true}), "");
    EXPECT_EQ(Format({"0", "0", "0", "", '1', '4', "150", "C:\\a\nb", true}), "");
    EXPECT_EQ(Format({"0", "0", "0", longest.c_str(), '1', '4', "150", longest.c_str(), true})
                  .size(),
              1 + 3 * 2 + 256 + 2 + 4 + 256);

    unsigned char small[10];
    EXPECT_EQ(DefaultPreferences("C:\\Tools", small, sizeof small), 0u);
}

TEST(PreferenceReading, ColourLines)
{
    EXPECT_EQ(Read(MARKER + "12\n\n7\n\n14150\nC:\\"), "12,0,7||14|150|C:\\");
    // Out of range is stored as read; a carriage return ends the number.
    EXPECT_EQ(Read(MARKER + "300\n-5\n12\r\n\n14150\nC:\\"), "300,-5,12||14|150|C:\\");
}

TEST(PreferenceReading, CarriageReturnsStayPartOfTexts)
{
    EXPECT_EQ(Read(MARKER + "0\r\n0\r\n0\r\nC:\\pic.jpg\r\n14150\r\nD:\\shots\r\n"),
              "0,0,0|C:\\pic.jpg\r|14|150|D:\\shots\r");
}

TEST(PreferenceReading, MarkerDecidesCompatibility)
{
    EXPECT_EQ(Read(""), "incompatible");
    EXPECT_EQ(Read("\x11" "0\n0\n0\n\n14150\nC:\\\n"), "incompatible");
    EXPECT_EQ(Read(MARKER), "damaged");
}

TEST(PreferenceReading, FlagsOutsideTheirSetAreDamage)
{
    for (const char* flags : {"24", "15", "/4"})
        EXPECT_EQ(Read(MARKER + "0\n0\n0\n\n" + flags + "150\n"), "damaged") << flags;
    for (char corner = '0'; corner <= '4'; ++corner)
        EXPECT_EQ(Read(MARKER + "0\n0\n0\n\n0" + corner + "9\n"),
                  std::string("0,0,0||0") + corner + "|9|");
}

TEST(PreferenceReading, FilesThatEndEarly)
{
    // No flags: damaged, but a picture read before is kept for the caller to load.
    EXPECT_EQ(Read(MARKER + "1\n2\n3\n"), "damaged");
    EXPECT_EQ(Read(MARKER + "1\n2"), "damaged");
    EXPECT_EQ(Read(MARKER + "0\n0\n0\nC:\\pic.jpg\n"), "damaged, picture C:\\pic.jpg");
    EXPECT_EQ(Read(MARKER + "0\n0\n0\nC:\\pic.jpg\n1"), "damaged, picture C:\\pic.jpg");
    // No folder: empty, for the caller to replace with the working directory.
    EXPECT_EQ(Read(MARKER + "0\n0\n0\n\n14"), "0,0,0||14|0|");
    EXPECT_EQ(Read(MARKER + "0\n0\n0\n\n14-20\n"), "0,0,0||14|-20|");
}

TEST(PreferenceReading, WhatFollowsTheFolderIsIgnored)
{
    EXPECT_EQ(Read(MARKER + "0\n0\n0\n\n14150\nD:\\shots\n\x11garbage\n" + std::string(5000, 'x')),
              "0,0,0||14|150|D:\\shots");
}

TEST(PreferenceReading, LinesLongerThan255BytesAreDamage)
{
    const std::string longest(255, 'p');
    const std::string tooLong(256, 'p');
    EXPECT_EQ(Read(MARKER + "0\n0\n0\n" + longest + "\n14150\n" + longest),
              "0,0,0|" + longest + "|14|150|" + longest);
    // Not a cut path to load.
    EXPECT_EQ(Read(MARKER + "0\n0\n0\n" + tooLong + "\n14150\nD:\\"), "damaged");
    EXPECT_EQ(Read(MARKER + "0\n0\n0\n\n14150\n" + tooLong), "damaged");
    EXPECT_EQ(Read(MARKER + std::string(300, '1') + "\n0\n0\n\n14150\n"), "damaged");
    EXPECT_EQ(Read(MARKER + "0\n0\n0\n\n14" + std::string(256, ' ') + "1\n"), "damaged");
}

TEST(PreferenceReading, EveryMeaningfulByteLiesWithinTheReadLimit)
{
    // The longest file that reads in full, then more bytes that change nothing.
    const std::string line(255, '7');
    const std::string file = MARKER + line + "\n" + line + "\n" + line + "\n" + line + "\n01" +
                             line + "\n" + line + "\nrest";
    ASSERT_EQ(file.size(), PREFERENCE_MEANINGFUL_BYTES + 4);
    const std::string whole = Read(file);
    EXPECT_EQ(whole.substr(0, 11), std::to_string(INT_MAX) + ",");
    EXPECT_EQ(Read(file.substr(0, PREFERENCE_MEANINGFUL_BYTES)), whole);
}

void ExpectNumbers(std::initializer_list<std::pair<const char*, int>> cases)
{
    for (const auto& [text, number] : cases)
        EXPECT_EQ(ParsePreferenceNumber(text), number) << '"' << text << '"';
}

TEST(PreferenceNumbers, ReadLikeAtoi)
{
    ExpectNumbers({{"", 0}, {"abc", 0}, {"-", 0}, {"150", 150}, {"  \t+42xyz", 42},
                   {"\r\v\f-20", -20}, {"12 34", 12}, {"0x1F", 0}, {"- 5", 0}, {"007", 7}});
}

TEST(PreferenceNumbers, ValuesBeyondIntStopAtItsLimits)
{
    ExpectNumbers({{"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"2147483648", INT_MAX},
                   {"-2147483649", INT_MIN}, {"99999999999999999999999999", INT_MAX},
                   {"-99999999999999999999999999", INT_MIN}});
}

} // namespace
