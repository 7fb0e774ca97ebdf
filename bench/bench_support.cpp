#include "bench_support.h"

#include "toolkit/driver.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

bool ReadBenchArguments(int argc, wchar_t** argv, const char* name, BenchOptions& options)
{
    if (argc < 4 || (lstrcmpW(argv[3], L"full") != 0 && lstrcmpW(argv[3], L"smoke") != 0)) {
        std::fprintf(stderr, "usage: %s DUSKLID_EXE WORK_ROOT full|smoke\n", name);
        return false;
    }
    Config().dusklidExe = UnixToWindowsPath(Utf8(argv[1]));
    Config().workRootUnix = Utf8(argv[2]);
    options.smoke = lstrcmpW(argv[3], L"smoke") == 0;
    return true;
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

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

double MedianOfLast(const std::vector<double>& values, size_t count)
{
    count = std::min(count, values.size());
    return Median(std::vector<double>(values.end() - static_cast<std::ptrdiff_t>(count), values.end()));
}

void PrintRow(const std::string& figure, int runs, double value, const char* unit,
              const std::string& reference, double referenceValue)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (reference.empty()) {
        std::printf("| %s | %dx%d | %d | %.2f %s | | | |\n", figure.c_str(), width, height, runs,
                    value, unit);
    } else {
        std::printf("| %s | %dx%d | %d | %.2f %s | %s | %.2f %s | %.2f |\n", figure.c_str(), width,
                    height, runs, value, unit, reference.c_str(), referenceValue, unit,
                    referenceValue > 0 ? value / referenceValue : 0.0);
    }
    std::fflush(stdout);
}

std::wstring ReferenceExe()
{
    const std::wstring& exe = Config().dusklidExe;
    return exe.substr(0, exe.find_last_of(L"\\/")) + L"\\bench_reference.exe";
}

ReferenceProcess::~ReferenceProcess()
{
    Stop();
}

bool ReferenceProcess::Start(const std::wstring& arguments)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const std::wstring exe = ReferenceExe();
    if (!CreateProcessRetrying(exe, L"\"" + exe + L"\" " + arguments, nullptr, startup, info))
        return false;
    WaitUntil([&] { return (window = FindWindowW(REFERENCE_CLASS_W, nullptr)) != nullptr; }, 20000);
    // The hot key is registered after the window is made; a key pressed before
    // that goes nowhere. The process idles first in its message loop.
    WaitForInputIdle(info.hProcess, 5000);
    return window != nullptr;
}

void ReferenceProcess::Stop()
{
    if (info.hProcess == nullptr)
        return;
    if (window != nullptr)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    info = {};
    window = nullptr;
}

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
