#include "process.h"

#include <algorithm>
#include <cstdio>

#include "core/identifiers.h"
#include "dialogs.h"
#include "files.h"
#include "text.h"

DriverConfig& Config()
{
    static DriverConfig config;
    return config;
}

std::wstring UnixToWindowsPath(const std::string& unixPath)
{
    std::wstring path = L"Z:" + FromUtf8(unixPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::string WindowsToUnixPath(const std::wstring& windowsPath)
{
    std::string path = Utf8(windowsPath.substr(2));
    std::replace(path.begin(), path.end(), '\\', '/');
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

bool StaysTrue(const std::function<bool()>& condition, DWORD durationMs)
{
    return !WaitUntil([&] { return !condition(); }, durationMs);
}

bool CreateProcessRetrying(const std::wstring& exe, std::wstring commandLine,
                           const wchar_t* workDir, STARTUPINFOW& startup,
                           PROCESS_INFORMATION& info)
{
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                           workDir, &startup, &info))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 3)
            return false;
        std::printf("    note: CreateProcess failed with error %lu; trying again\n", error);
        Sleep(500);
    }
}

std::wstring MakeWorkDir(const char* name)
{
    std::wstring dir = UnixToWindowsPath(Config().workRootUnix) + L"\\" + FromUtf8(name);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring MakeWorkDirWithPreferences(const char* name, const std::string& bytes)
{
    const std::wstring dir = MakeWorkDir(name);
    return WriteFileBytes(PreferencePath(dir), bytes) ? dir : std::wstring();
}

bool StartDusklid(DusklidProcess& process, const std::wstring& workDir,
                  const std::wstring& arguments, WORD show)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    const std::wstring quoted = L"\"" + Config().dusklidExe + L"\"";
    process.workDir = workDir;
    return CreateProcessRetrying(Config().dusklidExe,
                                 arguments.empty() ? quoted : quoted + L" " + arguments,
                                 workDir.c_str(), startup, process.info);
}

bool StartDusklidAndWait(DusklidProcess& process, const char* workDirName)
{
    return StartDusklidAndWait(process, MakeWorkDir(workDirName));
}

bool StartDusklidAndWait(DusklidProcess& process, const std::wstring& workDir)
{
    if (!StartDusklid(process, workDir)) {
        std::printf("    cannot start dusklid.exe: error %lu\n", GetLastError());
        return false;
    }
    // The tray icon goes in with the window: once that exists and the process idles, it is up.
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
    DWORD code = 0;
    if (info.hProcess == nullptr || !WaitUntil([this] { return !Running(); }, timeoutMs))
        return -1;
    GetExitCodeProcess(info.hProcess, &code);
    return static_cast<long>(code);
}

DusklidProcess::~DusklidProcess()
{
    if (info.hProcess == nullptr)
        return;
    // Close whatever modal box it has open, then ask it to exit.
    for (int round = 0; round < 5 && Running(); ++round) {
        HWND box = FindVisibleWindow(DIALOG_CLASS, info.dwProcessId);
        if (box == nullptr)
            break;
        PostMessageW(box, WM_CLOSE, 0, 0);
        WaitClosed(box, 2000);
    }
    if (Running()) {
        if (HWND cover = FindCoverWindow())
            PostMessageW(cover, WM_COMMAND, IDM_EXIT, 0);
        if (WaitForExit(5000) < 0)
            TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

bool HotKeysAreFree()
{
    bool allFree = true;
    for (const HotKeyBinding& hotKey : HOT_KEYS) {
        if (RegisterHotKey(nullptr, hotKey.id, hotKey.modifiers, hotKey.key))
            UnregisterHotKey(nullptr, hotKey.id);
        else
            allFree = false;
    }
    return allFree;
}

HWND FindCoverWindow()
{
    return FindWindowW(COVER_CLASS_NAME_W, nullptr);
}

std::wstring DusklidFolder()
{
    const std::wstring& exe = Config().dusklidExe;
    return exe.substr(0, exe.find_last_of(L"\\/"));
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
