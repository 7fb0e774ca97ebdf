// The system's open-file dialog and folder browser, driven from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DusklidProcess;

// A block of memory in another process, freed when it goes. The common
// controls' messages, unlike WM_GETTEXT, pass pointers on uncopied.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    // An address in the other process: to pass on, never to dereference here.
    char* At(size_t offset) const { return address_ ? address_ + offset : nullptr; }
    bool Write(const void* data, size_t size, size_t offset = 0);
    // Empty when unreadable; the text up to its closing zero.
    std::string Read(size_t size, size_t offset = 0) const;
    std::wstring ReadText(size_t characters, size_t offset) const;
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

    std::wstring FileName() const;
    void Type(const std::wstring& path) const;
    // The folder shown; the program asked in ANSI, so it comes in Shift-JIS.
    std::wstring Folder() const;
    // The file types, and the chosen one (0-based).
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

    // Selects as a person would: opens each folder on the way in the tree,
    // by the name it shows, and clicks the last. A virtual folder (a CSIDL_
    // value) is one on the desktop.
    bool SelectPath(const std::wstring& path) const;
    bool SelectSpecialFolder(int folder) const;
};

// Presses the folder's browse button; the window is null if none came.
FolderBrowser OpenFolderBrowser(const DusklidProcess& dusklid, HWND preferences);
