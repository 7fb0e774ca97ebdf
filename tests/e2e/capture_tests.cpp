// Screen captures read back from disk: the file layout against the screen,
// the names and their counters, the foreground window's client area, and the
// cases that must leave no file (a missing folder, a folder too long for the
// name, a full drive).
#include "toolkit/toolkit.h"

#include "resource.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr COLORREF COVER_COLOUR = RGB(12, 34, 56);
constexpr COLORREF WINDOW_COLOUR = RGB(200, 100, 50);

// ---- reading a .bmp file ---------------------------------------------------------

std::uint32_t Read32(const std::string& bytes, size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

std::uint32_t Read16(const std::string& bytes, size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

struct BitmapFile {
    std::string problem;  // empty when the file is a sound bitmap
    int width = 0;
    int height = 0;
    int bits = 0;
    std::uint32_t pixelOffset = 0;
    std::uint32_t rowSize = 0;
    std::string bytes;

    // The colour at (x, y), counted from the top, for 24 and 32 bits.
    COLORREF Pixel(int x, int y) const
    {
        const size_t at = pixelOffset + static_cast<size_t>(height - 1 - y) * rowSize +
                          static_cast<size_t>(x) * static_cast<size_t>(bits / 8);
        return RGB(static_cast<unsigned char>(bytes[at + 2]),
                   static_cast<unsigned char>(bytes[at + 1]),
                   static_cast<unsigned char>(bytes[at]));
    }
};

// Reads the file and checks every header field against the layout the
// program promises: BM, sizes that add up, BI_RGB, bottom-up rows.
BitmapFile ReadBitmapFile(const std::wstring& path)
{
    BitmapFile file;
    if (!ReadFileBytes(path, file.bytes)) {
        file.problem = "cannot read the file";
        return file;
    }
    const std::string& b = file.bytes;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
        file.problem = "no BM header";
        return file;
    }
    file.width = static_cast<int>(Read32(b, 18));
    file.height = static_cast<int>(Read32(b, 22));
    file.bits = static_cast<int>(Read16(b, 28));
    const std::uint32_t colours = file.bits < 16 ? 1u << file.bits : 0;
    file.pixelOffset = Read32(b, 10);
    file.rowSize = (static_cast<std::uint32_t>(file.bits * file.width) + 31) / 32 * 4;
    const std::uint64_t expectedSize =
        54 + 4 * colours + static_cast<std::uint64_t>(file.rowSize) * static_cast<std::uint64_t>(file.height);
    const std::uint32_t imageSize = Read32(b, 34);
    if (Read32(b, 2) != b.size())
        file.problem = "bfSize " + std::to_string(Read32(b, 2)) + " for " + std::to_string(b.size()) + " bytes";
    else if (b.size() != expectedSize)
        file.problem = "size " + std::to_string(b.size()) + ", expected " + std::to_string(expectedSize);
    else if (Read32(b, 6) != 0)
        file.problem = "reserved fields not 0";
    else if (file.pixelOffset != 54 + 4 * colours)
        file.problem = "bfOffBits " + std::to_string(file.pixelOffset);
    else if (Read32(b, 14) != 40)
        file.problem = "biSize " + std::to_string(Read32(b, 14));
    else if (file.width <= 0 || file.height <= 0)
        file.problem = "not a positive, bottom-up size";
    else if (Read16(b, 26) != 1)
        file.problem = "biPlanes " + std::to_string(Read16(b, 26));
    else if (Read32(b, 30) != 0)
        file.problem = "compressed";
    // The pixel fetch may fill in the image size; either value is sound.
    else if (imageSize != 0 && imageSize != file.rowSize * static_cast<std::uint32_t>(file.height))
        file.problem = "biSizeImage " + std::to_string(imageSize);
    return file;
}

// The size that ImageMagick, an independent decoder, reads from the file.
std::string DecodedSize(const std::string& unixPath)
{
    std::string output;
    if (!RunUnixCommandOutput("identify -format '%w %h' '" + unixPath + "'", output))
        return "identify failed: " + output;
    return output;
}

std::string SizeText(int width, int height)
{
    return std::to_string(width) + " " + std::to_string(height);
}

// ---- files in a folder ----------------------------------------------------------------

std::vector<std::wstring> BitmapNames(const std::wstring& folder)
{
    return FileNames(folder, L"*.bmp");
}

// No file of any name: a cut name would not end in .bmp.
bool HoldsNoFile(const std::wstring& folder)
{
    return FileNames(folder, L"*").empty();
}

// The program writes without sharing, so the file opens only once closed.
bool IsClosed(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// Waits until `folder` holds `count` closed .bmp files; returns their names.
std::vector<std::wstring> WaitForCaptures(const std::wstring& folder, size_t count)
{
    std::vector<std::wstring> names;
    WaitUntil([&] {
        names = BitmapNames(folder);
        if (names.size() < count)
            return false;
        for (const std::wstring& name : names)
            if (!IsClosed(folder + L"\\" + name))
                return false;
        return true;
    }, 15000);
    return names;
}

void DeleteBitmaps(const std::wstring& folder)
{
    for (const std::wstring& name : BitmapNames(folder))
        DeleteFileW((folder + L"\\" + name).c_str());
}

// ---- keys ---------------------------------------------------------------------

void PressCaptureScreen()
{
    SendHotKey(false, true, true, false, 'C');
}

void PressCaptureWindow()
{
    SendHotKey(true, true, true, false, 'C');
}

// Hot keys are handled in the order they were pressed: once the cover that a
// later key asks for is up, every capture before it has run.
bool WaitForEarlierKeys(HWND cover)
{
    SendHotKey(false, true, true, false, 'H');
    return WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 10000);
}

bool NoMessageBox(const DusklidProcess& dusklid)
{
    return FindVisibleWindow(L"#32770", dusklid.info.dwProcessId) == nullptr;
}

int ScreenBits()
{
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

// The whole screen as the driver itself reads it, top-down, 0x00RRGGBB.
std::vector<COLORREF> GrabScreen(int width, int height)
{
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> raw(pixels.size());
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), raw.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (size_t i = 0; i < raw.size(); ++i)
        pixels[i] = RGB(raw[i] >> 16 & 0xFF, raw[i] >> 8 & 0xFF, raw[i] & 0xFF);
    return pixels;
}

// The first pixel of `file` that is not `colour`, as text; empty if none.
std::string FirstPixelNot(const BitmapFile& file, COLORREF colour)
{
    for (int y = 0; y < file.height; ++y)
        for (int x = 0; x < file.width; ++x)
            if (file.Pixel(x, y) != colour)
                return "(" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                       Rgb(file.Pixel(x, y));
    return std::string();
}

// A folder under the work root, by its Unix and Windows names.
struct WorkFolder {
    std::string unixPath;
    std::wstring windowsPath;
};

WorkFolder MakeFolder(const char* name)
{
    const std::wstring windowsPath = MakeWorkDir(name);
    return {Config().workRootUnix + "/" + name, windowsPath};
}

// Starts the program with the cover colour above, no picture, the hot corner
// off and `captureFolder` (Shift-JIS bytes) as capture folder.
bool StartCapturing(DusklidProcess& dusklid, const WorkFolder& work, const std::string& captureFolder,
                    const std::string& picture = std::string())
{
    const std::string preferences =
        PreferenceBytes(GetRValue(COVER_COLOUR), GetGValue(COVER_COLOUR), GetBValue(COVER_COLOUR),
                        picture, '0', '0', "0", captureFolder);
    return WriteFileBytes(work.windowsPath + L"\\preference.dat", preferences) &&
           StartDusklidAndWait(dusklid, work.windowsPath);
}

// A plain captioned window of one colour with a client area of exactly
// `width` by `height`, brought to the foreground.
struct ForegroundWindow {
    HWND window = nullptr;
    HBRUSH brush = nullptr;

    ForegroundWindow(int width, int height)
    {
        brush = CreateSolidBrush(WINDOW_COLOUR);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = brush;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"e2e foreground";
        RegisterClassW(&windowClass);
        RECT frame = {0, 0, width, height};
        AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
        window = CreateWindowExW(0, windowClass.lpszClassName, L"e2e foreground",
                                 WS_OVERLAPPEDWINDOW, 100, 100, frame.right - frame.left,
                                 frame.bottom - frame.top, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    }
    ~ForegroundWindow()
    {
        if (window != nullptr)
            DestroyWindow(window);
        PumpMessages();
        UnregisterClassW(L"e2e foreground", GetModuleHandleW(nullptr));
        DeleteObject(brush);
    }
    ForegroundWindow(const ForegroundWindow&) = delete;
    ForegroundWindow& operator=(const ForegroundWindow&) = delete;

    // Puts the client area's top-left corner at (x, y) of the screen and
    // waits until the window is in front and painted there.
    bool PlaceClientAt(int x, int y)
    {
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        RECT frame = {};
        GetWindowRect(window, &frame);
        SetWindowPos(window, HWND_TOP, frame.left + x - origin.x, frame.top + y - origin.y, 0, 0,
                     SWP_NOSIZE | SWP_SHOWWINDOW);
        SetForegroundWindow(window);
        UpdateWindow(window);
        const int probeX = std::max(x, 0) + 2;
        const int probeY = std::max(y, 0) + 2;
        return WaitUntil([&] {
            return GetForegroundWindow() == window && ScreenPixel(probeX, probeY) == WINDOW_COLOUR;
        }, 10000);
    }

    // The part of the client area that lies on the screen.
    RECT VisibleClient() const
    {
        RECT client = {};
        GetClientRect(window, &client);
        POINT topLeft = {0, 0};
        POINT bottomRight = {client.right, client.bottom};
        ClientToScreen(window, &topLeft);
        ClientToScreen(window, &bottomRight);
        return {std::max<LONG>(topLeft.x, 0), std::max<LONG>(topLeft.y, 0),
                std::min<LONG>(bottomRight.x, GetSystemMetrics(SM_CXSCREEN)),
                std::min<LONG>(bottomRight.y, GetSystemMetrics(SM_CYSCREEN))};
    }
};

// "2004-03-05_09-07-03" from "2004-03-05_09-07-03_1.bmp", and the counter.
bool SplitCaptureName(const std::wstring& name, std::wstring& stem, int& counter)
{
    if (name.size() < 23 || name.compare(name.size() - 4, 4, L".bmp") != 0)
        return false;
    stem = name.substr(0, 19);
    const std::wstring rest = name.substr(19, name.size() - 23);
    if (rest.empty()) {
        counter = 0;
        return true;
    }
    if (rest[0] != L'_' || rest.size() < 2)
        return false;
    counter = std::stoi(rest.substr(1));
    return counter > 0 && std::to_wstring(counter) == rest.substr(1);
}

std::wstring TimeStem(const SYSTEMTIME& time)
{
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u_%02u-%02u-%02u", time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond);
    return text;
}

} // namespace

TEST(Capture, CaptureSavesTheDesktopAsTheScreenShowsIt)
{
    // A vertical gradient: a picture stored or drawn upside down, shifted or
    // cut would differ from the screen somewhere.
    const std::wstring picture = MakePicture("capture_gradient.bmp", "-size 200x150 gradient:red-blue");
    ASSERT_TRUE(!picture.empty());
    const WorkFolder work = MakeFolder("capture_desktop");
    const WorkFolder shots = MakeFolder("capture_desktop_shots");
    DusklidProcess dusklid;
    ASSERT_TRUE(StartCapturing(dusklid, work, ShiftJis(shots.windowsPath), ShiftJis(picture)));
    HWND cover = FindCoverWindow();
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const int bits = ScreenBits();

    // The tray menu's capture entry saves the desktop as it is.
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.info.dwProcessId, IDM_CAPTURE));
    std::vector<std::wstring> names = WaitForCaptures(shots.windowsPath, 1);
    ASSERT_TRUE(names.size() == 1);
    BitmapFile menuCapture = ReadBitmapFile(shots.windowsPath + L"\\" + names[0]);
    EXPECT_TRUE(menuCapture.problem.empty()) << menuCapture.problem;
    EXPECT_TRUE(menuCapture.width == width && menuCapture.height == height && menuCapture.bits == bits);
    EXPECT_TRUE(DecodedSize(shots.unixPath + "/" + Utf8(names[0])) == SizeText(width, height)) << DecodedSize(shots.unixPath + "/" + Utf8(names[0]));
    EXPECT_TRUE(!IsWindowVisible(cover));

    // The hot key saves the shown cover exactly as the screen shows it.
    SendHotKey(false, true, true, false, 'H');
    const POINT centre = ScreenCentre();
    ASSERT_TRUE(WaitUntil([&] {
        return ScreenPixel(5, 5) == COVER_COLOUR && ScreenPixel(centre.x, centre.y) != COVER_COLOUR;
    }, 10000));
    DeleteBitmaps(shots.windowsPath);
    PressCaptureScreen();
    names = WaitForCaptures(shots.windowsPath, 1);
    ASSERT_TRUE(names.size() == 1);
    const BitmapFile file = ReadBitmapFile(shots.windowsPath + L"\\" + names[0]);
    ASSERT_TRUE(file.problem.empty());
    EXPECT_TRUE(file.width == width && file.height == height && file.bits == bits);
    if (bits == 32 && width == 1024 && height == 768) {
        EXPECT_TRUE(file.bytes.size() == 3145782);
    }
    EXPECT_TRUE(DecodedSize(shots.unixPath + "/" + Utf8(names[0])) == SizeText(width, height));

    ASSERT_TRUE(file.bits == 32 || file.bits == 24);
    const std::vector<COLORREF> screen = GrabScreen(width, height);
    int differences = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF expected = screen[static_cast<size_t>(y) * static_cast<size_t>(width) +
                                             static_cast<size_t>(x)];
            if (file.Pixel(x, y) != expected && ++differences <= 3)
                ADD_FAILURE() << ("pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                                  Rgb(file.Pixel(x, y)) + ", the screen shows " + Rgb(expected));
        }
    }
    EXPECT_TRUE(differences == 0) << std::to_string(differences) + " pixels differ";
    // The picture is really in it: red at its top, blue at its bottom.
    EXPECT_TRUE(file.Pixel(centre.x, centre.y - 74) != file.Pixel(centre.x, centre.y + 74));
    EXPECT_TRUE(NoMessageBox(dusklid));
}

TEST(Capture, CapturesWithinOneSecondAreNumbered)
{
    const WorkFolder work = MakeFolder("capture_counter");
    DusklidProcess dusklid;
    // An empty folder line: captures go to the start-up folder.
    ASSERT_TRUE(StartCapturing(dusklid, work, ""));

    // Three keys right after the clock turns over are normally handled within
    // the same second; a slow moment may split them, which the names must
    // then show too, so that case is tried again.
    bool sameSecond = false;
    for (int attempt = 1; attempt <= 3 && !sameSecond; ++attempt) {
        DeleteBitmaps(work.windowsPath);
        SYSTEMTIME before = {};
        GetLocalTime(&before);
        SYSTEMTIME now = before;
        while (now.wSecond == before.wSecond) {
            Sleep(1);
            GetLocalTime(&now);
        }
        PressCaptureScreen();
        PressCaptureScreen();
        PressCaptureScreen();
        const std::vector<std::wstring> names = WaitForCaptures(work.windowsPath, 3);
        ASSERT_TRUE(names.size() == 3);
        SYSTEMTIME after = {};
        GetLocalTime(&after);

        // Every name is the local time of its capture, and within each second
        // the counters run 0 (no counter), 1, 2 without a gap.
        std::vector<std::wstring> stems;
        std::vector<int> counters;
        for (const std::wstring& name : names) {
            std::wstring stem;
            int counter = -1;
            EXPECT_TRUE(SplitCaptureName(name, stem, counter)) << Utf8(name);
            EXPECT_TRUE(stem >= TimeStem(now) && stem <= TimeStem(after)) << Utf8(name);
            stems.push_back(stem);
            counters.push_back(counter);
            const BitmapFile file = ReadBitmapFile(work.windowsPath + L"\\" + name);
            EXPECT_TRUE(file.problem.empty()) << Utf8(name) + ": " + file.problem;
        }
        // Sorted names put "T.bmp" before "T_1.bmp" before "T_2.bmp".
        for (size_t i = 0; i < names.size(); ++i) {
            const bool sameAsPrevious = i > 0 && stems[i] == stems[i - 1];
            const int expected = sameAsPrevious ? counters[i - 1] + 1 : 0;
            EXPECT_TRUE(counters[i] == expected) << Utf8(names[i]);
        }
        sameSecond = stems[0] == stems[2];
        if (sameSecond) {
            EXPECT_TRUE(names[0] == stems[0] + L".bmp");
            EXPECT_TRUE(names[1] == stems[0] + L"_1.bmp");
            EXPECT_TRUE(names[2] == stems[0] + L"_2.bmp");
        }
    }
    if (!sameSecond)
        std::printf("    note: the three captures never fell within one second here\n");
}

TEST(Capture, WindowCaptureSavesTheForegroundClientArea)
{
    const WorkFolder work = MakeFolder("capture_window");
    DusklidProcess dusklid;
    ASSERT_TRUE(StartCapturing(dusklid, work, ShiftJis(work.windowsPath)));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);

    ForegroundWindow front(300, 200);
    ASSERT_TRUE(front.window != nullptr);
    struct Placement {
        const char* what;
        int x;
        int y;
    };
    // Wholly on the screen, cut at the left edge, cut at the right edge.
    const Placement placements[] = {
        {"on the screen", 150, 120},
        {"partly left of the screen", -110, 140},
        {"partly right of the screen", screenWidth - 120, 160},
    };
    for (const Placement& placement : placements) {
        ASSERT_TRUE(front.PlaceClientAt(placement.x, placement.y));
        const RECT visible = front.VisibleClient();
        DeleteBitmaps(work.windowsPath);
        PressCaptureWindow();
        const std::vector<std::wstring> names = WaitForCaptures(work.windowsPath, 1);
        ASSERT_TRUE(names.size() == 1);
        const BitmapFile file = ReadBitmapFile(work.windowsPath + L"\\" + names[0]);
        EXPECT_TRUE(file.problem.empty()) << std::string(placement.what) + ": " + file.problem;
        if (!file.problem.empty())
            continue;
        const int width = visible.right - visible.left;
        const int height = visible.bottom - visible.top;
        EXPECT_TRUE(file.width == width && file.height == height) << std::string(placement.what) + ": " + std::to_string(file.width) + "x" +
                      std::to_string(file.height) + ", expected " + std::to_string(width) + "x" +
                      std::to_string(height);
        const std::string stray = FirstPixelNot(file, WINDOW_COLOUR);
        EXPECT_TRUE(stray.empty()) << std::string(placement.what) + ": " + stray;
        EXPECT_TRUE(DecodedSize(work.unixPath + "/" + Utf8(names[0])) == SizeText(width, height));
    }

    // With the cover shown, the cover is the window in front.
    HWND cover = FindCoverWindow();
    SendHotKey(false, true, true, false, 'H');
    ASSERT_TRUE(WaitUntil([&] {
        return GetForegroundWindow() == cover && ScreenPixel(5, 5) == COVER_COLOUR;
    }, 10000));
    DeleteBitmaps(work.windowsPath);
    PressCaptureWindow();
    const std::vector<std::wstring> names = WaitForCaptures(work.windowsPath, 1);
    ASSERT_TRUE(names.size() == 1);
    const BitmapFile file = ReadBitmapFile(work.windowsPath + L"\\" + names[0]);
    ASSERT_TRUE(file.problem.empty());
    EXPECT_TRUE(file.width == screenWidth && file.height == GetSystemMetrics(SM_CYSCREEN));
    const std::string stray = FirstPixelNot(file, COVER_COLOUR);
    EXPECT_TRUE(stray.empty()) << "the cover: " + stray;
    EXPECT_TRUE(NoMessageBox(dusklid));
}

TEST(Capture, CaptureFolderEndingInADoubleByteCharacterIsKept)
{
    // 表 is 0x95 0x5C in Shift-JIS: its second byte is a backslash's.
    const WorkFolder work = MakeFolder("capture_japanese");
    const std::wstring folder = work.windowsPath + L"\\撮影\\表";
    CreateDirectoryW((work.windowsPath + L"\\撮影").c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::string folderBytes = ShiftJis(folder);
    ASSERT_TRUE(folderBytes.back() == '\\');

    // As it is, then with a real trailing backslash, which alone goes.
    const std::string settings[] = {folderBytes, folderBytes + "\\"};
    size_t expected = 0;
    for (const std::string& setting : settings) {
        DusklidProcess dusklid;
        ASSERT_TRUE(StartCapturing(dusklid, work, setting));
        PressCaptureScreen();
        ++expected;
        const std::vector<std::wstring> names = WaitForCaptures(folder, expected);
        EXPECT_TRUE(names.size() == expected) << "files in 表: " + std::to_string(names.size());
        ASSERT_TRUE(WaitForEarlierKeys(FindCoverWindow()));
        EXPECT_TRUE(BitmapNames(work.windowsPath + L"\\撮影").empty());
        EXPECT_TRUE(BitmapNames(work.windowsPath).empty());
        EXPECT_TRUE(NoMessageBox(dusklid));
    }
}

TEST(Capture, CaptureIntoAMissingOrTooLongFolderLeavesNoFile)
{
    const WorkFolder work = MakeFolder("capture_nowhere");

    // A folder that does not exist: no file, no message, and no folder made.
    {
        DusklidProcess dusklid;
        ASSERT_TRUE(StartCapturing(dusklid, work, ShiftJis(work.windowsPath + L"\\missing")));
        PressCaptureScreen();
        ASSERT_TRUE(WaitForEarlierKeys(FindCoverWindow()));
        EXPECT_TRUE(GetFileAttributesW((work.windowsPath + L"\\missing").c_str()) == INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(FileNames(work.windowsPath, L"*") == std::vector<std::wstring>{L"preference.dat"});
        EXPECT_TRUE(NoMessageBox(dusklid));
        EXPECT_TRUE(dusklid.Running());
    }

    // Folders of 231 and 232 characters: the name after the folder takes 24,
    // and a path holds at most 255. Nested, as one part may have 255 at most.
    std::wstring folder = work.windowsPath;
    while (folder.size() < 231) {
        const size_t remaining = 231 - folder.size();
        folder += L"\\" + std::wstring(remaining > 62 ? 60 : remaining - 1, L'd');
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    ASSERT_TRUE(folder.size() == 231);
    const std::wstring tooLong = folder + L"x";
    ASSERT_TRUE(CreateDirectoryW(tooLong.c_str(), nullptr));

    {
        DusklidProcess dusklid;
        ASSERT_TRUE(StartCapturing(dusklid, work, ShiftJis(tooLong)));
        PressCaptureScreen();
        ASSERT_TRUE(WaitForEarlierKeys(FindCoverWindow()));
        EXPECT_TRUE(HoldsNoFile(tooLong));
        EXPECT_TRUE(NoMessageBox(dusklid));
    }
    {
        DusklidProcess dusklid;
        ASSERT_TRUE(StartCapturing(dusklid, work, ShiftJis(folder)));
        PressCaptureScreen();
        const std::vector<std::wstring> names = WaitForCaptures(folder, 1);
        ASSERT_TRUE(names.size() == 1);
        EXPECT_TRUE((folder + L"\\" + names[0]).size() == 255);
        EXPECT_TRUE(ReadBitmapFile(folder + L"\\" + names[0]).problem.empty());
    }
}

TEST(Capture, DriveRootCaptureFolderWritesIntoTheRoot)
{
    const WorkFolder work = MakeFolder("capture_root");
    const WorkFolder root = MakeFolder("capture_root_drive");
    WineDrive drive('r', root.unixPath);
    ASSERT_TRUE(drive.ready);
    DusklidProcess dusklid;
    ASSERT_TRUE(StartCapturing(dusklid, work, "R:\\"));
    // Twice: the first capture shortens the setting to "R:", and the second
    // must still land in the root.
    PressCaptureScreen();
    PressCaptureScreen();
    const std::vector<std::wstring> names = WaitForCaptures(root.windowsPath, 2);
    EXPECT_TRUE(names.size() == 2);
    for (const std::wstring& name : names)
        EXPECT_TRUE(ReadBitmapFile(root.windowsPath + L"\\" + name).problem.empty()) << Utf8(name);
    EXPECT_TRUE(BitmapNames(work.windowsPath).empty());
    EXPECT_TRUE(NoMessageBox(dusklid));
    // The shortened setting is what the preferences dialog now shows.
    HWND dialog = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_TRUE(DialogItemText(dialog, IDC_CAPTURE_FOLDER) == L"R:") << Utf8(DialogItemText(dialog, IDC_CAPTURE_FOLDER));
    ClickButton(dialog, IDC_CANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
}

TEST(Capture, CaptureOntoAFullDriveLeavesNoTruncatedFile)
{
    const WorkFolder work = MakeFolder("capture_full");
    // 1 MiB: room for a small window's capture, not for the whole desktop's.
    WineDrive drive('t', work.unixPath + "/drive", "1m");
    if (!drive.ready) {
        std::printf("    note: no tmpfs could be mounted here (not root?); test skipped\n");
        return;
    }
    const std::wstring driveRoot = L"T:";
    DusklidProcess dusklid;
    ASSERT_TRUE(StartCapturing(dusklid, work, "T:"));

    // A small window's capture fits: the drive itself works.
    {
        ForegroundWindow front(100, 80);
        ASSERT_TRUE(front.PlaceClientAt(200, 200));
        PressCaptureWindow();
        const std::vector<std::wstring> names = WaitForCaptures(driveRoot, 1);
        ASSERT_TRUE(names.size() == 1);
        EXPECT_TRUE(ReadBitmapFile(driveRoot + L"\\" + names[0]).problem.empty());
        DeleteBitmaps(driveRoot);
    }

    // The desktop does not: the write fails part way and the file goes.
    PressCaptureScreen();
    ASSERT_TRUE(WaitForEarlierKeys(FindCoverWindow()));
    const std::vector<std::wstring> names = FileNames(driveRoot, L"*");
    EXPECT_TRUE(names.empty()) << "left behind: " + (names.empty() ? std::string() : Utf8(names[0]));
    std::string used;
    RunUnixCommandOutput("du -sk '" + work.unixPath + "/drive' | cut -f1", used);
    EXPECT_TRUE(used == "0\n") << "kilobytes still used: " + used;
    EXPECT_TRUE(NoMessageBox(dusklid));
}
