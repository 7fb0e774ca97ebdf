// The tray icon's pop-up menu: where it opens, what it says, and that a click
// on an entry reaches the program.
#include "toolkit/toolkit.h"

#include <cstdio>
#include <utility>

namespace {

constexpr UINT MN_GETHMENU_MESSAGE = 0x01E1;

const wchar_t* const EXPECTED_ENTRIES[] = {
    L"画面を隠す(&K)\tミ田+Shift+H",
    L"画面を撮影(&C)\tミ田+Shift+C",
    nullptr,
    L"環境設定(&P)...",
    nullptr,
    L"ヘルプ(&H)",
    L"バージョン情報(&V)...",
    nullptr,
    L"終了(&X)",
};
const UINT EXPECTED_COMMANDS[] = {500, 501, 0, 502, 0, 503, 504, 0, 505};
constexpr int ENTRY_COUNT = TRAY_MENU_ENTRY_COUNT;

HWND FindWindowTitled(const wchar_t* className, const wchar_t* titlePart)
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, className, nullptr)) != nullptr) {
        if (WindowText(window).find(titlePart) != std::wstring::npos)
            return window;
    }
    return nullptr;
}

} // namespace

TEST(Tray, TrayMenuOpensAtThePointerWithItsNineEntries)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "tray_menu"));
    HWND cover = FindCoverWindow();
    HWND menuWindow = OpenTrayMenu(cover, dusklid.info.dwProcessId, 300, 200);
    ASSERT_TRUE(menuWindow != nullptr);
    // Flags 0: the menu's top-left corner is at the pointer.
    RECT menuRect = {};
    GetWindowRect(menuWindow, &menuRect);
    EXPECT_TRUE(menuRect.left == 300 && menuRect.top == 200) << std::to_string(menuRect.left) + "," + std::to_string(menuRect.top);
    Screenshot("tray-menu");

    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU_MESSAGE, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : -1;
    if (count < 0) {
        // The platform keeps the menu's items in the owning process; only the
        // screenshot can show them then.
        std::printf("    note: the menu's items cannot be read from another process here\n");
    } else {
        EXPECT_TRUE(count == ENTRY_COUNT);
        for (int i = 0; i < count && i < ENTRY_COUNT; ++i) {
            wchar_t text[128] = {};
            MENUITEMINFOW item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
            item.dwTypeData = text;
            item.cch = 128;
            ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item));
            if (EXPECTED_ENTRIES[i] == nullptr) {
                EXPECT_TRUE((item.fType & MFT_SEPARATOR) != 0) << "separator at " + std::to_string(i);
                continue;
            }
            EXPECT_TRUE(lstrcmpW(text, EXPECTED_ENTRIES[i]) == 0) << "text of entry " + std::to_string(i);
            EXPECT_TRUE(item.wID == EXPECTED_COMMANDS[i]);
            EXPECT_TRUE((item.fState & (MFS_DISABLED | MFS_CHECKED | MFS_DEFAULT)) == 0);
        }
    }
    // Nine entries: three separators where they belong.
    EXPECT_TRUE(EntryCentres(menuWindow).size() == ENTRY_COUNT);
    // A click outside the menu closes it without a command.
    ClickAt(700, 600);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(menuWindow) || !IsWindowVisible(menuWindow); }, 5000));
    EXPECT_TRUE(!IsWindowVisible(cover));
    EXPECT_TRUE(FindVisibleWindow(L"#32770", dusklid.info.dwProcessId) == nullptr);
}

TEST(Tray, TrayMenuEntriesReachTheirCommands)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "tray_entries"));
    HWND cover = FindCoverWindow();
    const DWORD processId = dusklid.info.dwProcessId;

    // Version information (entry 7).
    ASSERT_TRUE(ClickTrayEntry(cover, processId, IDM_ABOUT));
    HWND box = WaitForDialog(processId);
    EXPECT_TRUE(box != nullptr);
    if (box != nullptr) {
        EXPECT_TRUE(WindowText(box) == L"バージョン情報");
        SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
    }

    // Help (entry 6) opens ReadMe.txt from the working folder with the shell.
    const std::wstring readMe = dusklid.workDir + L"\\ReadMe.txt";
    HANDLE file = CreateFileW(readMe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_TRUE(file != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "Dusklid\r\n", 9, &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ClickTrayEntry(cover, processId, IDM_HELP));
    HWND viewer = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (viewer = FindWindowTitled(nullptr, L"ReadMe")) != nullptr; }, 15000));
    if (viewer != nullptr)
        PostMessageW(viewer, WM_CLOSE, 0, 0);

    // Hide the screen (entry 1), then exit (entry 9) from over the cover.
    ASSERT_TRUE(ClickTrayEntry(cover, processId, IDM_COVER));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    ASSERT_TRUE(ClickTrayEntry(cover, processId, IDM_EXIT));
    EXPECT_TRUE(dusklid.WaitForExit(10000) == 0);
}
