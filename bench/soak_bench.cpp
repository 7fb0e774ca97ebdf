// soak_bench.exe DUSKLID_EXE WORK_ROOT full|smoke
// One running Dusklid through 2,000 show/hide cycles with a stretched
// picture, 500 captures and 200 preference OKs that each load a new picture
// (and so make a new copy stretched to the screen); its GDI
// objects, kernel handles and private memory after a short warm-up and at
// the end. Figures only: growth is for a person to judge.
//
// How each count is taken, since under Wine GetGuiResources and
// GetProcessHandleCount answer 0 and PrivateUsage stays 0:
// - GDI objects: Wine keeps a process's GDI handles in a table whose address
//   is in the process's PEB (GdiSharedHandleTable), laid out as on Windows.
//   The driver reads Dusklid's table with ReadProcessMemory and counts the
//   entries in use, stock objects left out. Exact, and it costs Dusklid
//   nothing (a +gdi debug log slows it down and changes what it caches).
// - Handles: the system handle list (NtQuerySystemInformation), which
//   Wine's server fills with every handle and its owner.
// - Memory: PagefileUsage, which Wine fills from /proc/PID/status of the
//   Unix process as RssAnon plus VmSwap.
// Each way of counting is checked on the driver itself before it is used.
#include "bench_support.h"
#include "toolkit/driver.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {


// Nothing here depends on speed: a deadline only stops a run that hangs.
constexpr DWORD DEADLINE_MS = 20000;

// Unlike the virtual desktop's background, so a painted cover shows.
constexpr COLORREF COVER_PICTURE_COLOR = RGB(200, 30, 160);

struct Counts {
    long gdi = -1;
    long handles = -1;
    long privateKb = -1;
    std::map<int, long> gdiByType;
};

Counts Measure(HANDLE process, const char* when)
{
    Counts counts;
    counts.gdi = CountGdiObjects(process, &counts.gdiByType);
    counts.handles = CountHandles(process);
    counts.privateKb = PrivateKilobytes(process);
    std::string types;
    for (const auto& type : counts.gdiByType)
        types += " " + GdiTypeName(type.first) + " " + std::to_string(type.second) + ";";
    std::fprintf(stderr, "soak: %s: %ld GDI objects (%s ), %ld handles, %ld KiB private\n", when,
                 counts.gdi, types.c_str(), counts.handles, counts.privateKb);
    return counts;
}

// ---- the cycles ------------------------------------------------------------------

// Polls every millisecond: the soak's length is mostly waiting.
bool PollUntil(bool (*condition)(HWND), HWND window)
{
    const DWORD start = GetTickCount();
    while (!condition(window)) {
        if (GetTickCount() - start >= DEADLINE_MS)
            return false;
        Sleep(1);
    }
    return true;
}

bool Shown(HWND cover)
{
    return IsWindowVisible(cover) != FALSE;
}

bool Hidden(HWND cover)
{
    return IsWindowVisible(cover) == FALSE;
}

bool PictureOnScreen(HWND)
{
    const POINT centre = ScreenCentre();
    return ScreenPixel(centre.x, centre.y) == COVER_PICTURE_COLOR;
}

bool PictureGone(HWND)
{
    return !PictureOnScreen(nullptr);
}

// Shows the cover, waits until its picture is on the screen, so that the
// paint with a picture has run, and hides it as two held buttons do: both
// presses start the release timer, whose tick is posted here at once.
bool ShowAndHide(HWND cover)
{
    PostMessageW(cover, WM_COMMAND, IDM_COVER, 0);
    if (!PollUntil(Shown, cover) || !PollUntil(PictureOnScreen, cover)) {
        std::fprintf(stderr, "soak: the cover did not show its picture\n");
        return false;
    }
    PostMessageW(cover, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageW(cover, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 0);
    PostMessageW(cover, WM_TIMER, RELEASE_TIMER_ID, 0);
    // The screen must lose the picture too, or the next showing could be
    // taken as painted before it is.
    if (!PollUntil(Hidden, cover) || !PollUntil(PictureGone, cover)) {
        std::fprintf(stderr, "soak: the cover did not hide\n");
        return false;
    }
    return true;
}

bool Capture(HWND cover, const std::wstring& folder)
{
    PostMessageW(cover, WM_COMMAND, IDM_CAPTURE, 0);
    const std::wstring path = WaitForClosedCapture(folder, DEADLINE_MS);
    if (path.empty()) {
        std::fprintf(stderr, "soak: no capture appeared\n");
        return false;
    }
    DeleteFileW(path.c_str());
    return true;
}

bool Closed(HWND dialog)
{
    return IsWindow(dialog) == FALSE;
}

// Opens the preferences, ticks the picture with `picture` in its field and
// presses OK, which writes the file and loads the picture.
bool PreferencesOk(HWND cover, DWORD processId, const std::wstring& picture)
{
    PostMessageW(cover, WM_COMMAND, IDM_PREFERENCES, 0);
    HWND dialog = WaitForWindowTitled(processId, L"環境設定", DEADLINE_MS);
    if (dialog == nullptr) {
        std::fprintf(stderr, "soak: the preferences dialog did not open\n");
        return false;
    }
    if (!IsChecked(dialog, IDC_SHOW_PICTURE)) {
        ClickButton(dialog, IDC_SHOW_PICTURE);
        if (!WaitUntil([&] { return IsChecked(dialog, IDC_SHOW_PICTURE); }, DEADLINE_MS)) {
            std::fprintf(stderr, "soak: the picture box did not tick\n");
            return false;
        }
    }
    SetItemText(dialog, IDC_PICTURE_PATH, picture);
    ClickButton(dialog, IDC_OK);
    // A refused OK leaves the dialog open behind its message box.
    if (!PollUntil(Closed, dialog)) {
        std::fprintf(stderr, "soak: OK did not close the preferences dialog\n");
        return false;
    }
    return true;
}

struct Rounds {
    int showHide;
    int captures;
    int preferenceOks;
};

bool RunRounds(HWND cover, const DusklidProcess& dusklid, const std::wstring& folder,
               const std::wstring (&pictures)[2], const Rounds& rounds)
{
    for (int i = 0; i < rounds.showHide; ++i)
        if (!ShowAndHide(cover))
            return false;
    Measure(dusklid.info.hProcess, "after the show/hide cycles");
    for (int i = 0; i < rounds.captures; ++i)
        if (!Capture(cover, folder))
            return false;
    Measure(dusklid.info.hProcess, "after the captures");
    // Alternating, so that each OK loads a picture other than the one shown,
    // and ending on the first, whose colour the show/hide cycles wait for.
    for (int i = 0; i < rounds.preferenceOks; ++i) {
        const std::wstring& picture = pictures[(rounds.preferenceOks - 1 - i) % 2];
        if (!PreferencesOk(cover, dusklid.info.dwProcessId, picture))
            return false;
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    BenchOptions options;
    if (!ReadBenchArguments(argc, argv, "soak_bench", options))
        return 2;
    const Rounds rounds = {options.Count(2000, 5), options.Count(500, 3), options.Count(200, 4)};
    // Caches that fill once (fonts, the decoders' libraries, the dialog's
    // controls) are full before the first count.
    const Rounds warmUp = {5, 2, 2};

    if (!CountingWorks())
        return 1;

    // Picture 0 is the cover's at start and after every even number of OKs.
    // Stretched, so that every OK frees one screen-sized copy and makes another.
    const std::wstring pictures[2] = {
        MakePicture("soak_cover.bmp", "-size 240x180 xc:'rgb(200,30,160)'"),
        MakePicture("soak_other.jpg", "-size 320x200 xc:'rgb(40,160,90)'")};
    if (pictures[0].empty() || pictures[1].empty()) {
        std::fprintf(stderr, "soak: convert made no pictures\n");
        return 1;
    }
    const std::wstring work = MakeWorkDirWithPreferences(
        "bench_soak",
        PreferenceBytes(PreferenceFields().Picture(ShiftJis(pictures[0])).Corner('0').Delay("0")));
    DusklidProcess dusklid;
    if (work.empty() || !StartDusklidAndWait(dusklid, work)) {
        std::fprintf(stderr, "soak: dusklid.exe did not start\n");
        return 1;
    }
    HWND cover = FindCoverWindow();
    const LARGE_INTEGER started = Now();
    Measure(dusklid.info.hProcess, "after start-up");
    if (!RunRounds(cover, dusklid, work, pictures, warmUp)) {
        std::fprintf(stderr, "soak: the warm-up failed\n");
        return 1;
    }
    const Counts start = Measure(dusklid.info.hProcess, "after the warm-up");
    if (!RunRounds(cover, dusklid, work, pictures, rounds)) {
        std::fprintf(stderr, "soak: a cycle failed\n");
        return 1;
    }
    const Counts end = Measure(dusklid.info.hProcess, "at the end");
    std::fprintf(stderr, "soak: %.0f s in all\n", Milliseconds(started, Now()) / 1000.0);
    if (start.gdi < 0 || end.gdi < 0 || start.handles < 0 || end.handles < 0 ||
        start.privateKb < 0 || end.privateKb < 0) {
        std::fprintf(stderr, "soak: a count could not be taken\n");
        return 1;
    }

    const std::string cycles = std::to_string(rounds.showHide) + " show/hide, " +
                               std::to_string(rounds.captures) + " captures, " +
                               std::to_string(rounds.preferenceOks) + " OK cycles";
    const int runs = rounds.showHide + rounds.captures + rounds.preferenceOks;
    const char* atStart = "at the start (after warm-up)";
    PrintRow("soak: GDI objects (Wine's GDI handle table) after " + cycles, runs,
             static_cast<double>(end.gdi), "objects", atStart, static_cast<double>(start.gdi));
    PrintRow("soak: handles (system handle list) after " + cycles, runs,
             static_cast<double>(end.handles), "handles", atStart,
             static_cast<double>(start.handles));
    PrintRow("soak: private memory (Wine PagefileUsage = RssAnon+VmSwap) after " + cycles, runs,
             static_cast<double>(end.privateKb), "KiB", atStart,
             static_cast<double>(start.privateKb));
    return 0;
}
