#include "e2e_support.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

int currentFailures = 0;

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

} // namespace

std::vector<TestCase>& AllTests()
{
    static std::vector<TestCase> tests;
    return tests;
}

TestRegistration::TestRegistration(const char* name, void (*run)())
{
    AllTests().push_back({name, run});
}

void RecordFailure(const char* file, int line, const std::string& what)
{
    ++currentFailures;
    const char* base = std::strrchr(file, '/');
    std::printf("    %s:%d: %s\n", base ? base + 1 : file, line, what.c_str());
    std::fflush(stdout);
}

int TakeFailureCount()
{
    const int count = currentFailures;
    currentFailures = 0;
    return count;
}

DriverConfig& Config()
{
    static DriverConfig config;
    return config;
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length) - 1);
    return narrow;
}

std::wstring UnixToWindowsPath(const std::string& unixPath)
{
    // Wine maps the Unix root to drive Z:.
    std::wstring path = L"Z:" + Widen(unixPath);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

// ---- processes ---------------------------------------------------------------

std::wstring MakeWorkDir(const char* name)
{
    std::wstring dir = UnixToWindowsPath(Config().workRootUnix) + L"\\" + Widen(name);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring MakeWorkDirWithPreferences(const char* name, const std::string& bytes)
{
    const std::wstring dir = MakeWorkDir(name);
    return WriteFileBytes(dir + L"\\preference.dat", bytes) ? dir : std::wstring();
}

bool StartDusklid(DusklidProcess& process, const std::wstring& workDir,
                  const std::wstring& arguments, WORD show)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    std::wstring commandLine = L"\"" + Config().dusklidExe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    process.workDir = workDir;
    // Wine's process creation now and then fails at once with an internal
    // error (1359) before the program runs at all; a second try succeeds.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(Config().dusklidExe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                           0, nullptr, workDir.c_str(), &startup, &process.info))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 3)
            return false;
        std::printf("    note: CreateProcess failed with error %lu; trying again\n", error);
        Sleep(500);
    }
}

bool StartDusklidAndWait(DusklidProcess& process, const char* testName)
{
    return StartDusklidAndWait(process, MakeWorkDir(testName));
}

bool StartDusklidAndWait(DusklidProcess& process, const std::wstring& workDir)
{
    if (!StartDusklid(process, workDir)) {
        std::printf("    cannot start dusklid.exe: error %lu\n", GetLastError());
        return false;
    }
    // The tray icon goes in during window creation; once the window exists
    // and the process idles, start-up is over.
    if (!WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000)) {
        std::printf("    no cover window appeared\n");
        return false;
    }
    WaitForInputIdle(process.info.hProcess, 5000);
    return true;
}

bool DusklidProcess::Running() const
{
    return info.hProcess != nullptr && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

long DusklidProcess::WaitForExit(DWORD timeoutMs) const
{
    if (info.hProcess == nullptr)
        return -1;
    if (!WaitUntil([this] { return !Running(); }, timeoutMs))
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return static_cast<long>(code);
}

DusklidProcess::~DusklidProcess()
{
    if (info.hProcess == nullptr)
        return;
    if (Running()) {
        // Close whatever modal box it has open, then ask it to exit.
        DWORD processId = info.dwProcessId;
        for (int round = 0; round < 5; ++round) {
            HWND box = FindVisibleWindow(L"#32770", processId);
            if (box == nullptr)
                break;
            PostMessageW(box, WM_CLOSE, 0, 0);
            WaitUntil([&] { return !IsWindow(box); }, 2000);
        }
        HWND cover = FindCoverWindow();
        if (cover != nullptr)
            PostMessageW(cover, WM_COMMAND, 505, 0);
        if (WaitForExit(5000) < 0)
            TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

namespace {

struct HotKey {
    int id;
    UINT modifiers;
    UINT key;
};

const HotKey PROGRAM_HOT_KEYS[] = {
    {9831, MOD_SHIFT | MOD_WIN, 'H'},
    {5855, MOD_SHIFT | MOD_WIN, 'C'},
    {8855, MOD_CONTROL | MOD_SHIFT | MOD_WIN, 'C'},
};

} // namespace

bool HotKeysAreFree()
{
    bool allFree = true;
    for (const HotKey& hotKey : PROGRAM_HOT_KEYS) {
        if (RegisterHotKey(nullptr, hotKey.id, hotKey.modifiers, hotKey.key))
            UnregisterHotKey(nullptr, hotKey.id);
        else
            allFree = false;
    }
    return allFree;
}

HWND FindCoverWindow()
{
    return FindWindowW(L"ZvDusklid Class", nullptr);
}

// ---- input ---------------------------------------------------------------------

void SendHotKey(bool control, bool shift, bool windows, bool alt, WORD key)
{
    std::vector<WORD> keys;
    if (control)
        keys.push_back(VK_CONTROL);
    if (shift)
        keys.push_back(VK_SHIFT);
    if (windows)
        keys.push_back(VK_LWIN);
    if (alt)
        keys.push_back(VK_MENU);
    keys.push_back(key);

    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        inputs.push_back(input);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Wine starts a Unix program from CreateProcess but hands back no handle to
// wait on, so the command reports its end through a marker file.
bool RunUnixCommand(const std::string& command)
{
    static int serial = 0;
    const std::string marker =
        Config().workRootUnix + "/.unix-done-" + std::to_string(GetCurrentProcessId()) + "-" +
        std::to_string(++serial);
    const std::wstring markerWindows = UnixToWindowsPath(marker);
    DeleteFileW(markerWindows.c_str());

    std::string line = "/bin/sh -c \"" + command + "; echo $? > " + marker + "\"";
    std::wstring wide = Widen(line);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &wide[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    if (info.hThread)
        CloseHandle(info.hThread);
    if (info.hProcess)
        CloseHandle(info.hProcess);

    std::string status;
    const bool finished = WaitUntil([&] {
        HANDLE file = CreateFileW(markerWindows.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        char buffer[16] = {};
        DWORD read = 0;
        ReadFile(file, buffer, sizeof buffer - 1, &read, nullptr);
        CloseHandle(file);
        status.assign(buffer, read);
        return status.find('\n') != std::string::npos;
    }, 10000);
    DeleteFileW(markerWindows.c_str());
    return finished && status.rfind("0", 0) == 0;
}

bool RunUnixCommandOutput(const std::string& command, std::string& output)
{
    static int serial = 0;
    const std::string file = Config().workRootUnix + "/.unix-output-" +
                             std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    output.clear();
    const bool succeeded = RunUnixCommand(command + " > " + file);
    const std::wstring fileWindows = UnixToWindowsPath(file);
    ReadFileBytes(fileWindows, output);
    DeleteFileW(fileWindows.c_str());
    return succeeded;
}

bool Xdo(const std::string& arguments)
{
    return RunUnixCommand("xdotool " + arguments);
}

bool MovePointer(int x, int y)
{
    if (!Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y)))
        return false;
    return WaitUntil([&] {
        POINT at = {};
        return GetCursorPos(&at) && at.x == x && at.y == y;
    }, 3000);
}

WineDrive::WineDrive(char letter, const std::string& folder, const char* tmpfsSize)
{
    link = std::string("$WINEPREFIX/dosdevices/") + letter + ":";
    if (!RunUnixCommand("mkdir -p '" + folder + "'"))
        return;
    if (tmpfsSize != nullptr) {
        if (!RunUnixCommand(std::string("mount -t tmpfs -o size=") + tmpfsSize + " tmpfs '" +
                            folder + "'"))
            return;
        mountPoint = folder;
    }
    ready = RunUnixCommand("test ! -e " + link + " && ln -s '" + folder + "' " + link);
}

WineDrive::~WineDrive()
{
    if (ready)
        RunUnixCommand("rm -f " + link);
    if (!mountPoint.empty())
        RunUnixCommand("umount '" + mountPoint + "'");
}

void Screenshot(const char* name)
{
    if (Config().screenshotUnix.empty())
        return;
    RunUnixCommand("import -window root '" + Config().screenshotUnix + "/" + name + ".png'");
}

void ScreenshotWindow(const char* name, HWND window)
{
    RECT area = {};
    if (Config().screenshotUnix.empty() || !GetWindowRect(window, &area))
        return;
    const std::string crop = std::to_string(area.right - area.left) + "x" +
                             std::to_string(area.bottom - area.top) + "+" +
                             std::to_string(area.left) + "+" + std::to_string(area.top);
    RunUnixCommand("import -window root -crop " + crop + " +repage '" + Config().screenshotUnix +
                   "/" + name + ".png'");
}

// ---- screen and windows ----------------------------------------------------------

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

POINT ScreenCentre()
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    return POINT{desktop.right / 2, desktop.bottom / 2};
}

namespace {

const wchar_t COLOUR_CLASS[] = L"DusklidE2EColour";

LRESULT CALLBACK ColourWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

ColourWindow::ColourWindow(COLORREF colour, RECT area)
{
    brush = CreateSolidBrush(colour);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ColourWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = brush;
    windowClass.lpszClassName = COLOUR_CLASS;
    UnregisterClassW(COLOUR_CLASS, windowClass.hInstance);
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, COLOUR_CLASS, L"e2e colour", WS_POPUP | WS_VISIBLE, area.left,
                             area.top, area.right - area.left, area.bottom - area.top, nullptr,
                             nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(window);
    UpdateWindow(window);
    PumpMessages();
}

ColourWindow::~ColourWindow()
{
    if (window != nullptr)
        DestroyWindow(window);
    PumpMessages();
    UnregisterClassW(COLOUR_CLASS, GetModuleHandleW(nullptr));
    if (brush != nullptr)
        DeleteObject(brush);
}

HWND FindVisibleWindow(const wchar_t* className, DWORD processId,
                       const std::function<bool(HWND)>& accept)
{
    struct Search {
        const wchar_t* className;
        DWORD processId;
        const std::function<bool(HWND)>& accept;
        HWND found;
    } search = {className, processId, accept, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (lstrcmpW(name, s->className) != 0 || !IsWindowVisible(window))
                return TRUE;
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (s->processId != 0 && owner != s->processId)
                return TRUE;
            if (s->accept && !s->accept(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(DWORD processId, DWORD timeoutMs)
{
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindVisibleWindow(L"#32770", processId)) != nullptr; }, timeoutMs);
    return dialog;
}

HWND WaitForWindowTitled(DWORD processId, const wchar_t* title, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindVisibleWindow(L"#32770", processId,
                                      [&](HWND window) { return WindowText(window) == title; });
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// A message box always has one of these buttons; the program's own dialogs
// use other ids for OK and Cancel.
bool IsMessageBox(HWND window)
{
    return GetDlgItem(window, IDOK) != nullptr || GetDlgItem(window, IDYES) != nullptr;
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs)
{
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindVisibleWindow(L"#32770", processId, IsMessageBox)) != nullptr; },
              timeoutMs);
    return box;
}

void ClickButton(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool IsChecked(HWND dialog, int id)
{
    DWORD_PTR state = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
    return state == BST_CHECKED;
}

void SetItemText(HWND dialog, int id, const std::wstring& text)
{
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return text;
}

std::wstring DialogItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::wstring();
}

// ---- files -------------------------------------------------------------------------

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes.clear();
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return true;
}

std::string ShiftJis(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int length = WideCharToMultiByte(932, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), -1, &bytes[0], length, nullptr, nullptr);
    bytes.resize(static_cast<size_t>(length) - 1);
    return bytes;
}

std::wstring MakePicture(const char* name, const std::string& convertArguments)
{
    const std::string folder = Config().workRootUnix + "/pictures";
    const std::string path = folder + "/" + name;
    if (!RunUnixCommand("mkdir -p '" + folder + "' && convert " + convertArguments + " '" +
                        path + "'"))
        return std::wstring();
    return UnixToWindowsPath(path);
}

std::string PreferenceBytes(int red, int green, int blue, const std::string& picture,
                            char stretch, char corner, const std::string& delay,
                            const std::string& folder)
{
    return "\x10" + std::to_string(red) + "\n" + std::to_string(green) + "\n" +
           std::to_string(blue) + "\n" + picture + "\n" + stretch + corner + delay + "\n" +
           folder;
}

MessageBoxSeen AnswerMessageBox(DWORD processId, int button, DWORD timeoutMs)
{
    MessageBoxSeen seen;
    HWND box = WaitForMessageBox(processId, timeoutMs);
    if (box == nullptr)
        return seen;
    seen.found = true;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = WindowText(box);
    seen.text = DialogItemText(box, 0xFFFF);
    seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
    seen.hasYesNo = GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr;
    HWND target = GetDlgItem(box, button);
    if (target != nullptr)
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(target));
    seen.closed = WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    return seen;
}

// ---- the tray menu ---------------------------------------------------------------

// Asks the program for its tray menu with the pointer at (x, y); returns the
// menu window, or null if none appeared.
HWND OpenTrayMenu(HWND cover, DWORD processId, int x, int y)
{
    if (!MovePointer(x, y))
        return nullptr;
    PostMessageW(cover, 4321, 2953, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    WaitUntil([&] { return (menu = FindVisibleWindow(L"#32768", processId)) != nullptr; }, 5000);
    return menu;
}

void ClickAt(int x, int y)
{
    MovePointer(x, y);
    Xdo("click 1");
}

// The vertical centre of each of the nine entries, found from the separator
// lines drawn in the open menu (the items cannot be read from here under
// every platform). Empty when the menu does not show three separators.
std::vector<int> EntryCentres(HWND menuWindow)
{
    RECT rect = {};
    GetWindowRect(menuWindow, &rect);
    const COLORREF background = GetSysColor(COLOR_MENU);
    // A column right of every text, left of the border.
    const int x = rect.right - 8;
    std::vector<std::pair<int, int>> separators;  // first and last row
    for (int y = rect.top + 3; y < rect.bottom - 3; ++y) {
        if (ScreenPixel(x, y) == background)
            continue;
        if (!separators.empty() && separators.back().second == y - 1)
            separators.back().second = y;
        else
            separators.push_back({y, y});
    }
    if (separators.size() != 3)
        return {};
    // Between the separators: two entries, one, two, one.
    const int bandTops[] = {rect.top + 3, separators[0].second + 1, separators[1].second + 1,
                            separators[2].second + 1};
    const int bandBottoms[] = {separators[0].first, separators[1].first, separators[2].first,
                               rect.bottom - 3};
    const int entriesInBand[] = {2, 1, 2, 1};
    std::vector<int> centres;
    for (int band = 0; band < 4; ++band) {
        const int height = (bandBottoms[band] - bandTops[band]) / entriesInBand[band];
        for (int i = 0; i < entriesInBand[band]; ++i)
            centres.push_back(bandTops[band] + height * i + height / 2);
        if (band < 3)
            centres.push_back(-1);  // the separator itself
    }
    return centres;
}

// Opens the menu and clicks entry `index` (0-based, separators counted).
HWND OpenPreferencesDialog(HWND cover, DWORD processId)
{
    if (!ClickEntry(cover, processId, TRAY_ENTRY_PREFERENCES))
        return nullptr;
    return WaitForWindowTitled(processId, L"環境設定");
}

bool ClickEntry(HWND cover, DWORD processId, int index)
{
    HWND menuWindow = OpenTrayMenu(cover, processId, 300, 200);
    if (menuWindow == nullptr)
        return false;
    // The menu may be visible a moment before it has been painted.
    std::vector<int> centres;
    WaitUntil(
        [&] {
            centres = EntryCentres(menuWindow);
            return centres.size() == TRAY_MENU_ENTRY_COUNT;
        },
        5000);
    if (centres.size() != TRAY_MENU_ENTRY_COUNT || centres[static_cast<size_t>(index)] < 0)
        return false;
    RECT rect = {};
    GetWindowRect(menuWindow, &rect);
    ClickAt(rect.left + 30, centres[static_cast<size_t>(index)]);
    return WaitUntil([&] { return !IsWindow(menuWindow) || !IsWindowVisible(menuWindow); }, 5000);
}


HWND WaitForNotepad(DWORD timeoutMs)
{
    HWND notepad = nullptr;
    WaitUntil([&] { return (notepad = FindVisibleWindow(L"Notepad", 0)) != nullptr; }, timeoutMs);
    return notepad;
}

// Notepad's one edit control holds the document.
std::wstring NotepadText(HWND notepad)
{
    HWND edit = FindWindowExW(notepad, nullptr, L"Edit", nullptr);
    if (edit == nullptr)
        return L"(no edit control)";
    const LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring DusklidFolder()
{
    const std::wstring& exe = Config().dusklidExe;
    return exe.substr(0, exe.find_last_of(L"\\/"));
}

std::wstring FromUtf8(const std::string& bytes)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
    return text;
}

ProgramCopy::ProgramCopy(const std::wstring& folder) : original(Config().dusklidExe)
{
    const std::wstring copy = folder + L"\\dusklid.exe";
    ready = CopyFileW(original.c_str(), copy.c_str(), FALSE) != FALSE;
    if (ready)
        Config().dusklidExe = copy;
}

ProgramCopy::~ProgramCopy()
{
    Config().dusklidExe = original;
}

RECT TrayIconArea()
{
    RECT box = {};
    HWND taskBar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (taskBar == nullptr)
        return box;
    RECT bar = {};
    GetWindowRect(taskBar, &bar);
    HDC screen = GetDC(nullptr);
    for (int y = bar.top; y < bar.bottom; ++y) {
        for (int x = bar.right - 40; x < bar.right; ++x) {
            const COLORREF colour = GetPixel(screen, x, y);
            if (GetRValue(colour) >= 64 || GetGValue(colour) >= 64 || GetBValue(colour) >= 64)
                continue;
            const RECT pixel = {x, y, x + 1, y + 1};
            UnionRect(&box, &box, &pixel);
        }
    }
    ReleaseDC(nullptr, screen);
    return box;
}

bool TrayIconShown()
{
    const RECT box = TrayIconArea();
    return box.right - box.left >= 12 && box.bottom - box.top >= 12;
}
