#include "picture_file.h"

#include <ole2.h>
#include <olectl.h>

#include "core/app_state.h"
#include "core/gdi_guards.h"
#include "core/ole_setup.h"
#include "cover_paint.h"

namespace {

// Far more than any picture the cover could show; a larger file is refused
// unread, and its size can never reach the decoder's signed 32-bit argument
// as a negative number.
constexpr LONGLONG LARGEST_PICTURE_FILE = 512LL * 1024 * 1024;

// The whole file in one fixed global block of its exact size, or null. The
// file is open only inside this function. An empty file is no picture.
HGLOBAL ReadWholeFile(const char* path, DWORD& size)
{
    // No sharing: a file that another program holds open is not read half-written.
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER fileSize = {};
    HGLOBAL block = nullptr;
    if (GetFileSizeEx(file, &fileSize) && fileSize.QuadPart > 0 &&
        fileSize.QuadPart <= LARGEST_PICTURE_FILE) {
        size = static_cast<DWORD>(fileSize.QuadPart);
        block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    }
    if (block != nullptr) {
        // A short read leaves zeros, which the decoder then rejects.
        DWORD read = 0;
        if (!ReadFile(file, block, size, &read, nullptr)) {
            GlobalFree(block);
            block = nullptr;
        }
    }
    CloseHandle(file);
    return block;
}

// A copy of the bitmap inside `picture`, independent of it, or null.
HBITMAP CopyPictureBitmap(IPicture* picture)
{
    const DisplayDc display;
    const MemoryDc memory(display.dc);
    if (memory.dc == nullptr)
        return nullptr;

    HGDIOBJ initialBitmap = GetCurrentObject(memory.dc, OBJ_BITMAP);
    HDC previousDc = nullptr;
    // Fails when the picture is not a bitmap (an icon or a metafile).
    if (picture->SelectPicture(memory.dc, &previousDc, nullptr) != S_OK)
        return nullptr;
    // Selecting the DC's own bitmap back hands out the picture's.
    HBITMAP pictureBitmap = static_cast<HBITMAP>(SelectObject(memory.dc, initialBitmap));
    if (pictureBitmap == nullptr)
        return nullptr;
    // No LR_COPYRETURNORG: it may return the picture's own bitmap, which
    // dies with the picture object. The copy must be a bitmap of its own.
    HBITMAP copy = static_cast<HBITMAP>(CopyImage(pictureBitmap, IMAGE_BITMAP, 0, 0, 0));
    return copy != pictureBitmap ? copy : nullptr;
}

} // namespace

HBITMAP LoadPictureFile(const char* path)
{
    DWORD size = 0;
    HGLOBAL block = ReadWholeFile(path, size);
    if (block == nullptr)
        return nullptr;

    EnsureOle();
    // From here the stream owns the block: releasing it frees the block.
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
        GlobalFree(block);
        return nullptr;
    }

    HBITMAP copy = nullptr;
    IPicture* picture = nullptr;
    // Not run mode: some implementations (Wine's) tie run mode to the
    // picture not owning its bitmap, which then outlives the picture on
    // every load. The file's bytes it may keep go with it just below.
    if (OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                       reinterpret_cast<void**>(&picture)) == S_OK) {
        copy = CopyPictureBitmap(picture);
        picture->Release();
    }
    stream->Release();
    return copy;
}

bool GetBitmapSize(HBITMAP bitmap, int& width, int& height)
{
    // GetObject alone would also fill the record from a font or a brush.
    BITMAP record = {};
    if (GetObjectType(bitmap) != OBJ_BITMAP || GetObjectA(bitmap, sizeof record, &record) == 0)
        return false;
    width = record.bmWidth;
    height = record.bmHeight;
    return true;
}

PictureLoad ReplaceCoverPicture(const char* path)
{
    FreeStretchedPicture();
    if (appState.picture != nullptr) {
        DeleteObject(appState.picture);
        appState.picture = nullptr;
    }
    if (path[0] == '\0')
        return PICTURE_LOAD_OK;
    appState.picture = LoadPictureFile(path);
    if (appState.picture == nullptr)
        return PICTURE_LOAD_UNREADABLE;
    if (!GetBitmapSize(appState.picture, appState.pictureWidth, appState.pictureHeight)) {
        appState.pictureWidth = 1;
        appState.pictureHeight = 1;
        return PICTURE_LOAD_NO_SIZE;
    }
    return PICTURE_LOAD_OK;
}
