// capture_bench.exe DUSKLID_EXE WORK_ROOT RUNS
// All paths are Unix paths. Times a desktop capture through the real hot key,
// from the key press to the closed file, and beside it the platform's floor:
// one BitBlt, one GetDIBits and one WriteFile of the same screen in this
// process. Prints the median of RUNS of each; a figure, never a verdict.
#include "e2e_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The one .bmp file in `folder`, once the program has closed it (it writes
// without sharing, so the file opens only then); empty after `timeoutMs`.
std::wstring WaitForClosedCapture(const std::wstring& folder, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*.bmp").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            const std::wstring path = folder + L"\\" + found.cFileName;
            HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
                return path;
            }
        }
        Sleep(1);
    }
    return std::wstring();
}

// The floor: what any program must do to save the screen as a file.
bool CaptureDirectly(const std::wstring& path, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    const DWORD pixelBytes = static_cast<DWORD>(width) * 4 * static_cast<DWORD>(height);
    std::vector<unsigned char> file(54 + pixelBytes);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), file.data() + 54,
                                &info, DIB_RGB_COLORS);
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = lines == height && out != INVALID_HANDLE_VALUE &&
                    WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: capture_bench DUSKLID_EXE WORK_ROOT RUNS\n");
        return 2;
    }
    Config().dusklidExe = UnixToWindowsPath(Utf8(argv[1]));
    Config().workRootUnix = Utf8(argv[2]);
    const int runs = std::max(1, _wtoi(argv[3]));
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);

    const std::wstring work = MakeWorkDirWithPreferences(
        "bench_capture", PreferenceBytes(0, 0, 0, "", '0', '0', "0", ""));
    DusklidProcess dusklid;
    if (work.empty() || !StartDusklidAndWait(dusklid, work)) {
        std::fprintf(stderr, "capture_bench: dusklid.exe did not start\n");
        return 1;
    }

    std::vector<double> hotKey;
    std::vector<double> floor;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        SendHotKey(false, true, true, false, 'C');
        const std::wstring captured = WaitForClosedCapture(work, 10000);
        QueryPerformanceCounter(&end);
        if (captured.empty()) {
            std::fprintf(stderr, "capture_bench: no capture file appeared\n");
            return 1;
        }
        hotKey.push_back(Milliseconds(start, end));
        DeleteFileW(captured.c_str());

        const std::wstring reference = work + L"\\reference.bmp";
        QueryPerformanceCounter(&start);
        if (!CaptureDirectly(reference, width, height)) {
            std::fprintf(stderr, "capture_bench: the reference capture failed\n");
            return 1;
        }
        QueryPerformanceCounter(&end);
        floor.push_back(Milliseconds(start, end));
        DeleteFileW(reference.c_str());
    }

    const double program = Median(hotKey);
    const double platform = Median(floor);
    std::printf("desktop capture %dx%d, median of %d: hot key to closed file %.1f ms, "
                "floor (BitBlt+GetDIBits+WriteFile) %.1f ms, ratio %.2f\n",
                width, height, runs, program, platform, platform > 0 ? program / platform : 0.0);
    return 0;
}
