#include "file_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

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

HWND FindDescendant(HWND parent, const wchar_t* className)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (lstrcmpW(name, className) == 0)
            return child;
        if (HWND found = FindDescendant(child, className))
            return found;
    }
    return nullptr;
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

// The shell's name for a path, or with SHGFI_PIDL an item list: what the
// folder browser's tree shows.
std::wstring DisplayName(const void* item, UINT flags)
{
    using GetFileInfo = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);
    SHFILEINFOW info = {};
    if (const auto getFileInfo = ShellFunction<GetFileInfo>("SHGetFileInfoW"))
        getFileInfo(static_cast<LPCWSTR>(item), 0, &info, sizeof info, flags | SHGFI_DISPLAYNAME);
    return info.szDisplayName;
}

std::wstring SpecialFolderName(int folder)
{
    using GetLocation = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
    using Free = void(WINAPI*)(LPITEMIDLIST);
    const auto getLocation = ShellFunction<GetLocation>("SHGetSpecialFolderLocation");
    const auto freeList = ShellFunction<Free>("ILFree");
    LPITEMIDLIST list = nullptr;
    if (!getLocation || !freeList || FAILED(getLocation(nullptr, folder, &list)))
        return L"<no such folder>";
    const std::wstring name = DisplayName(list, SHGFI_PIDL);
    freeList(list);
    return name;
}

// Sends `message` with `item`, pointed at a text buffer, copied into the
// program; returns the text the control wrote there.
template <typename Item>
std::wstring RemoteItemText(HANDLE process, HWND control, UINT message, WPARAM wParam, Item item)
{
    RemoteMemory memory(process, sizeof item + ITEM_CHARACTERS * sizeof(wchar_t));
    item.pszText = reinterpret_cast<LPWSTR>(memory.At(sizeof item));
    item.cchTextMax = ITEM_CHARACTERS;
    if (!memory.Write(&item, sizeof item) || !memory.Send(control, message, wParam))
        return L"<no answer>";
    return memory.ReadText(ITEM_CHARACTERS, sizeof item);
}

LRESULT TreeItem(HWND tree, WPARAM relation, LRESULT item)
{
    LRESULT found = 0;
    SendAndWait(tree, TVM_GETNEXTITEM, relation, item, &found);
    return found;
}

// Wine's BFFM_SETSELECTION compares whole item ids, which hold the folders'
// times; the tree, filled once, goes stale whenever a folder on the way
// changes (as a busy /tmp does), so the tree is walked by name instead.
bool SelectByNames(const FolderBrowser& browser, const std::vector<std::wstring>& names)
{
    const HWND tree = FindDescendant(browser.window, L"SysTreeView32");
    const auto text = [&](LRESULT item) {
        TVITEMW data = {};
        data.mask = TVIF_TEXT;
        data.hItem = reinterpret_cast<HTREEITEM>(item);
        return RemoteItemText(browser.process, tree, TVM_GETITEMW, 0, data);
    };
    LRESULT item = TreeItem(tree, TVGN_ROOT, 0);
    for (const std::wstring& name : names) {
        const std::wstring parent = text(item);
        SendAndWait(tree, TVM_EXPAND, TVE_EXPAND, item);
        for (item = TreeItem(tree, TVGN_CHILD, item); item != 0 && text(item) != name;)
            item = TreeItem(tree, TVGN_NEXT, item);
        if (item == 0) {
            std::printf("    the folder browser shows no %s in %s\n", Utf8(name).c_str(),
                        Utf8(parent).c_str());
            return false;
        }
    }
    return SendAndWait(tree, TVM_SELECTITEM, TVGN_CARET, item) &&
           TreeItem(tree, TVGN_CARET, 0) == item;
}

} // namespace

RemoteMemory::RemoteMemory(HANDLE process, size_t size)
    : process_(process), size_(size),
      address_(static_cast<char*>(
          VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)))
{
}

RemoteMemory::~RemoteMemory()
{
    if (address_ != nullptr && !leak_)
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteMemory::Write(const void* data, size_t size, size_t offset)
{
    SIZE_T written = 0;
    return address_ && offset + size <= size_ &&
           WriteProcessMemory(process_, At(offset), data, size, &written) && written == size;
}

std::string RemoteMemory::Read(size_t size, size_t offset) const
{
    std::string bytes(size, '\0');
    SIZE_T read = 0;
    if (!address_ || offset + size > size_ ||
        !ReadProcessMemory(process_, At(offset), &bytes[0], size, &read))
        read = 0;
    bytes.resize(read);
    return bytes;
}

std::wstring RemoteMemory::ReadText(size_t characters, size_t offset) const
{
    const std::string bytes = Read(characters * sizeof(wchar_t), offset);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2).c_str();
}

bool RemoteMemory::Send(HWND window, UINT message, WPARAM wParam, LRESULT* result)
{
    const bool answered =
        address_ && SendAndWait(window, message, wParam, reinterpret_cast<LPARAM>(address_), result);
    leak_ = leak_ || (address_ && !answered);
    return answered;
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

std::wstring FileDialog::FileName() const
{
    return WindowText(FileNameEdit(*this));
}

void FileDialog::Type(const std::wstring& path) const
{
    SendAndWait(FileNameEdit(*this), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

std::wstring FileDialog::Folder() const
{
    RemoteMemory buffer(process, PATH_BYTES);
    LRESULT length = 0;
    if (!buffer.Send(window, CDM_GETFOLDERPATH, PATH_BYTES, &length) || length <= 0)
        return L"<no answer>";
    return FromShiftJis(buffer.Read(PATH_BYTES).c_str());
}

std::vector<std::wstring> FileDialog::FileTypes() const
{
    std::vector<std::wstring> items;
    HWND combo = GetDlgItem(window, FILE_TYPE_COMBO);
    LRESULT count = 0;
    SendAndWait(combo, CB_GETCOUNT, 0, 0, &count);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
        // The system copies this one across, as it does WM_GETTEXT.
        wchar_t text[256] = {};
        LRESULT length = 0;
        if (SendAndWait(combo, CB_GETLBTEXTLEN, i, 0, &length) && length >= 0 && length < 256)
            SendAndWait(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
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
    HWND list = FindDescendant(GetDlgItem(window, SHELL_VIEW), L"SysListView32");
    if (list == nullptr)
        return {L"<no list>"};
    std::vector<std::wstring> names;
    LRESULT count = 0;
    SendAndWait(list, LVM_GETITEMCOUNT, 0, 0, &count);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i)
        names.push_back(RemoteItemText(process, list, LVM_GETITEMTEXTW, i, LVITEMW{}));
    std::sort(names.begin(), names.end());
    return names;
}

FileDialog OpenFileDialog(const DusklidProcess& dusklid, HWND preferences)
{
    ClickButton(preferences, IDC_BROWSE_PICTURE);
    return {WaitForWindowTitled(dusklid.Id(), L"ピクチャファイルを開く", 10000),
            dusklid.info.hProcess};
}

bool FolderBrowser::SelectPath(const std::wstring& path) const
{
    // My Computer, the drive, then each folder.
    std::vector<std::wstring> names = {SpecialFolderName(CSIDL_DRIVES),
                                       DisplayName(path.substr(0, 3).c_str(), 0)};
    std::wistringstream folders(path.substr(3));
    for (std::wstring folder; std::getline(folders, folder, L'\\');)
        names.push_back(folder);
    return SelectByNames(*this, names);
}

bool FolderBrowser::SelectSpecialFolder(int folder) const
{
    return SelectByNames(*this, {SpecialFolderName(folder)});
}

FolderBrowser OpenFolderBrowser(const DusklidProcess& dusklid, HWND preferences)
{
    ClickButton(preferences, IDC_BROWSE_FOLDER);
    // Its caption is the system's own; the tree tells it apart.
    return {WaitForVisibleWindow(DIALOG_CLASS, dusklid.Id(), 10000,
                                 [&](HWND window) {
                                     return window != preferences &&
                                            FindDescendant(window, L"SysTreeView32") != nullptr;
                                 }),
            dusklid.info.hProcess};
}
