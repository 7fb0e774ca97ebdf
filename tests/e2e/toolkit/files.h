// Files and folders as the tests prepare and read them.
#pragma once

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

// preference.dat in a working folder, and its bytes as the preferences
// dialog writes them.
std::wstring PreferencePath(const std::wstring& workDir);
std::string PreferenceBytes(int red, int green, int blue, const std::string& picture,
                            char stretch, char corner, const std::string& delay,
                            const std::string& folder);
