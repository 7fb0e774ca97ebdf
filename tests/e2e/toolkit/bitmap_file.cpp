#include "bitmap_file.h"

#include <algorithm>

#include "files.h"
#include "pixels.h"
#include "process.h"
#include "screen_copy.h"
#include "text.h"
#include "x_bridge.h"

namespace {

// Little-endian fields.
std::uint32_t Read16(const std::string& bytes, size_t at)
{
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

std::uint32_t Read32(const std::string& bytes, size_t at)
{
    return Read16(bytes, at) | Read16(bytes, at + 2) << 16;
}

} // namespace

COLORREF BitmapFile::Pixel(int x, int y) const
{
    // Only a sound header tells where the pixels are.
    if (!problem.empty() || x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    const auto at8 = [&](size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bits);
    size_t at = pixelOffset + static_cast<size_t>(height - 1 - y) * rowSize + bit / 8;
    if (bits <= 8)  // the colour table's entry
        at = 54 + 4 * ((at8(at) >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
    if (bits != 16)
        return RGB(at8(at + 2), at8(at + 1), at8(at));
    const std::uint32_t value = Read16(bytes, at);
    const auto widen = [](std::uint32_t five) { return (five << 3) | (five >> 2); };  // as GDI does
    return RGB(widen(value >> 10 & 31), widen(value >> 5 & 31), widen(value & 31));
}

BitmapFile ReadBitmapFile(const std::wstring& path)
{
    BitmapFile file;
    file.path = path;
    const std::string& b = file.bytes;
    if (!ReadFileBytes(path, file.bytes) || b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
        file.problem = "cannot read the file, or no BM header";
        return file;
    }
    file.width = static_cast<int>(Read32(b, 18));
    file.height = static_cast<int>(Read32(b, 22));
    file.bits = static_cast<int>(Read16(b, 28));
    file.colors = file.bits < 16 ? 1u << file.bits : 0;
    file.pixelOffset = Read32(b, 10);
    const std::uint64_t rowSize =
        (static_cast<std::uint64_t>(file.bits) * static_cast<std::uint32_t>(file.width) + 31) / 32 * 4;
    file.rowSize = static_cast<std::uint32_t>(rowSize);
    const std::uint64_t imageSize = rowSize * static_cast<std::uint32_t>(file.height);
    const std::uint32_t sizeImage = Read32(b, 34), colorsUsed = Read32(b, 46);
    const auto is = [](const char* field, std::uint64_t value) {
        return std::string(field) + " " + std::to_string(value);
    };
    const std::pair<bool, std::string> checks[] = {
        {Read32(b, 2) == b.size(), is("bfSize", Read32(b, 2))},
        {b.size() == 54 + 4 * file.colors + imageSize, is("file size", b.size())},
        {Read32(b, 6) == 0, is("bfReserved", Read32(b, 6))},
        {file.pixelOffset == 54 + 4 * file.colors, is("bfOffBits", file.pixelOffset)},
        {Read32(b, 14) == 40, is("biSize", Read32(b, 14))},
        {file.width > 0 && file.height > 0, "not a positive, bottom-up size"},
        {Read16(b, 26) == 1, is("biPlanes", Read16(b, 26))},
        {file.bits == 1 || file.bits == 4 || file.bits == 8 || file.bits == 16 || file.bits == 24 ||
             file.bits == 32, is("biBitCount", static_cast<std::uint64_t>(file.bits))},
        {Read32(b, 30) == 0, is("biCompression", Read32(b, 30))},
        // The pixel fetch may fill in these two; 0 is as sound.
        {sizeImage == 0 || sizeImage == imageSize, is("biSizeImage", sizeImage)},
        {colorsUsed == 0 || colorsUsed == file.colors, is("biClrUsed", colorsUsed)},
    };
    for (const auto& [sound, problem] : checks)
        if (!sound) {
            file.problem = problem;
            break;
        }
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
    // The program writes without sharing, so a file opens only once closed.
    const auto closed = [&](const std::wstring& name) {
        HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        return file != INVALID_HANDLE_VALUE && CloseHandle(file);
    };
    WaitUntil([&] {
        names = BitmapNames(folder);
        return names.size() >= count && std::all_of(names.begin(), names.end(), closed);
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
    return GetDeviceCaps(DisplayDc().dc, BITSPIXEL);
}

std::vector<COLORREF> BitmapPixels(HBITMAP bitmap)
{
    BITMAP record = {};
    if (GetObjectW(bitmap, sizeof record, &record) == 0)
        return {};
    const size_t width = static_cast<size_t>(record.bmWidth);
    const std::vector<unsigned char> file =
        BmpFileBytes(DisplayDc().dc, bitmap, record.bmWidth, record.bmHeight);
    // Bottom-up rows of 0x00RRGGBB to top-down COLORREFs, 0x00BBGGRR.
    std::vector<COLORREF> pixels;
    for (size_t row = static_cast<size_t>(record.bmHeight); row-- > 0;)
        for (size_t at = 54 + 4 * width * row; at < 54 + 4 * width * (row + 1); at += 4)
            pixels.push_back(RGB(file[at + 2], file[at + 1], file[at]));
    return pixels;
}

std::vector<COLORREF> GrabScreen(RECT area)
{
    const DisplayDc screen;
    const GdiObject<HBITMAP> bitmap(CopyScreenArea(screen.dc, area));
    return BitmapPixels(bitmap.handle);
}

std::string Differences(int width, int height, const std::function<COLORREF(int, int)>& actual,
                        const std::function<COLORREF(int, int)>& expected,
                        const std::function<bool(COLORREF, COLORREF)>& same)
{
    std::string first;
    long differences = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!same(actual(x, y), expected(x, y)) && ++differences <= 3)
                first += "(" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                         Rgb(actual(x, y)) + ", expected " + Rgb(expected(x, y)) + "; ";
    return differences == 0 ? std::string() : first + std::to_string(differences) + " pixels differ";
}

std::string DifferencesFromScreen(const BitmapFile& file, const std::vector<COLORREF>& screen,
                                  const std::function<bool(COLORREF, COLORREF)>& same)
{
    if (!file.problem.empty())
        return file.problem;
    if (screen.size() != static_cast<size_t>(file.width) * static_cast<size_t>(file.height))
        return "the file is " + std::to_string(file.width) + "x" + std::to_string(file.height) +
               ", not the size of the area compared";
    return Differences(
        file.width, file.height, [&](int x, int y) { return file.Pixel(x, y); },
        [&](int x, int y) { return screen[static_cast<size_t>(y) * file.width + x]; }, same);
}

std::string DifferencesFromColor(const BitmapFile& file, COLORREF color)
{
    if (!file.problem.empty())
        return file.problem;
    return Differences(file.width, file.height, [&](int x, int y) { return file.Pixel(x, y); },
                       [&](int, int) { return color; }, std::equal_to<COLORREF>());
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
