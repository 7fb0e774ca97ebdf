// cover_bench.exe DUSKLID_EXE WORK_ROOT full|smoke
// How fast the cover arrives and how fast a drag repaints it:
//   - from the real hot key (SendInput) to the screen's centre pixel showing
//     the cover, without a picture, with a centred 640x480 JPEG and with a
//     stretched 3840x2160 JPEG, each beside the reference program's black
//     topmost popup on a key of its own. Both run side by side and take
//     turns showing by showing, either first every other turn (medians of
//     80, in blocks of 4, each after one untimed first showing of each;
//     and the median of the 20 blocks' own ratios);
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


bool CentreShows(COLORREF color)
{
    const POINT centre = ScreenCentre();
    return Near(ScreenPixel(centre.x, centre.y), color, TOLERANCE);
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

// The showings of one program in one case, gathered over every block.
struct Showings {
    const char* figure;
    const char* workName;    // empty for the reference program
    COLORREF shown;          // what the centre shows once it is up
    std::vector<double> times;
    std::vector<double> firstTimes;  // the first after each start
    std::vector<double> blockRatios = {};  // each block's median / the reference's
    int reads = 0;           // pixel reads while waiting
    int flashes = 0;         // showings that passed through another colour
    COLORREF flash = CLR_INVALID;
};

// A running program that shows a window on its hot key, and how to hide it.
struct Shower {
    void (*press)();
    HWND window;
    std::function<void()> hide;
};

void PressCoverKey()
{
    PressHotKey(HOTKEY_COVER);
}

void PressReferenceKey()
{
    SendHotKey(REFERENCE_HOT_KEY_MODIFIERS, REFERENCE_POPUP_KEY);
}

// Hot key to `shown` at the centre, in milliseconds; negative on a timeout.
// The driver keeps dispatching its own messages meanwhile, so that an
// activation change the shown window sends it is answered at once.
double TimeHotKeyToCentre(Showings& showings, void (*press)(), HWND background)
{
    SetForegroundWindow(background);
    PumpMessages();
    const POINT centre = ScreenCentre();
    bool flashed = false;
    const LARGE_INTEGER start = Now();
    press();
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

// One showing by `shower`, hidden again and waited for until its window is
// hidden and the centre shows the driver's window. False when the showing
// or the hide never came.
bool TimeShowing(Showings& showings, const Shower& shower, bool first, HWND background)
{
    if (!WaitUntil([] { return CentreShows(DESKTOP); }, 5000)) {
        std::fprintf(stderr, "cover_bench: the centre does not show the driver's window\n");
        return false;
    }
    Sleep(PAUSE_BETWEEN_RUNS_MS);
    const double elapsed = TimeHotKeyToCentre(showings, shower.press, background);
    if (elapsed < 0) {
        const POINT centre = ScreenCentre();
        std::fprintf(stderr, "cover_bench: %s: nothing showed at the centre (it shows %06lx)\n",
                     showings.figure, static_cast<unsigned long>(ScreenPixel(centre.x, centre.y)));
        return false;
    }
    (first ? showings.firstTimes : showings.times).push_back(elapsed);
    shower.hide();
    if (!WaitUntil([&] { return !IsWindowVisible(shower.window) && CentreShows(DESKTOP); },
                   5000)) {
        std::fprintf(stderr, "cover_bench: %s: the window did not go away\n", showings.figure);
        return false;
    }
    return true;
}

// A working folder whose preferences show `picture` (a Windows path, or
// empty for none) on the bench's background colour, hot corner off.
std::wstring WorkDirShowing(const char* name, const std::wstring& picture, char stretch)
{
    return MakeWorkDirWithPreferences(
        name, PreferenceBytes(PreferenceFields().Color(COVER).Picture(ShiftJis(picture))
                                  .Stretch(stretch).Corner('0').Delay("0")));
}

// One block: Dusklid with `picture` and the reference started afresh, then
// `runs` showings of each in turn, after one untimed first showing of each.
// The first showing after a start also creates the window's surface on the
// X side; it is kept apart, as a start-up cost.
bool AlternatingBlock(int runs, const std::wstring& picture, char stretch, Showings& cover,
                      Showings& reference, HWND background)
{
    const std::wstring work = WorkDirShowing(cover.workName, picture, stretch);
    DusklidProcess dusklid;
    ReferenceProcess popupProgram;
    if (work.empty() || !StartDusklidAndWait(dusklid, work) || !popupProgram.Start(L"popup")) {
        std::fprintf(stderr, "cover_bench: %s: a program did not start\n", cover.figure);
        return false;
    }
    // The popup is made after the window the start waits for.
    HWND popup = nullptr;
    WaitUntil([&] { return (popup = FindWindowW(REFERENCE_POPUP_CLASS_W, nullptr)) != nullptr; },
              5000);
    HWND coverWindow = FindCoverWindow();
    if (popup == nullptr || coverWindow == nullptr) {
        std::fprintf(stderr, "cover_bench: %s: a window is missing\n", cover.figure);
        return false;
    }
    HWND control = popupProgram.window;
    const Shower showers[] = {
        {PressCoverKey, coverWindow, [coverWindow] { HideCover(coverWindow); }},
        {PressReferenceKey, popup, [control] { PostMessageW(control, REFERENCE_HIDE, 0, 0); }},
    };
    // Either shows first every other turn, so that what the one before leaves
    // behind as it hides falls on both alike.
    Showings* showings[] = {&cover, &reference};
    for (int run = -1; run < runs; ++run)
        for (int turn = 0; turn < 2; ++turn) {
            const int who = (turn == 0) == (run % 2 == 0) ? 0 : 1;
            if (!TimeShowing(*showings[who], showers[who], run < 0, background))
                return false;
        }
    // A start's luck stays with a program for its whole block: logged, so
    // that the blocks can be told apart from the showings.
    const double coverMedian = MedianOfLast(cover.times, runs);
    const double referenceMedian = MedianOfLast(reference.times, runs);
    std::fprintf(stderr, "cover_bench: %s: block median %.2f ms, reference's %.2f ms\n",
                 cover.figure, coverMedian, referenceMedian);
    cover.blockRatios.push_back(coverMedian / referenceMedian);
    return true;
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
                 "cover_bench: %s: min %.2f, quartiles %.2f %.2f %.2f, max %.2f ms; "
                 "a pixel read every %.2f ms\n",
                 showings.figure, sorted.front(),
                 sorted[sorted.size() / 4], Median(sorted), sorted[sorted.size() * 3 / 4],
                 sorted.back(), total / showings.reads);
    std::fprintf(stderr, "cover_bench: %s: first showing after a start: median %.2f ms of %d\n",
                 showings.figure,
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
    const DisplayDc screen;
    for (int x = centre.x - ROW_REACH; x <= centre.x + ROW_REACH; ++x)
        row.push_back(GetPixel(screen.dc, x, centre.y));
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
double WaitForPixel(int x, COLORREF color, LARGE_INTEGER start)
{
    const POINT centre = ScreenCentre();
    for (;;) {
        const COLORREF pixel = ScreenPixel(centre.x + x, centre.y);
        const LARGE_INTEGER now = Now();
        if (pixel == color)
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
    PressCoverKey();
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
    // Blocks of runs, the cases in turn and the programs in turn within a
    // block, so that a change in the machine's load falls on both alike.
    const int blocks = options.Count(20, 1);
    const int runsPerBlock = options.Count(4, 1);
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

    ColorWindow background(DESKTOP, CentreArea());

    struct Case {
        std::wstring picture;
        char stretch;
        Showings cover;
        Showings reference;
        bool failed;
    } cases[] = {
        {std::wstring(), '0',
         {"cover: hot key to centre pixel, no picture", "bench_cover_plain", COVER, {}, {}},
         {"reference beside the cover without a picture", "", REFERENCE_POPUP, {}, {}}, false},
        {centred, '0',
         {"cover: hot key to centre pixel, centred 640x480 JPEG", "bench_cover_centred",
          CENTRED_PICTURE, {}, {}},
         {"reference beside the centred picture", "", REFERENCE_POPUP, {}, {}}, false},
        {stretched, '1',
         {"cover: hot key to centre pixel, stretched 3840x2160 JPEG", "bench_cover_stretched",
          STRETCHED_PICTURE, {}, {}},
         {"reference beside the stretched picture", "", REFERENCE_POPUP, {}, {}}, false},
    };
    for (int block = 0; block < blocks; ++block)
        for (Case& c : cases)
            if (!c.failed)
                c.failed = !AlternatingBlock(runsPerBlock, c.picture, c.stretch, c.cover,
                                             c.reference, background.window);

    std::vector<double> dragTimes;
    const bool dragged = TimeDrag(dragSteps, background.window, dragTimes);

    bool measuredAll = dragged;
    for (const Case& c : cases) {
        DescribeShowings(c.cover);
        DescribeShowings(c.reference);
        measuredAll = measuredAll && !c.failed;
        PrintRow(c.cover.figure, static_cast<int>(c.cover.times.size()), Median(c.cover.times),
                 "ms", "reference (black topmost popup), in turn", Median(c.reference.times));
        // Paired by block, since each block's starts are what differ most:
        // the figure to hold to a goal.
        PrintRow(std::string(c.cover.figure) + ": each block's Dusklid / reference, median",
                 static_cast<int>(c.cover.blockRatios.size()), Median(c.cover.blockRatios), "x");
    }
    PrintRow("drag: one repaint step, 1920x1080 picture", static_cast<int>(dragTimes.size()),
             Median(dragTimes), "ms");
    return measuredAll ? 0 : 1;
}
