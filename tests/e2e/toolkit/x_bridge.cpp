#include "x_bridge.h"

#include <cwctype>

#include "files.h"
#include "process.h"
#include "text.h"

namespace {

// A file name under the work root that no other command of this driver uses.
std::string UniqueUnixPath(const char* kind)
{
    static int serial = 0;
    return Config().workRootUnix + "/.unix-" + kind + "-" + std::to_string(GetCurrentProcessId()) +
           "-" + std::to_string(++serial);
}

// ImageMagick's import of the root window into the screenshot folder.
void Import(const char* name, const std::string& options)
{
    if (!Config().screenshotUnix.empty())
        RunUnixCommand("import -window root " + options + "'" + Config().screenshotUnix + "/" +
                       name + ".png'");
}

} // namespace

// Wine starts a Unix program from CreateProcess but hands back no handle to
// wait on, so the command reports its end through a marker file.
bool RunUnixCommand(const std::string& command)
{
    const std::string marker = UniqueUnixPath("done");
    const std::wstring markerWindows = UnixToWindowsPath(marker);
    DeleteFileW(markerWindows.c_str());
    std::wstring line = FromUtf8("/bin/sh -c \"" + command + "; echo $? > " + marker + "\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    std::string status;
    const bool finished = WaitUntil([&] {
        return ReadFileBytes(markerWindows, status) && status.find('\n') != std::string::npos;
    }, 10000);
    DeleteFileW(markerWindows.c_str());
    return finished && status.rfind("0", 0) == 0;
}

bool RunUnixCommandOutput(const std::string& command, std::string& output)
{
    const std::string file = UniqueUnixPath("output");
    const bool succeeded = RunUnixCommand(command + " > " + file);
    const std::wstring fileWindows = UnixToWindowsPath(file);
    output = FileBytes(fileWindows);
    DeleteFileW(fileWindows.c_str());
    return succeeded;
}

bool Xdo(const std::string& arguments)
{
    return RunUnixCommand("xdotool " + arguments);
}

// X's root window starts at the virtual screen's top-left corner.
bool MovePointer(int x, int y)
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    POINT at = {};
    return Xdo("mousemove " + std::to_string(x - left) + " " + std::to_string(y - top)) &&
           WaitUntil([&] { return GetCursorPos(&at) && at.x == x && at.y == y; }, 3000);
}

void ClickAt(int x, int y)
{
    MovePointer(x, y);
    Xdo("click 1");
}

WineDrive::WineDrive(char letter, const std::string& folder, const char* tmpfsSize)
    : link(std::string("$WINEPREFIX/dosdevices/") + letter + ":"),
      root{static_cast<wchar_t>(towupper(letter)), L':'}
{
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

ShortUnixFolder::ShortUnixFolder()
{
    if (RunUnixCommandOutput("mktemp -d /tmp/dl.XXXXXX", unixPath) && unixPath.size() > 1) {
        unixPath.pop_back();  // the line end
        path = UnixToWindowsPath(unixPath);
    }
}

ShortUnixFolder::~ShortUnixFolder()
{
    if (!path.empty())
        RunUnixCommand("rm -rf '" + unixPath + "'");
}

void Screenshot(const char* name)
{
    Import(name, "");
}

void ScreenshotWindow(const char* name, HWND window)
{
    RECT area = {};
    if (GetWindowRect(window, &area))
        Import(name, "-crop " + std::to_string(area.right - area.left) + "x" +
                         std::to_string(area.bottom - area.top) + "+" + std::to_string(area.left) +
                         "+" + std::to_string(area.top) + " +repage ");
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
