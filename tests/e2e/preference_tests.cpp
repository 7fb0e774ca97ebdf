// preference.dat at start-up: the default file, the error boxes of a file
// that cannot be used, and the dialogue that offers to delete it.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace {

const wchar_t INCOMPATIBLE[] = L"環境設定ファイルに互換性がありません。";
const wchar_t NOT_PREPARED[] = L"環境設定ファイルが正常に準備できませんでした。";
const wchar_t PICTURE_UNREADABLE[] = L"画像ファイルが読み込めませんでした。";

class PreferenceFile : public FreshFolderTest {
protected:
    // Most of these starts end in boxes, so no cover is waited for.
    bool StartOn(const std::string& preferences)
    {
        return WriteFileBytes(File(), preferences) && StartDusklid(dusklid, workDir);
    }

    void ExpectError(const wchar_t* text)
    {
        EXPECT_TRUE(AnswerBoxSaying(dusklid.Id(), IDOK, L"エラー", text));
    }

    // The error boxes of a refused file, then the offer to delete it, answered with `answer`.
    void ExpectRefusal(std::initializer_list<const wchar_t*> errors, int answer)
    {
        for (const wchar_t* error : errors)
            ExpectError(error);
        EXPECT_TRUE(AnswerDeleteOffer(dusklid.Id(), answer));
    }

    // A failed start ends with exit code 0 and leaves nothing behind.
    void ExpectCleanFailedStart()
    {
        EXPECT_EQ(dusklid.WaitForExit(10000), 0);
        EXPECT_EQ(FindCoverWindow(), nullptr);
        EXPECT_TRUE(HotKeysAreFree());
    }

    std::wstring File() const { return PreferencePath(workDir); }
};

} // namespace

TEST_F(PreferenceFile, DefaultPreferenceFileIsWrittenWhenThereIsNone)
{
    // A Japanese folder name lands in the file as Shift-JIS bytes.
    workDir = MakeWorkDir("既定の設定");
    DeleteFileW(File().c_str());  // an earlier repeat's
    ASSERT_TRUE(Start());
    EXPECT_EQ(FileBytes(File()),
              PreferenceBytes(PreferenceFields().Folder(ShiftJis(workDir))) + "\n");
}

TEST_F(PreferenceFile, TemporaryFileIsTakenWhenThePreferenceFileIsMissing)
{
    // What a save leaves when the old file went and the new one kept its temporary name; a
    // file cut short (zeros after a power cut) is no such copy and gives way to the default.
    const std::string saved =
        PreferenceBytes(PreferenceFields().Color(0, 0, 128).Corner('0').Folder("C:\\shots"));
    const struct { const wchar_t* name; std::string temporary; bool taken; } cases[] = {
        {L"complete", saved, true},
        {L"zeros", std::string(saved.size(), '\0'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.name));
        const std::wstring dir = workDir + L"\\" + c.name;
        const std::wstring temporary = PreferenceTemporaryPath(dir);
        DusklidProcess program;
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(temporary, c.temporary));
        ASSERT_TRUE(StartDusklidAndWait(program, dir));
        const std::string defaults = PreferenceBytes(PreferenceFields().Folder(ShiftJis(dir)));
        EXPECT_EQ(FileBytes(PreferencePath(dir)), c.taken ? saved : defaults + "\n");
        EXPECT_NE(PathExists(temporary), c.taken);
        if (!c.taken)
            continue;
        ASSERT_TRUE(ShowCoverByHotKey(FindCoverWindow()));
        const POINT centre = ScreenCentre();
        EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(0, 0, 128)));
    }
}

TEST_F(PreferenceFile, IncompatiblePreferenceFileIsDeletedOnYes)
{
    std::string incompatible = PreferenceBytes(PreferenceFields().Folder("C:\\")) + "\n";
    ++incompatible[0];  // the next version's
    ASSERT_TRUE(StartOn(incompatible));
    ExpectRefusal({INCOMPATIBLE}, IDYES);
    EXPECT_TRUE(AnswerDeletedNotice(dusklid.Id()));
    ExpectCleanFailedStart();
    EXPECT_FALSE(PathExists(File()));
    // The next start writes the default file and runs.
    DusklidProcess again;
    ASSERT_TRUE(StartDusklidAndWait(again, workDir));
    EXPECT_TRUE(PathExists(File()));
}

TEST_F(PreferenceFile, EmptyPreferenceFileIsKeptOnNo)
{
    ASSERT_TRUE(StartOn(""));
    ExpectRefusal({INCOMPATIBLE}, IDNO);
    ExpectCleanFailedStart();
    EXPECT_TRUE(PathExists(File()));
    EXPECT_EQ(FileBytes(File()), "");
}

TEST_F(PreferenceFile, DamagedPreferenceFileIsRefusedAfterThePictureWarning)
{
    // The picture is loaded before the rest is judged; a stretch flag of '2' is damage.
    const std::string damaged =
        PreferenceBytes(PreferenceFields().Picture("C:\\missing.jpg").Stretch('2').Corner('0'));
    ASSERT_TRUE(StartOn(damaged));
    ExpectRefusal({PICTURE_UNREADABLE, L"環境設定ファイルが壊れています。"}, IDNO);
    ExpectCleanFailedStart();
    EXPECT_EQ(FileBytes(File()), damaged);
}

TEST_F(PreferenceFile, MissingPictureIsReportedAndStartUpGoesOn)
{
    ASSERT_TRUE(
        StartOn(PreferenceBytes(PreferenceFields().Picture("C:\\missing.jpg").Corner('0'))));
    ExpectError(PICTURE_UNREADABLE);
    EXPECT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 10000));
    EXPECT_TRUE(dusklid.Running());
}

TEST_F(PreferenceFile, FileSavedWithCarriageReturnsKeepsItsColour)
{
    // A carriage return stays in its line: the numbers read past it, the path "\r" is no file.
    ASSERT_TRUE(StartOn("\x10" "0\r\n0\r\n128\r\n\r\n14150\r\nC:\\shots\r\n"));
    ExpectError(PICTURE_UNREADABLE);
    ASSERT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000));
    ASSERT_TRUE(ShowCoverByHotKey(FindCoverWindow()));
    const POINT centre = ScreenCentre();
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(0, 0, 128)));
}

TEST_F(PreferenceFile, PreferenceFileHeldOpenIsNeverReplaced)
{
    // Held open without sharing: neither readable nor deletable, and not to be written over.
    const std::string held = PreferenceBytes(
        PreferenceFields().Color(1, 2, 3).Stretch('0').Corner('3').Delay("999").Folder("C:\\shots"));
    ASSERT_TRUE(WriteFileBytes(File(), held));
    {
        const std::unique_ptr<void, decltype(&CloseHandle)> holder(
            CreateFileW(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            &CloseHandle);
        ASSERT_NE(holder.get(), INVALID_HANDLE_VALUE);
        ASSERT_TRUE(StartDusklid(dusklid, workDir));
        ExpectRefusal({NOT_PREPARED}, IDYES);
        ExpectError(L"環境設定ファイルを削除できませんでした。");  // not a false notice of deletion
        ExpectCleanFailedStart();
    }
    EXPECT_EQ(FileBytes(File()), held);
}

TEST_F(PreferenceFile, WorkingDirectoryTooLongForAPathIsRefused)
{
    // Allowed as a working directory, but a path buffer cut to fit would name another folder.
    // Under a drive of its own, so that the length does not depend on the checkout's place.
    constexpr size_t LENGTH = 257;
    const WineDrive drive('s', WindowsToUnixPath(workDir));
    ASSERT_TRUE(drive.ready);
    std::wstring dir = drive.root;
    while (dir.size() < LENGTH) {
        dir += L"\\" + std::wstring(std::min<size_t>(60, LENGTH - dir.size() - 1), L'd');
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    ASSERT_EQ(dir.size(), LENGTH);
    if (!StartDusklid(dusklid, dir))
        GTEST_SKIP() << "the platform refuses a " << LENGTH << "-character working directory";
    // The folder is at fault, not the file: no offer to delete the settings.
    ExpectError(NOT_PREPARED);
    ExpectCleanFailedStart();
    EXPECT_FALSE(PathExists(PreferencePath(dir)));
}
