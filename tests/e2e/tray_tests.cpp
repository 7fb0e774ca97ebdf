// The tray icon's pop-up menu: where it opens, what it says, and that a click
// on an entry reaches the program.
#include "e2e_support.h"

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
constexpr int ENTRY_COUNT = 9;

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

} // namespace

E2E_TEST(TrayMenuOpensAtThePointerWithItsNineEntries)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "tray_menu"));
    HWND cover = FindCoverWindow();
    HWND menuWindow = OpenTrayMenu(cover, dusklid.info.dwProcessId, 300, 200);
    REQUIRE(menuWindow != nullptr);
    // Flags 0: the menu's top-left corner is at the pointer.
    RECT menuRect = {};
    GetWindowRect(menuWindow, &menuRect);
    CHECK_MSG(menuRect.left == 300 && menuRect.top == 200,
              std::to_string(menuRect.left) + "," + std::to_string(menuRect.top));
    Screenshot("tray-menu");

    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU_MESSAGE, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : -1;
    if (count < 0) {
        // The platform keeps the menu's items in the owning process; only the
        // screenshot can show them then.
        std::printf("    note: the menu's items cannot be read from another process here\n");
    } else {
        CHECK(count == ENTRY_COUNT);
        for (int i = 0; i < count && i < ENTRY_COUNT; ++i) {
            wchar_t text[128] = {};
            MENUITEMINFOW item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
            item.dwTypeData = text;
            item.cch = 128;
            REQUIRE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item));
            if (EXPECTED_ENTRIES[i] == nullptr) {
                CHECK_MSG((item.fType & MFT_SEPARATOR) != 0, "separator at " + std::to_string(i));
                continue;
            }
            CHECK_MSG(lstrcmpW(text, EXPECTED_ENTRIES[i]) == 0, "text of entry " + std::to_string(i));
            CHECK(item.wID == EXPECTED_COMMANDS[i]);
            CHECK((item.fState & (MFS_DISABLED | MFS_CHECKED | MFS_DEFAULT)) == 0);
        }
    }
    // A click on the first entry (cover) reaches the program.
    ClickAt(menuRect.left + 20, menuRect.top + 8);
    CHECK(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    CHECK(WaitUntil([&] { return !IsWindow(menuWindow) || !IsWindowVisible(menuWindow); }, 5000));
}

E2E_TEST(TrayMenuExitEntryEndsTheProgram)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "tray_exit"));
    HWND menuWindow = OpenTrayMenu(FindCoverWindow(), dusklid.info.dwProcessId, 300, 200);
    REQUIRE(menuWindow != nullptr);
    RECT menuRect = {};
    GetWindowRect(menuWindow, &menuRect);
    // The exit entry is the last one, at the bottom of the menu.
    ClickAt(menuRect.left + 20, menuRect.bottom - 8);
    CHECK(dusklid.WaitForExit(10000) == 0);
}
