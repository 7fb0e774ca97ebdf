// Screen captures read back from disk, and the cases that must leave no file.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <vector>

namespace {

constexpr COLORREF COVER_COLOR = RGB(12, 34, 56);
constexpr COLORREF WINDOW_COLOR = RGB(200, 100, 50);
const wchar_t CANNOT_SAVE[] = L"キャプチャを保存できませんでした。";

// Waits for the one capture in `folder` and reads it; `problem` also tells
// when its size, as read here or by ImageMagick, is not that of `area`.
BitmapFile TheCapture(const std::wstring& folder, const RECT& area)
{
    BitmapFile file = ReadTheCapture(folder);
    const std::string size =
        std::to_string(area.right - area.left) + " " + std::to_string(area.bottom - area.top);
    const std::string read = std::to_string(file.width) + " " + std::to_string(file.height);
    if (file.problem.empty() && read != size)
        file.problem = "size " + read + ", expected " + size;
    else if (file.problem.empty() &&
             DecodedSize(WindowsToUnixPath(folder + L"\\" + BitmapNames(folder)[0])) != size)
        file.problem = "ImageMagick does not read the size as " + size;
    return file;
}

// Captures into `captureFolder` with `picture` (both Shift-JIS); the hot corner off.
std::string CapturePreferences(const std::string& captureFolder, const std::string& picture = "")
{
    return PreferenceBytes(PreferenceFields().Color(COVER_COLOR).Picture(picture).Stretch('0')
                               .Corner('0').Delay("0").Folder(captureFolder));
}

// Gives `window` a caption and a frame, which a whole-window capture would show,
// and puts its client area at (x, y) of the screen, in front and painted.
bool FrameAndPlace(HWND window, int x, int y)
{
    SetWindowLongPtrW(window, GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    POINT origin = {0, 0};
    RECT client = {}, frame = {};
    ClientToScreen(window, &origin);
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    SetWindowPos(window, HWND_TOP, frame.left + x - origin.x, frame.top + y - origin.y, 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    return client.right < frame.right - frame.left && client.bottom < frame.bottom - frame.top &&
           WaitForeground(window, 10000) &&
           WaitForPixel(std::max(x, 0) + 2, std::max(y, 0) + 2, WINDOW_COLOR, 0, 10000);
}

// The local time as capture names begin with it.
std::wstring TimeStem()
{
    SYSTEMTIME time = {};
    GetLocalTime(&time);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u_%02u-%02u-%02u", time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond);
    return text;
}

// A capture that saved no file shows no box, only a balloon that says why and
// into which folder (cut when the balloon cannot hold all of it).
void ExpectNoticeOfFailedCapture(DWORD processId, const wchar_t* reason, const std::wstring& folder)
{
    EXPECT_TRUE(NoDialog(processId));
    const std::wstring why = std::wstring(CANNOT_SAVE) + L"\n" + reason + L"\n";
    const std::wstring shown =
        WaitForTrayBalloon([&](const std::wstring& text) { return text.rfind(why, 0) == 0; });
    EXPECT_GT(shown.size(), why.size()) << "no notice saying " << Utf8(reason);
    EXPECT_EQ(Utf8(shown), Utf8((why + folder).substr(0, shown.size())));
}

} // namespace

class Capture : public FreshFolderTest {
protected:
    // Hot keys are handled in order: once the cover's key is answered, the capture has run.
    bool CaptureScreenAndWait()
    {
        PressHotKey(HOTKEY_CAPTURE_SCREEN);
        return ShowCoverByHotKey(cover);
    }

    bool StartAndCapture(DusklidProcess& process, const std::string& folder)
    {
        return Start(process, CapturePreferences(folder)) && CaptureScreenAndWait();
    }
};

TEST_F(Capture, CaptureSavesTheDesktopAsTheScreenShowsIt)
{
    // A gradient: a picture stored or drawn upside down, shifted or cut differs.
    const std::wstring picture =
        MakePicture("capture_gradient.bmp", "-size 200x150 gradient:red-blue");
    ASSERT_FALSE(picture.empty());
    ASSERT_TRUE(Start(CapturePreferences(ShiftJis(workDir), ShiftJis(picture))));
    const RECT desktop = DesktopRect();

    // The tray menu's capture entry saves the desktop as it is.
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_CAPTURE));
    const BitmapFile menuCapture = TheCapture(workDir, desktop);
    EXPECT_EQ(menuCapture.problem, "");
    EXPECT_EQ(menuCapture.bits, ScreenBits());
    EXPECT_FALSE(IsWindowVisible(cover));

    // The hot key saves the shown cover exactly as the screen shows it.
    PressHotKey(HOTKEY_COVER);
    const POINT centre = ScreenCentre();
    ASSERT_TRUE(WaitUntil([&] {
        return ScreenPixel(5, 5) == COVER_COLOR && ScreenPixel(centre.x, centre.y) != COVER_COLOR;
    }, 10000));
    DeleteBitmaps(workDir);
    PressHotKey(HOTKEY_CAPTURE_SCREEN);
    const BitmapFile file = TheCapture(workDir, desktop);
    ASSERT_EQ(file.problem, "");
    EXPECT_EQ(file.bits, ScreenBits());
    if (file.bits == 32 && desktop.right == 1024 && desktop.bottom == 768) {
        EXPECT_EQ(file.bytes.size(), 3145782u);
    }
    ASSERT_TRUE(file.bits == 32 || file.bits == 24) << file.bits << " bits";
    EXPECT_EQ(DifferencesFromScreen(file, GrabScreen(desktop), std::equal_to<COLORREF>()), "");
    // The picture is really in it: red at its top, blue at its bottom.
    EXPECT_NE(Rgb(file.Pixel(centre.x, centre.y - 74)), Rgb(file.Pixel(centre.x, centre.y + 74)));
    EXPECT_TRUE(NoDialog(dusklid.Id()));
    EXPECT_TRUE(StaysTrue([] { return !TrayBalloonShows(CANNOT_SAVE); }, 1000)) << "a notice";
}

TEST_F(Capture, CapturesWithinOneSecondAreNumbered)
{
    // An empty folder line: captures go to the start-up folder.
    ASSERT_TRUE(Start(CapturePreferences("")));

    // Three keys right after the clock turns over usually fall in one second; a
    // slow moment may split them (which the names must show too): try again.
    bool sameSecond = false;
    for (int attempt = 1; attempt <= 3 && !sameSecond; ++attempt) {
        DeleteBitmaps(workDir);
        const std::wstring before = TimeStem();
        ASSERT_TRUE(WaitUntil([&] { return TimeStem() != before; }, 2000));
        const std::wstring first = TimeStem();
        for (int key = 0; key < 3; ++key)
            PressHotKey(HOTKEY_CAPTURE_SCREEN);
        const std::vector<std::wstring> names = WaitForCaptures(workDir, 3);
        ASSERT_EQ(names.size(), 3u);
        const std::wstring last = TimeStem();

        // Each name is the local time of its capture; within a second the counters
        // run without a gap, sorted as "T.bmp", "T_1.bmp", "T_2.bmp".
        const std::wregex pattern(LR"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_[1-9]\d*)?\.bmp)");
        int counter = 0;
        for (size_t i = 0; i < names.size(); ++i) {
            const std::wstring stem = names[i].substr(0, 19);
            EXPECT_TRUE(std::regex_match(names[i], pattern)) << Utf8(names[i]);
            EXPECT_GE(stem, first);
            EXPECT_LE(stem, last);
            counter = i > 0 && stem == names[i - 1].substr(0, 19) ? counter + 1 : 0;
            const std::wstring suffix = counter == 0 ? L"" : L"_" + std::to_wstring(counter);
            EXPECT_EQ(names[i], stem + suffix + L".bmp");
            EXPECT_EQ(ReadBitmapFile(workDir + L"\\" + names[i]).problem, "") << Utf8(names[i]);
        }
        sameSecond = names[0].substr(0, 19) == names[2].substr(0, 19);
    }
    if (!sameSecond)
        std::printf("    note: the three captures never fell within one second here\n");
}

TEST_F(Capture, WindowCaptureSavesTheForegroundClientArea)
{
    ASSERT_TRUE(Start(CapturePreferences(ShiftJis(workDir))));
    ColorWindow front(WINDOW_COLOR, RECT{0, 0, 300, 200});
    const struct { const char* what; int x, y; } placements[] = {
        {"on the screen", 150, 120},
        {"partly left of the screen", -110, 140},
        {"partly right of the screen", DesktopRect().right - 120, 160},
    };
    for (const auto& placement : placements) {
        SCOPED_TRACE(placement.what);
        ASSERT_TRUE(FrameAndPlace(front.window, placement.x, placement.y));
        // The part of the client area that lies on the screen.
        RECT client = {}, visible = {};
        const RECT screen = DesktopRect();
        GetClientRect(front.window, &client);
        MapWindowPoints(front.window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        IntersectRect(&visible, &client, &screen);
        DeleteBitmaps(workDir);
        PressHotKey(HOTKEY_CAPTURE_WINDOW);
        const BitmapFile file = TheCapture(workDir, visible);
        ASSERT_EQ(file.problem, "");
        EXPECT_EQ(DifferencesFromColor(file, WINDOW_COLOR), "");
    }

    // With the cover shown, the cover is the window in front.
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    ASSERT_TRUE(WaitForeground(cover, 10000) && WaitForPixel(5, 5, COVER_COLOR, 0, 10000));
    DeleteBitmaps(workDir);
    PressHotKey(HOTKEY_CAPTURE_WINDOW);
    // Now and then the key right after the cover's goes unanswered here; only
    // without the balloon of a failed capture is it taken as lost and pressed again.
    if (WaitForCaptures(workDir, 1).empty()) {
        ASSERT_FALSE(TrayBalloonShows(CANNOT_SAVE)) << "the capture failed";
        PressHotKey(HOTKEY_CAPTURE_WINDOW);
    }
    const BitmapFile file = TheCapture(workDir, DesktopRect());
    ASSERT_EQ(file.problem, "");
    EXPECT_EQ(DifferencesFromColor(file, COVER_COLOR), "");
    EXPECT_TRUE(NoDialog(dusklid.Id()));
}

TEST_F(Capture, CaptureFolderEndingInADoubleByteCharacterIsKept)
{
    // 表 is 0x95 0x5C in Shift-JIS: its second byte is a backslash's.
    const std::wstring parent = workDir + L"\\撮影";
    const std::wstring folder = parent + L"\\表";
    CreateDirectoryW(parent.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_EQ(ShiftJis(folder).back(), '\\');

    // As it is, then with a real trailing backslash, which alone goes.
    size_t expected = 0;
    for (const std::string& setting : {ShiftJis(folder), ShiftJis(folder) + "\\"}) {
        DusklidProcess process;
        ASSERT_TRUE(StartAndCapture(process, setting));
        EXPECT_EQ(WaitForCaptures(folder, ++expected).size(), expected) << "files in 表";
        EXPECT_EQ(BitmapNames(parent).size(), 0u);
        EXPECT_EQ(BitmapNames(workDir).size(), 0u);
        EXPECT_TRUE(NoDialog(process.Id()));
    }
}

TEST_F(Capture, CaptureIntoAMissingOrTooLongFolderLeavesNoFile)
{
    // A folder that does not exist: no file, no folder made, no box, but a balloon.
    const std::wstring missing = workDir + L"\\missing";
    {
        DusklidProcess process;
        ASSERT_TRUE(StartAndCapture(process, ShiftJis(missing)));
        EXPECT_FALSE(PathExists(missing));
        EXPECT_EQ(FileNames(workDir), std::vector<std::wstring>{PREFERENCE_FILE_NAME_W});
        EXPECT_TRUE(process.Running());
        ExpectNoticeOfFailedCapture(process.Id(), L"保存先のフォルダーが見つかりません。", missing);
    }

    // Folders of 231 and 232 characters: the name after the folder takes 24,
    // and a path holds at most 255. Nested, as one part may have 255 at most.
    const WineDrive drive('s', WindowsToUnixPath(workDir));
    ASSERT_TRUE(drive.ready);
    std::wstring folder = drive.root;
    while (folder.size() < 231) {
        const size_t remaining = 231 - folder.size();
        folder += L"\\" + std::wstring(remaining > 62 ? 60 : remaining - 1, L'd');
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    ASSERT_EQ(folder.size(), 231u);
    const std::wstring tooLong = folder + L"x";
    ASSERT_TRUE(CreateDirectoryW(tooLong.c_str(), nullptr));
    {
        DusklidProcess process;
        ASSERT_TRUE(StartAndCapture(process, ShiftJis(tooLong)));
        // No file of any name: a cut name would not end in .bmp.
        EXPECT_EQ(FileNames(tooLong).size(), 0u);
        ExpectNoticeOfFailedCapture(process.Id(), L"保存先のパスが長すぎます。", tooLong);
    }

    ASSERT_TRUE(Start(CapturePreferences(ShiftJis(folder))));
    PressHotKey(HOTKEY_CAPTURE_SCREEN);
    ASSERT_EQ(ReadTheCapture(folder).problem, "");
    EXPECT_EQ((folder + L"\\" + BitmapNames(folder)[0]).size(), 255u);
}

// Without the icon in the notification area (no shell yet, or one
// restarting) the notice waits until the shell is there and takes the icon.
TEST_F(Capture, NoticeOfAFailedCaptureWaitsForTheTrayIcon)
{
    const std::wstring missing = workDir + L"\\missing";
    ASSERT_TRUE(Start(CapturePreferences(ShiftJis(missing))));
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = cover;
    icon.uID = TRAY_ICON_ID;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    ASSERT_TRUE(CaptureScreenAndWait());
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    ExpectNoticeOfFailedCapture(dusklid.Id(), L"保存先のフォルダーが見つかりません。", missing);
}

// The shell's announcement may also come while it still shows the icon, which
// it then refuses to add twice: the notices must not wait for another one.
TEST_F(Capture, NoticeOfAFailedCaptureShowsAfterAnAnnouncementThatFoundTheIcon)
{
    const std::wstring missing = workDir + L"\\missing";
    ASSERT_TRUE(Start(CapturePreferences(ShiftJis(missing))));
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    ASSERT_TRUE(CaptureScreenAndWait());
    ExpectNoticeOfFailedCapture(dusklid.Id(), L"保存先のフォルダーが見つかりません。", missing);
}

TEST_F(Capture, DriveRootCaptureFolderWritesIntoTheRoot)
{
    const std::wstring root = workDir + L"\\drive";
    WineDrive drive('r', WindowsToUnixPath(root));
    ASSERT_TRUE(drive.ready);
    ASSERT_TRUE(Start(CapturePreferences("R:\\")));
    // Twice: the first shortens the setting to "R:", the second must still land in the root.
    PressHotKey(HOTKEY_CAPTURE_SCREEN);
    PressHotKey(HOTKEY_CAPTURE_SCREEN);
    const std::vector<std::wstring> names = WaitForCaptures(root, 2);
    EXPECT_EQ(names.size(), 2u);
    for (const std::wstring& name : names)
        EXPECT_EQ(ReadBitmapFile(root + L"\\" + name).problem, "") << Utf8(name);
    EXPECT_EQ(BitmapNames(workDir).size(), 0u);
    EXPECT_TRUE(NoDialog(dusklid.Id()));
    // The shortened setting is what the preferences dialog now shows.
    HWND dialog = OpenPreferencesDialog(cover, dusklid.Id());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(DialogItemText(dialog, IDC_CAPTURE_FOLDER), L"R:");
    ClickButton(dialog, IDC_CANCEL);
    EXPECT_TRUE(WaitClosed(dialog));
}

TEST_F(Capture, CaptureOntoAFullDriveLeavesNoTruncatedFile)
{
    // 1 MiB: room for a small window's capture, not for the whole desktop's.
    const std::string driveFolder = WindowsToUnixPath(workDir) + "/drive";
    WineDrive drive('t', driveFolder, "1m");
    if (!drive.ready)
        GTEST_SKIP() << "no tmpfs could be mounted here (not root?)";
    ASSERT_TRUE(Start(CapturePreferences("T:")));
    {
        ColorWindow front(WINDOW_COLOR, RECT{0, 0, 100, 80});
        ASSERT_TRUE(FrameAndPlace(front.window, 200, 200));
        PressHotKey(HOTKEY_CAPTURE_WINDOW);
        EXPECT_EQ(ReadTheCapture(L"T:").problem, "") << "a small window's capture fits";
        DeleteBitmaps(L"T:");
    }

    // The desktop does not: the write fails part way and the file goes.
    ASSERT_TRUE(CaptureScreenAndWait());
    EXPECT_EQ(FileNames(L"T:"), std::vector<std::wstring>{}) << "left behind";
    std::string used;
    RunUnixCommandOutput("du -sk '" + driveFolder + "' | cut -f1", used);
    EXPECT_EQ(used, "0\n") << "kilobytes still used";
    ExpectNoticeOfFailedCapture(dusklid.Id(), L"ディスクの空き容量が足りません。", L"T:");
}

TEST_F(Capture, WindowWithoutAClientAreaGivesANoticeAndNoFile)
{
    ASSERT_TRUE(Start(CapturePreferences(ShiftJis(workDir))));
    ColorWindow empty(WINDOW_COLOR, RECT{100, 100, 100, 100});
    ASSERT_TRUE(WaitForeground(empty.window));
    PressHotKey(HOTKEY_CAPTURE_WINDOW);
    ExpectNoticeOfFailedCapture(dusklid.Id(), L"画面を写せなかったか、ファイルを書き込めませんでした。",
                                workDir);
    EXPECT_EQ(BitmapNames(workDir).size(), 0u);
}
