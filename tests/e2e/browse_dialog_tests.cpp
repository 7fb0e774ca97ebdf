// The preferences dialog's two browse buttons: the system's open-file
// dialog for the picture and the folder browser for the capture folder.
#include "e2e_support.h"

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

std::wstring FromShiftJis(const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
    return text;
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

    // Types `path` into the file-name field and presses Open.
    void Open(const std::wstring& path) const
    {
        Send(FileNameEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
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

HWND WaitForFolderBrowser(DWORD processId, HWND preferences)
{
    HWND browser = nullptr;
    WaitUntil(
        [&] {
            browser = FindVisibleWindow(L"#32770", processId, [&](HWND window) {
                return window != preferences && FindDescendant(window, L"SysTreeView32") != nullptr;
            });
            return browser != nullptr;
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

// Selects `path` in the browser with BFFM_SETSELECTIONA, as the program's own
// callback would, so the string goes in Shift-JIS.
bool SelectPath(HWND browser, HANDLE process, const std::wstring& path)
{
    const std::string bytes = ShiftJis(path);
    RemoteMemory memory(process, bytes.size() + 1);
    if (!memory.Ready() || !memory.Write(bytes.c_str(), bytes.size() + 1))
        return false;
    if (!Send(browser, BFFM_SETSELECTIONA, TRUE, memory.Param())) {
        memory.Leak();
        return false;
    }
    return true;
}

// The same with an item list: a virtual folder has no path.
bool SelectSpecialFolder(HWND browser, HANDLE process, int folder)
{
    using GetLocation = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    auto getLocation = reinterpret_cast<GetLocation>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHGetSpecialFolderLocation")));
    LPITEMIDLIST list = nullptr;
    if (getLocation == nullptr || FAILED(getLocation(nullptr, folder, &list)) || list == nullptr)
        return false;
    size_t size = sizeof(USHORT);
    for (auto* id = reinterpret_cast<const BYTE*>(list); *reinterpret_cast<const USHORT*>(id) != 0;
         id += *reinterpret_cast<const USHORT*>(id))
        size += *reinterpret_cast<const USHORT*>(id);
    RemoteMemory memory(process, size);
    const bool written = memory.Ready() && memory.Write(list, size);
    using Free = void(WINAPI*)(LPITEMIDLIST);
    if (auto freeList = reinterpret_cast<Free>(reinterpret_cast<void*>(GetProcAddress(shell, "ILFree"))))
        freeList(list);
    if (!written)
        return false;
    if (!Send(browser, BFFM_SETSELECTIONA, FALSE, memory.Param())) {
        memory.Leak();
        return false;
    }
    return true;
}

// ---- files --------------------------------------------------------------------------

std::wstring FileBytesAsText(const std::wstring& path)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return FromShiftJis(bytes);
}

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

std::vector<std::wstring> FileNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (lstrcmpW(found.cFileName, L".") != 0 && lstrcmpW(found.cFileName, L"..") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool MakeEmptyFile(const std::wstring& path)
{
    return WriteFileBytes(path, "");
}

} // namespace

E2E_TEST(BrowsePictureStartsOnDriveCWithTheSupportedFiles)
{
    DusklidProcess dusklid;
    const std::wstring work = MakeWorkDir("browse_start");
    REQUIRE(StartDusklidAndWait(dusklid, work));
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    REQUIRE(preferences != nullptr);

    // Empty, then naming a file that is not there: the same start either way.
    const std::wstring fieldTexts[] = {L"", work + L"\\gone.bmp"};
    for (const std::wstring& field : fieldTexts) {
        const std::string which = field.empty() ? "empty field" : "stale field";
        SetItemText(preferences, IDC_PICTURE_PATH, field);
        const FileDialog files = OpenFileDialog(dusklid, preferences);
        REQUIRE(files.window != nullptr);
        CHECK(GetWindow(files.window, GW_OWNER) == preferences);
        const std::vector<std::wstring> types = files.FileTypes();
        const std::vector<std::wstring> expectedTypes = {
            L"ビットマップファイル(*.bmp)", L"JPEGファイル(*.jpg;*.jpeg)", L"GIFファイル(*.gif)",
            L"サポートされたファイル", L"すべてのファイル(*.*)"};
        CHECK_MSG(types == expectedTypes, which + ": " + Utf8(Join(types)));
        CHECK_MSG(files.FileType() == 3, which + ": file type " + std::to_string(files.FileType()));
        CHECK_MSG(files.Folder() == L"C:\\", which + ": folder " + Utf8(files.Folder()));
        CHECK_MSG(files.FileName() == L"*.bmp;*.jpg;*.jpeg;*.gif",
                  which + ": file name " + Utf8(files.FileName()));
        if (field.empty())
            ScreenshotWindow("browse_picture_start", files.window);
        REQUIRE(CloseWith(files.window, IDCANCEL));
        Settle(preferences);
        CHECK_MSG(DialogItemText(preferences, IDC_PICTURE_PATH) == field,
                  which + ": after Cancel " + Utf8(DialogItemText(preferences, IDC_PICTURE_PATH)));
    }
    CHECK(CloseWith(preferences, IDC_CANCEL));
}

E2E_TEST(BrowsePictureStartsOnTheNamedFileAndFiltersByType)
{
    // One file per pattern, in mixed case, and two that no picture filter takes.
    const std::wstring folder = MakeWorkDir("browse_filters");
    const std::wstring names[] = {L"a.bmp", L"b.JPG", L"c.jpeg", L"d.Gif", L"e.txt", L"f.png"};
    for (const std::wstring& name : names)
        REQUIRE(MakeEmptyFile(folder + L"\\" + name));

    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "browse_named"));
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    REQUIRE(preferences != nullptr);
    const std::wstring field = folder + L"\\c.jpeg";
    SetItemText(preferences, IDC_PICTURE_PATH, field);
    const FileDialog files = OpenFileDialog(dusklid, preferences);
    REQUIRE(files.window != nullptr);
    CHECK_MSG(files.Folder() == folder, Utf8(files.Folder()));
    CHECK_MSG(files.FileName() == L"c.jpeg", Utf8(files.FileName()));
    CHECK(files.FileType() == 3);

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
        CHECK_MSG(matched, "file type " + std::to_string(type + 1) + " lists " + Utf8(Join(listed)));
    }
    ScreenshotWindow("browse_picture_named", files.window);
    REQUIRE(CloseWith(files.window, IDCANCEL));
    Settle(preferences);
    CHECK(DialogItemText(preferences, IDC_PICTURE_PATH) == field);
    CHECK(CloseWith(preferences, IDC_CANCEL));
}

E2E_TEST(BrowseExplore)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "browse_explore"));
    const DWORD pid = dusklid.info.dwProcessId;
    HWND preferences = OpenPreferencesDialog(FindCoverWindow(), pid);
    REQUIRE(preferences != nullptr);
    const std::wstring work = MakeWorkDir("browse_explore");
    const std::wstring jp = work + L"\\保存表";
    CreateDirectoryW(jp.c_str(), nullptr);
    ClickButton(preferences, IDC_BROWSE_FOLDER);
    HWND browser = WaitForFolderBrowser(pid, preferences);
    REQUIRE(browser != nullptr);
    CHECK(HasChildWithText(browser, L"保存先のディレクトリを指定してください。"));
    CHECK(GetWindow(browser, GW_OWNER) == preferences);
    CHECK(SelectPath(browser, dusklid.info.hProcess, jp));
    WaitUntil([] { return false; }, 1000);
    Screenshot("explore_sel");
    CHECK(CloseWith(browser, IDOK));
    Settle(preferences);
    std::printf("field: %s\n", Utf8(DialogItemText(preferences, IDC_CAPTURE_FOLDER)).c_str());

    ClickButton(preferences, IDC_BROWSE_FOLDER);
    browser = WaitForFolderBrowser(pid, preferences);
    REQUIRE(browser != nullptr);
    CHECK(SelectSpecialFolder(browser, dusklid.info.hProcess, CSIDL_DRIVES));
    WaitUntil([] { return false; }, 1000);
    Screenshot("explore_sel2");
    CHECK(CloseWith(browser, IDOK));
    Settle(preferences);
    std::printf("field: [%s]\n", Utf8(DialogItemText(preferences, IDC_CAPTURE_FOLDER)).c_str());

    std::wstring folder = work;
    while (folder.size() < 255) {
        const size_t remaining = 255 - folder.size();
        folder += L"\\" + std::wstring(remaining > 62 ? 60 : remaining - 1, L'd');
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    std::printf("len %zu attr %lx\n", folder.size(), GetFileAttributesW(folder.c_str()));
    const std::wstring f2 = folder.substr(0, folder.size() - 1) + L"ee";
    const std::wstring f3 = folder.substr(0, folder.size() - 1) + L"eeeee";
    std::printf("mk %d %d\n", CreateDirectoryW(f2.c_str(), nullptr), CreateDirectoryW(f3.c_str(), nullptr));
    std::printf("mk %lu\n", GetLastError());
    for (const std::wstring& f : {folder, f2, f3}) {
        ClickButton(preferences, IDC_BROWSE_FOLDER);
        browser = WaitForFolderBrowser(pid, preferences);
        REQUIRE(browser != nullptr);
        CHECK(SelectPath(browser, dusklid.info.hProcess, f));
        WaitUntil([] { return false; }, 1000);
        Screenshot("explore_sel3");
        CHECK(CloseWith(browser, IDOK));
        HWND box = WaitForMessageBox(dusklid.info.dwProcessId, 1000);
        if (box) {
            MessageBoxSeen seen = AnswerMessageBox(dusklid.info.dwProcessId, IDOK);
            std::printf("box %s / %s\n", Utf8(seen.caption).c_str(), Utf8(seen.text).c_str());
        }
        Settle(preferences);
        std::printf("len %zu field: [%s]\n", f.size(), Utf8(DialogItemText(preferences, IDC_CAPTURE_FOLDER)).c_str());
    }
    CHECK(CloseWith(preferences, IDC_CANCEL));
}
