// preference.dat at start-up: the default file, the error boxes of a file
// that cannot be used, and the dialogue that offers to delete it.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace {

const wchar_t ERROR_CAPTION[] = L"エラー";
const wchar_t INCOMPATIBLE[] = L"環境設定ファイルに互換性がありません。";
const wchar_t DAMAGED[] = L"環境設定ファイルが壊れています。";
const wchar_t NOT_PREPARED[] = L"環境設定ファイルが正常に準備できませんでした。";
const wchar_t PICTURE_UNREADABLE[] = L"画像ファイルが読み込めませんでした。";
const wchar_t QUESTION[] =
    L"環境設定ファイルの問題でソフトウェアが起動しなくなった場合は、\n"
    L"環境設定ファイルを削除すると問題が解決することがあります。\n"
    L"環境設定ファイルを削除しますか？";
const wchar_t DELETED[] =
    L"環境設定ファイルを削除しました。\n"
    L"プログラムはいったん終了しますので、再度起動してみてください。";
const wchar_t NOT_DELETED[] = L"環境設定ファイルを削除できませんでした。";

// "C:\no such picture.jpg", with stretch `stretch` and hot corner off.
std::string MissingPictureFile(char stretch)
{
    return PreferenceBytes(0, 0, 0, "C:\\no such picture.jpg", stretch, '0', "150", "");
}

class PreferenceFile : public FreshFolderTest {
protected:
    // Most of these starts end in boxes, so no cover is waited for.
    bool StartOn(const std::string& preferences)
    {
        return WriteFileBytes(PreferencePath(workDir), preferences) &&
               StartDusklid(dusklid, workDir);
    }

    void ExpectBox(const wchar_t* caption, const wchar_t* text, int button)
    {
        EXPECT_TRUE(AnswerBoxSaying(dusklid.Id(), button, caption, text));
    }

    // The error boxes of a refused file, each answered with OK, then the
    // question whether to delete it, answered with `answer`.
    void ExpectRefusal(std::initializer_list<const wchar_t*> errors, int answer)
    {
        for (const wchar_t* error : errors)
            ExpectBox(ERROR_CAPTION, error, IDOK);
        ExpectBox(L"確認", QUESTION, answer);
    }

    // What a failed start must end with: exit code 0 and nothing left behind.
    void ExpectCleanFailedStart()
    {
        EXPECT_EQ(dusklid.WaitForExit(10000), 0);
        EXPECT_EQ(FindCoverWindow(), nullptr);
        EXPECT_TRUE(HotKeysAreFree());
    }
};

} // namespace

TEST_F(PreferenceFile, DefaultPreferenceFileIsWrittenWhenThereIsNone)
{
    // A Japanese folder name lands in the file as Shift-JIS bytes.
    workDir = MakeWorkDir("既定の設定");
    DeleteFileW(PreferencePath(workDir).c_str());  // an earlier repeat's
    ASSERT_TRUE(Start());
    EXPECT_EQ(FileBytes(PreferencePath(workDir)),
              PreferenceBytes(0, 0, 0, "", '1', '4', "150", ShiftJis(workDir)) + "\n");
}

TEST_F(PreferenceFile, IncompatiblePreferenceFileIsDeletedOnYes)
{
    std::string incompatible = PreferenceBytes(0, 0, 0, "", '1', '4', "150", "C:\\") + "\n";
    ++incompatible[0];  // the next version's
    ASSERT_TRUE(StartOn(incompatible));
    ExpectRefusal({INCOMPATIBLE}, IDYES);
    ExpectBox(L"完了", DELETED, IDOK);
    ExpectCleanFailedStart();
    EXPECT_FALSE(PathExists(PreferencePath(workDir)));

    // The next start writes the default file and runs.
    DusklidProcess again;
    ASSERT_TRUE(StartDusklidAndWait(again, workDir));
    EXPECT_TRUE(PathExists(PreferencePath(workDir)));
}

TEST_F(PreferenceFile, EmptyPreferenceFileIsKeptOnNo)
{
    ASSERT_TRUE(StartOn(""));
    ExpectRefusal({INCOMPATIBLE}, IDNO);
    ExpectCleanFailedStart();
    EXPECT_TRUE(PathExists(PreferencePath(workDir)));
    EXPECT_EQ(FileBytes(PreferencePath(workDir)), "");
}

TEST_F(PreferenceFile, DamagedPreferenceFileIsRefusedAfterThePictureWarning)
{
    // The picture is loaded before the rest of the file is judged: a stretch
    // flag of '2' is damage.
    const std::string damaged = MissingPictureFile('2');
    ASSERT_TRUE(StartOn(damaged));
    ExpectRefusal({PICTURE_UNREADABLE, DAMAGED}, IDNO);
    ExpectCleanFailedStart();
    EXPECT_EQ(FileBytes(PreferencePath(workDir)), damaged);
}

TEST_F(PreferenceFile, MissingPictureIsReportedAndStartUpGoesOn)
{
    ASSERT_TRUE(StartOn(MissingPictureFile('1')));
    ExpectBox(ERROR_CAPTION, PICTURE_UNREADABLE, IDOK);
    EXPECT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 10000));
    EXPECT_TRUE(dusklid.Running());
}

TEST_F(PreferenceFile, FileSavedWithCarriageReturnsKeepsItsColour)
{
    // A line feed ends a line and a carriage return stays in it: the
    // numbers read past it, the picture path "\r" names no file.
    ASSERT_TRUE(StartOn("\x10" "0\r\n0\r\n128\r\n\r\n14150\r\nC:\\shots\r\n"));
    ExpectBox(ERROR_CAPTION, PICTURE_UNREADABLE, IDOK);
    ASSERT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000));
    ASSERT_TRUE(ShowCoverByHotKey(FindCoverWindow()));
    const POINT centre = ScreenCentre();
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(0, 0, 128)));
}

TEST_F(PreferenceFile, PreferenceFileHeldOpenIsNeverReplaced)
{
    // Another program holds the file open without sharing: the program can
    // neither read nor delete it, and must not write the default over it.
    const std::string held = PreferenceBytes(1, 2, 3, "", '0', '3', "999", "C:\\shots");
    ASSERT_TRUE(WriteFileBytes(PreferencePath(workDir), held));
    {
        const std::unique_ptr<void, decltype(&CloseHandle)> holder(
            CreateFileW(PreferencePath(workDir).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                        0, nullptr),
            &CloseHandle);
        ASSERT_NE(holder.get(), INVALID_HANDLE_VALUE);
        ASSERT_TRUE(StartDusklid(dusklid, workDir));
        ExpectRefusal({NOT_PREPARED}, IDYES);
        // No false notice of a deletion that did not happen.
        ExpectBox(ERROR_CAPTION, NOT_DELETED, IDOK);
        ExpectCleanFailedStart();
    }
    EXPECT_EQ(FileBytes(PreferencePath(workDir)), held);
}

TEST_F(PreferenceFile, WorkingDirectoryTooLongForAPathIsRefused)
{
    // 257 characters: the platform still allows it as a working directory,
    // but no path buffer of the program can hold it, and a cut one would
    // name another folder.
    constexpr size_t LENGTH = 257;
    std::wstring dir = workDir;
    while (dir.size() < LENGTH) {
        dir += L"\\" + std::wstring(std::min<size_t>(60, LENGTH - dir.size() - 1), L'd');
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    ASSERT_EQ(dir.size(), LENGTH);
    if (!StartDusklid(dusklid, dir))
        GTEST_SKIP() << "the platform refuses a " << LENGTH << "-character working directory";
    // The folder is at fault, not the file: no offer to delete the settings,
    // which would wait for an answer and keep the program from ending.
    ExpectBox(ERROR_CAPTION, NOT_PREPARED, IDOK);
    ExpectCleanFailedStart();
    EXPECT_FALSE(PathExists(PreferencePath(dir)));
}
