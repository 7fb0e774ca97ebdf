// The preferences dialog's two browse buttons: the system's open-file
// dialog for the picture and the folder browser for the capture folder.
#include "toolkit/toolkit.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resource.h"

namespace {

// Controls of the open-file dialog's explorer-style template.
constexpr int FILE_TYPE_COMBO = 1136;  // cmb1
constexpr int FILE_NAME_COMBO = 1148;  // cmb13
constexpr int SHELL_VIEW = 1121;       // lst2: the shell view's window

// Memory in another process, for messages whose pointers the system passes
// on as they are.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size) : process_(process), size_(size)
    {
        address_ = static_cast<char*>(
            VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteMemory()
    {
        if (address_ != nullptr && !leak_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Ready() const { return address_ != nullptr; }
    char* At(size_t offset = 0) const { return address_ + offset; }
    LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }

    bool Write(const void* data, size_t size, size_t offset = 0)
    {
        SIZE_T written = 0;
        return offset + size <= size_ &&
               WriteProcessMemory(process_, At(offset), data, size, &written) && written == size;
    }
    std::string Read(size_t size, size_t offset = 0) const
    {
        std::string bytes(size, '\0');
        SIZE_T read = 0;
        if (offset + size > size_ || !ReadProcessMemory(process_, At(offset), &bytes[0], size, &read))
            read = 0;
        bytes.resize(read);
        return bytes;
    }
    // A message that timed out may still be using the memory later.
    void Leak() { leak_ = true; }

private:
    HANDLE process_;
    size_t size_;
    char* address_ = nullptr;
    bool leak_ = false;
};

// Sends and waits for the answer; a timeout is a failure of the caller.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr)
{
    DWORD_PTR answer = 0;
    const bool answered =
        SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &answer) != 0;
    if (result != nullptr)
        *result = static_cast<LRESULT>(answer);
    return answered;
}

// Once a message sent now is answered, the program has finished whatever it
// was doing when the last box closed and is back in the dialog's loop.
void Settle(HWND dialog)
{
    Send(dialog, WM_NULL, 0, 0);
}

std::string UpToNul(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

HWND FindDescendant(HWND parent, const wchar_t* className)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (lstrcmpW(name, className) == 0)
            return child;
        if (HWND found = FindDescendant(child, className))
            return found;
    }
    return nullptr;
}

// ---- the open-file dialog -------------------------------------------------------

struct FileDialog {
    HWND window = nullptr;
    HANDLE process = nullptr;  // the program's, for memory the dialog writes into

    HWND FileNameEdit() const { return FindDescendant(GetDlgItem(window, FILE_NAME_COMBO), L"Edit"); }
    std::wstring FileName() const { return WindowText(FileNameEdit()); }

    // What CDM_GETFOLDERPATH answers: the folder the dialog shows. The
    // program asked in ANSI, so the answer comes in Shift-JIS.
    std::wstring Folder() const
    {
        RemoteMemory buffer(process, 1024);
        LRESULT length = 0;
        if (!buffer.Ready() || !buffer.Write("", 1))
            return L"<no memory>";
        if (!Send(window, CDM_GETFOLDERPATH, 1024, buffer.Param(), &length)) {
            buffer.Leak();
            return L"<no answer>";
        }
        if (length <= 0)
            return L"<error " + std::to_wstring(length) + L">";
        return FromShiftJis(UpToNul(buffer.Read(1024)));
    }

    std::vector<std::wstring> FileTypes() const
    {
        std::vector<std::wstring> items;
        HWND combo = GetDlgItem(window, FILE_TYPE_COMBO);
        LRESULT count = 0;
        Send(combo, CB_GETCOUNT, 0, 0, &count);
        for (LRESULT i = 0; i < count; ++i) {
            // Marshalled across processes like WM_GETTEXT.
            wchar_t text[256] = {};
            LRESULT length = 0;
            Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, &length);
            if (length >= 0 && length < 256)
                Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }

    int FileType() const
    {
        LRESULT index = CB_ERR;
        Send(GetDlgItem(window, FILE_TYPE_COMBO), CB_GETCURSEL, 0, 0, &index);
        return static_cast<int>(index);
    }

    // Picks a file type as a person would: the combo box's selection, then
    // the notification that makes the dialog filter again.
    void ChooseFileType(int index) const
    {
        HWND combo = GetDlgItem(window, FILE_TYPE_COMBO);
        Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Send(window, WM_COMMAND, MAKEWPARAM(FILE_TYPE_COMBO, CBN_SELCHANGE),
             reinterpret_cast<LPARAM>(combo));
        Send(window, WM_COMMAND, MAKEWPARAM(FILE_TYPE_COMBO, CBN_SELENDOK),
             reinterpret_cast<LPARAM>(combo));
    }

    // The names the file list shows, sorted.
    std::vector<std::wstring> ListedNames() const
    {
        std::vector<std::wstring> names;
        HWND list = FindDescendant(GetDlgItem(window, SHELL_VIEW), L"SysListView32");
        if (list == nullptr)
            return {L"<no list>"};
        RemoteMemory memory(process, sizeof(LVITEMW) + 520);
        if (!memory.Ready())
            return {L"<no memory>"};
        LRESULT count = 0;
        Send(list, LVM_GETITEMCOUNT, 0, 0, &count);
        for (LRESULT i = 0; i < count; ++i) {
            LVITEMW item = {};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = reinterpret_cast<LPWSTR>(memory.At(sizeof item));
            item.cchTextMax = 260;
            LRESULT length = 0;
            if (!memory.Write(&item, sizeof item) ||
                !Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), memory.Param(), &length)) {
                memory.Leak();
                return {L"<no answer>"};
            }
            const std::string bytes = memory.Read(static_cast<size_t>(length) * 2, sizeof item);
            names.emplace_back(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    void Type(const std::wstring& path) const
    {
        Send(FileNameEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }

    // Types `path` into the file-name field and presses Open.
    void Open(const std::wstring& path) const
    {
        Type(path);
        ClickButton(window, IDOK);
    }
};

std::wstring Join(const std::vector<std::wstring>& items)
{
    std::wstring text;
    for (const std::wstring& item : items)
        text += (text.empty() ? L"" : L" | ") + item;
    return text;
}

FileDialog OpenFileDialog(const DusklidProcess& dusklid, HWND preferences)
{
    ClickButton(preferences, IDC_BROWSE_PICTURE);
    FileDialog dialog;
    dialog.process = dusklid.info.hProcess;
    dialog.window = WaitForWindowTitled(dusklid.info.dwProcessId, L"ピクチャファイルを開く", 10000);
    return dialog;
}

bool CloseWith(HWND window, int button)
{
    ClickButton(window, button);
    return WaitUntil([&] { return !IsWindow(window); }, 10000);
}

// ---- the folder browser -------------------------------------------------------------

HMODULE Shell()
{
    static HMODULE shell = LoadLibraryW(L"shell32.dll");
    return shell;
}

template <typename Function>
Function ShellFunction(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(Shell(), name)));
}

size_t ItemListSize(LPCITEMIDLIST list)
{
    size_t size = sizeof(USHORT);
    for (auto* id = reinterpret_cast<const BYTE*>(list); *reinterpret_cast<const USHORT*>(id) != 0;
         id += *reinterpret_cast<const USHORT*>(id))
        size += *reinterpret_cast<const USHORT*>(id);
    return size;
}

struct FolderBrowser {
    HWND window = nullptr;
    HANDLE process = nullptr;

    HWND Tree() const { return FindDescendant(window, L"SysTreeView32"); }

    // The text and expanded state of a tree item.
    std::wstring ItemText(LRESULT handle, bool* expanded = nullptr) const
    {
        RemoteMemory memory(process, sizeof(TVITEMW) + 520);
        TVITEMW item = {};
        item.mask = TVIF_TEXT | TVIF_STATE;
        item.stateMask = TVIS_EXPANDED;
        item.hItem = reinterpret_cast<HTREEITEM>(handle);
        item.pszText = reinterpret_cast<LPWSTR>(memory.At(sizeof item));
        item.cchTextMax = 260;
        if (!memory.Ready() || !memory.Write(&item, sizeof item) || !memory.Write(L"", 2, sizeof item))
            return L"<no memory>";
        if (!Send(Tree(), TVM_GETITEMW, 0, memory.Param())) {
            memory.Leak();
            return L"<no answer>";
        }
        if (expanded != nullptr) {
            const std::string head = memory.Read(sizeof item);
            *expanded = head.size() == sizeof item &&
                        (reinterpret_cast<const TVITEMW*>(head.data())->state & TVIS_EXPANDED) != 0;
        }
        const std::string text = memory.Read(520, sizeof item);
        return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size() / 2).c_str();
    }

    std::wstring SelectedName() const
    {
        LRESULT selected = 0;
        if (!Send(Tree(), TVM_GETNEXTITEM, TVGN_CARET, 0, &selected) || selected == 0)
            return L"<none>";
        return ItemText(selected);
    }

    // The chain of expanded items from the root, to tell where a walk stopped.
    std::wstring ExpandedChain() const
    {
        std::wstring chain;
        LRESULT item = 0;
        Send(Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0, &item);
        while (item != 0) {
            bool expanded = false;
            const std::wstring text = ItemText(item, &expanded);
            if (!expanded) {
                Send(Tree(), TVM_GETNEXTITEM, TVGN_NEXT, item, &item);
                continue;
            }
            chain += (chain.empty() ? L"" : L" > ") + text;
            Send(Tree(), TVM_GETNEXTITEM, TVGN_CHILD, item, &item);
        }
        return chain;
    }

    // Sends BFFM_SETSELECTIONA with `data` copied into the program, as its own
    // callback would send it, until the tree shows `name` selected. Wine's
    // browser walks its tree to the folder; just after a folder on the way
    // has changed, the first walk often stops at it and the next goes through.
    bool Select(BOOL isPath, const void* data, size_t size, const std::wstring& name) const
    {
        constexpr int ATTEMPTS = 5;
        for (int attempt = 1; attempt <= ATTEMPTS; ++attempt) {
            RemoteMemory memory(process, size);
            if (!memory.Ready() || !memory.Write(data, size))
                return false;
            if (!Send(window, BFFM_SETSELECTIONA, static_cast<WPARAM>(isPath), memory.Param())) {
                memory.Leak();
                return false;
            }
            if (WaitUntil([&] { return SelectedName() == name; }, attempt < ATTEMPTS ? 500 : 5000))
                return true;
        }
        std::printf("    the folder browser selects %s, not %s; expanded: %s\n",
                    Utf8(SelectedName()).c_str(), Utf8(name).c_str(), Utf8(ExpandedChain()).c_str());
        return false;
    }

    // A path goes in Shift-JIS, the program's code page.
    bool SelectPath(const std::wstring& path) const
    {
        const std::string bytes = ShiftJis(path);
        return Select(TRUE, bytes.c_str(), bytes.size() + 1, path.substr(path.rfind(L'\\') + 1));
    }

    // A virtual folder has no path, only an item list.
    bool SelectSpecialFolder(int folder) const
    {
        using GetLocation = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
        using GetFileInfo = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);
        using Free = void(WINAPI*)(LPITEMIDLIST);
        const auto getLocation = ShellFunction<GetLocation>("SHGetSpecialFolderLocation");
        const auto getFileInfo = ShellFunction<GetFileInfo>("SHGetFileInfoW");
        const auto freeList = ShellFunction<Free>("ILFree");
        LPITEMIDLIST list = nullptr;
        if (getLocation == nullptr || getFileInfo == nullptr || freeList == nullptr ||
            FAILED(getLocation(nullptr, folder, &list)) || list == nullptr)
            return false;
        SHFILEINFOW info = {};
        getFileInfo(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof info,
                    SHGFI_PIDL | SHGFI_DISPLAYNAME);
        const bool selected = Select(FALSE, list, ItemListSize(list), info.szDisplayName);
        freeList(list);
        return selected;
    }
};

FolderBrowser OpenFolderBrowser(const DusklidProcess& dusklid, HWND preferences)
{
    ClickButton(preferences, IDC_BROWSE_FOLDER);
    FolderBrowser browser;
    browser.process = dusklid.info.hProcess;
    // Its caption is the system's own; the tree tells it apart.
    WaitUntil(
        [&] {
            browser.window = FindVisibleWindow(L"#32770", dusklid.info.dwProcessId, [&](HWND window) {
                return window != preferences && FindDescendant(window, L"SysTreeView32") != nullptr;
            });
            return browser.window != nullptr;
        },
        10000);
    return browser;
}

bool HasChildWithText(HWND window, const std::wstring& text)
{
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == text)
            return true;
    return false;
}

// ---- files --------------------------------------------------------------------------

constexpr size_t PICTURE_LINE = 3;
constexpr size_t FOLDER_LINE = 5;  // the last, with no line feed

// Line `index` (0-based, after the marker byte) of a preference file.
std::string PreferenceLine(const std::wstring& workDir, size_t index)
{
    std::string bytes;
    if (!ReadFileBytes(workDir + L"\\preference.dat", bytes) || bytes.empty())
        return "<no file>";
    size_t start = 1;
    for (size_t i = 0; i < index; ++i) {
        start = bytes.find('\n', start);
        if (start == std::string::npos)
            return "<too few lines>";
        ++start;
    }
    return bytes.substr(start, bytes.find('\n', start) - start);
}

bool MakeEmptyFile(const std::wstring& path)
{
    return WriteFileBytes(path, "");
}

// Under the work root, nested, as one part may have 255 characters at most:
// a folder whose path leaves room for a last part of at least ten.
std::wstring DeepFolder(const char* name, size_t longest)
{
    std::wstring folder = MakeWorkDir(name);
    while (folder.size() + 1 + 60 + 1 + 10 <= longest) {
        folder += L"\\" + std::wstring(60, L'd');
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

// The text of the program's open message box, if it has one.
std::wstring OpenBoxText(const DusklidProcess& dusklid)
{
    HWND box = FindVisibleWindow(L"#32770", dusklid.info.dwProcessId, IsMessageBox);
    return box != nullptr ? DialogItemText(box, 0xFFFF) : L"none";
}

} // namespace

TEST(BrowseDialogs, BrowsePictureStartsOnDriveCWithTheSupportedFiles)
{
    DusklidProcess dusklid;
    const std::wstring work = MakeWorkDir("browse_start");
    ASSERT_TRUE(StartDusklidAndWait(dusklid, work));
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    ASSERT_TRUE(preferences != nullptr);

    // Empty, then naming a file that is not there: the same start either way.
    const std::wstring fieldTexts[] = {L"", work + L"\\gone.bmp"};
    for (const std::wstring& field : fieldTexts) {
        const std::string which = field.empty() ? "empty field" : "stale field";
        SetItemText(preferences, IDC_PICTURE_PATH, field);
        const FileDialog files = OpenFileDialog(dusklid, preferences);
        ASSERT_TRUE(files.window != nullptr);
        EXPECT_TRUE(GetWindow(files.window, GW_OWNER) == preferences);
        const std::vector<std::wstring> types = files.FileTypes();
        const std::vector<std::wstring> expectedTypes = {
            L"ビットマップファイル(*.bmp)", L"JPEGファイル(*.jpg;*.jpeg)", L"GIFファイル(*.gif)",
            L"サポートされたファイル", L"すべてのファイル(*.*)"};
        EXPECT_TRUE(types == expectedTypes) << which + ": " + Utf8(Join(types));
        EXPECT_TRUE(files.FileType() == 3) << which + ": file type " + std::to_string(files.FileType());
        EXPECT_TRUE(files.Folder() == L"C:\\") << which + ": folder " + Utf8(files.Folder());
        EXPECT_TRUE(files.FileName() == L"*.bmp;*.jpg;*.jpeg;*.gif") << which + ": file name " + Utf8(files.FileName());
        if (field.empty())
            ScreenshotWindow("browse_picture_start", files.window);
        ASSERT_TRUE(CloseWith(files.window, IDCANCEL));
        Settle(preferences);
        EXPECT_TRUE(DialogItemText(preferences, IDC_PICTURE_PATH) == field) << which + ": after Cancel " + Utf8(DialogItemText(preferences, IDC_PICTURE_PATH));
    }
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}

TEST(BrowseDialogs, BrowsePictureStartsOnTheNamedFileAndFiltersByType)
{
    // One file per pattern, in mixed case, and two that no picture filter takes.
    const std::wstring folder = MakeWorkDir("browse_filters");
    const std::wstring names[] = {L"a.bmp", L"b.JPG", L"c.jpeg", L"d.Gif", L"e.txt", L"f.png"};
    for (const std::wstring& name : names)
        ASSERT_TRUE(MakeEmptyFile(folder + L"\\" + name));

    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "browse_named"));
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    ASSERT_TRUE(preferences != nullptr);
    const std::wstring field = folder + L"\\c.jpeg";
    SetItemText(preferences, IDC_PICTURE_PATH, field);
    const FileDialog files = OpenFileDialog(dusklid, preferences);
    ASSERT_TRUE(files.window != nullptr);
    EXPECT_TRUE(files.Folder() == folder) << Utf8(files.Folder());
    EXPECT_TRUE(files.FileName() == L"c.jpeg") << Utf8(files.FileName());
    EXPECT_TRUE(files.FileType() == 3);

    const std::vector<std::wstring> shown[] = {
        {L"a.bmp"},
        {L"b.JPG", L"c.jpeg"},
        {L"d.Gif"},
        {L"a.bmp", L"b.JPG", L"c.jpeg", L"d.Gif"},
        {L"a.bmp", L"b.JPG", L"c.jpeg", L"d.Gif", L"e.txt", L"f.png"},
    };
    // The one selected at the start first.
    const int order[] = {3, 0, 1, 2, 4};
    for (int type : order) {
        if (type != files.FileType())
            files.ChooseFileType(type);
        const std::vector<std::wstring>& expected = shown[type];
        std::vector<std::wstring> listed;
        const bool matched = WaitUntil([&] { return (listed = files.ListedNames()) == expected; }, 5000);
        EXPECT_TRUE(matched) << "file type " + std::to_string(type + 1) + " lists " + Utf8(Join(listed));
    }
    ScreenshotWindow("browse_picture_named", files.window);
    ASSERT_TRUE(CloseWith(files.window, IDCANCEL));
    Settle(preferences);
    EXPECT_TRUE(DialogItemText(preferences, IDC_PICTURE_PATH) == field);
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}

TEST(BrowseDialogs, BrowsePictureInAJapaneseFolderIsSavedInShiftJisWhereTheProgramStarted)
{
    // 表 is 0x95 0x5C in Shift-JIS: a backslash's byte before the separator
    // and before the extension.
    const std::wstring work = MakeWorkDir("browse_picture_jp");
    const std::wstring folder = MakeWorkDir("browse_picture_jp_files") + L"\\写真表";
    const std::wstring picture = folder + L"\\表.bmp";
    const std::wstring source = MakePicture("browse_picture_jp.bmp", "-size 40x30 xc:red");
    ASSERT_TRUE(!source.empty());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(source.c_str(), picture.c_str(), TRUE));

    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, work));
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    ASSERT_TRUE(preferences != nullptr);
    ASSERT_TRUE(!IsChecked(preferences, IDC_SHOW_PICTURE));

    // Typed, then cancelled: nothing changes.
    FileDialog files = OpenFileDialog(dusklid, preferences);
    ASSERT_TRUE(files.window != nullptr);
    files.Type(picture);
    ASSERT_TRUE(CloseWith(files.window, IDCANCEL));
    Settle(preferences);
    EXPECT_TRUE(DialogItemText(preferences, IDC_PICTURE_PATH).empty()) << Utf8(DialogItemText(preferences, IDC_PICTURE_PATH));

    // Opened: the field takes the whole path.
    files = OpenFileDialog(dusklid, preferences);
    ASSERT_TRUE(files.window != nullptr);
    files.Open(picture);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(files.window); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return DialogItemText(preferences, IDC_PICTURE_PATH) == picture; }, 5000)) << Utf8(DialogItemText(preferences, IDC_PICTURE_PATH));

    // Browsing again starts on that file.
    files = OpenFileDialog(dusklid, preferences);
    ASSERT_TRUE(files.window != nullptr);
    EXPECT_TRUE(files.Folder() == folder) << Utf8(files.Folder());
    EXPECT_TRUE(files.FileName() == L"表.bmp") << Utf8(files.FileName());
    ASSERT_TRUE(CloseWith(files.window, IDCANCEL));

    // The open-file dialog has moved the program's working directory into the
    // picture's folder; the file still goes where the program started.
    ClickButton(preferences, IDC_SHOW_PICTURE);
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(preferences, IDC_SHOW_PICTURE); }, 5000));
    ClickButton(preferences, IDC_OK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(preferences); }, 10000)) << "the dialog stays open; a box says: " + Utf8(OpenBoxText(dusklid));
    const std::string saved = PreferenceLine(work, PICTURE_LINE);
    EXPECT_TRUE(saved == ShiftJis(picture)) << Utf8(FromShiftJis(saved));
    EXPECT_TRUE(FileNames(work) == std::vector<std::wstring>{L"preference.dat"});
    EXPECT_TRUE(FileNames(folder) == std::vector<std::wstring>{L"表.bmp"}) << Utf8(Join(FileNames(folder)));
}

// The open-file dialog moves the working directory as it opens a file; the
// program puts it back at once, so that the help command, which names its
// document relative to it, still opens the read-me of the start-up folder
// when the preferences dialog is then cancelled. The shell looks beside the
// program first, so here the program lives in a folder without a read-me.
TEST(BrowseDialogs, HelpOpensTheStartFoldersReadMeAfterBrowsingForAPicture)
{
    const ProgramCopy program(MakeWorkDir("browse_then_help_program"));
    ASSERT_TRUE(program.ready);
    const std::wstring work = MakeWorkDir("browse_then_help");
    const std::wstring folder = MakeWorkDir("browse_then_help_files");
    const std::wstring picture = folder + L"\\picture.bmp";
    const std::wstring source = MakePicture("browse_then_help.bmp", "-size 40x30 xc:blue");
    ASSERT_TRUE(!source.empty());
    ASSERT_TRUE(CopyFileW(source.c_str(), picture.c_str(), TRUE));
    const std::string startReadMe = "\xEF\xBB\xBFstart folder\r\n";
    ASSERT_TRUE(WriteFileBytes(work + L"\\ReadMe.txt", startReadMe));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\ReadMe.txt", "\xEF\xBB\xBFpicture folder\r\n"));

    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, work));
    HWND cover = FindCoverWindow();
    HWND preferences = OpenPreferencesDialog(cover, dusklid.info.dwProcessId);
    ASSERT_TRUE(preferences != nullptr);
    FileDialog files = OpenFileDialog(dusklid, preferences);
    ASSERT_TRUE(files.window != nullptr);
    files.Open(picture);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(files.window); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return DialogItemText(preferences, IDC_PICTURE_PATH) == picture; }, 5000));
    ASSERT_TRUE(CloseWith(preferences, IDC_CANCEL));

    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.info.dwProcessId, IDM_HELP));
    HWND notepad = WaitForNotepad();
    ASSERT_TRUE(notepad != nullptr);
    EXPECT_TRUE(NotepadText(notepad) == L"start folder\r\n") << Utf8(NotepadText(notepad));
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(notepad); }, 5000));
}

TEST(BrowseDialogs, BrowsePictureTakesAPathThatFitsTheFieldAndNoLongerOne)
{
    // The field holds 255 bytes. A longer path, counted in characters or
    // (in Shift-JIS) in bytes, is refused with a warning and the field keeps
    // what it had.
    const std::wstring source = MakePicture("browse_picture_long.bmp", "-size 40x30 xc:red");
    ASSERT_TRUE(!source.empty());
    const std::wstring parent = DeepFolder("browse_picture_long", 254);
    const auto pictureOf = [&](size_t length) {
        return parent + L"\\" + std::wstring(length - parent.size() - 5, L'p') + L".bmp";
    };
    // Fewer than 254 characters, but two bytes each for the 表s.
    const std::wstring wideFolder = MakeWorkDir("browse_picture_wide") + L"\\" + std::wstring(80, L'表');
    ASSERT_TRUE(CreateDirectoryW(wideFolder.c_str(), nullptr));
    const std::wstring wide = wideFolder + L"\\" + std::wstring(40, L'表') + L".bmp";
    ASSERT_TRUE(wide.size() < 254 && ShiftJis(wide).size() > 255);
    for (const std::wstring& path : {pictureOf(254), pictureOf(255), pictureOf(256), wide})
        ASSERT_TRUE(CopyFileW(source.c_str(), path.c_str(), TRUE));

    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "browse_picture_long_work"));
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    ASSERT_TRUE(preferences != nullptr);

    FileDialog files;
    for (size_t length : {254u, 255u}) {
        files = OpenFileDialog(dusklid, preferences);
        ASSERT_TRUE(files.window != nullptr);
        files.Open(pictureOf(length));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(files.window); }, 10000));
        EXPECT_TRUE(WaitUntil([&] { return DialogItemText(preferences, IDC_PICTURE_PATH) == pictureOf(length); }, 5000)) << Utf8(DialogItemText(preferences, IDC_PICTURE_PATH));
    }

    for (const std::wstring& tooLong : {pictureOf(256), wide}) {
        files = OpenFileDialog(dusklid, preferences);
        ASSERT_TRUE(files.window != nullptr);
        files.Open(tooLong);
        // The file dialog hands the path back whole; the program refuses it.
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(files.window); }, 10000));
        const MessageBoxSeen box = AnswerMessageBox(dusklid.info.dwProcessId, IDOK);
        EXPECT_TRUE(box.found) << "no warning for " + std::to_string(ShiftJis(tooLong).size()) + " bytes";
        EXPECT_TRUE(box.caption == L"エラー");
        EXPECT_TRUE(box.text == L"選択されたファイルのパスが長すぎます。") << Utf8(box.text);
        EXPECT_TRUE(box.owner == preferences);
        Settle(preferences);
        EXPECT_TRUE(DialogItemText(preferences, IDC_PICTURE_PATH) == pictureOf(255)) << Utf8(DialogItemText(preferences, IDC_PICTURE_PATH));
    }
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}

TEST(BrowseDialogs, BrowseFolderChoiceIsShownAndSavedInShiftJis)
{
    const std::wstring work = MakeWorkDir("browse_folder");
    const std::wstring folder = work + L"\\保存表";
    const std::wstring other = work + L"\\別";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));

    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, work));
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    ASSERT_TRUE(preferences != nullptr);
    const std::wstring before = DialogItemText(preferences, IDC_CAPTURE_FOLDER);
    ASSERT_TRUE(!before.empty());

    // Chosen, then cancelled: nothing changes.
    FolderBrowser browser = OpenFolderBrowser(dusklid, preferences);
    ASSERT_TRUE(browser.window != nullptr);
    EXPECT_TRUE(GetWindow(browser.window, GW_OWNER) == preferences);
    EXPECT_TRUE(HasChildWithText(browser.window, L"保存先のディレクトリを指定してください。"));
    ScreenshotWindow("browse_folder", browser.window);
    ASSERT_TRUE(browser.SelectPath(other));
    ASSERT_TRUE(CloseWith(browser.window, IDCANCEL));
    Settle(preferences);
    EXPECT_TRUE(DialogItemText(preferences, IDC_CAPTURE_FOLDER) == before) << Utf8(DialogItemText(preferences, IDC_CAPTURE_FOLDER));

    // A virtual folder has no path: the field is emptied.
    browser = OpenFolderBrowser(dusklid, preferences);
    ASSERT_TRUE(browser.window != nullptr);
    ASSERT_TRUE(browser.SelectSpecialFolder(CSIDL_DRIVES));
    ASSERT_TRUE(CloseWith(browser.window, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return DialogItemText(preferences, IDC_CAPTURE_FOLDER).empty(); }, 5000)) << Utf8(DialogItemText(preferences, IDC_CAPTURE_FOLDER));

    browser = OpenFolderBrowser(dusklid, preferences);
    ASSERT_TRUE(browser.window != nullptr);
    ASSERT_TRUE(browser.SelectPath(folder));
    ASSERT_TRUE(CloseWith(browser.window, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return DialogItemText(preferences, IDC_CAPTURE_FOLDER) == folder; }, 5000)) << Utf8(DialogItemText(preferences, IDC_CAPTURE_FOLDER));

    ClickButton(preferences, IDC_OK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(preferences); }, 10000));
    const std::string saved = PreferenceLine(work, FOLDER_LINE);
    EXPECT_TRUE(saved == ShiftJis(folder)) << Utf8(FromShiftJis(saved));
}

TEST(BrowseDialogs, BrowseFolderRefusesAPathLongerThanTheField)
{
    // Paths of 255, 256 and 259 characters.
    const std::wstring parent = DeepFolder("browse_long", 255);
    const auto folderOf = [&](size_t length) {
        return parent + L"\\" + std::wstring(length - parent.size() - 1, L'x');
    };
    for (size_t length : {255u, 256u, 259u}) {
        CreateDirectoryW(folderOf(length).c_str(), nullptr);
        ASSERT_TRUE(GetFileAttributesW(folderOf(length).c_str()) != INVALID_FILE_ATTRIBUTES);
    }

    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "browse_long_work"));
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    ASSERT_TRUE(preferences != nullptr);

    // 255 characters fit the field.
    FolderBrowser browser = OpenFolderBrowser(dusklid, preferences);
    ASSERT_TRUE(browser.window != nullptr);
    ASSERT_TRUE(browser.SelectPath(folderOf(255)));
    ASSERT_TRUE(CloseWith(browser.window, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return DialogItemText(preferences, IDC_CAPTURE_FOLDER) == folderOf(255); }, 5000)) << Utf8(DialogItemText(preferences, IDC_CAPTURE_FOLDER));
    Settle(preferences);
    EXPECT_TRUE(FindVisibleWindow(L"#32770", dusklid.info.dwProcessId, IsMessageBox) == nullptr);

    // Longer ones would be cut to name another folder: a warning, and the
    // field keeps what it had.
    for (size_t length : {256u, 259u}) {
        browser = OpenFolderBrowser(dusklid, preferences);
        ASSERT_TRUE(browser.window != nullptr);
        ASSERT_TRUE(browser.SelectPath(folderOf(length)));
        ASSERT_TRUE(CloseWith(browser.window, IDOK));
        const MessageBoxSeen box = AnswerMessageBox(dusklid.info.dwProcessId, IDOK);
        const std::string which = std::to_string(length) + " characters";
        EXPECT_TRUE(box.found && box.closed) << which + ": no warning";
        if (box.found) {
            EXPECT_TRUE(box.caption == L"エラー") << which + ": " + Utf8(box.caption);
            EXPECT_TRUE(box.text == L"選択されたフォルダのパスが長すぎます。") << which + ": " + Utf8(box.text);
            EXPECT_TRUE(box.owner == preferences) << which + ": owned by another window";
        }
        Settle(preferences);
        EXPECT_TRUE(DialogItemText(preferences, IDC_CAPTURE_FOLDER) == folderOf(255)) << which + ": " + Utf8(DialogItemText(preferences, IDC_CAPTURE_FOLDER));
    }
    EXPECT_TRUE(dusklid.Running());
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}
