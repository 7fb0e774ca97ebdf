// The preferences dialog and its colour picker, opened through the real tray menu: what they
// show, what OK writes and applies, what each refusal leaves alone.
#include "toolkit/toolkit.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

const wchar_t CANNOT_CREATE[] = L"環境設定ファイルを作成できませんでした。";
const wchar_t CANNOT_LOAD[] = L"画像ファイルがロードできませんでした。";
constexpr int NO_ID = 0xFFFF;  // labels, group boxes and the picture

// What most cases start from: neither stretching nor a hot corner, captures into C:\a.
PreferenceFields PlainFields()
{
    return PreferenceFields().Stretch('0').Corner('0').Folder("C:\\a");
}

// From LABEL on, what a person only looks at rather than works.
enum Kind { BUTTON, CHECK_BOX, RADIO, EDIT, READ_ONLY_EDIT, SLIDER, LABEL, GROUP_BOX, PICTURE,
            SAMPLE };

// Class and style of each Kind, in order; either push button, as the default moves with the focus.
const struct { const wchar_t* className; LONG mask, style; } KIND_STYLES[] = {
    {L"Button", BS_TYPEMASK & ~BS_DEFPUSHBUTTON, BS_PUSHBUTTON},
    {L"Button", BS_TYPEMASK, BS_AUTOCHECKBOX},
    {L"Button", BS_TYPEMASK, BS_AUTORADIOBUTTON},
    {L"Edit", ES_AUTOHSCROLL | ES_READONLY, ES_AUTOHSCROLL},
    {L"Edit", ES_AUTOHSCROLL | ES_READONLY, ES_AUTOHSCROLL | ES_READONLY},
    {L"msctls_trackbar32", TBS_VERT | TBS_NOTICKS, TBS_NOTICKS},
    {L"Static", SS_TYPEMASK | SS_SUNKEN, SS_LEFT},
    {L"Button", BS_TYPEMASK, BS_GROUPBOX},
    {L"Static", SS_TYPEMASK, SS_BITMAP},
    {L"Static", SS_SUNKEN, SS_SUNKEN},
};

// `text` is null where the settings fill it in.
struct Control { int id; Kind kind; const wchar_t* text = nullptr; };

// Both in tab order, a line to a row or group of the dialog.
const Control PREFERENCES_CONTROLS[] = {
    {IDC_OK, BUTTON, L"OK"}, {IDC_CANCEL, BUTTON, L"ｷｬﾝｾﾙ"},
    {NO_ID, LABEL, L"赤"}, {NO_ID, LABEL, L"緑"}, {NO_ID, LABEL, L"青"},
    {IDC_RED, READ_ONLY_EDIT}, {IDC_GREEN, READ_ONLY_EDIT}, {IDC_BLUE, READ_ONLY_EDIT},
    {IDC_CHOOSE_COLOR, BUTTON, L"選択(&S)..."}, {NO_ID, GROUP_BOX, L"背景色"},
    {IDC_SHOW_PICTURE, CHECK_BOX, L"画像ファイルを表示する(&P)"},
    {IDC_PICTURE_PATH, EDIT}, {IDC_BROWSE_PICTURE, BUTTON, L"参照..."},
    {IDC_STRETCH, CHECK_BOX, L"拡大・縮小する(&R)"}, {NO_ID, GROUP_BOX, L"ピクチャ"},
    {NO_ID, LABEL, L"保存先："}, {IDC_CAPTURE_FOLDER, EDIT}, {IDC_BROWSE_FOLDER, BUTTON, L"参照..."},
    {NO_ID, GROUP_BOX, L"キャプチャ"}, {NO_ID, GROUP_BOX, L"ホットスポット"},
    {IDC_USE_HOT_CORNER, CHECK_BOX, L"ホットスポットを使用する(&H)"}, {NO_ID, PICTURE},
    {IDC_CORNER_TOP_LEFT, RADIO, L""}, {IDC_CORNER_TOP_RIGHT, RADIO, L""},
    {IDC_CORNER_BOTTOM_LEFT, RADIO, L""}, {IDC_CORNER_BOTTOM_RIGHT, RADIO, L""},
    {NO_ID, LABEL, L"反応の遅れ時間："}, {IDC_DELAY, EDIT}, {NO_ID, LABEL, L"Ticks"},
};

const Control PICKER_CONTROLS[] = {
    {IDC_OK, BUTTON, L"OK"}, {IDC_CANCEL, BUTTON, L"ｷｬﾝｾﾙ"}, {IDC_RED_SLIDER, SLIDER, L"Slider1"},
    {NO_ID, LABEL, L"赤"}, {NO_ID, LABEL, L"緑"}, {NO_ID, LABEL, L"青"},
    {IDC_GREEN_SLIDER, SLIDER, L"Slider1"}, {IDC_BLUE_SLIDER, SLIDER, L"Slider1"},
    {NO_ID, LABEL, L"サンプル"}, {IDC_SAMPLE, SAMPLE, L""},
};

bool IsKind(HWND control, Kind kind)
{
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    // A dialog turns an edit's WS_BORDER into a sunken client edge.
    const bool framed = (style & WS_BORDER) ||
                        (GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    return ClassName(control) == KIND_STYLES[kind].className &&
           (style & KIND_STYLES[kind].mask) == KIND_STYLES[kind].style &&
           (framed || (kind != EDIT && kind != READ_ONLY_EDIT));
}

bool Within(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The overlaps allowed: a group box around a control, the corner picture under its buttons.
bool ApartOrFramed(Kind a, const RECT& ra, Kind b, const RECT& rb)
{
    RECT common = {};
    return !IntersectRect(&common, &ra, &rb) || (a == GROUP_BOX && Within(rb, ra)) ||
           (b == GROUP_BOX && Within(ra, rb)) || (a == PICTURE && b == RADIO) ||
           (a == RADIO && b == PICTURE);
}

// Owner, children in tab order, each inside the client and clear of the others, OK the default.
template <size_t N>
void ExpectControls(HWND dialog, HWND owner, const Control (&expected)[N])
{
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    EXPECT_EQ(controls.size(), N);
    RECT client = {}, places[N] = {};
    GetClientRect(dialog, &client);
    for (size_t i = 0; i < std::min(N, controls.size()); ++i) {
        const Control& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        const LONG style = GetWindowLongW(controls[i], GWL_STYLE);
        EXPECT_EQ(GetDlgCtrlID(controls[i]), want.id);
        EXPECT_TRUE(IsKind(controls[i], want.kind))
            << Utf8(ClassName(controls[i])) << " of style " << std::hex << style;
        if (want.text != nullptr) {
            EXPECT_EQ(Utf8(WindowText(controls[i])), Utf8(want.text));
        }
        // A static text starts a group, so that the arrow keys keep to the corners.
        const bool tabStop = want.kind == RADIO ? IsChecked(dialog, want.id) : want.kind < LABEL;
        EXPECT_EQ((style & WS_TABSTOP) != 0, tabStop);
        EXPECT_EQ((style & WS_GROUP) != 0, want.kind == LABEL || want.kind == SAMPLE);
        GetWindowRect(controls[i], &places[i]);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&places[i]), 2);
        EXPECT_TRUE(!IsRectEmpty(&places[i]) && Within(places[i], client));
    }
    for (size_t i = 0; i < N; ++i)
        for (size_t j = i + 1; j < N; ++j)
            EXPECT_TRUE(ApartOrFramed(expected[i].kind, places[i], expected[j].kind, places[j]))
                << "control " << i + 1 << " overlaps control " << j + 1;
    LRESULT defaultId = 0;
    SendAndWait(dialog, DM_GETDEFID, 0, 0, &defaultId);
    EXPECT_EQ(LOWORD(defaultId), IDC_OK);
}

std::string ColorShown(HWND dialog)
{
    return Utf8(DialogItemText(dialog, IDC_RED) + L"," + DialogItemText(dialog, IDC_GREEN) + L"," +
                DialogItemText(dialog, IDC_BLUE));
}

std::string SliderColor(HWND picker)
{
    std::string color;
    for (int id : {IDC_RED_SLIDER, IDC_GREEN_SLIDER, IDC_BLUE_SLIDER}) {
        LRESULT position = 0;
        SendAndWait(GetDlgItem(picker, id), TBM_GETPOS, 0, 0, &position);
        color += (color.empty() ? "" : ",") + std::to_string(position);
    }
    return color;
}

// What the dialog shows, in one line, so that a difference reads at a glance.
std::string ShownSettings(HWND dialog)
{
    const auto tick = [&](int id) { return IsChecked(dialog, id) ? "[x] " : "[ ] "; };
    int corner = 0;  // the ticked radio button, 1 to 4; -1 for more than one
    for (int i = 0; i < 4; ++i)
        if (IsChecked(dialog, IDC_CORNER_TOP_LEFT + i))
            corner = corner == 0 ? i + 1 : -1;
    return "colour " + ColorShown(dialog) + "; " + tick(IDC_SHOW_PICTURE) + "picture " +
           Utf8(DialogItemText(dialog, IDC_PICTURE_PATH)) + "; " + tick(IDC_STRETCH) +
           "stretch; folder " + Utf8(DialogItemText(dialog, IDC_CAPTURE_FOLDER)) + "; " +
           tick(IDC_USE_HOT_CORNER) + "corner " + std::to_string(corner) + " after " +
           Utf8(DialogItemText(dialog, IDC_DELAY));
}

bool ClickToState(HWND dialog, int id, bool ticked)
{
    ClickButton(dialog, id);
    return WaitUntil([&] { return IsChecked(dialog, id) == ticked; }, 5000);
}

class PreferencesDialog : public FreshFolderTest {
protected:
    bool Open(const std::string& preferences) { return Start(preferences) && OpenDialog(); }
    bool OpenDialog()
    {
        ParkPointer();
        return (dialog = OpenPreferencesDialog(cover, dusklid.Id())) != nullptr;
    }

    // A late move onto the entry clicked last would highlight it in the next menu, unreadable.
    void ParkPointer()
    {
        const POINT centre = ScreenCentre();
        MovePointer(centre.x, centre.y);
        // Answered once the program has taken the move.
        SendMessageTimeoutW(cover, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    }

    bool OpenPicker()
    {
        ClickButton(dialog, IDC_CHOOSE_COLOR);
        return (picker = WaitForWindowTitled(dusklid.Id(), L"背景色を選択")) != nullptr;
    }

    // The red slider is the first tab stop after the buttons; `steps` < 0 moves it left.
    bool MoveRedSlider(int steps)
    {
        const bool focused = WaitForeground(picker);
        PressKey(VK_TAB);
        PressKey(VK_TAB);
        for (int i = 0; i < std::abs(steps); ++i)
            PressKey(steps < 0 ? VK_LEFT : VK_RIGHT);
        return focused;
    }

    // OK must bring an error box saying `text`, owned by `owner`, and leave the dialog open.
    void ExpectRefusal(const wchar_t* text, HWND owner)
    {
        ClickButton(dialog, IDC_OK);
        MessageBoxSeen box;
        EXPECT_TRUE(AnswerBoxSaying(dusklid.Id(), IDOK, L"エラー", text, &box));
        EXPECT_EQ(box.owner, owner);
        EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog));
    }

    std::string Written() const { return FileBytes(PreferencePath(workDir)); }
    // What OK wrote, once it has closed the dialog.
    std::string WrittenByOk() { return CloseWith(dialog, IDC_OK) ? Written() : "<still open>"; }
    bool LeftTemporaryFile() const { return PathExists(PreferenceTemporaryPath(workDir)); }

    HWND dialog = nullptr, picker = nullptr;
};

} // namespace

TEST_F(PreferencesDialog, PreferencesDialogMatchesItsTemplate)
{
    // Settings that make a tidy screenshot.
    ASSERT_TRUE(Open(PreferenceBytes(
        PreferenceFields().Color(0, 0, 128).Folder(ShiftJis(L"C:\\Users\\Public\\撮影")))));
    const LONG frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & frame, frame);
    ExpectControls(dialog, nullptr, PREFERENCES_CONTROLS);
    // Centred above the task bar, or on the whole screen when Wine's work area lacks it.
    RECT area = {}, workArea = {};
    GetWindowRect(dialog, &area);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    EXPECT_TRUE(Within(area, workArea));
    EXPECT_NEAR(area.left + area.right, workArea.left + workArea.right, 2);
    const LONG middle = area.top + area.bottom;
    EXPECT_TRUE(std::abs(middle - (workArea.top + workArea.bottom)) <= 2 ||
                std::abs(middle - DesktopRect().bottom) <= 2) << "top plus bottom: " << middle;
    ScreenshotWindow("preferences_dialog", dialog);

    ASSERT_TRUE(OpenPicker());
    ExpectControls(picker, dialog, PICKER_CONTROLS);
    EXPECT_TRUE(CloseWith(picker, IDC_CANCEL));
    EXPECT_TRUE(CloseWith(dialog, IDC_CANCEL));
}

TEST_F(PreferencesDialog, PreferencesDialogShowsTheSettings)
{
    const std::wstring picture = MakePicture("prefs_shown.bmp", "-size 40x30 xc:red");
    ASSERT_FALSE(picture.empty());
    // Each in a program of its own: the file is read at start-up.
    const struct { const char* name; std::string file, shown; } cases[] = {
        {"prefs_shown_corner0",
         PreferenceBytes(PreferenceFields().Color(12, -5, 300).Picture(ShiftJis(picture))
                             .Corner('0').Delay("-20").Folder("C:\\shots")),
         "colour 12,-5,300; [x] picture " + Utf8(picture) +
             "; [x] stretch; folder C:\\shots; [ ] corner 1 after -20"},
        {"prefs_shown_corner1",
         PreferenceBytes(PreferenceFields().Color(0, 0, 128).Stretch('0').Corner('1').Delay("500")
                             .Folder("D:\\x\\")),
         "colour 0,0,128; [ ] picture ; [ ] stretch; folder D:\\x\\; [x] corner 1 after 500"},
        {"prefs_shown_corner4",
         PreferenceBytes(
             PreferenceFields().Color(1, 2, 3).Stretch('0').Delay("abc").Folder("E:\\")),
         "colour 1,2,3; [ ] picture ; [ ] stretch; folder E:\\; [x] corner 4 after 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring dir = MakeWorkDirWithPreferences(c.name, c.file);
        DusklidProcess program;
        ASSERT_TRUE(!dir.empty() && StartDusklidAndWait(program, dir));
        HWND settings = OpenPreferencesDialog(FindCoverWindow(), program.Id());
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(ShownSettings(settings), c.shown);
        EXPECT_TRUE(CloseWith(settings, IDC_CANCEL));
        EXPECT_EQ(FileBytes(PreferencePath(dir)), c.file) << "Cancel wrote the file";
    }
}

TEST_F(PreferencesDialog, PreferencesOkWritesTheFileAndAppliesIt)
{
    const std::wstring made = MakePicture("prefs_example.jpg", "-size 64x48 xc:'rgb(0,200,0)'");
    ASSERT_TRUE(!made.empty() && CopyFileW(made.c_str(), L"C:\\pic.jpg", FALSE));
    ASSERT_TRUE(
        Open(PreferenceBytes(PreferenceFields().Color(0, 0, 128).Corner('0').Folder("C:\\old"))));

    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, true));
    SetItemText(dialog, IDC_PICTURE_PATH, L"C:\\pic.jpg");
    EXPECT_TRUE(ClickToState(dialog, IDC_STRETCH, false));
    EXPECT_TRUE(ClickToState(dialog, IDC_USE_HOT_CORNER, true));
    EXPECT_TRUE(ClickToState(dialog, IDC_CORNER_TOP_RIGHT, true));
    EXPECT_FALSE(IsChecked(dialog, IDC_CORNER_TOP_LEFT));
    SetItemText(dialog, IDC_DELAY, L"500");
    SetItemText(dialog, IDC_CAPTURE_FOLDER, L"D:\\shots");
    // Enter presses OK, the default button.
    ASSERT_TRUE(WaitForeground(dialog));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitClosed(dialog));
    EXPECT_EQ(Written(), "\x10" "0\n0\n128\nC:\\pic.jpg\n02500\nD:\\shots");
    EXPECT_FALSE(LeftTemporaryFile());

    // Applied at once: the top-right corner shows the cover, the picture unstretched.
    ASSERT_TRUE(MovePointer(GetSystemMetrics(SM_CXSCREEN) - 1, 0));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    const POINT centre = ScreenCentre();
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(0, 200, 0), 16));
    EXPECT_TRUE(WaitForPixel(centre.x - 40, centre.y, RGB(0, 0, 128)));
    MovePointer(centre.x, centre.y);
    DeleteFileW(L"C:\\pic.jpg");
}

TEST_F(PreferencesDialog, PreferencesOkRefusesIncompleteEntries)
{
    PreferenceFields fields = PreferenceFields().Color(1, 2, 3).Corner('0').Folder("C:\\keep");
    const std::string original = PreferenceBytes(fields);
    ASSERT_TRUE(Open(original));

    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, true));
    ExpectRefusal(L"画像ファイルが指定されていません。", dialog);
    SetItemText(dialog, IDC_PICTURE_PATH, workDir + L"\\missing.bmp");
    ExpectRefusal(L"指定された画像ファイルが見つかりません。", dialog);
    // Unticked, the path is not looked at; the folder is.
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, false));
    SetItemText(dialog, IDC_CAPTURE_FOLDER, L"");
    ExpectRefusal(L"キャプチャ保存先が指定されていません。", dialog);
    EXPECT_EQ(Written(), original);

    // A folder exists but fails to load: the file is written, the dialog stays open.
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, true));
    SetItemText(dialog, IDC_PICTURE_PATH, L"C:\\windows");
    SetItemText(dialog, IDC_CAPTURE_FOLDER, L"C:\\new");
    ExpectRefusal(CANNOT_LOAD, dialog);
    fields.folder = "C:\\new";
    const std::string written = PreferenceBytes(PreferenceFields(fields).Picture("C:\\windows"));
    EXPECT_EQ(Written(), written);

    // A line feed would shift every field after it: it writes nothing.
    SetItemText(dialog, IDC_DELAY, L"15\n0");
    ExpectRefusal(CANNOT_CREATE, nullptr);
    EXPECT_EQ(Written(), written);
    SetItemText(dialog, IDC_DELAY, L"150");

    // Unticked, whatever the path field holds is neither checked nor saved.
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, false));
    SetItemText(dialog, IDC_PICTURE_PATH, L"not a file");
    EXPECT_EQ(WrittenByOk(), PreferenceBytes(fields));
    EXPECT_FALSE(LeftTemporaryFile());
}

TEST_F(PreferencesDialog, PreferencesDelayAndHotCornerAreWrittenAsEntered)
{
    PreferenceFields fields = PlainFields().Color(5, 6, 7).Corner('3');
    ASSERT_TRUE(Open(PreferenceBytes(fields)));

    SetItemText(dialog, IDC_DELAY, L"-1");
    EXPECT_EQ(WrittenByOk(), PreferenceBytes(fields.Delay("0")));
    ASSERT_TRUE(OpenDialog());
    EXPECT_EQ(ShownSettings(dialog),
              "colour 5,6,7; [ ] picture ; [ ] stretch; folder C:\\a; [x] corner 3 after 0");

    // Letters are written as typed and read as 0; unticking the hot corner forgets its corner.
    SetItemText(dialog, IDC_DELAY, L"abc");
    EXPECT_TRUE(ClickToState(dialog, IDC_USE_HOT_CORNER, false));
    EXPECT_EQ(WrittenByOk(), PreferenceBytes(fields.Corner('0').Delay("abc")));
    ASSERT_TRUE(OpenDialog());
    EXPECT_EQ(ShownSettings(dialog),
              "colour 5,6,7; [ ] picture ; [ ] stretch; folder C:\\a; [ ] corner 1 after 0");
    EXPECT_TRUE(CloseWith(dialog, IDC_CANCEL));
}

TEST_F(PreferencesDialog, PreferencesCommandOpensOneDialogAtATime)
{
    ASSERT_TRUE(Open(PreferenceBytes(PlainFields().Color(9, 9, 9))));

    // No second dialog; the cover hot key, handled after the command, shows it was dealt with.
    ParkPointer();
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_PREFERENCES));
    EXPECT_TRUE(ShowCoverByHotKey(cover));
    int dialogs = 0;
    FindVisibleWindow(DIALOG_CLASS, dusklid.Id(), [&](HWND window) {
        dialogs += WindowText(window) == L"環境設定" ? 1 : 0;
        return false;
    });
    EXPECT_EQ(dialogs, 1);

    ASSERT_TRUE(CloseWith(dialog, IDC_CANCEL));
    ASSERT_TRUE(OpenDialog());
    ParkPointer();
    ASSERT_TRUE(ClickTrayEntry(cover, dusklid.Id(), IDM_EXIT));
    EXPECT_EQ(dusklid.WaitForExit(10000), 0);
}

TEST_F(PreferencesDialog, EscapeClosesNeitherDialog)
{
    ASSERT_TRUE(Open(PreferenceBytes(PlainFields().Color(1, 2, 3))));

    // The slider moved after Escape is still there for Enter, which presses OK.
    ASSERT_TRUE(OpenPicker());
    ASSERT_TRUE(WaitForeground(picker));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(StaysTrue([&] { return IsWindowVisible(picker) != FALSE; }, 500));
    ASSERT_TRUE(MoveRedSlider(2));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitClosed(picker));
    EXPECT_EQ(ColorShown(dialog), "3,2,3");

    // In the preferences dialog, Enter after Escape still writes the file.
    SetItemText(dialog, IDC_DELAY, L"321");
    ASSERT_TRUE(WaitForeground(dialog));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(StaysTrue([&] { return IsWindowVisible(dialog) != FALSE; }, 500));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitClosed(dialog));
    EXPECT_EQ(Written(), PreferenceBytes(PlainFields().Color(3, 2, 3).Delay("321")));
}

TEST_F(PreferencesDialog, ColorPickerShowsAndStoresTheColour)
{
    const std::string original = PreferenceBytes(PlainFields().Color(300, 128, 0));
    ASSERT_TRUE(Open(original));
    EXPECT_EQ(ColorShown(dialog), "300,128,0");

    // 300 clamped to 255, shown in the sample before any slider is touched.
    ASSERT_TRUE(OpenPicker());
    EXPECT_EQ(SliderColor(picker), "255,128,0");
    HWND sample = GetDlgItem(picker, IDC_SAMPLE);
    const POINT spot = CentreOf(sample);
    EXPECT_TRUE(WaitForPixel(spot.x, spot.y, RGB(255, 128, 0)));
    ScreenshotWindow("color_picker_dialog", picker);
    // The control paints itself plain when asked; the timer brings the colour back.
    InvalidateRect(sample, nullptr, TRUE);
    EXPECT_TRUE(WaitForPixel(spot.x, spot.y, RGB(255, 128, 0)));

    // Arrow keys on the red slider change the sample at once; Cancel forgets them.
    ASSERT_TRUE(MoveRedSlider(-5));
    EXPECT_TRUE(WaitForPixel(spot.x, spot.y, RGB(250, 128, 0)));
    ASSERT_TRUE(CloseWith(picker, IDC_CANCEL));
    EXPECT_EQ(ColorShown(dialog), "300,128,0");

    // OK stores the sliders in the running program, not in the file.
    ASSERT_TRUE(OpenPicker());
    EXPECT_EQ(SliderColor(picker), "255,128,0");
    ASSERT_TRUE(MoveRedSlider(-1));
    EXPECT_TRUE(WaitUntil([&] { return SliderColor(picker) == "254,128,0"; }, 5000));
    ASSERT_TRUE(CloseWith(picker, IDC_OK));
    EXPECT_EQ(ColorShown(dialog), "254,128,0");
    ASSERT_TRUE(CloseWith(dialog, IDC_CANCEL));
    EXPECT_EQ(Written(), original);
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    const POINT centre = ScreenCentre();
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(254, 128, 0)));
}

TEST_F(PreferencesDialog, PreferencesOkReplacesOrDropsThePicture)
{
    const std::wstring red = MakePicture("prefs_red.bmp", "-size 64x48 xc:red");
    const std::wstring blue = MakePicture("prefs_blue.bmp", "-size 64x48 xc:blue");
    ASSERT_TRUE(!red.empty() && !blue.empty());
    ASSERT_TRUE(Open(PreferenceBytes(PlainFields().Color(10, 20, 30).Picture(ShiftJis(red)))));
    const POINT centre = ScreenCentre();

    SetItemText(dialog, IDC_PICTURE_PATH, blue);
    ASSERT_TRUE(CloseWith(dialog, IDC_OK));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(0, 0, 255)));

    // The hot key on the shown cover paints it again, now without a picture.
    ASSERT_TRUE(OpenDialog());
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, false));
    EXPECT_EQ(WrittenByOk(), PreferenceBytes(PlainFields().Color(10, 20, 30)));
    PressHotKey(HOTKEY_COVER);
    EXPECT_TRUE(WaitForPixel(centre.x, centre.y, RGB(10, 20, 30)));
}

TEST_F(PreferencesDialog, PreferencesOkFreesEachReplacedPicture)
{
    // Large, so that one decoded picture kept per load stands far above the heap's noise.
    constexpr int WIDTH = 1200, HEIGHT = 1000, LOADS = 6;
    const std::string size = "-size " + std::to_string(WIDTH) + "x" + std::to_string(HEIGHT);
    const std::wstring pictures[2] = {
        MakePicture("prefs_large_a.bmp", size + " gradient:red-blue -type TrueColor"),
        MakePicture("prefs_large_b.bmp", size + " gradient:green-yellow -type TrueColor")};
    ASSERT_TRUE(!pictures[0].empty() && !pictures[1].empty());
    ASSERT_TRUE(Start(PreferenceBytes(PlainFields().Picture(ShiftJis(pictures[1])))));
    // The first OK loads the decoders; the count starts after it.
    long before = -1;
    for (int load = 0; load <= LOADS; ++load) {
        ASSERT_TRUE(OpenDialog());
        SetItemText(dialog, IDC_PICTURE_PATH, pictures[load % 2]);
        ASSERT_TRUE(CloseWith(dialog, IDC_OK));
        if (load == 0)
            before = PrivateKilobytes(dusklid.info.hProcess);
    }
    const long after = PrivateKilobytes(dusklid.info.hProcess);
    ASSERT_TRUE(before > 0 && after > 0);
    const long pictureKb = WIDTH * HEIGHT * 3 / 1024;
    EXPECT_LT(after - before, LOADS * pictureKb / 2) << "KiB; a picture is " << pictureKb;
}

// Each opening shows the hot-corner picture afresh; each closing must free it.
TEST_F(PreferencesDialog, PreferencesDialogLeavesNoBitmapBehind)
{
    ASSERT_TRUE(Start());
    const auto bitmaps = [&] {
        std::map<int, long> byType;
        return CountGdiObjects(dusklid.info.hProcess, &byType) < 0 ? -1L : byType[GDI_BITMAP];
    };
    // Wine fills caches of its own over the first openings (seen: three bitmaps by the sixth).
    constexpr int WARM_UP = 8, OPENINGS = 4;
    long before = -1;
    for (int opening = 1; opening <= WARM_UP + OPENINGS; ++opening) {
        ASSERT_TRUE(OpenDialog());
        ASSERT_TRUE(CloseWith(dialog, IDC_CANCEL));
        if (opening == WARM_UP)
            before = bitmaps();
    }
    ASSERT_GE(before, 0);
    // Under load Wine keeps one more of its own now and then; a leak would be one an opening.
    WaitUntil([&] { return bitmaps() <= before + 1; }, 30000);
    EXPECT_LE(bitmaps(), before + 1);
}

TEST_F(PreferencesDialog, FailedPreferenceWritesKeepTheOldFile)
{
    // A full drive, where the C library's fclose reports no failed flush.
    const std::string folder = Config().workRootUnix + "/prefs_full_drive";
    WineDrive drive('t', folder, "1M");
    if (!drive.ready)
        GTEST_SKIP() << "cannot mount a small drive here";
    const std::string filler = "'" + folder + "/filler'";
    const auto fill = [&] { RunUnixCommand("dd if=/dev/zero of=" + filler + " 2>/dev/null"); };
    const auto unfill = [&] { RunUnixCommand("rm -f " + filler); };
    workDir = L"T:\\";

    // The default file at start-up: none is left, so the user hears the deletion is done.
    fill();
    {
        DusklidProcess refused;
        ASSERT_TRUE(StartDusklid(refused, workDir));
        EXPECT_TRUE(AnswerBoxSaying(refused.Id(), IDOK, L"エラー", CANNOT_CREATE));
        EXPECT_TRUE(AnswerDeleteOffer(refused.Id(), IDYES));
        EXPECT_TRUE(AnswerDeletedNotice(refused.Id()));
        EXPECT_EQ(refused.WaitForExit(10000), 0);
        EXPECT_FALSE(PathExists(PreferencePath(workDir)));
    }
    unfill();

    // At the dialog's OK, the old file stays whole.
    PreferenceFields fields = PlainFields().Color(1, 2, 3).Folder("C:\\keep");
    const std::string original = PreferenceBytes(fields);
    ASSERT_TRUE(WriteFileBytes(PreferencePath(workDir), original));
    fill();
    ASSERT_TRUE(Open(""));
    SetItemText(dialog, IDC_DELAY, L"777");
    ExpectRefusal(CANNOT_CREATE, nullptr);
    EXPECT_EQ(Written(), original);
    EXPECT_FALSE(LeftTemporaryFile());
    unfill();
    EXPECT_EQ(WrittenByOk(), PreferenceBytes(fields.Delay("777")));
}

TEST_F(PreferencesDialog, OkSavesFromAStartFolderOfTheLongestPath)
{
    // 255 bytes of Shift-JIS, far under MAX_PATH characters: the full path of the temporary
    // file is not. Under a drive of its own, so that the checkout's place does not count.
    const std::string root = Config().workRootUnix + "/prefs_deep_folder";
    ASSERT_TRUE(RunUnixCommand("rm -rf '" + root + "'"));
    WineDrive drive('t', root);
    ASSERT_TRUE(drive.ready);
    const std::wstring level = L"\\" + std::wstring(40, L'深');
    workDir = L"T:" + level + level + level + L"\\最後の階a";
    ASSERT_EQ(ShiftJis(workDir).size(), 255u);
    for (size_t end = workDir.find(L'\\', 3); end != std::wstring::npos;
         end = workDir.find(L'\\', end + 1))
        CreateDirectoryW(workDir.substr(0, end).c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(workDir.c_str(), nullptr));

    ASSERT_TRUE(Open(""));
    SetItemText(dialog, IDC_DELAY, L"300");
    EXPECT_EQ(WrittenByOk(),
              PreferenceBytes(PreferenceFields().Delay("300").Folder(ShiftJis(workDir))));
    EXPECT_FALSE(LeftTemporaryFile());
}

TEST_F(PreferencesDialog, OkKeepsTheFilesAttributesAndIsNotStoppedByAStaleTemporaryFile)
{
    const std::wstring file = PreferencePath(workDir);
    const std::wstring temporary = PreferenceTemporaryPath(workDir);
    ASSERT_TRUE(WriteFileBytes(file, PreferenceBytes(PreferenceFields().Folder("C:\\a"))));
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    // What a crash in the middle of an earlier save would have left.
    ASSERT_TRUE(WriteFileBytes(temporary, "half a fi"));
    ASSERT_TRUE(SetFileAttributesW(temporary.c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(Open(""));
    SetItemText(dialog, IDC_DELAY, L"300");
    EXPECT_EQ(WrittenByOk(), PreferenceBytes(PreferenceFields().Delay("300").Folder("C:\\a")));
    EXPECT_NE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << "no longer hidden";
    EXPECT_FALSE(LeftTemporaryFile());
}

TEST_F(PreferencesDialog, TypedPathsTooLongToKeepAreRefusedNotCut)
{
    // 257 bytes of Shift-JIS: cut to 255, the last character would lose a byte.
    const std::wstring tooLong = L"C:\\" + std::wstring(127, L'表');
    const std::wstring longest = tooLong.substr(0, tooLong.size() - 1);
    const std::string before = PreferenceBytes(PreferenceFields().Folder("C:\\a"));
    ASSERT_TRUE(Open(before));
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, true));
    SetItemText(dialog, IDC_PICTURE_PATH, tooLong);
    ExpectRefusal(L"画像ファイルのパスが長すぎます。", dialog);
    EXPECT_TRUE(ClickToState(dialog, IDC_SHOW_PICTURE, false));
    SetItemText(dialog, IDC_CAPTURE_FOLDER, tooLong);
    ExpectRefusal(L"キャプチャ保存先のパスが長すぎます。", dialog);
    EXPECT_EQ(Written(), before);
    SetItemText(dialog, IDC_CAPTURE_FOLDER, longest);
    EXPECT_EQ(WrittenByOk(), PreferenceBytes(PreferenceFields().Folder(ShiftJis(longest))));
}

TEST_F(PreferencesDialog, PicturesThatFailAtOkLeaveNoObjectsBehind)
{
    const std::wstring icon = MakePicture("prefs_icon.ico", "-size 32x32 xc:red");
    const std::wstring text = workDir + L"\\text.bmp";
    const std::wstring empty = workDir + L"\\empty.bmp";
    ASSERT_TRUE(!icon.empty() && WriteFileBytes(text, "This is text, not a picture.\r\n") &&
                WriteFileBytes(empty, ""));
    ASSERT_TRUE(Start());
    // Wine's DC cache grows under load, a DC, its companion and a region each: left out.
    const auto counts = [&] {
        std::map<int, long> byType;
        const long objects = CountGdiObjects(dusklid.info.hProcess, &byType);
        return std::make_pair(objects - 3 * byType[GDI_REGION],
                              CountHandles(dusklid.info.hProcess));
    };
    std::pair<long, long> before = {-1, -1};
    // The first rounds load the decoders and fill Wine's caches; counting starts after them.
    for (int round = 0; round < 5; ++round) {
        for (const std::wstring& picture : {icon, text, empty}) {
            ASSERT_TRUE(OpenDialog());
            // OK saved the settings before the picture failed, the box ticked.
            EXPECT_TRUE(IsChecked(dialog, IDC_SHOW_PICTURE) ||
                        ClickToState(dialog, IDC_SHOW_PICTURE, true));
            SetItemText(dialog, IDC_PICTURE_PATH, picture);
            ExpectRefusal(CANNOT_LOAD, dialog);
            EXPECT_TRUE(CloseWith(dialog, IDC_CANCEL));
        }
        if (round == 1)
            before = counts();
    }
    ASSERT_GE(before.first, 0);
    WaitUntil([&] { return counts() == before; }, 30000);  // a late teardown is no leak
    EXPECT_EQ(counts(), before) << "GDI objects outside the DC cache, and handles";
}

TEST_F(PreferencesDialog, JapanesePathsRoundTripThroughTheDialog)
{
    // 表 and ソ end in the byte 0x5C, the backslash, in Shift-JIS.
    const std::string folderUnix = Config().workRootUnix + "/写真の表";
    ASSERT_TRUE(RunUnixCommand("mkdir -p '" + folderUnix + "' && convert -size 32x24 xc:red '" +
                               folderUnix + "/表ソ.bmp'"));
    const WineDrive drive('s', Config().workRootUnix);
    ASSERT_TRUE(drive.ready);
    const std::wstring picture = drive.root + L"\\写真の表\\表ソ.bmp";
    const std::wstring captures = L"C:\\撮影\\表";
    const std::string original = PreferenceBytes(
        PlainFields().Color(7, 8, 9).Picture(ShiftJis(picture)).Folder(ShiftJis(captures)));
    ASSERT_TRUE(Open(original));
    EXPECT_EQ(Utf8(DialogItemText(dialog, IDC_PICTURE_PATH)), Utf8(picture));
    EXPECT_EQ(Utf8(DialogItemText(dialog, IDC_CAPTURE_FOLDER)), Utf8(captures));
    EXPECT_EQ(WrittenByOk(), original);
}
