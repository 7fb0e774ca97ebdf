#include "capture/capture_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

const CaptureTime MARCH_2004 = {2004, 3, 5, 9, 7, 3};

// The name for MARCH_2004 in D:\shots, with `suffix` before the extension.
std::string Shot(const std::string& suffix)
{
    return "D:\\shots\\2004-03-05_09-07-03" + suffix + ".bmp";
}

// Empty when there is none.
std::string Name(const std::string& folder, const CaptureTime& time, unsigned counter)
{
    char path[256];
    return FormatCaptureName(path, sizeof path, folder.c_str(), time, counter) ? path : "";
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
    for (unsigned counter : {1u, 2u, 10u})
        EXPECT_EQ(Name("D:\\shots", MARCH_2004, counter), Shot("_" + std::to_string(counter)));
}

TEST(CaptureNameTest, NameMustFitIn255Characters)
{
    // Folder length, counter, length of the name (0: none).
    const unsigned cases[][3] = {{231, 0, 255}, {232, 0, 0},   {255, 0, 0}, {229, 1, 255},
                                 {230, 1, 0},   {228, 10, 255}, {229, 10, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(Name(std::string(c[0], 'a'), MARCH_2004, c[1]).size(), c[2])
            << c[0] << " characters, counter " << c[1];

    // Never a cut name, whatever the buffer.
    char small[20];
    std::memset(small, 'x', sizeof small);
    EXPECT_FALSE(FormatCaptureName(small, sizeof small, "D:", MARCH_2004, 0));
    EXPECT_STREQ(small, "");
}

// The name picked for MARCH_2004 when `taken` exist; empty when there is none.
std::string Chosen(const std::string& folder, const std::set<std::string>& taken)
{
    static const std::set<std::string>* names;
    names = &taken;
    char path[256];
    return ChooseCaptureName(path, sizeof path, folder.c_str(), MARCH_2004,
                             [](const char* p) { return names->count(p) != 0; }) ? path : "";
}

TEST(CaptureNameTest, FirstFreeNameIsChosen)
{
    // The plain name, then _1, _2 and on, each taken in turn.
    std::set<std::string> taken;
    for (int i = 0; i <= 12; ++i) {
        const std::string next = Shot(i == 0 ? "" : "_" + std::to_string(i));
        EXPECT_EQ(Chosen("D:\\shots", taken), next);
        taken.insert(next);
    }
    // A gap is filled: the counter does not look past the first free name.
    EXPECT_EQ(Chosen("D:\\shots", {Shot(""), Shot("_2")}), Shot("_1"));
    // A name of another second does not count.
    EXPECT_EQ(Chosen("D:\\shots", {"D:\\shots\\2004-03-05_09-07-02.bmp"}), Shot(""));
}

TEST(CaptureNameTest, CounterThatNoLongerFitsGivesNoName)
{
    const std::string folder(230, 'a');
    EXPECT_EQ(Chosen(folder, {}).size(), 254u);
    EXPECT_EQ(Chosen(folder, {folder + "\\2004-03-05_09-07-03.bmp"}), "");
}

bool IsShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
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
    // A lead byte with nothing after it stands alone.
    EXPECT_EQ(WithoutTrailingBackslash("D:\\\x95"), "D:\\\x95");
    // In a single-byte code page 0x5C is always a backslash.
    EXPECT_EQ(WithoutTrailingBackslash(table, [](unsigned char) { return false; }),
              "C:\\\x8E\x42\x89\x65\\\x95");
}

} // namespace
