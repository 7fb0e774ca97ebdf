#include "file_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>

#include "core/identifiers.h"
#include "dialogs.h"
#include "process.h"
#include "text.h"

namespace {

// Controls of the open-file dialog's explorer-style template.
constexpr int FILE_TYPE_COMBO = 1136;  // cmb1
constexpr int FILE_NAME_COMBO = 1148;  // cmb13
constexpr int SHELL_VIEW = 1121;       // lst2: the shell view's window

constexpr size_t PATH_BYTES = 1024;
constexpr int ITEM_CHARACTERS = 260;

std::string UpToNul(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

HWND FileNameEdit(const FileDialog& dialog)
{
    return FindDescendant(GetDlgItem(dialog.window, FILE_NAME_COMBO), L"Edit");
}

// Looked up at run time, so that the drivers link no shell library.
template <typename Function>
Function ShellFunction(const char* name)
{
    static HMODULE shell = LoadLibraryW(L"shell32.dll");
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(shell, name)));
}

// Bytes of an item list, its closing zero included.
size_t ItemListSize(LPCITEMIDLIST list)
{
    size_t size = sizeof(USHORT);
    for (auto* id = reinterpret_cast<const BYTE*>(list); *reinterpret_cast<const USHORT*>(id) != 0;
         id += *reinterpret_cast<const USHORT*>(id))
        size += *reinterpret_cast<const USHORT*>(id);
    return size;
}

// The text and expanded state of a tree item of the browser.
std::wstring ItemText(const FolderBrowser& browser, LRESULT handle, bool* expanded = nullptr)
{
    RemoteMemory memory(browser.process, sizeof(TVITEMW) + ITEM_CHARACTERS * sizeof(wchar_t));
    if (!memory.Ready())
        return L"<no memory>";
    TVITEMW item = {};
    item.mask = TVIF_TEXT | TVIF_STATE;
    item.stateMask = TVIS_EXPANDED;
    item.hItem = reinterpret_cast<HTREEITEM>(handle);
    item.pszText = reinterpret_cast<LPWSTR>(memory.At(sizeof item));
    item.cchTextMax = ITEM_CHARACTERS;
    if (!memory.Write(&item, sizeof item) || !memory.Write(L"", sizeof(wchar_t), sizeof item))
        return L"<no memory>";
    if (!SendAndWait(browser.Tree(), TVM_GETITEMW, 0, memory.Param())) {
        memory.Leak();
        return L"<no answer>";
    }
    if (expanded != nullptr) {
        const std::string head = memory.Read(sizeof item);
        *expanded = head.size() == sizeof item &&
                    (reinterpret_cast<const TVITEMW*>(head.data())->state & TVIS_EXPANDED) != 0;
    }
    const std::string text = memory.Read(ITEM_CHARACTERS * sizeof(wchar_t), sizeof item);
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size() / 2).c_str();
}

// The chain of expanded items from the root, to tell where a walk stopped.
std::wstring ExpandedChain(const FolderBrowser& browser)
{
    std::wstring chain;
    LRESULT item = 0;
    SendAndWait(browser.Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0, &item);
    while (item != 0) {
        bool expanded = false;
        const std::wstring text = ItemText(browser, item, &expanded);
        if (!expanded) {
            SendAndWait(browser.Tree(), TVM_GETNEXTITEM, TVGN_NEXT, item, &item);
            continue;
        }
        chain += (chain.empty() ? L"" : L" > ") + text;
        SendAndWait(browser.Tree(), TVM_GETNEXTITEM, TVGN_CHILD, item, &item);
    }
    return chain;
}

// Sends BFFM_SETSELECTIONA with `data` copied into the program until the
// tree shows `name` selected. Wine's browser walks its tree to the folder;
// just after a folder on the way has changed, the first walk often stops at
// it and the next goes through.
bool Select(const FolderBrowser& browser, BOOL isPath, const void* data, size_t size,
            const std::wstring& name)
{
    constexpr int ATTEMPTS = 5;
    for (int attempt = 1; attempt <= ATTEMPTS; ++attempt) {
        RemoteMemory memory(browser.process, size);
        if (!memory.Ready() || !memory.Write(data, size))
            return false;
        if (!SendAndWait(browser.window, BFFM_SETSELECTIONA, static_cast<WPARAM>(isPath),
                         memory.Param())) {
            memory.Leak();
            return false;
        }
        if (WaitUntil([&] { return browser.SelectedName() == name; },
                      attempt < ATTEMPTS ? 500 : 5000))
            return true;
    }
    std::printf("    the folder browser selects %s, not %s; expanded: %s\n",
                Utf8(browser.SelectedName()).c_str(), Utf8(name).c_str(),
                Utf8(ExpandedChain(browser)).c_str());
    return false;
}

} // namespace

RemoteMemory::RemoteMemory(HANDLE process, size_t size) : process_(process), size_(size)
{
    address_ = static_cast<char*>(
        VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

RemoteMemory::~RemoteMemory()
{
    if (address_ != nullptr && !leak_)
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteMemory::Write(const void* data, size_t size, size_t offset)
{
    SIZE_T written = 0;
    return offset + size <= size_ &&
           WriteProcessMemory(process_, At(offset), data, size, &written) && written == size;
}

std::string RemoteMemory::Read(size_t size, size_t offset) const
{
    std::string bytes(size, '\0');
    SIZE_T read = 0;
    if (offset + size > size_ || !ReadProcessMemory(process_, At(offset), &bytes[0], size, &read))
        read = 0;
    bytes.resize(read);
    return bytes;
}

bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    DWORD_PTR answer = 0;
    const bool answered =
        SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &answer) != 0;
    if (result != nullptr)
        *result = static_cast<LRESULT>(answer);
    return answered;
}

void Settle(HWND dialog)
{
    SendAndWait(dialog, WM_NULL, 0, 0);
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

bool HasChildWithText(HWND window, const std::wstring& text)
{
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == text)
            return true;
    return false;
}

// ---- the open-file dialog ----------------------------------------------------

std::wstring FileDialog::FileName() const
{
    return WindowText(FileNameEdit(*this));
}

std::wstring FileDialog::Folder() const
{
    RemoteMemory buffer(process, PATH_BYTES);
    LRESULT length = 0;
    if (!buffer.Ready() || !buffer.Write("", 1))
        return L"<no memory>";
    if (!SendAndWait(window, CDM_GETFOLDERPATH, PATH_BYTES, buffer.Param(), &length)) {
        buffer.Leak();
        return L"<no answer>";
    }
    if (length <= 0)
        return L"<error " + std::to_wstring(length) + L">";
    return FromShiftJis(UpToNul(buffer.Read(PATH_BYTES)));
}

std::vector<std::wstring> FileDialog::FileTypes() const
{
    std::vector<std::wstring> items;
    HWND combo = GetDlgItem(window, FILE_TYPE_COMBO);
    LRESULT count = 0;
    SendAndWait(combo, CB_GETCOUNT, 0, 0, &count);
    for (LRESULT i = 0; i < count; ++i) {
        // The system copies this one across, as it does WM_GETTEXT.
        wchar_t text[256] = {};
        LRESULT length = 0;
        SendAndWait(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, &length);
        if (length >= 0 && length < 256)
            SendAndWait(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

int FileDialog::FileType() const
{
    LRESULT index = CB_ERR;
    SendAndWait(GetDlgItem(window, FILE_TYPE_COMBO), CB_GETCURSEL, 0, 0, &index);
    return static_cast<int>(index);
}

void FileDialog::ChooseFileType(int index) const
{
    HWND combo = GetDlgItem(window, FILE_TYPE_COMBO);
    SendAndWait(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    for (WORD notification : {CBN_SELCHANGE, CBN_SELENDOK})
        SendAndWait(window, WM_COMMAND, MAKEWPARAM(FILE_TYPE_COMBO, notification),
                    reinterpret_cast<LPARAM>(combo));
}

std::vector<std::wstring> FileDialog::ListedNames() const
{
    std::vector<std::wstring> names;
    HWND list = FindDescendant(GetDlgItem(window, SHELL_VIEW), L"SysListView32");
    if (list == nullptr)
        return {L"<no list>"};
    RemoteMemory memory(process, sizeof(LVITEMW) + ITEM_CHARACTERS * sizeof(wchar_t));
    if (!memory.Ready())
        return {L"<no memory>"};
    LRESULT count = 0;
    SendAndWait(list, LVM_GETITEMCOUNT, 0, 0, &count);
    for (LRESULT i = 0; i < count; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = reinterpret_cast<LPWSTR>(memory.At(sizeof item));
        item.cchTextMax = ITEM_CHARACTERS;
        LRESULT length = 0;
        if (!memory.Write(&item, sizeof item) ||
            !SendAndWait(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), memory.Param(), &length)) {
            memory.Leak();
            return {L"<no answer>"};
        }
        const std::string bytes =
            memory.Read(static_cast<size_t>(length) * sizeof(wchar_t), sizeof item);
        names.emplace_back(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void FileDialog::Type(const std::wstring& path) const
{
    SendAndWait(FileNameEdit(*this), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

void FileDialog::Open(const std::wstring& path) const
{
    Type(path);
    ClickButton(window, IDOK);
}

FileDialog OpenFileDialog(const DusklidProcess& dusklid, HWND preferences)
{
    ClickButton(preferences, IDC_BROWSE_PICTURE);
    FileDialog dialog;
    dialog.process = dusklid.info.hProcess;
    dialog.window = WaitForWindowTitled(dusklid.Id(), L"ピクチャファイルを開く", 10000);
    return dialog;
}

// ---- the folder browser ------------------------------------------------------

HWND FolderBrowser::Tree() const
{
    return FindDescendant(window, L"SysTreeView32");
}

std::wstring FolderBrowser::SelectedName() const
{
    LRESULT selected = 0;
    if (!SendAndWait(Tree(), TVM_GETNEXTITEM, TVGN_CARET, 0, &selected) || selected == 0)
        return L"<none>";
    return ItemText(*this, selected);
}

bool FolderBrowser::SelectPath(const std::wstring& path) const
{
    const std::string bytes = ShiftJis(path);
    return Select(*this, TRUE, bytes.c_str(), bytes.size() + 1, path.substr(path.rfind(L'\\') + 1));
}

bool FolderBrowser::SelectSpecialFolder(int folder) const
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
    const bool selected = Select(*this, FALSE, list, ItemListSize(list), info.szDisplayName);
    freeList(list);
    return selected;
}

FolderBrowser OpenFolderBrowser(const DusklidProcess& dusklid, HWND preferences)
{
    ClickButton(preferences, IDC_BROWSE_FOLDER);
    FolderBrowser browser;
    browser.process = dusklid.info.hProcess;
    // Its caption is the system's own; the tree tells it apart.
    WaitUntil(
        [&] {
            browser.window = FindVisibleWindow(L"#32770", dusklid.Id(), [&](HWND window) {
                return window != preferences && FindDescendant(window, L"SysTreeView32") != nullptr;
            });
            return browser.window != nullptr;
        },
        10000);
    return browser;
}
