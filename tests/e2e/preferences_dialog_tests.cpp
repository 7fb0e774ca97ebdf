// The preferences dialog and its colour picker, opened through the real
// tray menu: what they show, what OK writes and applies, what each refusal
// leaves alone.
#include "e2e_support.h"

#include <commctrl.h>

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
    CHECK(scale.X(widthUnits) == client.right);
    CHECK(scale.Y(heightUnits) == client.bottom);

    HWND control = GetWindow(dialog, GW_CHILD);
    size_t index = 0;
    for (; control != nullptr && index < N; control = GetWindow(control, GW_HWNDNEXT), ++index) {
        const ControlSpec& spec = specs[index];
        const std::string where = "control " + std::to_string(index + 1);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        CHECK_MSG(GetDlgCtrlID(control) == spec.id, where + " has id " + std::to_string(GetDlgCtrlID(control)));
        CHECK_MSG(HasKindStyle(control, spec.kind), where + " is a " + Utf8(ClassOf(control)));
        if (spec.text != nullptr)
            CHECK_MSG(WindowText(control) == spec.text, where + " reads " + Utf8(WindowText(control)));
        // A radio button takes the tab stop while it is ticked, and the
        // dialog may mark a group box as a group of its own.
        const bool tabStop = spec.kind == RADIO ? IsChecked(dialog, spec.id) : spec.tabStop;
        CHECK_MSG(((style & WS_TABSTOP) != 0) == tabStop, where + ": tab stop");
        if (spec.kind != GROUP_BOX)
            CHECK_MSG(((style & WS_GROUP) != 0) == spec.group, where + ": group");
        RECT area = {};
        GetWindowRect(control, &area);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
        const bool pixels = spec.kind == BITMAP;
        const int left = scale.X(spec.x), top = scale.Y(spec.y);
        const int width = pixels ? spec.width : scale.X(spec.width);
        const int height = pixels ? spec.height : scale.Y(spec.height);
        CHECK_MSG(abs(area.left - left) <= 1 && abs(area.top - top) <= 1 &&
                      abs(area.right - area.left - width) <= 1 &&
                      abs(area.bottom - area.top - height) <= 1,
                  where + " lies at " + std::to_string(area.left) + "," + std::to_string(area.top) +
                      " " + std::to_string(area.right - area.left) + "x" +
                      std::to_string(area.bottom - area.top) + ", not " + std::to_string(left) +
                      "," + std::to_string(top) + " " + std::to_string(width) + "x" +
                      std::to_string(height));
    }
    CHECK_MSG(index == N && control == nullptr, "the dialog has " + std::to_string(index) +
                                                    (control ? "+" : "") + " controls");
    DWORD_PTR defaultId = 0;
    SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &defaultId);
    CHECK(LOWORD(defaultId) == IDC_OK);
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

std::wstring PreferencePath(const std::wstring& workDir)
{
    return workDir + L"\\preference.dat";
}

std::string FileBytes(const std::wstring& path)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

} // namespace

E2E_TEST(PreferencesDialogMatchesItsTemplate)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "prefs_template"));
    HWND dialog = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
    REQUIRE(dialog != nullptr);
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    CHECK((style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME)) ==
          (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    CHECK(GetWindow(dialog, GW_OWNER) == nullptr);
    CheckTemplate(dialog, PREFERENCES_CONTROLS, 215, 280);
    // Centred on the screen's work area, above the task bar.
    RECT area = {}, workArea = {};
    GetWindowRect(dialog, &area);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    CHECK(abs((area.left + area.right) - (workArea.left + workArea.right)) <= 2);
    CHECK(abs((area.top + area.bottom) - (workArea.top + workArea.bottom)) <= 2);
    ScreenshotWindow("preferences_dialog", dialog);

    ClickButton(dialog, IDC_CHOOSE_COLOR);
    HWND picker = WaitForWindowTitled(dusklid.info.dwProcessId, L"背景色を選択");
    REQUIRE(picker != nullptr);
    CHECK(GetWindow(picker, GW_OWNER) == dialog);
    CheckTemplate(picker, PICKER_CONTROLS, 189, 140);
    ScreenshotWindow("color_picker_dialog", picker);
    ClickButton(picker, IDC_CANCEL);
    CHECK(WaitUntil([&] { return !IsWindow(picker); }, 5000));
    ClickButton(dialog, IDC_CANCEL);
    CHECK(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
}

E2E_TEST(PreferencesDialogShowsTheSettings)
{
    const std::wstring picture = MakePicture("prefs_shown.bmp", "-size 40x30 xc:red");
    REQUIRE(!picture.empty());
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
        REQUIRE(!dir.empty() && StartDusklidAndWait(dusklid, dir));
        HWND dialog = OpenPreferencesDialog(FindCoverWindow(), dusklid.info.dwProcessId);
        REQUIRE(dialog != nullptr);
        const DialogState shown = ReadDialog(dialog);
        const DialogState& want = c.expected;
        CHECK_MSG(shown.red == want.red && shown.green == want.green && shown.blue == want.blue,
                  std::string(c.name) + ": colour " + Utf8(shown.red) + "," + Utf8(shown.green) +
                      "," + Utf8(shown.blue));
        CHECK_MSG(shown.picturePath == want.picturePath, Utf8(shown.picturePath));
        CHECK_MSG(shown.captureFolder == want.captureFolder, Utf8(shown.captureFolder));
        CHECK_MSG(shown.delay == want.delay, Utf8(shown.delay));
        CHECK(shown.showPicture == want.showPicture);
        CHECK(shown.stretch == want.stretch);
        CHECK(shown.useHotCorner == want.useHotCorner);
        CHECK_MSG(shown.corner == want.corner, std::string(c.name) + ": corner " +
                                                   std::to_string(shown.corner));
        ClickButton(dialog, IDC_CANCEL);
        CHECK(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
        // Cancel writes nothing.
        CHECK(FileBytes(PreferencePath(dir)) == c.file);
    }
}
