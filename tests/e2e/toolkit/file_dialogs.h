// The system's open-file dialog and folder browser as the program shows
// them, read and driven from the driver's process.
//
// Unlike WM_GETTEXT and its kind, the common controls' and dialogs'
// messages (LVM_GETITEMTEXTW, TVM_GETITEMW, CDM_GETFOLDERPATH, ...) pass
// pointers on uncopied: their buffers must live in the program's process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DusklidProcess;

// A block of read-write memory in another process, freed when it goes.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Ready() const { return address_ != nullptr; }
    // Addresses in the other process: to pass on, never to dereference here.
    char* At(size_t offset = 0) const { return address_ ? address_ + offset : nullptr; }
    LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }

    bool Write(const void* data, size_t size, size_t offset = 0);
    // What is there now; shorter (or empty) when it cannot be read.
    std::string Read(size_t size, size_t offset = 0) const;
    // Sends `message` with the block as lParam. After a time-out the block
    // is left to the process, which may still write into it.
    bool Send(HWND window, UINT message, WPARAM wParam, LRESULT* result = nullptr);

private:
    HANDLE process_;
    size_t size_;
    char* address_;
    bool leak_ = false;
};

// Sends and waits up to 10 s for the answer; false when none came.
bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT* result = nullptr);

// The explorer-style open-file dialog the program opens for its picture.
struct FileDialog {
    HWND window = nullptr;
    HANDLE process = nullptr;  // the program's, for memory the dialog writes into

    // The file-name field, read and typed into.
    std::wstring FileName() const;
    void Type(const std::wstring& path) const;
    // The folder shown; the program asked in ANSI, so it comes in Shift-JIS.
    std::wstring Folder() const;
    // The file-type list's entries, and which one (0-based) is chosen.
    std::vector<std::wstring> FileTypes() const;
    int FileType() const;
    // As a person would: the list's selection, then the notifications that
    // make the dialog filter again.
    void ChooseFileType(int index) const;
    // The names the file list shows, sorted; "<...>" for what cannot be read.
    std::vector<std::wstring> ListedNames() const;
};

// Presses the picture's browse button; the window is null if no dialog came.
FileDialog OpenFileDialog(const DusklidProcess& dusklid, HWND preferences);

// The folder browser the program opens for its capture folder.
struct FolderBrowser {
    HWND window = nullptr;
    HANDLE process = nullptr;  // the program's

    // Selects a folder as the program's own callback would, by sending
    // BFFM_SETSELECTIONA, and waits until the tree shows it. A path goes in
    // Shift-JIS; a virtual folder (a CSIDL_ value) has only an item list.
    bool SelectPath(const std::wstring& path) const;
    bool SelectSpecialFolder(int folder) const;
};

// Presses the folder's browse button; the window is null if none came.
FolderBrowser OpenFolderBrowser(const DusklidProcess& dusklid, HWND preferences);
