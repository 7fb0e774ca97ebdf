// The preferences dialog and its colour picker, opened through the real
// tray menu: what they show, what OK writes and applies, what each refusal
// leaves alone.
#include "toolkit/toolkit.h"
#include "process_counts.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "resource.h"

namespace {

constexpr int LABEL_ID = 0xFFFF;  // labels, group boxes and the picture carry no id

enum ControlKind { DEFAULT_BUTTON, BUTTON, LABEL, READ_ONLY_EDIT, EDIT, CHECK_BOX, RADIO,
                   GROUP_BOX, BITMAP, SLIDER, SAMPLE };

struct ControlSpec {
    int id;
    ControlKind kind;
    const wchar_t* text;  // null: not compared
    bool tabStop;
    bool group;
    int x, y, width, height;  // dialog units
};

const ControlSpec PREFERENCES_CONTROLS[] = {
    {IDC_OK, DEFAULT_BUTTON, L"OK", true, false, 95, 260, 50, 14},
    {IDC_CANCEL, BUTTON, L"ｷｬﾝｾﾙ", true, false, 155, 260, 50, 14},
    {LABEL_ID, LABEL, L"赤", false, true, 25, 25, 8, 8},
    {LABEL_ID, LABEL, L"緑", false, true, 65, 25, 8, 8},
    {LABEL_ID, LABEL, L"青", false, true, 105, 25, 8, 8},
    {IDC_RED, READ_ONLY_EDIT, nullptr, true, false, 35, 25, 25, 12},
    {IDC_GREEN, READ_ONLY_EDIT, nullptr, true, false, 75, 25, 25, 12},
    {IDC_BLUE, READ_ONLY_EDIT, nullptr, true, false, 115, 25, 25, 12},
    {IDC_CHOOSE_COLOR, BUTTON, L"選択(&S)...", true, false, 160, 25, 31, 14},
    {LABEL_ID, GROUP_BOX, L"背景色", false, false, 10, 10, 195, 35},
    {IDC_SHOW_PICTURE, CHECK_BOX, L"画像ファイルを表示する(&P)", true, false, 15, 65, 94, 10},
    {IDC_PICTURE_PATH, EDIT, nullptr, true, false, 25, 81, 145, 12},
    {IDC_BROWSE_PICTURE, BUTTON, L"参照...", true, false, 175, 81, 22, 14},
    {IDC_STRETCH, CHECK_BOX, L"拡大・縮小する(&R)", true, false, 25, 95, 69, 10},
    {LABEL_ID, GROUP_BOX, L"ピクチャ", false, false, 10, 50, 195, 65},
    {LABEL_ID, LABEL, L"保存先：", false, true, 20, 135, 25, 8},
    {IDC_CAPTURE_FOLDER, EDIT, nullptr, true, false, 25, 145, 145, 12},
    {IDC_BROWSE_FOLDER, BUTTON, L"参照...", true, false, 175, 145, 22, 14},
    {LABEL_ID, GROUP_BOX, L"キャプチャ", false, false, 10, 120, 195, 50},
    {LABEL_ID, GROUP_BOX, L"ホットスポット", false, false, 10, 175, 195, 75},
    {IDC_USE_HOT_CORNER, CHECK_BOX, L"ホットスポットを使用する(&H)", true, false, 20, 185, 95, 10},
    {LABEL_ID, BITMAP, nullptr, false, false, 45, 205, 48, 48},  // the bitmap sets the size
    {IDC_CORNER_TOP_LEFT, RADIO, L"", false, false, 35, 200, 10, 8},
    {IDC_CORNER_TOP_RIGHT, RADIO, L"", false, false, 75, 200, 10, 10},
    {IDC_CORNER_BOTTOM_LEFT, RADIO, L"", false, false, 35, 235, 10, 10},
    {IDC_CORNER_BOTTOM_RIGHT, RADIO, L"", false, false, 75, 235, 10, 10},
    {LABEL_ID, LABEL, L"反応の遅れ時間：", false, true, 90, 215, 52, 8},
    {IDC_DELAY, EDIT, nullptr, true, false, 145, 213, 25, 12},
    {LABEL_ID, LABEL, L"Ticks", false, true, 175, 215, 17, 8},
};

const ControlSpec PICKER_CONTROLS[] = {
    {IDC_OK, DEFAULT_BUTTON, L"OK", true, false, 70, 115, 50, 14},
    {IDC_CANCEL, BUTTON, L"ｷｬﾝｾﾙ", true, false, 125, 115, 50, 14},
    {IDC_RED_SLIDER, SLIDER, L"Slider1", true, false, 10, 20, 120, 16},
    {LABEL_ID, LABEL, L"赤", false, true, 10, 10, 8, 8},
    {LABEL_ID, LABEL, L"緑", false, true, 10, 45, 8, 8},
    {LABEL_ID, LABEL, L"青", false, true, 10, 80, 8, 8},
    {IDC_GREEN_SLIDER, SLIDER, L"Slider1", true, false, 10, 55, 120, 16},
    {IDC_BLUE_SLIDER, SLIDER, L"Slider1", true, false, 10, 90, 120, 16},
    {LABEL_ID, LABEL, L"サンプル", false, true, 145, 30, 27, 8},
    {IDC_SAMPLE, SAMPLE, L"", false, true, 140, 40, 35, 40},
};

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool HasKindStyle(HWND control, ControlKind kind)
{
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const std::wstring name = ClassOf(control);
    const LONG buttonType = style & BS_TYPEMASK;
    switch (kind) {
    case DEFAULT_BUTTON:
    case BUTTON:
        return name == L"Button" && (buttonType == BS_PUSHBUTTON || buttonType == BS_DEFPUSHBUTTON);
    case CHECK_BOX:
        return name == L"Button" && buttonType == BS_AUTOCHECKBOX;
    case RADIO:
        return name == L"Button" && buttonType == BS_AUTORADIOBUTTON;
    case GROUP_BOX:
        return name == L"Button" && buttonType == BS_GROUPBOX;
    case LABEL:
        return name == L"Static" && (style & SS_TYPEMASK) == SS_LEFT;
    case BITMAP:
        return name == L"Static" && (style & SS_TYPEMASK) == SS_BITMAP;
    case SAMPLE:
        return name == L"Static" && (style & SS_SUNKEN) != 0;
    case READ_ONLY_EDIT:
    case EDIT:
        // A dialog turns an edit's WS_BORDER into a sunken client edge.
        return name == L"Edit" &&
               ((style & WS_BORDER) || (GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) &&
               (style & ES_AUTOHSCROLL) &&
               ((style & ES_READONLY) != 0) == (kind == READ_ONLY_EDIT);
    case SLIDER:
        return name == L"msctls_trackbar32" && (style & TBS_VERT) == 0 && (style & TBS_NOTICKS);
    }
    return false;
}

// Dialog units to pixels as the system maps them, from the base units that
// the dialog's client size implies.
struct DialogScale {
    int baseX, baseY;
    int X(int units) const { return MulDiv(units, baseX, 4); }
    int Y(int units) const { return MulDiv(units, baseY, 8); }
};

// Compares the dialog's children, in creation order, with `specs`: id,
// class and style, text, tab stop and group, and place.
template <size_t N>
void CheckTemplate(HWND dialog, const ControlSpec (&specs)[N], int widthUnits, int heightUnits)
{
    RECT client = {};
    GetClientRect(dialog, &client);
    const DialogScale scale = {(client.right * 4 + widthUnits / 2) / widthUnits,
                               (client.bottom * 8 + heightUnits / 2) / heightUnits};
    EXPECT_TRUE(scale.X(widthUnits) == client.right);
    EXPECT_TRUE(scale.Y(heightUnits) == client.bottom);

    HWND control = GetWindow(dialog, GW_CHILD);
    size_t index = 0;
    for (; control != nullptr && index < N; control = GetWindow(control, GW_HWNDNEXT), ++index) {
        const ControlSpec& spec = specs[index];
        const std::string where = "control " + std::to_string(index + 1);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        EXPECT_TRUE(GetDlgCtrlID(control) == spec.id) << where + " has id " + std::to_string(GetDlgCtrlID(control));
        EXPECT_TRUE(HasKindStyle(control, spec.kind)) << where + " is a " + Utf8(ClassOf(control));
        if (spec.text != nullptr) {
            EXPECT_TRUE(WindowText(control) == spec.text) << where + " reads " + Utf8(WindowText(control));
        }
        // A radio button takes the tab stop while it is ticked.
        const bool tabStop = spec.kind == RADIO ? IsChecked(dialog, spec.id) : spec.tabStop;
        EXPECT_TRUE(((style & WS_TABSTOP) != 0) == tabStop) << where + ": tab stop";
        EXPECT_TRUE(((style & WS_GROUP) != 0) == spec.group) << where + ": group";
        RECT area = {};
        GetWindowRect(control, &area);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
        const bool pixels = spec.kind == BITMAP;
        const int left = scale.X(spec.x), top = scale.Y(spec.y);
        const int width = pixels ? spec.width : scale.X(spec.width);
        const int height = pixels ? spec.height : scale.Y(spec.height);
        EXPECT_TRUE(abs(area.left - left) <= 1 && abs(area.top - top) <= 1 &&
                      abs(area.right - area.left - width) <= 1 &&
                      abs(area.bottom - area.top - height) <= 1) << where + " lies at " + std::to_string(area.left) + "," + std::to_string(area.top) +
                      " " + std::to_string(area.right - area.left) + "x" +
                      std::to_string(area.bottom - area.top) + ", not " + std::to_string(left) +
                      "," + std::to_string(top) + " " + std::to_string(width) + "x" +
                      std::to_string(height);
    }
    EXPECT_TRUE(index == N && control == nullptr) << "the dialog has " + std::to_string(index) +
                                                    (control ? "+" : "") + " controls";
    DWORD_PTR defaultId = 0;
    SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &defaultId);
    EXPECT_TRUE(LOWORD(defaultId) == IDC_OK);
}

struct DialogState {
    std::wstring red, green, blue, picturePath, captureFolder, delay;
    bool showPicture, stretch, useHotCorner;
    int corner;  // 1 to 4, the ticked radio button; 0 none, -1 more than one
};

DialogState ReadDialog(HWND dialog)
{
    DialogState state = {};
    state.red = DialogItemText(dialog, IDC_RED);
    state.green = DialogItemText(dialog, IDC_GREEN);
    state.blue = DialogItemText(dialog, IDC_BLUE);
    state.picturePath = DialogItemText(dialog, IDC_PICTURE_PATH);
    state.captureFolder = DialogItemText(dialog, IDC_CAPTURE_FOLDER);
    state.delay = DialogItemText(dialog, IDC_DELAY);
    state.showPicture = IsChecked(dialog, IDC_SHOW_PICTURE);
    state.stretch = IsChecked(dialog, IDC_STRETCH);
    state.useHotCorner = IsChecked(dialog, IDC_USE_HOT_CORNER);
    for (int i = 0; i < 4; ++i)
        if (IsChecked(dialog, IDC_CORNER_TOP_LEFT + i))
            state.corner = state.corner == 0 ? i + 1 : -1;
    return state;
}

// Starts the program in a fresh folder holding `file` as preference.dat and
// opens the preferences dialog; null when either fails.
HWND StartAndOpenPreferences(DusklidProcess& dusklid, const char* name, const std::string& file,
                             std::wstring& dir)
{
    dir = MakeWorkDirWithPreferences(name, file);
    if (dir.empty() || !StartDusklidAndWait(dusklid, dir))
        return nullptr;
    return OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
}

// Clicks an automatic check box or radio button and waits for its new state.
bool ClickToState(HWND dialog, int id, bool ticked)
{
    ClickButton(dialog, id);
    return WaitUntil([&] { return IsChecked(dialog, id) == ticked; }, 5000);
}

// Presses OK and checks the box that must follow: caption, text, owner.
// The dialog must still be open afterwards.
void ExpectRefusal(HWND dialog, DWORD processId, const wchar_t* text, HWND owner)
{
    ClickButton(dialog, IDC_OK);
    const MessageBoxSeen box = AnswerMessageBox(processId, IDOK);
    EXPECT_TRUE(box.found) << "no box saying " + Utf8(text);
    if (!box.found)
        return;
    EXPECT_TRUE(box.caption == L"エラー");
    EXPECT_TRUE(box.text == text) << Utf8(box.text);
    EXPECT_TRUE(box.owner == owner);
    EXPECT_TRUE(box.closed);
    EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog));
}

int SliderPosition(HWND picker, int id)
{
    DWORD_PTR position = 0;
    SendMessageTimeoutW(GetDlgItem(picker, id), TBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &position);
    return static_cast<int>(position);
}

HWND OpenPicker(HWND dialog, DWORD processId)
{
    ClickButton(dialog, IDC_CHOOSE_COLOR);
    return WaitForWindowTitled(processId, L"背景色を選択");
}

const wchar_t CANNOT_CREATE[] = L"環境設定ファイルを作成できませんでした。";

} // namespace

TEST(PreferencesDialog, PreferencesDialogMatchesItsTemplate)
{
    DusklidProcess dusklid;
    std::wstring dir;
    // Settings that make a tidy screenshot.
    HWND dialog = StartAndOpenPreferences(
        dusklid, "prefs_template",
        PreferenceBytes(0, 0, 128, "", '1', '4', "150", ShiftJis(L"C:\\Users\\Public\\撮影")),
        dir);
    ASSERT_TRUE(dialog != nullptr);
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_TRUE((style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME)) ==
          (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_TRUE(GetWindow(dialog, GW_OWNER) == nullptr);
    CheckTemplate(dialog, PREFERENCES_CONTROLS, 215, 280);
    // Centred on the screen's work area, above the task bar.
    RECT area = {}, workArea = {};
    GetWindowRect(dialog, &area);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    EXPECT_TRUE(abs((area.left + area.right) - (workArea.left + workArea.right)) <= 2);
    EXPECT_TRUE(abs((area.top + area.bottom) - (workArea.top + workArea.bottom)) <= 2);
    ScreenshotWindow("preferences_dialog", dialog);

    ClickButton(dialog, IDC_CHOOSE_COLOR);
    HWND picker = WaitForWindowTitled(dusklid.info.dwProcessId, L"背景色を選択");
    ASSERT_TRUE(picker != nullptr);
    EXPECT_TRUE(GetWindow(picker, GW_OWNER) == dialog);
    CheckTemplate(picker, PICKER_CONTROLS, 189, 140);
    ClickButton(picker, IDC_CANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(picker); }, 5000));
    ClickButton(dialog, IDC_CANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
}

TEST(PreferencesDialog, PreferencesDialogShowsTheSettings)
{
    const std::wstring picture = MakePicture("prefs_shown.bmp", "-size 40x30 xc:red");
    ASSERT_TRUE(!picture.empty());
    struct Case {
        const char* name;
        std::string file;
        DialogState expected;
    } cases[] = {
        {"prefs_shown_corner0",
         PreferenceBytes(12, -5, 300, ShiftJis(picture), '1', '0', "-20", "C:\\shots"),
         {L"12", L"-5", L"300", picture, L"C:\\shots", L"-20", true, true, false, 1}},
        {"prefs_shown_corner1", PreferenceBytes(0, 0, 128, "", '0', '1', "500", "D:\\x\\"),
         {L"0", L"0", L"128", L"", L"D:\\x\\", L"500", false, false, true, 1}},
        {"prefs_shown_corner4", PreferenceBytes(1, 2, 3, "", '0', '4', "abc", "E:\\"),
         {L"1", L"2", L"3", L"", L"E:\\", L"0", false, false, true, 4}},
    };
    for (const Case& c : cases) {
        DusklidProcess dusklid;
        const std::wstring dir = MakeWorkDirWithPreferences(c.name, c.file);
        ASSERT_TRUE(!dir.empty() && StartDusklidAndWait(dusklid, dir));
        HWND dialog = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
        ASSERT_TRUE(dialog != nullptr);
        const DialogState shown = ReadDialog(dialog);
        const DialogState& want = c.expected;
        EXPECT_TRUE(shown.red == want.red && shown.green == want.green && shown.blue == want.blue) << std::string(c.name) + ": colour " + Utf8(shown.red) + "," + Utf8(shown.green) +
                      "," + Utf8(shown.blue);
        EXPECT_TRUE(shown.picturePath == want.picturePath) << Utf8(shown.picturePath);
        EXPECT_TRUE(shown.captureFolder == want.captureFolder) << Utf8(shown.captureFolder);
        EXPECT_TRUE(shown.delay == want.delay) << Utf8(shown.delay);
        EXPECT_TRUE(shown.showPicture == want.showPicture);
        EXPECT_TRUE(shown.stretch == want.stretch);
        EXPECT_TRUE(shown.useHotCorner == want.useHotCorner);
        EXPECT_TRUE(shown.corner == want.corner) << std::string(c.name) + ": corner " +
                                                   std::to_string(shown.corner);
        ClickButton(dialog, IDC_CANCEL);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
        // Cancel writes nothing.
        EXPECT_TRUE(FileBytes(PreferencePath(dir)) == c.file);
    }
}

TEST(PreferencesDialog, PreferencesOkWritesTheFileAndAppliesIt)
{
    // The picture of the example, on drive C.
    const std::wstring made = MakePicture("prefs_example.jpg", "-size 64x48 xc:'rgb(0,200,0)'");
    ASSERT_TRUE(!made.empty() && CopyFileW(made.c_str(), L"C:\\pic.jpg", FALSE));
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(
        dusklid, "prefs_example", PreferenceBytes(0, 0, 128, "", '1', '0', "150", "C:\\old"), dir);
    ASSERT_TRUE(dialog != nullptr);

    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, true));
    SetItemText(dialog, IDC_PICTURE_PATH, L"C:\\pic.jpg");
    EXPECT_TRUE(ClickToState(dialog, IDC_STRETCH, false));
    EXPECT_TRUE(ClickToState(dialog, IDC_USE_HOT_CORNER, true));
    EXPECT_TRUE(ClickToState(dialog, IDC_CORNER_TOP_RIGHT, true));
    EXPECT_TRUE(!IsChecked(dialog, IDC_CORNER_TOP_LEFT));
    SetItemText(dialog, IDC_DELAY, L"500");
    SetItemText(dialog, IDC_CAPTURE_FOLDER, L"D:\\shots");
    // Enter presses OK, the default button.
    ASSERT_TRUE(WaitForeground(dialog));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitClosed(dialog));

    const unsigned char example[] = {0x10, 0x30, 0x0A, 0x30, 0x0A, 0x31, 0x32, 0x38, 0x0A, 0x43, 0x3A,
                                     0x5C, 0x70, 0x69, 0x63, 0x2E, 0x6A, 0x70, 0x67, 0x0A, 0x30, 0x32,
                                     0x35, 0x30, 0x30, 0x0A, 0x44, 0x3A, 0x5C, 0x73, 0x68, 0x6F, 0x74,
                                     0x73};
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) == std::string(example, example + sizeof example));
    EXPECT_TRUE(!PathExists(PreferencePath(dir) + L".new"));

    // Applied at once: resting in the top-right corner shows the cover with
    // the picture at its natural size in the middle.
    HWND cover = FindCoverWindow();
    const int width = GetSystemMetrics(SM_CXSCREEN);
    ASSERT_TRUE(MovePointer(width - 1, 0));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    const POINT centre = ScreenCentre();
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(0, 200, 0), 16));
    EXPECT_TRUE(WaitForPixel(centre.x - 40, centre.y, RGB(0, 0, 128)));
    MovePointer(centre.x, centre.y);
    DeleteFileW(L"C:\\pic.jpg");
}

TEST(PreferencesDialog, PreferencesOkRefusesIncompleteEntries)
{
    const std::string original = PreferenceBytes(1, 2, 3, "", '1', '0', "150", "C:\\keep");
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(dusklid, "prefs_refusals", original, dir);
    ASSERT_TRUE(dialog != nullptr);
    const DWORD processId = dusklid.info.dwProcessId;

    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, true));
    ExpectRefusal(dialog, processId, L"画像ファイルが指定されていません。", dialog);
    SetItemText(dialog, IDC_PICTURE_PATH, dir + L"\\missing.bmp");
    ExpectRefusal(dialog, processId, L"指定された画像ファイルが見つかりません。", dialog);
    // With the box unticked the path is not looked at; the folder is.
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, false));
    SetItemText(dialog, IDC_CAPTURE_FOLDER, L"");
    ExpectRefusal(dialog, processId, L"キャプチャ保存先が指定されていません。", dialog);
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) == original);

    // A folder passes the existence test and fails to load: the file is
    // written, and the dialog stays open for a correction.
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, true));
    SetItemText(dialog, IDC_PICTURE_PATH, dir);
    SetItemText(dialog, IDC_CAPTURE_FOLDER, L"C:\\new");
    ExpectRefusal(dialog, processId, L"画像ファイルがロードできませんでした。", dialog);
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) ==
          PreferenceBytes(1, 2, 3, ShiftJis(dir), '1', '0', "150", "C:\\new"));

    // A line feed would shift every field after it; pasted into the delay
    // field, it writes nothing.
    const std::string written = FileBytes(PreferencePath(dir));
    SetItemText(dialog, IDC_DELAY, L"15\n0");
    ExpectRefusal(dialog, processId, L"環境設定ファイルを作成できませんでした。", nullptr);
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) == written);
    SetItemText(dialog, IDC_DELAY, L"150");

    // Unticked, whatever the path field holds is neither checked nor saved.
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, false));
    SetItemText(dialog, IDC_PICTURE_PATH, L"not a file");
    ClickButton(dialog, IDC_OK);
    EXPECT_TRUE(WaitClosed(dialog));
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) ==
          PreferenceBytes(1, 2, 3, "", '1', '0', "150", "C:\\new"));
    EXPECT_TRUE(!PathExists(PreferencePath(dir) + L".new"));
}

TEST(PreferencesDialog, PreferencesDelayAndHotCornerAreWrittenAsEntered)
{
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(
        dusklid, "prefs_delay", PreferenceBytes(5, 6, 7, "", '0', '3', "150", "C:\\a"), dir);
    ASSERT_TRUE(dialog != nullptr);
    const DWORD processId = dusklid.info.dwProcessId;

    // A negative delay is stored and written as 0.
    SetItemText(dialog, IDC_DELAY, L"-1");
    ClickButton(dialog, IDC_OK);
    ASSERT_TRUE(WaitClosed(dialog));
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) == PreferenceBytes(5, 6, 7, "", '0', '3', "0", "C:\\a"));
    dialog = OpenPreferencesDialog(FindCoverWindow(), processId);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_TRUE(DialogItemText(dialog, IDC_DELAY) == L"0");
    EXPECT_TRUE(IsChecked(dialog, IDC_USE_HOT_CORNER) && IsChecked(dialog, IDC_CORNER_BOTTOM_LEFT));

    // Letters are written as typed and read as 0; unticking the hot corner
    // writes '0' and forgets the corner.
    SetItemText(dialog, IDC_DELAY, L"abc");
    EXPECT_TRUE(ClickToState(dialog, IDC_USE_HOT_CORNER, false));
    ClickButton(dialog, IDC_OK);
    ASSERT_TRUE(WaitClosed(dialog));
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) == PreferenceBytes(5, 6, 7, "", '0', '0', "abc", "C:\\a"));
    dialog = OpenPreferencesDialog(FindCoverWindow(), processId);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_TRUE(DialogItemText(dialog, IDC_DELAY) == L"0");
    EXPECT_TRUE(!IsChecked(dialog, IDC_USE_HOT_CORNER));
    EXPECT_TRUE(IsChecked(dialog, IDC_CORNER_TOP_LEFT) && !IsChecked(dialog, IDC_CORNER_BOTTOM_LEFT));
    ClickButton(dialog, IDC_CANCEL);
    EXPECT_TRUE(WaitClosed(dialog));
}

TEST(PreferencesDialog, PreferencesCommandOpensOneDialogAtATime)
{
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(
        dusklid, "prefs_once", PreferenceBytes(9, 9, 9, "", '0', '0', "150", "C:\\a"), dir);
    ASSERT_TRUE(dialog != nullptr);
    const DWORD processId = dusklid.info.dwProcessId;
    HWND cover = FindCoverWindow();

    // The menu still works while the dialog is open, but its preferences
    // entry opens nothing more. The cover hot key, handled after the menu
    // command, shows that the command has been dealt with.
    ASSERT_TRUE(ClickTrayEntry(cover, processId, IDM_PREFERENCES));
    SendHotKey(false, true, true, false, 'H');
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            wchar_t title[32] = {};
            GetWindowTextW(window, title, 32);
            if (IsWindowVisible(window) && lstrcmpW(title, L"環境設定") == 0)
                ++*reinterpret_cast<int*>(parameter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    EXPECT_TRUE(count == 1) << std::to_string(count) + " preferences dialogs";

    // Once it is closed, the command opens it again.
    ClickButton(dialog, IDC_CANCEL);
    ASSERT_TRUE(WaitClosed(dialog));
    dialog = OpenPreferencesDialog(cover, processId);
    ASSERT_TRUE(dialog != nullptr);

    // The exit command ends the program cleanly with the dialog open.
    ASSERT_TRUE(ClickTrayEntry(cover, processId, IDM_EXIT));
    EXPECT_TRUE(dusklid.WaitForExit(10000) == 0);
}

TEST(PreferencesDialog, EscapeClosesNeitherDialog)
{
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(
        dusklid, "prefs_escape", PreferenceBytes(1, 2, 3, "", '0', '0', "150", "C:\\a"), dir);
    ASSERT_TRUE(dialog != nullptr);
    const DWORD processId = dusklid.info.dwProcessId;

    // In the picker: Escape does nothing, so the slider moved after it is
    // still there for Enter, which presses OK.
    HWND picker = OpenPicker(dialog, processId);
    ASSERT_TRUE(picker != nullptr);
    ASSERT_TRUE(WaitForeground(picker));
    PressKey(VK_ESCAPE);
    PressKey(VK_TAB);
    PressKey(VK_TAB);  // to the red slider
    PressKey(VK_RIGHT);
    PressKey(VK_RIGHT);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitClosed(picker));
    EXPECT_TRUE(DialogItemText(dialog, IDC_RED) == L"3") << Utf8(DialogItemText(dialog, IDC_RED));

    // In the preferences dialog: after Escape, Enter still finds it open
    // and writes the file.
    SetItemText(dialog, IDC_DELAY, L"321");
    ASSERT_TRUE(WaitForeground(dialog));
    PressKey(VK_ESCAPE);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitClosed(dialog));
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) == PreferenceBytes(3, 2, 3, "", '0', '0', "321", "C:\\a"));
}

TEST(PreferencesDialog, ColorPickerShowsAndStoresTheColour)
{
    const std::string original = PreferenceBytes(300, 128, 0, "", '0', '0', "150", "C:\\a");
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(dusklid, "prefs_picker", original, dir);
    ASSERT_TRUE(dialog != nullptr);
    const DWORD processId = dusklid.info.dwProcessId;
    EXPECT_TRUE(DialogItemText(dialog, IDC_RED) == L"300");

    // The sliders start at the stored colour, 300 clamped to 255, and the
    // sample shows it without any slider being touched.
    HWND picker = OpenPicker(dialog, processId);
    ASSERT_TRUE(picker != nullptr);
    const DWORD opened = GetTickCount();
    EXPECT_TRUE(SliderPosition(picker, IDC_RED_SLIDER) == 255);
    EXPECT_TRUE(SliderPosition(picker, IDC_GREEN_SLIDER) == 128);
    EXPECT_TRUE(SliderPosition(picker, IDC_BLUE_SLIDER) == 0);
    HWND sample = GetDlgItem(picker, IDC_SAMPLE);
    const POINT spot = CentreOf(sample);
    EXPECT_TRUE(WaitForPixel(spot.x, spot.y, RGB(255, 128, 0)));
    std::printf("    sample painted %lu ms after the picker was found\n", GetTickCount() - opened);
    ScreenshotWindow("color_picker_dialog", picker);
    // The control paints itself plain when asked; the timer brings the
    // colour back.
    InvalidateRect(sample, nullptr, TRUE);
    EXPECT_TRUE(WaitForPixel(spot.x, spot.y, RGB(255, 128, 0)));

    // Arrow keys on the red slider change the sample at once; Cancel
    // forgets them.
    ASSERT_TRUE(WaitForeground(picker));
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    for (int i = 0; i < 5; ++i)
        PressKey(VK_LEFT);
    EXPECT_TRUE(WaitForPixel(spot.x, spot.y, RGB(250, 128, 0)));
    ClickButton(picker, IDC_CANCEL);
    ASSERT_TRUE(WaitClosed(picker));
    EXPECT_TRUE(DialogItemText(dialog, IDC_RED) == L"300");

    // OK stores the sliders in the running program; the file waits for the
    // preferences dialog's OK, which Cancel never gives.
    picker = OpenPicker(dialog, processId);
    ASSERT_TRUE(picker != nullptr);
    EXPECT_TRUE(SliderPosition(picker, IDC_RED_SLIDER) == 255);
    ASSERT_TRUE(WaitForeground(picker));
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    PressKey(VK_LEFT);
    EXPECT_TRUE(WaitUntil([&] { return SliderPosition(picker, IDC_RED_SLIDER) == 254; }, 5000));
    ClickButton(picker, IDC_OK);
    ASSERT_TRUE(WaitClosed(picker));
    EXPECT_TRUE(DialogItemText(dialog, IDC_RED) == L"254");
    EXPECT_TRUE(DialogItemText(dialog, IDC_GREEN) == L"128");
    EXPECT_TRUE(DialogItemText(dialog, IDC_BLUE) == L"0");
    ClickButton(dialog, IDC_CANCEL);
    ASSERT_TRUE(WaitClosed(dialog));
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) == original);

    HWND cover = FindCoverWindow();
    SendHotKey(false, true, true, false, 'H');
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    const POINT centre = ScreenCentre();
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(254, 128, 0)));
}

TEST(PreferencesDialog, PreferencesOkReplacesOrDropsThePicture)
{
    const std::wstring red = MakePicture("prefs_red.bmp", "-size 64x48 xc:red");
    const std::wstring blue = MakePicture("prefs_blue.bmp", "-size 64x48 xc:blue");
    ASSERT_TRUE(!red.empty() && !blue.empty());
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(
        dusklid, "prefs_picture",
        PreferenceBytes(10, 20, 30, ShiftJis(red), '0', '0', "150", "C:\\a"), dir);
    ASSERT_TRUE(dialog != nullptr);
    const DWORD processId = dusklid.info.dwProcessId;
    HWND cover = FindCoverWindow();
    const POINT centre = ScreenCentre();

    // A new picture replaces the old one.
    SetItemText(dialog, IDC_PICTURE_PATH, blue);
    ClickButton(dialog, IDC_OK);
    ASSERT_TRUE(WaitClosed(dialog));
    SendHotKey(false, true, true, false, 'H');
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(0, 0, 255)));

    // Unticked, the cover shows the colour alone, as the file now says.
    dialog = OpenPreferencesDialog(cover, processId);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, false));
    ClickButton(dialog, IDC_OK);
    ASSERT_TRUE(WaitClosed(dialog));
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) ==
          PreferenceBytes(10, 20, 30, "", '0', '0', "150", "C:\\a"));
    // The hot key on the shown cover paints it again.
    SendHotKey(false, true, true, false, 'H');
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(10, 20, 30)));
}

TEST(PreferencesDialog, PreferencesOkFreesEachReplacedPicture)
{
    // Large and true-colour, so that one decoded picture kept per load
    // stands far above the heap's own ups and downs.
    constexpr int WIDTH = 1200;
    constexpr int HEIGHT = 1000;
    const std::string size = "-size " + std::to_string(WIDTH) + "x" + std::to_string(HEIGHT);
    const std::wstring pictures[2] = {
        MakePicture("prefs_large_a.bmp", size + " gradient:red-blue -type TrueColor"),
        MakePicture("prefs_large_b.bmp", size + " gradient:green-yellow -type TrueColor")};
    ASSERT_TRUE(!pictures[0].empty() && !pictures[1].empty());
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(
        dusklid, "prefs_reload_memory",
        PreferenceBytes(0, 0, 0, ShiftJis(pictures[0]), '0', '0', "150", "C:\\a"), dir);
    ASSERT_TRUE(dialog != nullptr);
    const DWORD processId = dusklid.info.dwProcessId;
    HWND cover = FindCoverWindow();

    // The first OK loads the decoders; the count starts after it.
    constexpr int LOADS = 6;
    long before = -1;
    for (int load = 0; load <= LOADS; ++load) {
        if (load > 0)
            dialog = OpenPreferencesDialog(cover, processId);
        ASSERT_TRUE(dialog != nullptr);
        SetItemText(dialog, IDC_PICTURE_PATH, pictures[(load + 1) % 2]);
        ClickButton(dialog, IDC_OK);
        ASSERT_TRUE(WaitClosed(dialog));
        if (load == 0)
            before = PrivateKilobytes(dusklid.info.hProcess);
    }
    const long after = PrivateKilobytes(dusklid.info.hProcess);
    ASSERT_TRUE(before > 0 && after > 0);
    const long pictureKb = WIDTH * HEIGHT * 3 / 1024;
    EXPECT_TRUE(after - before < LOADS * pictureKb / 2) << std::to_string(after - before) + " KiB more after " + std::to_string(LOADS) +
                  " loads of a " + std::to_string(pictureKb) + " KiB picture";
}

// Each opening shows the hot-corner picture afresh; closing the dialog must
// free it again, however often the dialog is opened.
TEST(PreferencesDialog, PreferencesDialogLeavesNoBitmapBehind)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "prefs_bitmaps"));
    HWND cover = FindCoverWindow();
    const DWORD processId = dusklid.info.dwProcessId;
    const auto bitmaps = [&] {
        std::map<int, long> byType;
        return CountGdiObjects(dusklid.info.hProcess, &byType) < 0 ? -1L : byType[GDI_BITMAP];
    };
    constexpr int OPENINGS = 4;
    long before = -1;
    for (int opening = 0; opening <= OPENINGS; ++opening) {
        HWND dialog = OpenPreferencesDialog(cover, processId);
        ASSERT_TRUE(dialog != nullptr);
        ClickButton(dialog, IDC_CANCEL);
        ASSERT_TRUE(WaitClosed(dialog));
        // The first opening may load what stays for the whole run.
        if (opening == 0)
            before = bitmaps();
    }
    const long after = bitmaps();
    ASSERT_TRUE(before >= 0 && after >= 0);
    EXPECT_TRUE(after == before) << std::to_string(before) + " bitmaps after the first opening, " +
                                   std::to_string(after) + " after " + std::to_string(OPENINGS) +
                                   " more";
}

TEST(PreferencesDialog, FailedPreferenceWritesKeepTheOldFile)
{
    // A full drive: no file can be written whole. The C library's fclose
    // here reports no failed flush, which these cases catch.
    const std::string folder = Config().workRootUnix + "/prefs_full_drive";
    WineDrive drive('t', folder, "1M");
    if (!drive.ready) {
        std::printf("    skipped: cannot mount a small drive here\n");
        return;
    }
    const std::string fill = "dd if=/dev/zero of='" + folder + "/filler' bs=4096 2>/dev/null; true";
    const std::string unfill = "rm -f '" + folder + "/filler'";

    // At start-up, the default file.
    RunUnixCommand(fill);
    {
        DusklidProcess dusklid;
        ASSERT_TRUE(StartDusklid(dusklid, L"T:\\"));
        const MessageBoxSeen error = AnswerMessageBox(dusklid.info.dwProcessId, IDOK);
        EXPECT_TRUE(error.text == CANNOT_CREATE) << Utf8(error.text);
        const MessageBoxSeen question = AnswerMessageBox(dusklid.info.dwProcessId, IDNO);
        EXPECT_TRUE(question.hasYesNo);
        EXPECT_TRUE(dusklid.WaitForExit(10000) == 0);
        EXPECT_TRUE(!PathExists(L"T:\\preference.dat"));
    }
    RunUnixCommand(unfill);

    // At the dialog's OK, the old file stays whole.
    const std::string original = PreferenceBytes(1, 2, 3, "", '0', '0', "150", "C:\\keep");
    ASSERT_TRUE(WriteFileBytes(L"T:\\preference.dat", original));
    RunUnixCommand(fill);
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, std::wstring(L"T:\\")));
    HWND dialog = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    ASSERT_TRUE(dialog != nullptr);
    SetItemText(dialog, IDC_DELAY, L"777");
    ExpectRefusal(dialog, dusklid.info.dwProcessId, CANNOT_CREATE, nullptr);
    EXPECT_TRUE(FileBytes(L"T:\\preference.dat") == original);
    EXPECT_TRUE(!PathExists(L"T:\\preference.dat.new"));
    // With room again, the same entries go through.
    RunUnixCommand(unfill);
    ClickButton(dialog, IDC_OK);
    EXPECT_TRUE(WaitClosed(dialog));
    EXPECT_TRUE(FileBytes(L"T:\\preference.dat") ==
          PreferenceBytes(1, 2, 3, "", '0', '0', "777", "C:\\keep"));
}

TEST(PreferencesDialog, JapanesePathsRoundTripThroughTheDialog)
{
    // 表 and ソ end in the byte 0x5C, the backslash, in Shift-JIS.
    const std::string folderUnix = Config().workRootUnix + "/写真の表";
    ASSERT_TRUE(RunUnixCommand("mkdir -p '" + folderUnix + "' && convert -size 32x24 xc:red '" +
                           folderUnix + "/表ソ.bmp'"));
    const std::wstring picture = UnixToWindowsPath(folderUnix + "/表ソ.bmp");
    const std::wstring captures = L"C:\\撮影\\表";
    const std::string original =
        PreferenceBytes(7, 8, 9, ShiftJis(picture), '0', '0', "150", ShiftJis(captures));
    DusklidProcess dusklid;
    std::wstring dir;
    HWND dialog = StartAndOpenPreferences(dusklid, "prefs_japanese", original, dir);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_TRUE(DialogItemText(dialog, IDC_PICTURE_PATH) == picture) << Utf8(DialogItemText(dialog, IDC_PICTURE_PATH));
    EXPECT_TRUE(DialogItemText(dialog, IDC_CAPTURE_FOLDER) == captures);
    // OK writes the same bytes back.
    ClickButton(dialog, IDC_OK);
    ASSERT_TRUE(WaitClosed(dialog));
    EXPECT_TRUE(FileBytes(PreferencePath(dir)) == original);
}
