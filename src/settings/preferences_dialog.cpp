#include "preferences_dialog.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstring>

#include "core/app_state.h"
#include "core/file_exists.h"
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

const int CORNER_BUTTON_IDS[4] = {IDC_CORNER_TOP_LEFT, IDC_CORNER_TOP_RIGHT,
                                  IDC_CORNER_BOTTOM_LEFT, IDC_CORNER_BOTTOM_RIGHT};

bool IsTicked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// A field's text, cut after 255 bytes as every path is.
void GetFieldText(HWND dialog, int id, char (&text)[PATH_BUFFER_SIZE])
{
    text[0] = '\0';
    GetDlgItemTextA(dialog, id, text, sizeof text);
}

// A path field's text, or false, after a warning naming the field, when it
// is longer than a path may be. It is never cut: a cut path names another
// file, and a cut inside a double-byte character leaves half of it.
bool GetPathField(HWND dialog, int id, const char* tooLong, char (&path)[PATH_BUFFER_SIZE])
{
    char text[4 * PATH_BUFFER_SIZE] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    const std::size_t length = std::strlen(text);
    if (length >= PATH_BUFFER_SIZE) {
        ShowWarning(dialog, tooLong);
        return false;
    }
    std::memcpy(path, text, length + 1);
    return true;
}

void ShowColour(HWND dialog)
{
    SetDlgItemInt(dialog, IDC_RED, static_cast<UINT>(appState.backgroundRed), TRUE);
    SetDlgItemInt(dialog, IDC_GREEN, static_cast<UINT>(appState.backgroundGreen), TRUE);
    SetDlgItemInt(dialog, IDC_BLUE, static_cast<UINT>(appState.backgroundBlue), TRUE);
}

void OnInitDialog(HWND dialog)
{
    ShowColour(dialog);
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

void OnChooseColour(HWND dialog)
{
    // OK or not: the fields show whatever colour the program now holds.
    if (RunColorPickerDialog(dialog))
        ShowColour(dialog);
}

// The open-file dialog for a picture. `path` (256 bytes) holds the initial
// file name and receives the chosen file; false when the user cancels.
bool ChoosePictureFile(HWND owner, char* path)
{
    // Room for far more than the field holds: a path that does not fit must
    // come back whole to be refused, not cut to the buffer (which some
    // implementations do for a path of more bytes than characters).
    char file[4 * PATH_BUFFER_SIZE] = "";
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
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            ShowWarning(owner, FILE_PATH_TOO_LONG);
        return false;
    }
    const std::size_t length = std::strlen(file);
    if (length >= PATH_BUFFER_SIZE) {
        ShowWarning(owner, FILE_PATH_TOO_LONG);
        return false;
    }
    std::memcpy(path, file, length + 1);
    return true;
}

// The folder browser. `path` (256 bytes) receives the chosen folder, empty
// for a folder without a file-system path. False when the user cancels, and
// when the path would not fit, after telling the user so.
bool ChooseFolder(HWND owner, const char* title, char* path)
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
    const std::size_t length = std::strlen(folder);
    if (length >= PATH_BUFFER_SIZE) {
        // A cut path would name another folder.
        ShowWarning(owner, "選択されたフォルダのパスが長すぎます。");
        return false;
    }
    std::memcpy(path, folder, length + 1);
    return true;
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

void OnOk(HWND dialog)
{
    // The open-file dialog may have moved the working directory, and the
    // file is named relative to it.
    SetCurrentDirectoryA(appState.startDirectory);

    const bool showPicture = IsTicked(dialog, IDC_SHOW_PICTURE);
    char picturePath[PATH_BUFFER_SIZE] = "";
    if (showPicture) {
        if (!GetPathField(dialog, IDC_PICTURE_PATH, "画像ファイルのパスが長すぎます。", picturePath))
            return;
        if (picturePath[0] == '\0') {
            ShowWarning(dialog, "画像ファイルが指定されていません。");
            return;
        }
        if (!FileExists(picturePath)) {
            ShowWarning(dialog, "指定された画像ファイルが見つかりません。");
            return;
        }
    }
    char captureFolder[PATH_BUFFER_SIZE];
    if (!GetPathField(dialog, IDC_CAPTURE_FOLDER, "キャプチャ保存先のパスが長すぎます。",
                      captureFolder))
        return;
    if (captureFolder[0] == '\0') {
        ShowWarning(dialog, "キャプチャ保存先が指定されていません。");
        return;
    }

    char red[PATH_BUFFER_SIZE], green[PATH_BUFFER_SIZE], blue[PATH_BUFFER_SIZE];
    GetFieldText(dialog, IDC_RED, red);
    GetFieldText(dialog, IDC_GREEN, green);
    GetFieldText(dialog, IDC_BLUE, blue);
    char delayText[PATH_BUFFER_SIZE];
    GetFieldText(dialog, IDC_DELAY, delayText);
    int delay = ParsePreferenceNumber(delayText);
    if (delay < 0) {
        delay = 0;
        std::memcpy(delayText, "0", 2);
    }
    const bool stretch = IsTicked(dialog, IDC_STRETCH);
    const char corner = ChosenCorner(dialog);

    PreferenceText text = {};
    text.red = red;
    text.green = green;
    text.blue = blue;
    text.picturePath = picturePath;
    text.stretchPicture = stretch ? '1' : '0';
    text.hotCorner = corner;
    text.hotCornerDelay = delayText;
    text.captureFolder = captureFolder;
    text.finalLineFeed = false;
    // Nothing is applied unless the whole file is in place.
    if (!SavePreferenceFile(text)) {
        ShowError(nullptr, "環境設定ファイルを作成できませんでした。");
        return;
    }

    // The colour is already in AppState: the picker stored it.
    std::memcpy(appState.picturePath, picturePath, sizeof appState.picturePath);
    appState.stretchPicture = stretch;
    appState.hotCorner = static_cast<HotCorner>(corner - '0');
    appState.hotCornerDelay = delay;
    std::memcpy(appState.captureFolder, captureFolder, sizeof appState.captureFolder);

    // Loaded again even when unchanged: the file on disk may have changed.
    if (ReloadPicture(dialog))
        EndDialog(dialog, 0);
}

void OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_CHOOSE_COLOR:
        OnChooseColour(dialog);
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
        HGDIOBJ picture =
            reinterpret_cast<HGDIOBJ>(SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0));
        if (picture != nullptr)
            DeleteObject(picture);
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
