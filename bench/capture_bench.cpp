// capture_bench.exe DUSKLID_EXE WORK_ROOT full|smoke
// A desktop capture through the real hot key, from the key press to the
// closed file, beside the same for the reference program (one BitBlt, one
// GetDIBits, one WriteFile: the platform's floor) on the same hot key, and
// `xwd -root` of the same X screen, timed on the Unix side. Medians of 20,
// taken in turns.
#include "bench_support.h"
#include "toolkit/driver.h"

#include <cstdio>
#include <sstream>

namespace {

// Hot key to closed file, `runs` times, for whichever program holds the key.
bool TimeHotKeyCaptures(const std::wstring& folder, int runs, std::vector<double>& times)
{
    for (int run = 0; run < runs; ++run) {
        const LARGE_INTEGER start = Now();
        SendHotKey(false, true, true, false, 'C');
        const std::wstring captured = WaitForClosedCapture(folder, 10000);
        const LARGE_INTEGER end = Now();
        if (captured.empty())
            return false;
        times.push_back(Milliseconds(start, end));
        DeleteFileW(captured.c_str());
    }
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

// The machine's load drifts (a fresh Wine prefix keeps settling for a while),
// so the three are measured in turns, in blocks, each block after one
// capture that is not counted.
constexpr int BLOCKS = 4;

bool DusklidBlock(int block, int runs, std::vector<double>& times)
{
    const std::wstring work = MakeWorkDirWithPreferences(
        ("bench_capture_" + std::to_string(block)).c_str(),
        PreferenceBytes(0, 0, 0, "", '0', '0', "0", ""));
    DusklidProcess dusklid;
    std::vector<double> warmUp;
    return !work.empty() && StartDusklidAndWait(dusklid, work) &&
           TimeHotKeyCaptures(work, 1, warmUp) && TimeHotKeyCaptures(work, runs, times);
}

bool ReferenceBlock(int block, int runs, std::vector<double>& times)
{
    const std::wstring work =
        MakeWorkDir(("bench_capture_reference_" + std::to_string(block)).c_str());
    ReferenceProcess reference;
    std::vector<double> warmUp;
    return reference.Start(L"capture \"" + work + L"\"") && TimeHotKeyCaptures(work, 1, warmUp) &&
           TimeHotKeyCaptures(work, runs, times);
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
    for (int block = 0; block < blocks; ++block) {
        if (!DusklidBlock(block, runsPerBlock, dusklidTimes)) {
            std::fprintf(stderr, "capture_bench: dusklid.exe did not start or wrote no capture\n");
            return 1;
        }
        if (!ReferenceBlock(block, runsPerBlock, floorTimes)) {
            std::fprintf(stderr, "capture_bench: the reference program wrote no capture\n");
            return 1;
        }
        if (!TimeXwd(Config().workRootUnix, runsPerBlock, xwdTimes)) {
            std::fprintf(stderr, "capture_bench: xwd -root failed\n");
            return 1;
        }
    }

    const int runs = blocks * runsPerBlock;
    const double dusklid = Median(dusklidTimes);
    PrintRow("capture: hot key to closed file", runs, dusklid, "ms",
             "reference (BitBlt+GetDIBits+WriteFile)", Median(floorTimes));
    PrintRow("capture: hot key to closed file", runs, dusklid, "ms", "xwd -root", Median(xwdTimes));
    return 0;
}
