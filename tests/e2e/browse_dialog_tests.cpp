// The preferences dialog's two browse buttons: the system's open-file
// dialog for the picture and the folder browser for the capture folder.
#include "toolkit/toolkit.h"

#include <shlobj.h>  // CSIDL_DRIVES

#include <sstream>

namespace {

// The open-file dialog's file types, in the program's order.
enum { BITMAP_FILES, JPEG_FILES, GIF_FILES, SUPPORTED_FILES, ALL_FILES };

// Lines of preference.dat, counted from 0 after its marker byte.
constexpr size_t PICTURE_LINE = 3;
constexpr size_t FOLDER_LINE = 5;

std::string PreferenceLine(const std::wstring& workDir, size_t index)
{
    std::istringstream lines(FileBytes(PreferencePath(workDir)));
    lines.ignore(1);  // the marker byte
    std::string line;
    for (size_t i = 0; i <= index; ++i)
        std::getline(lines, line);
    return line;
}

bool PutPicture(const std::wstring& path)
{
    const std::wstring source = MakePicture("browse_picture.bmp", "-size 40x30 xc:red");
    return !source.empty() && CopyFileW(source.c_str(), path.c_str(), TRUE);
}

// UTF-8 between bars, for comparisons that print readably.
std::string Join(const std::vector<std::wstring>& items)
{
    std::string text;
    for (const std::wstring& item : items)
        text += (text.empty() ? "" : " | ") + Utf8(item);
    return text;
}

// Nested below `root` (a part has 255 characters at most), leaving room for a
// last part of ten or more within `longest`.
std::wstring DeepFolder(const std::wstring& root, size_t longest)
{
    std::wstring folder = root;
    while (folder.size() + 1 + 60 + 1 + 10 <= longest) {
        folder += L"\\" + std::wstring(60, L'd');
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

// While it lives, Wine refuses the library `name` to every dusklid.exe: the
// program's own setting, read at each load.
struct LibraryWithheld {
    static constexpr const wchar_t* PROGRAM_KEY = L"Software\\Wine\\AppDefaults\\dusklid.exe";
    explicit LibraryWithheld(const wchar_t* name)
    {
        HKEY overrides = nullptr;
        const std::wstring key = std::wstring(PROGRAM_KEY) + L"\\DllOverrides";
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &overrides, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExW(overrides, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"disabled"),
                       sizeof L"disabled");
        RegCloseKey(overrides);
    }
    ~LibraryWithheld() { RegDeleteTreeW(HKEY_CURRENT_USER, PROGRAM_KEY); }
    LibraryWithheld(const LibraryWithheld&) = delete;
    LibraryWithheld& operator=(const LibraryWithheld&) = delete;
};

class BrowseDialogs : public FreshFolderTest {
protected:
    ::testing::AssertionResult StartWithPreferences()
    {
        ::testing::AssertionResult started = Start();
        if (started && (preferences = OpenPreferencesDialog(cover, dusklid.Id())) == nullptr)
            return ::testing::AssertionFailure() << "no preferences dialog";
        return started;
    }

    ::testing::AssertionResult FieldShows(int id, const std::wstring& text,
                                          DWORD timeoutMs = 5000) const
    {
        if (WaitUntil([&] { return DialogItemText(preferences, id) == text; }, timeoutMs))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "it shows " << Utf8(DialogItemText(preferences, id));
    }

    // Looked at once the program has handled all that came before.
    ::testing::AssertionResult FieldKeeps(int id, const std::wstring& text) const
    {
        SendAndWait(preferences, WM_NULL, 0, 0);
        return FieldShows(id, text, 0);
    }

    // Types `path` into the open-file dialog and presses Open; true once it goes.
    bool OpenPicture(const std::wstring& path) const
    {
        const FileDialog files = OpenFileDialog(dusklid, preferences);
        files.Type(path);
        return files.window != nullptr && CloseWith(files.window, IDOK);
    }

    bool ChooseFolder(const std::wstring& folder) const
    {
        const FolderBrowser browser = OpenFolderBrowser(dusklid, preferences);
        return browser.window != nullptr && browser.SelectPath(folder) &&
               CloseWith(browser.window, IDOK);
    }

    // The program's warning or error, which must come over the preferences dialog.
    void ExpectBoxOverTheDialog(const wchar_t* text) const
    {
        MessageBoxSeen box;
        EXPECT_TRUE(AnswerBoxSaying(dusklid.Id(), IDOK, L"エラー", text, &box));
        EXPECT_EQ(box.owner, preferences);
    }

    HWND preferences = nullptr;
};

} // namespace

TEST_F(BrowseDialogs, BrowsePictureStartsOnDriveCWithTheSupportedFiles)
{
    ASSERT_TRUE(StartWithPreferences());
    // Empty, then naming a file that is not there: the same start either way.
    for (const std::wstring& field : {std::wstring(), workDir + L"\\gone.bmp"}) {
        SCOPED_TRACE(Utf8(field));
        SetItemText(preferences, IDC_PICTURE_PATH, field);
        const FileDialog files = OpenFileDialog(dusklid, preferences);
        ASSERT_NE(files.window, nullptr);
        EXPECT_EQ(GetWindow(files.window, GW_OWNER), preferences);
        EXPECT_EQ(Join(files.FileTypes()),
                  "ビットマップファイル(*.bmp) | JPEGファイル(*.jpg;*.jpeg) | GIFファイル(*.gif) | "
                  "サポートされたファイル | すべてのファイル(*.*)");
        EXPECT_EQ(files.FileType(), SUPPORTED_FILES);
        EXPECT_EQ(Utf8(files.Folder()), "C:\\");
        EXPECT_EQ(Utf8(files.FileName()), "*.bmp;*.jpg;*.jpeg;*.gif");
        ScreenshotWindow("browse_picture_start", files.window);
        ASSERT_TRUE(CloseWith(files.window, IDCANCEL));
        EXPECT_TRUE(FieldKeeps(IDC_PICTURE_PATH, field)) << "after Cancel";
    }
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}

TEST_F(BrowseDialogs, BrowsePictureStartsOnTheNamedFileAndFiltersByType)
{
    // One file per pattern, in mixed case, and two that no picture filter takes.
    const std::wstring folder = workDir + L"\\pictures";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const wchar_t* name : {L"a.bmp", L"b.JPG", L"c.jpeg", L"d.Gif", L"e.txt", L"f.png"})
        ASSERT_TRUE(WriteFileBytes(folder + L"\\" + name, ""));

    ASSERT_TRUE(StartWithPreferences());
    SetItemText(preferences, IDC_PICTURE_PATH, folder + L"\\c.jpeg");
    const FileDialog files = OpenFileDialog(dusklid, preferences);
    ASSERT_NE(files.window, nullptr);
    EXPECT_EQ(Utf8(files.Folder()), Utf8(folder));
    EXPECT_EQ(Utf8(files.FileName()), "c.jpeg");

    struct Listing { int type; const char* names; };
    // The type chosen at the start first.
    const Listing listings[] = {
        {SUPPORTED_FILES, "a.bmp | b.JPG | c.jpeg | d.Gif"},
        {BITMAP_FILES, "a.bmp"},
        {JPEG_FILES, "b.JPG | c.jpeg"},
        {GIF_FILES, "d.Gif"},
        {ALL_FILES, "a.bmp | b.JPG | c.jpeg | d.Gif | e.txt | f.png"},
    };
    EXPECT_EQ(files.FileType(), SUPPORTED_FILES);
    for (const Listing& listing : listings) {
        if (listing.type != files.FileType())
            files.ChooseFileType(listing.type);
        WaitUntil([&] { return Join(files.ListedNames()) == listing.names; }, 5000);
        EXPECT_EQ(Join(files.ListedNames()), listing.names) << "file type " << listing.type + 1;
    }
    ScreenshotWindow("browse_picture_named", files.window);
    ASSERT_TRUE(CloseWith(files.window, IDCANCEL));
    EXPECT_TRUE(FieldKeeps(IDC_PICTURE_PATH, folder + L"\\c.jpeg"));
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}

TEST_F(BrowseDialogs, BrowsePictureInAJapaneseFolderIsSavedInShiftJisWhereTheProgramStarted)
{
    // 表 is 0x95 0x5C in Shift-JIS: a backslash's byte before the separator
    // and before the extension. The folder is beside the working folder.
    const std::wstring folder = workDir + L" 写真表";
    const std::wstring picture = folder + L"\\表.bmp";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(PutPicture(picture));
    ASSERT_TRUE(StartWithPreferences());
    ASSERT_FALSE(IsChecked(preferences, IDC_SHOW_PICTURE));

    // Typed, then cancelled: nothing changes.
    FileDialog files = OpenFileDialog(dusklid, preferences);
    ASSERT_NE(files.window, nullptr);
    files.Type(picture);
    ASSERT_TRUE(CloseWith(files.window, IDCANCEL));
    EXPECT_TRUE(FieldKeeps(IDC_PICTURE_PATH, L""));

    ASSERT_TRUE(OpenPicture(picture));
    EXPECT_TRUE(FieldShows(IDC_PICTURE_PATH, picture));
    // Browsing again starts on that file.
    files = OpenFileDialog(dusklid, preferences);
    ASSERT_NE(files.window, nullptr);
    EXPECT_EQ(Utf8(files.Folder()), Utf8(folder));
    EXPECT_EQ(Utf8(files.FileName()), "表.bmp");
    ASSERT_TRUE(CloseWith(files.window, IDCANCEL));

    // The open-file dialog has moved the program's working directory into the
    // picture's folder; the file still goes where the program started.
    ClickButton(preferences, IDC_SHOW_PICTURE);
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(preferences, IDC_SHOW_PICTURE); }, 5000));
    EXPECT_TRUE(CloseWith(preferences, IDC_OK)) << "a warning?";
    EXPECT_EQ(PreferenceLine(workDir, PICTURE_LINE), ShiftJis(picture));
    EXPECT_EQ(Join(FileNames(workDir)), PREFERENCE_FILE_NAME);
    EXPECT_EQ(Join(FileNames(folder)), "表.bmp");
}

// The open-file dialog moves the working directory as it opens a file; the
// program puts it back at once, so that the help command, which names its
// document relative to it, still opens the read-me of the start-up folder.
// The shell looks beside the program first: here that folder has none.
TEST_F(BrowseDialogs, HelpOpensTheStartFoldersReadMeAfterBrowsingForAPicture)
{
    const std::wstring programFolder = workDir + L"\\program";
    const std::wstring pictureFolder = workDir + L"\\pictures";
    const std::wstring picture = pictureFolder + L"\\picture.bmp";
    for (const std::wstring& folder : {programFolder, pictureFolder})
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(PutPicture(picture));
    ASSERT_TRUE(WriteFileBytes(ReadMePath(workDir), "\xEF\xBB\xBFstart folder\r\n"));
    ASSERT_TRUE(WriteFileBytes(ReadMePath(pictureFolder), "\xEF\xBB\xBFpicture folder\r\n"));
    const ProgramCopy program(programFolder);
    ASSERT_TRUE(program.ready);

    ASSERT_TRUE(StartWithPreferences());
    ASSERT_TRUE(OpenPicture(picture));
    EXPECT_TRUE(FieldShows(IDC_PICTURE_PATH, picture));
    ASSERT_TRUE(CloseWith(preferences, IDC_CANCEL));

    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_HELP));
    HWND notepad = WaitForNotepad();
    ASSERT_NE(notepad, nullptr);
    EXPECT_EQ(Utf8(NotepadText(notepad)), "start folder\r\n");
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitClosed(notepad, 5000));
}

// The field holds 255 bytes. A longer path, counted in characters or (in
// Shift-JIS) in bytes, is refused with a warning and the field keeps its own.
TEST_F(BrowseDialogs, BrowsePictureTakesAPathThatFitsTheFieldAndNoLongerOne)
{
    const WineDrive drive('s', WindowsToUnixPath(workDir));
    ASSERT_TRUE(drive.ready);
    const std::wstring parent = DeepFolder(drive.root, 254);
    const auto pictureOf = [&](size_t length) {
        return parent + L"\\" + std::wstring(length - parent.size() - 5, L'p') + L".bmp";
    };
    // Under 254 characters, but two bytes for each 表.
    const std::wstring wideFolder = drive.root + L"\\" + std::wstring(80, L'表');
    ASSERT_TRUE(CreateDirectoryW(wideFolder.c_str(), nullptr));
    const std::wstring wide = wideFolder + L"\\" + std::wstring(60, L'表') + L".bmp";
    ASSERT_LT(wide.size(), 254u);
    ASSERT_GT(ShiftJis(wide).size(), 255u);
    for (const std::wstring& path : {pictureOf(254), pictureOf(255), pictureOf(256), wide})
        ASSERT_TRUE(PutPicture(path)) << path.size() << " characters";

    ASSERT_TRUE(StartWithPreferences());
    for (size_t length : {254u, 255u}) {
        ASSERT_TRUE(OpenPicture(pictureOf(length)));
        EXPECT_TRUE(FieldShows(IDC_PICTURE_PATH, pictureOf(length))) << length << " characters";
    }
    for (const std::wstring& tooLong : {pictureOf(256), wide}) {
        SCOPED_TRACE(std::to_string(ShiftJis(tooLong).size()) + " bytes");
        // The file dialog hands the path back whole; the program refuses it.
        ASSERT_TRUE(OpenPicture(tooLong));
        ExpectBoxOverTheDialog(L"選択されたファイルのパスが長すぎます。");
        EXPECT_TRUE(FieldKeeps(IDC_PICTURE_PATH, pictureOf(255)));
    }
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}

TEST_F(BrowseDialogs, BrowseFolderChoiceIsShownAndSavedInShiftJis)
{
    const std::wstring folder = workDir + L"\\保存表";
    const std::wstring other = workDir + L"\\別";
    for (const std::wstring& path : {folder, other})
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    ASSERT_TRUE(StartWithPreferences());
    const std::wstring before = DialogItemText(preferences, IDC_CAPTURE_FOLDER);
    ASSERT_FALSE(before.empty());

    // Chosen, then cancelled: nothing changes.
    FolderBrowser browser = OpenFolderBrowser(dusklid, preferences);
    ASSERT_NE(browser.window, nullptr);
    EXPECT_EQ(GetWindow(browser.window, GW_OWNER), preferences);
    EXPECT_NE(FindWindowExW(browser.window, nullptr, nullptr,
                            L"保存先のディレクトリを指定してください。"), nullptr);
    ScreenshotWindow("browse_folder", browser.window);
    ASSERT_TRUE(browser.SelectPath(other));
    ASSERT_TRUE(CloseWith(browser.window, IDCANCEL));
    EXPECT_TRUE(FieldKeeps(IDC_CAPTURE_FOLDER, before));

    // A virtual folder has no path: the field is emptied.
    browser = OpenFolderBrowser(dusklid, preferences);
    ASSERT_NE(browser.window, nullptr);
    ASSERT_TRUE(browser.SelectSpecialFolder(CSIDL_DRIVES));
    ASSERT_TRUE(CloseWith(browser.window, IDOK));
    EXPECT_TRUE(FieldShows(IDC_CAPTURE_FOLDER, L""));

    ASSERT_TRUE(ChooseFolder(folder));
    EXPECT_TRUE(FieldShows(IDC_CAPTURE_FOLDER, folder));
    ASSERT_TRUE(CloseWith(preferences, IDC_OK));
    EXPECT_EQ(PreferenceLine(workDir, FOLDER_LINE), ShiftJis(folder));
}

TEST_F(BrowseDialogs, BrowseFolderRefusesAPathLongerThanTheField)
{
    // The browser's tree shows no drive mapped while the program runs.
    const ShortUnixFolder root;
    ASSERT_FALSE(root.path.empty());
    const std::wstring parent = DeepFolder(root.path, 255);
    const auto folderOf = [&](size_t length) {
        return parent + L"\\" + std::wstring(length - parent.size() - 1, L'x');
    };
    for (size_t length : {255u, 256u, 259u})
        ASSERT_TRUE(CreateDirectoryW(folderOf(length).c_str(), nullptr)) << length << " characters";

    ASSERT_TRUE(StartWithPreferences());
    ASSERT_TRUE(ChooseFolder(folderOf(255)));
    EXPECT_TRUE(FieldShows(IDC_CAPTURE_FOLDER, folderOf(255)));
    EXPECT_TRUE(StaysTrue(
        [&] { return FindVisibleWindow(DIALOG_CLASS, dusklid.Id(), IsMessageBox) == nullptr; }, 1000))
        << "a warning for a path that fits";

    // Longer ones would be cut to name another folder.
    for (size_t length : {256u, 259u}) {
        SCOPED_TRACE(std::to_string(length) + " characters");
        ASSERT_TRUE(ChooseFolder(folderOf(length)));
        ExpectBoxOverTheDialog(L"選択されたフォルダのパスが長すぎます。");
        EXPECT_TRUE(FieldKeeps(IDC_CAPTURE_FOLDER, folderOf(255)));
    }
    EXPECT_TRUE(dusklid.Running());
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}

// Without the common-dialog library (a damaged system) the browse button
// says so, every time, and the rest of the program carries on.
TEST_F(BrowseDialogs, BrowsePictureWithoutTheDialogLibraryGivesAnErrorAndTheProgramRunsOn)
{
    const LibraryWithheld noDialogs(L"comdlg32");
    ASSERT_TRUE(StartWithPreferences());

    for (int click = 1; click <= 2; ++click) {
        SCOPED_TRACE("click " + std::to_string(click));
        ClickButton(preferences, IDC_BROWSE_PICTURE);
        ExpectBoxOverTheDialog(L"ダイアログが開けませんでした。");
    }
    ASSERT_TRUE(CloseWith(preferences, IDC_CANCEL));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    EXPECT_TRUE(HideCover(cover, ScreenCentre()));
    PressHotKey(HOTKEY_CAPTURE_SCREEN);
    EXPECT_EQ(WaitForCaptures(workDir, 1).size(), 1u);
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_EXIT));
    EXPECT_EQ(dusklid.WaitForExit(10000), 0);
}
