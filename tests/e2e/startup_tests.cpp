// Start-up, single instance, close requests and the exit command.
#include "toolkit/toolkit.h"

class Startup : public FreshFolderTest {};

TEST_F(Startup, StartsHiddenTopmostAndDesktopSized)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(WindowText(cover), COVER_WINDOW_TITLE_W);
    EXPECT_FALSE(IsWindowVisible(cover));
    EXPECT_NE(GetWindowLongW(cover, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // A popup without frame or caption.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(cover, GWL_STYLE)) &
                  (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME),
              static_cast<DWORD>(WS_POPUP));
    const RECT desktop = DesktopRect();
    RECT area = {};
    GetWindowRect(cover, &area);
    EXPECT_TRUE(EqualRect(&area, &desktop))
        << area.left << "," << area.top << " to " << area.right << "," << area.bottom;
    DWORD owner = 0;
    GetWindowThreadProcessId(cover, &owner);
    EXPECT_EQ(owner, dusklid.Id());
    EXPECT_FALSE(HotKeysAreFree()) << "its hot keys are taken while it runs";
    Screenshot("desktop-with-tray-icon");
}

TEST_F(Startup, CommandLineAndShowCommandAreIgnored)
{
    ASSERT_TRUE(StartDusklid(dusklid, workDir, L"/show --cover x", SW_SHOWMAXIMIZED));
    ASSERT_TRUE(WaitUntil([&] { return (cover = FindCoverWindow()) != nullptr; }, 20000));
    WaitForInputIdle(dusklid.info.hProcess, 5000);
    EXPECT_TRUE(StaysTrue([&] { return !IsWindowVisible(cover) && NoDialog(dusklid.Id()); }, 1000))
        << "the cover or a box showed";
    EXPECT_TRUE(dusklid.Running());
}

TEST_F(Startup, SecondCopyExitsAtOnceAndLeavesTheFirstAlone)
{
    ASSERT_TRUE(Start());
    DusklidProcess second;
    ASSERT_TRUE(StartDusklid(second, MakeWorkDir("Startup.SecondCopy")));
    EXPECT_EQ(second.WaitForExit(10000), 0);
    EXPECT_TRUE(dusklid.Running());
    // The first cover window found, and the only one.
    EXPECT_EQ(FindCoverWindow(), cover);
    EXPECT_EQ(FindWindowExW(nullptr, cover, COVER_CLASS_NAME_W, nullptr), nullptr);
    EXPECT_FALSE(IsWindowVisible(cover));
    EXPECT_TRUE(NoDialog(second.Id()));
}

TEST_F(Startup, CloseRequestsChangeNothing)
{
    ASSERT_TRUE(Start());
    SendMessageTimeoutW(cover, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_TRUE(IsWindow(cover));
    EXPECT_TRUE(dusklid.Running());

    // Alt+F4 on the shown cover comes back to the same close request.
    PostMessageW(cover, WM_COMMAND, IDM_COVER, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    WaitForeground(cover, 3000);
    SendHotKey(MOD_ALT, VK_F4);
    EXPECT_TRUE(StaysTrue([&] { return IsWindowVisible(cover) && dusklid.Running(); }, 1000))
        << "Alt+F4 closed or hid the cover";
}

TEST_F(Startup, ExitCommandEndsWithCodeZeroAndFreesTheHotKeys)
{
    ASSERT_TRUE(Start());
    ASSERT_FALSE(HotKeysAreFree());
    PostMessageW(cover, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(dusklid.WaitForExit(10000), 0);
    EXPECT_EQ(FindCoverWindow(), nullptr);
    EXPECT_TRUE(HotKeysAreFree());
}

TEST_F(Startup, HotKeysAnotherProgramHoldsAreNamedAndTheOthersWork)
{
    // No balloon while every combination can be had.
    ASSERT_TRUE(Start());
    EXPECT_TRUE(StaysTrue([] { return !TrayBalloonShows(L"ホットキー"); }, 1500));
    PostMessageW(cover, WM_COMMAND, IDM_EXIT, 0);
    ASSERT_EQ(dusklid.WaitForExit(10000), 0);

    for (const HotKeyBinding& held : HOT_KEYS) {
        SCOPED_TRACE(held.name);
        ASSERT_TRUE(RegisterHotKey(nullptr, held.id, held.modifiers, held.key));
        DusklidProcess process;
        ASSERT_TRUE(StartDusklidAndWait(process, workDir));
        const std::wstring notice = WaitForTrayBalloon(
            [](const std::wstring& text) { return text.find(L"ホットキー") != std::wstring::npos; });
        // A sentence, then the combinations that could not be had, one a line.
        EXPECT_EQ(Utf8(notice.substr(notice.find(L'\n') + 1)), held.name) << Utf8(notice);
        // The others are the program's: the driver cannot take them.
        for (const HotKeyBinding& other : HOT_KEYS)
            if (other.id != held.id && RegisterHotKey(nullptr, other.id, other.modifiers, other.key)) {
                UnregisterHotKey(nullptr, other.id);
                ADD_FAILURE() << other.name << " was not registered";
            }
        EXPECT_TRUE(process.Running());
        UnregisterHotKey(nullptr, held.id);
    }
}

TEST_F(Startup, TrayIconIsShownWhileTheProgramRuns)
{
    const auto noIcon = [] { const RECT box = TrayIconArea(); return IsRectEmpty(&box) != FALSE; };
    ASSERT_TRUE(WaitUntil(noIcon, 5000)) << "an icon was left from before";
    ASSERT_TRUE(Start());
    EXPECT_TRUE(WaitUntil(TrayIconShown, 5000));
    PostMessageW(cover, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(dusklid.WaitForExit(10000), 0);
    EXPECT_TRUE(WaitUntil(noIcon, 5000));
}

TEST_F(Startup, AboutBoxShowsTheVersion)
{
    ASSERT_TRUE(Start());
    PostMessageW(cover, WM_COMMAND, IDM_ABOUT, 0);
    HWND box = WaitForAboutBox(dusklid.Id());
    ASSERT_NE(box, nullptr);
    const std::wstring versionLine = L"" DUSKLID_ABOUT_TITLE "\n";
    EXPECT_EQ(DialogItemText(box, 0xFFFF).substr(0, versionLine.size()), versionLine);
    EXPECT_EQ(GetWindow(box, GW_OWNER), cover);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    ClickButton(box, IDOK);
    EXPECT_TRUE(WaitClosed(box));
    EXPECT_TRUE(dusklid.Running());
}
