// What every benchmark shares: its command line, timing, medians, the
// reference program and the one table they all print rows of.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Every benchmark runs as NAME.exe DUSKLID_EXE WORK_ROOT SCALE (Unix paths).
// SCALE "full" takes the counts the table is made of; "smoke" takes a run or
// two of each, only to show that the benchmark works.
struct BenchOptions {
    bool smoke = false;
    int Count(int full, int tiny) const { return smoke ? tiny : full; }
};

// Reads the command line into Config() and the options; false (after saying
// why) when it does not fit.
bool ReadBenchArguments(int argc, wchar_t** argv, const char* name, BenchOptions& options);

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to);
LARGE_INTEGER Now();
double Median(std::vector<double> values);
// The median of the last `count` values: one block's, when each block adds
// its own to the end.
double MedianOfLast(const std::vector<double>& values, size_t count);

// One row of the shared table, in Markdown:
// | figure | desktop | runs | Dusklid | reference | reference's figure | ratio |
// The desktop is the current screen size. A figure without a reference
// passes an empty `reference`.
void PrintRow(const std::string& figure, int runs, double value, const char* unit,
              const std::string& reference = "", double referenceValue = 0);

// The minimal reference program (bench_reference.exe beside dusklid.exe),
// started in one of its modes and ended again when this goes out of scope:
//   capture FOLDER  saves the screen to FOLDER\reference.bmp on Windows+Shift+X
//   popup           shows a black topmost popup on Windows+Shift+J;
//                   REFERENCE_HIDE hides it again
//   window          creates one hidden window and waits
//   poll            the same window, reading the pointer every 100 ms
struct ReferenceProcess {
    PROCESS_INFORMATION info = {};
    HWND window = nullptr;
    ReferenceProcess() = default;
    ReferenceProcess(const ReferenceProcess&) = delete;
    ReferenceProcess& operator=(const ReferenceProcess&) = delete;
    ~ReferenceProcess();
    // Starts it and waits for its window; false when either fails.
    bool Start(const std::wstring& arguments);
    void Stop();
};

// What the reference program and the benchmarks both name: its windows'
// classes, the message that hides its popup, and its hot keys (keys of its
// own, so that it can run beside Dusklid and the two take turns).
#define REFERENCE_CLASS_TEXT "DusklidBenchReference"
#define REFERENCE_POPUP_CLASS_TEXT "DusklidBenchReferencePopup"
constexpr char REFERENCE_CLASS[] = REFERENCE_CLASS_TEXT;
constexpr char REFERENCE_POPUP_CLASS[] = REFERENCE_POPUP_CLASS_TEXT;
constexpr wchar_t REFERENCE_CLASS_W[] = L"" REFERENCE_CLASS_TEXT;
constexpr wchar_t REFERENCE_POPUP_CLASS_W[] = L"" REFERENCE_POPUP_CLASS_TEXT;
constexpr UINT REFERENCE_HIDE = WM_APP + 1;
constexpr UINT REFERENCE_HOT_KEY_MODIFIERS = MOD_SHIFT | MOD_WIN;
constexpr UINT REFERENCE_CAPTURE_KEY = 'X';
constexpr UINT REFERENCE_POPUP_KEY = 'J';

std::wstring ReferenceExe();

// The one .bmp file in `folder`, once its writer has closed it (Dusklid and
// the reference open it without sharing, so it opens only then); empty
// after `timeoutMs`.
std::wstring WaitForClosedCapture(const std::wstring& folder, DWORD timeoutMs);
