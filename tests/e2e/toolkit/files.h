// Files and folders as the tests prepare and read them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
// The whole file, empty when it cannot be read.
std::string FileBytes(const std::wstring& path);

// A file or folder of that name exists.
bool PathExists(const std::wstring& path);

// The sorted names (not paths) of the files in `folder` matching `pattern`.
std::vector<std::wstring> FileNames(const std::wstring& folder, const wchar_t* pattern = L"*");

// The settings file in a working folder, and the temporary file a save writes first.
std::wstring PreferencePath(const std::wstring& workDir);
std::wstring PreferenceTemporaryPath(const std::wstring& workDir);
// The read-me in `folder`, as the help command opens it from the start-up folder.
std::wstring ReadMePath(const std::wstring& folder);

// The fields of a settings file, as texts in the file's own code page
// (Shift-JIS). The defaults are the program's own but for the capture folder:
// black, no picture, stretched, the bottom-right corner after 150 ms.
struct PreferenceFields {
    int red = 0;
    int green = 0;
    int blue = 0;
    std::string picture;
    char stretch = '1';  // '0' or '1'; anything else is damage
    char corner = '4';   // '0' for none, '1' to '4'
    std::string delay = "150";
    std::string folder;

    // Setters that chain, so that a file is written in one expression:
    // PreferenceBytes(PreferenceFields().Color(1, 2, 3).Corner('0')).
    PreferenceFields& Color(int r, int g, int b) { red = r; green = g; blue = b; return *this; }
    PreferenceFields& Color(COLORREF rgb)
    {
        return Color(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
    }
    PreferenceFields& Picture(const std::string& path) { picture = path; return *this; }
    PreferenceFields& Stretch(char flag) { stretch = flag; return *this; }
    PreferenceFields& Corner(char flag) { corner = flag; return *this; }
    PreferenceFields& Delay(const std::string& ms) { delay = ms; return *this; }
    PreferenceFields& Folder(const std::string& path) { folder = path; return *this; }
};

// The file's bytes as the preferences dialog writes them.
std::string PreferenceBytes(const PreferenceFields& fields);
