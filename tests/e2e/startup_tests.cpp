// Start-up, single instance, close requests and the exit command.
#include "toolkit/toolkit.h"

namespace {

bool NoTrayIcon()
{
    const RECT box = TrayIconArea();
    return IsRectEmpty(&box) != FALSE;
}

int CountCoverWindows()
{
    int count = 0;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"ZvDusklid Class", nullptr)) != nullptr)
        ++count;
    return count;
}

} // namespace

TEST(Startup, StartsHiddenTopmostAndDesktopSized)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "starts_hidden"));
    HWND cover = FindCoverWindow();
    EXPECT_TRUE(WindowText(cover) == L"Dusklid v1.6");
    EXPECT_TRUE(!IsWindowVisible(cover));
    EXPECT_TRUE((GetWindowLongW(cover, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    const LONG style = GetWindowLongW(cover, GWL_STYLE);
    EXPECT_TRUE((style & WS_POPUP) != 0);
    EXPECT_TRUE((style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)) == 0);

    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    RECT coverRect = {};
    GetWindowRect(cover, &coverRect);
    EXPECT_TRUE(coverRect.left == 0 && coverRect.top == 0);
    EXPECT_TRUE(coverRect.right == desktop.right && coverRect.bottom == desktop.bottom);

    DWORD owner = 0;
    GetWindowThreadProcessId(cover, &owner);
    EXPECT_TRUE(owner == dusklid.info.dwProcessId);
    // Its hot keys are taken while it runs.
    EXPECT_TRUE(!HotKeysAreFree());
    Screenshot("desktop-with-tray-icon");
}

TEST(Startup, CommandLineAndShowCommandAreIgnored)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklid(dusklid, MakeWorkDir("ignores_arguments"), L"/show --cover x",
                         SW_SHOWMAXIMIZED));
    ASSERT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000));
    WaitForInputIdle(dusklid.info.hProcess, 5000);
    HWND cover = FindCoverWindow();
    EXPECT_TRUE(!IsWindowVisible(cover));
    EXPECT_TRUE(dusklid.Running());
    EXPECT_TRUE(FindVisibleWindow(L"#32770", dusklid.info.dwProcessId) == nullptr);
}

TEST(Startup, SecondCopyExitsAtOnceAndLeavesTheFirstAlone)
{
    DusklidProcess first;
    ASSERT_TRUE(StartDusklidAndWait(first, "single_first"));
    HWND cover = FindCoverWindow();

    DusklidProcess second;
    ASSERT_TRUE(StartDusklid(second, MakeWorkDir("single_second")));
    EXPECT_TRUE(second.WaitForExit(10000) == 0);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(FindCoverWindow() == cover);
    EXPECT_TRUE(CountCoverWindows() == 1);
    EXPECT_TRUE(!IsWindowVisible(cover));
    EXPECT_TRUE(FindVisibleWindow(L"#32770", second.info.dwProcessId) == nullptr);
}

TEST(Startup, CloseRequestsChangeNothing)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "close_ignored"));
    HWND cover = FindCoverWindow();
    SendMessageTimeoutW(cover, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_TRUE(IsWindow(cover));
    EXPECT_TRUE(dusklid.Running());

    // Alt+F4 on the shown cover comes back to the same close request.
    PostMessageW(cover, WM_COMMAND, 500, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    WaitUntil([&] { return GetForegroundWindow() == cover; }, 3000);
    SendHotKey(false, false, false, true, VK_F4);
    Sleep(500);
    EXPECT_TRUE(IsWindow(cover));
    EXPECT_TRUE(IsWindowVisible(cover));
    EXPECT_TRUE(dusklid.Running());
}

TEST(Startup, ExitCommandEndsWithCodeZeroAndFreesTheHotKeys)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "exit_command"));
    ASSERT_TRUE(!HotKeysAreFree());
    PostMessageW(FindCoverWindow(), WM_COMMAND, 505, 0);
    EXPECT_TRUE(dusklid.WaitForExit(10000) == 0);
    EXPECT_TRUE(FindCoverWindow() == nullptr);
    EXPECT_TRUE(HotKeysAreFree());
}

TEST(Startup, TrayIconIsShownWhileTheProgramRuns)
{
    ASSERT_TRUE(WaitUntil([] { return NoTrayIcon(); }, 5000));
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "tray_icon"));
    EXPECT_TRUE(WaitUntil([] { return TrayIconShown(); }, 5000));
    PostMessageW(FindCoverWindow(), WM_COMMAND, 505, 0);
    EXPECT_TRUE(dusklid.WaitForExit(10000) == 0);
    EXPECT_TRUE(WaitUntil([] { return NoTrayIcon(); }, 5000));
}

TEST(Startup, AboutBoxShowsTheVersion)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "about_box"));
    PostMessageW(FindCoverWindow(), WM_COMMAND, 504, 0);
    HWND box = WaitForDialog(dusklid.info.dwProcessId);
    ASSERT_TRUE(box != nullptr);
    EXPECT_TRUE(WindowText(box) == L"バージョン情報");
    const std::wstring text = DialogItemText(box, 0xFFFF);
    EXPECT_TRUE(text.rfind(L"ZvDusklid v1.6\n", 0) == 0) << "about text starts with the version line";
    EXPECT_TRUE(GetWindow(box, GW_OWNER) == FindCoverWindow());
    EXPECT_TRUE(GetDlgItem(box, IDOK) != nullptr);
    EXPECT_TRUE(GetDlgItem(box, IDCANCEL) == nullptr);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_TRUE(dusklid.Running());
}
