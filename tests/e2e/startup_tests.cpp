// Start-up, single instance, close requests and the exit command.
#include "e2e_support.h"

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

E2E_TEST(StartsHiddenTopmostAndDesktopSized)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "starts_hidden"));
    HWND cover = FindCoverWindow();
    CHECK(WindowText(cover) == L"Dusklid v1.6");
    CHECK(!IsWindowVisible(cover));
    CHECK((GetWindowLongW(cover, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    const LONG style = GetWindowLongW(cover, GWL_STYLE);
    CHECK((style & WS_POPUP) != 0);
    CHECK((style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)) == 0);

    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    RECT coverRect = {};
    GetWindowRect(cover, &coverRect);
    CHECK(coverRect.left == 0 && coverRect.top == 0);
    CHECK(coverRect.right == desktop.right && coverRect.bottom == desktop.bottom);

    DWORD owner = 0;
    GetWindowThreadProcessId(cover, &owner);
    CHECK(owner == dusklid.info.dwProcessId);
    // Its hot keys are taken while it runs.
    CHECK(!HotKeysAreFree());
    Screenshot("desktop-with-tray-icon");
}

E2E_TEST(CommandLineAndShowCommandAreIgnored)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklid(dusklid, MakeWorkDir("ignores_arguments"), L"/show --cover x",
                         SW_SHOWMAXIMIZED));
    REQUIRE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000));
    WaitForInputIdle(dusklid.info.hProcess, 5000);
    HWND cover = FindCoverWindow();
    CHECK(!IsWindowVisible(cover));
    CHECK(dusklid.Running());
    CHECK(FindVisibleWindow(L"#32770", dusklid.info.dwProcessId) == nullptr);
}

E2E_TEST(SecondCopyExitsAtOnceAndLeavesTheFirstAlone)
{
    DusklidProcess first;
    REQUIRE(StartDusklidAndWait(first, "single_first"));
    HWND cover = FindCoverWindow();

    DusklidProcess second;
    REQUIRE(StartDusklid(second, MakeWorkDir("single_second")));
    CHECK(second.WaitForExit(10000) == 0);
    CHECK(first.Running());
    CHECK(FindCoverWindow() == cover);
    CHECK(CountCoverWindows() == 1);
    CHECK(!IsWindowVisible(cover));
    CHECK(FindVisibleWindow(L"#32770", second.info.dwProcessId) == nullptr);
}

E2E_TEST(CloseRequestsChangeNothing)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "close_ignored"));
    HWND cover = FindCoverWindow();
    SendMessageTimeoutW(cover, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    CHECK(IsWindow(cover));
    CHECK(dusklid.Running());

    // Alt+F4 on the shown cover comes back to the same close request.
    PostMessageW(cover, WM_COMMAND, 500, 0);
    REQUIRE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    WaitUntil([&] { return GetForegroundWindow() == cover; }, 3000);
    SendHotKey(false, false, false, true, VK_F4);
    Sleep(500);
    CHECK(IsWindow(cover));
    CHECK(IsWindowVisible(cover));
    CHECK(dusklid.Running());
}

E2E_TEST(ExitCommandEndsWithCodeZeroAndFreesTheHotKeys)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "exit_command"));
    REQUIRE(!HotKeysAreFree());
    PostMessageW(FindCoverWindow(), WM_COMMAND, 505, 0);
    CHECK(dusklid.WaitForExit(10000) == 0);
    CHECK(FindCoverWindow() == nullptr);
    CHECK(HotKeysAreFree());
}

E2E_TEST(TrayIconIsShownWhileTheProgramRuns)
{
    REQUIRE(WaitUntil([] { return NoTrayIcon(); }, 5000));
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "tray_icon"));
    CHECK(WaitUntil([] { return TrayIconShown(); }, 5000));
    PostMessageW(FindCoverWindow(), WM_COMMAND, 505, 0);
    CHECK(dusklid.WaitForExit(10000) == 0);
    CHECK(WaitUntil([] { return NoTrayIcon(); }, 5000));
}

E2E_TEST(AboutBoxShowsTheVersion)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "about_box"));
    PostMessageW(FindCoverWindow(), WM_COMMAND, 504, 0);
    HWND box = WaitForDialog(dusklid.info.dwProcessId);
    REQUIRE(box != nullptr);
    CHECK(WindowText(box) == L"バージョン情報");
    const std::wstring text = DialogItemText(box, 0xFFFF);
    CHECK_MSG(text.rfind(L"ZvDusklid v1.6\n", 0) == 0, "about text starts with the version line");
    CHECK(GetWindow(box, GW_OWNER) == FindCoverWindow());
    CHECK(GetDlgItem(box, IDOK) != nullptr);
    CHECK(GetDlgItem(box, IDCANCEL) == nullptr);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    CHECK(WaitUntil([&] { return !IsWindow(box); }, 5000));
    CHECK(dusklid.Running());
}
