// The driver's configuration, waiting, and dusklid.exe started in a fresh
// working folder and ended again.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct DriverConfig {
    std::wstring dusklidExe;     // Windows path of dusklid.exe
    std::string workRootUnix;    // a folder for the tests' working folders
    std::string screenshotUnix;  // where screenshots go (may be empty)
};

DriverConfig& Config();

// Wine maps the Unix root to drive Z:; the inverse takes a path on Z:.
std::wstring UnixToWindowsPath(const std::string& unixPath);
std::string WindowsToUnixPath(const std::wstring& windowsPath);

// Dispatches the driver's own messages while waiting.
void PumpMessages();

// Polls every 20 ms: true once `condition` holds, false after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// True when `condition` held at every look for `durationMs`: the way to
// check that something does not happen.
bool StaysTrue(const std::function<bool()>& condition, DWORD durationMs);

// Wine's process creation now and then fails at once with an internal error
// (1359) before the program runs at all; this tries three times.
bool CreateProcessRetrying(const std::wstring& exe, std::wstring commandLine,
                           const wchar_t* workDir, STARTUPINFOW& startup,
                           PROCESS_INFORMATION& info);

// A running dusklid.exe, ended (by its exit command, else by force) when it
// goes, so that no test leaves a copy behind.
struct DusklidProcess {
    PROCESS_INFORMATION info = {};
    std::wstring workDir;
    DusklidProcess() = default;
    DusklidProcess(const DusklidProcess&) = delete;
    DusklidProcess& operator=(const DusklidProcess&) = delete;
    ~DusklidProcess();
    DWORD Id() const { return info.dwProcessId; }
    bool Running() const;
    // The exit code, or -1 on timeout.
    long WaitForExit(DWORD timeoutMs) const;
};

// A fresh working folder named after the test; with preference.dat holding
// `bytes`, or empty when it cannot be written.
std::wstring MakeWorkDir(const char* name);
std::wstring MakeWorkDirWithPreferences(const char* name, const std::string& bytes);

// False when the process cannot start.
bool StartDusklid(DusklidProcess& process, const std::wstring& workDir,
                  const std::wstring& arguments = L"", WORD show = SW_SHOWDEFAULT);

// Also waits for the cover window and for the process to idle.
bool StartDusklidAndWait(DusklidProcess& process, const std::wstring& workDir);
bool StartDusklidAndWait(DusklidProcess& process, const char* workDirName);

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

// The folder of dusklid.exe, where the build puts ReadMe.txt beside it.
std::wstring DusklidFolder();

HWND FindCoverWindow();

// True when the driver can take every one of the program's hot keys itself.
bool HotKeysAreFree();
