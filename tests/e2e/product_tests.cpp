// What makes dusklid.exe a finished Windows program: its version resource and
// manifest, its tray icon surviving a shell restart, a tray menu that takes
// the keyboard, the read-me that the help command opens, and the main use
// from end to end.
#include "toolkit/toolkit.h"

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>

namespace {

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name)
{
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041103A4\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || length == 0)
        return L"(missing)";
    return static_cast<const wchar_t*>(value);
}

// The manifest resource of the program, as text.
std::string ManifestText()
{
    HMODULE module = LoadLibraryExW(Config().dusklidExe.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr)
        return "";
    std::string text;
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    if (loaded != nullptr)
        text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, resource));
    FreeLibrary(module);
    return text;
}

// The full path of the comctl32.dll that `process` has loaded, lower case.
std::wstring LoadedCommonControls(HANDLE process)
{
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!K32EnumProcessModules(process, modules, sizeof modules, &bytes))
        return L"";
    for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
        wchar_t path[MAX_PATH] = {};
        K32GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
        std::wstring lower = path;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
        if (lower.size() >= 12 && lower.compare(lower.size() - 12, 12, L"comctl32.dll") == 0)
            return lower;
    }
    return L"";
}

NOTIFYICONDATAW ProgramTrayIcon(HWND cover)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = cover;
    icon.uID = 2953;
    return icon;
}

// Asks the shell to change nothing about the program's icon: it agrees only
// when it knows the icon.
bool ShellKnowsTrayIcon(HWND cover)
{
    NOTIFYICONDATAW probe = ProgramTrayIcon(cover);
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// What a shell that has restarted has lost: the program's icon.
void ForgetTrayIcon(HWND cover)
{
    NOTIFYICONDATAW icon = ProgramTrayIcon(cover);
    Shell_NotifyIconW(NIM_DELETE, &icon);
}

// Right-clicks the icon through the X server, as a person would; returns
// the menu that opened, or null.
HWND RightClickTrayIcon(DWORD processId)
{
    if (!TrayIconShown())
        return nullptr;
    const RECT icon = TrayIconArea();
    // Two presses on the icon within the double-click time make a
    // double-click, which opens nothing.
    Sleep(GetDoubleClickTime() + 100);
    MovePointer((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
    Xdo("click 3");
    HWND menu = nullptr;
    WaitUntil([&] { return (menu = FindVisibleWindow(L"#32768", processId)) != nullptr; }, 5000);
    return menu;
}

} // namespace

TEST(Product, VersionResourceAndManifestDescribeTheProgram)
{
    const std::wstring& exe = Config().dusklidExe;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_TRUE(size != 0);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_TRUE(fixed->dwFileVersionMS == MAKELONG(6, 1) && fixed->dwFileVersionLS == 0);
    EXPECT_TRUE(fixed->dwProductVersionMS == MAKELONG(6, 1) && fixed->dwProductVersionLS == 0);
    EXPECT_TRUE(fixed->dwFileType == VFT_APP);
    EXPECT_TRUE((fixed->dwFileFlags & VS_FF_DEBUG) == 0);

    // Japanese in Shift-JIS: the language and code page that Explorer shows.
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&translation), &length));
    EXPECT_TRUE(length == 4 && translation[0] == 0x0411 && translation[1] == 932);
    EXPECT_TRUE(VersionString(info, L"ProductName") == L"Dusklid");
    EXPECT_TRUE(VersionString(info, L"FileVersion") == L"1.6.0.0");
    EXPECT_TRUE(VersionString(info, L"ProductVersion") == L"1.6.0.0");
    EXPECT_TRUE(VersionString(info, L"OriginalFilename") == L"dusklid.exe");
    EXPECT_TRUE(VersionString(info, L"FileDescription") == L"Dusklid 画面を隠して撮影する常駐ツール") << Utf8(VersionString(info, L"FileDescription"));

    const std::string manifest = ManifestText();
    ASSERT_TRUE(!manifest.empty());
    const char* const expected[] = {
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "level=\"asInvoker\" uiAccess=\"false\"",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
        ">true</dpiAware>",
        ">PerMonitorV2, System</dpiAwareness>",
    };
    for (const char* part : expected)
        EXPECT_TRUE(manifest.find(part) != std::string::npos) << part;

    // The manifest is read as the program starts: the common controls it
    // runs with are version 6 from the side-by-side store.
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "manifest"));
    const std::wstring controls = LoadedCommonControls(dusklid.info.hProcess);
    EXPECT_TRUE(controls.find(L"\\winsxs\\") != std::wstring::npos &&
                  controls.find(L"common-controls") != std::wstring::npos &&
                  controls.find(L"_6.") != std::wstring::npos) << Utf8(controls);
}

TEST(Product, TrayIconComesBackAfterTheShellRestarts)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "shell_restart"));
    HWND cover = FindCoverWindow();
    EXPECT_TRUE(WaitUntil([&] { return ShellKnowsTrayIcon(cover) && TrayIconShown(); }, 5000));

    // A new shell starts with an empty notification area, then tells every
    // top-level window that it is there.
    ForgetTrayIcon(cover);
    EXPECT_TRUE(WaitUntil([&] {
        const RECT box = TrayIconArea();
        return !ShellKnowsTrayIcon(cover) && IsRectEmpty(&box);
    }, 5000));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    EXPECT_TRUE(WaitUntil([&] { return ShellKnowsTrayIcon(cover) && TrayIconShown(); }, 5000));

    // It is the same icon: a click on it still shows the cover.
    ASSERT_TRUE(TrayIconShown());
    const RECT icon = TrayIconArea();
    ClickAt((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    EXPECT_TRUE(dusklid.Running());
}

TEST(Product, TrayMenuFromTheIconTakesTheKeyboardAndClosesOnAClickElsewhere)
{
    // The icon sits in the bottom-right corner: the hot corner stays off, so
    // that resting the pointer there shows no cover.
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, MakeWorkDirWithPreferences(
        "tray_keyboard", PreferenceBytes(0, 0, 0, "", '1', '0', "0", ""))));
    HWND cover = FindCoverWindow();
    const DWORD processId = dusklid.info.dwProcessId;
    // The user works in another program: it has the keyboard until the menu
    // takes it.
    const ColourWindow otherProgram(RGB(0, 128, 0), {100, 100, 500, 400});

    // A click outside closes the menu and chooses nothing.
    HWND menu = RightClickTrayIcon(processId);
    ASSERT_TRUE(menu != nullptr);
    WaitUntil([&] { return EntryCentres(menu).size() == TRAY_MENU_ENTRY_COUNT; }, 5000);
    Screenshot("tray-menu-at-icon");
    ClickAt(400, 300);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, 5000));
    EXPECT_TRUE(!IsWindowVisible(cover));
    EXPECT_TRUE(FindVisibleWindow(L"#32770", processId) == nullptr);

    // V: version information.
    menu = RightClickTrayIcon(processId);
    ASSERT_TRUE(menu != nullptr);
    EXPECT_TRUE(GetForegroundWindow() != otherProgram.window);
    PressKey('V');
    HWND about = WaitForWindowTitled(processId, L"バージョン情報");
    EXPECT_TRUE(about != nullptr);
    if (about != nullptr) {
        ClickButton(about, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 5000));
    }

    // Escape closes the menu; then X ends the program.
    menu = RightClickTrayIcon(processId);
    ASSERT_TRUE(menu != nullptr);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, 5000));
    EXPECT_TRUE(dusklid.Running());
    menu = RightClickTrayIcon(processId);
    ASSERT_TRUE(menu != nullptr);
    PressKey('X');
    EXPECT_TRUE(dusklid.WaitForExit(10000) == 0);
}

TEST(Product, HelpOpensTheReadMeInNotepad)
{
    // As unpacked from the release package: the read-me beside the program,
    // which is started in its own folder.
    std::string readMe;
    ASSERT_TRUE(ReadFileBytes(DusklidFolder() + L"\\ReadMe.txt", readMe));
    const std::wstring folder = MakeWorkDir("help_read_me");
    const ProgramCopy program(folder);
    ASSERT_TRUE(program.ready);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\ReadMe.txt", readMe));
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, folder));
    HWND cover = FindCoverWindow();
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.info.dwProcessId, IDM_HELP));

    HWND notepad = WaitForNotepad();
    ASSERT_TRUE(notepad != nullptr);
    EXPECT_TRUE(WindowText(notepad).find(L"ReadMe") != std::wstring::npos) << Utf8(WindowText(notepad));
    // Notepad took the byte-order mark as UTF-8 and shows the Japanese text
    // as written, line for line.
    ASSERT_TRUE(readMe.compare(0, 3, "\xEF\xBB\xBF") == 0);
    const std::wstring expected = FromUtf8(readMe.substr(3));
    const std::wstring shown = NotepadText(notepad);
    EXPECT_TRUE(shown == expected) << std::to_string(shown.size()) + " characters shown, " +
                                     std::to_string(expected.size()) + " in the file";
    EXPECT_TRUE(shown.find(L"【概要】") != std::wstring::npos);
    ScreenshotWindow("read-me-in-notepad", notepad);
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(notepad); }, 5000));
}

// The program's whole story, as the read-me tells it: the hot key hides the
// desktop behind a colour and a picture, and holding both buttons brings it
// back.
TEST(Product, HotKeyHidesTheDesktopBehindAPictureUntilBothButtonsAreHeld)
{
    const std::wstring picture = MakePicture(
        "story.jpg", "-size 480x300 gradient:'#f6d365'-'#fda085' "
                     "-font /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf -pointsize 72 "
                     "-fill '#2b2d42' -gravity center -annotate 0 Dusklid");
    ASSERT_TRUE(!picture.empty());
    const COLORREF background = RGB(43, 45, 66);
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, MakeWorkDirWithPreferences(
        "story", PreferenceBytes(43, 45, 66, ShiftJis(picture), '0', '0', "0", ""))));
    HWND cover = FindCoverWindow();
    const POINT centre = ScreenCentre();
    const COLORREF green = RGB(0, 160, 0);
    const ColourWindow desktopWork(green, {centre.x - 300, centre.y - 200, centre.x + 300, centre.y + 200});
    ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(centre.x - 280, centre.y) == green; }, 5000));

    SendHotKey(false, true, true, false, 'H');
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(0, 0) == background; }, 5000));
    // Left of the picture: the cover's colour; inside it, near its top: the
    // gradient's first colour, give or take the JPEG's rounding.
    EXPECT_TRUE(ScreenPixel(centre.x - 280, centre.y) == background);
    const COLORREF top = ScreenPixel(centre.x, centre.y - 145);
    EXPECT_TRUE(std::abs(GetRValue(top) - 0xf6) < 24 && std::abs(GetGValue(top) - 0xd3) < 24 &&
                  std::abs(GetBValue(top) - 0x65) < 24) << std::to_string(GetRValue(top)) + "," + std::to_string(GetGValue(top)) + "," +
                  std::to_string(GetBValue(top));
    Screenshot("cover-with-picture");

    MovePointer(centre.x + 300, centre.y + 250);
    Xdo("mousedown 1");
    Xdo("mousedown 3");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(cover); }, 6000));
    Xdo("mouseup 3");
    Xdo("mouseup 1");
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(centre.x - 280, centre.y) == green; }, 5000));
}
