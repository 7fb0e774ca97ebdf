#include "x_bridge.h"

#include "files.h"
#include "process.h"
#include "text.h"

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
    std::wstring wide = FromUtf8(line);
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

void ClickAt(int x, int y)
{
    MovePointer(x, y);
    Xdo("click 1");
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

