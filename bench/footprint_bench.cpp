// footprint_bench.exe DUSKLID_EXE WORK_ROOT full|smoke [start-up K N | at-rest]
// What Dusklid costs just by running, beside the smallest program with one
// window (bench_reference.exe window), both started and measured the same
// way from outside:
//   start-up     CreateProcess to the window (Dusklid: and the shell knowing
//                its tray icon), polled every millisecond; 90 turns, or
//                with "start-up K N" block K of N of them (see below)
//   idle CPU     share of one core over 32 rounds of 5 s of idling, each
//                with fresh programs: Dusklid with its hot-corner timer
//                running and the pointer in the middle, beside a reference
//                that polls the pointer the same way, the two compared over
//                the middle half of the rounds by their ratio
//   memory       private bytes once started and settled; Dusklid also with
//                a 1920x1080 picture loaded, centred and stretched
// "at-rest" measures only the idle CPU and the memory.
// Under Wine, GetProcessTimes cannot see another process's CPU time, so that
// comes from the Linux side: the scheduler's nanosecond run time of each of
// the process's threads in /proc/PID/task/*/schedstat.
#include "bench_support.h"
#include "toolkit/driver.h"

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {

constexpr DWORD START_LIMIT_MS = 20000;

// How a program is started, recognised as started, and asked to end.
struct Program {
    const char* name;
    std::wstring exe;
    std::wstring arguments;
    const wchar_t* windowClass;
    bool trayIcon;        // started only once the shell knows its icon too
    WPARAM exitCommand;   // sent as WM_COMMAND; 0 means WM_CLOSE
};

// A program started here; ended again when this goes (its own way first,
// then by force), so that no copy outlives a failed measurement.
struct Child {
    PROCESS_INFORMATION info = {};
    HWND window = nullptr;
    WPARAM exitCommand = 0;
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();
};

void End(Child& child)
{
    if (child.info.hProcess == nullptr)
        return;
    bool ended = false;
    if (child.window != nullptr) {
        PostMessageW(child.window, child.exitCommand ? WM_COMMAND : WM_CLOSE, child.exitCommand, 0);
        ended = WaitForSingleObject(child.info.hProcess, 10000) == WAIT_OBJECT_0;
    }
    if (!ended) {
        TerminateProcess(child.info.hProcess, 1);
        WaitForSingleObject(child.info.hProcess, 5000);
    }
    CloseHandle(child.info.hThread);
    CloseHandle(child.info.hProcess);
    child.info = {};
    child.window = nullptr;
}

Child::~Child()
{
    End(*this);
}

Program Dusklid()
{
    return {"dusklid.exe", Config().dusklidExe, L"", COVER_CLASS_NAME_W, true, IDM_EXIT};
}

Program Reference()
{
    return {"bench_reference.exe", ReferenceExe(), L"window", REFERENCE_CLASS_W, false, 0};
}

// The reference that polls as a hot corner must: a 100 ms timer that reads
// the pointer at each tick, and nothing else.
Program PollingReference()
{
    return {"bench_reference.exe", ReferenceExe(), L"poll", REFERENCE_CLASS_W, false, 0};
}

// The window of `windowClass` that belongs to `processId`, if any; a copy
// that is still going away may own another one.
HWND WindowOf(const wchar_t* windowClass, DWORD processId)
{
    for (HWND window = FindWindowExW(nullptr, nullptr, windowClass, nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, windowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}

// The shell agrees to change nothing about an icon only when it knows it.
bool ShellKnowsTrayIcon(HWND window)
{
    NOTIFYICONDATAW probe = {};
    probe.cbSize = NOTIFYICONDATAW_V1_SIZE;
    probe.hWnd = window;
    probe.uID = TRAY_ICON_ID;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// Starts `program` in `folder` and waits until it is up; `startUpMs`, when
// given, gets the time from just before CreateProcess to then. WaitUntil's
// 20 ms steps would be most of a start-up, hence the own 1 ms loop.
bool Launch(const Program& program, const std::wstring& folder, Child& child,
            double* startUpMs = nullptr)
{
    std::wstring commandLine = L"\"" + program.exe + L"\"";
    if (!program.arguments.empty())
        commandLine += L" " + program.arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    child.exitCommand = program.exitCommand;

    // A rare second try of the start (see CreateProcessRetrying) counts in its
    // sample; the median shrugs it off.
    const LARGE_INTEGER start = Now();
    if (!CreateProcessRetrying(program.exe, commandLine, folder.c_str(), startup, child.info)) {
        std::fprintf(stderr, "footprint_bench: cannot start %s: error %lu\n", program.name,
                     GetLastError());
        return false;
    }

    const DWORD begun = GetTickCount();
    for (;;) {
        if (child.window == nullptr)
            child.window = WindowOf(program.windowClass, child.info.dwProcessId);
        if (child.window != nullptr && (!program.trayIcon || ShellKnowsTrayIcon(child.window)))
            break;
        if (WaitForSingleObject(child.info.hProcess, 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "footprint_bench: %s ended while starting\n", program.name);
            return false;
        }
        if (GetTickCount() - begun > START_LIMIT_MS) {
            std::fprintf(stderr, "footprint_bench: %s showed no %s within %lu ms\n", program.name,
                         child.window ? "tray icon" : "window", START_LIMIT_MS);
            return false;
        }
        Sleep(1);
    }
    const LARGE_INTEGER up = Now();
    if (startUpMs != nullptr)
        *startUpMs = Milliseconds(start, up);
    return true;
}

// Started and settled: start-up's own work done, so that what is measured
// next is the program at rest.
bool LaunchAndSettle(const Program& program, const std::wstring& folder, Child& child,
                     DWORD settleMs)
{
    if (!Launch(program, folder, child))
        return false;
    WaitForInputIdle(child.info.hProcess, 5000);
    Sleep(settleMs);
    return true;
}

std::string UnixFolder(const char* name)
{
    return Config().workRootUnix + "/" + name;
}

// The Linux process that Wine runs a program as. Wine keeps each process in
// the Unix folder of its current directory, and every program here starts in
// a folder of its own, so the folder picks out the one process; 0 if not
// exactly one does.
long UnixProcessIn(const std::string& folder, const char* exeName)
{
    std::string output;
    RunUnixCommandOutput("d=$(readlink -f '" + folder + "'); for p in $(pgrep -f " + exeName +
                             "); do readlink /proc/$p/cwd 2>/dev/null | grep -qxF $d && echo $p; done",
                         output);
    std::istringstream lines(output);
    long pid = 0;
    long extra = 0;
    if (!(lines >> pid) || lines >> extra) {
        std::fprintf(stderr, "footprint_bench: no single Linux process of %s in %s: \"%s\"\n",
                     exeName, folder.c_str(), output.c_str());
        return 0;
    }
    return pid;
}

// This prefix's wineserver, which does part of every Wine program's work
// (timers included); 0 when it cannot be told apart from other prefixes'.
long UnixWineServer()
{
    std::string output;
    RunUnixCommandOutput("for p in $(pgrep wineserver); do grep -qzx WINEPREFIX=$WINEPREFIX "
                         "/proc/$p/environ 2>/dev/null && echo $p; done",
                         output);
    std::istringstream lines(output);
    long pid = 0;
    long extra = 0;
    return (lines >> pid) && !(lines >> extra) ? pid : 0;
}

// CPU time used so far by Linux process `pid`, in ms: the sum of its threads'
// scheduler run times (nanoseconds; the 10 ms ticks of /proc/PID/stat would
// be three ticks a minute at the goal), and beside it those ticks, which also
// count threads that have ended, as a check.
struct CpuTime {
    double ms = -1;
    double tickMs = -1;
};

CpuTime UnixCpuTime(long pid)
{
    CpuTime time;
    if (pid == 0)
        return time;
    const std::string p = std::to_string(pid);
    std::string output;
    RunUnixCommandOutput("echo $(cat /proc/" + p + "/task/*/schedstat | awk '{s += $1} END "
                         "{print int(s / 1000)}') $(sed 's/.*) //' /proc/" + p +
                         "/stat | cut -d' ' -f12,13) $(getconf CLK_TCK)",
                         output);
    long long microseconds = 0, user = 0, system = 0, hertz = 0;
    if (std::sscanf(output.c_str(), "%lld %lld %lld %lld", &microseconds, &user, &system,
                    &hertz) == 4 && hertz > 0) {
        time.ms = static_cast<double>(microseconds) / 1000.0;
        time.tickMs = static_cast<double>(user + system) * 1000.0 / static_cast<double>(hertz);
    }
    return time;
}

// Private bytes in KiB. Windows counts the commit charge twice, as
// PrivateUsage and as PagefileUsage; Wine fills only the second (from Linux
// RssAnon + VmSwap), so whichever is set.
double PrivateKiB(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return -1;
    const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<double>(bytes) / 1024.0;
}

// The Linux view of the same memory, for the log: what is resident and
// private, file-backed or not.
void LogUnixMemory(const char* what, long pid)
{
    if (pid == 0)
        return;
    const std::string p = std::to_string(pid);
    std::string output;
    RunUnixCommandOutput("echo $(grep -E '^(RssAnon|RssFile|RssShmem|VmSwap):' /proc/" + p +
                         "/status; grep -E '^Private_(Clean|Dirty):' /proc/" + p +
                         "/smaps_rollup)",
                         output);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
        output.pop_back();
    std::fprintf(stderr, "footprint_bench: %s, Linux: %s\n", what, output.c_str());
}

// ---- the figures ----------------------------------------------------------

// Wine's shell gets slower with every tray icon it has added and removed: a
// bare window with an icon went from 1.11 to 1.19 times the one-window
// program over 150 turns in one session. A user's shell sees a few icons a
// day, so scripts/bench takes the start-ups in blocks, each in a fresh Wine
// session. Each block adds its turns to this file; the last prints the rows
// over all of them.
std::wstring StartUpTurnsPath()
{
    return UnixToWindowsPath(Config().workRootUnix) + L"\\footprint_startup_turns.txt";
}

bool RecordStartUpTurns(const std::vector<double>& dusklidTimes,
                        const std::vector<double>& referenceTimes, bool firstBlock)
{
    FILE* file = _wfopen(StartUpTurnsPath().c_str(), firstBlock ? L"w" : L"a");
    if (file == nullptr)
        return false;
    for (size_t i = 0; i < dusklidTimes.size(); ++i)
        std::fprintf(file, "%.3f %.3f\n", dusklidTimes[i], referenceTimes[i]);
    return std::fclose(file) == 0;
}

bool ReadStartUpTurns(std::vector<double>& dusklidTimes, std::vector<double>& referenceTimes)
{
    FILE* file = _wfopen(StartUpTurnsPath().c_str(), L"r");
    if (file == nullptr)
        return false;
    double dusklidMs = 0, referenceMs = 0;
    while (std::fscanf(file, "%lf %lf", &dusklidMs, &referenceMs) == 2) {
        dusklidTimes.push_back(dusklidMs);
        referenceTimes.push_back(referenceMs);
    }
    std::fclose(file);
    return !dusklidTimes.empty();
}

// Start-ups of both programs in turn, so that the machine's other load falls
// on both alike; one untimed start of each first fills the file caches.
// This is block `block` of `blocks`.
bool MeasureStartUp(int runs, int block, int blocks)
{
    const std::wstring dusklidFolder = MakeWorkDirWithPreferences(
        "footprint_startup", PreferenceBytes(PreferenceFields().Corner('0').Delay("0")));
    const std::wstring referenceFolder = MakeWorkDir("footprint_startup_reference");
    if (dusklidFolder.empty())
        return false;
    // A first block that fails must not leave the next ones an older run's turns.
    if (block == 1)
        DeleteFileW(StartUpTurnsPath().c_str());
    std::vector<double> dusklidTimes, referenceTimes;
    for (int run = -1; run < runs; ++run) {
        double dusklidMs = 0, referenceMs = 0;
        // Either goes first every other turn: what one leaves behind as it
        // ends (the shell taking its tray icon away) falls on both alike.
        for (int turn = 0; turn < 2; ++turn) {
            const bool dusklidNow = (turn == 0) == (run % 2 == 0);
            Child child;
            if (!Launch(dusklidNow ? Dusklid() : Reference(),
                        dusklidNow ? dusklidFolder : referenceFolder, child,
                        dusklidNow ? &dusklidMs : &referenceMs))
                return false;
        }
        if (run >= 0) {
            dusklidTimes.push_back(dusklidMs);
            referenceTimes.push_back(referenceMs);
            std::fprintf(stderr,
                         "footprint_bench: start-up block %d turn %d: Dusklid %.2f ms, "
                         "reference %.2f ms\n",
                         block, run + 1, dusklidMs, referenceMs);
        }
    }
    if (!RecordStartUpTurns(dusklidTimes, referenceTimes, block == 1)) {
        std::fprintf(stderr, "footprint_bench: cannot keep the start-up turns\n");
        return false;
    }
    if (block < blocks)
        return true;

    dusklidTimes.clear();
    referenceTimes.clear();
    if (!ReadStartUpTurns(dusklidTimes, referenceTimes))
        return false;
    std::vector<double> turnRatios;
    for (size_t i = 0; i < dusklidTimes.size(); ++i)
        turnRatios.push_back(dusklidTimes[i] / referenceTimes[i]);
    const int allRuns = static_cast<int>(dusklidTimes.size());
    PrintRow("start-up: process creation to window (and tray icon)", allRuns,
             Median(dusklidTimes), "ms", "reference (one window)", Median(referenceTimes));
    // The two starts of a turn follow each other within a second, so their
    // ratio leaves out how the machine's speed drifts over the minutes the
    // turns take; the median of those ratios is the figure to hold to a goal.
    PrintRow("start-up: each turn's Dusklid / reference, median", allRuns, Median(turnRatios),
             "x");
    return true;
}

// CPU milliseconds one idling program used in each round.
struct IdleProgram {
    const char* name;
    std::vector<double> ms;
};

// One round: the three programs started afresh and idling side by side over
// the same `seconds`: Dusklid with its hot corner on, the reference that
// only polls the pointer as the hot corner must, and the one-window
// reference. Appends each one's CPU milliseconds to `programs` (the
// server's 0 when it is not found) and the round's length to `wallMs`.
bool IdleRound(int round, int seconds, IdleProgram (&programs)[4], std::vector<double>& wallMs)
{
    const std::string suffix = "_" + std::to_string(round);
    const std::string folders[] = {"footprint_idle" + suffix, "footprint_idle_polling" + suffix,
                                   "footprint_idle_reference" + suffix};
    const std::wstring dusklidFolder = MakeWorkDirWithPreferences(
        folders[0].c_str(), PreferenceBytes(PreferenceFields()));
    const std::wstring pollingFolder = MakeWorkDir(folders[1].c_str());
    const std::wstring referenceFolder = MakeWorkDir(folders[2].c_str());
    const POINT centre = ScreenCentre();
    if (dusklidFolder.empty() || !MovePointer(centre.x, centre.y))
        return false;

    // The two pollers take turns at starting first, so that neither always
    // has the other's start-up work on top of its own first ticks.
    Child dusklid, polling, reference;
    const auto startPoller = [&](bool isDusklid) {
        return isDusklid ? LaunchAndSettle(Dusklid(), dusklidFolder, dusklid, 0)
                         : LaunchAndSettle(PollingReference(), pollingFolder, polling, 0);
    };
    const bool dusklidFirst = round % 2 == 0;
    if (!startPoller(dusklidFirst) || !startPoller(!dusklidFirst) ||
        !LaunchAndSettle(Reference(), referenceFolder, reference, 2000))
        return false;
    const long pids[] = {UnixProcessIn(UnixFolder(folders[0].c_str()), "dusklid.exe"),
                         UnixProcessIn(UnixFolder(folders[1].c_str()), "bench_reference.exe"),
                         UnixProcessIn(UnixFolder(folders[2].c_str()), "bench_reference.exe"),
                         UnixWineServer()};
    CpuTime before[4], after[4];
    for (int i = 0; i < 4; ++i)
        before[i] = UnixCpuTime(pids[i]);
    const LARGE_INTEGER start = Now();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const LARGE_INTEGER end = Now();
    for (int i = 0; i < 4; ++i)
        after[i] = UnixCpuTime(pids[i]);
    // The three programs must be measured; the server is logged when it is.
    for (int i = 0; i < 3; ++i)
        if (before[i].ms < 0 || after[i].ms < 0) {
            std::fprintf(stderr, "footprint_bench: cannot read CPU times from /proc\n");
            return false;
        }
    const double roundMs = Milliseconds(start, end);
    wallMs.push_back(roundMs);
    for (int i = 0; i < 4; ++i) {
        const bool measured = before[i].ms >= 0 && after[i].ms >= 0;
        const double used = measured ? after[i].ms - before[i].ms : 0;
        programs[i].ms.push_back(used);
        if (!measured)
            continue;
        std::fprintf(stderr,
                     "footprint_bench: idle round %d, %.0f ms: %s %.3f ms (%.4f%%; "
                     "/proc/PID/stat ticks %.0f ms)\n",
                     round + 1, roundMs, programs[i].name, used, 100.0 * used / roundMs,
                     after[i].tickMs - before[i].tickMs);
    }
    return true;
}

// Shares of a core (percent) of `a` and `b`: with `middleHalf`, over the
// middle half of the rounds ranked by the ratio of a's CPU to b's; else
// over all rounds.
void IdleShares(const IdleProgram& a, const IdleProgram& b, const std::vector<double>& wallMs,
                bool middleHalf, double& shareA, double& shareB)
{
    std::vector<size_t> order(wallMs.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    // Compared by cross products, as a round may see b use nothing.
    std::sort(order.begin(), order.end(),
              [&](size_t x, size_t y) { return a.ms[x] * b.ms[y] < a.ms[y] * b.ms[x]; });
    const size_t skip = middleHalf ? order.size() / 4 : 0;
    double usedA = 0, usedB = 0, wall = 0;
    for (size_t k = skip; k < order.size() - skip; ++k) {
        usedA += a.ms[order[k]];
        usedB += b.ms[order[k]];
        wall += wallMs[order[k]];
    }
    shareA = 100.0 * usedA / wall;
    shareB = 100.0 * usedB / wall;
}

// Idle CPU over `rounds` of fresh programs, so that one start's luck (which
// core, which moment of the server's work a timer falls on) weighs on no
// figure alone. Pinning both pollers, or them and the server, to one core
// made single rounds vary more, not less. Now and then a round catches a
// burst of other work on one poller only (single rounds' ratios ran from
// 0.64 to 1.60), so the two pollers are compared over the middle half of
// the rounds by their ratio; the figure over all rounds is logged too.
bool MeasureIdleCpu(int rounds, int seconds)
{
    IdleProgram programs[4] = {{"dusklid.exe", {}}, {"polling reference", {}},
                               {"one-window reference", {}}, {"wineserver", {}}};
    std::vector<double> wallMs;
    for (int round = 0; round < rounds; ++round)
        if (!IdleRound(round, seconds, programs, wallMs))
            return false;
    double dusklid = 0, polling = 0;
    IdleShares(programs[0], programs[1], wallMs, false, dusklid, polling);
    std::fprintf(stderr, "footprint_bench: idle over all %d rounds: dusklid.exe %.4f%%, "
                 "polling reference %.4f%%, ratio %.3f\n", rounds, dusklid, polling,
                 dusklid / polling);
    IdleShares(programs[0], programs[1], wallMs, true, dusklid, polling);
    PrintRow("idle CPU, hot-corner timer running", rounds * seconds, dusklid, "% of a core",
             "reference (100 ms timer reading the pointer), middle half of the rounds", polling);
    double reference = 0;
    IdleShares(programs[0], programs[2], wallMs, false, dusklid, reference);
    PrintRow("idle CPU, hot-corner timer running", rounds * seconds, dusklid, "% of a core",
             "reference (one window)", reference);
    return true;
}

// Private bytes of a freshly started and settled copy, median of `runs`.
bool MedianPrivateKiB(const Program& program, const char* folderName, int runs, double& kib)
{
    const std::wstring folder = MakeWorkDir(folderName);
    std::vector<double> values;
    for (int run = 0; run < runs; ++run) {
        Child child;
        if (!LaunchAndSettle(program, folder, child, 2000))
            return false;
        // A picture that failed to load shows a message box instead.
        if (FindVisibleWindow(DIALOG_CLASS, child.info.dwProcessId) != nullptr) {
            std::fprintf(stderr, "footprint_bench: %s in %s shows a message box\n", program.name,
                         folderName);
            return false;
        }
        const double value = PrivateKiB(child.info.hProcess);
        if (value <= 0) {
            std::fprintf(stderr, "footprint_bench: no private bytes for %s\n", program.name);
            return false;
        }
        values.push_back(value);
        if (run == 0) {
            std::fprintf(stderr, "footprint_bench: %s in %s, private bytes %.0f KiB\n",
                         program.name, folderName, value);
            LogUnixMemory(folderName, UnixProcessIn(UnixFolder(folderName), program.name));
        }
    }
    kib = Median(values);
    return true;
}

bool MeasureMemory(int runs)
{
    const std::wstring picture =
        MakePicture("footprint_1920x1080.jpg", "-size 1920x1080 gradient:red-blue");
    PreferenceFields fields = PreferenceFields().Corner('0').Delay("0");
    const std::string withoutPicture = PreferenceBytes(fields);
    fields.picture = ShiftJis(picture);
    const std::string pictureStretched = PreferenceBytes(fields);
    fields.stretch = '0';
    const std::string pictureCentred = PreferenceBytes(fields);
    if (picture.empty() || MakeWorkDirWithPreferences("footprint_memory", withoutPicture).empty() ||
        MakeWorkDirWithPreferences("footprint_memory_picture", pictureCentred).empty() ||
        MakeWorkDirWithPreferences("footprint_memory_stretched", pictureStretched).empty())
        return false;

    double dusklid = 0, withPicture = 0, stretched = 0, reference = 0;
    if (!MedianPrivateKiB(Dusklid(), "footprint_memory", runs, dusklid) ||
        !MedianPrivateKiB(Dusklid(), "footprint_memory_picture", runs, withPicture) ||
        !MedianPrivateKiB(Dusklid(), "footprint_memory_stretched", runs, stretched) ||
        !MedianPrivateKiB(Reference(), "footprint_memory_reference", runs, reference))
        return false;
    PrintRow("private memory, idle, no picture", runs, dusklid, "KiB", "reference (one window)",
             reference);
    PrintRow("private memory, 1920x1080 picture loaded", runs, withPicture, "KiB",
             "Dusklid without a picture", dusklid);
    // The difference is the copy stretched to the screen, made at start-up.
    PrintRow("private memory, the same picture stretched", runs, stretched, "KiB",
             "the same picture centred", withPicture);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    BenchOptions options;
    if (!ReadBenchArguments(argc, argv, "footprint_bench", options))
        return 2;
    // One copy at a time: a copy left from elsewhere would make every start
    // here end at once.
    if (FindWindowW(COVER_CLASS_NAME_W, nullptr) != nullptr) {
        std::fprintf(stderr, "footprint_bench: dusklid.exe is already running\n");
        return 1;
    }

    // "start-up K N": only block K of N of the start-ups; "at-rest": only
    // what follows them. Neither: everything, the start-ups as one block.
    const bool startUpOnly = argc == 7 && lstrcmpW(argv[4], L"start-up") == 0;
    const bool atRestOnly = argc == 5 && lstrcmpW(argv[4], L"at-rest") == 0;
    const int block = startUpOnly ? _wtoi(argv[5]) : 1;
    const int blocks = startUpOnly ? _wtoi(argv[6]) : 1;
    if ((argc > 4 && !startUpOnly && !atRestOnly) || block < 1 || block > blocks) {
        std::fprintf(stderr, "usage: footprint_bench DUSKLID_EXE WORK_ROOT full|smoke "
                             "[start-up K N | at-rest]\n");
        return 2;
    }

    int status = 0;
    if (!atRestOnly && !MeasureStartUp(options.Count(90 / blocks, 1), block, blocks)) {
        std::fprintf(stderr, "footprint_bench: start-up not measured\n");
        status = 1;
    }
    if (startUpOnly)
        return status;
    if (!MeasureIdleCpu(options.Count(32, 1), options.Count(5, 2))) {
        std::fprintf(stderr, "footprint_bench: idle CPU not measured\n");
        status = 1;
    }
    if (!MeasureMemory(options.Count(3, 1))) {
        std::fprintf(stderr, "footprint_bench: private memory not measured\n");
        status = 1;
    }
    return status;
}
