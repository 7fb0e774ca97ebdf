#include "capture/capture_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

const CaptureTime MARCH_2004 = {2004, 3, 5, 9, 7, 3};

std::string Name(const std::string& folder, const CaptureTime& time, unsigned counter)
{
    char path[256];
    if (!FormatCaptureName(path, sizeof path, folder.c_str(), time, counter))
        return "<none>";
    return path;
}

TEST(CaptureNameTest, DateAndTimeFieldsArePadded)
{
    EXPECT_EQ(Name("D:\\shots", MARCH_2004, 0), "D:\\shots\\2004-03-05_09-07-03.bmp");
    EXPECT_EQ(Name("D:\\shots", {2026, 12, 31, 23, 59, 58}, 0),
              "D:\\shots\\2026-12-31_23-59-58.bmp");
    EXPECT_EQ(Name("C:", {5, 1, 1, 0, 0, 0}, 0), "C:\\0005-01-01_00-00-00.bmp");
    EXPECT_EQ(Name("C:", {10000, 1, 1, 0, 0, 0}, 0), "C:\\10000-01-01_00-00-00.bmp");
    // Everything after the folder: a backslash and 23 characters.
    EXPECT_EQ(Name("", MARCH_2004, 0).size(), 24u);
}

TEST(CaptureNameTest, CounterGoesBeforeTheExtension)
{
    EXPECT_EQ(Name("D:\\shots", MARCH_2004, 1), "D:\\shots\\2004-03-05_09-07-03_1.bmp");
    EXPECT_EQ(Name("D:\\shots", MARCH_2004, 2), "D:\\shots\\2004-03-05_09-07-03_2.bmp");
    EXPECT_EQ(Name("D:\\shots", MARCH_2004, 10), "D:\\shots\\2004-03-05_09-07-03_10.bmp");
}

TEST(CaptureNameTest, NameMustFitIn255Characters)
{
    EXPECT_EQ(Name(std::string(231, 'a'), MARCH_2004, 0).size(), 255u);
    EXPECT_EQ(Name(std::string(232, 'a'), MARCH_2004, 0), "<none>");
    EXPECT_EQ(Name(std::string(255, 'a'), MARCH_2004, 0), "<none>");
    // A counter costs two characters or more.
    EXPECT_EQ(Name(std::string(229, 'a'), MARCH_2004, 1).size(), 255u);
    EXPECT_EQ(Name(std::string(230, 'a'), MARCH_2004, 1), "<none>");
    EXPECT_EQ(Name(std::string(228, 'a'), MARCH_2004, 10).size(), 255u);
    EXPECT_EQ(Name(std::string(229, 'a'), MARCH_2004, 10), "<none>");

    // Never a cut name, whatever the buffer.
    char small[20];
    std::memset(small, 'x', sizeof small);
    EXPECT_FALSE(FormatCaptureName(small, sizeof small, "D:", MARCH_2004, 0));
    EXPECT_STREQ(small, "");
}

std::set<std::string>* takenNames = nullptr;

bool IsTaken(const char* path)
{
    return takenNames->count(path) != 0;
}

std::string Chosen(const std::string& folder, std::set<std::string> taken)
{
    takenNames = &taken;
    char path[256];
    const bool chosen = ChooseCaptureName(path, sizeof path, folder.c_str(), MARCH_2004, IsTaken);
    takenNames = nullptr;
    return chosen ? path : "<none>";
}

TEST(CaptureNameTest, FirstFreeNameIsChosen)
{
    const std::string plain = "D:\\shots\\2004-03-05_09-07-03.bmp";
    const std::string first = "D:\\shots\\2004-03-05_09-07-03_1.bmp";
    const std::string second = "D:\\shots\\2004-03-05_09-07-03_2.bmp";
    EXPECT_EQ(Chosen("D:\\shots", {}), plain);
    EXPECT_EQ(Chosen("D:\\shots", {plain}), first);
    EXPECT_EQ(Chosen("D:\\shots", {plain, first}), second);
    // A gap is filled: the counter does not look past the first free name.
    EXPECT_EQ(Chosen("D:\\shots", {plain, second}), first);
    // A name of another second does not count.
    EXPECT_EQ(Chosen("D:\\shots", {"D:\\shots\\2004-03-05_09-07-02.bmp"}), plain);

    std::set<std::string> many;
    many.insert(plain);
    for (int i = 1; i < 12; ++i)
        many.insert("D:\\shots\\2004-03-05_09-07-03_" + std::to_string(i) + ".bmp");
    EXPECT_EQ(Chosen("D:\\shots", many), "D:\\shots\\2004-03-05_09-07-03_12.bmp");
}

TEST(CaptureNameTest, CounterThatNoLongerFitsGivesNoName)
{
    const std::string folder(230, 'a');
    EXPECT_EQ(Chosen(folder, {}).size(), 254u);
    EXPECT_EQ(Chosen(folder, {folder + "\\2004-03-05_09-07-03.bmp"}), "<none>");
}

// Shift-JIS: lead bytes 0x81-0x9F and 0xE0-0xFC.
bool IsShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsNeverLeadByte(unsigned char)
{
    return false;
}

std::string WithoutTrailingBackslash(std::string folder,
                                     bool (*isLeadByte)(unsigned char) = IsShiftJisLeadByte)
{
    RemoveTrailingBackslash(&folder[0], isLeadByte);
    return folder.c_str();
}

TEST(TrailingBackslashTest, OneTrailingBackslashIsRemoved)
{
    EXPECT_EQ(WithoutTrailingBackslash("C:\\"), "C:");
    EXPECT_EQ(WithoutTrailingBackslash("D:\\shots\\"), "D:\\shots");
    EXPECT_EQ(WithoutTrailingBackslash("D:\\shots\\\\"), "D:\\shots\\");
    EXPECT_EQ(WithoutTrailingBackslash("\\"), "");
    EXPECT_EQ(WithoutTrailingBackslash("D:\\shots"), "D:\\shots");
    EXPECT_EQ(WithoutTrailingBackslash(""), "");

    char folder[] = "C:\\";
    EXPECT_TRUE(RemoveTrailingBackslash(folder, IsShiftJisLeadByte));
    EXPECT_FALSE(RemoveTrailingBackslash(folder, IsShiftJisLeadByte));
}

TEST(TrailingBackslashTest, SecondByteOfADoubleByteCharacterIsKept)
{
    // C:\撮影\表 : 表 is 0x95 0x5C.
    const std::string table = "C:\\\x8E\x42\x89\x65\\\x95\x5C";
    EXPECT_EQ(WithoutTrailingBackslash(table), table);
    EXPECT_EQ(WithoutTrailingBackslash(table + "\\"), table);
    // ソ and 能 end in 0x5C too; a run of them is walked in pairs.
    EXPECT_EQ(WithoutTrailingBackslash("D:\\\x83\x5C\x94\x5C"), "D:\\\x83\x5C\x94\x5C");
    // A backslash after a single-byte katakana (0xA1-0xDF) is its own.
    EXPECT_EQ(WithoutTrailingBackslash("D:\\\xB1\\"), "D:\\\xB1");
    // A lead byte with nothing after it stands alone, so the byte before the
    // end decides nothing about a trailing backslash.
    EXPECT_EQ(WithoutTrailingBackslash("D:\\\x95"), "D:\\\x95");
    // In a single-byte code page 0x5C is always a backslash.
    EXPECT_EQ(WithoutTrailingBackslash(table, IsNeverLeadByte), "C:\\\x8E\x42\x89\x65\\\x95");
}

} // namespace
