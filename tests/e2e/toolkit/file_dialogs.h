// The system's open-file dialog and folder browser as the program shows
// them, read and driven from the driver's process.
//
// Most of what the driver asks these dialogs goes by pointer. The system
// copies the buffer into the other process only for the old window messages
// (WM_GETTEXT, WM_SETTEXT, CB_GETLBTEXT, ...); the common controls' and the
// common dialogs' messages (LVM_GETITEMTEXTW, TVM_GETITEMW,
// CDM_GETFOLDERPATH, BFFM_SETSELECTIONA) hand the pointer on as it is, and
// the receiver reads and writes its own memory at that address. Their
// buffers must therefore live in the program's process: RemoteMemory.
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
    char* At(size_t offset = 0) const { return address_ + offset; }
    LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }

    bool Write(const void* data, size_t size, size_t offset = 0);
    // What is there now; shorter (or empty) when it cannot be read.
    std::string Read(size_t size, size_t offset = 0) const;

    // A message that timed out may still use the memory later, so it is
    // left to the process rather than freed under it.
    void Leak() { leak_ = true; }

private:
    HANDLE process_;
    size_t size_;
    char* address_ = nullptr;
    bool leak_ = false;
};

// Sends and waits up to 10 s for the answer; false when none came, which the
// caller takes as a failure.
bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT* result = nullptr);

// Returns once the program answers a message sent now: it has then finished
// whatever it did when its last dialog closed and is back in `dialog`'s loop.
void Settle(HWND dialog);

// The first window of `className` anywhere below `parent`.
HWND FindDescendant(HWND parent, const wchar_t* className);

// A direct child of `window` shows `text`.
bool HasChildWithText(HWND window, const std::wstring& text);


// The explorer-style open-file dialog the program opens for its picture.
struct FileDialog {
    HWND window = nullptr;
    HANDLE process = nullptr;  // the program's, for memory the dialog writes into

    // The file-name field.
    std::wstring FileName() const;
    // The folder the dialog shows, as CDM_GETFOLDERPATH answers it; the
    // program asked in ANSI, so the answer comes in Shift-JIS.
    std::wstring Folder() const;
    // The entries of the file-type list, and which one (0-based) is chosen.
    std::vector<std::wstring> FileTypes() const;
    int FileType() const;
    // Picks a file type as a person would: the list's selection, then the
    // notifications that make the dialog filter again.
    void ChooseFileType(int index) const;
    // The names the file list shows, sorted; one "<...>" entry when it
    // cannot be read.
    std::vector<std::wstring> ListedNames() const;
    // Types `path` into the file-name field.
    void Type(const std::wstring& path) const;
    // Types `path` and presses Open.
    void Open(const std::wstring& path) const;
};

// Presses the picture's browse button of the preferences dialog and waits
// for the open-file dialog; its window is null if none came.
FileDialog OpenFileDialog(const DusklidProcess& dusklid, HWND preferences);

// The folder browser the program opens for its capture folder.
struct FolderBrowser {
    HWND window = nullptr;
    HANDLE process = nullptr;  // the program's

    HWND Tree() const;
    // The name of the tree's selected folder; "<none>" when there is none.
    std::wstring SelectedName() const;
    // Selects a folder as the program's own callback would, by sending
    // BFFM_SETSELECTIONA, and waits until the tree shows it selected. A
    // path goes in Shift-JIS, the program's code page.
    bool SelectPath(const std::wstring& path) const;
    // A virtual folder (a CSIDL_ value) has no path, only an item list.
    bool SelectSpecialFolder(int folder) const;
};

// Presses the folder's browse button of the preferences dialog and waits for
// the browser; its window is null if none came.
FolderBrowser OpenFolderBrowser(const DusklidProcess& dusklid, HWND preferences);
