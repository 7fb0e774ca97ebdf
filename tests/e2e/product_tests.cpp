// What makes dusklid.exe a finished Windows program, and its main use from
// end to end.
#include "toolkit/toolkit.h"

#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <utility>

namespace {

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name)
{
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041103A4\\") + name;
    void* value = nullptr;
    UINT length = 0;
    const bool found = VerQueryValueW(info.data(), key.c_str(), &value, &length) && length > 0;
    return found ? static_cast<const wchar_t*>(value) : L"(missing)";
}

// The manifest as Windows finds it: resource 1 of type RT_MANIFEST.
std::string ManifestText()
{
    HMODULE module = LoadLibraryExW(Config().dusklidExe.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HRSRC resource = module ? FindResourceW(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST)
                            : nullptr;
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : "";
    const std::string manifest(text, loaded ? SizeofResource(module, resource) : 0);
    if (module != nullptr)
        FreeLibrary(module);
    return manifest;
}

// The full path, lower case, of the module `name` that `process` has loaded;
// empty when it has none.
std::wstring LoadedModule(HANDLE process, const std::wstring& name)
{
    const std::wstring ending = L"\\" + name;
    HMODULE modules[512];
    DWORD bytes = 0;
    K32EnumProcessModules(process, modules, sizeof modules, &bytes);
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t path[MAX_PATH] = {};
        K32GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
        const std::wstring lower = CharLowerW(path);
        if (lower.size() > ending.size() &&
            lower.compare(lower.size() - ending.size(), ending.size(), ending) == 0)
            return lower;
    }
    return L"";
}

// The stack canary's value in `process`, read where the linker's map beside
// dusklid.exe put __stack_chk_guard; 0 when it cannot be read.
std::uintptr_t StackCanary(HANDLE process)
{
    std::istringstream map(FileBytes(DusklidFolder() + L"\\dusklid.map"));
    unsigned long long base = 0, guard = 0;
    for (std::string line; std::getline(map, line);) {
        unsigned long long address = 0;
        char name[32] = {};
        if (std::sscanf(line.c_str(), " 0x%llx %31s", &address, name) != 2)
            continue;
        if (std::strcmp(name, "__image_base__") == 0)
            base = address;
        if (std::strcmp(name, "__stack_chk_guard") == 0)
            guard = address;
    }
    HMODULE image = nullptr;  // the first module is the program's own image
    DWORD bytes = 0;
    std::uintptr_t canary = 0;
    SIZE_T read = 0;
    if (guard <= base || !K32EnumProcessModules(process, &image, sizeof image, &bytes) ||
        !ReadProcessMemory(process, reinterpret_cast<const BYTE*>(image) + (guard - base),
                           &canary, sizeof canary, &read) || read != sizeof canary)
        return 0;
    return canary;
}

bool NotifyAboutTrayIcon(HWND cover, DWORD message)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = cover;
    icon.uID = TRAY_ICON_ID;
    return Shell_NotifyIconW(message, &icon) != FALSE;
}

// Clicks the icon through the X server, as a person would: button 1 left, 3 right.
bool ClickTrayIcon(int button)
{
    const RECT icon = TrayIconArea();
    if (!TrayIconShown())
        return false;
    // Two presses within the double-click time make a double-click, which opens no menu.
    Sleep(GetDoubleClickTime() + 100);
    MovePointer((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
    return Xdo("click " + std::to_string(button));
}

// False unless a menu opened.
bool RightClickTrayIcon(DWORD processId, HWND* menu)
{
    return ClickTrayIcon(3) && (*menu = WaitForVisibleWindow(L"#32768", processId, 5000)) != nullptr;
}

// Another program that takes typing: an edit box of the driver's.
struct TypingWindow {
    HWND window = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE | ES_MULTILINE, 100, 100,
                                  400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ~TypingWindow() { DestroyWindow(window); }
};

} // namespace

class Product : public FreshFolderTest {};

TEST_F(Product, VersionResourceAndManifestDescribeTheProgram)
{
    const std::wstring& exe = Config().dusklidExe;
    DWORD handle = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeW(exe.c_str(), &handle));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    constexpr DWORD HIGH = (DUSKLID_VERSION_MAJOR << 16) | DUSKLID_VERSION_MINOR;
    constexpr DWORD LOW = (DUSKLID_VERSION_PATCH << 16) | DUSKLID_VERSION_BUILD;
    const std::vector<DWORD> fileAndProduct = {fixed->dwFileVersionMS, fixed->dwFileVersionLS,
                                               fixed->dwProductVersionMS, fixed->dwProductVersionLS};
    EXPECT_EQ(fileAndProduct, std::vector<DWORD>({HIGH, LOW, HIGH, LOW}));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & VS_FF_DEBUG, 0u);

    // Japanese in Shift-JIS: the language and code page that Explorer shows.
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    EXPECT_EQ(translation[1], 932);
    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"ProductName", L"Dusklid"}, {L"FileVersion", L"" DUSKLID_VERSION_FULL},
        {L"ProductVersion", L"" DUSKLID_VERSION_FULL}, {L"OriginalFilename", L"dusklid.exe"},
        {L"FileDescription", L"Dusklid 画面を隠して撮影する常駐ツール"}};
    for (const auto& [name, value] : strings)
        EXPECT_EQ(Utf8(VersionString(info, name)), Utf8(value)) << Utf8(name);

    const std::string manifest = ManifestText();
    ASSERT_FALSE(manifest.empty());
    // The GUIDs of Windows 7, 8, 8.1, and 10 and 11, the systems it supports.
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "level=\"asInvoker\" uiAccess=\"false\"", ">true</dpiAware>",
                             ">PerMonitorV2, System</dpiAwareness>",
                             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;

    // The common controls load only when the preferences dialog first needs
    // them, and then as version 6 from the side-by-side store.
    ASSERT_TRUE(Start());
    EXPECT_EQ(Utf8(LoadedModule(dusklid.info.hProcess, L"comctl32.dll")), "") << "loaded at start-up";
    HWND preferences = OpenPreferencesDialog(cover, dusklid.Id());
    ASSERT_NE(preferences, nullptr);
    const std::wstring controls = LoadedModule(dusklid.info.hProcess, L"comctl32.dll");
    for (const wchar_t* part : {L"\\winsxs\\", L"common-controls", L"_6."})
        EXPECT_NE(controls.find(part), std::wstring::npos) << Utf8(controls);
    EXPECT_TRUE(CloseWith(preferences, IDC_CANCEL));
}

// A canary left at its built-in value, or the same in every run, would let
// an overrun return unnoticed.
TEST_F(Product, StackCanaryIsFreshInEveryRun)
{
    std::uintptr_t canaries[2] = {};
    for (std::uintptr_t& canary : canaries) {
        DusklidProcess run;
        ASSERT_TRUE(StartDusklidAndWait(run, workDir));
        canary = StackCanary(run.info.hProcess);
        EXPECT_NE(canary, 0u);
    }
    EXPECT_NE(canaries[0], canaries[1]);
}

TEST_F(Product, TrayIconComesBackAfterTheShellRestarts)
{
    ASSERT_TRUE(Start());
    // A change of nothing, which the shell takes only when it knows the icon.
    const auto known = [&] { return NotifyAboutTrayIcon(cover, NIM_MODIFY) && TrayIconShown(); };
    EXPECT_TRUE(WaitUntil(known, 5000));

    // A new shell starts with an empty notification area, then tells every
    // top-level window that it is there.
    NotifyAboutTrayIcon(cover, NIM_DELETE);
    EXPECT_TRUE(WaitUntil([&] {
        const RECT box = TrayIconArea();
        return !NotifyAboutTrayIcon(cover, NIM_MODIFY) && IsRectEmpty(&box);
    }, 5000));
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_TRUE(WaitUntil(known, 5000));

    // It is the same icon: a click on it still shows the cover.
    ASSERT_TRUE(ClickTrayIcon(1));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    EXPECT_TRUE(dusklid.Running());
}

TEST_F(Product, TrayMenuFromTheIconTakesTheKeyboardAndClosesOnAClickElsewhere)
{
    // The icon sits in the bottom-right corner: the hot corner stays off.
    ASSERT_TRUE(Start(PreferenceBytes(PreferenceFields().Corner('0').Delay("0"))));
    // The user works in another program, which has the keyboard until the menu takes it.
    const ColorWindow otherProgram(RGB(0, 120, 0), {100, 100, 500, 400});
    HWND menu = nullptr;

    ASSERT_TRUE(RightClickTrayIcon(dusklid.Id(), &menu));
    WaitUntil([&] { return EntryCentres(menu).size() == TRAY_MENU_ENTRY_COUNT; }, 5000);
    Screenshot("tray-menu-at-icon");
    ClickAt(400, 300);
    EXPECT_TRUE(MenuClosesWithoutAChoice(menu, cover, dusklid.Id())) << "on a click outside";

    ASSERT_TRUE(RightClickTrayIcon(dusklid.Id(), &menu));
    EXPECT_NE(GetForegroundWindow(), otherProgram.window);
    PressKey('V');
    HWND about = WaitForAboutBox(dusklid.Id());
    ASSERT_NE(about, nullptr);
    ClickButton(about, IDOK);
    EXPECT_TRUE(WaitClosed(about));

    ASSERT_TRUE(RightClickTrayIcon(dusklid.Id(), &menu));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(MenuClosesWithoutAChoice(menu, cover, dusklid.Id())) << "on Escape";
    EXPECT_TRUE(dusklid.Running());

    ASSERT_TRUE(RightClickTrayIcon(dusklid.Id(), &menu));
    PressKey('X');
    EXPECT_EQ(dusklid.WaitForExit(10000), 0);
}

TEST_F(Product, TrayMenuClosedWithoutAChoiceGivesTheForegroundBack)
{
    ASSERT_TRUE(
        Start(PreferenceBytes(PreferenceFields().Corner('0').Delay("0").Folder(ShiftJis(workDir)))));
    const TypingWindow editor;
    SetForegroundWindow(editor.window);
    ASSERT_TRUE(WaitForeground(editor.window));

    HWND menu = nullptr;
    ASSERT_TRUE(RightClickTrayIcon(dusklid.Id(), &menu));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(MenuClosesWithoutAChoice(menu, cover, dusklid.Id()));
    // The keys go where the user was typing, not to the hidden cover.
    EXPECT_TRUE(WaitForeground(editor.window));
    PressKey('A');
    PressKey('B');
    EXPECT_TRUE(WaitUntil([&] { return WindowText(editor.window) == L"ab"; }, 5000))
        << Utf8(WindowText(editor.window));
    // And the window capture takes that window, not the cover.
    PressHotKey(HOTKEY_CAPTURE_WINDOW);
    const BitmapFile capture = ReadTheCapture(workDir);
    ASSERT_EQ(capture.problem, "");
    EXPECT_EQ(capture.width, 400);
    EXPECT_EQ(capture.height, 300);
}

TEST_F(Product, HelpOpensTheReadMeInNotepad)
{
    // As unpacked from the release package: the read-me beside the program,
    // which is started in its own folder.
    const std::string readMe = FileBytes(ReadMePath(DusklidFolder()));
    ASSERT_EQ(readMe.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark";
    const ProgramCopy program(workDir);
    ASSERT_TRUE(program.ready);
    ASSERT_TRUE(WriteFileBytes(ReadMePath(workDir), readMe));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_HELP));

    HWND notepad = WaitForNotepad();
    ASSERT_NE(notepad, nullptr);
    EXPECT_NE(WindowText(notepad).find(L"ReadMe"), std::wstring::npos) << Utf8(WindowText(notepad));
    // Notepad took the byte-order mark as UTF-8 and shows the text line for line.
    const std::wstring shown = NotepadText(notepad);
    EXPECT_EQ(Utf8(shown), readMe.substr(3));
    EXPECT_NE(shown.find(L"【概要】"), std::wstring::npos);
    ScreenshotWindow("read-me-in-notepad", notepad);
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitClosed(notepad));
}

// The program's whole story: the hot key hides the desktop behind a colour
// and a picture, and holding both buttons brings it back.
TEST_F(Product, HotKeyHidesTheDesktopBehindAPictureUntilBothButtonsAreHeld)
{
    const std::wstring picture = MakePicture(
        "story.jpg", "-size 480x300 gradient:'#f6d365'-'#fda085' "
                     "-font /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf -pointsize 72 "
                     "-fill '#2b2d42' -gravity center -annotate 0 Dusklid");
    ASSERT_FALSE(picture.empty());
    const COLORREF background = RGB(43, 45, 66);
    ASSERT_TRUE(Start(PreferenceBytes(PreferenceFields().Color(background).Picture(ShiftJis(picture))
                                          .Stretch('0').Corner('0').Delay("0"))));
    const POINT centre = ScreenCentre();
    const COLORREF green = RGB(0, 160, 0);
    const ColorWindow desktopWork(green, {centre.x - 300, centre.y - 200, centre.x + 300, centre.y + 200});
    ASSERT_TRUE(WaitForPixel(centre.x - 280, centre.y, green));

    PressHotKey(HOTKEY_COVER);
    EXPECT_TRUE(WaitForPixel(0, 0, background));
    // Left of the picture: the cover's colour; near its top: the gradient's
    // first colour, give or take the JPEG's rounding.
    EXPECT_EQ(Rgb(ScreenPixel(centre.x - 280, centre.y)), Rgb(background));
    const COLORREF top = ScreenPixel(centre.x, centre.y - 145);
    EXPECT_TRUE(Near(top, RGB(0xf6, 0xd3, 0x65), 23)) << Rgb(top);
    Screenshot("cover-with-picture");

    EXPECT_TRUE(HideCover(cover, {centre.x + 300, centre.y + 250}));
    EXPECT_TRUE(WaitForPixel(centre.x - 280, centre.y, green));
}
