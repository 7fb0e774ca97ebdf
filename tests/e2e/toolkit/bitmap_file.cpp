#include "bitmap_file.h"

#include <algorithm>

#include "files.h"
#include "pixels.h"
#include "process.h"
#include "screen_copy.h"
#include "text.h"
#include "x_bridge.h"

std::uint32_t Read16(const std::string& bytes, size_t at)
{
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

std::uint32_t Read32(const std::string& bytes, size_t at)
{
    return Read16(bytes, at) | Read16(bytes, at + 2) << 16;
}

namespace {

// A 5-bit channel widened to 8 bits as GDI widens it.
int Widen5(std::uint32_t value)
{
    return static_cast<int>((value << 3) | (value >> 2));
}

// The program writes without sharing, so the file opens only once closed.
bool IsClosed(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

} // namespace

COLORREF BitmapFile::Pixel(int x, int y) const
{
    const size_t row = pixelOffset + static_cast<size_t>(height - 1 - y) * rowSize;
    const auto at8 = [&](size_t at) { return static_cast<unsigned char>(bytes[at]); };
    if (bits <= 8) {
        const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bits);
        const unsigned index =
            (at8(row + bit / 8) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        const size_t entry = 54 + 4 * static_cast<size_t>(index);
        return RGB(at8(entry + 2), at8(entry + 1), at8(entry));
    }
    const size_t at = row + static_cast<size_t>(x) * static_cast<size_t>(bits / 8);
    if (bits == 16) {
        const std::uint32_t value = Read16(bytes, at);
        return RGB(Widen5(value >> 10 & 31), Widen5(value >> 5 & 31), Widen5(value & 31));
    }
    return RGB(at8(at + 2), at8(at + 1), at8(at));
}

BitmapFile ReadBitmapFile(const std::wstring& path)
{
    BitmapFile file;
    const std::string& b = file.bytes;
    if (!ReadFileBytes(path, file.bytes) || b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
        file.problem = "cannot read the file, or no BM header";
        return file;
    }
    file.width = static_cast<int>(Read32(b, 18));
    file.height = static_cast<int>(Read32(b, 22));
    file.bits = static_cast<int>(Read16(b, 28));
    file.colours = file.bits < 16 ? 1u << file.bits : 0;
    file.pixelOffset = Read32(b, 10);
    file.rowSize = (static_cast<std::uint32_t>(file.bits * file.width) + 31) / 32 * 4;
    const std::uint64_t expectedSize =
        54 + 4 * file.colours +
        static_cast<std::uint64_t>(file.rowSize) * static_cast<std::uint64_t>(file.height);
    const std::uint32_t imageSize = Read32(b, 34);
    const std::uint32_t coloursUsed = Read32(b, 46);
    if (Read32(b, 2) != b.size())
        file.problem = "bfSize " + std::to_string(Read32(b, 2)) + " for " + std::to_string(b.size()) + " bytes";
    else if (b.size() != expectedSize)
        file.problem = "size " + std::to_string(b.size()) + ", expected " + std::to_string(expectedSize);
    else if (Read32(b, 6) != 0)
        file.problem = "reserved fields not 0";
    else if (file.pixelOffset != 54 + 4 * file.colours)
        file.problem = "bfOffBits " + std::to_string(file.pixelOffset);
    else if (Read32(b, 14) != 40)
        file.problem = "biSize " + std::to_string(Read32(b, 14));
    else if (file.width <= 0 || file.height <= 0)
        file.problem = "not a positive, bottom-up size";
    else if (Read16(b, 26) != 1)
        file.problem = "biPlanes " + std::to_string(Read16(b, 26));
    else if (Read32(b, 30) != 0)
        file.problem = "biCompression " + std::to_string(Read32(b, 30));
    // The pixel fetch may fill in the image size and the colours used;
    // either value of each is sound.
    else if (imageSize != 0 && imageSize != file.rowSize * static_cast<std::uint32_t>(file.height))
        file.problem = "biSizeImage " + std::to_string(imageSize);
    else if (coloursUsed != 0 && coloursUsed != file.colours)
        file.problem = "biClrUsed " + std::to_string(coloursUsed);
    return file;
}

std::string DecodedSize(const std::string& unixPath)
{
    std::string output;
    if (!RunUnixCommandOutput("identify -format '%w %h' '" + unixPath + "'", output))
        return "identify failed: " + output;
    return output;
}

std::vector<std::wstring> BitmapNames(const std::wstring& folder)
{
    return FileNames(folder, L"*.bmp");
}

std::vector<std::wstring> WaitForCaptures(const std::wstring& folder, size_t count)
{
    std::vector<std::wstring> names;
    WaitUntil([&] {
        names = BitmapNames(folder);
        return names.size() >= count &&
               std::all_of(names.begin(), names.end(),
                           [&](const std::wstring& name) { return IsClosed(folder + L"\\" + name); });
    }, 15000);
    return names;
}

void DeleteBitmaps(const std::wstring& folder)
{
    for (const std::wstring& name : BitmapNames(folder))
        DeleteFileW((folder + L"\\" + name).c_str());
}

int ScreenBits()
{
    return GetDeviceCaps(ScreenDC().dc, BITSPIXEL);
}

std::vector<COLORREF> BitmapPixels(HBITMAP bitmap)
{
    BITMAP record = {};
    if (GetObjectW(bitmap, sizeof record, &record) == 0)
        return {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = record.bmWidth;
    info.bmiHeader.biHeight = -record.bmHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<COLORREF> pixels(static_cast<size_t>(record.bmWidth) *
                                 static_cast<size_t>(record.bmHeight));
    GetDIBits(ScreenDC().dc, bitmap, 0, static_cast<UINT>(record.bmHeight), pixels.data(), &info,
              DIB_RGB_COLORS);
    // 0x00RRGGBB to COLORREF's 0x00BBGGRR.
    for (COLORREF& pixel : pixels)
        pixel = RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF);
    return pixels;
}

std::vector<COLORREF> GrabScreen(RECT area)
{
    const ScreenDC screen;
    HBITMAP bitmap = CopyScreenArea(screen.dc, area);
    std::vector<COLORREF> pixels = BitmapPixels(bitmap);
    DeleteObject(bitmap);
    return pixels;
}

std::string DifferencesFromScreen(const BitmapFile& file, const std::vector<COLORREF>& screen,
                                  const std::function<bool(COLORREF, COLORREF)>& same)
{
    if (screen.size() != static_cast<size_t>(file.width) * static_cast<size_t>(file.height))
        return "the file is " + std::to_string(file.width) + "x" + std::to_string(file.height) +
               ", not the size of the area compared";
    std::string first;
    long differences = 0;
    for (int y = 0; y < file.height; ++y)
        for (int x = 0; x < file.width; ++x) {
            const COLORREF expected = screen[static_cast<size_t>(y * file.width + x)];
            if (same(file.Pixel(x, y), expected) || ++differences > 3)
                continue;
            first += "(" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                     Rgb(file.Pixel(x, y)) + ", the screen shows " + Rgb(expected) + "; ";
        }
    return differences == 0 ? std::string() : first + std::to_string(differences) + " pixels differ";
}

BitmapFile ReadTheCapture(const std::wstring& folder)
{
    const std::vector<std::wstring> names = WaitForCaptures(folder, 1);
    BitmapFile file;
    if (names.size() != 1) {
        file.problem = std::to_string(names.size()) + " captures in the folder";
        return file;
    }
    file = ReadBitmapFile(folder + L"\\" + names[0]);
    if (!file.problem.empty())
        file.problem = Utf8(names[0]) + ": " + file.problem;
    return file;
}

std::string DifferencesFromColour(const BitmapFile& file, COLORREF colour)
{
    const size_t pixels = static_cast<size_t>(file.width) * static_cast<size_t>(file.height);
    const std::vector<COLORREF> plain(pixels, colour);
    return DifferencesFromScreen(file, plain, std::equal_to<COLORREF>());
}
