// preference.dat at start-up: the default file, the error boxes of a file
// that cannot be used, and the dialogue that offers to delete it.
#include "e2e_support.h"

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

std::wstring PreferencePath(const std::wstring& workDir)
{
    return workDir + L"\\preference.dat";
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

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
    CHECK_MSG(box.found, "no box with the text expected next");
    if (!box.found)
        return;
    CHECK(box.caption == caption);
    CHECK(box.text == text);
    CHECK(button == IDOK ? box.hasOk && !box.hasYesNo : box.hasYesNo);
    CHECK(box.closed);
}

// What a failed start must end with: exit code 0 and nothing left behind.
void ExpectCleanFailedStart(DusklidProcess& dusklid)
{
    CHECK(dusklid.WaitForExit(10000) == 0);
    CHECK(FindCoverWindow() == nullptr);
    CHECK(HotKeysAreFree());
}

} // namespace

E2E_TEST(DefaultPreferenceFileIsWrittenWhenThereIsNone)
{
    // A Japanese folder name lands in the file as Shift-JIS bytes.
    const std::wstring dir = MakeWorkDir("既定の設定");
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, dir));
    std::string bytes;
    REQUIRE(ReadFileBytes(PreferencePath(dir), bytes));
    CHECK(bytes == std::string("\x10" "0\n0\n0\n\n14150\n") + ShiftJis(dir) + "\n");
}

E2E_TEST(IncompatiblePreferenceFileIsDeletedOnYes)
{
    const std::string bytes = "\x11" "0\n0\n0\n\n14150\nC:\\\n";
    DusklidProcess dusklid;
    REQUIRE(StartWithPreferences(dusklid, "incompatible_yes", bytes));
    const DWORD id = dusklid.info.dwProcessId;
    ExpectBox(id, ERROR_CAPTION, INCOMPATIBLE, IDOK);
    ExpectBox(id, L"確認", QUESTION, IDYES);
    ExpectBox(id, L"完了", DELETED, IDOK);
    ExpectCleanFailedStart(dusklid);
    CHECK(!FileExists(PreferencePath(dusklid.workDir)));

    // The next start writes the default file and runs.
    DusklidProcess again;
    REQUIRE(StartDusklidAndWait(again, dusklid.workDir));
    CHECK(FileExists(PreferencePath(dusklid.workDir)));
}

E2E_TEST(EmptyPreferenceFileIsKeptOnNo)
{
    DusklidProcess dusklid;
    REQUIRE(StartWithPreferences(dusklid, "empty_no", ""));
    const DWORD id = dusklid.info.dwProcessId;
    ExpectBox(id, ERROR_CAPTION, INCOMPATIBLE, IDOK);
    ExpectBox(id, L"確認", QUESTION, IDNO);
    ExpectCleanFailedStart(dusklid);
    std::string bytes;
    CHECK(ReadFileBytes(PreferencePath(dusklid.workDir), bytes) && bytes.empty());
}

E2E_TEST(DamagedPreferenceFileIsRefusedAfterThePictureWarning)
{
    // The picture is loaded before the rest of the file is judged.
    const std::string bytes = PreferenceBytes(0, 0, 0, "C:\\no such picture.jpg", '2', '0',
                                              "150", "");
    DusklidProcess dusklid;
    REQUIRE(StartWithPreferences(dusklid, "damaged", bytes));
    const DWORD id = dusklid.info.dwProcessId;
    ExpectBox(id, ERROR_CAPTION, PICTURE_UNREADABLE, IDOK);
    ExpectBox(id, ERROR_CAPTION, DAMAGED, IDOK);
    ExpectBox(id, L"確認", QUESTION, IDNO);
    ExpectCleanFailedStart(dusklid);
    std::string kept;
    CHECK(ReadFileBytes(PreferencePath(dusklid.workDir), kept) && kept == bytes);
}

E2E_TEST(MissingPictureIsReportedAndStartUpGoesOn)
{
    const std::string bytes = PreferenceBytes(0, 0, 0, "C:\\no such picture.jpg", '1', '0',
                                              "150", "");
    DusklidProcess dusklid;
    REQUIRE(StartWithPreferences(dusklid, "missing_picture", bytes));
    ExpectBox(dusklid.info.dwProcessId, ERROR_CAPTION, PICTURE_UNREADABLE, IDOK);
    CHECK(WaitUntil([] { return FindCoverWindow() != nullptr; }, 10000));
    CHECK(dusklid.Running());
}

E2E_TEST(PreferenceFileHeldOpenIsNeverReplaced)
{
    // Another program holds the file open without sharing: the program can
    // neither read nor delete it, and must not write the default over it.
    const std::string bytes = PreferenceBytes(1, 2, 3, "", '0', '3', "999", "C:\\shots");
    const std::wstring dir = MakeWorkDirWithPreferences("held_open", bytes);
    REQUIRE(!dir.empty());
    HANDLE held = CreateFileW(PreferencePath(dir).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);

    DusklidProcess dusklid;
    if (StartDusklid(dusklid, dir)) {
        const DWORD id = dusklid.info.dwProcessId;
        ExpectBox(id, ERROR_CAPTION, NOT_PREPARED, IDOK);
        ExpectBox(id, L"確認", QUESTION, IDYES);
        // No false notice of a deletion that did not happen.
        ExpectBox(id, ERROR_CAPTION, NOT_DELETED, IDOK);
        ExpectCleanFailedStart(dusklid);
    } else {
        CHECK_MSG(false, "cannot start dusklid.exe");
    }
    CloseHandle(held);
    std::string kept;
    CHECK(ReadFileBytes(PreferencePath(dir), kept) && kept == bytes);
}

E2E_TEST(WorkingDirectoryTooLongForAPathIsRefused)
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
    REQUIRE(dir.size() == LENGTH);
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
    CHECK(!FileExists(PreferencePath(dir)));
}
