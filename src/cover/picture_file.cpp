#include "picture_file.h"

#include <ole2.h>
#include <olectl.h>

namespace {

// The whole file in one fixed global block of its exact size, or null. The
// file is open only inside this function.
HGLOBAL ReadWholeFile(const char* path, DWORD& size)
{
    // No sharing: a file that another program holds open is not read half-written.
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    size = GetFileSize(file, nullptr);
    HGLOBAL block = nullptr;
    if (size != INVALID_FILE_SIZE)
        block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
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
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (display == nullptr)
        return nullptr;
    HDC memory = CreateCompatibleDC(display);
    if (memory == nullptr) {
        DeleteDC(display);
        return nullptr;
    }

    HBITMAP copy = nullptr;
    HGDIOBJ initialBitmap = GetCurrentObject(memory, OBJ_BITMAP);
    HDC previousDc = nullptr;
    // Fails when the picture is not a bitmap (an icon or a metafile).
    if (picture->SelectPicture(memory, &previousDc, nullptr) == S_OK) {
        // Selecting the DC's own bitmap back hands out the picture's.
        HBITMAP pictureBitmap = static_cast<HBITMAP>(SelectObject(memory, initialBitmap));
        // No LR_COPYRETURNORG: it may return the picture's own bitmap, which
        // dies with the picture object. The copy must be a bitmap of its own.
        if (pictureBitmap != nullptr)
            copy = static_cast<HBITMAP>(CopyImage(pictureBitmap, IMAGE_BITMAP, 0, 0, 0));
        if (copy == pictureBitmap)
            copy = nullptr;
    }

    DeleteDC(memory);
    DeleteDC(display);
    return copy;
}

} // namespace

HBITMAP LoadPictureFile(const char* path)
{
    DWORD size = 0;
    HGLOBAL block = ReadWholeFile(path, size);
    if (block == nullptr)
        return nullptr;

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
