#include "preference_file.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "core/app_state.h"
#include "core/identifiers.h"
#include "core/message_box.h"
#include "cover/picture_file.h"
#include "preference_format.h"

namespace {

static_assert(PREFERENCE_LINE_CAPACITY == PATH_BUFFER_SIZE,
              "a line of the file must fit a path of AppState");

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
bool WriteWhole(FILE* file, const unsigned char* bytes, std::size_t size)
{
    return std::fwrite(bytes, 1, size, file) == size && std::fflush(file) == 0;
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

// Opens the file for reading, writing the default one first when there is
// none. Null after an error box.
FILE* OpenPreferenceFile()
{
    FILE* file = std::fopen(PREFERENCE_FILE_NAME, "rb");
    if (file != nullptr)
        return file;
    if (!PreferenceFileMissing()) {
        ShowError(nullptr, NOT_PREPARED);
        return nullptr;
    }
    if (!WriteDefaultFile(appState.startDirectory)) {
        ShowError(nullptr, CANNOT_CREATE);
        return nullptr;
    }
    file = std::fopen(PREFERENCE_FILE_NAME, "rb");
    if (file == nullptr)
        ShowError(nullptr, NOT_PREPARED);
    return file;
}

// A picture that cannot be loaded is reported and start-up goes on without it.
void LoadCoverPicture(HWND window)
{
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

// The written temporary file becomes preference.dat. An old file is replaced
// so that it keeps its attributes and security, as the user set them; where
// there is none, the temporary file is renamed.
bool PutTemporaryFileInPlace()
{
    // Full paths: ReplaceFileA refuses relative names on some systems.
    char target[MAX_PATH];
    char replacement[MAX_PATH];
    const DWORD targetLength = GetFullPathNameA(PREFERENCE_FILE_NAME, MAX_PATH, target, nullptr);
    const DWORD replacementLength =
        GetFullPathNameA(PREFERENCE_TEMPORARY_NAME, MAX_PATH, replacement, nullptr);
    if (targetLength == 0 || targetLength >= MAX_PATH || replacementLength == 0 ||
        replacementLength >= MAX_PATH)
        return false;
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return MoveFileExA(replacement, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    // Windows carries the attributes over itself, not every implementation
    // does; read-only is left to the old file, which then refuses the swap.
    SetFileAttributesA(replacement, attributes & ~FILE_ATTRIBUTE_READONLY);
    return ReplaceFileA(target, replacement, nullptr, 0, nullptr, nullptr) != FALSE;
}

} // namespace

PreferenceLoad LoadPreferences(HWND window)
{
    if (!GetWorkingDirectory(appState.startDirectory)) {
        ShowError(nullptr, NOT_PREPARED);
        return PREFERENCE_FILE_NO_FOLDER;
    }

    FILE* file = OpenPreferenceFile();
    if (file == nullptr)
        return PREFERENCE_FILE_UNUSABLE;
    // Bytes beyond these cannot change what the file means.
    unsigned char bytes[PREFERENCE_MEANINGFUL_BYTES];
    const std::size_t size = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);

    PreferenceSettings settings = {};
    const PreferenceStatus status = ParsePreferences(bytes, size, settings);
    if (status == PREFERENCES_INCOMPATIBLE) {
        ShowError(nullptr, INCOMPATIBLE);
        return PREFERENCE_FILE_UNUSABLE;
    }

    appState.backgroundRed = settings.red;
    appState.backgroundGreen = settings.green;
    appState.backgroundBlue = settings.blue;
    std::memcpy(appState.picturePath, settings.picturePath, sizeof appState.picturePath);
    // The picture comes before the rest is judged, so a missing picture is
    // reported even when the file turns out to be damaged further on.
    if (appState.picturePath[0] != '\0')
        LoadCoverPicture(window);
    if (status == PREFERENCES_DAMAGED) {
        ShowError(nullptr, DAMAGED);
        return PREFERENCE_FILE_UNUSABLE;
    }

    appState.stretchPicture = settings.stretchPicture != 0;
    appState.hotCorner = static_cast<HotCorner>(settings.hotCorner);
    appState.hotCornerDelay = settings.hotCornerDelay;
    if (settings.captureFolder[0] != '\0')
        std::memcpy(appState.captureFolder, settings.captureFolder, sizeof appState.captureFolder);
    else
        std::memcpy(appState.captureFolder, appState.startDirectory, sizeof appState.captureFolder);
    return PREFERENCE_FILE_READ;
}

void RunRecoveryDialogue()
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
    // A temporary file that a crash left behind, read-only or hidden
    // perhaps, must not stand in the way.
    RemoveTemporaryFile();
    FILE* file = std::fopen(PREFERENCE_TEMPORARY_NAME, "wb");
    if (file == nullptr)
        return false;
    const bool written = WriteWhole(file, bytes, size);
    const bool closed = std::fclose(file) == 0;
    if (written && closed && PutTemporaryFileInPlace())
        return true;
    RemoveTemporaryFile();
    return false;
}
