#include "tray.h"

#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>

#include "core/identifiers.h"
#include "dialogs.h"
#include "file_dialogs.h"
#include "pixels.h"
#include "process.h"
#include "x_bridge.h"

namespace {

// The platform may hide a menu rather than destroy it.
bool WaitMenuGone(HWND menuWindow)
{
    return WaitUntil([&] { return !IsWindow(menuWindow) || !IsWindowVisible(menuWindow); }, 5000);
}

// A balloon is a tooltip of the shell's process: TTM_ENUMTOOLSW fills a tool
// record there, and TTM_GETTEXTW copies the tool's text to where it points.
std::wstring BalloonText(HWND tooltip)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(tooltip, &processId);
    const std::unique_ptr<void, decltype(&CloseHandle)> process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId),
        CloseHandle);
    constexpr size_t TEXT_OFFSET = 1024;
    constexpr size_t TEXT_CHARACTERS = 1024;
    if (!process)
        return std::wstring();
    RemoteMemory memory(process.get(), TEXT_OFFSET + TEXT_CHARACTERS * sizeof(wchar_t));
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    const LPWSTR buffer = reinterpret_cast<LPWSTR>(memory.At(TEXT_OFFSET));
    if (memory.Write(&tool, sizeof tool) && memory.Send(tooltip, TTM_ENUMTOOLSW, 0) &&
        memory.Write(&buffer, sizeof buffer, offsetof(TTTOOLINFOW, lpszText)) &&
        memory.Send(tooltip, TTM_GETTEXTW, TEXT_CHARACTERS))
        return memory.ReadText(TEXT_CHARACTERS, TEXT_OFFSET);
    return std::wstring();
}

} // namespace

HWND OpenTrayMenu(HWND cover, DWORD processId, int x, int y)
{
    if (!MovePointer(x, y))
        return nullptr;
    PostMessageW(cover, WM_TRAYICON, TRAY_ICON_ID, WM_RBUTTONDOWN);
    return WaitForVisibleWindow(L"#32768", processId, 5000);
}

// Found from the separator lines drawn in the open menu: the items cannot be
// read from here under every platform.
std::vector<int> EntryCentres(HWND menuWindow)
{
    RECT rect = {};
    GetWindowRect(menuWindow, &rect);
    // Down a column right of every text and left of the border: where each
    // band of entries and each line begins, and where the last band ends.
    std::vector<int> edges = {rect.top + 3};
    bool onLine = false;
    for (int y = rect.top + 3; y < rect.bottom - 3; ++y)
        if ((ScreenPixel(rect.right - 8, y) != GetSysColor(COLOR_MENU)) != onLine) {
            onLine = !onLine;
            edges.push_back(y);
        }
    edges.push_back(rect.bottom - 3);
    if (edges.size() != 8)
        return {};
    // Between the three separators: two entries, one, two, one.
    const int entriesInBand[] = {2, 1, 2, 1};
    std::vector<int> centres;
    for (int band = 0; band < 4; ++band) {
        const int top = edges[2 * band];
        const int height = (edges[2 * band + 1] - top) / entriesInBand[band];
        for (int i = 0; i < entriesInBand[band]; ++i)
            centres.push_back(top + height * i + height / 2);
        if (band < 3)
            centres.push_back(-1);  // the separator itself
    }
    return centres;
}

HWND OpenPreferencesDialog(HWND cover, DWORD processId)
{
    if (!ClickTrayEntry(cover, processId, IDM_PREFERENCES))
        return nullptr;
    return WaitForWindowTitled(processId, L"環境設定");
}

bool ClickTrayEntry(HWND cover, DWORD processId, UINT command)
{
    const auto entry = std::find(std::begin(TRAY_MENU_COMMANDS), std::end(TRAY_MENU_COMMANDS), command);
    if (command == 0 || entry == std::end(TRAY_MENU_COMMANDS))
        return false;
    const size_t index = static_cast<size_t>(entry - std::begin(TRAY_MENU_COMMANDS));
    HWND menuWindow = OpenTrayMenu(cover, processId, 300, 200);
    // The menu may be visible a moment before it has been painted.
    std::vector<int> centres;
    if (menuWindow == nullptr ||
        !WaitUntil([&] { return (centres = EntryCentres(menuWindow)).size() > index; }, 5000))
        return false;
    RECT rect = {};
    GetWindowRect(menuWindow, &rect);
    ClickAt(rect.left + 30, centres[index]);
    return WaitMenuGone(menuWindow);
}

RECT TrayIconArea()
{
    RECT box = {};
    RECT bar = {};
    HWND taskBar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (taskBar == nullptr || !GetWindowRect(taskBar, &bar))
        return box;
    const DisplayDc screen;
    for (int y = bar.top; y < bar.bottom; ++y)
        for (int x = bar.right - 40; x < bar.right; ++x)
            if (Near(GetPixel(screen.dc, x, y), RGB(0, 0, 0), 63)) {
                const RECT pixel = {x, y, x + 1, y + 1};
                UnionRect(&box, &box, &pixel);
            }
    return box;
}

bool TrayIconShown()
{
    const RECT box = TrayIconArea();
    return box.right - box.left >= 12 && box.bottom - box.top >= 12;
}

HWND WaitForAboutBox(DWORD processId)
{
    return WaitForWindowTitled(processId, L"バージョン情報");
}

// A chosen command arrives after the menu has gone.
bool MenuClosesWithoutAChoice(HWND menuWindow, HWND cover, DWORD processId)
{
    return WaitMenuGone(menuWindow) &&
           StaysTrue([&] { return !IsWindowVisible(cover) && NoDialog(processId); }, 1000);
}

std::wstring WaitForTrayBalloon(const std::function<bool(const std::wstring&)>& accept,
                                DWORD timeoutMs)
{
    std::wstring text;
    WaitForVisibleWindow(L"tooltips_class32", 0, timeoutMs, [&](HWND window) {
        if ((GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON) == 0)
            return false;
        text = BalloonText(window);
        return accept(text);
    });
    return accept(text) ? text : std::wstring();
}

bool TrayBalloonShows(const std::wstring& part)
{
    return !WaitForTrayBalloon([&](const std::wstring& text) {
                return text.find(part) != std::wstring::npos;
            }, 0).empty();
}
