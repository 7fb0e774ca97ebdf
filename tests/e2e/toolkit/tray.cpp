#include "tray.h"

#include <commctrl.h>

#include <cstddef>
#include <utility>

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

// A balloon is a tooltip of the shell's process; its text is read through
// memory there, as the tooltip's messages hand pointers on as they are.
std::wstring BalloonText(HWND tooltip)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(tooltip, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                 FALSE, processId);
    if (process == nullptr)
        return std::wstring();
    constexpr size_t TEXT_OFFSET = 1024;
    constexpr size_t TEXT_CHARACTERS = 1024;
    std::wstring text;
    {
        // The tool record that TTM_ENUMTOOLSW fills names the tool whose text
        // TTM_GETTEXTW then copies to the buffer it points to.
        RemoteMemory memory(process, TEXT_OFFSET + TEXT_CHARACTERS * sizeof(wchar_t));
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        const LPWSTR buffer = reinterpret_cast<LPWSTR>(memory.At(TEXT_OFFSET));
        if (memory.Ready() && memory.Write(&tool, sizeof tool) &&
            SendAndWait(tooltip, TTM_ENUMTOOLSW, 0, memory.Param()) &&
            memory.Write(&buffer, sizeof buffer, offsetof(TTTOOLINFOW, lpszText)) &&
            SendAndWait(tooltip, TTM_GETTEXTW, TEXT_CHARACTERS, memory.Param())) {
            const std::string bytes = memory.Read(TEXT_CHARACTERS * sizeof(wchar_t), TEXT_OFFSET);
            text = std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                                bytes.size() / sizeof(wchar_t)).c_str();
        }
    }
    CloseHandle(process);
    return text;
}

} // namespace

int TrayMenuPosition(UINT command)
{
    for (int i = 0; i < TRAY_MENU_ENTRY_COUNT; ++i)
        if (TRAY_MENU_COMMANDS[i] == command)
            return i;
    return -1;
}

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
    // A column right of every text, left of the border.
    const int x = rect.right - 8;
    std::vector<std::pair<int, int>> separators;  // first and last row
    for (int y = rect.top + 3; y < rect.bottom - 3; ++y) {
        if (ScreenPixel(x, y) == GetSysColor(COLOR_MENU))
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

HWND OpenPreferencesDialog(HWND cover, DWORD processId)
{
    if (!ClickTrayEntry(cover, processId, IDM_PREFERENCES))
        return nullptr;
    return WaitForWindowTitled(processId, L"環境設定");
}

bool ClickTrayEntry(HWND cover, DWORD processId, UINT command)
{
    const int index = TrayMenuPosition(command);
    HWND menuWindow = OpenTrayMenu(cover, processId, 300, 200);
    if (index < 0 || menuWindow == nullptr)
        return false;
    // The menu may be visible a moment before it has been painted.
    std::vector<int> centres;
    if (!WaitUntil([&] {
            centres = EntryCentres(menuWindow);
            return centres.size() == static_cast<size_t>(TRAY_MENU_ENTRY_COUNT);
        }, 5000) || centres[static_cast<size_t>(index)] < 0)
        return false;
    RECT rect = {};
    GetWindowRect(menuWindow, &rect);
    ClickAt(rect.left + 30, centres[static_cast<size_t>(index)]);
    return WaitMenuGone(menuWindow);
}

RECT TrayIconArea()
{
    RECT box = {};
    RECT bar = {};
    HWND taskBar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (taskBar == nullptr || !GetWindowRect(taskBar, &bar))
        return box;
    const ScreenDC screen;
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
