// cover_bench.exe DUSKLID_EXE WORK_ROOT full|smoke
// How fast the cover arrives and how fast a drag repaints it:
//   - from the real hot key (SendInput) to the screen's centre pixel showing
//     the cover, without a picture, with a centred 640x480 JPEG and with a
//     stretched 3840x2160 JPEG, beside the reference program's black topmost
//     popup on the same hot key (medians of 50, taken in blocks of 10 in
//     turn with the reference, each block after one untimed first showing);
//   - one repaint step of a drag of an unstretched 1920x1080 picture: the
//     time the program's mouse-move handler takes, which redraws the whole
//     cover with the picture at its new place (median of 200 steps).
// Between runs the cover is hidden with the program's own release path (both
// buttons down, then the release timer's tick) instead of holding the
// buttons for two seconds.
#include "bench_support.h"
#include "toolkit/driver.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The driver's window under the centre: what the screen shows there while
// nothing covers it. No run starts until it is back.
constexpr COLORREF DESKTOP = RGB(0, 128, 0);
// The cover and the two pictures, each of one colour, and the reference's
// black popup: the centre pixel tells which is up.
constexpr COLORREF COVER = RGB(40, 80, 160);
constexpr COLORREF CENTRED_PICTURE = RGB(255, 128, 0);
constexpr COLORREF STRETCHED_PICTURE = RGB(32, 192, 64);
constexpr COLORREF REFERENCE_POPUP = RGB(0, 0, 0);
// A solid JPEG decodes a level or two off its colour.
constexpr int TOLERANCE = 8;

constexpr DWORD SHOW_TIMEOUT_MS = 10000;
// Keeps consecutive hot keys apart as separate presses, and lets the screen
// settle after a hide.
constexpr DWORD PAUSE_BETWEEN_RUNS_MS = 100;


bool CentreShows(COLORREF colour)
{
    const POINT centre = ScreenCentre();
    return Near(ScreenPixel(centre.x, centre.y), colour, TOLERANCE);
}

RECT CentreArea()
{
    const POINT centre = ScreenCentre();
    return RECT{centre.x - 50, centre.y - 50, centre.x + 50, centre.y + 50};
}

// Hides the cover the way the two-button release does once its delay is
// over: both presses start the release timer, the posted tick ends it.
void HideCover(HWND cover)
{
    PostMessageW(cover, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageW(cover, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 0);
    PostMessageW(cover, WM_TIMER, RELEASE_TIMER_ID, 0);
}

// The showings of one case, gathered over every block of runs.
struct Showings {
    const char* figure;
    const char* workName;    // empty for the reference program
    std::wstring picture;    // empty: none
    char stretch;
    COLORREF shown;          // what the centre shows once it is up
    std::vector<double> times;
    std::vector<double> firstTimes;  // the first after each start
    int reads = 0;           // pixel reads while waiting
    int flashes = 0;         // showings that passed through another colour
    COLORREF flash = CLR_INVALID;
    bool failed = false;
};

// Hot key to `shown` at the centre, in milliseconds; negative on a timeout.
// The driver keeps dispatching its own messages meanwhile, so that an
// activation change the shown window sends it is answered at once.
double TimeHotKeyToCentre(Showings& showings, HWND background)
{
    SetForegroundWindow(background);
    PumpMessages();
    const POINT centre = ScreenCentre();
    bool flashed = false;
    const LARGE_INTEGER start = Now();
    SendHotKey(false, true, true, false, 'H');
    for (;;) {
        PumpMessages();
        const COLORREF pixel = ScreenPixel(centre.x, centre.y);
        const LARGE_INTEGER end = Now();
        ++showings.reads;
        if (Near(pixel, showings.shown, TOLERANCE)) {
            showings.flashes += flashed ? 1 : 0;
            return Milliseconds(start, end);
        }
        if (pixel != DESKTOP) {
            flashed = true;
            showings.flash = pixel;
        }
        if (Milliseconds(start, end) > SHOW_TIMEOUT_MS)
            return -1;
    }
}

// `runs` showings by whichever program holds the hot key; each is hidden
// again with `hide` and waited for until `window` is hidden and the centre
// shows the driver's window. False when a showing or a hide never came.
bool TimeShowings(int runs, Showings& showings, HWND window, const std::function<void()>& hide,
                  HWND background)
{
    // The first showing after a start also creates the window's surface on
    // the X side; it is timed apart, as a start-up cost.
    for (int run = -1; run < runs; ++run) {
        if (!WaitUntil([] { return CentreShows(DESKTOP); }, 5000)) {
            std::fprintf(stderr, "cover_bench: the centre does not show the driver's window\n");
            return false;
        }
        Sleep(PAUSE_BETWEEN_RUNS_MS);
        const double elapsed = TimeHotKeyToCentre(showings, background);
        if (elapsed < 0) {
            const POINT centre = ScreenCentre();
            std::fprintf(stderr, "cover_bench: %s: nothing showed at the centre (it shows %06lx)\n",
                         showings.figure,
                         static_cast<unsigned long>(ScreenPixel(centre.x, centre.y)));
            return false;
        }
        (run < 0 ? showings.firstTimes : showings.times).push_back(elapsed);
        hide();
        if (!WaitUntil([&] { return !IsWindowVisible(window) && CentreShows(DESKTOP); }, 5000)) {
            std::fprintf(stderr, "cover_bench: %s: the window did not go away\n", showings.figure);
            return false;
        }
    }
    return true;
}

bool TimeReference(int runs, Showings& showings, HWND background)
{
    ReferenceProcess reference;
    if (!reference.Start(L"popup")) {
        std::fprintf(stderr, "cover_bench: the reference program did not start\n");
        return false;
    }
    // The popup is made after the window the start waits for.
    HWND popup = nullptr;
    WaitUntil([&] { return (popup = FindWindowW(REFERENCE_POPUP_CLASS, nullptr)) != nullptr; },
              5000);
    if (popup == nullptr) {
        std::fprintf(stderr, "cover_bench: the reference program has no popup\n");
        return false;
    }
    HWND control = reference.window;
    return TimeShowings(runs, showings, popup,
                        [control] { PostMessageW(control, REFERENCE_HIDE, 0, 0); }, background);
}

// A working folder whose preferences show `picture` (a Windows path, or
// empty for none) on the bench's background colour, hot corner off.
std::wstring WorkDirShowing(const char* name, const std::wstring& picture, char stretch)
{
    return MakeWorkDirWithPreferences(
        name, PreferenceBytes(GetRValue(COVER), GetGValue(COVER), GetBValue(COVER), ShiftJis(picture), stretch,
                              '0', "0", ""));
}

bool TimeCover(int runs, Showings& showings, HWND background)
{
    const std::wstring work = WorkDirShowing(showings.workName, showings.picture, showings.stretch);
    DusklidProcess dusklid;
    if (work.empty() || !StartDusklidAndWait(dusklid, work)) {
        std::fprintf(stderr, "cover_bench: %s: dusklid.exe did not start\n", showings.figure);
        return false;
    }
    HWND cover = FindCoverWindow();
    return TimeShowings(runs, showings, cover, [cover] { HideCover(cover); }, background);
}

// The spread behind a median, and whether the screen ever showed something
// else (a first fill in another colour) on the way to the cover.
void DescribeShowings(const Showings& showings)
{
    if (showings.times.empty())
        return;
    std::vector<double> sorted = showings.times;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double time : sorted)
        total += time;
    std::fprintf(stderr,
                 "cover_bench: %s%s: min %.2f, quartiles %.2f %.2f %.2f, max %.2f ms; "
                 "a pixel read every %.2f ms\n",
                 showings.figure, showings.workName[0] ? "" : " (reference)", sorted.front(),
                 sorted[sorted.size() / 4], Median(sorted), sorted[sorted.size() * 3 / 4],
                 sorted.back(), total / showings.reads);
    std::fprintf(stderr, "cover_bench: %s%s: first showing after a start: median %.2f ms of %d\n",
                 showings.figure, showings.workName[0] ? "" : " (reference)",
                 Median(showings.firstTimes), static_cast<int>(showings.firstTimes.size()));
    if (showings.flashes > 0)
        std::fprintf(stderr, "cover_bench: %s: %d of %d showings passed through %06lx first\n",
                     showings.figure, showings.flashes, static_cast<int>(sorted.size()),
                     static_cast<unsigned long>(showings.flash));
}

// ---- drag ---------------------------------------------------------------------

constexpr int DRAG_STEP = 4;              // pixels per step
constexpr int DRAG_STEPS_PER_LEG = 50;    // then the pointer turns back
constexpr int DRAG_CHECK_EVERY = 25;      // steps between full checks on screen
constexpr int ROW_REACH = 260;            // pixels each side of the centre
constexpr int SAMPLE_REACH = 40;          // where the checks look, each side
constexpr double SCREEN_TIMEOUT_MS = 2000;

// The centre row of the screen, ROW_REACH pixels each side.
std::vector<COLORREF> CentreRow()
{
    const POINT centre = ScreenCentre();
    std::vector<COLORREF> row;
    HDC screen = GetDC(nullptr);
    for (int x = centre.x - ROW_REACH; x <= centre.x + ROW_REACH; ++x)
        row.push_back(GetPixel(screen, x, centre.y));
    ReleaseDC(nullptr, screen);
    return row;
}

// What the screen should show at centre + x once the picture has moved
// `offset` pixels right of where `row` was read.
COLORREF Expected(const std::vector<COLORREF>& row, int x, int offset)
{
    return row[static_cast<size_t>(x - offset + ROW_REACH)];
}

// True when the screen shows the centre row moved right by `offset`, checked
// at a few points. The picture is drawn unscaled, so the pixels match exactly.
bool RowMovedBy(const std::vector<COLORREF>& row, int offset)
{
    const POINT centre = ScreenCentre();
    for (int x = -SAMPLE_REACH; x <= SAMPLE_REACH; x += SAMPLE_REACH / 2)
        if (ScreenPixel(centre.x + x, centre.y) != Expected(row, x, offset))
            return false;
    return true;
}

// How far right of where `row` was read the screen shows the picture now;
// ROW_REACH + 1 when no offset in reach fits.
int ShownOffset(const std::vector<COLORREF>& row)
{
    for (int offset = -(ROW_REACH - SAMPLE_REACH); offset <= ROW_REACH - SAMPLE_REACH; ++offset)
        if (RowMovedBy(row, offset))
            return offset;
    return ROW_REACH + 1;
}

// A point near the centre whose pixel differs between the two offsets, so
// that one read tells them apart; ROW_REACH + 1 when there is none.
int TellingPoint(const std::vector<COLORREF>& row, int oldOffset, int newOffset)
{
    for (int x = 0; x <= SAMPLE_REACH; ++x) {
        if (Expected(row, x, oldOffset) != Expected(row, x, newOffset))
            return x;
        if (Expected(row, -x, oldOffset) != Expected(row, -x, newOffset))
            return -x;
    }
    return ROW_REACH + 1;
}

// Reads the pixel at centre + x until it shows `colour`; the milliseconds
// since `start`, or negative on a timeout.
double WaitForPixel(int x, COLORREF colour, LARGE_INTEGER start)
{
    const POINT centre = ScreenCentre();
    for (;;) {
        const COLORREF pixel = ScreenPixel(centre.x + x, centre.y);
        const LARGE_INTEGER now = Now();
        if (pixel == colour)
            return Milliseconds(start, now);
        if (Milliseconds(start, now) > SCREEN_TIMEOUT_MS)
            return -1;
    }
}

// Dragging, with the left button held (as the program sees it) and the
// pointer moved DRAG_STEP pixels at a time. Each pointer move also reaches
// the program as real input, which repaints the cover by itself; the step
// waits until the screen shows that, so that the timed message never queues
// behind it. The timed message then runs the same handler once more: a
// whole repaint, the same work whatever the distance moved.
bool TimeDrag(int steps, HWND background, std::vector<double>& times)
{
    // Fractal plasma: fine structure everywhere, so that any shift shows.
    const std::wstring picture =
        MakePicture("bench_drag.jpg", "-seed 7 -size 1920x1080 plasma:fractal -quality 95");
    if (picture.empty()) {
        std::fprintf(stderr, "cover_bench: convert could not make the drag picture\n");
        return false;
    }
    const std::wstring work = WorkDirShowing("bench_cover_drag", picture, '0');
    DusklidProcess dusklid;
    if (work.empty() || !StartDusklidAndWait(dusklid, work)) {
        std::fprintf(stderr, "cover_bench: dusklid.exe did not start (drag)\n");
        return false;
    }
    HWND cover = FindCoverWindow();
    const POINT centre = ScreenCentre();
    if (!WaitUntil([] { return CentreShows(DESKTOP); }, 5000) || !MovePointer(centre.x, centre.y)) {
        std::fprintf(stderr, "cover_bench: cannot prepare the drag\n");
        return false;
    }
    SetForegroundWindow(background);
    SendHotKey(false, true, true, false, 'H');
    if (!WaitUntil([&] { return IsWindowVisible(cover) && !CentreShows(DESKTOP); }, 10000)) {
        std::fprintf(stderr, "cover_bench: the cover did not show for the drag\n");
        return false;
    }
    // Two reads a moment apart that agree: the first paint is on screen.
    std::vector<COLORREF> row;
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(100);
        PumpMessages();
        std::vector<COLORREF> again = CentreRow();
        if (again == row)
            break;
        row = std::move(again);
    }

    // The program takes the pointer's position, not the message's, as anchor.
    SendMessageW(cover, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    int x = centre.x;
    int failedChecks = 0;
    int checks = 0;
    int unseenMoves = 0;
    bool measured = true;
    for (int step = 0; step < steps; ++step) {
        const int oldOffset = x - centre.x;
        x += (step / DRAG_STEPS_PER_LEG) % 2 == 0 ? DRAG_STEP : -DRAG_STEP;
        const int offset = x - centre.x;
        const int telling = TellingPoint(row, oldOffset, offset);
        // Through the X server, as a hand would: a pointer moved by
        // SetCursorPos now and then left the program one step behind.
        if (!Xdo("mousemove " + std::to_string(x) + " " + std::to_string(centre.y))) {
            std::fprintf(stderr, "cover_bench: xdotool did not move the pointer\n");
            measured = false;
            break;
        }
        if (telling <= ROW_REACH &&
            WaitForPixel(telling, Expected(row, telling, offset), Now()) < 0)
            ++unseenMoves;
        PumpMessages();
        DWORD_PTR result = 0;
        const LARGE_INTEGER start = Now();
        const LRESULT sent = SendMessageTimeoutW(cover, WM_MOUSEMOVE, MK_LBUTTON,
                                                 MAKELPARAM(x, centre.y), SMTO_NORMAL, 10000,
                                                 &result);
        const LARGE_INTEGER end = Now();
        if (sent == 0) {
            std::fprintf(stderr, "cover_bench: the cover did not answer a mouse move\n");
            measured = false;
            break;
        }
        times.push_back(Milliseconds(start, end));
        if ((step + 1) % DRAG_CHECK_EVERY == 0 || step + 1 == steps) {
            ++checks;
            if (!WaitUntil([&] { return RowMovedBy(row, offset); }, 2000)) {
                ++failedChecks;
                std::fprintf(stderr, "cover_bench: after step %d the picture is not %d px right "
                             "but %d\n", step + 1, offset, ShownOffset(row));
            }
        }
    }
    SendMessageW(cover, WM_LBUTTONUP, 0, MAKELPARAM(x, centre.y));
    HideCover(cover);
    WaitUntil([&] { return !IsWindowVisible(cover); }, 5000);
    std::fprintf(stderr,
                 "cover_bench: drag: %d of %d checks on screen right; %d pointer moves not "
                 "drawn by the program itself\n",
                 checks - failedChecks, checks, unseenMoves);
    return measured && failedChecks == 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    BenchOptions options;
    if (!ReadBenchArguments(argc, argv, "cover_bench", options))
        return 2;
    // Blocks of runs taken in turn, so that a change in the machine's load
    // (others share it) falls on every case alike.
    const int blocks = options.Count(5, 1);
    const int runsPerBlock = options.Count(10, 1);
    const int dragSteps = options.Count(200, 10);
    if (!HotKeysAreFree())
        std::fprintf(stderr, "cover_bench: another program holds a hot key already\n");

    const std::wstring centred = MakePicture("bench_centred.jpg", "-size 640x480 xc:'#ff8000'");
    const std::wstring stretched =
        MakePicture("bench_stretched.jpg", "-size 3840x2160 xc:'#20c040'");
    if (centred.empty() || stretched.empty()) {
        std::fprintf(stderr, "cover_bench: convert could not make the pictures\n");
        return 1;
    }

    ColourWindow background(DESKTOP, CentreArea());

    // The first is the reference program; the others are Dusklid's cases.
    Showings cases[] = {
        {"reference", "", std::wstring(), '0', REFERENCE_POPUP, {}, {}},
        {"cover: hot key to centre pixel, no picture", "bench_cover_plain", std::wstring(), '0',
         COVER, {}, {}},
        {"cover: hot key to centre pixel, centred 640x480 JPEG", "bench_cover_centred", centred,
         '0', CENTRED_PICTURE, {}, {}},
        {"cover: hot key to centre pixel, stretched 3840x2160 JPEG", "bench_cover_stretched",
         stretched, '1', STRETCHED_PICTURE, {}, {}},
    };
    // One program at a time holds the hot key: each block starts and ends its own.
    for (int block = 0; block < blocks; ++block) {
        for (Showings& showings : cases) {
            if (showings.failed)
                continue;
            const bool done = showings.workName[0]
                                  ? TimeCover(runsPerBlock, showings, background.window)
                                  : TimeReference(runsPerBlock, showings, background.window);
            showings.failed = !done;
        }
    }

    std::vector<double> dragTimes;
    const bool dragged = TimeDrag(dragSteps, background.window, dragTimes);

    bool measuredAll = dragged;
    for (const Showings& showings : cases) {
        DescribeShowings(showings);
        measuredAll = measuredAll && !showings.failed;
    }
    const double reference = Median(cases[0].times);
    for (const Showings& showings : cases) {
        if (showings.workName[0])
            PrintRow(showings.figure, static_cast<int>(showings.times.size()),
                     Median(showings.times), "ms", "reference (black topmost popup)", reference);
    }
    PrintRow("drag: one repaint step, 1920x1080 picture", static_cast<int>(dragTimes.size()),
             Median(dragTimes), "ms");
    return measuredAll ? 0 : 1;
}
