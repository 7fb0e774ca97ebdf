// preference.dat at start-up: the default file, the error boxes of a file
// that cannot be used, and the dialogue that offers to delete it.
#include "toolkit/toolkit.h"

#include <algorithm>

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

// Starts the program in a folder holding `bytes` as its preference file.
bool StartWithPreferences(DusklidProcess& dusklid, const char* name, const std::string& bytes)
{
    const std::wstring dir = MakeWorkDirWithPreferences(name, bytes);
    return !dir.empty() && StartDusklid(dusklid, dir);
}

// Checks the box that comes next and presses `button` in it.
void ExpectBox(DWORD processId, const wchar_t* caption, const wchar_t* text, int button)
{
    const MessageBoxSeen box = AnswerMessageBox(processId, button);
    EXPECT_TRUE(box.found) << "no box with the text expected next";
    if (!box.found)
        return;
    EXPECT_TRUE(box.caption == caption);
    EXPECT_TRUE(box.text == text);
    EXPECT_TRUE(button == IDOK ? box.hasOk && !box.hasYesNo : box.hasYesNo);
    EXPECT_TRUE(box.closed);
}

// What a failed start must end with: exit code 0 and nothing left behind.
void ExpectCleanFailedStart(DusklidProcess& dusklid)
{
    EXPECT_TRUE(dusklid.WaitForExit(10000) == 0);
    EXPECT_TRUE(FindCoverWindow() == nullptr);
    EXPECT_TRUE(HotKeysAreFree());
}

} // namespace

TEST(PreferenceFile, DefaultPreferenceFileIsWrittenWhenThereIsNone)
{
    // A Japanese folder name lands in the file as Shift-JIS bytes.
    const std::wstring dir = MakeWorkDir("既定の設定");
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, dir));
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(PreferencePath(dir), bytes));
    EXPECT_TRUE(bytes == std::string("\x10" "0\n0\n0\n\n14150\n") + ShiftJis(dir) + "\n");
}

TEST(PreferenceFile, IncompatiblePreferenceFileIsDeletedOnYes)
{
    const std::string bytes = "\x11" "0\n0\n0\n\n14150\nC:\\\n";
    DusklidProcess dusklid;
    ASSERT_TRUE(StartWithPreferences(dusklid, "incompatible_yes", bytes));
    const DWORD id = dusklid.info.dwProcessId;
    ExpectBox(id, ERROR_CAPTION, INCOMPATIBLE, IDOK);
    ExpectBox(id, L"確認", QUESTION, IDYES);
    ExpectBox(id, L"完了", DELETED, IDOK);
    ExpectCleanFailedStart(dusklid);
    EXPECT_TRUE(!PathExists(PreferencePath(dusklid.workDir)));

    // The next start writes the default file and runs.
    DusklidProcess again;
    ASSERT_TRUE(StartDusklidAndWait(again, dusklid.workDir));
    EXPECT_TRUE(PathExists(PreferencePath(dusklid.workDir)));
}

TEST(PreferenceFile, EmptyPreferenceFileIsKeptOnNo)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartWithPreferences(dusklid, "empty_no", ""));
    const DWORD id = dusklid.info.dwProcessId;
    ExpectBox(id, ERROR_CAPTION, INCOMPATIBLE, IDOK);
    ExpectBox(id, L"確認", QUESTION, IDNO);
    ExpectCleanFailedStart(dusklid);
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(PreferencePath(dusklid.workDir), bytes) && bytes.empty());
}

TEST(PreferenceFile, DamagedPreferenceFileIsRefusedAfterThePictureWarning)
{
    // The picture is loaded before the rest of the file is judged.
    const std::string bytes = PreferenceBytes(0, 0, 0, "C:\\no such picture.jpg", '2', '0',
                                              "150", "");
    DusklidProcess dusklid;
    ASSERT_TRUE(StartWithPreferences(dusklid, "damaged", bytes));
    const DWORD id = dusklid.info.dwProcessId;
    ExpectBox(id, ERROR_CAPTION, PICTURE_UNREADABLE, IDOK);
    ExpectBox(id, ERROR_CAPTION, DAMAGED, IDOK);
    ExpectBox(id, L"確認", QUESTION, IDNO);
    ExpectCleanFailedStart(dusklid);
    std::string kept;
    EXPECT_TRUE(ReadFileBytes(PreferencePath(dusklid.workDir), kept) && kept == bytes);
}

TEST(PreferenceFile, MissingPictureIsReportedAndStartUpGoesOn)
{
    const std::string bytes = PreferenceBytes(0, 0, 0, "C:\\no such picture.jpg", '1', '0',
                                              "150", "");
    DusklidProcess dusklid;
    ASSERT_TRUE(StartWithPreferences(dusklid, "missing_picture", bytes));
    ExpectBox(dusklid.info.dwProcessId, ERROR_CAPTION, PICTURE_UNREADABLE, IDOK);
    EXPECT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 10000));
    EXPECT_TRUE(dusklid.Running());
}

TEST(PreferenceFile, PreferenceFileHeldOpenIsNeverReplaced)
{
    // Another program holds the file open without sharing: the program can
    // neither read nor delete it, and must not write the default over it.
    const std::string bytes = PreferenceBytes(1, 2, 3, "", '0', '3', "999", "C:\\shots");
    const std::wstring dir = MakeWorkDirWithPreferences("held_open", bytes);
    ASSERT_TRUE(!dir.empty());
    HANDLE held = CreateFileW(PreferencePath(dir).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(held != INVALID_HANDLE_VALUE);

    DusklidProcess dusklid;
    if (StartDusklid(dusklid, dir)) {
        const DWORD id = dusklid.info.dwProcessId;
        ExpectBox(id, ERROR_CAPTION, NOT_PREPARED, IDOK);
        ExpectBox(id, L"確認", QUESTION, IDYES);
        // No false notice of a deletion that did not happen.
        ExpectBox(id, ERROR_CAPTION, NOT_DELETED, IDOK);
        ExpectCleanFailedStart(dusklid);
    } else {
        EXPECT_TRUE(false) << "cannot start dusklid.exe";
    }
    CloseHandle(held);
    std::string kept;
    EXPECT_TRUE(ReadFileBytes(PreferencePath(dir), kept) && kept == bytes);
}

TEST(PreferenceFile, WorkingDirectoryTooLongForAPathIsRefused)
{
    // 257 characters: the platform still allows it as a working directory,
    // but no path buffer of the program can hold it, and a cut one would
    // name another folder.
    constexpr size_t LENGTH = 257;
    std::wstring dir = MakeWorkDir("long_directory");
    while (dir.size() < LENGTH) {
        dir += L"\\" + std::wstring(std::min<size_t>(60, LENGTH - dir.size() - 1), L'd');
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    ASSERT_TRUE(dir.size() == LENGTH);
    DusklidProcess dusklid;
    if (!StartDusklid(dusklid, dir)) {
        std::printf("    note: the platform refuses a %zu-character working directory\n",
                    dir.size());
        return;
    }
    const DWORD id = dusklid.info.dwProcessId;
    ExpectBox(id, ERROR_CAPTION, NOT_PREPARED, IDOK);
    ExpectBox(id, L"確認", QUESTION, IDNO);
    ExpectCleanFailedStart(dusklid);
    EXPECT_TRUE(!PathExists(PreferencePath(dir)));
}
