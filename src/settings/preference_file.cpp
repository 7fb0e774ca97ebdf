#include "preference_file.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "core/app_state.h"
#include "core/file_exists.h"
#include "core/identifiers.h"
#include "core/message_box.h"
#include "cover/picture_file.h"
#include "preference_format.h"
#include "replace_failure.h"

namespace {

static_assert(PREFERENCE_LINE_CAPACITY == PATH_BUFFER_SIZE,
              "a line of the file must fit a path of AppState");
static_assert(REPLACE_ERROR_OLD_FILE_GONE == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
                  REPLACE_ERROR_OLD_FILE_MOVED == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2,
              "the platform's codes for a replace that went halfway");

// Room for the full path of either file: a start folder as long as a path may
// be (255 bytes, which Shift-JIS names reach far below the platform's limit
// of MAX_PATH characters), a backslash and the longer name.
constexpr std::size_t FULL_PATH_CAPACITY = PATH_BUFFER_SIZE + sizeof PREFERENCE_TEMPORARY_NAME;

const char CANNOT_CREATE[] = "環境設定ファイルを作成できませんでした。";
const char NOT_PREPARED[] = "環境設定ファイルが正常に準備できませんでした。";
const char INCOMPATIBLE[] = "環境設定ファイルに互換性がありません。";
const char DAMAGED[] = "環境設定ファイルが壊れています。";
const char PICTURE_UNREADABLE[] = "画像ファイルが読み込めませんでした。";
const char PICTURE_SIZE_UNKNOWN[] = "画像ファイルのサイズが取得できませんでした。";

// The working directory, or false when it does not fit a path buffer: a cut
// directory would name another folder.
bool GetWorkingDirectory(char (&directory)[PATH_BUFFER_SIZE])
{
    char buffer[PATH_BUFFER_SIZE];
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer)
        return false;
    std::memcpy(directory, buffer, length + 1);
    return true;
}

// A full disk shows only when the buffer is flushed, and the fclose of some
// C libraries does not report a failed flush, so the flush is checked itself.
// The bytes then go to the disk before the file is put in place: after a
// power cut the renamed file could otherwise come back filled with zeros.
bool WriteWhole(FILE* file, const unsigned char* bytes, std::size_t size)
{
    return std::fwrite(bytes, 1, size, file) == size && std::fflush(file) == 0 &&
           _commit(_fileno(file)) == 0;
}

// The file's first bytes: any beyond them cannot change what it means.
// False when it cannot be opened.
bool ReadFileStart(const char* name, unsigned char (&bytes)[PREFERENCE_MEANINGFUL_BYTES],
                   std::size_t& size)
{
    FILE* file = std::fopen(name, "rb");
    if (file == nullptr)
        return false;
    size = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    return true;
}

// Only a file that is not there gets the default. One that exists but cannot
// be opened (no permission, held open without sharing) holds the user's
// settings and must not be overwritten.
bool PreferenceFileMissing()
{
    return GetFileAttributesA(PREFERENCE_FILE_NAME) == INVALID_FILE_ATTRIBUTES &&
           GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Writes the default file; a file that appears meanwhile is left alone, and
// a write that fails leaves no partial file to be refused at the next start.
bool WriteDefaultFile(const char* workingDirectory)
{
    const int descriptor = _open(PREFERENCE_FILE_NAME, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                                 _S_IREAD | _S_IWRITE);
    if (descriptor == -1)
        return false;
    FILE* file = _fdopen(descriptor, "wb");
    if (file == nullptr) {
        _close(descriptor);
        std::remove(PREFERENCE_FILE_NAME);
        return false;
    }
    unsigned char bytes[PREFERENCE_FILE_CAPACITY];
    const std::size_t size = DefaultPreferences(workingDirectory, bytes, sizeof bytes);
    const bool written = size != 0 && WriteWhole(file, bytes, size);
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return true;
    std::remove(PREFERENCE_FILE_NAME);
    return false;
}

// A save that failed after the old file had gone leaves the settings in the
// temporary file alone; when it reads whole, it becomes the file.
bool TakeCompleteTemporaryFile()
{
    unsigned char bytes[PREFERENCE_MEANINGFUL_BYTES];
    std::size_t size = 0;
    PreferenceSettings settings = {};
    return ReadFileStart(PREFERENCE_TEMPORARY_NAME, bytes, size) &&
           ParsePreferences(bytes, size, settings) == PREFERENCES_READ &&
           MoveFileExA(PREFERENCE_TEMPORARY_NAME, PREFERENCE_FILE_NAME,
                       MOVEFILE_WRITE_THROUGH) != FALSE;
}

// The file's first bytes; when there is none, the one a failed save left is
// taken, or the default one written, first. False after an error box.
bool ReadPreferenceBytes(unsigned char (&bytes)[PREFERENCE_MEANINGFUL_BYTES], std::size_t& size)
{
    if (ReadFileStart(PREFERENCE_FILE_NAME, bytes, size))
        return true;
    if (!PreferenceFileMissing()) {
        ShowError(nullptr, NOT_PREPARED);
        return false;
    }
    if (!TakeCompleteTemporaryFile() && !WriteDefaultFile(appState.startDirectory)) {
        ShowError(nullptr, CANNOT_CREATE);
        return false;
    }
    if (ReadFileStart(PREFERENCE_FILE_NAME, bytes, size))
        return true;
    ShowError(nullptr, NOT_PREPARED);
    return false;
}

// Reads the file into `settings`, `damaged` when a field past the picture
// path is missing or out of its set. False after an error box.
bool ReadPreferenceFile(PreferenceSettings& settings, bool& damaged)
{
    unsigned char bytes[PREFERENCE_MEANINGFUL_BYTES];
    std::size_t size = 0;
    if (!ReadPreferenceBytes(bytes, size))
        return false;
    const PreferenceStatus status = ParsePreferences(bytes, size, settings);
    if (status == PREFERENCES_INCOMPATIBLE) {
        ShowError(nullptr, INCOMPATIBLE);
        return false;
    }
    damaged = status == PREFERENCES_DAMAGED;
    return true;
}

// A picture that cannot be loaded is reported and start-up goes on without it.
void LoadCoverPicture(HWND window)
{
    if (appState.picturePath[0] == '\0')
        return;
    switch (ReplaceCoverPicture(appState.picturePath)) {
    case PICTURE_LOAD_UNREADABLE:
        ShowWarning(nullptr, PICTURE_UNREADABLE);
        break;
    case PICTURE_LOAD_NO_SIZE:
        ShowError(window, PICTURE_SIZE_UNKNOWN);
        break;
    case PICTURE_LOAD_OK:
        break;
    }
}

void RemoveTemporaryFile()
{
    SetFileAttributesA(PREFERENCE_TEMPORARY_NAME, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(PREFERENCE_TEMPORARY_NAME);
}

bool GetFullPath(const char* name, char (&path)[FULL_PATH_CAPACITY])
{
    const DWORD length = GetFullPathNameA(name, sizeof path, path, nullptr);
    return length != 0 && length < sizeof path;
}

// The written temporary file becomes preference.dat. An old file is replaced
// so that it keeps its attributes and security, as the user set them; where
// there is none, or the replace went halfway, the temporary file is renamed.
// It is deleted only while the old file stands whole: otherwise it holds the
// only copy of the settings, which the next start takes up.
bool PutTemporaryFileInPlace()
{
    // Full paths: ReplaceFileA refuses relative names on some systems.
    char target[FULL_PATH_CAPACITY];
    char replacement[FULL_PATH_CAPACITY];
    if (!GetFullPath(PREFERENCE_FILE_NAME, target) ||
        !GetFullPath(PREFERENCE_TEMPORARY_NAME, replacement)) {
        if (FileExists(PREFERENCE_FILE_NAME))
            RemoveTemporaryFile();
        return false;
    }
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Windows carries the attributes over itself, not every
        // implementation does; read-only is left to the old file, which then
        // refuses the swap.
        SetFileAttributesA(replacement, attributes & ~FILE_ATTRIBUTE_READONLY);
        if (ReplaceFileA(target, replacement, nullptr, 0, nullptr, nullptr))
            return true;
        const DWORD error = GetLastError();
        if (StepAfterFailedReplace(error, FileExists(target)) == DISCARD_TEMPORARY_FILE) {
            RemoveTemporaryFile();
            return false;
        }
    }
    return MoveFileExA(replacement, target,
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

} // namespace

void ApplyPreferences(const PreferenceSettings& settings)
{
    appState.backgroundRed = settings.red;
    appState.backgroundGreen = settings.green;
    appState.backgroundBlue = settings.blue;
    std::memcpy(appState.picturePath, settings.picturePath, sizeof appState.picturePath);
    appState.stretchPicture = settings.stretchPicture != 0;
    appState.hotCorner = static_cast<HotCorner>(settings.hotCorner);
    appState.hotCornerDelay = settings.hotCornerDelay;
    const char* folder =
        settings.captureFolder[0] != '\0' ? settings.captureFolder : appState.startDirectory;
    std::memcpy(appState.captureFolder, folder, sizeof appState.captureFolder);
}

PreferenceLoad LoadPreferences(HWND window)
{
    if (!GetWorkingDirectory(appState.startDirectory)) {
        ShowError(nullptr, NOT_PREPARED);
        return PREFERENCE_FILE_NO_FOLDER;
    }
    PreferenceSettings settings = {};
    bool damaged = false;
    if (!ReadPreferenceFile(settings, damaged))
        return PREFERENCE_FILE_UNUSABLE;
    // A damaged file still names its picture: it is loaded, and reported on,
    // before the damage is. The program then ends, so the fields past the
    // damage, applied with the rest, are never used.
    ApplyPreferences(settings);
    LoadCoverPicture(window);
    if (damaged) {
        ShowError(nullptr, DAMAGED);
        return PREFERENCE_FILE_UNUSABLE;
    }
    return PREFERENCE_FILE_READ;
}

void OfferToDeletePreferenceFile()
{
    const int answer = MessageBoxA(nullptr,
        "環境設定ファイルの問題でソフトウェアが起動しなくなった場合は、\n"
        "環境設定ファイルを削除すると問題が解決することがあります。\n"
        "環境設定ファイルを削除しますか？",
        "確認", MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES)
        return;
    // A file that is not there (it could not be created, the disk was full)
    // counts as deleted: the next start writes the default one.
    if (DeleteFileA(PREFERENCE_FILE_NAME) || PreferenceFileMissing())
        MessageBoxA(nullptr,
                    "環境設定ファイルを削除しました。\n"
                    "プログラムはいったん終了しますので、再度起動してみてください。",
                    "完了", MB_OK | MB_ICONINFORMATION);
    else
        ShowError(nullptr, "環境設定ファイルを削除できませんでした。");
}

bool SavePreferenceFile(const PreferenceText& text)
{
    unsigned char bytes[PREFERENCE_FILE_CAPACITY];
    const std::size_t size = FormatPreferences(text, bytes, sizeof bytes);
    if (size == 0)
        return false;
    // One that a failed save left in place of a vanished preference.dat is
    // the only copy of the settings: it is put in place first, so that this
    // save failing too loses nothing.
    if (PreferenceFileMissing())
        TakeCompleteTemporaryFile();
    // A temporary file that a crash left behind, read-only or hidden
    // perhaps, must not stand in the way.
    RemoveTemporaryFile();
    FILE* file = std::fopen(PREFERENCE_TEMPORARY_NAME, "wb");
    if (file == nullptr)
        return false;
    const bool written = WriteWhole(file, bytes, size);
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return PutTemporaryFileInPlace();
    // Not all written: worth nothing, whatever else is there.
    RemoveTemporaryFile();
    return false;
}
