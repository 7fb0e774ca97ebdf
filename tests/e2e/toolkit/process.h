// Processes: the driver's configuration, waiting, starting dusklid.exe in a
// fresh working folder and ending it again.
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

// Wine maps the Unix root to drive Z:.
std::wstring UnixToWindowsPath(const std::string& unixPath);
// The inverse, for a path on drive Z:.
std::string WindowsToUnixPath(const std::wstring& windowsPath);

// Dispatches the driver's own messages while waiting.
void PumpMessages();

// Polls `condition` every 20 ms until it holds (true) or `timeoutMs` has
// passed (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Polls `condition` for `durationMs`: true when it held at every look. The
// way to check that something does not happen.
bool StaysTrue(const std::function<bool()>& condition, DWORD durationMs);

// CreateProcessW with a second and third try: Wine's process creation now
// and then fails at once with an internal error (1359) before the program
// runs at all.
bool CreateProcessRetrying(const std::wstring& exe, std::wstring commandLine,
                           const wchar_t* workDir, STARTUPINFOW& startup,
                           PROCESS_INFORMATION& info);

// A running dusklid.exe. The destructor ends it (through its exit command,
// then by force) so that no test leaves a copy behind.
struct DusklidProcess {
    PROCESS_INFORMATION info = {};
    std::wstring workDir;
    DusklidProcess() = default;
    DusklidProcess(const DusklidProcess&) = delete;
    DusklidProcess& operator=(const DusklidProcess&) = delete;
    ~DusklidProcess();
    DWORD Id() const { return info.dwProcessId; }
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

// Starts it and waits for its cover window and for it to idle; false if
// either fails.
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
