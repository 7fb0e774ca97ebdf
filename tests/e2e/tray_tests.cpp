// The tray icon's pop-up menu: where it opens, what it says, and that a click
// on an entry reaches the program.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

constexpr UINT MN_GETHMENU_MESSAGE = 0x01E1;

struct Entry {
    UINT command;  // 0: a separator
    const wchar_t* text;
};
const Entry ENTRIES[] = {
    {IDM_COVER, L"画面を隠す(&K)\tミ田+Shift+H"}, {IDM_CAPTURE, L"画面を撮影(&C)\tミ田+Shift+C"}, {},
    {IDM_PREFERENCES, L"環境設定(&P)..."}, {},
    {IDM_HELP, L"ヘルプ(&H)"}, {IDM_ABOUT, L"バージョン情報(&V)..."}, {},
    {IDM_EXIT, L"終了(&X)"},
};
static_assert(std::size(ENTRIES) == TRAY_MENU_ENTRY_COUNT, "one expectation for each entry");

void ExpectEntry(HMENU menu, int position)
{
    SCOPED_TRACE("entry " + std::to_string(position));
    wchar_t text[64] = {};
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
    item.dwTypeData = text;
    item.cch = static_cast<UINT>(std::size(text));
    ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item));
    const Entry& expected = ENTRIES[position];
    EXPECT_EQ((item.fType & MFT_SEPARATOR) != 0, expected.command == 0);
    if (expected.command != 0) {
        EXPECT_EQ(Utf8(text), Utf8(expected.text));
        EXPECT_EQ(item.wID, expected.command);
        EXPECT_EQ(item.fState & (MFS_DISABLED | MFS_CHECKED | MFS_DEFAULT), 0u);
    }
}

} // namespace

class Tray : public DusklidTest {};

TEST_F(Tray, TrayMenuOpensAtThePointerWithItsNineEntries)
{
    HWND menuWindow = OpenTrayMenu(cover, dusklid.Id(), 300, 200);
    ASSERT_NE(menuWindow, nullptr);
    // Flags 0: the menu's top-left corner is at the pointer.
    RECT menuRect = {};
    GetWindowRect(menuWindow, &menuRect);
    EXPECT_EQ(menuRect.left, 300);
    EXPECT_EQ(menuRect.top, 200);
    EXPECT_TRUE(WaitUntil([&] { return !EntryCentres(menuWindow).empty(); }, 5000))
        << "three separators where they belong";
    Screenshot("tray-menu");

    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU_MESSAGE, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : -1;
    // Some platforms keep the items in the owning process: the screenshot shows them.
    if (count < 0)
        std::printf("    note: the menu's items cannot be read from another process here\n");
    else
        EXPECT_EQ(count, TRAY_MENU_ENTRY_COUNT);
    for (int i = 0; i < std::min(count, TRAY_MENU_ENTRY_COUNT); ++i)
        ExpectEntry(menu, i);

    ClickAt(700, 600);
    EXPECT_TRUE(MenuClosesWithoutAChoice(menuWindow, cover, dusklid.Id())) << "on a click outside";
}

TEST_F(Tray, TrayMenuEntriesReachTheirCommands)
{
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_ABOUT));
    HWND about = WaitForAboutBox(dusklid.Id());
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(CloseWith(about, IDOK));

    // Help opens ReadMe.txt from the working folder with the shell.
    ASSERT_TRUE(WriteFileBytes(ReadMePath(workDir), "Dusklid\r\n"));
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_HELP));
    HWND viewer = WaitForNotepad();
    ASSERT_NE(viewer, nullptr);
    EXPECT_NE(WindowText(viewer).find(L"ReadMe"), std::wstring::npos) << Utf8(WindowText(viewer));
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitClosed(viewer));

    // The exit entry works from over the shown cover.
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_COVER));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_EXIT));
    EXPECT_EQ(dusklid.WaitForExit(10000), 0);
}

// A click on the icon as on Windows: the pointer passes over it, and the
// press puts the shell's task bar in front before the menu opens. The window
// the user was working in still gets the foreground back, not the task bar.
TEST_F(Tray, TrayMenuClosedWithoutAChoiceGivesTheForegroundBackPastTheTaskBar)
{
    const ColorWindow work(RGB(0, 120, 0), {100, 100, 500, 400});
    ASSERT_TRUE(WaitForeground(work.window));
    SendMessageW(cover, WM_TRAYICON, TRAY_ICON_ID, WM_MOUSEMOVE);
    HWND taskBar = FindWindowW(L"Shell_TrayWnd", nullptr);
    ASSERT_NE(taskBar, nullptr);
    SetForegroundWindow(taskBar);
    ASSERT_TRUE(WaitForeground(taskBar));

    HWND menu = OpenTrayMenu(cover, dusklid.Id(), 300, 200);
    ASSERT_NE(menu, nullptr);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(MenuClosesWithoutAChoice(menu, cover, dusklid.Id()));
    EXPECT_TRUE(WaitForeground(work.window));
}
