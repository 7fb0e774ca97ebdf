#include "preferences_dialog.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "core/app_state.h"
#include "core/file_exists.h"
#include "core/gdi_guards.h"
#include "core/message_box.h"
#include "core/ole_setup.h"
#include "color_picker_dialog.h"
#include "cover/picture_file.h"
#include "preference_file.h"
#include "preference_format.h"
#include "resource.h"

namespace {

// Pairs of what the user sees and the pattern, ending in an empty pair.
const char PICTURE_FILTERS[] =
    "ビットマップファイル(*.bmp)\0*.BMP\0"
    "JPEGファイル(*.jpg;*.jpeg)\0*.JPEG;*.JPG\0"
    "GIFファイル(*.gif)\0*.GIF\0"
    "サポートされたファイル\0*.BMP;*.JPG;*.JPEG;*.GIF\0"
    "すべてのファイル(*.*)\0*.*\0";
constexpr DWORD SUPPORTED_FILES_FILTER = 4;

// The open-file dialog starts here when the field names no existing file.
const char PICTURE_PATTERN_ON_DRIVE_C[] = "C:\\*.bmp;*.jpg;*.jpeg;*.gif";

const char FILE_PATH_TOO_LONG[] = "選択されたファイルのパスが長すぎます。";

// Room for a field's text far beyond what a path may hold, so that a longer
// path comes back whole to be refused, never cut: a cut path names another
// file, and a cut inside a double-byte character leaves half of it.
constexpr int LONG_TEXT_CAPACITY = 4 * PATH_BUFFER_SIZE;

const int CORNER_BUTTON_IDS[4] = {IDC_CORNER_TOP_LEFT, IDC_CORNER_TOP_RIGHT,
                                  IDC_CORNER_BOTTOM_LEFT, IDC_CORNER_BOTTOM_RIGHT};

bool IsTicked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// A field's text, cut to the buffer.
template <std::size_t N>
void GetFieldText(HWND dialog, int id, char (&text)[N])
{
    text[0] = '\0';
    GetDlgItemTextA(dialog, id, text, static_cast<int>(N));
}

// Copies `text` into `path` when it fits; otherwise warns with `tooLong`, in
// a box owned by `owner`, and returns false.
bool CopyPathIfItFits(HWND owner, const char* text, const char* tooLong,
                      char (&path)[PATH_BUFFER_SIZE])
{
    const std::size_t length = std::strlen(text);
    if (length >= PATH_BUFFER_SIZE) {
        ShowWarning(owner, tooLong);
        return false;
    }
    std::memcpy(path, text, length + 1);
    return true;
}

void ShowColor(HWND dialog)
{
    SetDlgItemInt(dialog, IDC_RED, static_cast<UINT>(appState.backgroundRed), TRUE);
    SetDlgItemInt(dialog, IDC_GREEN, static_cast<UINT>(appState.backgroundGreen), TRUE);
    SetDlgItemInt(dialog, IDC_BLUE, static_cast<UINT>(appState.backgroundBlue), TRUE);
}

void OnInitDialog(HWND dialog)
{
    ShowColor(dialog);
    CheckDlgButton(dialog, IDC_SHOW_PICTURE,
                   appState.picturePath[0] != '\0' ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_PICTURE_PATH, appState.picturePath);
    SetDlgItemTextA(dialog, IDC_CAPTURE_FOLDER, appState.captureFolder);
    CheckDlgButton(dialog, IDC_STRETCH, appState.stretchPicture ? BST_CHECKED : BST_UNCHECKED);
    // With the hot corner off, the first corner stands ready to be chosen.
    const int corner = appState.hotCorner >= 1 && appState.hotCorner <= 4 ? appState.hotCorner : 0;
    CheckDlgButton(dialog, IDC_USE_HOT_CORNER, corner != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, CORNER_BUTTON_IDS[corner != 0 ? corner - 1 : 0], BST_CHECKED);
    SetDlgItemInt(dialog, IDC_DELAY, static_cast<UINT>(appState.hotCornerDelay), TRUE);
}

void OnChooseColor(HWND dialog)
{
    // OK or not: the fields show whatever colour the program now holds.
    if (RunColorPickerDialog(dialog))
        ShowColor(dialog);
}

// The open-file dialog for a picture. `path` holds the initial file name and
// receives the chosen file; false when the user cancels, and when the path
// would not fit, after telling the user so.
bool ChoosePictureFile(HWND owner, char (&path)[PATH_BUFFER_SIZE])
{
    // Some implementations cut a path of more bytes than characters to the
    // buffer instead of failing: the buffer is larger than any path kept.
    char file[LONG_TEXT_CAPACITY] = "";
    std::memcpy(file, path, PATH_BUFFER_SIZE);
    file[PATH_BUFFER_SIZE - 1] = '\0';

    OPENFILENAMEA settings = {};
    // The version-4 layout is what the dialog needs; on 64-bit Windows it is
    // larger than on 32-bit, so the size comes from the headers.
    settings.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    settings.hwndOwner = owner;
    settings.hInstance = appState.instance;
    settings.lpstrFilter = PICTURE_FILTERS;
    settings.nFilterIndex = SUPPORTED_FILES_FILTER;
    settings.lpstrFile = file;
    settings.nMaxFile = sizeof file;
    settings.lpstrTitle = "ピクチャファイルを開く";
    settings.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    EnsureOle();
    const BOOL chosen = GetOpenFileNameA(&settings);
    // The dialog moves the working directory to the chosen file's folder.
    // The path it returns is absolute, but the help command and a relative
    // capture folder are not: they keep meaning the start-up folder.
    SetCurrentDirectoryA(appState.startDirectory);
    if (!chosen) {
        const DWORD error = CommDlgExtendedError();
        if (error == FNERR_BUFFERTOOSMALL)
            ShowWarning(owner, FILE_PATH_TOO_LONG);
        else if (error != 0)  // 0: the user cancelled
            ShowError(owner, "ダイアログが開けませんでした。");
        return false;
    }
    return CopyPathIfItFits(owner, file, FILE_PATH_TOO_LONG, path);
}

// The folder browser. `path` receives the chosen folder, empty for a folder
// without a file-system path. False when the user cancels, and when the path
// would not fit, after telling the user so.
bool ChooseFolder(HWND owner, const char* title, char (&path)[PATH_BUFFER_SIZE])
{
    char displayName[MAX_PATH];
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    EnsureOle();
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (item == nullptr)
        return false;
    // The browser can return up to 259 characters, the field holds 255.
    char folder[MAX_PATH + 1] = "";
    if (!SHGetPathFromIDListA(item, folder))
        folder[0] = '\0';  // a virtual folder has no path
    CoTaskMemFree(item);
    return CopyPathIfItFits(owner, folder, "選択されたフォルダのパスが長すぎます。", path);
}

void OnBrowsePicture(HWND dialog)
{
    char path[PATH_BUFFER_SIZE];
    GetFieldText(dialog, IDC_PICTURE_PATH, path);
    if (!FileExists(path))
        std::memcpy(path, PICTURE_PATTERN_ON_DRIVE_C, sizeof PICTURE_PATTERN_ON_DRIVE_C);
    if (ChoosePictureFile(dialog, path))
        SetDlgItemTextA(dialog, IDC_PICTURE_PATH, path);
}

void OnBrowseFolder(HWND dialog)
{
    char folder[PATH_BUFFER_SIZE];
    if (ChooseFolder(dialog, "保存先のディレクトリを指定してください。", folder))
        SetDlgItemTextA(dialog, IDC_CAPTURE_FOLDER, folder);
}

// '1' to '4' for the ticked corner when the hot corner is in use, else '0'.
char ChosenCorner(HWND dialog)
{
    if (!IsTicked(dialog, IDC_USE_HOT_CORNER))
        return '0';
    for (int i = 0; i < 4; ++i)
        if (IsTicked(dialog, CORNER_BUTTON_IDS[i]))
            return static_cast<char>('1' + i);
    return '0';
}

// Replaces the cover picture with the one at picturePath, or with none.
// False after an error box owned by the dialog.
bool ReloadPicture(HWND dialog)
{
    switch (ReplaceCoverPicture(appState.picturePath)) {
    case PICTURE_LOAD_UNREADABLE:
        ShowError(dialog, "画像ファイルがロードできませんでした。");
        return false;
    case PICTURE_LOAD_NO_SIZE:
        ShowError(dialog, "画像ファイルのサイズを取得できませんでした。");
        return false;
    case PICTURE_LOAD_OK:
        break;
    }
    return true;
}

// The entries as the user left them, before any is checked.
struct Entries {
    char red[PATH_BUFFER_SIZE];
    char green[PATH_BUFFER_SIZE];
    char blue[PATH_BUFFER_SIZE];
    bool showPicture;
    char picturePath[LONG_TEXT_CAPACITY];
    bool stretch;
    char corner;  // '0' (off) to '4'
    char delay[PATH_BUFFER_SIZE];
    char captureFolder[LONG_TEXT_CAPACITY];
};

void ReadEntries(HWND dialog, Entries& entries)
{
    GetFieldText(dialog, IDC_RED, entries.red);
    GetFieldText(dialog, IDC_GREEN, entries.green);
    GetFieldText(dialog, IDC_BLUE, entries.blue);
    entries.showPicture = IsTicked(dialog, IDC_SHOW_PICTURE);
    GetFieldText(dialog, IDC_PICTURE_PATH, entries.picturePath);
    entries.stretch = IsTicked(dialog, IDC_STRETCH);
    entries.corner = ChosenCorner(dialog);
    GetFieldText(dialog, IDC_DELAY, entries.delay);
    GetFieldText(dialog, IDC_CAPTURE_FOLDER, entries.captureFolder);
}

// Turns the entries into the settings to keep, checking them in the order
// the user hears of them. False after a warning about the first at fault.
bool CheckEntries(HWND dialog, const Entries& entries, PreferenceSettings& settings)
{
    // With the box unticked the path is neither checked nor kept.
    if (entries.showPicture) {
        if (!CopyPathIfItFits(dialog, entries.picturePath, "画像ファイルのパスが長すぎます。",
                              settings.picturePath))
            return false;
        if (settings.picturePath[0] == '\0') {
            ShowWarning(dialog, "画像ファイルが指定されていません。");
            return false;
        }
        if (!FileExists(settings.picturePath)) {
            ShowWarning(dialog, "指定された画像ファイルが見つかりません。");
            return false;
        }
    }
    if (!CopyPathIfItFits(dialog, entries.captureFolder, "キャプチャ保存先のパスが長すぎます。",
                          settings.captureFolder))
        return false;
    if (settings.captureFolder[0] == '\0') {
        ShowWarning(dialog, "キャプチャ保存先が指定されていません。");
        return false;
    }
    // The colour fields show what the picker stored, so this keeps it.
    settings.red = ParsePreferenceNumber(entries.red);
    settings.green = ParsePreferenceNumber(entries.green);
    settings.blue = ParsePreferenceNumber(entries.blue);
    settings.stretchPicture = entries.stretch ? 1 : 0;
    settings.hotCorner = entries.corner - '0';
    settings.hotCornerDelay = std::max(0, ParsePreferenceNumber(entries.delay));
    return true;
}

// The file's texts: the entries as typed, but a negative delay as the 0 that
// is kept, and the paths as checked.
PreferenceText FileText(const Entries& entries, const PreferenceSettings& settings)
{
    PreferenceText text = {};
    text.red = entries.red;
    text.green = entries.green;
    text.blue = entries.blue;
    text.picturePath = settings.picturePath;
    text.stretchPicture = entries.stretch ? '1' : '0';
    text.hotCorner = entries.corner;
    text.hotCornerDelay = ParsePreferenceNumber(entries.delay) < 0 ? "0" : entries.delay;
    text.captureFolder = settings.captureFolder;
    text.finalLineFeed = false;
    return text;
}

void OnOk(HWND dialog)
{
    // The open-file dialog may have moved the working directory, and the
    // file is named relative to it.
    SetCurrentDirectoryA(appState.startDirectory);
    Entries entries = {};
    ReadEntries(dialog, entries);
    PreferenceSettings settings = {};
    if (!CheckEntries(dialog, entries, settings))
        return;
    // Nothing is applied unless the whole file is in place.
    if (!SavePreferenceFile(FileText(entries, settings))) {
        ShowError(nullptr, "環境設定ファイルを作成できませんでした。");
        return;
    }
    ApplyPreferences(settings);
    // Loaded again even when unchanged: the file on disk may have changed.
    if (ReloadPicture(dialog))
        EndDialog(dialog, 0);
}

void OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_CHOOSE_COLOR:
        OnChooseColor(dialog);
        break;
    case IDC_BROWSE_PICTURE:
        OnBrowsePicture(dialog);
        break;
    case IDC_BROWSE_FOLDER:
        OnBrowseFolder(dialog);
        break;
    case IDC_OK:
        OnOk(dialog);
        break;
    case IDC_CANCEL:
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
}

// The picture control loads the hot-corner bitmap from the template but
// does not free it when it goes; taken back and deleted here, or every
// opening of the dialog would leave one bitmap behind.
void ReleaseHotCornerPicture(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0 ||
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
            continue;
        const GdiObject<HGDIOBJ> picture(
            reinterpret_cast<HGDIOBJ>(SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0)));
    }
}

INT_PTR CALLBACK PreferencesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, wParam);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_DESTROY:
        ReleaseHotCornerPicture(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}


} // namespace

void RunPreferencesDialog(HWND errorOwner)
{
    if (DialogBoxParamA(appState.instance, MAKEINTRESOURCEA(IDD_PREFERENCES), nullptr,
                        PreferencesDialogProc, 0) == -1)
        ShowError(errorOwner, "ダイアログが開けませんでした。");
}
