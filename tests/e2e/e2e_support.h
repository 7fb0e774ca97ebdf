// The end-to-end driver's toolkit: starting dusklid.exe in a fresh working
// folder, real input (keys through SendInput, the pointer through the X
// server), finding windows, reading pixels, and a small test registry.
#pragma once

#include <windows.h>

#include "core/identifiers.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// ---- test registry and checks ----------------------------------------------

struct TestCase {
    const char* name;
    void (*run)();
};

std::vector<TestCase>& AllTests();

struct TestRegistration {
    TestRegistration(const char* name, void (*run)());
};

#define E2E_TEST(name)                                              \
    static void name();                                             \
    static TestRegistration name##_registration(#name, name);       \
    static void name()

// Records a failure of the running test and carries on.
void RecordFailure(const char* file, int line, const std::string& what);

#define CHECK(condition)                                                    \
    do {                                                                    \
        if (!(condition))                                                   \
            RecordFailure(__FILE__, __LINE__, "CHECK(" #condition ")");     \
    } while (0)

#define CHECK_MSG(condition, message)                                       \
    do {                                                                    \
        if (!(condition))                                                   \
            RecordFailure(__FILE__, __LINE__, std::string(#condition " - ") + (message)); \
    } while (0)

// A failed precondition: the rest of the test would only add noise.
#define REQUIRE(condition)                                                  \
    do {                                                                    \
        if (!(condition)) {                                                 \
            RecordFailure(__FILE__, __LINE__, "REQUIRE(" #condition ")");   \
            return;                                                         \
        }                                                                   \
    } while (0)

// ---- paths and processes -----------------------------------------------------

struct DriverConfig {
    std::wstring dusklidExe;     // Windows path of dusklid.exe
    std::string workRootUnix;    // a folder for the tests' working folders
    std::string screenshotUnix;  // where screenshots go (may be empty)
};

DriverConfig& Config();

std::wstring UnixToWindowsPath(const std::string& unixPath);

// UTF-8 for printing and for Unix paths.
std::string Utf8(const std::wstring& text);

// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// A running dusklid.exe. The destructor ends it (through its exit command,
// then by force) so that no test leaves a copy behind.
struct DusklidProcess {
    PROCESS_INFORMATION info = {};
    std::wstring workDir;
    DusklidProcess() = default;
    DusklidProcess(const DusklidProcess&) = delete;
    DusklidProcess& operator=(const DusklidProcess&) = delete;
    ~DusklidProcess();
    bool Running() const;
    // Waits for the process to end; returns its exit code or -1 on timeout.
    long WaitForExit(DWORD timeoutMs) const;
};

// A fresh, empty working folder named after the test.
std::wstring MakeWorkDir(const char* name);

// A fresh working folder holding `bytes` as its preference.dat; empty when
// the file cannot be written.
std::wstring MakeWorkDirWithPreferences(const char* name, const std::string& bytes);

// Starts dusklid.exe in `workDir`, with `arguments` after its name and the
// show command `show`; returns false when the process cannot start.
bool StartDusklid(DusklidProcess& process, const std::wstring& workDir,
                  const std::wstring& arguments = L"", WORD show = SW_SHOWDEFAULT);

// Starts it and waits for its cover window; false if either fails.
bool StartDusklidAndWait(DusklidProcess& process, const char* testName);
bool StartDusklidAndWait(DusklidProcess& process, const std::wstring& workDir);

// While it lives, the tests start a copy of dusklid.exe placed in `folder`,
// as a user would unpack it there.
struct ProgramCopy {
    std::wstring original;
    bool ready = false;
    explicit ProgramCopy(const std::wstring& folder);
    ~ProgramCopy();
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;
};

HWND FindCoverWindow();

// True when the driver can take every one of the program's hot keys itself.
bool HotKeysAreFree();

// ---- input -----------------------------------------------------------------

// Presses the modifiers, then the key, and releases them in reverse order.
void SendHotKey(bool control, bool shift, bool windows, bool alt, WORD key);

// Runs `xdotool ARGS` against the X server and waits for it to finish.
bool Xdo(const std::string& arguments);

// Runs a shell command line on the Unix side; true when it exits with 0.
bool RunUnixCommand(const std::string& command);

// The same, with what the command writes to its standard output.
bool RunUnixCommandOutput(const std::string& command, std::string& output);

// Moves the X pointer and waits until Windows reports the new position.
bool MovePointer(int x, int y);

// A Wine drive letter for a Unix folder, optionally a small tmpfs mounted
// there; both go again when the test ends. Mounting needs root, which CI has.
struct WineDrive {
    std::string link;
    std::string mountPoint;
    bool ready = false;

    WineDrive(char letter, const std::string& folder, const char* tmpfsSize = nullptr);
    ~WineDrive();
    WineDrive(const WineDrive&) = delete;
    WineDrive& operator=(const WineDrive&) = delete;
};

// Saves a PNG of the whole X screen under the screenshot folder.
void Screenshot(const char* name);

// The same, cut to the window's rectangle.
void ScreenshotWindow(const char* name, HWND window);

// ---- the tray menu -----------------------------------------------------------

constexpr int TRAY_ENTRY_COVER = 0;
constexpr int TRAY_ENTRY_CAPTURE = 1;
constexpr int TRAY_ENTRY_PREFERENCES = 3;

// Asks the program for its tray menu with the pointer at (x, y); returns the
// menu window, or null if none appeared.
HWND OpenTrayMenu(HWND cover, DWORD processId, int x, int y);

// Moves the pointer and clicks the left button there.
void ClickAt(int x, int y);

// The vertical centre of each entry of the open menu, -1 for a separator;
// empty when the menu does not show its three separators.
std::vector<int> EntryCentres(HWND menuWindow);

// Opens the menu and clicks entry `index` (0-based, separators counted);
// true once the menu has closed.
bool ClickEntry(HWND cover, DWORD processId, int index);

// Opens the preferences dialog from the tray menu; null if it did not appear.
HWND OpenPreferencesDialog(HWND cover, DWORD processId);

// ---- screen and windows ------------------------------------------------------

COLORREF ScreenPixel(int x, int y);
POINT ScreenCentre();

// A plain topmost-free window of one colour that the driver owns, to give the
// screen a known background under the cover.
struct ColourWindow {
    HWND window = nullptr;
    HBRUSH brush = nullptr;
    ColourWindow(COLORREF colour, RECT area);
    ~ColourWindow();
    ColourWindow(const ColourWindow&) = delete;
    ColourWindow& operator=(const ColourWindow&) = delete;
};

// Dispatches the driver's own messages while waiting.
void PumpMessages();

// The first visible top-level window of `className` that belongs to `process`
// (any process when 0) and that `accept` takes, if given.
HWND FindVisibleWindow(const wchar_t* className, DWORD processId,
                       const std::function<bool(HWND)>& accept = nullptr);

// Waits for a message box or dialog (class "#32770") of `processId`.
HWND WaitForDialog(DWORD processId, DWORD timeoutMs = 5000);

// Waits for a dialog (class "#32770") of `processId` with this caption.
HWND WaitForWindowTitled(DWORD processId, const wchar_t* title, DWORD timeoutMs = 5000);

// Waits for a message box of `processId`; the program's own dialogs do not count.
bool IsMessageBox(HWND window);
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = 5000);

// Clicks a button of another process's dialog the way a mouse click would
// (an automatic check box or radio button changes its state too). Posted,
// so a button that opens a modal dialog does not hold up the driver.
void ClickButton(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::wstring& text);

std::wstring WindowText(HWND window);

// The box around the dark pixels at the right end of the task bar, where the
// notification area shows the program's icon (a face with a black outline);
// empty when there are none. TrayIconShown: a box of the icon's size.
RECT TrayIconArea();
bool TrayIconShown();

// The first visible Notepad window, waited for; and the text it shows.
HWND WaitForNotepad(DWORD timeoutMs = 15000);
std::wstring NotepadText(HWND notepad);
std::wstring DialogItemText(HWND dialog, int id);

// ---- files and settings --------------------------------------------------------

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);

// The folder of dusklid.exe, where the build puts ReadMe.txt beside it.
std::wstring DusklidFolder();

// The text of UTF-8 bytes.
std::wstring FromUtf8(const std::string& bytes);

// `text` in the program's ANSI code page (Shift-JIS), as its files hold paths.
std::string ShiftJis(const std::wstring& text);

// Makes a picture with ImageMagick's convert (`convertArguments` describe the
// image; the output name's extension picks the format) in a shared pictures
// folder, and returns its Windows path; empty on failure.
std::wstring MakePicture(const char* name, const std::string& convertArguments);

// The bytes of a preference file as the preferences dialog writes it.
std::string PreferenceBytes(int red, int green, int blue, const std::string& picture,
                            char stretch, char corner, const std::string& delay,
                            const std::string& folder);

struct MessageBoxSeen {
    bool found = false;
    bool closed = false;
    bool hasOk = false;
    bool hasYesNo = false;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
};

// Waits for a message box of `processId`, reads it and presses `button`
// (IDOK, IDYES, IDNO).
MessageBoxSeen AnswerMessageBox(DWORD processId, int button, DWORD timeoutMs = 10000);
