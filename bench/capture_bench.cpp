// capture_bench.exe DUSKLID_EXE WORK_ROOT full|smoke
// A desktop capture through the real hot key, from the key press to the
// closed file, beside the same for the reference program (one BitBlt, one
// GetDIBits, one WriteFile: the platform's floor) on a key of its own, and
// `xwd -root` of the same X screen, timed on the Unix side. Medians of 40,
// taken in turns in 8 blocks, and the median of the blocks' own ratios. Then the same work inside this process, part by part:
// Dusklid's own capture functions against the floor's calls.
#include "bench_support.h"
#include "toolkit/driver.h"
#include "toolkit/screen_copy.h"

#include <cstdio>
#include <sstream>

#include "capture/capture_name.h"
#include "capture/screen_capture.h"
#include "core/app_state.h"
#include "core/file_exists.h"
#include "core/virtual_screen.h"

namespace {

// One capture, from `press` sending its hot key to the closed file in
// `folder`; false when none comes.
bool TimeHotKeyCapture(const std::wstring& folder, void (*press)(), std::vector<double>& times)
{
    const LARGE_INTEGER start = Now();
    press();
    const std::wstring captured = WaitForClosedCapture(folder, 10000);
    const LARGE_INTEGER end = Now();
    if (captured.empty())
        return false;
    times.push_back(Milliseconds(start, end));
    DeleteFileW(captured.c_str());
    return true;
}

// xwd's own time for each run, measured by the shell around it, so that
// starting a Unix process from Wine does not count.
bool TimeXwd(const std::string& folder, int runs, std::vector<double>& times)
{
    std::string output;
    const std::string command =
        "(for i in $(seq " + std::to_string(runs) + "); do s=$(date +%s%N); xwd -root -silent > '" +
        folder + "/xwd.out'; e=$(date +%s%N); echo $(( (e - s) / 1000 )); done; rm -f '" + folder +
        "/xwd.out')";
    if (!RunUnixCommandOutput(command, output))
        return false;
    std::istringstream lines(output);
    long microseconds = 0;
    int timed = 0;
    for (; lines >> microseconds; ++timed)
        times.push_back(static_cast<double>(microseconds) / 1000.0);
    return timed == runs;
}

// The machine's load drifts (a fresh Wine prefix keeps settling for a
// while), so both programs run side by side, the reference on a key of its
// own, and take turns capture by capture. Each block starts both afresh and
// begins with one capture of each that is not counted.
constexpr int BLOCKS = 8;

void PressDusklidKey()
{
    PressHotKey(HOTKEY_CAPTURE_SCREEN);
}

void PressReferenceKey()
{
    SendHotKey(REFERENCE_HOT_KEY_MODIFIERS, REFERENCE_CAPTURE_KEY);
}

bool AlternatingBlock(int block, int runs, std::vector<double>& dusklidTimes,
                      std::vector<double>& referenceTimes)
{
    const std::wstring work = MakeWorkDirWithPreferences(
        ("bench_capture_" + std::to_string(block)).c_str(),
        PreferenceBytes(PreferenceFields().Stretch('0').Corner('0').Delay("0")));
    const std::wstring referenceWork =
        MakeWorkDir(("bench_capture_reference_" + std::to_string(block)).c_str());
    DusklidProcess dusklid;
    ReferenceProcess reference;
    if (work.empty() || referenceWork.empty() || !StartDusklidAndWait(dusklid, work) ||
        !reference.Start(L"capture \"" + referenceWork + L"\""))
        return false;
    std::vector<double> warmUp;
    if (!TimeHotKeyCapture(work, PressDusklidKey, warmUp) ||
        !TimeHotKeyCapture(referenceWork, PressReferenceKey, warmUp))
        return false;
    // Either captures first every other turn, so that what the one before
    // leaves behind (a file just written) falls on both alike.
    for (int run = 0; run < runs; ++run)
        for (int turn = 0; turn < 2; ++turn) {
            const bool dusklidNow = (turn == 0) == (run % 2 == 0);
            if (!(dusklidNow ? TimeHotKeyCapture(work, PressDusklidKey, dusklidTimes)
                             : TimeHotKeyCapture(referenceWork, PressReferenceKey, referenceTimes)))
                return false;
        }
    return true;
}

// The same capture inside this process, part by part, Dusklid's functions
// and the floor's calls in turn, to tell where any extra time goes.
struct CaptureParts {
    std::vector<double> name, copy, file, floorCopy, floorFile;
};

void TimeDusklidParts(const std::string& folder, RECT area, CaptureParts& parts)
{
    char path[PATH_BUFFER_SIZE];
    const LARGE_INTEGER start = Now();
    ChooseCaptureName(path, sizeof path, folder.c_str(), CaptureTime{2026, 12, 7, 12, 0, 0},
                      FileExists);
    const LARGE_INTEGER named = Now();
    const GdiObject<HBITMAP> bitmap(CaptureScreenRect(area));
    const LARGE_INTEGER copied = Now();
    WriteBitmapFile(bitmap.handle, path);
    const LARGE_INTEGER written = Now();
    DeleteFileA(path);
    parts.name.push_back(Milliseconds(start, named));
    parts.copy.push_back(Milliseconds(named, copied));
    parts.file.push_back(Milliseconds(copied, written));
}

// What bench_reference.exe does on its hot key, split the same way.
void TimeFloorParts(const std::string& folder, RECT area, CaptureParts& parts)
{
    const LARGE_INTEGER start = Now();
    const DisplayDc screen;
    const GdiObject<HBITMAP> bitmap(CopyScreenArea(screen.dc, area));
    const LARGE_INTEGER copied = Now();
    const std::string path = folder + "\\floor.bmp";
    WriteWholeFile(path.c_str(), BmpFileBytes(screen.dc, bitmap.handle, area.right - area.left,
                                              area.bottom - area.top));
    const LARGE_INTEGER done = Now();
    DeleteFileA(path.c_str());
    parts.floorCopy.push_back(Milliseconds(start, copied));
    parts.floorFile.push_back(Milliseconds(copied, done));
}

bool MeasureParts(int runs)
{
    const std::wstring work = MakeWorkDir("bench_capture_parts");
    if (work.empty())
        return false;
    const std::string folder = ShiftJis(work);
    const RECT area = VirtualScreenRect();
    CaptureParts parts;
    // The first round only warms up.
    for (int run = -1; run < runs; ++run) {
        CaptureParts warmUp;
        CaptureParts& into = run < 0 ? warmUp : parts;
        TimeDusklidParts(folder, area, into);
        TimeFloorParts(folder, area, into);
    }
    PrintRow("capture part, in one process: the name (search for a free one)", runs,
             Median(parts.name), "ms");
    PrintRow("capture part, in one process: the screen copy (BitBlt)", runs, Median(parts.copy),
             "ms", "the floor's BitBlt", Median(parts.floorCopy));
    PrintRow("capture part, in one process: the file (GetDIBits, write)", runs, Median(parts.file),
             "ms", "the floor's GetDIBits and WriteFile", Median(parts.floorFile));
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    BenchOptions options;
    if (!ReadBenchArguments(argc, argv, "capture_bench", options))
        return 2;
    const int blocks = options.Count(BLOCKS, 1);
    const int runsPerBlock = options.Count(5, 1);

    std::vector<double> dusklidTimes;
    std::vector<double> floorTimes;
    std::vector<double> xwdTimes;
    std::vector<double> blockRatios;
    for (int block = 0; block < blocks; ++block) {
        if (!AlternatingBlock(block, runsPerBlock, dusklidTimes, floorTimes)) {
            std::fprintf(stderr, "capture_bench: a program did not start or wrote no capture\n");
            return 1;
        }
        const double dusklidMedian = MedianOfLast(dusklidTimes, runsPerBlock);
        const double floorMedian = MedianOfLast(floorTimes, runsPerBlock);
        std::fprintf(stderr, "capture_bench: block median %.2f ms, reference's %.2f ms\n",
                     dusklidMedian, floorMedian);
        blockRatios.push_back(dusklidMedian / floorMedian);
        if (!TimeXwd(Config().workRootUnix, runsPerBlock, xwdTimes)) {
            std::fprintf(stderr, "capture_bench: xwd -root failed\n");
            return 1;
        }
    }

    if (!MeasureParts(options.Count(20, 1))) {
        std::fprintf(stderr, "capture_bench: the capture's parts were not measured\n");
        return 1;
    }

    const int runs = blocks * runsPerBlock;
    const double dusklid = Median(dusklidTimes);
    PrintRow("capture: hot key to closed file", runs, dusklid, "ms",
             "reference (BitBlt+GetDIBits+WriteFile)", Median(floorTimes));
    PrintRow("capture: hot key to closed file", runs, dusklid, "ms", "xwd -root", Median(xwdTimes));
    // Paired by block, since each block's starts are what differ most: the
    // figure to hold to a goal.
    PrintRow("capture: each block's Dusklid / reference, median", blocks, Median(blockRatios), "x");
    return 0;
}
