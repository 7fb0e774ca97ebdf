#include "screen_capture.h"

#include <cstdlib>
#include <memory>

#include "core/app_state.h"
#include "core/file_exists.h"
#include "core/gdi_guards.h"
#include "core/tray_notice.h"
#include "core/virtual_screen.h"
#include "bitmap_layout.h"
#include "capture_area.h"
#include "capture_name.h"

namespace {

bool IsAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

CaptureTime LocalCaptureTime()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return CaptureTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

// The file is built at this offset into its allocation, which puts the
// information header (file offset 14) and the pixel rows (54 plus the colour
// table) on 4-byte boundaries, where GDI may expect them.
constexpr std::size_t FILE_ALIGNMENT_SLACK = 2;

// Creates the file and writes `size` bytes in one go. A file that was
// created but not written and closed in full is removed, so that a full disk
// leaves no truncated picture behind. The system's error code, 0 on success.
DWORD WriteWholeFile(const char* path, const unsigned char* bytes, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    DWORD written = 0;
    if (!WriteFile(file, bytes, size, &written, nullptr))
        error = GetLastError();
    else if (written != size)
        error = ERROR_DISK_FULL;
    if (!CloseHandle(file) && error == ERROR_SUCCESS)
        error = GetLastError();
    if (error != ERROR_SUCCESS)
        DeleteFileA(path);
    return error;
}

// The capture saved no file: the user believes the screen was saved, so say
// so, without a modal box (the cover may be up and the user mid-task).
void ReportFailedCapture(const char* reason)
{
    char text[512];
    wsprintfA(text, "キャプチャを保存できませんでした。\n%s\n%s", reason, appState.captureFolder);
    ShowTrayWarning(text);
}

const char* FailureReason(DWORD error)
{
    switch (error) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        return "保存先のフォルダーが見つかりません。";
    case ERROR_FILENAME_EXCED_RANGE:
        return "保存先のパスが長すぎます。";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "ディスクの空き容量が足りません。";
    default:
        return "画面を写せなかったか、ファイルを書き込めませんでした。";
    }
}

// The part of the screen under the window's client area. The desktop
// window's client area is the primary display alone; a capture of the
// desktop takes every display, as the system's own screen capture does.
bool CaptureArea(HWND window, RECT& area)
{
    if (window == GetDesktopWindow()) {
        area = VirtualScreenRect();
        return true;
    }
    RECT client;
    if (!GetClientRect(window, &client))
        return false;
    POINT topLeft = {client.left, client.top};
    POINT bottomRight = {client.right, client.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    area = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    return true;
}

} // namespace

void CaptureWindowToFile(HWND window)
{
    // The shortened folder stays: the preferences show and save it so.
    RemoveTrailingBackslash(appState.captureFolder, IsAnsiLeadByte);
    RECT area;
    if (!CaptureArea(window, area)) {
        ReportFailedCapture(FailureReason(ERROR_INVALID_WINDOW_HANDLE));
        return;
    }

    // A folder too long for the name gets no file rather than a cut name.
    const CaptureTime time = LocalCaptureTime();
    char path[PATH_BUFFER_SIZE];
    if (!ChooseCaptureName(path, sizeof path, appState.captureFolder, time, FileExists)) {
        ReportFailedCapture(FailureReason(ERROR_FILENAME_EXCED_RANGE));
        return;
    }

    const GdiObject<HBITMAP> bitmap(CaptureScreenRect(area));
    if (bitmap.handle == nullptr) {
        ReportFailedCapture(FailureReason(ERROR_INVALID_DATA));
        return;
    }
    const DWORD error = WriteBitmapFile(bitmap.handle, path);
    if (error != ERROR_SUCCESS)
        ReportFailedCapture(FailureReason(error));
}

HBITMAP CaptureScreenRect(RECT area)
{
    // The display DC's coordinates are screen coordinates over every display.
    const RECT screen = VirtualScreenRect();
    DisplayRect copied = {area.left, area.top, area.right, area.bottom};
    if (!ClipCaptureArea(copied, {screen.left, screen.top, screen.right, screen.bottom}))
        return nullptr;
    const int width = copied.right - copied.left;
    const int height = copied.bottom - copied.top;

    const DisplayDc display;
    const MemoryDc memory(display.dc);
    if (memory.dc == nullptr)
        return nullptr;
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(display.dc, width, height));
    if (bitmap.handle == nullptr)
        return nullptr;
    const SelectedObject selected(memory.dc, bitmap.handle);
    // A copy that did not happen would be saved as a black picture.
    if (!selected.Selected() || !BitBlt(memory.dc, 0, 0, width, height, display.dc, copied.left,
                                        copied.top, SRCCOPY))
        return nullptr;
    return bitmap.Release();
}

DWORD WriteBitmapFile(HBITMAP bitmap, const char* path)
{
    const DisplayDc screen;
    if (screen.dc == nullptr)
        return ERROR_INVALID_HANDLE;
    BITMAP description = {};
    BitmapLayout layout = {};
    if (GetObjectA(bitmap, sizeof description, &description) != sizeof description ||
        !ComputeBitmapLayout(description.bmWidth, description.bmHeight, description.bmBitsPixel,
                             layout))
        return ERROR_OUTOFMEMORY;
    // Not a vector: built without exceptions, the program would end where a
    // picture too large for memory is only a failed capture.
    const std::unique_ptr<unsigned char, decltype(&std::free)> allocation(
        static_cast<unsigned char*>(std::calloc(1, layout.fileSize + FILE_ALIGNMENT_SLACK)),
        std::free);
    if (allocation == nullptr)
        return ERROR_OUTOFMEMORY;

    unsigned char* file = allocation.get() + FILE_ALIGNMENT_SLACK;
    WriteBitmapHeaders(layout, description.bmWidth, description.bmHeight, description.bmPlanes,
                       description.bmBitsPixel, file);
    // The header and colour table are completed in place and the rows land
    // straight in their place in the file.
    BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(file + BITMAP_INFO_OFFSET);
    const int lines = GetDIBits(screen.dc, bitmap, 0, static_cast<UINT>(description.bmHeight),
                                file + layout.pixelOffset, info, DIB_RGB_COLORS);
    // Fewer rows than asked for would leave part of the picture black.
    if (lines != description.bmHeight)
        return ERROR_INVALID_DATA;
    return WriteWholeFile(path, file, layout.fileSize);
}
